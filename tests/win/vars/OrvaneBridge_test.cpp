// OrvaneBridge under Wine: the folder variables give the prefix's real
// folders (asked of the system here directly), the general variables the
// machine's names and the local date, relative parts fold against real
// folders, and the origin folder follows the /OriginExe= switch (in a child
// process, since it is read once per process).
#include "vars/OrvaneBridge.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "harness/LauncherProcess.h"
#include "harness/ScopedEnv.h"
#include "util/NumberText.h"
#include "util/Utils.h"
#include "util/UtilsText.h"

namespace orvane {
namespace {

std::string Expand(std::string_view text, bool fold = false) {
  return ExpandVariables(text, "\\", fold, true);
}

// A folder as a system call writes it into a buffer, without a trailing
// backslash (a drive root keeps its own).
template <class Call>
std::string FolderFrom(Call call) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = call(buffer);
  std::string folder(buffer, length);
  if (folder.size() > 3 && folder.back() == '\\')
    folder.pop_back();
  return folder;
}

std::string ShellFolderFor(int csidl) {
  char buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
    return {};
  return buffer;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(OrvaneBridge, FolderVariablesGiveTheSystemFolders) {
  const std::string windows =
      FolderFrom([](char* b) { return ::GetWindowsDirectoryA(b, MAX_PATH + 1); });
  const std::string system =
      FolderFrom([](char* b) { return ::GetSystemDirectoryA(b, MAX_PATH + 1); });
  const std::string temp = FolderFrom([](char* b) { return ::GetTempPathA(MAX_PATH + 1, b); });
  ASSERT_FALSE(windows.empty());
  ASSERT_FALSE(system.empty());
  ASSERT_FALSE(temp.empty());
  const std::string own = OwnDir(false);

  const struct {
    const char* text;
    std::string expected;
  } cases[] = {
      {"<WinDir>", windows},
      {"<Windows Directory>", windows},
      {"<WinSysDir>", system},
      {"<WinSys32Dir>\\kernel32.dll", system + "\\kernel32.dll"},
      {"<System Directory>", system},
      {"<TempDir>x.tmp", temp + "\\x.tmp"},
      {"|<WinDir>|<TempDir>|", "|" + windows + "|" + temp + "|"},
      {"\"<SrcDir>\"", "\"" + own + "\""},
      {"\"<SrcDir>\" /s", "\"" + own + "\\\" /s"},
      {"<ServiceDir>", own},
      // No /OriginExe= on this program's command line: its own folder.
      {"<OriginDir>", own},
      {"<WinDrive>|<WinDisk>", windows.substr(0, 3) + "|" + windows.substr(0, 2)},
      {"<UserAppDataDir>", ShellFolderFor(CSIDL_APPDATA)},
      {"<UserLocalAppDataDir>", ShellFolderFor(CSIDL_LOCAL_APPDATA)},
      {"<MyDocumentsDir>", ShellFolderFor(CSIDL_PERSONAL)},
      {"<UserDesktopDir>", ShellFolderFor(CSIDL_DESKTOPDIRECTORY)},
      {"<UserStartProgramMenuDir>", ShellFolderFor(CSIDL_PROGRAMS)},
      {"<AllUsersAppDataDir>", ShellFolderFor(CSIDL_COMMON_APPDATA)},
      {"<AllUsersDesktopDir>", ShellFolderFor(CSIDL_COMMON_DESKTOPDIRECTORY)},
  };
  for (const auto& c : cases) {
    ASSERT_FALSE(c.expected.empty()) << c.text;
    EXPECT_TRUE(SameTextTrim(Expand(c.text), c.expected))
        << c.text << ": " << Expand(c.text) << " instead of " << c.expected;
  }

  // The 16-bit System folder: the System folder without "32" where that
  // exists (a Wine prefix has none until this test makes it), else the
  // System folder.
  const std::string system16 = windows + "\\system";
  if (!IsDirectory(system16)) {
    EXPECT_TRUE(SameTextTrim(Expand("<WinSys16Dir>"), system)) << Expand("<WinSys16Dir>");
    ASSERT_TRUE(::CreateDirectoryA(system16.c_str(), nullptr));
    const std::string found = Expand("<System16 Directory>");
    ::RemoveDirectoryA(system16.c_str());
    EXPECT_TRUE(SameTextTrim(found, system16)) << found;
  } else {
    EXPECT_TRUE(SameTextTrim(Expand("<WinSys16Dir>"), system16)) << Expand("<WinSys16Dir>");
  }
  EXPECT_TRUE(SameTextTrim(Expand("<FontDir>"), windows + "\\Fonts")) << Expand("<FontDir>");
  const std::string programFiles = Expand("<ProgramFilesDir>");
  EXPECT_TRUE(IsDirectory(programFiles)) << programFiles;
}

TEST(OrvaneBridge, InstallFoldersAndFolding) {
  const std::string windows = WindowsDir(false);
  SetInstallFolders("C:\\Acme\\App\\", "C:\\Acme\\Common", "");
  const struct {
    const char* text;
    bool fold;
    std::string expected;
  } cases[] = {
      {"<InstallDir>app.exe", false, "C:\\Acme\\App\\app.exe"},
      {"<InstallDir>\\app.exe /quiet", false, "C:\\Acme\\App\\app.exe /quiet"},
      {"<InstallDir>", false, "C:\\Acme\\App"},
      {"<InstallCommonDir>..\\Shared\\x.dll", true, "C:\\Acme\\Shared\\x.dll"},
      {"<InstallDir>..\\..\\x", true, "C:\\x"},
      {"|<InstallDir>..\\Tools\\t.exe|<WinDir>|", true, "|C:\\Acme\\Tools\\t.exe|" + windows + "|"},
      {"<WinDir>\\..\\name.txt", true, windows.substr(0, 3) + "name.txt"},
      {"<Windows Directory>\\<InstallDir>x.dll", false, windows + "\\x.dll"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Expand(c.text, c.fold), c.expected) << c.text;
  SetInstallFolders("", "", "");
  EXPECT_EQ(Expand("<InstallDir>"), "");
}

TEST(OrvaneBridge, GeneralVariablesGiveTheMachinesNames) {
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD computerSize = sizeof computer;
  ASSERT_TRUE(::GetComputerNameA(computer, &computerSize));
  char user[257] = {};
  DWORD userSize = sizeof user;
  ASSERT_TRUE(::GetUserNameA(user, &userSize));
  EXPECT_EQ(ExpandVariables("<ComputerName>", "\\", false, false), computer);
  EXPECT_EQ(ExpandVariables("<loggedusername>", "\\", false, false), Trim(user));
  EXPECT_EQ(ExpandVariables("<LastExecutableExitCode><ProjectName>", "\\", false, false), "0");

  // The date of today (read before and after, in case midnight passes).
  const auto today = [] {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return ZeroPad(t.wYear, 4) + "-" + ZeroPad(t.wMonth, 2) + "-" + ZeroPad(t.wDay, 2);
  };
  const std::string before = today();
  const std::string date = ExpandVariables("v<Date=6>.log", "\\", false, false);
  const std::string after = today();
  EXPECT_TRUE(date == "v" + before + ".log" || date == "v" + after + ".log") << date;

  // The month of "<Date=#>" is the locale's full name.
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char month[80] = {};
  ASSERT_GT(::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + now.wMonth - 1, month,
                             sizeof month),
            1);
  EXPECT_NE(ExpandVariables("<Date=#>", "\\", false, false).find(month), std::string::npos);
}

// ---------------------------------------------------------------------------
// The origin folder: this program once more as a child with /OriginExe=.

constexpr char kExpectOriginVariable[] = "ORVANE_TEST_EXPECT_ORIGIN";

// The child's half: skipped unless started by OrvaneBridgeOrigin below.
TEST(OrvaneBridgeOriginChild, OriginFolderComesFromTheSwitch) {
  const char* expected = std::getenv(kExpectOriginVariable);
  if (!expected)
    GTEST_SKIP() << "runs only as a child of OrvaneBridgeOrigin";
  EXPECT_EQ(Expand("<OriginDir>setup.ini"), std::string(expected) + "\\setup.ini");
  EXPECT_EQ(Expand("<OriginDisk>"), std::string(expected).substr(0, 2));
}

TEST(OrvaneBridgeOrigin, FollowsTheOriginExeSwitch) {
  const auto runChild = [](const char* expect) {
    test::ScopedEnv variable(kExpectOriginVariable, expect);
    return test::RunQuietProcess("\"" + OwnPath() +
                                 "\" --gtest_filter=OrvaneBridgeOriginChild.* --gtest_brief=1 "
                                 "/OriginExe=\"D:\\Setup Files\\disk1\\setup.exe\"");
  };
  EXPECT_EQ(runChild("D:\\Setup Files\\disk1"), 0);
  // The child really checks: a wrong expectation fails it.
  EXPECT_NE(runChild("D:\\Setup Files"), 0);
}

}  // namespace
}  // namespace orvane
