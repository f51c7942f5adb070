// UtilsIni: INI reads under the process-wide lock, and writes.
#include "util/UtilsIni.h"

#include <windows.h>

#include <exception>
#include <string>

#include "launcher/ZDebug.h"
#include "package/StubGlobRules.h"
#include "util/Handles.h"
#include "util/Utils.h"

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
  try {
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
  } catch (const std::exception&) {
    ConsoleLine("EXCEPTION --- Utils.ReadIniString()  " + GetLastErrorText());
  }
  return result;
}

int64_t ReadIniInt64(std::string_view file, std::string_view section, std::string_view key,
                     int64_t def) {
  return IniIntegerValue(ReadIniString(file, section, key, std::to_string(def)), def);
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
