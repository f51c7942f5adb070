// The project file and command-line settings, read into a BuildPlan.
#include "Project.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>

#include "BuildPlan.h"
#include "StubpackTestSupport.h"

namespace orvane::stubpack {
namespace {

struct GoodProject {
  const char* name;
  const char* text;
  std::function<void(const BuildPlan&)> check;
};

const GoodProject kGoodProjects[] = {
    {"minimal project",
     "[Setup]\nStub=stub.exe\nOutput=out/setup.exe\n[Files]\nengine/a.exe = setup.exe*/Q /x\n",
     [](const BuildPlan& plan) {
       EXPECT_EQ(plan.stub, "/p/stub.exe");
       EXPECT_EQ(plan.output, "/p/out/setup.exe");
       ASSERT_EQ(plan.files.size(), 1u);
       EXPECT_EQ(plan.files[0].source, "/p/engine/a.exe");
       EXPECT_EQ(plan.files[0].name, "setup.exe");
       EXPECT_TRUE(plan.files[0].isStart);
       EXPECT_EQ(plan.files[0].startArguments, "/Q /x");
       EXPECT_EQ(plan.files[0].origin.Text(), "/p/demo.ini:5");
       EXPECT_EQ(plan.maxVolumeSize, 0u);
       EXPECT_EQ(plan.firstVolume, FirstVolume::kLauncher);
       EXPECT_EQ(plan.compression, Compression::kAuto);
     }},
    {"a file without a name keeps its own; a bare star marks it as start",
     "[Files]\ndocs/readme.txt\nengine\\setup.exe = */S\n/abs/x.dll = y.dll\n",
     [](const BuildPlan& plan) {
       ASSERT_EQ(plan.files.size(), 3u);
       EXPECT_EQ(plan.files[0].name, "readme.txt");
       EXPECT_FALSE(plan.files[0].isStart);
       EXPECT_EQ(plan.files[1].source, "/p/engine/setup.exe");
       EXPECT_EQ(plan.files[1].name, "setup.exe");
       EXPECT_TRUE(plan.files[1].isStart);
       EXPECT_EQ(plan.files[1].startArguments, "/S");
       EXPECT_EQ(plan.files[2].source, "/abs/x.dll");
     }},
    {"case, blanks, quotes, comments and CRLF",
     "\xEF\xBB\xBF; a comment\r\n[setup]\r\n  stub  =  \"my stub.exe\"  \r\n# another\r\n"
     "MAXVOLUMESIZE = 650M\r\nmaxentrysize=1k\r\nFirstVolume = 001\r\nCompression = NONE\r\n",
     [](const BuildPlan& plan) {
       EXPECT_EQ(plan.stub, "/p/my stub.exe");
       EXPECT_EQ(plan.maxVolumeSize, uint64_t{650} << 20);
       EXPECT_EQ(plan.maxEntrySize, 1024u);
       EXPECT_EQ(plan.firstVolume, FirstVolume::kSeparate001);
       EXPECT_EQ(plan.compression, Compression::kNone);
     }},
    {"comments after a blank and a semicolon",
     "[Setup]\nStub = stub.exe   ; the launcher\nActivityBar = yes\t; a flag\n[Files]\n"
     "engine/a.exe = setup.exe*/Q /log ; start it\ndocs/readme.txt   ; own name\n"
     "[Language.English]\ns0 = \"A;B ; C\"  ; quoted\ns1 = Disk #2;x\ns2 = \"open\n",
     [](const BuildPlan& plan) {
       EXPECT_EQ(plan.stub, "/p/stub.exe");
       EXPECT_TRUE(plan.FlagSet(Flag::kActivityBar));
       ASSERT_EQ(plan.files.size(), 2u);
       EXPECT_EQ(plan.files[0].startArguments, "/Q /log");
       EXPECT_EQ(plan.files[1].source, "/p/docs/readme.txt");
       ASSERT_EQ(plan.languages.size(), 1u);
       const auto& strings = plan.languages[0].strings;
       ASSERT_EQ(strings.size(), 3u);
       EXPECT_EQ(strings[0].second, "A;B ; C");
       EXPECT_EQ(strings[1].second, "Disk #2;x");
       EXPECT_EQ(strings[2].second, "\"open");
     }},
    {"flags are named yes/no settings",
     "[Setup]\nShowTempNotice=yes\nRelaunchFromTemp=1\nActivityBar=true\nAgentLog=on\n"
     "InternetSetup=no\nConfirmDownload=0\nAgentCopy=false\nAgentFlag=off\n",
     [](const BuildPlan& plan) {
       EXPECT_TRUE(plan.FlagSet(Flag::kShowTempNotice));
       EXPECT_TRUE(plan.FlagSet(Flag::kRelaunchFromTemp));
       EXPECT_TRUE(plan.FlagSet(Flag::kActivityBar));
       EXPECT_TRUE(plan.FlagSet(Flag::kAgentLog));
       for (Flag flag :
            {Flag::kInternetSetup, Flag::kConfirmDownload, Flag::kAgentCopy, Flag::kAgentFlag}) {
         EXPECT_FALSE(plan.FlagSet(flag));
         EXPECT_TRUE(plan.flags[static_cast<size_t>(flag)].has_value());
       }
     }},
    {"languages keep their order and their texts",
     "[Language.English]\nCharset=0\ns1 = Extracting...\nBtnText=|&OK|&Cancel|\n"
     "[Language.German]\ns1=\"  Entpacke  \"\nFontName=Arial\n",
     [](const BuildPlan& plan) {
       ASSERT_EQ(plan.languages.size(), 2u);
       EXPECT_EQ(plan.languages[0].name, "English");
       EXPECT_EQ(plan.languages[1].name, "German");
       ASSERT_EQ(plan.languages[0].strings.size(), 3u);
       EXPECT_EQ(plan.languages[0].strings[1].first, "s1");
       EXPECT_EQ(plan.languages[0].strings[1].second, "Extracting...");
       EXPECT_EQ(plan.languages[0].strings[2].second, "|&OK|&Cancel|");
       EXPECT_EQ(plan.languages[1].strings[0].second, "  Entpacke  ");
     }},
    {"a language named again, in another case or with blanks, is the same language",
     "[Language.English]\ns0=A\n[Language.German]\ns0=B\n[Language. english ]\ns1=C\n",
     [](const BuildPlan& plan) {
       ASSERT_EQ(plan.languages.size(), 2u);
       EXPECT_EQ(plan.languages[0].name, "English");
       ASSERT_EQ(plan.languages[0].strings.size(), 2u);
       EXPECT_EQ(plan.languages[0].strings[1].second, "C");
       ASSERT_EQ(plan.languages[1].strings.size(), 1u);
       EXPECT_EQ(plan.languages[1].strings[0].second, "B");
     }},
    {"internet and download settings",
     "[Internet]\nInfoUrl=http://example.com/up\nInfoFile=prod.info\nAgentFile=agent.exe\n"
     "ProductToken=secret\nRunHidden=yes\n[Download]\nLocation=http://example.com/dl\n"
     "FileName=full.exe\nSkipLocalCopy=1\nToken=dl-secret\nSize=1234\nFile=build/full.exe\n",
     [](const BuildPlan& plan) {
       EXPECT_TRUE(plan.internet.present);
       EXPECT_EQ(plan.internet.infoUrl, "http://example.com/up");
       EXPECT_EQ(plan.internet.infoFile, "prod.info");
       EXPECT_EQ(plan.internet.agentFile, "agent.exe");
       EXPECT_EQ(plan.internet.productToken, "secret");
       EXPECT_TRUE(plan.internet.runHidden);
       EXPECT_TRUE(plan.download.present);
       EXPECT_EQ(plan.download.location, "http://example.com/dl");
       EXPECT_EQ(plan.download.fileName, "full.exe");
       EXPECT_TRUE(plan.download.skipLocalCopy);
       EXPECT_EQ(plan.download.token, "dl-secret");
       EXPECT_EQ(plan.download.size, "1234");
       EXPECT_EQ(plan.download.file, "/p/build/full.exe");
     }},
    {"a SHA-256 of the setup file, in either case",
     "[Download]\nSha256 = 0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789ABCDEF\n",
     [](const BuildPlan& plan) {
       EXPECT_EQ(plan.download.sha256,
                 "0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789ABCDEF");
     }},
    {"an empty [Download] section still makes a download block", "[Download]\n",
     [](const BuildPlan& plan) { EXPECT_TRUE(plan.download.present); }},
    {"without Output= the output is the project's name with .exe", "[Setup]\nStub=s.exe\n",
     [](const BuildPlan& plan) { EXPECT_EQ(plan.output, "/p/demo.exe"); }},
};

TEST(StubpackProject, ReadsGoodProjects) {
  for (const GoodProject& project : kGoodProjects) {
    SCOPED_TRACE(project.name);
    BuildPlan plan;
    Problems problems;
    ReadProject(project.text, "/p/demo.ini", plan, problems);
    EXPECT_FALSE(HasErrors(problems)) << problems.front().what;
    project.check(plan);
  }
}

struct BadProject {
  const char* text;
  int line;
  const char* message;
};

const BadProject kBadProjects[] = {
    {"[Setp]\nStub=a\n", 1, "unknown section [Setp]"},
    {"[Setup]\nStubb=a\n", 2, "unknown setting 'Stubb'"},
    {"[Setup]\nStub=a\nstub=b\n", 3, "'stub' is given twice"},
    {"[Setup]\nMaxVolumeSize=12X\n", 2, "MaxVolumeSize=12X is not a size"},
    {"[Setup]\nMaxVolumeSize=-5\n", 2, "is not a size"},
    {"[Setup]\nMaxEntrySize=0\n", 2, "MaxEntrySize=0"},
    {"[Setup]\nActivityBar=maybe\n", 2, "not a yes/no value"},
    {"[Setup]\nFirstVolume=002\n", 2, "use stub or 001"},
    {"[Setup]\nCompression=bzip2\n", 2, "use auto or none"},
    {"Stub=a\n", 1, "before the first [section]"},
    {"[Setup\n", 1, "must end with ']'"},
    {"[Files]\na=b\n[files]\nc=d\n", 3, "section [files] is given twice"},
    {"[Files]\n\n*.txt = a.txt\n", 3, "takes no name and no start mark"},
    {"[Files]\n= name.exe\n", 2, "needs a source file"},
    {"[Setup]\nStub\n", 2, "expected key = value"},
    {"[Internet]\nProxy=x\n", 2, "unknown setting 'Proxy' in [Internet]"},
    {"[Download]\nSkipLocalCopy=2\n", 2, "not a yes/no value"},
    {"[Download]\nToken=t\n\nSha256=abc\n", 4, "Sha256=abc is not a SHA-256 (64 hexadecimal"},
    {"[Download]\nsha256=\n", 2, "sha256= is not a SHA-256"},
    // 63 and 65 digits, a letter beyond f, a "0x" prefix.
    {"[Download]\nSha256=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcde\n", 2,
     "is not a SHA-256"},
    {"[Download]\nSha256=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef0\n", 2,
     "is not a SHA-256"},
    {"[Download]\nSha256=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdeg\n", 2,
     "is not a SHA-256"},
    {"[Download]\nSha256=0x23456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n", 2,
     "is not a SHA-256"},
};

TEST(StubpackProject, ReportsBadProjectsWithTheirLine) {
  for (const BadProject& project : kBadProjects) {
    SCOPED_TRACE(project.text);
    BuildPlan plan;
    Problems problems;
    ReadProject(project.text, "demo.ini", plan, problems);
    ASSERT_TRUE(HasErrors(problems));
    const Problem& first = problems.front();
    EXPECT_FALSE(first.warning);
    EXPECT_NE(first.what.find(project.message), std::string::npos) << first.what;
    EXPECT_EQ(first.where, "demo.ini:" + std::to_string(project.line));
  }
}

TEST(StubpackProject, CommandLineSettingsOverrideTheProject) {
  BuildPlan plan;
  Problems problems;
  ReadProject(
      "[Setup]\nStub=a.exe\nActivityBar=yes\n[Files]\nx.exe=x.exe*\n"
      "[Language.English]\ns0=Old\n",
      "/p/demo.ini", plan, problems);
  const std::string stub = "other/stub.exe", off = "no", title = "New", file = "y.txt";
  ApplySetting("Setup", "Stub", &stub, plan, problems);
  ApplySetting("Setup", "ActivityBar", &off, plan, problems);
  ApplySetting("Language.English", "s0", &title, plan, problems);
  ApplySetting("Language.German", "s0", &title, plan, problems);
  ApplySetting("Files", "docs/y.txt", nullptr, plan, problems);
  ApplySetting("Files", "z.bin", &file, plan, problems);
  ASSERT_FALSE(HasErrors(problems));
  EXPECT_EQ(plan.stub, "other/stub.exe");  // relative to the current folder
  EXPECT_FALSE(plan.FlagSet(Flag::kActivityBar));
  ASSERT_EQ(plan.languages.size(), 2u);
  ASSERT_EQ(plan.languages[0].strings.size(), 1u);
  EXPECT_EQ(plan.languages[0].strings[0].second, "New");
  EXPECT_EQ(plan.languages[1].name, "German");
  ASSERT_EQ(plan.files.size(), 3u);
  EXPECT_EQ(plan.files[1].source, "docs/y.txt");
  EXPECT_EQ(plan.files[1].name, "y.txt");
  EXPECT_EQ(plan.files[2].name, "y.txt");
  EXPECT_EQ(plan.files[2].origin.Text(), "command line");

  ApplySetting("Nowhere", "x", &file, plan, problems);
  EXPECT_TRUE(HasErrors(problems));
}

TEST(StubpackProject, WildcardsLeaveOutWhatTheBuildWrites) {
  test::TempDir dir;
  for (const char* name :
       {"a.txt", "setup.exe", "setup.exe.001", "setup.exe.002", "setup.exe.1234",
        "setup.exe.stubpack-4711.tmp", "setup.exe.003.stubpack-4711.tmp",
        // Names that only look alike are packed.
        "setup.exe.02", "setup.exe.bak", "setup.exe.stubpack-x.tmp", "xsetup.exe"})
    test::WriteBytes(dir / name, name);
  ASSERT_EQ(link((dir / "setup.exe").c_str(), (dir / "same.exe").c_str()), 0);
  struct Case {
    const char* output;
    std::vector<std::string> packed;
    const char* note;  // empty: none
  };
  const Case cases[] = {
      {"setup.exe",
       {"a.txt", "setup.exe.02", "setup.exe.bak", "setup.exe.stubpack-x.tmp", "xsetup.exe"},
       "'DIR/*' leaves out 'same.exe', 'setup.exe', 'setup.exe.001' and 4 more: the output of "
       "this build, its volumes or temporary files (p.ini:3)"},
      {"setup.exe.001",  // a first volume numbers its volumes from "setup.exe"
       {"a.txt", "same.exe", "setup.exe", "setup.exe.02", "setup.exe.bak",
        "setup.exe.stubpack-4711.tmp", "setup.exe.stubpack-x.tmp", "xsetup.exe"},
       "'DIR/*' leaves out 'setup.exe.001', 'setup.exe.002', 'setup.exe.003.stubpack-4711.tmp' "
       "and 1 more: the output of this build, its volumes or temporary files (p.ini:3)"},
      {"other/setup.exe",
       {"a.txt", "same.exe", "setup.exe", "setup.exe.001", "setup.exe.002",
        "setup.exe.003.stubpack-4711.tmp", "setup.exe.02", "setup.exe.1234", "setup.exe.bak",
        "setup.exe.stubpack-4711.tmp", "setup.exe.stubpack-x.tmp", "xsetup.exe"},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    BuildPlan plan;
    plan.output = dir / c.output;
    plan.files.push_back({dir / "*", "", false, "", Origin{"p.ini", 3}});
    Problems problems, notes;
    ExpandFileWildcards(plan, problems, notes);
    EXPECT_TRUE(problems.empty());
    std::vector<std::string> packed;
    for (const FileItem& item : plan.files) {
      EXPECT_EQ(item.source, dir / item.name);
      packed.push_back(item.name);
    }
    EXPECT_EQ(packed, c.packed);
    std::string note = c.note;
    if (note.empty()) {
      EXPECT_TRUE(notes.empty());
      continue;
    }
    note.replace(note.find("DIR"), 3, dir.path());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].what + " (" + notes[0].where + ")", note);
  }
}

TEST(StubpackProject, ParsesSizesAndBooleans) {
  struct SizeCase {
    const char* text;
    bool ok;
    uint64_t bytes;
  };
  const SizeCase sizes[] = {
      {"0", true, 0},
      {"1457664", true, 1457664},
      {"64K", true, 65536},
      {"64 KiB", true, 65536},
      {"650M", true, 681574400},
      {"650mb", true, 681574400},
      {"2G", true, 2147483648},
      {"1.5M", false, 0},
      {"", false, 0},
      {"M", false, 0},
      {"12 T", false, 0},
      {"99999999999999999999", false, 0},
      {"17179869184G", false, 0},
  };
  for (const SizeCase& c : sizes) {
    SCOPED_TRACE(c.text);
    uint64_t bytes = 7;
    EXPECT_EQ(ParseByteSize(c.text, bytes), c.ok);
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes);
    }
  }
  bool value = false;
  EXPECT_TRUE(ParseBool(" Yes ", value) && value);
  EXPECT_TRUE(ParseBool("OFF", value) && !value);
  EXPECT_FALSE(ParseBool("2", value));
  EXPECT_FALSE(ParseBool("", value));
}

}  // namespace
}  // namespace orvane::stubpack
