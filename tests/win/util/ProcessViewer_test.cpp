// ProcessViewer and Process under Wine, on real processes: copies of
// tests/harness/procprobe.exe with windows (a main window owning two
// dialogs), without any, ignoring WM_CLOSE or WM_QUIT, or hung; two copies
// of one program in two folders, of which a full-path request must only
// ever reach the named one.
#include "util/ProcessViewer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "harness/ProcProbe.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {
namespace {

using test::ProcProbe;

// A copy of the probe under `name` in a folder of its own below `base`.
std::string ProbeCopy(const std::string& base, const std::string& folder, const std::string& name) {
  const std::string dir = base + "\\" + folder;
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = dir + "\\" + name;
  return test::CopyFileTo(test::ProcProbeExe(), exe) ? exe : std::string();
}

DWORD Elapsed(DWORD start) {
  return ::GetTickCount() - start;
}

TEST(ProcessViewerMainWindow, TheWindowOwningTwoDialogsWins) {
  const std::string exe = ProbeCopy(test::ScratchDir("pv-main"), "app", "pvmain.exe");
  ASSERT_FALSE(exe.empty());
  ProcProbe probe;
  ASSERT_TRUE(probe.Start(exe, "window \"PV main\"", "PV main"));

  // The windows as the scoring sees them: the main window owns both dialogs.
  std::unique_ptr<TAnalizer> analizer(new TAnalizer);
  analizer->Clear(static_cast<int32_t>(probe.pid()));
  const std::vector<HWND> windows = test::TopLevelWindowsOf(probe.pid());
  int dialogs = 0;
  for (HWND window : windows) {
    const bool titled = ::GetWindowTextLengthA(window) > 0;
    const bool visible = ::IsWindowVisible(window) != 0;
    if (window != probe.main() && TopLevelOwner(window) == probe.main() && titled && visible)
      ++dialogs;
    analizer->Add({reinterpret_cast<uintptr_t>(window),
                   reinterpret_cast<uintptr_t>(TopLevelOwner(window)), titled, visible});
  }
  ASSERT_EQ(dialogs, 2);
  analizer->Score();
  const int main = analizer->MainIndex();
  ASSERT_GE(main, 0);
  EXPECT_EQ(reinterpret_cast<HWND>(analizer->window(main).window), probe.main());
  // 4 for each of the three windows it is the top owner of (Wine may add a
  // hidden window of its own to the process, owned or not), 2 + 1 for its
  // title and visibility; a dialog owns nothing: 2 + 1.
  EXPECT_GE(analizer->score(main), 3 * 4 + 2 + 1);
  for (size_t i = 0; i < analizer->count(); ++i) {
    if (TopLevelOwner(reinterpret_cast<HWND>(analizer->window(i).window)) == probe.main() &&
        analizer->window(i).window != analizer->window(main).window && analizer->window(i).titled) {
      EXPECT_EQ(analizer->score(i), 2 + 1);
    }
  }

  EXPECT_EQ(MainWindowOfProcess(probe.pid()), probe.main());
  for (bool firstMatch : {false, true}) {
    EXPECT_EQ(FindProcessWindow(exe, true, firstMatch), probe.main());
    EXPECT_EQ(FindProcessWindow(exe, false, firstMatch), probe.main());
  }
  EXPECT_TRUE(PostToProcessWindow(exe, true, WM_NULL, 0, 0));
}

TEST(ProcessViewerMainWindow, AProcessWithoutWindowsHasNoneToPostTo) {
  const std::string base = test::ScratchDir("pv-nowindow");
  const std::string exe = ProbeCopy(base, "app", "pvnowin.exe");
  ASSERT_FALSE(exe.empty());
  ProcProbe probe;
  ASSERT_TRUE(probe.StartWaiting(exe, "orvane-pv-nowindow-stop"));
  ASSERT_NE(FindProcessId(exe, true, false), 0u);

  EXPECT_EQ(FindProcessWindow(exe, true, false), nullptr);
  EXPECT_FALSE(PostToProcessWindow(exe, true, WM_NULL, 0, 0));
  EXPECT_FALSE(PostToProcessWindow(exe, false, WM_CLOSE, 0, 0));
  EXPECT_FALSE(CloseProcessWindow(exe, true, 0));
  EXPECT_FALSE(QuitProcessWindow(exe, true));
  EXPECT_TRUE(probe.Running());
  // Nobody runs this one.
  EXPECT_FALSE(PostToProcessWindow(base + "\\app\\pvnobody.exe", false, WM_NULL, 0, 0));
}

TEST(ProcessViewerTwoCopies, AFullPathReachesOnlyTheNamedCopy) {
  const std::string base = test::ScratchDir("pv-twocopies");
  const std::string a = ProbeCopy(base, "first", "pvtwin.exe");
  const std::string b = ProbeCopy(base, "second copy", "pvtwin.exe");
  const std::string idle = ProbeCopy(base, "third", "pvtwin.exe");  // never started
  ASSERT_FALSE(a.empty() || b.empty() || idle.empty());
  ProcProbe probeA;
  ProcProbe probeB;
  ASSERT_TRUE(probeA.Start(a, "window \"PV first\"", "PV first"));
  ASSERT_TRUE(probeB.Start(b, "window \"PV second\"", "PV second"));
  const std::vector<DWORD> both{probeA.pid(), probeB.pid()};
  auto isOneOfThem = [&](DWORD id) {
    return std::find(both.begin(), both.end(), id) != both.end();
  };

  struct Strategy {
    const char* name;
    DWORD (*find)(const std::string& file, bool fullPathOnly, bool firstMatch);
    bool byFileName;  // looks for the file name of a path when names are allowed
  };
  const Strategy strategies[] = {
      {"by system", FindProcessId, false},
      {"modules", ModuleLookup, false},
      {"snapshot", SnapshotLookup, false},
      {"list", [](const std::string& f, bool full, bool) { return FindProcessIdByList(f, full); },
       true},
  };
  for (const Strategy& s : strategies) {
    SCOPED_TRACE(s.name);
    for (bool firstMatch : {false, true}) {
      EXPECT_EQ(s.find(a, true, firstMatch), probeA.pid());
      EXPECT_EQ(s.find(b, true, firstMatch), probeB.pid());
      EXPECT_EQ(s.find(idle, true, firstMatch), 0u);
      EXPECT_TRUE(isOneOfThem(s.find("pvtwin.exe", false, firstMatch)));
      // Names allowed, a full path still matches only itself, except for the
      // list, which looks for the file name of what it is given.
      const DWORD byName = s.find(idle, false, firstMatch);
      if (s.byFileName) {
        EXPECT_TRUE(isOneOfThem(byName));
      } else {
        EXPECT_EQ(byName, 0u);
      }
    }
  }
  // The first and the last of two matches are two processes.
  EXPECT_NE(ModuleLookup("pvtwin.exe", false, true), ModuleLookup("pvtwin.exe", false, false));
  EXPECT_NE(SnapshotLookup("pvtwin.exe", false, true), SnapshotLookup("pvtwin.exe", false, false));
  // tasklist knows names only: a full path gets the named copy or nothing
  // (Wine's tasklist reports no processes at all).
  for (const std::string& file : {a, b}) {
    const DWORD id = TasklistLookup(file, true);
    EXPECT_TRUE(id == 0 || id == (file == a ? probeA.pid() : probeB.pid())) << file;
  }
  EXPECT_EQ(TasklistLookup(idle, true), 0u);

  for (bool firstMatch : {false, true}) {
    EXPECT_EQ(FindProcessWindow(a, true, firstMatch), probeA.main());
    EXPECT_EQ(FindProcessWindow(b, true, firstMatch), probeB.main());
    EXPECT_EQ(FindProcessWindow(idle, true, firstMatch), nullptr);
  }
  // Requests for the copy that does not run reach neither of the others.
  EXPECT_FALSE(CloseProcessWindow(idle, true, 0));
  EXPECT_FALSE(QuitProcessWindow(idle, true));
  EXPECT_FALSE(TerminateProcessByFile(idle, true));
  EXPECT_FALSE(TerminateProcessByFile("\"" + idle + "\"", true));
  ::Sleep(300);
  EXPECT_TRUE(probeA.Running());
  EXPECT_TRUE(probeB.Running());

  // Ending the first copy by its path leaves the second one running.
  EXPECT_TRUE(TerminateProcessByFile(a, true));
  EXPECT_EQ(probeA.WaitExit(10000), 0u);
  EXPECT_TRUE(probeB.Running());
  EXPECT_TRUE(CloseProcessWindow(b, true, 10000));
  EXPECT_EQ(probeB.WaitExit(10000), 0u);
}

TEST(ProcessViewerEnding, CloseThenQuitThenTerminate) {
  const std::string base = test::ScratchDir("pv-ending");
  struct Case {
    const char* folder;
    const char* behaviour;
    bool closes;  // WM_CLOSE ends it
    bool quits;   // WM_QUIT ends it (exit code 15, the quit's wParam)
  } cases[] = {
      {"plain", "", true, true},
      {"stubborn", "stubborn", false, true},
      {"deaf", "deaf", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string exe = ProbeCopy(base, c.folder, "pvend.exe");
    ASSERT_FALSE(exe.empty());
    ProcProbe probe;
    ASSERT_TRUE(probe.Start(exe, std::string("window \"PV end\" ") + c.behaviour, "PV end"));
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(CloseProcessWindow(exe, true, 1500), c.closes);
    if (!c.closes) {
      EXPECT_GE(Elapsed(start), 1400u) << "gave up before the time was up";
    }
    if (c.closes) {
      EXPECT_EQ(probe.WaitExit(10000), 0u);
      continue;
    }
    EXPECT_TRUE(probe.Running());
    EXPECT_TRUE(QuitProcessWindow(exe, true));
    if (c.quits) {
      EXPECT_EQ(probe.WaitExit(10000), 15u);
      continue;
    }
    EXPECT_EQ(probe.WaitExit(1000), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(TerminateProcessByFile(exe, true));
    EXPECT_EQ(probe.WaitExit(10000), 0u);
    EXPECT_FALSE(TerminateProcessByFile(exe, true));
  }
}

TEST(ProcessViewerWaits, WhileAWindowExists) {
  const std::string base = test::ScratchDir("pv-waitwindow");
  const std::string exe = ProbeCopy(base, "app", "pvwait.exe");
  ASSERT_FALSE(exe.empty());

  // No such window: no wait.
  DWORD start = ::GetTickCount();
  EXPECT_TRUE(WaitWhileWindowExists("OrvaneProcProbe", "PV nobody"));
  EXPECT_LT(Elapsed(start), 2000u);

  {  // A window that closes itself after 1.5 s.
    ProcProbe probe;
    ASSERT_TRUE(probe.Start(exe, "window \"PV wait\" life=1500", "PV wait"));
    start = ::GetTickCount();
    EXPECT_TRUE(WaitWhileWindowExists("OrvaneProcProbe", "PV wait"));
    EXPECT_GE(Elapsed(start), 1000u);
    EXPECT_LT(Elapsed(start), 30000u);
    EXPECT_EQ(::FindWindowA("OrvaneProcProbe", "PV wait"), nullptr);
  }
  {  // Only the title named counts; without one any window of the class does.
    ProcProbe probe;
    ASSERT_TRUE(probe.Start(exe, "window \"PV other\" life=1500", "PV other"));
    start = ::GetTickCount();
    EXPECT_TRUE(WaitWhileWindowExists("OrvaneProcProbe", "PV wait"));
    EXPECT_LT(Elapsed(start), 1000u);
    EXPECT_TRUE(WaitWhileWindowExists("OrvaneProcProbe", ""));
    EXPECT_GE(Elapsed(start), 1000u);
  }
  {  // A hung window that never goes: the wait ends once it has not answered for the limit.
    ProcProbe probe;
    ASSERT_TRUE(probe.Start(exe, "window \"PV hung\" hang", "PV hung"));
    start = ::GetTickCount();
    EXPECT_FALSE(WaitWhileWindowExists("OrvaneProcProbe", "PV hung", 3000));
    EXPECT_GE(Elapsed(start), 3000u);
    EXPECT_LT(Elapsed(start), 60000u);
    EXPECT_TRUE(probe.Running());
  }
}

TEST(ProcessViewerWindowPass, ListsEveryWindowOrStopsAtAProcess) {
  const std::string exe = ProbeCopy(test::ScratchDir("pv-pass"), "app", "pvpass.exe");
  ASSERT_FALSE(exe.empty());
  ProcProbe probe;
  ASSERT_TRUE(probe.Start(exe, "window \"PV pass\"", "PV pass"));
  const std::string pid = std::to_string(probe.pid());

  TProcessData all;
  all.allWindows = true;
  CollectWindows(all);
  const int count = SUB::Count(all.processIds);
  for (const std::string* list :
       {&all.exeNames, &all.classNames, &all.windows, &all.threadIds, &all.titles, &all.visible})
    EXPECT_EQ(SUB::Count(*list), count);
  const int main = SUB::IndexOf(all.titles, "PV pass");
  ASSERT_GE(main, 0);
  EXPECT_EQ(SUB::Get(all.processIds, main), pid);
  EXPECT_EQ(SUB::Get(all.exeNames, main), "pvpass.exe");
  EXPECT_EQ(SUB::Get(all.classNames, main), "OrvaneProcProbe");
  EXPECT_EQ(SUB::Get(all.windows, main), std::to_string(reinterpret_cast<uintptr_t>(probe.main())));
  EXPECT_EQ(SUB::Get(all.visible, main), "1");
  EXPECT_GE(SUB::IndexOf(all.titles, "PV pass dialog 2"), 0);

  // One entry per executable, ending with the process asked for.
  TProcessData byName;
  byName.processId = static_cast<int32_t>(probe.pid());
  CollectWindows(byName);
  EXPECT_EQ(SUB::Get(byName.processIds, -1), pid);
  std::set<std::string> names;
  for (int i = 0; i < SUB::Count(byName.exeNames); ++i)
    EXPECT_TRUE(names.insert(UpperCaseAscii(SUB::Get(byName.exeNames, i))).second) << i;
  TProcessData byMask;
  byMask.nameMask = "PVPASS.EXE";
  CollectWindows(byMask);
  EXPECT_EQ(SUB::Get(byMask.exeNames, -1), "pvpass.exe");
}

}  // namespace
}  // namespace orvane
