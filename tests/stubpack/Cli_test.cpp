// The command line: exit codes and messages.
#include "Cli.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "StubpackTestSupport.h"

namespace orvane::stubpack {
namespace {

using test::FakeStub;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

using test::Call;
using test::CliRun;

TEST(StubpackCli, RejectsCommandLinesItCannotUnderstand) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"pack"}, "unknown command 'pack'"},
      {{"build"}, "build needs a project file or options"},
      {{"build", "a.ini", "b.ini"}, "more than one project file"},
      {{"build", "a.ini", "--frobnicate"}, "unknown option '--frobnicate'"},
      {{"build", "a.ini", "--stub"}, "option '--stub' needs a value"},
      {{"build", "--set", "NoDot=1"}, "--set expects SECTION.KEY=VALUE"},
      {{"inspect"}, "inspect needs a file"},
      {{"inspect", "a", "b"}, "inspect takes one file"},
      {{"inspect", "a", "--yaml"}, "unknown option '--yaml'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const CliRun run = Call(c.args);
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_NE(run.err.find(std::string("stubpack: error: ") + c.message), std::string::npos)
        << run.err;
  }
  const CliRun help = Call({"help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_NE(help.out.find("build [PROJECT.ini] [options]"), std::string::npos);
}

TEST(StubpackCli, BuildsAndInspectsThroughTheCommandLine) {
  TempDir dir;
  WriteBytes(dir / "stub.exe", FakeStub());
  WriteBytes(dir / "engine.exe", "engine");
  WriteBytes(dir / "a.txt", "A");
  WriteBytes(dir / "b.txt", "B");
  WriteBytes(dir / "c.log", "C");
  WriteBytes(dir / "demo.ini",
             "[Setup]\nStub = stub.exe\nActivityBar = yes\n\n[Files]\nengine.exe = setup.exe*/Q\n"
             "*.txt\n\n[Language.English]\ns0 = Demo\n");
  CliRun run =
      Call({"build", dir / "demo.ini", "--flag", "ShowTempNotice", "--set",
            "Language.English.s1=Unpacking", "--file=" + (dir / "c.log") + "=extra.log", "-v"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("stubpack: wrote " + (dir / "demo.exe")), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("4 files in 4 entries"), std::string::npos) << run.out;

  run = Call({"inspect", dir / "demo.exe", "--json"});
  EXPECT_EQ(run.code, kExitOk) << run.err;
  for (const char* member :
       {"\"name\": \"setup.exe\"", "\"name\": \"a.txt\"", "\"name\": \"b.txt\"",
        "\"name\": \"extra.log\"", "\"arguments\": \"/Q\"", "\"value\": \"Unpacking\"",
        "\"flagNames\": [\n      \"ShowTempNotice\",\n      \"ActivityBar\"\n    ]"})
    EXPECT_NE(run.out.find(member), std::string::npos) << member;

  run = Call({"inspect", dir / "demo.exe"});
  EXPECT_EQ(run.code, kExitOk);
  EXPECT_NE(run.out.find("Orvane package (valid)"), std::string::npos);

  std::string bytes = ReadBytes(dir / "demo.exe");
  bytes[bytes.size() - 74 + 12] ^= 0x40;  // the trailer's magic
  WriteBytes(dir / "demo.exe", bytes);
  run = Call({"inspect", dir / "demo.exe"});
  EXPECT_EQ(run.code, kExitFailure);
  EXPECT_NE(run.err.find("stubpack: error: no package"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("(offset " + std::to_string(bytes.size() - 74) + ")"), std::string::npos)
      << run.err;
}

TEST(StubpackCli, ABuildAgainDoesNotPackTheOneBefore) {
  // The output and its volumes lie in the folder that a wildcard packs.
  TempDir dir;
  WriteBytes(dir / "stub.exe", FakeStub());
  WriteBytes(dir / "engine.exe", "engine");
  ASSERT_EQ(mkdir((dir / "data").c_str(), 0700), 0);
  WriteBytes(dir / "data/a.bin", test::RandomBytes(6000, 1));
  WriteBytes(dir / "data/b.bin", test::RandomBytes(6000, 2));
  WriteBytes(dir / "p.ini",
             "[Setup]\nStub = stub.exe\nOutput = data/setup.exe\nMaxVolumeSize = 6000\n"
             "[Files]\nengine.exe = setup.exe*\ndata/*\n");
  const CliRun first = Call({"build", dir / "p.ini"});
  ASSERT_EQ(first.code, kExitOk) << first.err;
  EXPECT_NE(first.out.find("stubpack: 3 files in "), std::string::npos) << first.out;
  ASSERT_TRUE(test::ReadBytes(dir / "data/setup.exe.003").size() > 0);

  const CliRun again = Call({"build", dir / "p.ini"});
  ASSERT_EQ(again.code, kExitOk) << again.err;
  EXPECT_NE(again.out.find("stubpack: note: '" + (dir / "data/*") +
                           "' leaves out 'setup.exe', 'setup.exe.002', 'setup.exe.003'"),
            std::string::npos)
      << again.out;
  EXPECT_NE(again.out.find("stubpack: 3 files in "), std::string::npos) << again.out;
  EXPECT_EQ(again.out.substr(again.out.find("stubpack: 3 files")),
            first.out.substr(first.out.find("stubpack: 3 files")));

  // Named on its own, the output is refused.
  const CliRun named = Call({"build", dir / "p.ini", "--file", dir / "data/setup.exe=old.exe"});
  EXPECT_EQ(named.code, kExitFailure);
  EXPECT_NE(named.err.find("stubpack: error: the output '" + (dir / "data/setup.exe") +
                           "' is a file to pack"),
            std::string::npos)
      << named.err;
}

TEST(StubpackCli, ReportsBuildErrorsWithTheirPlaceAndWritesNothing) {
  TempDir dir;
  WriteBytes(dir / "stub.exe", FakeStub());
  WriteBytes(dir / "engine.exe", "engine");
  struct Case {
    const char* project;
    const char* message;
  };
  const Case cases[] = {
      {"[Setup]\nStub=stub.exe\n[Files]\nengine.exe = setup.exe\n",
       "error: no start entry: mark the setup program with '*'"},
      {"[Setup]\nStub=stub.exe\n[Files]\nengine.exe = setup.exe*\nengine.exe = tool.exe*\n",
       "error: a second start entry 'tool.exe'"},
      {"[Setup]\nStub=stub.exe\n[Files]\nengine.exe = ..\\setup.exe*\n", "has a folder part"},
      {"[Setup]\nStub=stub.exe\n[Files]\nmissing.exe = setup.exe*\n",
       "file '"
       "MISSING"
       "' does not exist"},
      {"[Setup]\nStub=engine.exe\n[Files]\nengine.exe = setup.exe*\n", "is not a launcher image"},
      {"[Setup]\nStub=stub.exe\nBogus=1\n",
       "unknown setting 'Bogus' in [Setup] ("
       "PROJECT"
       ":3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.project);
    WriteBytes(dir / "bad.ini", c.project);
    const CliRun run = Call({"build", dir / "bad.ini"});
    EXPECT_EQ(run.code, kExitFailure);
    std::string message = c.message;
    const size_t missing = message.find("MISSING");
    if (missing != std::string::npos)
      message.replace(missing, 7, dir / "missing.exe");
    const size_t project = message.find("PROJECT");
    if (project != std::string::npos)
      message.replace(project, 7, dir / "bad.ini");
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bad.ini", "engine.exe", "stub.exe"}));
  }
  const CliRun run = Call({"build", dir / "nope.ini"});
  EXPECT_EQ(run.code, kExitFailure);
  EXPECT_NE(run.err.find("cannot read project file"), std::string::npos);
}

}  // namespace
}  // namespace orvane::stubpack
