// ShellDir under Wine: every folder is what the system's shell reports in
// the prefix (asked here directly through shell32), and the flag gives
// exactly one trailing backslash.
#include "vars/ShellDir.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

std::string FolderPath(int csidl) {
  char buffer[MAX_PATH + 1] = {};
  if (::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer) != S_OK)
    return std::string();
  return buffer;
}

std::string SpecialFolderPath(int csidl) {
  char buffer[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE))
    return std::string();
  return buffer;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\users\bob" gives "C:\users".
std::string Above(const std::string& path) {
  const size_t last = path.find_last_of('\\');
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

struct Expected {
  ShellFolder folder;
  const char* name;
  std::string path;
};

// What the prefix's shell reports for each folder; each must name an
// existing folder, so no fallback is involved.
std::vector<Expected> SystemFolders() {
  const std::string documents = FolderPath(CSIDL_PERSONAL);
  const std::string commonAppData = FolderPath(CSIDL_COMMON_APPDATA);
  return {
      {ShellFolder::kDocumentsAndSettingsDir, "DocumentsAndSettingsDir", Above(Above(documents))},
      {ShellFolder::kUserDir, "UserDir", Above(documents)},
      {ShellFolder::kAllUsersDir, "AllUsersDir", Above(commonAppData)},
      {ShellFolder::kUserLocalAppDataDir, "UserLocalAppDataDir", FolderPath(CSIDL_LOCAL_APPDATA)},
      {ShellFolder::kUserAppDataDir, "UserAppDataDir", FolderPath(CSIDL_APPDATA)},
      {ShellFolder::kAllUsersAppDataDir, "AllUsersAppDataDir", commonAppData},
      {ShellFolder::kMyDocumentsDir, "MyDocumentsDir", documents},
      {ShellFolder::kAllUsersDocumentsDir, "AllUsersDocumentsDir",
       FolderPath(CSIDL_COMMON_DOCUMENTS)},
      {ShellFolder::kUserStartMenuDir, "UserStartMenuDir", SpecialFolderPath(CSIDL_STARTMENU)},
      {ShellFolder::kAllUsersStartMenuDir, "AllUsersStartMenuDir",
       SpecialFolderPath(CSIDL_COMMON_STARTMENU)},
      {ShellFolder::kUserStartProgramMenuDir, "UserStartProgramMenuDir",
       SpecialFolderPath(CSIDL_PROGRAMS)},
      {ShellFolder::kAllUsersStartProgramMenuDir, "AllUsersStartProgramMenuDir",
       SpecialFolderPath(CSIDL_COMMON_PROGRAMS)},
      {ShellFolder::kUserDesktopDir, "UserDesktopDir", SpecialFolderPath(CSIDL_DESKTOPDIRECTORY)},
      {ShellFolder::kAllUsersDesktopDir, "AllUsersDesktopDir",
       SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY)},
  };
}

TEST(ShellDir, EveryFolderIsWhatTheShellReports) {
  for (const Expected& e : SystemFolders()) {
    ASSERT_TRUE(IsDirectory(e.path)) << e.name << ": " << e.path;
    EXPECT_EQ(GetShellFolder(e.folder, false), e.path) << e.name;
  }
}

TEST(ShellDir, FlagGivesExactlyOneTrailingBackslash) {
  for (const Expected& e : SystemFolders()) {
    const std::string without = GetShellFolder(e.folder, false);
    const std::string with = GetShellFolder(e.folder, true);
    // The all-users folder above C:\ProgramData is the drive, "C:".
    ASSERT_FALSE(without.empty()) << e.name;
    EXPECT_NE(without.back(), '\\') << e.name << ": " << without;
    EXPECT_EQ(with, without + "\\") << e.name;
  }
}

}  // namespace
}  // namespace orvane
