// The main window of the real launcher, met from outside as another program
// meets it: a setup package whose first tick starts the setup flow, and an
// X_ agent whose hidden window stays up and is steered through its private
// messages, notifies a client window of this test, and ends on request.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness/ClientWindow.h"
#include "harness/DebugViewer.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::DebugViewer;
using test::Launcher;
using test::Quote;

// Message numbers and codes as a client program knows them.
constexpr UINT kShutDown = 1123;
constexpr UINT kLocalMsg = 1124;
constexpr UINT kAgentMsg = 1125;
constexpr char kAgentClass[] = ".AutoUpdate.X_Agent";

std::string Stubpack() {
  return test::TestBinDir() + "\\..\\tools\\stubpack\\stubpack.exe";
}

// Builds `dir`\`name` from the test launcher with one start entry and the
// given stubpack options.
bool BuildPackage(const std::string& dir, const std::string& name, const std::string& options) {
  const std::string readme = dir + "\\readme.txt";
  FileHandle file(::CreateFileA(readme.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !::WriteFile(file.get(), "readme\r\n", 8, &written, nullptr))
    return false;
  file.reset();
  // The stand-in engine is the program to start: it ends at once with 0.
  if (!test::CopyFileTo(test::EngineExe(), dir + "\\engine.exe"))
    return false;
  const auto result = test::RunProcess(
      Quote(Stubpack()) + " build -q --stub " + Quote(test::StubExe()) + " -o " +
          Quote(dir + "\\" + name) +
          " --file readme.txt=readme.txt --file \"engine.exe=engine.exe*\" " + options,
      60000, dir);
  return result.finished && result.exitCode == 0 && test::FileExists(dir + "\\" + name);
}

// An X_ agent: the agent flag, the agent file name Agent.exe, and the
// settings file names Orvane.info / Orvane.original beside it.
bool BuildAgent(const std::string& dir, const std::string& options = {}) {
  return BuildPackage(dir, "X_Agent.exe",
                      "--flag AgentFlag --set Internet.AgentFile=Agent.exe "
                      "--set Internet.InfoFile=Orvane.info --set Internet.ProductToken=T0KEN " +
                          options);
}

HWND FindProcessWindow(const char* className, DWORD pid) {
  for (HWND w = ::FindWindowExA(nullptr, nullptr, className, nullptr); w != nullptr;
       w = ::FindWindowExA(nullptr, w, className, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == pid)
      return w;
  }
  return nullptr;
}

struct WindowSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchTopLevelWithChildren(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->pid || ::GetWindow(window, GW_CHILD) == nullptr)
    return TRUE;
  search->found = window;
  return FALSE;
}

// The top-level window of process `pid` that has child windows.
HWND TopLevelWindowWithChildren(DWORD pid) {
  WindowSearch search{pid, nullptr};
  ::EnumWindows(MatchTopLevelWithChildren, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The launcher's window of class `className`, once the launcher is in its
// message loop.
HWND WaitForWindow(const char* className, Launcher& launcher) {
  HWND window = nullptr;
  if (!test::PumpUntil(
          [&] { return (window = FindProcessWindow(className, launcher.pid())) != nullptr; },
          30000) ||
      !launcher.WaitUntilIdle(30000))
    return nullptr;
  return window;
}

std::string ClassName(HWND window) {
  char name[512] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

std::string Caption(HWND window) {
  char text[512] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

// A child of the main window as seen from outside.
struct Child {
  std::string className;
  bool visible;
  RECT bounds;  // in the parent's client coordinates
};

std::vector<Child> Children(HWND parent) {
  std::vector<Child> children;
  for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(c, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const bool visible = (::GetWindowLongPtrA(c, GWL_STYLE) & WS_VISIBLE) != 0;
    children.push_back({ClassName(c), visible, r});
  }
  return children;
}

const Child* FindChild(const std::vector<Child>& children, const char* className, bool visible) {
  for (const Child& c : children) {
    if (c.className == className && c.visible == visible)
      return &c;
  }
  return nullptr;
}

HWND FindMainBar(HWND window) {
  for (HWND c = ::FindWindowExA(window, nullptr, PROGRESS_CLASSA, nullptr); c != nullptr;
       c = ::FindWindowExA(window, c, PROGRESS_CLASSA, nullptr)) {
    if (::GetWindowLongPtrA(c, GWL_STYLE) & WS_VISIBLE)
      return c;
  }
  return nullptr;
}

// The client program an agent notifies.
class Client : public test::ClientWindow {
 public:
  static constexpr UINT kMessage = WM_APP + 11;
  Client() : ClientWindow(kMessage) {}
};

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 20000, &result);
  return static_cast<LRESULT>(result);
}

size_t CountLines(const DebugViewer& viewer, const std::string& text, size_t from = 0) {
  const auto lines = viewer.Lines();
  size_t n = 0;
  for (size_t i = from; i < lines.size(); ++i) {
    if (lines[i].find(text) != std::string::npos)
      ++n;
  }
  return n;
}

bool HasLine(const DebugViewer& viewer, const std::string& line) {
  const auto lines = viewer.Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The tick lines of the agent, as numbers.
std::vector<int> TickCounts(const DebugViewer& viewer, size_t fromLine = 0) {
  std::vector<int> counts;
  const auto lines = viewer.Lines();
  const std::string key = " AutoUpdateTimerCount=";
  for (size_t i = fromLine; i < lines.size(); ++i) {
    const size_t at = lines[i].find(key);
    if (at != std::string::npos)
      counts.push_back(std::atoi(lines[i].c_str() + at + key.size()));
  }
  return counts;
}

// The working folder of a launcher file: Temp + "SETUP_" + the time half of
// its DOS modification date-time.
std::string WorkingFolderOf(const std::string& exe) {
  FileHandle file(::CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr));
  FILETIME written{};
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  ::GetFileTime(file.get(), nullptr, nullptr, &written);
  ::FileTimeToLocalFileTime(&written, &local);
  ::FileTimeToDosDateTime(&local, &date, &time);
  return test::TempFolder() + "SETUP_" + std::to_string(time);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------------------------
// Setup launcher

TEST(MainWindowSetupScenario, HiddenWindowUntilTheFirstTickStartsTheSetupAndTheProcessEnds) {
  const std::string dir = test::ScratchDir("mainwindow-setup");
  ASSERT_TRUE(BuildPackage(dir, "Setup.exe", "--set \"Language.English.s0=Demo Setup\""));
  const std::string exe = dir + "\\Setup.exe";

  DebugViewer viewer;
  Launcher launcher;
  const DWORD start = ::GetTickCount();
  ASSERT_TRUE(launcher.Start(Quote(exe)));

  // The class is the instance key of a setup launcher: its own path.
  HWND window = nullptr;
  ASSERT_TRUE(test::PumpUntil([&] { return (window = TopLevelWindowWithChildren(launcher.pid())); },
                              30000));
  EXPECT_EQ(::lstrcmpiA(ClassName(window).c_str(), exe.c_str()), 0) << ClassName(window);
  EXPECT_EQ(Caption(window), "Demo Setup");
  EXPECT_FALSE(::IsWindowVisible(window));
  RECT r{};
  ::GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 492);
  EXPECT_EQ(r.bottom - r.top, 110);

  DWORD exitCode = 1;
  ASSERT_TRUE(launcher.WaitForExit(30000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_GE(::GetTickCount() - start, 1000u) << "the setup starts at the first tick of timer 1";

  const auto lines = viewer.Lines();
  const auto at = [&](const std::string& text) {
    return std::find_if(
               lines.begin(), lines.end(),
               [&](const std::string& line) { return line.find(text) != std::string::npos; }) -
           lines.begin();
  };
  ASSERT_LT(static_cast<size_t>(at("StartSetup() --- End")), lines.size()) << viewer.Text();
  EXPECT_LT(at("==== STUB START"), at("StartSetup() --- Start"));
  EXPECT_LT(at("StartSetup() --- Start"), at("StartSetup() --- End"));
  EXPECT_LT(at("StartSetup() --- End"), at("==== STUB END"));
  EXPECT_EQ(CountLines(viewer, "StartSetup() --- Start"), 1u) << "the setup runs once";
}

// ---------------------------------------------------------------------------
// X_ agent: the window

TEST(MainWindowAgentScenario, CaptionAndChildPositionsFollowThePackageLanguage) {
  struct Case {
    const char* name;
    const char* options;
    const char* caption;
    int labelX;
    int activityX;
  } cases[] = {
      {"defaults", "", "Orvane Installation Suite", 70, 416},
      {"Hebrew", "--set \"Language.English.s0=Agent Title\" --set Language.English.Charset=177",
       "Agent Title", 122, 70},
      {"Arabic", "--set Language.English.Charset=178", "Orvane Installation Suite", 122, 70},
      {"Baltic", "--set Language.English.Charset=186", "Orvane Installation Suite", 70, 416},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = test::ScratchDir(std::string("mainwindow-agent-") + c.name);
    ASSERT_TRUE(BuildAgent(dir, c.options));
    DebugViewer viewer;
    Launcher agent;
    ASSERT_TRUE(agent.Start(Quote(dir + "\\X_Agent.exe")));
    HWND window = WaitForWindow(kAgentClass, agent);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(Caption(window), c.caption);
    EXPECT_FALSE(::IsWindowVisible(window));
    RECT r{};
    ::GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 492);
    EXPECT_EQ(r.bottom - r.top, 110);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_LE(std::abs((r.left + r.right) - (work.left + work.right)), 1) << "centred";
    EXPECT_LE(std::abs((r.top + r.bottom) - (work.top + work.bottom)), 1) << "centred";

    const auto children = Children(window);
    EXPECT_EQ(children.size(), 3u);
    const struct {
      const char* what;
      const Child* child;
      RECT bounds;
    } expected[] = {
        {"label", FindChild(children, "Static", true), {c.labelX, 20, c.labelX + 340, 38}},
        {"main bar", FindChild(children, PROGRESS_CLASSA, true), {70, 38, 462, 51}},
        {"activity bar",
         FindChild(children, PROGRESS_CLASSA, false),
         {c.activityX, 20, c.activityX + 46, 33}},
    };
    for (const auto& e : expected) {
      ASSERT_NE(e.child, nullptr) << e.what;
      EXPECT_EQ(e.child->bounds.left, e.bounds.left) << e.what;
      EXPECT_EQ(e.child->bounds.top, e.bounds.top) << e.what;
      EXPECT_EQ(e.child->bounds.right, e.bounds.right) << e.what;
      EXPECT_EQ(e.child->bounds.bottom, e.bounds.bottom) << e.what;
    }

    ::PostMessageA(window, kShutDown, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(agent.WaitForExit(30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }
}

// The screenshot gallery shows the start-up window this way: a live X_ agent,
// shown and given its bars from outside.
TEST(MainWindowAgentScenario, ShownFromOutsideItPaintsIconBackgroundAndBarHalfWay) {
  const std::string dir = test::ScratchDir("mainwindow-shown");
  ASSERT_TRUE(BuildAgent(dir));
  DebugViewer viewer;
  Launcher agent;
  ASSERT_TRUE(agent.Start(Quote(dir + "\\X_Agent.exe")));
  HWND window = WaitForWindow(kAgentClass, agent);
  ASSERT_NE(window, nullptr);

  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetForegroundWindow(window);
  HWND bar = FindMainBar(window);
  ASSERT_NE(bar, nullptr);
  Send(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 10));
  Send(bar, PBM_SETPOS, 5, 0);
  EXPECT_EQ(Send(bar, PBM_GETPOS, 0, 0), 5);
  test::PumpUntil([] { return false; }, 500);  // let it paint

  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  const DeviceContext screen(nullptr);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const COLORREF background = ::GetPixel(screen.get(), origin.x + 5, origin.y + 5);
  const COLORREF icon = ::GetPixel(screen.get(), origin.x + 18 + 4, origin.y + 20 + 16);
  const COLORREF filled = ::GetPixel(screen.get(), origin.x + 70 + 40, origin.y + 38 + 6);
  const COLORREF empty = ::GetPixel(screen.get(), origin.x + 462 - 40, origin.y + 38 + 6);
  EXPECT_EQ(background, face);
  // The icon is a deep blue square at (18, 20).
  EXPECT_GT(GetBValue(icon), GetRValue(icon) + 100) << std::hex << icon;
  EXPECT_NE(filled, empty) << "the left half of the bar is filled, the right half is not";

  ::PostMessageA(window, kShutDown, 0, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(agent.WaitForExit(30000, &exitCode));
}

// ---------------------------------------------------------------------------
// X_ agent: messages

TEST(MainWindowAgentScenario, PrivateMessagesNotificationsAndTheTwoStepClose) {
  const std::string dir = test::ScratchDir("mainwindow-messages");
  ASSERT_TRUE(BuildAgent(dir));
  const std::string original = dir + "\\Orvane.original";
  const struct {
    const char* key;
    const char* value;
  } settings[] = {
      {"VersionOriginal", "1002003"},
      {"ProbeSecondsInterval", "3600"},
      {"ReAskSecondsInterval", "86400"},
      {"ProbeSecondsLast", "3888000000"},  // beyond 32 bits
  };
  for (const auto& s : settings)
    ASSERT_TRUE(::WritePrivateProfileStringA("OriginalSetup", s.key, s.value, original.c_str()));
  const std::string workingFolder = WorkingFolderOf(dir + "\\X_Agent.exe");
  ::CreateDirectoryA(workingFolder.c_str(), nullptr);
  ASSERT_TRUE(::CreateDirectoryA((workingFolder + "\\left over").c_str(), nullptr) ||
              IsDirectory(workingFolder + "\\left over"));

  DebugViewer viewer;
  Client client;
  Launcher agent;
  ASSERT_TRUE(agent.Start(Quote(dir + "\\X_Agent.exe")));
  HWND window = WaitForWindow(kAgentClass, agent);
  ASSERT_NE(window, nullptr);

  // Registering a client: answered with the window (50) and the agent message number (51).
  EXPECT_EQ(Send(window, kLocalMsg, reinterpret_cast<WPARAM>(client.window()), Client::kMessage),
            0);
  ASSERT_TRUE(test::PumpUntil([&] { return client.codes.size() >= 2; }, 10000));
  EXPECT_EQ(client.codes, (std::vector<WPARAM>{50, 51}));
  EXPECT_EQ(client.values, (std::vector<LPARAM>{reinterpret_cast<LPARAM>(window), 1125}));

  // The agent message answers with the command's result.
  const struct {
    WPARAM subCode;
    LPARAM value;
    LRESULT answer;
  } commands[] = {
      {4, 0, 1002003},
      {8, 0, 3600},
      {9, 0, 86400},
      {10, 0, static_cast<LRESULT>(static_cast<int32_t>(3888000000u))},  // low 32 bits
      {7, 0, 0},                                                         // idle
      {12, 7200, 0},
      {8, 0, 7200},
      {12, -1, 0},
      {8, 0, -1},
      {99, 5, 0},
  };
  for (const auto& c : commands)
    EXPECT_EQ(Send(window, kAgentMsg, c.subCode, c.value), c.answer) << "sub-code " << c.subCode;
  char written[32] = {};
  ::GetPrivateProfileStringA("OriginalSetup", "ProbeSecondsInterval", "", written, sizeof written,
                             original.c_str());
  EXPECT_STREQ(written, "-1");

  // No spanned extraction has registered "QueryCancelAutoPlay": its number is
  // still 0, so WM_NULL is the message answered with 1.
  EXPECT_EQ(Send(window, WM_NULL, 0, 0), 1);
  EXPECT_EQ(Send(window, ::RegisterWindowMessageA("QueryCancelAutoPlay"), 0, 0), 0);
  // Default processing for the lifetime (and it is unlimited again).
  EXPECT_EQ(Send(window, kShutDown, 5, 0), 0);
  EXPECT_EQ(Send(window, kShutDown, static_cast<WPARAM>(-1), 0), 0);

  // The first close request only aborts a download.
  const size_t before = viewer.Lines().size();
  Send(window, WM_CLOSE, 0, 0);
  test::PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(agent.Running());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_TRUE(IsDirectory(workingFolder));
  EXPECT_EQ(CountLines(viewer, ".. CloseMainWindow() - End", before), 1u);
  EXPECT_EQ(CountLines(viewer, "wm_Destroy", before), 0u);

  // The second closes the window, removes the working folder and ends the agent.
  Send(window, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(agent.WaitForExit(30000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(IsDirectory(workingFolder));
  const auto lines = viewer.Lines();
  const std::vector<std::string> closing(lines.begin() + static_cast<std::ptrdiff_t>(before),
                                         lines.begin() + static_cast<std::ptrdiff_t>(before) + 7);
  EXPECT_EQ(closing,
            (std::vector<std::string>{".. CloseMainWindow() - Start", ".. CloseMainWindow() - End",
                                      ".. CloseMainWindow() - Start", ".. CloseMainWindow() - End",
                                      "- wm_Destroy -", ".. DestroyMainWindow() - Start",
                                      ".. DestroyMainWindow() - End"}))
      << viewer.Text();
  EXPECT_EQ(client.codes, (std::vector<WPARAM>{50, 51, 43}));
  EXPECT_EQ(client.values.back(), 0);
}

// Each way of ending an agent from outside: the loop ends, the client hears
// 43, the process ends with 0; the ticks after the request show when.
TEST(MainWindowAgentScenario, EndsOnRequestAndTellsTheClient) {
  enum How { Post, SendMsg, CloseTwice };
  struct Case {
    const char* name;
    How how;
    UINT message;
    WPARAM wParam;
    size_t ticksAfter;  // ticks traced after the request
    const char* trace;  // a line the request must produce, or ""
    bool destroyed;     // DestroyMainWindow ran
  } cases[] = {
      {"wm_ShutDown 0 quits at the next tick", Post, kShutDown, 0, 1, "", false},
      {"wm_ShutDown 2 quits at the third tick", Post, kShutDown, 2, 3, "", false},
      {"WM_QUIT posted to the window ends the loop", Post, WM_QUIT, 0, 0, "", false},
      {"WM_QUIT sent to the window runs the destroy handler", SendMsg, WM_QUIT, 0, 0, "- wm_Quit -",
       true},
      {"WM_DESTROY sent to the window", SendMsg, WM_DESTROY, 0, 0, "- wm_Destroy -", true},
      {"two close requests", CloseTwice, WM_CLOSE, 0, 0, "- wm_Destroy -", true},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A folder per case: an X_ agent deletes itself after it has ended.
    const std::string dir = test::ScratchDir("mainwindow-end-" + std::to_string(index++));
    ASSERT_TRUE(BuildAgent(dir));
    DebugViewer viewer;
    Client client;
    Launcher agent;
    // No check falls due meanwhile (its notifications would come between).
    ASSERT_TRUE(agent.Start(Quote(dir + "\\X_Agent.exe") + " /SleepX=100"));
    HWND window = WaitForWindow(kAgentClass, agent);
    ASSERT_NE(window, nullptr);
    Send(window, kLocalMsg, reinterpret_cast<WPARAM>(client.window()), Client::kMessage);
    // Act between two ticks, once the loop runs.
    ASSERT_TRUE(test::PumpUntil([&] { return !TickCounts(viewer).empty(); }, 10000));
    const size_t before = viewer.Lines().size();
    switch (c.how) {
      case Post:
        ::PostMessageA(window, c.message, c.wParam, 0);
        break;
      case SendMsg:
        Send(window, c.message, c.wParam, 0);
        break;
      case CloseTwice:
        Send(window, WM_CLOSE, 0, 0);
        Send(window, WM_CLOSE, 0, 0);
        break;
    }
    DWORD exitCode = 1;
    ASSERT_TRUE(agent.WaitForExit(30000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(TickCounts(viewer, before).size(), c.ticksAfter) << viewer.Text();
    if (*c.trace != '\0') {
      EXPECT_TRUE(HasLine(viewer, c.trace)) << viewer.Text();
    }
    EXPECT_EQ(CountLines(viewer, ".. DestroyMainWindow() - End", before), c.destroyed ? 1u : 0u);
    EXPECT_EQ(client.codes, (std::vector<WPARAM>{50, 51, 43}));
  }
}

TEST(MainWindowAgentScenario, SleepXSetsWhereTheTickCounterStarts) {
  struct Case {
    const char* switches;
    int firstTick;
  } cases[] = {
      {"", -2},  // the counter starts at -3
      {"/SleepX=0", 1}, {"/SleepX=10", -9}, {"/SleepX=-5", -2}, {"/SleepX=abc", -2},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switches);
    // A folder per case: an X_ agent deletes itself after it has ended.
    const std::string dir = test::ScratchDir("mainwindow-sleepx-" + std::to_string(index++));
    ASSERT_TRUE(BuildAgent(dir));
    DebugViewer viewer;
    Launcher agent;
    ASSERT_TRUE(agent.Start(Quote(dir + "\\X_Agent.exe") + " " + c.switches));
    HWND window = WaitForWindow(kAgentClass, agent);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(test::PumpUntil([&] { return !TickCounts(viewer).empty(); }, 10000));
    EXPECT_EQ(TickCounts(viewer).front(), c.firstTick);
    ::PostMessageA(window, kShutDown, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(agent.WaitForExit(30000, &exitCode));
    const auto ticks = TickCounts(viewer);
    for (size_t i = 1; i < ticks.size(); ++i)
      EXPECT_EQ(ticks[i], ticks[i - 1] + 1);
  }
}

}  // namespace
}  // namespace orvane
