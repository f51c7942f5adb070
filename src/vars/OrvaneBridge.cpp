// The values of the variables, from Windows, and the process-wide state of
// the expansion: the installation folders and the cached origin folder.
#include "vars/OrvaneBridge.h"

#include <windows.h>

#include "util/DateText.h"
#include "util/Files.h"
#include "util/PathText.h"
#include "util/Registry.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "vars/OrvaneBridgeText.h"
#include "vars/ShellDir.h"

namespace orvane {

namespace {

InstallFolders& Folders() {
  static InstallFolders folders;
  return folders;
}

// The folder of the installer that started this program ("/OriginExe="),
// else of this program; read once.
const std::string& CachedOriginFolder() {
  static std::string folder;
  static bool known = false;
  if (!known) {
    std::string exe = GetSwitch("/OriginExe=", {});
    if (exe.empty())
      exe = OwnPath();
    folder = NormalizeTrailingBackslash(DirectoryPart(exe, IsAnsiLeadByte), false, IsAnsiLeadByte);
    if (folder.empty())
      folder = OwnDir(false);
    known = true;
  }
  return folder;
}

std::string LocaleText(LCTYPE type) {
  // Month names are the longest texts asked for; 80 bytes hold any of them.
  char buffer[80] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) <= 1)
    return {};
  return buffer;
}

class WindowsBridge final : public BridgeSystem {
 public:
  LocalDateTime LocalNow() override {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  }
  std::string DateSeparator() override {
    std::string separator = LocaleText(LOCALE_SDATE);
    return separator.empty() ? "/" : separator;
  }
  std::string TimeSeparator() override {
    std::string separator = LocaleText(LOCALE_STIME);
    return separator.empty() ? ":" : separator;
  }
  std::string MonthName(int month) override {
    if (month < 1 || month > 12)
      return {};
    std::string name = LocaleText(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + month - 1));
    return name.empty() ? std::string(EnglishMonthName(month)) : name;
  }

  std::string LoggedOnUserName() override { return GetLoggedOnUserName(); }
  std::string RegisteredOwner() override { return GetRegisteredOwner(); }
  std::string RegisteredOrganization() override { return GetRegisteredOrganization(); }
  std::string ComputerName() override {
    char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buffer;
    if (!::GetComputerNameA(buffer, &size))
      return {};
    return std::string(buffer, size);
  }
  std::string DomainName() override { return GetCurrentDomainName(); }

  std::string WindowsFolder() override { return WindowsDir(false); }
  std::string SystemFolder() override { return SystemDir(false); }
  std::string TempFolder() override { return TempDir(false); }
  std::string OwnFolder() override { return OwnDir(false); }
  std::string OriginFolder() override { return CachedOriginFolder(); }
  std::string ShellFolderPath(ShellFolder folder) override { return GetShellFolder(folder, false); }

  std::string RegistryValue(std::string_view keyPath, std::string_view valueName) override {
    return ReadRegString(keyPath, valueName, {});
  }
  std::string FullPath(std::string_view path) override {
    const std::string input(path);
    const DWORD needed = ::GetFullPathNameA(input.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
      return input;
    std::string full(needed, '\0');
    const DWORD length = ::GetFullPathNameA(input.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed)
      return input;
    full.resize(length);
    return full;
  }
  bool FolderExists(std::string_view path) override {
    return !path.empty() && orvane::FolderExists(std::string(path));
  }
  bool IsLeadByte(unsigned char byte) override { return IsAnsiLeadByte(byte); }
};

}  // namespace

void SetInstallFolders(std::string_view applicationFolder, std::string_view commonFolder,
                       std::string_view auxiliaryFolder) {
  InstallFolders& folders = Folders();
  folders.application.assign(applicationFolder);
  folders.common.assign(commonFolder);
  folders.auxiliary.assign(auxiliaryFolder);
}

std::string ExpandVariables(std::string_view text, std::string_view suffix, bool foldRelativeParts,
                            bool expandFolders) {
  WindowsBridge system;
  return ExpandVariablesText(text, suffix, foldRelativeParts, expandFolders, Folders(), system);
}

}  // namespace orvane
