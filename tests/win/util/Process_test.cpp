// Process under Wine: a windowless copy of tests/harness/procprobe.exe
// found by each look-up, listed, waited for and seen to end.
#include "util/Process.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/ProcProbe.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {
namespace {

TEST(ProcessLookup, FindsAWindowlessProgramByEachStrategy) {
  const std::string dir = test::ScratchDir("process-lookup") + "\\app";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = dir + "\\prlookup.exe";
  ASSERT_TRUE(test::CopyFileTo(test::ProcProbeExe(), exe));
  test::ProcProbe probe;
  ASSERT_TRUE(probe.StartWaiting(exe, "orvane-process-lookup-stop"));

  EXPECT_TRUE(SameTextTrim(ProcessImagePath(probe.pid()), exe)) << ProcessImagePath(probe.pid());
  EXPECT_EQ(ProcessImagePath(0), "");
  for (bool firstMatch : {false, true}) {
    EXPECT_EQ(ModuleLookup(exe, true, firstMatch), probe.pid());
    EXPECT_EQ(ModuleLookup("PRLOOKUP.EXE", false, firstMatch), probe.pid());
    EXPECT_EQ(ModuleLookup("prlookup.exe", true, firstMatch), 0u) << "a name is no full path";
    EXPECT_EQ(SnapshotLookup(exe, true, firstMatch), probe.pid());
    EXPECT_EQ(SnapshotLookup(" prlookup.exe ", false, firstMatch), probe.pid());
    EXPECT_EQ(SnapshotLookup("prlookup.exe", true, firstMatch), 0u);
    EXPECT_EQ(FindProcessId(exe, true, firstMatch), probe.pid());
  }
  EXPECT_EQ(FindProcessIdByList(exe, true), probe.pid());
  EXPECT_EQ(FindProcessIdByList("\"" + exe + "\"", false), probe.pid());
  EXPECT_EQ(FindProcessIdByList("C:\\elsewhere\\prlookup.exe", true), 0u);
  // Wine's tasklist is a stub that reports nothing: not found, never another process.
  const DWORD byTasklist = TasklistLookup(exe, false);
  EXPECT_TRUE(byTasklist == 0 || byTasklist == probe.pid());
  EXPECT_EQ(TasklistLookup("orvane-nobody-runs-this.exe", false), 0u);

  const std::string names = ListProcesses(false, true);
  EXPECT_GE(SUB::IndexOf(names, "prlookup.exe=" + std::to_string(probe.pid())), 0) << names;
  EXPECT_GE(SUB::IndexOf(ListProcesses(false, false), "prlookup.exe"), 0);
  EXPECT_GE(SUB::IndexOf(ListProcesses(true, true), exe + "=" + std::to_string(probe.pid())), 0);

  probe.Stop();
  EXPECT_EQ(probe.WaitExit(10000), 0u);
  EXPECT_EQ(ModuleLookup(exe, true, false), 0u);
  EXPECT_EQ(SnapshotLookup(exe, true, false), 0u);
  EXPECT_EQ(FindProcessIdByList(exe, false), 0u);
}

TEST(ProcessWait, RunningUntilTheEndOrTheTimeIsUp) {
  const std::string dir = test::ScratchDir("process-wait") + "\\app";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = dir + "\\prwait.exe";
  ASSERT_TRUE(test::CopyFileTo(test::ProcProbeExe(), exe));
  test::ProcProbe probe;
  ASSERT_TRUE(probe.StartWaiting(exe, "orvane-process-wait-stop"));

  for (const std::string& file :
       {exe, std::string("prwait.exe"), "  \"" + exe + "\" ", std::string("D:\\other\\PRWAIT.EXE")})
    EXPECT_TRUE(IsProcessRunning(file)) << file;
  EXPECT_FALSE(IsProcessRunning("prwait2.exe"));
  EXPECT_FALSE(IsProcessRunning(""));

  // 0 ms stands for about a second.
  DWORD start = ::GetTickCount();
  WaitProcessEnd(exe, 0);
  EXPECT_GE(::GetTickCount() - start, 900u);
  EXPECT_LT(::GetTickCount() - start, 10000u);
  start = ::GetTickCount();
  WaitProcessEnd("\"" + exe + "\"", 2500);
  EXPECT_GE(::GetTickCount() - start, 2400u);
  EXPECT_TRUE(probe.Running());
  EXPECT_FALSE(WaitProcessIdEnd(probe.pid(), 500));

  // Ending while waited for: the wait ends soon after, well before its limit.
  probe.Stop();
  start = ::GetTickCount();
  WaitProcessEnd(exe, 60000);
  EXPECT_LT(::GetTickCount() - start, 30000u);
  EXPECT_FALSE(IsProcessRunning(exe));
  EXPECT_TRUE(WaitProcessIdEnd(probe.pid(), 1000));
}

}  // namespace
}  // namespace orvane
