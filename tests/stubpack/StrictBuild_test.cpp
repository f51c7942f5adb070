// Strict and scriptable builds: --werror, -D with ${NAME}, COMMAND --help,
// the place of stub and output problems, and output folders made on demand.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "FileIo.h"
#include "StubpackTestSupport.h"
#include "Variables.h"

namespace orvane::stubpack {
namespace {

using test::Call;
using test::CliRun;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr const char* kHead = "[Setup]\nStub = stub.exe\n";

// A folder with a stub, an engine and a data file.
void WriteInputs(const TempDir& dir) {
  WriteBytes(dir / "stub.exe", test::FakeStub());
  WriteBytes(dir / "engine.exe", "engine");
  WriteBytes(dir / "a.txt", "A");
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(StubpackStrict, WerrorTurnsEveryWarningIntoAFailure) {
  struct Case {
    std::string project;
    const char* warning;
    const char* leftover;  // a file of an earlier build, or null
  };
  const std::string files = "[Files]\nengine.exe = setup.exe*\na.txt\n";
  const Case cases[] = {
      {kHead + files + "a.txt\n", "'a.txt' is also given at", nullptr},
      {kHead + files + "[Language.English]\nTitle = Acme\n", "the launcher reads no language key",
       nullptr},
      {kHead + std::string("ConfirmDownload = yes\n") + files,
       "ConfirmDownload has no effect without InternetSetup", nullptr},
      // Found by the builder once the files are written.
      {kHead + files, "is left from an earlier build", "p.exe.002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.warning);
    TempDir dir;
    WriteInputs(dir);
    WriteBytes(dir / "p.ini", c.project);
    if (c.leftover != nullptr)
      WriteBytes(dir / c.leftover, "old");
    const std::vector<std::string> before = dir.Names();

    const CliRun strict = Call({"build", dir / "p.ini", "--werror"});
    EXPECT_EQ(strict.code, kExitFailure);
    EXPECT_TRUE(Contains(strict.err, "stubpack: warning: ")) << strict.err;
    EXPECT_TRUE(Contains(strict.err, c.warning)) << strict.err;
    EXPECT_TRUE(Contains(strict.err, "stubpack: error: warnings are errors with --werror"))
        << strict.err;
    EXPECT_EQ(dir.Names(), before);

    const CliRun lenient = Call({"build", dir / "p.ini"});
    EXPECT_EQ(lenient.code, kExitOk) << lenient.err;
    EXPECT_TRUE(Contains(lenient.err, "stubpack: warning: ")) << lenient.err;
    EXPECT_TRUE(Contains(lenient.err, c.warning)) << lenient.err;
    EXPECT_FALSE(ReadBytes(dir / "p.exe").empty());
  }
  // Without warnings --werror changes nothing.
  TempDir dir;
  WriteInputs(dir);
  WriteBytes(dir / "p.ini", kHead + files);
  const CliRun clean = Call({"build", dir / "p.ini", "--werror"});
  EXPECT_EQ(clean.code, kExitOk) << clean.err;
  EXPECT_EQ(clean.err, "");
}

TEST(StubpackStrict, ExpandsVariables) {
  const Defines defines = {{"VERSION", "1.2"}, {"Dir", "C:\\x y"}, {"EMPTY", ""}, {"REF", "${X}"}};
  struct Case {
    const char* text;
    bool ok;
    const char* result;  // the expansion, or a part of the error
  };
  const Case cases[] = {
      {"plain $ text", true, "plain $ text"},
      {"${VERSION}", true, "1.2"},
      {"v${VERSION}-${Dir}!", true, "v1.2-C:\\x y!"},
      {"[${EMPTY}]", true, "[]"},
      {"${REF}", true, "${X}"},  // a value is not expanded again
      {"$${VERSION}", true, "${VERSION}"},
      {"$$${VERSION}", true, "$${VERSION}"},
      {"${version}", false, "variable ${version} is not defined"},
      {"${NOPE}", false, "variable ${NOPE} is not defined (give it with -D NOPE=VALUE)"},
      {"${}", false, "'${}' is not a variable name"},
      {"${A B}", false, "'${A B}' is not a variable name"},
      {"x ${VERSION", false, "'${' without '}'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string out, error;
    EXPECT_EQ(ExpandVariables(c.text, defines, out, error), c.ok);
    if (c.ok)
      EXPECT_EQ(out, c.result);
    else
      EXPECT_TRUE(Contains(error, c.result)) << error;
  }
}

TEST(StubpackStrict, DefinesFillTheProject) {
  TempDir dir;
  WriteInputs(dir);
  mkdir((dir / "v2").c_str(), 0700);
  WriteBytes(dir / "v2/engine.exe", "engine two");
  WriteBytes(dir / "p.ini", std::string(kHead) +
                                "Output = setup-${VERSION}.exe\n"
                                "[Files]\n${BIN}/engine.exe = setup.exe*/V=${VERSION}\n"
                                "[Language.English]\ns0 = \"Acme ${VERSION} ; $${NAME}\"\n");
  const CliRun run =
      Call({"build", dir / "p.ini", "-D", "VERSION=2.0", "-DBIN=v1", "--define", "BIN=v2", "-q"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  const test::Extraction extracted = test::ExtractLikeLauncher(dir / "setup-2.0.exe");
  ASSERT_TRUE(extracted.ok) << extracted.error;
  EXPECT_EQ(extracted.files.at("setup.exe"), "engine two");  // the later -D wins
  EXPECT_EQ(extracted.startEntry, "setup.exe*/V=2.0");
  const CliRun report = Call({"inspect", dir / "setup-2.0.exe", "--json"});
  EXPECT_TRUE(Contains(report.out, "\"value\": \"Acme 2.0 ; ${NAME}\"")) << report.out;

  struct Case {
    std::vector<std::string> args;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {{"build", dir / "p.ini", "-D", "BIN=v2"},
       kExitFailure,
       "variable ${VERSION} is not defined (give it with -D VERSION=VALUE) (PROJECT:3)"},
      {{"build", dir / "p.ini", "-D", "VERSION"}, kExitUsage, "-D expects NAME=VALUE"},
      {{"build", dir / "p.ini", "-D", "1.x=3"}, kExitUsage, "-D name '1.x' is not a name"},
      {{"build", dir / "p.ini", "-D"}, kExitUsage, "option '-D' needs a value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const CliRun failed = Call(c.args);
    EXPECT_EQ(failed.code, c.code);
    std::string message = c.message;
    const size_t project = message.find("PROJECT");
    if (project != std::string::npos)
      message.replace(project, 7, dir / "p.ini");
    EXPECT_TRUE(Contains(failed.err, "stubpack: error: " + message)) << failed.err;
  }
}

TEST(StubpackStrict, EveryCommandExplainsItself) {
  TempDir dir;
  struct Case {
    std::vector<std::string> args;
    const char* text;
  };
  const Case cases[] = {
      {{"build", "--help"}, "usage: stubpack build [PROJECT.ini] [options]"},
      {{"build", "p.ini", "-h"}, "-D NAME=VALUE"},
      {{"build", "--werror", "--help"}, "--werror"},
      {{"inspect", "--help"}, "usage: stubpack inspect FILE [--json]"},
      {{"keygen", "--out", dir / "k", "--help"}, "usage: stubpack keygen --out NAME"},
      {{"sign-update", "--help"}, "usage: stubpack sign-update --key NAME.key INFO"},
      {{"help"}, "SOURCE_DATE_EPOCH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CliRun run = Call(c.args);
    EXPECT_EQ(run.code, kExitOk);
    EXPECT_TRUE(Contains(run.out, c.text)) << run.out;
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(dir.Names().empty());  // keygen --help made no key
}

TEST(StubpackStrict, NamesWhereTheStubAndTheOutputWereGiven) {
  TempDir dir;
  WriteInputs(dir);
  mkdir((dir / "folder").c_str(), 0700);
  const std::string files = "[Files]\nengine.exe = setup.exe*\n";
  struct Case {
    std::string project;
    std::vector<std::string> options;
    const char* message;
    const char* where;
  };
  const Case cases[] = {
      {"[Setup]\nStub = missing.exe\n" + files, {}, "cannot read the launcher stub", "p.ini:2"},
      {"[Setup]\n\nStub = folder\n" + files, {}, "is a folder, not a launcher file", "p.ini:3"},
      {"[Setup]\nStub = engine.exe\n" + files, {}, "is not a launcher image", "p.ini:2"},
      {"[Setup]\nStub = stub.exe\n" + files,
       {"--stub", dir / "engine.exe"},
       "is not a launcher image",
       "--stub"},
      {"[Setup]\nStub = stub.exe\nOutput = a.txt/setup.exe\n" + files,
       {},
       "cannot create",
       "p.ini:3"},
      {"[Setup]\nStub = stub.exe\n" + files,
       {"-o", dir / "a.txt/setup.exe"},
       "cannot create",
       "-o"},
      {"[Setup]\nStub = stub.exe\n" + files,
       {"--output=" + (dir / "a.txt/x/setup.exe")},
       "cannot create folder",
       "--output"},
      {"[Setup]\nStub = stub.exe\nOutput = folder\n" + files, {}, "", "p.ini:3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.project);
    WriteBytes(dir / "p.ini", c.project);
    std::vector<std::string> args = {"build", dir / "p.ini"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const CliRun run = Call(args);
    EXPECT_EQ(run.code, kExitFailure);
    const std::string where = c.where[0] == '-' ? std::string(c.where) : dir.path() + "/" + c.where;
    EXPECT_TRUE(Contains(run.err, "stubpack: error: ")) << run.err;
    EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
    EXPECT_TRUE(Contains(run.err, " (" + where + ")\n")) << run.err;
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"a.txt", "engine.exe", "folder", "p.ini", "stub.exe"}));
  }
}

TEST(StubpackStrict, MakesTheMissingFoldersOfTheOutput) {
  TempDir dir;
  WriteInputs(dir);
  WriteBytes(dir / "p.ini", std::string(kHead) + "[Files]\nengine.exe = setup.exe*\na.txt\n");
  const CliRun run = Call({"build", dir / "p.ini", "-o", dir / "out/x/y/setup.exe", "-q"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_TRUE(test::ExtractLikeLauncher(dir / "out/x/y/setup.exe").ok);

  // A build that fails after making them leaves no folder behind; a folder
  // that was there stays.
  const CliRun failed = Call(
      {"build", dir / "p.ini", "-o", dir / "out/new/deeper/setup.exe", "--max-volume-size", "100"});
  EXPECT_EQ(failed.code, kExitFailure);
  EXPECT_TRUE(Contains(failed.err, "leaves no room for file data")) << failed.err;
  EXPECT_FALSE(StatFile(dir / "out/new").exists);
  EXPECT_TRUE(StatFile(dir / "out/x/y/setup.exe").exists);
}

}  // namespace
}  // namespace orvane::stubpack
