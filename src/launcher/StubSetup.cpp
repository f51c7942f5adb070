#include "launcher/StubSetup.h"

#include <windows.h>

#include <cstdint>

#include "launcher/StubWinMain.h"
#include "launcher/ZDebug.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {

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
