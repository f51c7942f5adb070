#include "launcher/StubSetup.h"

#include <windows.h>

#include <cstdint>

#include "launcher/StubWinMain.h"
#include "launcher/ZDebug.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {

namespace {

// The DOS modification date-time (local time) of `path`, 0 when it cannot
// be read.
uint32_t FileDosDateTime(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return 0;
  FILETIME written{};
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (!::GetFileTime(file.get(), nullptr, nullptr, &written) ||
      !::FileTimeToLocalFileTime(&written, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return (static_cast<uint32_t>(date) << 16) | time;
}

// Creates `folder` and every missing parent.
void CreateFolderPath(const std::string& folder) {
  if (folder.empty())
    return;
  for (size_t pos = folder.find('\\'); pos != std::string::npos; pos = folder.find('\\', pos + 1)) {
    const std::string part = folder.substr(0, pos);
    // Roots such as "C:" and the "\\server\share" prefix are not folders to create.
    if (part.empty() || part.back() == ':' || part.back() == '\\')
      continue;
    ::CreateDirectoryA(part.c_str(), nullptr);
  }
  ::CreateDirectoryA(folder.c_str(), nullptr);
}

}  // namespace

std::string WorkingFolder() {
  static const std::string folder = [] {
    const std::string temp = TempDir(true);
    if (temp.empty())
      return std::string();  // never a relative path: it would name the current folder
    const uint32_t stamp = FileDosDateTime(OwnPath()) & 0xFFFFu;
    std::string path = temp + "SETUP_" + std::to_string(stamp);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
      DeleteTree(path, true);
    CreateFolderPath(path);
    return path;
  }();
  return folder;
}

void StartSetup() {
  ::KillTimer(MainWindow(), kMainTimerId);
  ConsoleLine("StartSetup() --- Start");
  ::PostQuitMessage(0);
  ConsoleLine("StartSetup() --- End");
}

}  // namespace orvane
