// UtilsIni: INI reads under the process-wide lock, and writes.
#include "util/UtilsIni.h"

#include <windows.h>

#include <string>

#include "util/Handles.h"
#include "util/NumberText.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {
namespace {

CriticalSection& IniReadLock() {
  static CriticalSection lock;
  return lock;
}

}  // namespace

std::string ReadIniString(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view def) {
  CriticalSectionLock hold(IniReadLock());
  std::string result(def);
  if (file.empty() || section.empty() || key.empty())
    return result;
  const std::string fileName(file);
  const std::string sectionName(section);
  const std::string keyName(key);
  std::string buffer(kIniValueLimit + 1, '\0');
  const DWORD length =
      ::GetPrivateProfileStringA(sectionName.c_str(), keyName.c_str(), "", &buffer[0],
                                 static_cast<DWORD>(buffer.size()), fileName.c_str());
  if (length > 0) {
    if (length > kIniValueTraceLimit)
      ConsoleLine("ReadIniString SizeError=" + std::to_string(length));
    buffer.resize(length);
    result = std::move(buffer);
  }
  return result;
}

int64_t ReadIniInt64(std::string_view file, std::string_view section, std::string_view key,
                     int64_t def) {
  int64_t value = 0;
  return ParseInt64(ReadIniString(file, section, key, std::to_string(def)), value) ? value : def;
}

bool WriteIniString(std::string_view file, std::string_view section, std::string_view key,
                    std::string_view value) {
  if (file.empty() || section.empty() || key.empty())
    return false;
  const std::string fileName(file);
  const std::string sectionName(section);
  const std::string keyName(key);
  const std::string text(value);
  return ::WritePrivateProfileStringA(sectionName.c_str(), keyName.c_str(), text.c_str(),
                                      fileName.c_str()) != FALSE;
}

bool WriteIniInt64(std::string_view file, std::string_view section, std::string_view key,
                   int64_t value) {
  return WriteIniString(file, section, key, std::to_string(value));
}

}  // namespace orvane
