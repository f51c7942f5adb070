// The launcher started as a process, as a user or a shortcut starts it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"
#include "harness/TestPaths.h"

namespace orvane {
namespace {

using test::DebugViewer;
using test::Quote;
using test::RunProcess;

// The bare launcher carries no package: a hidden run shows no box and says
// so through its exit code.
TEST(StartupScenario, StartAndEndLinesReachTheViewerAndTheExitCodeSaysNoPackage) {
  const std::string dir = test::ScratchDir("startup with blanks");
  const std::string exe = dir + "\\Setup Demo.exe";
  ASSERT_TRUE(test::CopyFileTo(test::StubExe(), exe));
  DebugViewer viewer;
  const std::string commandLine = Quote(exe) + " /hide /WAIT = 3 /OriginExe=\"C:\\a b\\c.exe\"";
  const auto result = RunProcess(commandLine);
  ASSERT_TRUE(result.started);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 1619u);  // ERROR_INSTALL_PACKAGE_OPEN_FAILED

  const auto lines = viewer.Lines();
  ASSERT_GE(lines.size(), 4u) << viewer.Text();
  // Every line of the run starts with the same process id.
  const std::string first = lines.front();
  const std::string pid = first.substr(0, first.find(' '));
  ASSERT_FALSE(pid.empty());
  EXPECT_EQ(first, pid + " ==== STUB START ====> " + commandLine + "<");
  EXPECT_EQ(lines[1], pid + " ==== ThisIs_AutoUpdateProg=FALSE");
  EXPECT_EQ(lines[lines.size() - 2], pid + " ==== STUB END ====> " + commandLine + "<");
  EXPECT_EQ(lines.back(), "");
  // Nothing but the trace of this process arrived, and the text ends with a line break.
  EXPECT_EQ(viewer.Text().substr(viewer.Text().size() - 2), "\r\n");
}

TEST(StartupScenario, RunsQuietlyWithoutViewer) {
  ASSERT_EQ(::FindWindowA(".ZDebug.", nullptr), nullptr);
  const auto result = RunProcess(Quote(test::StubExe()) + " /SpanCdLvl=1 /hide");
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 1619u);
}

// Libraries the launcher loads at run time come from the System folder, not
// from the folder it was started from (a Downloads folder, say).
TEST(StartupScenario, PlantedLibrariesBesideTheLauncherAreNotUsed) {
  const std::string dir = test::ScratchDir("planted");
  const std::string exe = dir + "\\Setup.exe";
  ASSERT_TRUE(test::CopyFileTo(test::StubExe(), exe));
  const std::string planted = test::TestBinDir() + "\\planted.dll";
  const char* names[] = {"version.dll", "riched32.dll", "wininet.dll", "shfolder.dll"};
  for (const char* name : names)
    ASSERT_TRUE(test::CopyFileTo(planted, dir + "\\" + name));

  // The plant works: a program in the same kind of folder that loads the
  // libraries by their bare names picks up the planted copies and calls them.
  {
    const std::string probeDir = test::ScratchDir("planted-probe");
    const std::string probe = probeDir + "\\probe.exe";
    ASSERT_TRUE(test::CopyFileTo(test::TestBinDir() + "\\loadprobe.exe", probe));
    for (const char* name : names) {
      ASSERT_TRUE(test::CopyFileTo(planted, probeDir + "\\" + name));
      const auto probed = RunProcess(Quote(probe) + " " + name + " call", 60000, probeDir);
      ASSERT_TRUE(probed.finished);
      EXPECT_EQ(probed.exitCode, 0u) << name;
      EXPECT_TRUE(test::FileExists(probeDir + "\\" + name + ".loaded")) << name;
      EXPECT_TRUE(test::FileExists(probeDir + "\\" + name + ".called")) << name;
    }
  }

  // The launcher reads its own version at start, through version.dll.
  const auto result = RunProcess(Quote(exe) + " /SpanCdLvl=1 /hide", 60000, dir);
  ASSERT_TRUE(result.finished);
  EXPECT_EQ(result.exitCode, 1619u);
  for (const char* name : names) {
    EXPECT_FALSE(test::FileExists(dir + "\\" + name + ".called")) << name << " was used";
    // Wine's own system libraries import version.dll by name before the
    // launcher's first instruction runs, so only there a load is no verdict.
    if (std::string(name) != "version.dll") {
      EXPECT_FALSE(test::FileExists(dir + "\\" + name + ".loaded")) << name << " was loaded";
    }
  }
}

}  // namespace
}  // namespace orvane
