// The language strings under Wine: the system language from the thread
// locale, and the language a package shows to users in other countries.
//
// The language is chosen once per process, so every choice runs in a child
// process of this test program. Wine takes a process's locale from the Unix
// environment (LC_ALL) when the process starts, and a Windows child inherits
// its parent's locale whatever its environment block says; so the child is
// started through Wine's launching of Unix programs, "/usr/bin/env wine
// <this program>", with LC_ALL set. Such a child cannot be waited for, so it
// reports through a file.
#include "package/LangStringsWin.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "harness/ScopedEnv.h"
#include "harness/TestPaths.h"
#include "package/PackX.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {
namespace {

using test::ScopedEnv;

// Restores the thread locale when it goes.
class ScopedThreadLocale {
 public:
  ScopedThreadLocale() : old_(::GetThreadLocale()) {}
  ~ScopedThreadLocale() { ::SetThreadLocale(old_); }
  ScopedThreadLocale(const ScopedThreadLocale&) = delete;
  ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

 private:
  LCID old_;
};

TEST(LangStringsSystemLanguage, NamesThePrimaryLanguageOfTheThreadLocale) {
  struct Case {
    LANGID language;
    const char* name;
  } cases[] = {
      {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), "ENGLISH"},
      {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), "ENGLISH"},
      {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), "GERMAN"},
      {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_SWISS), "GERMAN"},
      {MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), "FRENCH"},
      {MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), "JAPANESE"},
      {MAKELANGID(LANG_HEBREW, SUBLANG_DEFAULT), "HEBREW"},
      {MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MEXICAN), "SPANISH"},
      // Croatian and Serbian share primary language 26; the first entry wins.
      {MAKELANGID(LANG_CROATIAN, SUBLANG_CROATIAN_CROATIA), "CROATIAN"},
      {MAKELANGID(LANG_SERBIAN, SUBLANG_SERBIAN_SERBIA_LATIN), "CROATIAN"},
      // Only the primary language counts, not the regional variant.
      {MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN), "PORTUGUESE"},
      {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), "CHINESE"},
      // Xhosa is 52, found only inside 2052.
      {MAKELANGID(LANG_XHOSA, SUBLANG_DEFAULT), "CHINESE(SIMPLIFIED)"},
      // Swahili (65) has no entry.
      {MAKELANGID(LANG_SWAHILI, SUBLANG_DEFAULT), ""},
  };
  ScopedThreadLocale restore;
  for (const Case& c : cases) {
    const LCID locale = MAKELCID(c.language, SORT_DEFAULT);
    if (!::SetThreadLocale(locale)) {
      ADD_FAILURE() << "the system refuses locale " << std::hex << locale;
      continue;
    }
    EXPECT_EQ(GetSystemLanguageName(), c.name) << std::hex << locale;
  }
}

// ---------------------------------------------------------------------------
// The child's half

constexpr char kReportVariable[] = "ORVANE_TEST_LANG_REPORT";
constexpr char kBlockVariable[] = "ORVANE_TEST_LANG_BLOCK";

std::string List(const std::string& name, const std::vector<std::string>& pairs) {
  std::string list = "\x01" + name + "\x01";
  for (const std::string& pair : pairs)
    list += pair + "\x01";
  return list;
}

std::string Block(const std::vector<std::string>& lists) {
  std::string block = "\x02";
  for (const std::string& list : lists)
    block += list + "\x02";
  return block;
}

const std::string kEnglish = List("English", {"s1=Extracting (English)"});
const std::string kGerman = List(
    "German", {"s1=Dateien werden entpackt...", "Charset=0", "FontSize=9", "FontName=Verdana"});
const std::string kFrench = List("French", {"s1 =Extraction des fichiers...", "FONTNAME=Arial"});
const std::string kHebrew =
    List("Hebrew", {"s1=Hebrew text", "Charset=177", "FontSize=10", "FontName=Arial"});

// The blocks a child can be given, by name.
std::string ChildBlock(const std::string& name) {
  if (name == "four")
    return Block({kEnglish, kGerman, kFrench, kHebrew});
  if (name == "german-french")
    return Block({kGerman, kFrench});
  if (name == "single")
    return Block({List("Deutsch", {"s1=Nur Deutsch"})});
  return {};
}

TEST(LangStringsLocaleChild, ReportsTheChosenLanguage) {
  const char* report = std::getenv(kReportVariable);
  const char* block = std::getenv(kBlockVariable);
  if (!report || !block)
    GTEST_SKIP() << "runs only as a child of LangStringsLocale";
  pack::PackageHeader first;
  first.languageBlock = ChildBlock(block);
  pack::PackageHeader second;
  second.languageBlock = Block({List("English", {"s1=second package"})});
  const TGFileInfo own(first);
  const TGFileInfo other(second);
  // name | s1 | s0 (no package has it) | charset | font size | font name | s1 of another
  // package. One call after the other: the first one chooses the language.
  std::string text = GetSystemLanguageName() + "|";
  text += GetLangString(own, "s1") + "|";
  text += GetLangString(own, "s0") + "|";
  text += std::to_string(GetCharset(own)) + "|";
  text += std::to_string(GetFontSize(own)) + "|";
  text += GetFontName(own) + "|";
  text += GetLangString(other, "s1") + "|";
  // Written aside and renamed, so that the parent never reads half a report.
  const std::string partial = std::string(report) + ".partial";
  FileHandle file(::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  DWORD written = 0;
  ASSERT_TRUE(
      ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  file.reset();
  ASSERT_TRUE(::MoveFileExA(partial.c_str(), report, MOVEFILE_REPLACE_EXISTING));
}

// ---------------------------------------------------------------------------
// The parent's half

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

constexpr char kUnixEnv[] = "Z:\\usr\\bin\\env";

// The report of a child started under `locale` with block `block`; empty when
// none came within a minute.
std::string RunLocaleChild(const char* locale, const char* block) {
  const std::string report = test::ScratchDir("lang-locale") + "\\report.txt";
  ScopedEnv lcAll("LC_ALL", locale);
  ScopedEnv lang("LANG", locale);
  ScopedEnv reportVariable(kReportVariable, report.c_str());
  ScopedEnv blockVariable(kBlockVariable, block);
  std::string commandLine = std::string(kUnixEnv) + " wine \"" + OwnPath() +
                            "\" --gtest_filter=LangStringsLocaleChild.* --gtest_brief=1";
  // The child's test output is of no interest here.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  FileHandle nul(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
    ADD_FAILURE() << "cannot start " << commandLine << ": " << GetLastErrorText();
    return {};
  }
  // Wine hands back no process that can be waited for when it starts a Unix
  // program; the report file says when the child is done.
  KernelObject processHandle(process.hProcess);
  KernelObject threadHandle(process.hThread);
  for (int waited = 0; waited < 60000; waited += 100) {
    if (test::FileExists(report))
      return test::ReadWholeFile(report);
    ::Sleep(100);
  }
  ADD_FAILURE() << "no report from the child under " << locale;
  return {};
}

TEST(LangStringsLocale, UsersInOtherCountriesSeeTheirLanguage) {
  if (!UnderWine() || !test::FileExists(kUnixEnv))
    GTEST_SKIP() << "needs Wine, which takes the locale from LC_ALL";
  struct Case {
    const char* locale;
    const char* block;
    const char* report;
  } cases[] = {
      {"de_DE.UTF-8", "four",
       "GERMAN|Dateien werden entpackt...|Orvane Installation Suite|0|9|"
       "Verdana|Dateien werden entpackt...|"},
      {"de_CH.UTF-8", "four",
       "GERMAN|Dateien werden entpackt...|Orvane Installation Suite|0|9|"
       "Verdana|Dateien werden entpackt...|"},
      {"fr_FR.UTF-8", "four",
       "FRENCH|Extraction des fichiers...|Orvane Installation Suite|0|8|"
       "Arial|Extraction des fichiers...|"},
      {"he_IL.UTF-8", "four",
       "HEBREW|Hebrew text|Orvane Installation Suite|177|10|Arial|Hebrew text|"},
      // No Japanese in the package: English stands in.
      {"ja_JP.UTF-8", "four",
       "JAPANESE|Extracting (English)|Orvane Installation Suite|0|8|Tahoma|Extracting (English)|"},
      {"en_US.UTF-8", "four",
       "ENGLISH|Extracting (English)|Orvane Installation Suite|0|8|Tahoma|Extracting (English)|"},
      // Neither the user's language nor English: the built-in texts.
      {"ja_JP.UTF-8", "german-french",
       "JAPANESE|Extracting Files...|Orvane Installation Suite|0|8|Tahoma|Extracting Files...|"},
      // A package with one language shows it everywhere.
      {"he_IL.UTF-8", "single",
       "HEBREW|Nur Deutsch|Orvane Installation Suite|0|8|Tahoma|Nur Deutsch|"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RunLocaleChild(c.locale, c.block), c.report) << c.locale << " " << c.block;
}

}  // namespace
}  // namespace orvane
