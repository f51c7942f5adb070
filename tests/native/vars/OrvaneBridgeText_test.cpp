// Tests of the variable expansion rules against a machine of fixed values:
// the general and folder variables, the suffix rule, the order of the steps,
// the date codes, the collapsing of doubled backslashes and the folding of
// relative parts.
#include "vars/OrvaneBridgeText.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvane {
namespace {

class FakeSystem final : public BridgeSystem {
 public:
  LocalDateTime now{2014, 5, 7, 9, 5, 3, 0};
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string loggedOnUser = " jdoe ";
  std::string owner = "Jane Doe ";
  std::string organization = "\tAcme Corp";
  std::string computer = "BUILD7";
  std::string domain = "CORP";
  std::string windows = "C:\\Windows";
  std::string system = "C:\\Windows\\System32";
  std::string temp = "C:\\users\\jdoe\\Temp\\";
  std::string own = "D:\\Media";
  std::string origin = "E:\\Setup";
  std::map<std::string, std::string> registry;  // key path + "|" + value name
  std::set<std::string> folders;                // the folders that exist
  std::string currentFolder = "C:\\Work";
  bool dbcs = false;  // Shift-JIS lead bytes

  LocalDateTime LocalNow() override { return now; }
  std::string DateSeparator() override { return dateSeparator; }
  std::string TimeSeparator() override { return timeSeparator; }
  std::string MonthName(int month) override { return std::string(EnglishMonthName(month)); }
  std::string LoggedOnUserName() override { return loggedOnUser; }
  std::string RegisteredOwner() override { return owner; }
  std::string RegisteredOrganization() override { return organization; }
  std::string ComputerName() override { return computer; }
  std::string DomainName() override { return domain; }
  std::string WindowsFolder() override { return windows; }
  std::string SystemFolder() override { return system; }
  std::string TempFolder() override { return temp; }
  std::string OwnFolder() override { return own; }
  std::string OriginFolder() override { return origin; }
  std::string ShellFolderPath(ShellFolder folder) override {
    switch (folder) {
      case ShellFolder::kDocumentsAndSettingsDir:
        return "C:\\users";
      case ShellFolder::kUserDir:
        return "C:\\users\\jdoe";
      case ShellFolder::kAllUsersDir:
        return "C:\\users\\Public";
      case ShellFolder::kUserLocalAppDataDir:
        return "C:\\users\\jdoe\\AppData\\Local\\";
      case ShellFolder::kUserAppDataDir:
        return "C:\\users\\jdoe\\AppData\\Roaming";
      case ShellFolder::kAllUsersAppDataDir:
        return "C:\\ProgramData";
      case ShellFolder::kMyDocumentsDir:
        return "C:\\users\\jdoe\\Documents";
      case ShellFolder::kAllUsersDocumentsDir:
        return "C:\\users\\Public\\Documents";
      case ShellFolder::kUserStartMenuDir:
        return "C:\\users\\jdoe\\Start Menu";
      case ShellFolder::kAllUsersStartMenuDir:
        return "C:\\ProgramData\\Start Menu";
      case ShellFolder::kUserStartProgramMenuDir:
        return "C:\\users\\jdoe\\Start Menu\\Programs";
      case ShellFolder::kAllUsersStartProgramMenuDir:
        return "C:\\ProgramData\\Start Menu\\Programs";
      case ShellFolder::kUserDesktopDir:
        return "C:\\users\\jdoe\\Desktop";
      case ShellFolder::kAllUsersDesktopDir:
        return "C:\\users\\Public\\Desktop";
    }
    return {};
  }
  std::string RegistryValue(std::string_view keyPath, std::string_view valueName) override {
    const auto found = registry.find(std::string(keyPath) + "|" + std::string(valueName));
    return found == registry.end() ? std::string() : found->second;
  }
  // Relative paths start at the current folder; "." and ".." fold.
  std::string FullPath(std::string_view path) override {
    std::string full(path);
    if (full.size() < 2 || full[1] != ':')
      full = currentFolder + "\\" + full;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
      size_t end = full.find('\\', start);
      if (end == std::string::npos)
        end = full.size();
      const std::string part = full.substr(start, end - start);
      if (part == "..") {
        if (parts.size() > 1)
          parts.pop_back();
      } else if (part != "." && !(part.empty() && !parts.empty())) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts)
      result += (result.empty() ? "" : "\\") + part;
    return parts.size() == 1 ? result + "\\" : result;
  }
  bool FolderExists(std::string_view path) override {
    return folders.count(std::string(path)) != 0;
  }
  bool IsLeadByte(unsigned char byte) override {
    return dbcs && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
  }
};

constexpr char kCurrentVersion[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kShellFolders[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class OrvaneBridgeText : public ::testing::Test {
 protected:
  OrvaneBridgeText() {
    install = {"C:\\Program Files\\Acme", "C:\\Program Files\\Common Files\\Acme\\",
               "C:\\ProgramData\\Acme"};
    machine.registry[std::string(kCurrentVersion) + "|ProgramFilesDir"] = "C:\\Program Files";
    machine.registry[std::string(kCurrentVersion) + "|CommonFilesDir"] =
        "C:\\Program Files\\Common Files";
    machine.registry[std::string(kShellFolders) + "|Start Menu"] = "C:\\users\\jdoe\\Start Menu\\";
    machine.registry[std::string(kShellFolders) + "|Fonts"] = "C:\\Windows\\Fonts";
  }

  std::string Expand(std::string_view text, bool fold = false, bool folders = true,
                     std::string_view suffix = "\\") {
    return ExpandVariablesText(text, suffix, fold, folders, install, machine);
  }

  InstallFolders install;
  FakeSystem machine;
};

struct Case {
  const char* text;
  const char* expected;
};

TEST_F(OrvaneBridgeText, GeneralVariables) {
  machine.owner = "<ComputerName> as <LoggedUserName> ";
  const Case cases[] = {
      {"<LoggedUserName>", "jdoe"},
      {"<CompanyName>|<ComputerName>|<CurrentDomainName>", "Acme Corp|BUILD7|CORP"},
      {"<LastExecutableExitCode>,<ReqFreeDiskSpaceMB>", "0,0"},
      {"[<EnteredUserName><EnteredCompanyName><EnteredStartProgramMenu><VendorCompanyName>"
       "<ProjectName><ProgramDescriptiveName><ProgramVersion><SelectedLanguage>]",
       "[]"},
      // Any case, every occurrence.
      {"<computername>-<COMPUTERNAME>-<ComputerName>", "BUILD7-BUILD7-BUILD7"},
      // A value naming a later variable is expanded by the later step, one
      // naming an earlier variable is not.
      {"<UserName>", "BUILD7 as <LoggedUserName>"},
      // Names that are no variables stay.
      {"<Unknown> <ComputerName <Computer Name> <ComputerName >",
       "<Unknown> <ComputerName <Computer Name> <ComputerName >"},
      {"no variables here\\\\", "no variables here\\\\"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST_F(OrvaneBridgeText, GeneralVariablesWithoutFolders) {
  EXPECT_EQ(Expand("<ComputerName>\\<WinDir>\\\\x", false, false), "BUILD7\\<WinDir>\\\\x");
}

TEST_F(OrvaneBridgeText, DateCodes) {
  const Case cases[] = {
      {"<Date=#>", "07/May/2014"},
      {"<Date=0>", "5240"},  // days since 2000-01-01
      {"<Date=1>", "07-05-14"},
      {"<Date=2>", "05-07-14"},
      {"<Date=3>", "14-05-07"},
      {"<Date=4>", "07-05-2014"},
      {"<Date=5>", "05-07-2014"},
      {"<Date=6>", "2014-05-07"},
      {"<Date=7>", "2014-05-07 09:05:03"},
      {"log_<date=6>.txt", "log_2014-05-07.txt"},
      // Only the first occurrence counts.
      {"<Date=1>/<Date=2>", "07-05-14/<Date=2>"},
      {"<Date=9>/<Date=2>", "<Date=9>/<Date=2>"},
      // An unknown code, a missing ">" leave the text as it is.
      {"<Date=9>", "<Date=9>"},
      {"<Date=x>", "<Date=x>"},
      {"<Date=>", "<Date=>"},
      {"<Date=6", "<Date=6"},
      // The code takes the character after it, whatever it is.
      {"<Date=6.> end", "2014-05-07> end"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST_F(OrvaneBridgeText, DateCodesFollowTheLocaleAndTheClock) {
  machine.dateSeparator = ".";
  machine.timeSeparator = "h";
  machine.now = {2005, 12, 31, 23, 59, 58, 999};
  EXPECT_EQ(Expand("<Date=#>"), "31.December.2005");
  EXPECT_EQ(Expand("<Date=7>"), "2005-12-31 23h59h58");
  EXPECT_EQ(Expand("<Date=3>"), "05-12-31");
  EXPECT_EQ(Expand("<Date=0>"), "2191");
  // Before 2000 the distance counts, with the fraction cut off.
  machine.now = {1999, 12, 30, 18, 0, 0, 0};
  EXPECT_EQ(Expand("<Date=0>"), "1");
  machine.now = {1999, 12, 29, 23, 59, 0, 0};
  EXPECT_EQ(Expand("<Date=0>"), "2");
}

TEST_F(OrvaneBridgeText, FolderVariables) {
  machine.folders = {"C:\\Windows\\System", "C:\\Windows\\Fonts"};
  const Case cases[] = {
      {"<UnInstallExePath>", ""},
      {"<RunTimeDir_1>", ""},
      {"<RunTimeDir_8> <RunTimeDir_9>", " <RunTimeDir_9>"},
      {"<Application Folder>", "C:\\Program Files\\Acme"},
      {"<Common Folder>", "C:\\Program Files\\Common Files\\Acme"},
      {"<Auxiliary Folder>", "C:\\ProgramData\\Acme"},
      {"<Windows Directory>", "C:\\Windows"},
      {"<System Directory>", "C:\\Windows\\System32"},
      {"<System16 Directory>", "C:\\Windows\\System"},
      {"<AbsoluteDir>", ""},
      {"<InstallDir>", "C:\\Program Files\\Acme"},
      {"<InstallCommonDir>", "C:\\Program Files\\Common Files\\Acme"},
      {"<InstallAuxDir>", "C:\\ProgramData\\Acme"},
      {"<WinDir>", "C:\\Windows"},
      {"<WinSysDir>", "C:\\Windows\\System32"},
      {"<WinSys32Dir>", "C:\\Windows\\System32"},
      {"<WinSys16Dir>", "C:\\Windows\\System"},
      {"<InstallDrive>|<WinDrive>|<WinSysDrive>|<OriginDrive>", "C:\\|C:\\|C:\\|E:\\"},
      {"<InstallDisk>|<WinDisk>|<WinSysDisk>|<OriginDisk>", "C:|C:|C:|E:"},
      {"<StartMenuDir>", "C:\\users\\jdoe\\Start Menu"},
      {"<ProgramFilesDir>", "C:\\Program Files"},
      {"<CommonFilesDir>", "C:\\Program Files\\Common Files"},
      {"<FontDir>", "C:\\Windows\\Fonts"},
      {"<SrcDir>", "D:\\Media"},
      {"<OriginDir>", "E:\\Setup"},
      {"<TempDir>", "C:\\users\\jdoe\\Temp"},
      {"<ServiceDir>", "D:\\Media"},
      {"<UserDir>", "C:\\users\\jdoe"},
      {"<UserAppDataDir>", "C:\\users\\jdoe\\AppData\\Roaming"},
      {"<UserLocalAppDataDir>", "C:\\users\\jdoe\\AppData\\Local"},
      {"<MyDocumentsDir>", "C:\\users\\jdoe\\Documents"},
      {"<UserStartMenuDir>", "C:\\users\\jdoe\\Start Menu"},
      {"<UserStartProgramMenuDir>", "C:\\users\\jdoe\\Start Menu\\Programs"},
      {"<UserDesktopDir>", "C:\\users\\jdoe\\Desktop"},
      {"<DocumentsAndSettingsDir>", "C:\\users"},
      {"<AllUsersDir>", "C:\\users\\Public"},
      {"<AllUsersAppDataDir>", "C:\\ProgramData"},
      {"<AllUsersDocumentsDir>", "C:\\users\\Public\\Documents"},
      {"<AllUsersStartMenuDir>", "C:\\ProgramData\\Start Menu"},
      {"<AllUsersStartProgramMenuDir>", "C:\\ProgramData\\Start Menu\\Programs"},
      {"<AllUsersDesktopDir>", "C:\\users\\Public\\Desktop"},
      {"<windir>\\<WINSYSDIR>", "C:\\Windows\\C:\\Windows\\System32"},
      {"<InstallFolder> <WinDir", "<InstallFolder> <WinDir"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;
}

TEST_F(OrvaneBridgeText, FolderVariablesNeedTheFlag) {
  EXPECT_EQ(Expand("<InstallDir>a <WinDir> <UserDir>", false, false),
            "<InstallDir>a <WinDir> <UserDir>");
}

TEST_F(OrvaneBridgeText, SuffixOnlyBeforeMorePath) {
  const Case cases[] = {
      {"<InstallDir>app.exe", "C:\\Program Files\\Acme\\app.exe"},
      {"<InstallDir>\\app.exe", "C:\\Program Files\\Acme\\app.exe"},
      {"<InstallDir>", "C:\\Program Files\\Acme"},
      {"<InstallDir> /quiet", "C:\\Program Files\\Acme /quiet"},
      {"|<WinDir>|<TempDir>|", "|C:\\Windows|C:\\users\\jdoe\\Temp|"},
      {",<WinDir>,", ",C:\\Windows,"},
      {"\"<InstallDir>\"", "\"C:\\Program Files\\Acme\""},
      {"\"<InstallDir>app.exe\" /s", "\"C:\\Program Files\\Acme\\app.exe\" /s"},
      // A letter or "<" at both ends is no delimiter.
      {"a<WinDir>a", "aC:\\Windows\\a"},
      {"<WinDir><SrcDir>", "C:\\Windows\\D:\\Media"},
      // The first occurrence decides for all of them.
      {"<WinDir> <WinDir>x", "C:\\Windows C:\\Windowsx"},
      {"<WinDir>x <WinDir>", "C:\\Windows\\x C:\\Windows\\"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;
  EXPECT_EQ(Expand("<InstallDir>app.exe", false, true, "/"), "C:\\Program Files\\Acme/app.exe");
}

TEST_F(OrvaneBridgeText, OrderOfTheSteps) {
  const Case cases[] = {
      // A long folder name before makes the installation folders markers.
      {"<Windows Directory>\\<InstallDir>x.dll", "C:\\Windows\\x.dll"},
      {"<System Directory> <InstallCommonDir>|<InstallAuxDir>", "C:\\Windows\\System32 |"},
      {"<Application Folder>\\<InstallAuxDir>a", "C:\\Program Files\\Acme\\a"},
      // The short names do not.
      {"<WinDir>\\<InstallDir>x.dll", "C:\\Windows\\C:\\Program Files\\Acme\\x.dll"},
      {"<AbsoluteDir><InstallDir>x", "C:\\Program Files\\Acme\\x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;

  // A folder naming a later variable is expanded by the later step.
  install.application = "<WinDir>\\Acme";
  EXPECT_EQ(Expand("<InstallDir>app.exe"), "C:\\Windows\\Acme\\app.exe");
  install.application = "<Windows Directory>\\Acme";
  EXPECT_EQ(Expand("<InstallDir>app.exe"), "<Windows Directory>\\Acme\\app.exe");
}

TEST_F(OrvaneBridgeText, SixteenBitSystemAndFontFolders) {
  struct FolderCase {
    const char* system;
    std::set<std::string> existing;
    const char* fonts;  // registry value, null: missing
    const char* system16;
    const char* fontDir;
  } cases[] = {
      {"C:\\Windows\\System32",
       {"C:\\Windows\\System", "D:\\Fonts"},
       "D:\\Fonts\\",
       "C:\\Windows\\System",
       "D:\\Fonts"},
      {"C:\\Windows\\System32", {}, "D:\\Fonts", "C:\\Windows\\System32", "C:\\Windows\\Fonts"},
      {"C:\\W32\\System32\\",
       {"C:\\W32\\System"},
       nullptr,
       "C:\\W32\\System",
       "C:\\Windows\\Fonts"},
      {"C:\\Windows\\SysWOW64",
       {"C:\\Windows\\System"},
       "",
       "C:\\Windows\\System",
       "C:\\Windows\\Fonts"},
  };
  for (const FolderCase& c : cases) {
    machine.system = c.system;
    machine.folders = c.existing;
    machine.registry.erase(std::string(kShellFolders) + "|Fonts");
    if (c.fonts)
      machine.registry[std::string(kShellFolders) + "|Fonts"] = c.fonts;
    EXPECT_EQ(Expand("<WinSys16Dir>"), c.system16) << c.system;
    EXPECT_EQ(Expand("<System16 Directory>"), c.system16) << c.system;
    EXPECT_EQ(Expand("<FontDir>"), c.fontDir) << c.system;
  }
}

TEST_F(OrvaneBridgeText, CollapsesDoubledBackslashes) {
  machine.own = "\\\\server\\share\\";
  struct CollapseCase {
    const char* text;
    bool dbcs;
    const char* expected;
  } cases[] = {
      {"<WinDir>\\\\\\x", false, "C:\\Windows\\x"},
      {"<WinDir> a\\\\b\\\\c", false, "C:\\Windows a\\b\\c"},
      // A network path at the start keeps its leading pair.
      {"<SrcDir>\\setup.exe", false, "\\\\server\\share\\setup.exe"},
      {"\\<SrcDir>x", false, "\\\\server\\share\\x"},
      // So does one that starts a field of a list or a quoted path.
      {"|<SrcDir>|<SrcDir>|", false, "|\\\\server\\share|\\\\server\\share|"},
      {"\"<SrcDir>\\setup.exe\"", false, "\"\\\\server\\share\\setup.exe\""},
      // A pair that ends the text stays.
      {"<WinDir>\\", false, "C:\\Windows\\\\"},
      {"<WinDir>\\\\\\", false, "C:\\Windows\\\\"},
      // A pair after a lead byte is the second byte of a character and a
      // separator.
      {"<WinDir>\\\x95\\\\x", true, "C:\\Windows\\\x95\\\\x"},
      {"<WinDir>\\\x95\\\\x", false, "C:\\Windows\\\x95\\x"},
      // Texts the folders did not change are left alone.
      {"<ComputerName>\\\\x", false, "BUILD7\\\\x"},
      {"<Unknown>\\\\x", false, "<Unknown>\\\\x"},
  };
  for (const CollapseCase& c : cases) {
    machine.dbcs = c.dbcs;
    EXPECT_EQ(Expand(c.text), c.expected) << c.text;
  }
}

TEST_F(OrvaneBridgeText, TrailingBackslashAfterALeadByteStays) {
  install.application = "C:\\\x95\\";
  machine.dbcs = true;
  EXPECT_EQ(Expand("<InstallDir>"), "C:\\\x95\\");
  machine.dbcs = false;
  EXPECT_EQ(Expand("<InstallDir>"), "C:\\\x95");
  install.application = "C\\";
  EXPECT_EQ(Expand("<InstallDir>"), "C\\");
}

TEST_F(OrvaneBridgeText, FoldsRelativeParts) {
  const Case cases[] = {
      {"<WinDir>\\..\\notepad.exe", "C:\\notepad.exe"},
      {"..\\app.exe", "C:\\app.exe"},
      {"sub\\..\\app.exe", "C:\\Work\\app.exe"},
      // Without "\.." or "..\" nothing is asked.
      {".\\app.exe", ".\\app.exe"},
      {"app.exe", "app.exe"},
      // A list: only the fields with a relative part.
      {"|..\\a.exe|b.exe|C:\\x\\..\\y|", "|C:\\a.exe|b.exe|C:\\y|"},
      {",..\\a.exe,b.exe,", ",C:\\a.exe,b.exe,"},
      {"|<InstallDir>..\\x.exe|<WinDir>|", "|C:\\Program Files\\x.exe|C:\\Windows|"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Expand(c.text, true), c.expected) << c.text;
  EXPECT_EQ(Expand("..\\app.exe", false), "..\\app.exe");
  EXPECT_EQ(Expand("<WinDir>\\..\\x", false), "C:\\Windows\\..\\x");
}

}  // namespace
}  // namespace orvane
