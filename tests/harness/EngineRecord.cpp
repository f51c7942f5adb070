#include "harness/EngineRecord.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "harness/TestPaths.h"

namespace orvane::test {

std::string EngineExe() {
  return TestBinDir() + "\\..\\tools\\engine\\engine.exe";
}

std::vector<EngineRecord> ReadEngineRecords(const std::string& path) {
  std::vector<EngineRecord> records;
  std::istringstream lines(ReadWholeFile(path));
  EngineRecord current;
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    if (key == "end") {
      records.push_back(current);
      current = EngineRecord();
    } else if (key == "cmdline") {
      current.commandLine = value;
    } else if (key == "show") {
      current.show = std::atoi(value.c_str());
    } else if (key == "cwd") {
      current.cwd = value;
    } else if (key == "folder") {
      current.folder = value;
    } else if (key == "atom") {
      current.atom = value;
    } else if (key == "exit") {
      current.exitCode = std::atoll(value.c_str());
    } else if (key == "copied") {
      current.copied.push_back(value);
    } else if (key == "file") {
      // relative|size|dosdate|crc
      const size_t a = value.find('|');
      const size_t b = value.find('|', a + 1);
      const size_t c = value.find('|', b + 1);
      if (c == std::string::npos)
        continue;
      EngineFile file;
      file.size = std::atoll(value.substr(a + 1, b - a - 1).c_str());
      file.dosDate =
          static_cast<uint32_t>(std::strtoul(value.substr(b + 1, c - b - 1).c_str(), nullptr, 10));
      file.crc = value.substr(c + 1);
      current.files[value.substr(0, a)] = file;
    }
  }
  return records;
}

std::string Crc32Text(const std::string& bytes) {
  const uLong crc = crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                          static_cast<uInt>(bytes.size()));
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(crc));
  return text;
}

}  // namespace orvane::test
