// The launcher reads its own package at start: the agent flag and the
// agent-log flag of an installer built by stubpack decide what it traces.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"

namespace orvane {
namespace {

using test::Quote;

struct OwnPackageCase {
  const char* label;
  std::vector<std::string> flags;  // stubpack --flag names
  const char* exeName;             // the name the installer runs under
  bool agentLine;                  // " ==== ThisIs_AutoUpdateProg=TRUE"
  bool logWritten;                 // X_Foo.log beside the executable
  std::vector<std::string> logLines;
};

TEST(OwnPackageScenario, AgentAndLogFlagsComeFromTheOwnPackage) {
  const OwnPackageCase cases[] = {
      {"plain agent with log",
       {"AgentFlag", "AgentLog"},
       "Foo.exe",
       true,
       true,
       {"   ", "   === START === ", "   Agent Version=1.0.0.1", "   DoRunStubWin() --- Start",
        "   ThisIs_Plain_AutoUpdate_Exe=TRUE", "   ThisIs_X_AutoUpdate_Exe=FALSE",
        "   CreateAndRun_X_Exe() --- Start", "   HandleParamOK() --- End",
        "   DoRunStubWin() --- End", "   === EXIT === "}},
      {"agent without log", {"AgentFlag"}, "Foo.exe", true, false, {}},
      {"log flag alone is no agent", {"AgentLog"}, "Foo.exe", false, false, {}},
      {"setup launcher", {}, "Setup.exe", false, false, {}},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string dir = test::ScratchDir("own-package-" + std::to_string(index++));
    const std::string payload = test::WriteTestFile(dir + "\\payload.txt", "payload");
    const std::string exe = dir + "\\" + c.exeName;
    // A plain agent starts its X_ copy, which runs until told to stop: end it
    // whatever happens below.
    struct EndXAgent {
      std::string path;
      ~EndXAgent() { test::EndProcessesRunning(path); }
    } endXAgent{dir + "\\X_" + c.exeName};
    std::vector<std::string> args = {
        "--stub", Quote(test::StubExe()),         "-o",    Quote(exe),
        "--file", Quote(payload + "=setup.exe*"), "--set", "Internet.AgentFile=Foo.exe",
        "--set",  "Internet.ProductToken=PT-1"};
    for (const auto& f : c.flags) {
      args.push_back("--flag");
      args.push_back(f);
    }
    ASSERT_EQ(test::RunStubpackBuild(args), 0);

    test::DebugViewer viewer;
    // The payload is no program: a setup launcher cannot start it, and
    // hidden it says so only through its exit code.
    const auto result = test::RunProcess(Quote(exe) + (c.agentLine ? "" : " /hide"), 60000, dir);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, c.agentLine ? 0u : 1603u);
    const std::string text = viewer.Text();
    EXPECT_NE(text.find(std::string(" ==== ThisIs_AutoUpdateProg=") +
                        (c.agentLine ? "TRUE" : "FALSE") + "\r\n"),
              std::string::npos)
        << text;

    const std::string written = test::ReadWholeFile(dir + "\\X_Foo.log");
    EXPECT_EQ(!written.empty(), c.logWritten) << written;
    for (const auto& line : c.logLines) {
      // Each line: "dd/mm/yy HH:NN:SS" + blank + 5-character thread id + text.
      EXPECT_NE(written.find(line), std::string::npos) << "missing: " << line << "\n" << written;
    }
    if (c.logWritten) {
      EXPECT_NE(written.find("=== START === " + exe + "\r\n"), std::string::npos) << written;
      EXPECT_NE(written.find("=== EXIT === " + exe + "\r\n"), std::string::npos) << written;
    }
  }
}

}  // namespace
}  // namespace orvane
