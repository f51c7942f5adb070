// Utils under Wine: own paths and system folders, version resources of files
// this test stamps itself, loading libraries from the System folder only,
// Windows identification, system facts, window helpers, the message pump, the
// local clock, random numbers and the developer mode (in child processes,
// since it is read once per process).
#include "util/Utils.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"
#include "harness/ScopedEnv.h"
#include "harness/TestPaths.h"
#include "util/DateText.h"
#include "util/Handles.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsSwitch.h"
#include "util/UtilsText.h"

namespace orvane {
namespace {

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWithBackslash(const std::string& path) {
  return !path.empty() && path.back() == '\\';
}

using test::ScopedEnv;

// ---------------------------------------------------------------------------
// Switch reader over the real command line

TEST(UtilsSwitchReader, ReadsTheProcessCommandLineWithoutTheProgram) {
  const std::string tail = CommandTail();
  EXPECT_EQ(PosNoCase(tail, OwnFileName()), std::string::npos) << tail;
  // Every blank-free argument that this run was given is present as a switch.
  for (int i = 1; i < __argc; ++i) {
    const std::string argument = __argv[i];
    if (argument.find_first_of(" \"") != std::string::npos)
      continue;
    EXPECT_TRUE(HasSwitch(argument)) << argument;
  }
  EXPECT_FALSE(HasSwitch("/OrvaneNeverGiven"));
  EXPECT_EQ(GetSwitch("/OrvaneNeverGiven=", "fallback"), "fallback");
  EXPECT_EQ(GetSwitchInt("/OrvaneNeverGiven=", -7), -7);
}

// ---------------------------------------------------------------------------
// Own file and system folders

TEST(UtilsPaths, OwnFileNamesDescribeTheRunningExecutable) {
  char buffer[MAX_PATH * 4] = {};
  ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  const std::string path = OwnPath();
  EXPECT_EQ(path, buffer);
  EXPECT_TRUE(EndsWithNoCase(path, "\\win_tests.exe")) << path;
  EXPECT_EQ(LowerCaseAscii(OwnFileName()), "win_tests.exe");
  EXPECT_EQ(LowerCaseAscii(OwnFileNameNoExt()), "win_tests");
  EXPECT_EQ(OwnDir(true) + OwnFileName(), path);
}

TEST(UtilsPaths, FoldersExistAndHonourTheTrailingBackslashRequest) {
  struct Case {
    const char* name;
    std::string (*folder)(bool);
  };
  const Case cases[] = {
      {"own", OwnDir}, {"Windows", WindowsDir}, {"System", SystemDir}, {"Temp", TempDir}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string with = c.folder(true);
    const std::string without = c.folder(false);
    EXPECT_TRUE(IsDirectory(with)) << with;
    EXPECT_TRUE(IsDirectory(without)) << without;
    EXPECT_TRUE(EndsWithBackslash(with)) << with;
    EXPECT_FALSE(EndsWithBackslash(without)) << without;
    EXPECT_EQ(without + "\\", with);
  }
  EXPECT_TRUE(StartsWithNoCase(SystemDir(true), WindowsDir(true)));
}

TEST(UtilsPaths, TempFolderFollowsTheEnvironmentAndNeverBecomesTheRoot) {
  // The system names no Temp folder longer than MAX_PATH: the folder is then
  // unknown, and unknown must not turn into "\" (the current drive's root).
  std::string longPath =
      "C:\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + "\\" + std::string(120, 'c');
  struct Case {
    std::string tmp;
    std::string without;
    std::string with;
  };
  const Case cases[] = {
      {"C:\\", "C:", "C:\\"},
      {"C:\\windows", "C:\\windows", "C:\\windows\\"},
      {"C:\\windows\\", "C:\\windows", "C:\\windows\\"},
      {longPath, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tmp);
    ScopedEnv tmp("TMP", c.tmp.c_str());
    EXPECT_EQ(TempDir(false), c.without);
    EXPECT_EQ(TempDir(true), c.with);
  }
}

// ---------------------------------------------------------------------------
// Version resources

// One node of a VS_VERSIONINFO tree: a key, a binary or text value, children.
struct VersionNode {
  std::string key;
  std::string value;
  bool text = false;
  std::vector<VersionNode> children;
};

void AppendWide(std::string& out, std::string_view text) {
  for (char c : text) {
    out.push_back(c);
    out.push_back('\0');
  }
  out.append(2, '\0');
}

void Align4(std::string& out) {
  while (out.size() % 4)
    out.push_back('\0');
}

void PutWord(std::string& out, size_t at, size_t value) {
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

std::string Serialize(const VersionNode& node) {
  std::string out(6, '\0');
  AppendWide(out, node.key);
  Align4(out);
  size_t valueLength = 0;
  if (node.text) {
    AppendWide(out, node.value);
    valueLength = node.value.size() + 1;  // in characters, with the terminator
  } else {
    out += node.value;
    valueLength = node.value.size();
  }
  for (const auto& child : node.children) {
    Align4(out);
    out += Serialize(child);
  }
  PutWord(out, 0, out.size());
  PutWord(out, 2, valueLength);
  PutWord(out, 4, node.text ? 1 : 0);
  return out;
}

struct VersionStamp {
  uint16_t file[4];
  uint16_t language;
  uint16_t codePage;
  const char* stringTable;     // key of the string table, e.g. "040904b0"
  const char* productVersion;  // null: no ProductVersion string
};

std::string VersionBlock(const VersionStamp& stamp) {
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x00010000;
  fixed.dwFileVersionMS = MAKELONG(stamp.file[1], stamp.file[0]);
  fixed.dwFileVersionLS = MAKELONG(stamp.file[3], stamp.file[2]);
  fixed.dwProductVersionMS = 0x00090009;  // differs from every product string below
  fixed.dwProductVersionLS = 0x00090009;
  fixed.dwFileOS = VOS_NT_WINDOWS32;
  fixed.dwFileType = VFT_APP;

  VersionNode table{stamp.stringTable, "", true, {{"CompanyName", "Orvane tests", true, {}}}};
  if (stamp.productVersion)
    table.children.push_back({"ProductVersion", stamp.productVersion, true, {}});
  std::string translation(4, '\0');
  PutWord(translation, 0, stamp.language);
  PutWord(translation, 2, stamp.codePage);

  VersionNode root{"VS_VERSION_INFO",
                   std::string(reinterpret_cast<const char*>(&fixed), sizeof fixed),
                   false,
                   {{"StringFileInfo", "", true, {table}},
                    {"VarFileInfo", "", true, {{"Translation", translation, false, {}}}}}};
  return Serialize(root);
}

// A copy of this test executable with all its resources replaced by `block`
// (or with none when `block` is empty).
std::string StampedCopy(const std::string& dir, const std::string& name, const std::string& block) {
  const std::string path = dir + "\\" + name;
  if (!test::CopyFileTo(OwnPath(), path))
    return {};
  HANDLE update = ::BeginUpdateResourceA(path.c_str(), TRUE);
  if (!update)
    return {};
  if (!block.empty() &&
      !::UpdateResourceA(update, RT_VERSION, MAKEINTRESOURCEA(1),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), const_cast<char*>(block.data()),
                         static_cast<DWORD>(block.size()))) {
    ::EndUpdateResourceA(update, TRUE);
    return {};
  }
  return ::EndUpdateResourceA(update, FALSE) ? path : std::string();
}

struct VersionCase {
  const char* label;
  VersionStamp stamp;
  int width;
  int count;
  const char* exeVersion;
  const char* productVersion;
};

class UtilsVersionResource : public ::testing::TestWithParam<VersionCase> {};

TEST_P(UtilsVersionResource, ReadsFileAndProductVersion) {
  const VersionCase& c = GetParam();
  const std::string path = StampedCopy(test::ScratchDir(std::string("version-") + c.label),
                                       "stamped.exe", VersionBlock(c.stamp));
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(GetExeVersion(path, c.width, c.count), c.exeVersion);
  EXPECT_EQ(GetProductVersion(path, c.width, c.count), c.productVersion);
}

// US English, Unicode: the usual translation.
constexpr VersionStamp kEnglish = {{1, 2, 3, 4}, 0x0409, 0x04B0, "040904b0", "5, 6, 7, 8"};
constexpr VersionStamp kHighWords = {{65535, 65534, 0, 1}, 0x0409, 0x04B0, "040904b0", "1.0"};
constexpr VersionStamp kGerman = {{2, 0, 0, 0}, 0x0407, 0x04E4, "040704e4", "2.0 beta"};
constexpr VersionStamp kWindowsStyle = {
    {1, 2, 3, 4}, 0x0409, 0x04B0, "040904b0", "10.0.19041.1 (WinBuild.160101.0800)"};
constexpr VersionStamp kNoProduct = {{1, 2, 3, 4}, 0x0409, 0x04B0, "040904b0", nullptr};
// The translation names a table that the file does not have.
constexpr VersionStamp kOtherTable = {{1, 2, 3, 4}, 0x0407, 0x04E4, "040904b0", "5.0"};

const VersionCase kVersionCases[] = {
    {"plain", kEnglish, 1, 4, "1.2.3.4", "5. 6. 7. 8"},
    {"highWords", kHighWords, 1, 4, "65535.65534.0.1", "1.0"},
    {"german", kGerman, 1, 4, "2.0.0.0", "2.0 beta"},
    {"width3", kEnglish, 3, 4, "001.002.003.004", "005.006.007.008"},
    {"count2", kEnglish, 1, 2, "1.2", "5.6"},
    {"count3width2", kWindowsStyle, 2, 3, "01.02.03", "10.00.19041"},
    // Width 1 and a count of 4 or more leave the texts as read.
    {"count6", kWindowsStyle, 1, 6, "1.2.3.4", "10.0.19041.1 (WinBuild.160101.0800)"},
    {"noProductString", kNoProduct, 1, 4, "1.2.3.4", ""},
    {"tableOfOtherLanguage", kOtherTable, 1, 4, "1.2.3.4", ""},
};

INSTANTIATE_TEST_SUITE_P(Stamps, UtilsVersionResource, ::testing::ValuesIn(kVersionCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(UtilsVersion, FailuresGiveEmptyTextAndAReportNamingTheMethod) {
  const std::string dir = test::ScratchDir("version-failures");
  const std::string unstamped = StampedCopy(dir, "unstamped.exe", "");
  ASSERT_FALSE(unstamped.empty());
  const std::string missing = dir + "\\missing.exe";
  for (const std::string& path : {unstamped, missing}) {
    SCOPED_TRACE(path);
    test::DebugViewer viewer;
    EXPECT_EQ(GetExeVersion(path), "");
    EXPECT_EQ(GetProductVersion(path), "");
    const std::string trace = viewer.Text();
    EXPECT_NE(trace.find("Utils.GetExeVersion()"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Utils.GetProductVersion()"), std::string::npos) << trace;
    EXPECT_NE(trace.find(path), std::string::npos) << trace;
  }
}

TEST(UtilsVersion, SystemLibraryCarriesFourNumbers) {
  const std::string kernel32 = SystemDir(true) + "kernel32.dll";
  const std::string version = GetExeVersion(kernel32);
  ASSERT_FALSE(version.empty());
  EXPECT_EQ(NormalizeVersion(version, 1, 4), version) << "four plain numbers";
  EXPECT_EQ(GetExeVersion(kernel32, 6, 4), NormalizeVersion(version, 6, 4));
  EXPECT_FALSE(GetProductVersion(kernel32).empty());
}

TEST(UtilsVersion, EmptyFileNameMeansTheOwnExecutable) {
  // This test program carries no version resource, so the report names the
  // file that was read.
  test::DebugViewer viewer;
  EXPECT_EQ(GetExeVersion(), "");
  EXPECT_EQ(GetProductVersion(""), "");
  for (const char* method : {"Utils.GetExeVersion()", "Utils.GetProductVersion()"}) {
    bool named = false;
    for (const std::string& line : viewer.Lines()) {
      named = named ||
              (line.find(method) != std::string::npos && line.find(OwnPath()) != std::string::npos);
    }
    EXPECT_TRUE(named) << method << "\n" << viewer.Text();
  }
}

// ---------------------------------------------------------------------------
// Loading libraries

// Copies a System library beside this executable under `name`; removes it
// again at the end.
class PlantedLibrary {
 public:
  PlantedLibrary(const char* systemName, const char* name) : path_(OwnDir(true) + name) {
    ::DeleteFileA(path_.c_str());
    ok_ = test::CopyFileTo(SystemDir(true) + systemName, path_);
  }
  ~PlantedLibrary() { ::DeleteFileA(path_.c_str()); }
  PlantedLibrary(const PlantedLibrary&) = delete;
  PlantedLibrary& operator=(const PlantedLibrary&) = delete;
  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool ok_ = false;
};

std::string ModulePath(HMODULE module) {
  char buffer[MAX_PATH * 4] = {};
  ::GetModuleFileNameA(module, buffer, sizeof buffer);
  return buffer;
}

TEST(UtilsLibrary, LoadsEveryRuntimeLibraryFromTheSystemFolder) {
  for (const char* name :
       {"version.dll", "kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "wininet.dll",
        "psapi.dll", "riched32.dll", "shfolder.dll", "comctl32.dll"}) {
    SCOPED_TRACE(name);
    const Module module = LoadSystemLibrary(name);
    ASSERT_TRUE(module);
    EXPECT_TRUE(SameTextTrim(ModulePath(module.get()), SystemDir(true) + name))
        << ModulePath(module.get());
  }
  // Missing libraries, and names that would lead out of the System folder.
  const std::string systemFolderName = FileNamePart(SystemDir(false));
  for (const std::string& name :
       {std::string("orvane-no-such-library.dll"), std::string(""),
        "..\\" + systemFolderName + "\\version.dll", SystemDir(true) + "version.dll",
        std::string("./version.dll"), std::string("C:version.dll")}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(LoadSystemLibrary(name));
  }
}

TEST(UtilsLibrary, IgnoresLibrariesBesideTheExecutable) {
  // A library that exists only beside the executable is loadable, but not
  // through the System folder.
  PlantedLibrary onlyHere("msimg32.dll", "orvane_planted_only.dll");
  ASSERT_TRUE(onlyHere.ok());
  {
    const Module direct(::LoadLibraryExA(onlyHere.path().c_str(), nullptr, 0));
    ASSERT_TRUE(direct) << "the planted copy itself loads";
  }
  EXPECT_FALSE(LoadSystemLibrary("orvane_planted_only.dll"));
  EXPECT_FALSE(GetProcFromLibrary("orvane_planted_only.dll", "GradientFill").proc);

  // A library of a System name planted beside the executable is passed over.
  PlantedLibrary sameName("msimg32.dll", "version.dll");
  ASSERT_TRUE(sameName.ok());
  const Module module = LoadSystemLibrary("version.dll");
  ASSERT_TRUE(module);
  EXPECT_TRUE(SameTextTrim(ModulePath(module.get()), SystemDir(true) + "version.dll"));
  EXPECT_FALSE(GetExeVersion(SystemDir(true) + "kernel32.dll").empty());
}

TEST(UtilsLibrary, ProcedureLookupKeepsTheLibraryLoaded) {
  LibraryProc found = GetProcFromLibrary("version.dll", "GetFileVersionInfoSizeA");
  ASSERT_TRUE(found.module);
  ASSERT_NE(found.proc, nullptr);
  using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  DWORD ignored = 0;
  EXPECT_GT(ProcAs<SizeFn>(found.proc)((SystemDir(true) + "kernel32.dll").c_str(), &ignored), 0u);

  const LibraryProc noEntry = GetProcFromLibrary("version.dll", "OrvaneNoSuchEntry");
  EXPECT_TRUE(noEntry.module);
  EXPECT_EQ(noEntry.proc, nullptr);
  const LibraryProc noLibrary = GetProcFromLibrary("orvane-no-such-library.dll", "X");
  EXPECT_FALSE(noLibrary.module);
  EXPECT_EQ(noLibrary.proc, nullptr);
}

TEST(UtilsLibrary, RestrictedSearchSkipsTheExecutableAndCurrentFolders) {
  PlantedLibrary besideExe("msimg32.dll", "orvane_planted_exe.dll");
  ASSERT_TRUE(besideExe.ok());
  const std::string current = test::ScratchDir("dll-current");
  ASSERT_TRUE(
      test::CopyFileTo(SystemDir(true) + "msimg32.dll", current + "\\orvane_planted_cd.dll"));
  char oldCurrent[MAX_PATH * 4] = {};
  ::GetCurrentDirectoryA(sizeof oldCurrent, oldCurrent);
  ASSERT_TRUE(::SetCurrentDirectoryA(current.c_str()));

  RestrictDllSearchToSystem();
  EXPECT_FALSE(Module(::LoadLibraryA("orvane_planted_exe.dll")));
  EXPECT_FALSE(Module(::LoadLibraryA("orvane_planted_cd.dll")));
  // System libraries are still found by name.
  const Module system(::LoadLibraryA("msimg32.dll"));
  ASSERT_TRUE(system);
  EXPECT_TRUE(SameTextTrim(ModulePath(system.get()), SystemDir(true) + "msimg32.dll"));

  ::SetCurrentDirectoryA(oldCurrent);
}

// ---------------------------------------------------------------------------
// Windows identification

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);

TEST(UtilsOsIdentity, FieldsAgreeWithEachOtherAndWithTheKernel) {
  const OsVersionRecord& record = GetOsVersionRecord();
  EXPECT_TRUE(IsNT());
  EXPECT_EQ(record.platformId, static_cast<uint32_t>(VER_PLATFORM_WIN32_NT));

  // The kernel's own report is never under-stated.
  OSVERSIONINFOEXW kernel{};
  kernel.dwOSVersionInfoSize = sizeof kernel;
  auto rtlGetVersion =
      ProcAs<RtlGetVersionFn>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion"));
  ASSERT_NE(rtlGetVersion, nullptr);
  ASSERT_EQ(rtlGetVersion(&kernel), 0);
  EXPECT_EQ(record.version.major, kernel.dwMajorVersion);
  EXPECT_EQ(record.version.minor, kernel.dwMinorVersion);

  EXPECT_EQ(GetOSVersion(),
            std::to_string(record.version.major) + "." + std::to_string(record.version.minor));
  EXPECT_EQ(GetServicePack(), Trim(GetServicePack()));
  EXPECT_EQ(IsXP(), GetOSVersion() == "5.1");
  EXPECT_EQ(IsWin8OrLater(),
            record.version.major > 6 || (record.version.major == 6 && record.version.minor >= 2));
  EXPECT_EQ(IsServer(), record.productType == VER_NT_SERVER ||
                            record.productType == VER_NT_DOMAIN_CONTROLLER ||
                            ::GetSystemMetrics(SM_SERVERR2) != 0);
#ifdef _WIN64
  EXPECT_TRUE(IsWin64());
#endif
}

TEST(UtilsOsIdentity, CodeIsTheBitOfTheName) {
  const std::map<std::string, uint32_t> bits = {
      {"NT", 8},          {"2000", 16},           {"XP", 32},          {"2003", 64},
      {"Vista", 128},     {"XP.64", 256},         {"Vista.64", 512},   {"7", 1024},
      {"7.64", 2048},     {"2008", 4096},         {"2008.64", 8192},   {"2008R2.64", 16384},
      {"8", 32768},       {"8.64", 65536},        {"2012.64", 131072}, {"8.1", 262144},
      {"8.1.64", 524288}, {"2012R2.64", 1048576}, {"10", 2097152},     {"10.64", 4194304},
      {"NTx", 8}};
  const std::string name = GetOSName();
  ASSERT_EQ(bits.count(name), 1u) << name;
  EXPECT_EQ(GetOSCode(), bits.at(name)) << name;
  // 64-bit Windows names its editions from XP x64 (5.2) on with ".64".
  const OsVersionNumbers& version = GetOsVersionRecord().version;
  if (IsWin64() && (version.major > 5 || (version.major == 5 && version.minor == 2))) {
    EXPECT_TRUE(EndsWithNoCase(name, ".64")) << name;
  }
}

// ---------------------------------------------------------------------------
// System facts

TEST(UtilsSystemInfo, LastErrorTextNamesTheErrorOrSaysItCannot) {
  struct Case {
    DWORD code;
    bool known;
  };
  const Case cases[] = {{ERROR_FILE_NOT_FOUND, true},
                        {ERROR_ACCESS_DENIED, true},
                        {ERROR_PATH_NOT_FOUND, true},
                        {0x2F00F123, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    ::SetLastError(c.code);
    const std::string text = GetLastErrorText();
    if (c.known) {
      EXPECT_FALSE(text.empty());
      EXPECT_EQ(text, TrimRight(text)) << "no line break at the end";
      EXPECT_EQ(text, SystemErrorText(c.code));
    } else {
      EXPECT_EQ(text, "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"");
      EXPECT_EQ(SystemErrorText(c.code), "");
    }
  }
  EXPECT_NE(SystemErrorText(ERROR_FILE_NOT_FOUND), SystemErrorText(ERROR_ACCESS_DENIED));
}

// Writes and restores values under the installation's CurrentVersion key.
class ScopedRegValue {
 public:
  ScopedRegValue(const char* name, const char* value) : name_(name) {
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
    if (!key_)
      return;
    char buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    had_ = ::RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
               ERROR_SUCCESS &&
           type == REG_SZ;
    if (had_)
      old_.assign(buffer, size > 0 ? size - 1 : 0);
    Set(value);
  }
  ~ScopedRegValue() {
    if (!key_)
      return;
    Set(had_ ? old_.c_str() : nullptr);
    ::RegCloseKey(key_);
  }
  ScopedRegValue(const ScopedRegValue&) = delete;
  ScopedRegValue& operator=(const ScopedRegValue&) = delete;
  bool ok() const { return key_ != nullptr; }

 private:
  static constexpr const char* kKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  void Set(const char* value) {
    if (value) {
      ::RegSetValueExA(key_, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
    } else {
      ::RegDeleteValueA(key_, name_.c_str());
    }
  }
  std::string name_;
  std::string old_;
  bool had_ = false;
  HKEY key_ = nullptr;
};

TEST(UtilsSystemInfo, RegisteredOwnerAndOrganizationAreTrimmedWithUserFallback) {
  const std::string user = GetLoggedOnUserName();
  ASSERT_FALSE(user.empty());
  struct Case {
    const char* owner;  // null: value absent
    const char* organization;
    std::string expectedOwner;
    std::string expectedOrganization;
  };
  const Case cases[] = {
      {"  Jane Doe \t", " Example Ltd ", "Jane Doe", "Example Ltd"},
      {nullptr, nullptr, user, ""},
      {"   ", "", user, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expectedOwner);
    ScopedRegValue owner("RegisteredOwner", c.owner);
    ScopedRegValue organization("RegisteredOrganization", c.organization);
    ASSERT_TRUE(owner.ok() && organization.ok());
    EXPECT_EQ(GetRegisteredOwner(), c.expectedOwner);
    EXPECT_EQ(GetRegisteredOrganization(), c.expectedOrganization);
  }
}

TEST(UtilsSystemInfo, DomainOfTheUserIsTheAccountsReferencedDomain) {
  const std::string domain = GetCurrentDomainName();
  ASSERT_FALSE(domain.empty());
  EXPECT_EQ(domain.find('\0'), std::string::npos);
  // The account is found again under the qualified name.
  const std::string qualified = domain + "\\" + GetLoggedOnUserName();
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  char referenced[256];
  DWORD referencedSize = sizeof referenced;
  SID_NAME_USE use;
  EXPECT_TRUE(::LookupAccountNameA(nullptr, qualified.c_str(), sid, &sidSize, referenced,
                                   &referencedSize, &use))
      << qualified;
}

// ---------------------------------------------------------------------------
// Windows and screen

// A window class of this test whose procedure counts what it receives.
struct WindowLog {
  int appMessages = 0;
  std::string chars;
};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* log = reinterpret_cast<WindowLog*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (log && message == WM_APP) {
    ++log->appMessages;
    return 0;
  }
  if (log && message == WM_CHAR) {
    log->chars.push_back(static_cast<char>(wParam));
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

constexpr char kTestClass[] = "OrvaneUtilsTestWindow";

class TestWindow {
 public:
  explicit TestWindow(const char* title = "", HWND owner = nullptr) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kTestClass;
    ::RegisterClassA(&wc);  // fails harmlessly when already registered
    window_ = ::CreateWindowExA(0, kTestClass, title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, owner,
                                nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log_));
  }
  ~TestWindow() {
    if (window_)
      ::DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }
  WindowLog& log() { return log_; }

 private:
  HWND window_ = nullptr;
  WindowLog log_;
};

TEST(UtilsWindows, CentreInWorkAreaRoundsHalvesDown) {
  RECT area{};
  ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  const int areaWidth = area.right - area.left;
  const int areaHeight = area.bottom - area.top;
  struct Case {
    int widthLess;  // window size = work area size - this
    int heightLess;
    int left;  // offset from the work area's left and top
    int top;
  };
  const Case cases[] = {
      {10, 20, 5, 10}, {11, 21, 5, 10}, {0, 0, 0, 0}, {-1, -3, -1, -2}, {-4, -5, -2, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.widthLess);
    const POINT at = CentreInWorkArea(areaWidth - c.widthLess, areaHeight - c.heightLess);
    EXPECT_EQ(at.x, area.left + c.left);
    EXPECT_EQ(at.y, area.top + c.top);
  }
}

TEST(UtilsWindows, TopLevelOwnerFollowsTheOwnerChain) {
  TestWindow root;
  TestWindow middle("", root.get());
  TestWindow leaf("", middle.get());
  ASSERT_TRUE(root.get() && middle.get() && leaf.get());
  EXPECT_EQ(TopLevelOwner(leaf.get()), root.get());
  EXPECT_EQ(TopLevelOwner(middle.get()), root.get());
  EXPECT_EQ(TopLevelOwner(root.get()), root.get());
  EXPECT_EQ(TopLevelOwner(nullptr), nullptr);
}

TEST(UtilsWindows, ClassNameAndTextOfAWindow) {
  TestWindow window("Orvane window text");
  ASSERT_TRUE(window.get());
  EXPECT_EQ(WindowClassName(window.get()), kTestClass);
  EXPECT_EQ(WindowText(window.get()), "Orvane window text");
  // The text is read through a buffer of 102401 bytes.
  const std::string longTitle(150000, 'x');
  ASSERT_TRUE(::SetWindowTextA(window.get(), longTitle.c_str()));
  EXPECT_EQ(WindowText(window.get()), std::string(102400, 'x'));
  ::SetWindowTextA(window.get(), "");
  EXPECT_EQ(WindowText(window.get()), "");
  EXPECT_EQ(WindowClassName(nullptr), "");
  EXPECT_EQ(WindowText(nullptr), "");
}

TEST(UtilsWindows, PixelsFromPointsScalesByTheScreenResolution) {
  const int dpi = ::GetDeviceCaps(DeviceContext(nullptr).get(), LOGPIXELSY);
  ASSERT_GT(dpi, 0);
  EXPECT_EQ(PixelsFromPoints(72), dpi);
  EXPECT_EQ(PixelsFromPoints(0), 0);
  EXPECT_EQ(PixelsFromPoints(144), 2 * dpi);
  EXPECT_EQ(PixelsFromPoints(-72), -dpi);
  if (dpi == 96) {
    EXPECT_EQ(PixelsFromPoints(9), 12);
    EXPECT_EQ(PixelsFromPoints(8), 11);  // 10.67 rounds to the nearest pixel
  }
}

// ---------------------------------------------------------------------------
// Message pump and clocks

TEST(UtilsYield, WaitLastsAtLeastTheDurationOnEveryClock) {
  struct Case {
    uint32_t step;
    uint32_t duration;
    double atLeast;
  };
  const Case cases[] = {
      {0, 200, 200},
      {0, 30, 30},
      // Whole steps: 100 ms passes until 150 ms are over, so two of them.
      {100, 150, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.duration);
    const double start = MilliSecondsNow();
    const DWORD startTicks = ::GetTickCount();
    const double end = YieldWait(c.step, c.duration);
    EXPECT_GE(end - start, c.atLeast);
    EXPECT_GE(MilliSecondsNow(), end);
    // Ticks have a coarser resolution.
    EXPECT_GE(static_cast<double>(::GetTickCount() - startTicks) + 20, c.atLeast);
    EXPECT_LT(end - start, c.atLeast + 1000) << "returns once the time is over";
  }
}

TEST(UtilsYield, ZeroDurationMakesOneShortPass) {
  TestWindow window;
  ASSERT_TRUE(window.get());
  ASSERT_TRUE(::PostMessageA(window.get(), WM_APP, 0, 0));
  const DWORD start = ::GetTickCount();
  YieldWait(0, 0);
  EXPECT_LT(::GetTickCount() - start, 500u);
  EXPECT_EQ(window.log().appMessages, 1);
}

TEST(UtilsYield, DispatchesAndTranslatesPostedMessages) {
  TestWindow window;
  ASSERT_TRUE(window.get());
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(::PostMessageA(window.get(), WM_APP, 0, 0));
  // A key press becomes a character through the translation step.
  ASSERT_TRUE(::PostMessageA(window.get(), WM_KEYDOWN, 'A', 0x001E0001));
  YieldWait(0, 50);
  EXPECT_EQ(window.log().appMessages, 3);
  EXPECT_EQ(LowerCaseAscii(window.log().chars), "a");
}

TEST(UtilsYield, QuitMessageStaysForTheMainLoop) {
  TestWindow window;
  ASSERT_TRUE(window.get());
  ASSERT_TRUE(::PostMessageA(window.get(), WM_APP, 0, 0));
  ::PostQuitMessage(7);
  YieldX(0);
  YieldWait(0, 20);
  EXPECT_EQ(window.log().appMessages, 1);
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  // Nothing else is left behind.
  EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(UtilsYield, BothClocksCountMilliseconds) {
  for (double (*clock)() : {MilliSecondsNow, TimingMilliSecondsNow}) {
    const double start = clock();
    const DWORD startTicks = ::GetTickCount();
    ::Sleep(300);
    const double elapsed = clock() - start;
    const double elapsedTicks = ::GetTickCount() - startTicks;
    EXPECT_GE(elapsed, 295);
    EXPECT_NEAR(elapsed, elapsedTicks, 40);
  }
}

double MomentOf(const SYSTEMTIME& t) {
  return MomentFromLocalTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                             t.wMilliseconds);
}

TEST(UtilsClock, LocalMomentNowIsTheLocalTime) {
  SYSTEMTIME before;
  ::GetLocalTime(&before);
  const double now = LocalMomentNow();
  SYSTEMTIME after;
  ::GetLocalTime(&after);
  EXPECT_GT(now, 43000.0);  // after 2017
  EXPECT_LE(MomentOf(before), now);
  EXPECT_LE(now, MomentOf(after));

  // With this clock a stamp of -1 shows the moment of the call.
  const double first = LocalMomentNow();
  const std::string stamp = TimeStamp(-1, " ", LocalMomentNow);
  const double last = LocalMomentNow();
  EXPECT_TRUE(stamp == TimeStamp(first, " ", nullptr) || stamp == TimeStamp(last, " ", nullptr))
      << stamp;
}

TEST(UtilsRandom, RandomInRangeStaysInRangeAndCoversIt) {
  std::set<int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int64_t r = RandomInRange(-2, 3);
    ASSERT_GE(r, -2);
    ASSERT_LE(r, 3);
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 6u);
  EXPECT_EQ(RandomInRange(7, 7), 7);
  EXPECT_EQ(RandomInRange(9, 3), 9);
  std::set<int64_t> extremes;
  for (int i = 0; i < 200; ++i) {
    extremes.insert(RandomInRange(INT64_MIN, INT64_MIN + 1));
    extremes.insert(RandomInRange(INT64_MAX - 1, INT64_MAX));
  }
  EXPECT_EQ(extremes, (std::set<int64_t>{INT64_MIN, INT64_MIN + 1, INT64_MAX - 1, INT64_MAX}));
  // The whole 64-bit range: 1000 draws all different.
  std::set<int64_t> wide;
  for (int i = 0; i < 1000; ++i)
    wide.insert(RandomInRange(INT64_MIN, INT64_MAX));
  EXPECT_EQ(wide.size(), 1000u);
}

TEST(UtilsRandom, FolderNumbersAreEvenlySpread) {
  // The working folders' range, in ten bins of 9000 numbers (the last one
  // also holds 100000): every bin gets its tenth of 20000 draws, give or take
  // far more than chance allows.
  int bins[10] = {};
  for (int i = 0; i < 20000; ++i) {
    const int64_t r = RandomInRange(10000, 100000);
    ASSERT_GE(r, 10000);
    ASSERT_LE(r, 100000);
    ++bins[r == 100000 ? 9 : (r - 10000) / 9000];
  }
  for (int count : bins)
    EXPECT_NEAR(count, 2000, 300);
}

constexpr char kDrawFileVariable[] = "ORVANE_TEST_DRAW_FILE";

// The child's half: skipped unless started by the test below.
TEST(UtilsRandomChild, WritesItsFirstDraw) {
  const char* file = std::getenv(kDrawFileVariable);
  if (!file)
    GTEST_SKIP() << "runs only as a child of UtilsRandom.EveryProcessDrawsOtherNumbers";
  const std::string draw = DecimalText(RandomInRange(INT64_MIN, INT64_MAX));
  const FileHandle out(::CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(out);
  DWORD written = 0;
  ASSERT_TRUE(
      ::WriteFile(out.get(), draw.data(), static_cast<DWORD>(draw.size()), &written, nullptr));
}

TEST(UtilsRandom, EveryProcessDrawsOtherNumbers) {
  // Children of this program write their first draws; a generator seeded
  // alike in every run would write the same number each time.
  const std::string dir = test::ScratchDir("random-draws");
  std::set<std::string> draws;
  for (int i = 0; i < 3; ++i) {
    const std::string file = dir + "\\draw" + std::to_string(i) + ".txt";
    ScopedEnv variable(kDrawFileVariable, file.c_str());
    ASSERT_EQ(test::RunQuietProcess("\"" + OwnPath() +
                                    "\" --gtest_filter=UtilsRandomChild.* --gtest_brief=1"),
              0);
    const std::string draw = test::ReadWholeFile(file);
    ASSERT_FALSE(draw.empty());
    draws.insert(draw);
  }
  EXPECT_EQ(draws.size(), 3u);
}

// ---------------------------------------------------------------------------
// Shell

TEST(UtilsShell, RunDocumentReportsTheShellsAnswer) {
  EXPECT_FALSE(RunDocument(test::ScratchDir("run-document") + "\\missing.txt"));
  // cmd ends by itself at once.
  EXPECT_TRUE(RunDocument(SystemDir(true) + "cmd.exe", "/c exit 0", SW_HIDE));
}

// ---------------------------------------------------------------------------
// Developer mode: read once per process, so every case runs in a child
// process of this test program with the variable set as the case says.

constexpr char kExpectVariable[] = "ORVANE_TEST_EXPECT_DVX";

// The child's half: skipped unless started by UtilsDeveloperMode below.
TEST(UtilsDeveloperModeChild, MatchesTheExpectationAndStaysCached) {
  const char* expected = std::getenv(kExpectVariable);
  if (!expected)
    GTEST_SKIP() << "runs only as a child of UtilsDeveloperMode";
  const bool on = std::string(expected) == "1";
  EXPECT_EQ(IsDeveloperMode(), on);
  ::SetEnvironmentVariableA("DVX", on ? "0" : "719");
  EXPECT_EQ(IsDeveloperMode(), on) << "read once per process";
}

// Exit code of this program run as a child with the given environment
// changes, or -1 when it could not run.
int RunChild(const char* dvx, const char* expect) {
  ScopedEnv dvxVariable("DVX", dvx);
  ScopedEnv expectVariable(kExpectVariable, expect);
  std::string commandLine =
      "\"" + OwnPath() + "\" --gtest_filter=UtilsDeveloperModeChild.* --gtest_brief=1";
  return test::RunQuietProcess(commandLine);
}

TEST(UtilsDeveloperMode, OnlyTheExactCodeSwitchesItOn) {
  struct Case {
    const char* dvx;  // null: not set
    bool on;
  };
  const Case cases[] = {{"719", true},   {nullptr, false}, {"", false},   {"0719", false},
                        {" 719", false}, {"719 ", false},  {"71", false}, {"7190", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dvx ? c.dvx : "(unset)");
    EXPECT_EQ(RunChild(c.dvx, c.on ? "1" : "0"), 0);
  }
  // The child really checks: a wrong expectation fails it.
  EXPECT_NE(RunChild("719", "0"), 0);
}

}  // namespace
}  // namespace orvane
