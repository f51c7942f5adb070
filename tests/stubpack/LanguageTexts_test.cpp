// Languages of a project: names the launcher chooses, texts written in UTF-8
// and stored in the code page of their Charset. Built through the command
// line, the package's language block read back as the launcher reads it.
#include "LanguageTexts.h"

#include <gtest/gtest.h>

#include "Cli.h"
#include "StubpackTestSupport.h"
#include "package/PackX.h"
#include "package/SLangId.h"

namespace orvane::stubpack {
namespace {

using test::Call;
using test::CliRun;
using test::TempDir;
using test::WriteBytes;

constexpr const char* kHead = "[Setup]\nStub = stub.exe\n[Files]\nengine.exe = setup.exe*\n";

struct Project {
  TempDir dir;
  Project() {
    WriteBytes(dir / "stub.exe", test::FakeStub());
    WriteBytes(dir / "engine.exe", "engine");
  }
  // Builds `languages` (project lines after kHead, which has 4 lines).
  CliRun Build(const std::string& languages, std::vector<std::string> options = {},
               const std::string& start = "") {
    WriteBytes(dir / "p.ini", start + kHead + languages);
    std::vector<std::string> args = {"build", dir / "p.ini", "-q"};
    args.insert(args.end(), options.begin(), options.end());
    return Call(args);
  }
  std::string LanguageBlock() const {
    const std::string bytes = test::ReadBytes(dir / "p.exe");
    return pack::ReadPackageHeader(pack::MemorySource(bytes)).languageBlock;
  }
};

TEST(StubpackLanguages, StoresTextsInTheCodePageOfTheirCharset) {
  struct Case {
    const char* name;
    std::string start;  // before the project's first line
    std::string languages;
    std::vector<std::string> options;
    std::string block;
  };
  const Case cases[] = {
      {"German without Charset: Western",
       "",
       "[Language.GERMAN]\ns1 = \"Gr\xC3\xB6\xC3\x9F"
       "e wird gepr\xC3\xBC"
       "ft\"\n",
       {},
       "\x02\x01GERMAN\x01s1=Gr\xF6\xDF"
       "e wird gepr\xFC"
       "ft\x01\x02"},
      {"a byte-order mark before the first line",
       "\xEF\xBB\xBF",
       "[Language.French]\ns0 = \xC3\x89t\xC3\xA9\n",
       {},
       "\x02\x01"
       "French\x01s0=\xC9t\xE9\x01\x02"},
      {"Russian with Charset 204: Cyrillic",
       "",
       "[Language.RUSSIAN]\nCharset = 204\ns0 = \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n",
       {},
       "\x02\x01RUSSIAN\x01"
       "Charset=204\x01s0=\xCF\xF0\xE8\xE2\xE5\xF2\x01\x02"},
      {"Japanese with Charset 128: Shift-JIS",
       "",
       "[Language.Japanese]\ns0 = \xE6\x97\xA5\xE6\x9C\xAC\nCharSet = 128\n",
       {},
       "\x02\x01Japanese\x01s0=\x93\xFA\x96\x7B\x01"
       "CharSet=128\x01\x02"},
      {"ASCII with any Charset, also one without a code page",
       "",
       "[Language.English]\nCharset = 2\nBtnText = |&OK|&Cancel|\n",
       {},
       "\x02\x01"
       "English\x01"
       "Charset=2\x01"
       "BtnText=|&OK|&Cancel|\x01\x02"},
      {"a text from the command line, in its language's code page",
       "",
       "[Language.Greek]\nCharset = 161\ns0 = Setup\n",
       {"--set", "Language.Greek.s0=\xCE\x95\xCE\xBB", "--set", "Language.German.s1=\xC3\xA4"},
       "\x02\x01Greek\x01"
       "Charset=161\x01s0=\xC5\xEB\x01\x02\x01German\x01s1=\xE4\x01\x02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Project project;
    const CliRun run = project.Build(c.languages, c.options, c.start);
    ASSERT_EQ(run.code, kExitOk) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(project.LanguageBlock(), c.block);
  }
}

TEST(StubpackLanguages, RefusesTextsTheLauncherWouldShowWrongly) {
  struct Case {
    const char* name;
    std::string languages;  // from line 5
    std::vector<std::string> options;
    std::string message;
    const char* where;
  };
  const Case cases[] = {
      {"a character Western lacks",
       "[Language.GERMAN]\ns1 = ok\ns3 = Gr\xC3\xB6\xC3\x9F"
       "e \xE1\x88\xB4\n",
       {},
       "Language.GERMAN s3: '\xE1\x88\xB4' (U+1234) cannot be shown in code page 1252",
       "p.ini:7"},
      {"Cyrillic without its Charset",
       "[Language.Russian]\ns0 = \xD0\x9F\xD1\x80\xD0\xB8\n",
       {},
       "Language.Russian s0: '\xD0\x9F' (U+041F) cannot be shown in code page 1252",
       "p.ini:6"},
      {"a project saved as Latin-1",
       "[Language.German]\n\ns1 = Entpacke \xE4\x64 ...\n",
       {},
       "Language.German s1: byte 0xE4 after 'Entpacke ' is not UTF-8; save the project file as "
       "UTF-8",
       "p.ini:7"},
      {"a character set without a code page",
       "[Language.German]\nCharset = 2\ns1 = \xC3\xA4\n",
       {},
       "Language.German s1: Charset=2 has no code page of its own; a text with characters beyond "
       "ASCII needs one of the character sets 0, 238, 204, 161, 162, 177, 178, 186, 163, 222, "
       "128, 134, 129, 136",
       "p.ini:7"},
      {"a command-line text that replaces a good one",
       "[Language.German]\ns1 = ok\n",
       {"--set", "Language.German.s1=\xD0\x96"},
       "Language.German s1: '\xD0\x96' (U+0416) cannot be shown in code page 1252",
       "command line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Project project;
    const CliRun run = project.Build(c.languages, c.options);
    EXPECT_EQ(run.code, kExitFailure);
    const std::string where = c.where == std::string("command line") ? std::string("command line")
                                                                     : project.dir / c.where;
    EXPECT_NE(run.err.find("stubpack: error: " + c.message + " (" + where + ")"), std::string::npos)
        << run.err;
    EXPECT_EQ(project.dir.Names(), (std::vector<std::string>{"engine.exe", "p.ini", "stub.exe"}));
  }
}

TEST(StubpackLanguages, TakesOnlyNamesTheLauncherChooses) {
  struct Case {
    const char* name;
    const char* languages;  // from line 5
    int code;
    const char* message;  // in stderr (DIR: the project's folder); empty: nothing there
  };
  const Case cases[] = {
      {"a name in the language itself", "[Language.English]\ns0=a\n[Language.Deutsch]\ns0=b\n",
       kExitFailure,
       "stubpack: error: the launcher never chooses a language named 'Deutsch'; name it as its "
       "table does (any case): AFRIKAANS, ALBANIAN, ARABIC, "},
      {"the list ends with the regional names", "[Language.Klingon]\n", kExitFailure,
       "SERBIAN(LATIN), SERBIAN(CYRILIC) (DIR/p.ini:5)"},
      {"a two-letter code", "[Language.de]\n", kExitFailure, "named 'de'"},
      {"names of the table in any case and with blanks",
       "[Language.german]\n[Language. english ]\n[Language.Chinese]\n", kExitOk, ""},
      {"a name a system of that language does not choose, beside another",
       "[Language.English]\n[Language.SERBIAN]\n", kExitOk,
       "stubpack: warning: the launcher chooses a language by the system's primary language, and "
       "a system in the language of SERBIAN chooses CROATIAN: this language is shown nowhere "
       "unless named [Language.CROATIAN] (DIR/p.ini:6)"},
      {"a regional name", "[Language.english]\n[Language.PORTUGUESE(BRAZIL)]\n", kExitOk,
       "a system in the language of PORTUGUESE(BRAZIL) chooses PORTUGUESE: "},
      {"the only language is shown on every system", "[Language.SERBIAN]\ns0=a\n", kExitOk, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Project project;
    const CliRun run = project.Build(c.languages);
    EXPECT_EQ(run.code, c.code) << run.err;
    std::string message = c.message;
    const size_t dir = message.find("DIR/");
    if (dir != std::string::npos)
      message.replace(dir, 4, project.dir.path() + "/");
    if (message.empty())
      EXPECT_EQ(run.err, "");
    else
      EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
}

// Every name listed is one the launcher finds in its table, and every name
// of the table is listed.
TEST(StubpackLanguages, ListsTheNamesOfTheTable) {
  const std::string names = LanguageNames() + ", ";
  size_t listed = 0;
  for (size_t at = 0, comma; (comma = names.find(", ", at)) != std::string::npos; at = comma + 2) {
    const std::string name = names.substr(at, comma - at);
    EXPECT_FALSE(LanguageIdFromName(name).empty()) << "'" << name << "'";
    ++listed;
  }
  size_t entries = 0;
  for (char c : LanguageTable())
    entries += c == '=' ? 1 : 0;
  EXPECT_EQ(listed, entries);
}

}  // namespace
}  // namespace orvane::stubpack
