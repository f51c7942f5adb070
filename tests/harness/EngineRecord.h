// EngineRecord: what the stand-in engine (tools/engine) wrote down about a
// run: its command line, show state, folder, whether it deleted the
// rendezvous atom, its exit code and the files it found beside itself.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvane::test {

// The stand-in engine of this build.
std::string EngineExe();

struct EngineFile {
  int64_t size = 0;
  uint32_t dosDate = 0;
  std::string crc;  // 8 hex digits, "-" without hashing
};

struct EngineRecord {
  std::string commandLine;
  int show = -1;
  std::string cwd;
  std::string folder;
  std::string atom;  // deleted, kept or missing
  int64_t exitCode = -1;
  std::map<std::string, EngineFile> files;  // by relative path
  std::vector<std::string> copied;          // /Install
};

// Every complete record of the file, oldest first; empty when there is none.
std::vector<EngineRecord> ReadEngineRecords(const std::string& path);

// CRC-32 of `bytes` as the engine writes it (8 lower-case hex digits).
std::string Crc32Text(const std::string& bytes);

}  // namespace orvane::test
