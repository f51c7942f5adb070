// ShellDir: the shell folders, from the shell's answers and the rules of
// ShellDirRules.h.
#include "vars/ShellDir.h"

#include <shlobj.h>
#include <windows.h>

#include "util/Files.h"
#include "util/Utils.h"
#include "vars/ShellDirRules.h"

namespace orvane {

static_assert(kCsidlPrograms == CSIDL_PROGRAMS && kCsidlPersonal == CSIDL_PERSONAL &&
              kCsidlStartMenu == CSIDL_STARTMENU &&
              kCsidlDesktopDirectory == CSIDL_DESKTOPDIRECTORY &&
              kCsidlCommonStartMenu == CSIDL_COMMON_STARTMENU &&
              kCsidlCommonPrograms == CSIDL_COMMON_PROGRAMS &&
              kCsidlCommonDesktopDirectory == CSIDL_COMMON_DESKTOPDIRECTORY &&
              kCsidlAppData == CSIDL_APPDATA && kCsidlLocalAppData == CSIDL_LOCAL_APPDATA &&
              kCsidlCommonAppData == CSIDL_COMMON_APPDATA &&
              kCsidlCommonDocuments == CSIDL_COMMON_DOCUMENTS &&
              kCsidlFlagCreate == CSIDL_FLAG_CREATE);

namespace {

// Both calls write at most MAX_PATH characters; the buffer has room to spare
// and is cleared first, so a call that fails without writing leaves it empty.
constexpr size_t kShellBufferSize = 1025;

using FolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using SpecialFolderPathFn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

class WindowsShellDirSystem final : public ShellDirSystem {
 public:
  // Both entries are looked up on every call: SHFolder.dll is missing on
  // some systems, and nothing is kept between calls.
  std::string FolderPath(int csidl) override {
    const LibraryProc entry = GetProcFromLibrary("SHFolder.dll", "SHGetFolderPathA");
    if (entry.proc == nullptr)
      return std::string();
    char buffer[kShellBufferSize] = {};
    if (ProcAs<FolderPathFn>(entry.proc)(nullptr, csidl, nullptr, 0, buffer) != S_OK)
      return std::string();
    return Terminated(buffer);
  }

  std::string SpecialFolderPath(int csidl) override {
    const LibraryProc entry = GetProcFromLibrary("shell32.dll", "SHGetSpecialFolderPathA");
    if (entry.proc == nullptr)
      return std::string();
    char buffer[kShellBufferSize] = {};
    if (!ProcAs<SpecialFolderPathFn>(entry.proc)(nullptr, buffer, csidl, FALSE))
      return std::string();
    return Terminated(buffer);
  }

  bool DirectoryExists(const std::string& path) override { return FolderExists(path); }
  std::string WindowsFolder() override { return WindowsDir(false); }
  std::string RegisteredOwner() override { return GetRegisteredOwner(); }
  LeadBytePredicate LeadByte() override { return IsAnsiLeadByte; }

 private:
  // The buffer's text up to its first zero; its last byte stays zero
  // whatever the call wrote before it.
  static std::string Terminated(char (&buffer)[kShellBufferSize]) {
    buffer[kShellBufferSize - 1] = '\0';
    return std::string(buffer);
  }
};

}  // namespace

std::string GetShellFolder(ShellFolder folder, bool trailingBackslash) {
  WindowsShellDirSystem system;
  return ShellFolderPath(system, folder, trailingBackslash);
}

}  // namespace orvane
