// The plain agent as the installed product's shortcuts and programs start
// it: it writes the X_ copy of itself beside itself and starts it hidden,
// and passes /WM_MSG=, /TEST= and /STOP= on to the running X_ agent's window.
// Every X_ agent process a test starts is found by its executable path and
// ended by its process id when the test is over.
#include <gtest/gtest.h>
#include <windows.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "harness/ClientWindow.h"
#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::DebugViewer;
using test::Quote;

// Message numbers and codes as a client program knows them.
constexpr UINT kAgentMsg = 1125;
constexpr WPARAM kNotifyAgentWindow = 50;
constexpr WPARAM kNotifyAgentMessage = 51;
constexpr WPARAM kNotifyLoopEnded = 43;

// The agent under a name of its own, so that an X_ agent of another test
// ("X_Agent.exe") never counts as this one's.
constexpr char kAgentName[] = "PlainAgent.exe";
constexpr char kXAgentClass[] = ".AutoUpdate.X_PlainAgent";

// The X_ agents this test started: whatever still runs the X_ file when the
// test is over is ended.
class XAgentProcesses {
 public:
  explicit XAgentProcesses(std::string path) : path_(std::move(path)) {
    test::EndProcessesRunning(path_);  // left over from an interrupted earlier run
  }
  ~XAgentProcesses() { test::EndProcessesRunning(path_); }
  XAgentProcesses(const XAgentProcesses&) = delete;
  XAgentProcesses& operator=(const XAgentProcesses&) = delete;

 private:
  std::string path_;
};

// The top-level window of class kXAgentClass that belongs to process `pid`.
HWND XAgentWindowOf(DWORD pid) {
  for (HWND w = ::FindWindowExA(nullptr, nullptr, kXAgentClass, nullptr); w != nullptr;
       w = ::FindWindowExA(nullptr, w, kXAgentClass, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == pid)
      return w;
  }
  return nullptr;
}

// The client program an agent notifies.
class Client : public test::ClientWindow {
 public:
  static constexpr UINT kMessage = WM_APP + 17;
  Client() : ClientWindow(kMessage) {}
};

// The tick counts the process `pid` traced, in order.
std::vector<int> TickCounts(const DebugViewer& viewer, DWORD pid) {
  std::vector<int> counts;
  const std::string key = std::to_string(pid) + " AutoUpdateTimerCount=";
  for (const std::string& line : viewer.Lines()) {
    if (line.compare(0, key.size(), key) == 0)
      counts.push_back(std::atoi(line.c_str() + key.size()));
  }
  return counts;
}

size_t CountLinesEndingWith(const DebugViewer& viewer, const std::string& end) {
  size_t n = 0;
  for (const std::string& line : viewer.Lines()) {
    if (line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0)
      ++n;
  }
  return n;
}

void DeleteFolderFiles(const std::string& dir) {
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA((dir + "\\*").c_str(), &found));
  if (search) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        ::DeleteFileA((dir + "\\" + found.cFileName).c_str());
    } while (::FindNextFileA(search.get(), &found));
  }
  search.reset();
  ::RemoveDirectoryA(dir.c_str());
}

TEST(PlainAgentScenario, StartsTheXAgentHiddenAndForwardsRequestsToIt) {
  const std::string dir = test::ScratchDir("plainagent");
  const std::string agent = dir + "\\" + kAgentName;
  const std::string x = dir + "\\X_" + kAgentName;
  const std::string log = dir + "\\X_PlainAgent.log";
  XAgentProcesses xAgents(x);

  // An agent installer as the product's setup leaves it, under the agent name.
  const std::string payload = test::WriteTestFile(dir + "\\payload.txt", "payload");
  ASSERT_EQ(test::RunStubpackBuild(
                {"--stub", Quote(test::StubExe()), "-o", Quote(dir + "\\installer.exe"), "--file",
                 Quote(payload + "=setup.exe*"), "--flag", "AgentFlag", "--flag", "AgentLog",
                 "--set", std::string("Internet.AgentFile=") + kAgentName, "--set",
                 "Internet.ProductToken=PT-PLAIN"}),
            0);
  ASSERT_TRUE(test::CopyFileTo(dir + "\\installer.exe", agent));

  DebugViewer viewer;
  Client client;

  // 1. No X_ agent runs: the plain agent writes X_PlainAgent.exe, starts it
  // hidden with the override text and the delay handed on, waits until it
  // runs (it was given switches) and ends. (Override 0 stays off: the X_
  // agent takes the text, and 1 there would ask the user before the forced
  // check below.)
  const auto first = test::RunProcess(Quote(agent) + " /DELAY=100 /TRANSIENT=|0|1|255|", 60000);
  ASSERT_TRUE(first.finished);
  EXPECT_EQ(first.exitCode, 0u);
  EXPECT_EQ(test::ReadWholeFile(x), test::ReadWholeFile(agent)) << "X_ is a copy of the agent";
  const std::vector<DWORD> running = test::ProcessesRunning(x);
  ASSERT_EQ(running.size(), 1u) << "one X_ agent runs once the plain agent has ended";
  const DWORD xPid = running.front();
  HWND window = nullptr;
  ASSERT_TRUE(test::PumpUntil([&] { return (window = XAgentWindowOf(xPid)) != nullptr; }, 30000));
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(CountLinesEndingWith(viewer, " CreateAndRun_X_Exe-1 "), 1u) << viewer.Text();
  EXPECT_EQ(CountLinesEndingWith(viewer, " CreateAndRun_X_Exe-2"), 1u) << viewer.Text();
  // /SleepX=100: the tick counter starts at -100.
  ASSERT_TRUE(test::PumpUntil([&] { return !TickCounts(viewer, xPid).empty(); }, 30000));
  EXPECT_EQ(TickCounts(viewer, xPid).front(), -99);

  std::string written = test::ReadWholeFile(log);
  const std::string xCommandLine = x + " /TRANSIENTx=|0|1|255| /SleepX=100";
  for (const std::string& line :
       {std::string("Wait 0 SEC"), std::string("Create X_ File "),
        "WinExec: " + xCommandLine + "\r\n", " X CommandLine=" + xCommandLine + "\r\n"}) {
    EXPECT_NE(written.find(line), std::string::npos) << "missing: " << line << "\n" << written;
  }

  // 2. The X_ agent runs: the plain agent only forwards. The client hears
  // the X_ agent's window (50) and message number (51); the forced check
  // (/TEST=0) moves the tick counter on to 1 at once.
  const std::string clientSwitch =
      "/WM_MSG=" + std::to_string(reinterpret_cast<uintptr_t>(client.window())) + ":" +
      std::to_string(Client::kMessage);
  const auto second = test::RunProcess(Quote(agent) + " " + clientSwitch + " /TEST=0", 60000);
  ASSERT_TRUE(second.finished);
  EXPECT_EQ(second.exitCode, 0u);
  ASSERT_TRUE(test::PumpUntil([&] { return client.codes.size() >= 2; }, 10000));
  EXPECT_EQ(client.codes, (std::vector<WPARAM>{kNotifyAgentWindow, kNotifyAgentMessage}));
  EXPECT_EQ(client.values, (std::vector<LPARAM>{reinterpret_cast<LPARAM>(window), kAgentMsg}));
  ASSERT_TRUE(test::PumpUntil([&] { return TickCounts(viewer, xPid).back() > 0; }, 10000));
  EXPECT_EQ(TickCounts(viewer, xPid).back(), 2) << viewer.Text();
  EXPECT_EQ(CountLinesEndingWith(viewer, " CreateAndRun_X_Exe-2"), 1u) << "no second X_ agent";
  EXPECT_EQ(test::ProcessesRunning(x), running);
  written = test::ReadWholeFile(log);
  for (const std::string& line :
       {"PostProcessMessage(wm_LocalMsg) to: " + x + " - :" + clientSwitch.substr(8) + ":\r\n",
        "PostProcessMessage(wm_AgentMsg) to: " + x + " - AU_PerformUpdateCycle (0)\r\n"}) {
    EXPECT_NE(written.find(line), std::string::npos) << "missing: " << line << "\n" << written;
  }

  // 3. The restart (/_ZZ=99) waits, then starts an X_ agent although one
  // runs; the new one finds the running one's window and ends at once.
  const auto restart = test::RunProcess(Quote(agent) + " /_ZZ=99 /WAIT=1", 60000);
  ASSERT_TRUE(restart.finished);
  const std::string endLine = " ==== STUB END ====> " + x + "<";
  ASSERT_TRUE(test::PumpUntil([&] { return CountLinesEndingWith(viewer, endLine) == 1; }, 30000))
      << viewer.Text();
  EXPECT_EQ(CountLinesEndingWith(viewer, " CreateAndRun_X_Exe-1 99"), 1u);
  EXPECT_EQ(CountLinesEndingWith(viewer, " CreateAndRun_X_Exe-2"), 2u);
  EXPECT_NE(test::ReadWholeFile(log).find("Wait 1 SEC\r\n"), std::string::npos);
  EXPECT_EQ(test::ProcessesRunning(x), running) << "the first X_ agent runs on";

  // 4. /STOP=0: the X_ agent's lifetime ends at its next tick.
  KernelObject xProcess(::OpenProcess(SYNCHRONIZE, FALSE, xPid));
  ASSERT_TRUE(xProcess);
  const auto stop = test::RunProcess(Quote(agent) + " /STOP=0", 60000);
  ASSERT_TRUE(stop.finished);
  EXPECT_EQ(stop.exitCode, 0u);
  ASSERT_TRUE(test::PumpUntil(
      [&] { return ::WaitForSingleObject(xProcess.get(), 0) == WAIT_OBJECT_0; }, 30000));
  test::PumpUntil([&] { return client.codes.size() >= 3; }, 5000);
  EXPECT_EQ(client.codes.back(), kNotifyLoopEnded);
  EXPECT_TRUE(test::ProcessesRunning(x).empty());
  EXPECT_NE(test::ReadWholeFile(log).find("PostProcessMessage(wm_ShutDown) to: " + x + "\r\n"),
            std::string::npos);

  viewer.Clear();
  DeleteFolderFiles(dir);
}

}  // namespace
}  // namespace orvane
