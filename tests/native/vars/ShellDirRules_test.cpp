// Tests of the shell folders' rules: each folder's fallback chain when the
// shell call fails or names a missing folder, the parent steps, the profile
// fallback with and without the profile folder, and the trailing-backslash
// rule (double-byte trail bytes, texts of at most 2 characters).
#include "vars/ShellDirRules.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace orvane {
namespace {

// Lead bytes of code page 932 (Shift-JIS).
bool ShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The system as fixed answers: shell answers by exact folder id (so a call
// with a wrong id or a wrong create flag gets no answer), the folders that
// exist, the Windows folder and the owner.
class FakeSystem final : public ShellDirSystem {
 public:
  std::map<int, std::string> folderPaths;
  std::map<int, std::string> specialPaths;
  std::set<std::string> existing;
  std::string windows = "C:\\WINDOWS";
  std::string owner = "bob";
  LeadBytePredicate lead = nullptr;

  std::string FolderPath(int csidl) override { return Answer(folderPaths, csidl); }
  std::string SpecialFolderPath(int csidl) override { return Answer(specialPaths, csidl); }
  bool DirectoryExists(const std::string& path) override {
    EXPECT_FALSE(path.empty()) << "an empty path is never asked about";
    return existing.count(path) != 0;
  }
  std::string WindowsFolder() override { return windows; }
  std::string RegisteredOwner() override { return owner; }
  LeadBytePredicate LeadByte() override { return lead; }

 private:
  static std::string Answer(const std::map<int, std::string>& answers, int csidl) {
    const auto it = answers.find(csidl);
    return it == answers.end() ? std::string() : it->second;
  }
};

constexpr int kCreate = kCsidlFlagCreate;

// An XP-era profile layout under "C:\Documents and Settings".
const char kDocs[] = "C:\\Documents and Settings\\bob\\My Documents";
const char kUser[] = "C:\\Documents and Settings\\bob";
const char kAllProfiles[] = "C:\\Documents and Settings";
const char kCommonAppData[] = "C:\\Documents and Settings\\All Users\\Application Data";
const char kAllUsers[] = "C:\\Documents and Settings\\All Users";
const char kProfile[] = "C:\\WINDOWS\\Profiles\\bob";

// What the shell answers on that system, and which of its folders exist.
enum Shell : unsigned {
  kNoShell = 0,
  kDocsAnswer = 1u << 0,        // CSIDL_PERSONAL answers kDocs
  kCommonAnswer = 1u << 1,      // CSIDL_COMMON_APPDATA answers kCommonAppData
  kOtherAnswers = 1u << 2,      // every other id answers a path of its own
  kDocsExist = 1u << 3,         // kDocs
  kUserExists = 1u << 4,        // kUser
  kAllProfilesExist = 1u << 5,  // kAllProfiles
  kCommonExists = 1u << 6,      // kCommonAppData
  kAllUsersExists = 1u << 7,    // kAllUsers
  kOthersExist = 1u << 8,       // the other ids' answers
  kProfileExists = 1u << 9,     // kProfile
  kFullShell = (1u << 9) - 1,   // everything answers and exists, no old profile
};

// The answers of kOtherAnswers: id (with its create flag for SHGetFolderPathA).
const std::pair<int, const char*> kOtherFolderPaths[] = {
    {kCsidlLocalAppData | kCreate, "C:\\L\\LocalAppData"},
    {kCsidlAppData | kCreate, "C:\\L\\AppData"},
    {kCsidlCommonDocuments | kCreate, "C:\\L\\CommonDocs"},
};
const std::pair<int, const char*> kOtherSpecialPaths[] = {
    {kCsidlStartMenu, "C:\\L\\StartMenu"},
    {kCsidlCommonStartMenu, "C:\\L\\CommonStartMenu"},
    {kCsidlPrograms, "C:\\L\\Programs"},
    {kCsidlCommonPrograms, "C:\\L\\CommonPrograms"},
    {kCsidlDesktopDirectory, "C:\\L\\Desktop"},
    {kCsidlCommonDesktopDirectory, "C:\\L\\CommonDesktop"},
};

void Configure(FakeSystem& system, unsigned shell) {
  if (shell & kDocsAnswer)
    system.folderPaths[kCsidlPersonal | kCreate] = kDocs;
  if (shell & kCommonAnswer)
    system.folderPaths[kCsidlCommonAppData | kCreate] = kCommonAppData;
  for (const auto& [id, path] : kOtherFolderPaths) {
    if (shell & kOtherAnswers)
      system.folderPaths[id] = path;
    if (shell & kOthersExist)
      system.existing.insert(path);
  }
  for (const auto& [id, path] : kOtherSpecialPaths) {
    if (shell & kOtherAnswers)
      system.specialPaths[id] = path;
    if (shell & kOthersExist)
      system.existing.insert(path);
  }
  const std::pair<Shell, const char*> folders[] = {
      {kDocsExist, kDocs},
      {kUserExists, kUser},
      {kAllProfilesExist, kAllProfiles},
      {kCommonExists, kCommonAppData},
      {kAllUsersExists, kAllUsers},
      {kProfileExists, kProfile},
  };
  for (const auto& [bit, path] : folders) {
    if (shell & bit)
      system.existing.insert(path);
  }
}

struct Case {
  ShellFolder folder;
  unsigned shell;
  std::initializer_list<const char*> alsoExisting;
  const char* expected;
};

void RunCases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    FakeSystem system;
    Configure(system, c.shell);
    for (const char* path : c.alsoExisting)
      system.existing.insert(path);
    EXPECT_EQ(ShellFolderPath(system, c.folder, false), c.expected)
        << "folder " << static_cast<int>(c.folder) << " shell 0x" << std::hex << c.shell;
  }
}

TEST(ShellDirRules, ProfileFolders) {
  using F = ShellFolder;
  RunCases({
      // Two levels above the documents folder: the folder of all profiles.
      {F::kDocumentsAndSettingsDir, kFullShell, {}, kAllProfiles},
      {F::kDocumentsAndSettingsDir, kFullShell & ~kAllProfilesExist, {}, "C:\\WINDOWS"},
      {F::kDocumentsAndSettingsDir, kFullShell & ~kUserExists, {kProfile}, kProfile},
      {F::kDocumentsAndSettingsDir, kFullShell & ~kDocsExist, {kProfile}, kProfile},
      {F::kDocumentsAndSettingsDir, kFullShell & ~kDocsAnswer, {}, "C:\\WINDOWS"},
      // One level above: the user's profile.
      {F::kUserDir, kFullShell, {}, kUser},
      {F::kUserDir, kFullShell & ~kAllProfilesExist, {}, kUser},
      {F::kUserDir, kFullShell & ~kUserExists, {kProfile}, kProfile},
      {F::kUserDir, kFullShell & ~kDocsExist, {}, "C:\\WINDOWS"},
      {F::kUserDir, kNoShell, {kProfile}, kProfile},
      {F::kUserDir, kNoShell, {}, "C:\\WINDOWS"},
      // The all-users profile falls back to the Windows folder only.
      {F::kAllUsersDir, kFullShell, {}, kAllUsers},
      {F::kAllUsersDir, kFullShell & ~kAllUsersExists, {kProfile}, "C:\\WINDOWS"},
      {F::kAllUsersDir, kFullShell & ~kCommonExists, {}, "C:\\WINDOWS"},
      {F::kAllUsersDir, kNoShell, {kProfile}, "C:\\WINDOWS"},
  });
}

TEST(ShellDirRules, KnownFolders) {
  using F = ShellFolder;
  const unsigned missing = kFullShell & ~kOthersExist;  // answers naming no folder
  RunCases({
      {F::kUserLocalAppDataDir, kFullShell, {}, "C:\\L\\LocalAppData"},
      {F::kUserLocalAppDataDir,
       kNoShell,
       {kProfile},
       "C:\\WINDOWS\\Profiles\\bob\\Application Data"},
      {F::kUserLocalAppDataDir, kNoShell, {}, "C:\\WINDOWS\\Application Data"},
      {F::kUserLocalAppDataDir,
       missing,
       {kProfile},
       "C:\\WINDOWS\\Profiles\\bob\\Application Data"},
      {F::kUserAppDataDir, kFullShell, {}, "C:\\L\\AppData"},
      {F::kUserAppDataDir, kNoShell, {kProfile}, "C:\\WINDOWS\\Profiles\\bob\\Application Data"},
      {F::kUserAppDataDir, missing, {}, "C:\\WINDOWS\\Application Data"},
      {F::kAllUsersAppDataDir, kFullShell, {}, kCommonAppData},
      {F::kAllUsersAppDataDir,
       kFullShell & ~kCommonExists,
       {kProfile},
       "C:\\WINDOWS\\Application Data"},
      {F::kAllUsersAppDataDir, kNoShell, {}, "C:\\WINDOWS\\Application Data"},
      {F::kMyDocumentsDir, kFullShell, {}, kDocs},
      {F::kMyDocumentsDir,
       kFullShell & ~kDocsExist,
       {kProfile},
       "C:\\WINDOWS\\Profiles\\bob\\My Documents"},
      {F::kMyDocumentsDir, kNoShell, {}, "C:\\WINDOWS\\My Documents"},
      {F::kAllUsersDocumentsDir, kFullShell, {}, "C:\\L\\CommonDocs"},
      {F::kAllUsersDocumentsDir, missing, {kProfile}, "C:\\WINDOWS\\Documents"},
      {F::kAllUsersDocumentsDir, kNoShell, {}, "C:\\WINDOWS\\Documents"},
  });
}

TEST(ShellDirRules, MenuAndDesktopFolders) {
  using F = ShellFolder;
  const unsigned missing = kFullShell & ~kOthersExist;
  const char* userStart = "C:\\Documents and Settings\\bob\\Start Menu";
  const char* userPrograms = "C:\\Documents and Settings\\bob\\Start Menu\\Programs";
  const char* userDesktop = "C:\\Documents and Settings\\bob\\Desktop";
  RunCases({
      {F::kUserStartMenuDir, kFullShell, {}, "C:\\L\\StartMenu"},
      {F::kUserStartMenuDir, missing, {userStart}, userStart},
      {F::kUserStartMenuDir, missing, {}, "C:\\Documents and Settings\\All Users\\Start Menu"},
      // The user's folder itself from the old profile.
      {F::kUserStartMenuDir,
       kNoShell,
       {kProfile, "C:\\WINDOWS\\Profiles\\bob\\Start Menu"},
       "C:\\WINDOWS\\Profiles\\bob\\Start Menu"},
      {F::kUserStartMenuDir, kNoShell, {kProfile}, "C:\\WINDOWS\\Start Menu"},
      {F::kAllUsersStartMenuDir, kFullShell, {}, "C:\\L\\CommonStartMenu"},
      {F::kAllUsersStartMenuDir,
       missing,
       {userStart},
       "C:\\Documents and Settings\\All Users\\Start Menu"},
      {F::kAllUsersStartMenuDir, kNoShell, {}, "C:\\WINDOWS\\Start Menu"},
      {F::kUserStartProgramMenuDir, kFullShell, {}, "C:\\L\\Programs"},
      {F::kUserStartProgramMenuDir, missing, {userPrograms}, userPrograms},
      // The Start menu alone is not enough.
      {F::kUserStartProgramMenuDir,
       missing,
       {userStart},
       "C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
      {F::kAllUsersStartProgramMenuDir, kFullShell, {}, "C:\\L\\CommonPrograms"},
      {F::kAllUsersStartProgramMenuDir, kNoShell, {}, "C:\\WINDOWS\\Start Menu\\Programs"},
      {F::kUserDesktopDir, kFullShell, {}, "C:\\L\\Desktop"},
      {F::kUserDesktopDir, missing, {userDesktop}, userDesktop},
      {F::kUserDesktopDir, missing, {}, "C:\\Documents and Settings\\All Users\\Desktop"},
      {F::kAllUsersDesktopDir, kFullShell, {}, "C:\\L\\CommonDesktop"},
      {F::kAllUsersDesktopDir,
       missing,
       {userDesktop},
       "C:\\Documents and Settings\\All Users\\Desktop"},
      {F::kAllUsersDesktopDir, kNoShell, {}, "C:\\WINDOWS\\Desktop"},
  });
}

TEST(ShellDirRules, ProfileFallback) {
  struct ProfileCase {
    const char* windows;
    bool profileExists;
    bool add;
    const char* expected;
  } cases[] = {
      {"C:\\WINDOWS", true, false, "C:\\WINDOWS\\Profiles\\bob"},
      {"C:\\WINDOWS", true, true, "C:\\WINDOWS\\Profiles\\bob\\"},
      {"C:\\WINDOWS", false, false, "C:\\WINDOWS"},
      {"C:\\WINDOWS", false, true, "C:\\WINDOWS\\"},
      // A Windows folder given with its backslash gets no second one.
      {"C:\\WINDOWS\\", true, false, "C:\\WINDOWS\\Profiles\\bob"},
      {"C:\\WINDOWS\\", false, false, "C:\\WINDOWS"},
  };
  for (const ProfileCase& c : cases) {
    FakeSystem system;
    system.windows = c.windows;
    if (c.profileExists)
      system.existing.insert(kProfile);
    EXPECT_EQ(ProfileFallback(system, c.add), c.expected)
        << c.windows << " exists " << c.profileExists << " add " << c.add;
  }
}

TEST(ShellDirRules, TrailingBackslashAndParent) {
  struct RuleCase {
    const char* path;
    bool dbcs;
    const char* without;
    const char* with;
    const char* parent;
  } cases[] = {
      {"C:\\Dir", false, "C:\\Dir", "C:\\Dir\\", "C:"},
      {"C:\\Dir\\", false, "C:\\Dir", "C:\\Dir\\", "C:"},
      {"C:\\A\\B", false, "C:\\A\\B", "C:\\A\\B\\", "C:\\A"},
      {"C:\\A\\B\\", false, "C:\\A\\B", "C:\\A\\B\\", "C:\\A"},
      {"C:\\", false, "C:", "C:\\", "C:"},
      // Texts of at most 2 characters keep what they have.
      {"C:", false, "C:", "C:\\", "C:"},
      {"C\\", false, "C\\", "C\\", "C\\"},
      {"\\", false, "\\", "\\", "\\"},  // a root is its own parent
      {"", false, "", "\\", ""},
      {"ab", false, "ab", "ab\\", ""},
      {"\\\\server\\share", false, "\\\\server\\share", "\\\\server\\share\\", "\\\\server"},
      // 0x95 0x5C is one double-byte character whose trail byte looks like
      // "\": it stays, and the separator comes after it.
      {"C:\\A\\\x95\\", true, "C:\\A\\\x95\\", "C:\\A\\\x95\\\\", "C:\\A"},
      {"C:\\\x95\\\\B", true, "C:\\\x95\\\\B", "C:\\\x95\\\\B\\", "C:\\\x95\\"},
      // Read single-byte, the same bytes end with a separator.
      {"C:\\A\\\x95\\", false, "C:\\A\\\x95", "C:\\A\\\x95\\", "C:\\A"},
  };
  for (const RuleCase& c : cases) {
    const LeadBytePredicate lead = c.dbcs ? ShiftJisLead : nullptr;
    EXPECT_EQ(ShellFolderTrailingBackslash(c.path, false, lead), c.without) << c.path;
    EXPECT_EQ(ShellFolderTrailingBackslash(c.path, true, lead), c.with) << c.path;
    EXPECT_EQ(ParentFolder(c.path, lead), c.parent) << c.path;
  }
}

// Every folder, from the shell or from a fallback, ends in the trailing-
// backslash rule with the code page of the system.
TEST(ShellDirRules, EveryFolderEndsInTheTrailingBackslashRule) {
  const ShellFolder all[] = {
      ShellFolder::kDocumentsAndSettingsDir,
      ShellFolder::kUserDir,
      ShellFolder::kAllUsersDir,
      ShellFolder::kUserLocalAppDataDir,
      ShellFolder::kUserAppDataDir,
      ShellFolder::kAllUsersAppDataDir,
      ShellFolder::kMyDocumentsDir,
      ShellFolder::kAllUsersDocumentsDir,
      ShellFolder::kUserStartMenuDir,
      ShellFolder::kAllUsersStartMenuDir,
      ShellFolder::kUserStartProgramMenuDir,
      ShellFolder::kAllUsersStartProgramMenuDir,
      ShellFolder::kUserDesktopDir,
      ShellFolder::kAllUsersDesktopDir,
  };
  for (const unsigned shell : {unsigned{kFullShell}, unsigned{kNoShell}}) {
    for (const ShellFolder folder : all) {
      FakeSystem system;
      Configure(system, shell);
      system.windows = "C:\\WINDOWS\\";
      const std::string without = ShellFolderPath(system, folder, false);
      const std::string with = ShellFolderPath(system, folder, true);
      EXPECT_EQ(with, without + "\\") << static_cast<int>(folder);
      EXPECT_NE(without.back(), '\\') << without;
      EXPECT_EQ(without.find("\\\\"), std::string::npos) << without;
    }
  }

  // A shell answer ending in a double-byte character whose trail byte is "\".
  FakeSystem system;
  system.lead = ShiftJisLead;
  system.specialPaths[kCsidlDesktopDirectory] = "D:\\\x95\\";
  system.existing.insert("D:\\\x95\\");
  EXPECT_EQ(ShellFolderPath(system, ShellFolder::kUserDesktopDir, false), "D:\\\x95\\");
  EXPECT_EQ(ShellFolderPath(system, ShellFolder::kUserDesktopDir, true), "D:\\\x95\\\\");
  system.lead = nullptr;
  EXPECT_EQ(ShellFolderPath(system, ShellFolder::kUserDesktopDir, false), "D:\\\x95");
}

}  // namespace
}  // namespace orvane
