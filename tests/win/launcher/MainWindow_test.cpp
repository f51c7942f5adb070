// The main window inside the test process: its creation, every message of
// its window procedure, the close and destroy handlers, painting, the client
// notifications and the message loop with its timer. This process has no
// package, so the window carries the built-in caption and character set 0
// (the right-to-left layout is seen on real packages in the scenario tests).
#include "launcher/StubWinMain.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "agent/InetHTTPAbort.h"
#include "agent/StubAU.h"
#include "harness/DebugViewer.h"
#include "launcher/StubSetup.h"
#include "launcher/StubWin.h"
#include "ui/ZMsgBox.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {
namespace {

// Removes the quit messages that the handlers under test post to this thread.
bool TakeQuitMessage(WPARAM* exitCode = nullptr) {
  MSG message;
  bool any = false;
  while (::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    any = true;
    if (exitCode != nullptr)
      *exitCode = message.wParam;
  }
  return any;
}

void Pump() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Closes, while it lives, every message box that this thread opens, and
// keeps the text each one showed: the test program carries no package, so
// the setup flow reports that it cannot read one.
class BoxCloser {
 public:
  BoxCloser() : thread_(::GetCurrentThreadId()), worker_([this] { Run(); }) {}
  ~BoxCloser() {
    stop_ = true;
    worker_.join();
  }
  BoxCloser(const BoxCloser&) = delete;
  BoxCloser& operator=(const BoxCloser&) = delete;

  std::vector<std::string> Texts() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
  }

 private:
  static BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    char buffer[4096] = {};
    ::GetWindowTextA(child, buffer, sizeof buffer);
    *reinterpret_cast<std::string*>(text) += buffer;
    return TRUE;
  }
  static BOOL CALLBACK CloseBox(HWND window, LPARAM self) {
    auto* closer = reinterpret_cast<BoxCloser*>(self);
    if (WindowClassName(window) != "ZMsgBox" || !::IsWindowVisible(window))
      return TRUE;
    if (std::find(closer->seen_.begin(), closer->seen_.end(), window) == closer->seen_.end()) {
      std::string text;
      ::EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&text));
      // A box can be visible a moment before its text area answers: read it
      // again on the next round rather than record an empty text.
      if (text.empty())
        return TRUE;
      closer->seen_.push_back(window);
      const std::lock_guard<std::mutex> lock(closer->mutex_);
      closer->texts_.push_back(text);
    }
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      ::EnumThreadWindows(thread_, CloseBox, reinterpret_cast<LPARAM>(this));
      ::Sleep(20);
    }
  }

  const DWORD thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<HWND> seen_;
  std::vector<std::string> texts_;
  std::thread worker_;
};

// A window of this thread that records the messages posted to it, as the
// client program of an agent would.
class ClientRecorder {
 public:
  struct Record {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  static constexpr UINT kMessage = WM_APP + 77;

  ClientRecorder() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &ClientRecorder::WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvaneTestClient";
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, "OrvaneTestClient", "client", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, windowClass.hInstance, this);
  }
  ~ClientRecorder() { ::DestroyWindow(window_); }
  ClientRecorder(const ClientRecorder&) = delete;
  ClientRecorder& operator=(const ClientRecorder&) = delete;

  HWND window() const { return window_; }
  const std::vector<Record>& records() const { return records_; }
  std::vector<WPARAM> Codes() const {
    std::vector<WPARAM> codes;
    for (const Record& r : records_)
      codes.push_back(r.wParam);
    return codes;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
      ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ClientRecorder*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == kMessage) {
      self->records_.push_back({msg, wp, lp});
      return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
  }

  HWND window_ = nullptr;
  std::vector<Record> records_;
};

// Resets what the window procedure touches around each test.
class MainWindowProcedure : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    window_ = CreateMainWindow();
    ASSERT_NE(window_, nullptr);
    // No setup start while a test pumps messages; tests of the timer set it.
    ::KillTimer(window_, kMainTimerId);
  }
  void TearDown() override {
    if (::IsWindow(window_))
      ::DestroyWindow(window_);
    Pump();
    TakeQuitMessage();
    Reset();
  }
  static void Reset() {
    HTTP_SetAbort(false);
    Agent() = AgentState();
    Startup().identity.agentFlag = false;
  }

  HWND window_ = nullptr;
};

RECT ClientBounds(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// ---------------------------------------------------------------------------
// Creation

TEST_F(MainWindowProcedure, CreatedHiddenCentredWithTheInstanceKeyAsClass) {
  EXPECT_EQ(MainWindow(), window_);
  EXPECT_EQ(WindowClassName(window_), Startup().instanceKey);
  EXPECT_EQ(WindowText(window_), "Orvane Installation Suite");
  EXPECT_FALSE(::IsWindowVisible(window_));
  EXPECT_EQ(::GetParent(window_), nullptr);
  EXPECT_EQ(::GetMenu(window_), nullptr);

  RECT r{};
  ::GetWindowRect(window_, &r);
  const POINT centred = CentreInWorkArea(kMainWindowWidth, kMainWindowHeight);
  EXPECT_EQ(r.left, centred.x);
  EXPECT_EQ(r.top, centred.y);
  EXPECT_EQ(r.right - r.left, 492);
  EXPECT_EQ(r.bottom - r.top, 110);

  const LONG_PTR style = ::GetWindowLongPtrA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN),
            WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(::GetClassLongPtrA(window_, GCL_STYLE), static_cast<ULONG_PTR>(CS_DBLCLKS));
  EXPECT_EQ(::GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), 0u);
  EXPECT_FALSE(WindowDestroyed());
  EXPECT_EQ(ClientWindow(), nullptr);
  EXPECT_EQ(ClientMessage(), 0u);
}

TEST_F(MainWindowProcedure, ChildrenSitAtTheirPositionsWithTheirClassesAndStyles) {
  struct Child {
    const char* name;
    HWND handle;
    const char* className;
    bool visible;
    RECT bounds;
  } children[] = {
      {"label", MainLabel(), "Static", true, {70, 20, 410, 38}},
      {"main bar", MainBar(), PROGRESS_CLASSA, true, {70, 38, 462, 51}},
      {"activity bar", ActivityBar(), PROGRESS_CLASSA, false, {416, 20, 462, 33}},
  };
  for (const Child& c : children) {
    ASSERT_NE(c.handle, nullptr) << c.name;
    EXPECT_EQ(::GetParent(c.handle), window_) << c.name;
    EXPECT_EQ(WindowClassName(c.handle), c.className) << c.name;
    EXPECT_FALSE(::IsWindowVisible(c.handle)) << c.name << ": the main window is hidden";
    const LONG_PTR style = ::GetWindowLongPtrA(c.handle, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD) << c.name;
    EXPECT_EQ((style & WS_VISIBLE) != 0, c.visible) << c.name;
    const RECT r = ClientBounds(c.handle);
    EXPECT_EQ(r.left, c.bounds.left) << c.name;
    EXPECT_EQ(r.top, c.bounds.top) << c.name;
    EXPECT_EQ(r.right, c.bounds.right) << c.name;
    EXPECT_EQ(r.bottom, c.bounds.bottom) << c.name;
  }
  EXPECT_EQ(WindowText(MainLabel()), "");
}

TEST_F(MainWindowProcedure, LabelFontIsTahomaOfHeightMinus11WithDefaultWeightAndCharset) {
  const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageA(MainLabel(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTA logFont{};
  ASSERT_EQ(::GetObjectA(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
  EXPECT_STREQ(logFont.lfFaceName, "Tahoma");
  EXPECT_EQ(logFont.lfHeight, -11);
  EXPECT_EQ(logFont.lfWeight, FW_DONTCARE);
  EXPECT_EQ(logFont.lfCharSet, DEFAULT_CHARSET);
}

TEST(MainWindowLayout, RightToLeftScriptsSwapLabelAndActivityBar) {
  struct Case {
    int charset;
    int labelX;
    int activityX;
  } cases[] = {
      {0, 70, 416},   {1, 70, 416},   {161, 70, 416}, {176, 70, 416}, {177, 122, 70},
      {178, 122, 70}, {179, 70, 416}, {186, 70, 416}, {255, 70, 416},
  };
  for (const Case& c : cases) {
    const ChildBounds label = LabelBounds(c.charset);
    const ChildBounds activity = ActivityBarBounds(c.charset);
    EXPECT_EQ(label.x, c.labelX) << c.charset;
    EXPECT_EQ(activity.x, c.activityX) << c.charset;
    // Only the horizontal place changes.
    EXPECT_EQ(label.y, 20);
    EXPECT_EQ(label.width, 340);
    EXPECT_EQ(label.height, 18);
    EXPECT_EQ(activity.y, 20);
    EXPECT_EQ(activity.width, 46);
    EXPECT_EQ(activity.height, 13);
  }
}

// ---------------------------------------------------------------------------
// Private messages

TEST_F(MainWindowProcedure, ShutDownSetsTheAgentLifetimeFromTheLow32Bits) {
  struct Case {
    WPARAM wParam;
    int32_t lifetime;
  } cases[] = {
      {0, 0},
      {3, 3},
      {static_cast<WPARAM>(-1), -1},
      {0xFFFFFFFFu, -1},  // -1 from a 32-bit sender
      {static_cast<WPARAM>(0x100000005ull), 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(::SendMessageA(window_, wm_ShutDown, c.wParam, 0), 0) << c.wParam;
    EXPECT_EQ(Agent().remainingLifetime, c.lifetime) << c.wParam;
  }
}

TEST_F(MainWindowProcedure, AgentMessageReturnsTheAnswerOfTheCommand) {
  Agent().phase = 2;
  EXPECT_EQ(::SendMessageA(window_, wm_AgentMsg, kAgentReadPhase, 0), 2);
  Agent().phase = 0;

  EXPECT_EQ(::SendMessageA(window_, wm_AgentMsg, kAgentSetLifetime, 9), 0);
  EXPECT_EQ(Agent().remainingLifetime, 9);

  EXPECT_EQ(::SendMessageA(window_, wm_AgentMsg, kAgentForceCheck, 2), 0);
  EXPECT_TRUE(Agent().forceCheck);
  EXPECT_EQ(Agent().checkMode, 2);
  EXPECT_EQ(Agent().tickCounter, 1);

  EXPECT_EQ(::SendMessageA(window_, wm_AgentMsg, kAgentSetOverrideFirst + 1, 0x101), 0);
  EXPECT_EQ(Agent().overrides.fields[1], 1);
  EXPECT_EQ(::SendMessageA(window_, wm_AgentMsg, 99, 5), 0);
}

TEST_F(MainWindowProcedure, LocalMessageRegistersTheClientAndAnswersWith50And51) {
  ClientRecorder client;
  EXPECT_EQ(::SendMessageA(window_, wm_LocalMsg, reinterpret_cast<WPARAM>(client.window()),
                           ClientRecorder::kMessage),
            0);
  Pump();
  EXPECT_EQ(ClientWindow(), client.window());
  EXPECT_EQ(ClientMessage(), ClientRecorder::kMessage);
  ASSERT_EQ(client.records().size(), 2u);
  EXPECT_EQ(client.records()[0].wParam, static_cast<WPARAM>(kNotifyAgentWindow));
  EXPECT_EQ(client.records()[0].lParam, reinterpret_cast<LPARAM>(window_));
  EXPECT_EQ(client.records()[1].wParam, static_cast<WPARAM>(kNotifyAgentMessage));
  EXPECT_EQ(client.records()[1].lParam, static_cast<LPARAM>(wm_AgentMsg));

  NotifyClient(kNotifyInstall, 1);
  Pump();
  ASSERT_EQ(client.records().size(), 3u);
  EXPECT_EQ(client.records()[2].wParam, static_cast<WPARAM>(kNotifyInstall));
  EXPECT_EQ(client.records()[2].lParam, 1);

  // A zero window or a zero message switches the notifications off.
  const struct {
    WPARAM window;
    LPARAM message;
  } offs[] = {{reinterpret_cast<WPARAM>(client.window()), 0}, {0, ClientRecorder::kMessage}};
  for (const auto& off : offs) {
    ::SendMessageA(window_, wm_LocalMsg, off.window, off.message);
    NotifyClient(kNotifyInstall, 2);
    Pump();
    EXPECT_EQ(client.records().size(), 3u);
  }
}

TEST_F(MainWindowProcedure, AutoPlayQueryIsAnsweredWith1OnlyForTheRegisteredNumber) {
  const UINT autoPlay = ::RegisterWindowMessageA("QueryCancelAutoPlay");
  ASSERT_NE(autoPlay, 0u);
  // Before registration the stored number is 0: WM_NULL gets the answer.
  EXPECT_EQ(::SendMessageA(window_, WM_NULL, 0, 0), 1);
  EXPECT_EQ(::SendMessageA(window_, autoPlay, 0, 0), 0);

  SetAutoPlaySuppression(true);
  EXPECT_EQ(::SendMessageA(window_, autoPlay, 0, 0), 1);
  EXPECT_EQ(::SendMessageA(window_, WM_NULL, 0, 0), 0);
  SetAutoPlaySuppression(false);
  EXPECT_EQ(::SendMessageA(window_, autoPlay, 0, 0), 0);
}

// ---------------------------------------------------------------------------
// Close, destroy, quit

TEST_F(MainWindowProcedure, FirstCloseOnlyAbortsTheDownloadSecondClosesAndRemovesWorkingFolder) {
  // The folder of this process (an earlier destroy may have removed it).
  const std::string folder = WorkingFolder();
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(IsDirectory(folder)) << folder;
  ASSERT_TRUE(::CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
  test::DebugViewer viewer;

  EXPECT_EQ(::SendMessageA(window_, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(::IsWindow(window_));
  EXPECT_TRUE(HTTP_IsAborted());
  EXPECT_FALSE(WindowDestroyed());
  EXPECT_FALSE(TakeQuitMessage());
  EXPECT_TRUE(IsDirectory(folder));

  ::SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(window_));
  EXPECT_TRUE(WindowDestroyed());
  WPARAM exitCode = 99;
  EXPECT_TRUE(TakeQuitMessage(&exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(IsDirectory(folder));

  const std::vector<std::string> expected = {
      ".. CloseMainWindow() - Start",
      ".. CloseMainWindow() - End",
      ".. CloseMainWindow() - Start",
      ".. CloseMainWindow() - End",
      "- wm_Destroy -",
      ".. DestroyMainWindow() - Start",
      ".. DestroyMainWindow() - End",
  };
  EXPECT_EQ(viewer.Lines(), expected);
}

TEST_F(MainWindowProcedure, QuitOrDestroySentToTheWindowEndsItLikeADestroy) {
  struct Case {
    UINT message;
    const char* trace;
  } cases[] = {
      {WM_QUIT, "- wm_Quit -"},
      {WM_DESTROY, "- wm_Destroy -"},
  };
  for (const Case& c : cases) {
    // A fresh window and state for each case.
    ::DestroyWindow(window_);
    Pump();
    TakeQuitMessage();
    window_ = CreateMainWindow();
    ASSERT_NE(window_, nullptr);
    ::KillTimer(window_, kMainTimerId);
    HTTP_SetAbort(false);

    test::DebugViewer viewer;
    EXPECT_EQ(::SendMessageA(window_, c.message, 0, 0), 0) << c.trace;
    EXPECT_TRUE(WindowDestroyed()) << c.trace;
    EXPECT_TRUE(HTTP_IsAborted()) << c.trace;
    EXPECT_TRUE(TakeQuitMessage()) << c.trace;
    const std::vector<std::string> expected = {c.trace, ".. DestroyMainWindow() - Start",
                                               ".. DestroyMainWindow() - End"};
    EXPECT_EQ(viewer.Lines(), expected);
  }
}

// ---------------------------------------------------------------------------
// Timer

TEST_F(MainWindowProcedure, TimerStartsTheSetupOnceInASetupLauncher) {
  test::DebugViewer viewer;
  BoxCloser boxes;
  SetProcessExitCode(0);
  ASSERT_NE(::SetTimer(window_, kMainTimerId, kMainTimerMs, nullptr), 0u);
  ::SendMessageA(window_, WM_TIMER, 7, 0);  // any id
  EXPECT_TRUE(TakeQuitMessage());
  EXPECT_FALSE(::KillTimer(window_, kMainTimerId)) << "timer 1 is still running";
  // The test program carries no package: the flow says so, starts nothing
  // and ends with the exit code for it.
  EXPECT_EQ(ProcessExitCode(), 1619u);
  const std::vector<std::string> texts = boxes.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("The setup files cannot be read."), std::string::npos) << texts[0];
  EXPECT_NE(texts[0].find("No setup package ends this file"), std::string::npos) << texts[0];
  const std::vector<std::string> lines = viewer.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "StartSetup() --- Start");
  EXPECT_EQ(lines.back(), "StartSetup() --- End");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "StartSetup() --- Start"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "========= ForegroundOp=TRUE =========="), 1);
}

TEST_F(MainWindowProcedure, TimerRunsTheAgentTickInAnAgent) {
  Startup().identity.agentFlag = true;
  test::DebugViewer viewer;
  const std::string pid = std::to_string(::GetCurrentProcessId());

  ::SendMessageA(window_, WM_TIMER, kMainTimerId, 0);
  EXPECT_EQ(Agent().tickCounter, -2);
  EXPECT_FALSE(TakeQuitMessage());  // unlimited lifetime

  ::SendMessageA(window_, wm_ShutDown, 1, 0);
  ::SendMessageA(window_, WM_TIMER, kMainTimerId, 0);  // 1 -> 0
  EXPECT_FALSE(TakeQuitMessage());
  EXPECT_EQ(Agent().remainingLifetime, 0);
  ::SendMessageA(window_, WM_TIMER, kMainTimerId, 0);  // 0: quit
  EXPECT_TRUE(TakeQuitMessage());
  EXPECT_EQ(Agent().remainingLifetime, -1);
  EXPECT_EQ(Agent().tickCounter, 0);

  const std::vector<std::string> expected = {pid + " AutoUpdateTimerCount=-2",
                                             pid + " AutoUpdateTimerCount=-1",
                                             pid + " AutoUpdateTimerCount=0"};
  EXPECT_EQ(viewer.Lines(), expected);
}

// ---------------------------------------------------------------------------
// Painting

TEST_F(MainWindowProcedure, PaintFillsTheClientAreaWithTheButtonFaceColour) {
  ::ShowWindow(window_, SW_SHOWNOACTIVATE);
  ::UpdateWindow(window_);
  const DeviceContext window(window_);
  HDC dc = window.get();
  ASSERT_NE(dc, nullptr);
  RECT client{};
  ::GetClientRect(window_, &client);
  HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
  ::FillRect(dc, &client, red);
  ::DeleteObject(red);
  ASSERT_EQ(::GetPixel(dc, 5, 5), RGB(255, 0, 0));

  PaintMainWindow(window_);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const POINT points[] = {{5, 5}, {client.right - 3, client.bottom - 3}, {200, 70}};
  for (const POINT& p : points)
    EXPECT_EQ(::GetPixel(dc, p.x, p.y), face) << p.x << "," << p.y;
}

// ---------------------------------------------------------------------------
// The message loop

TEST(MainWindowLoop, FirstTickEndsTheSetupLoopAndTheClientHears50And51Then43) {
  HTTP_SetAbort(false);
  Startup().identity.agentFlag = false;
  ClientRecorder client;
  HWND window = CreateMainWindow();
  ASSERT_NE(window, nullptr);
  ::SendMessageA(window, wm_LocalMsg, reinterpret_cast<WPARAM>(client.window()),
                 ClientRecorder::kMessage);
  BoxCloser boxes;
  const double start = MilliSecondsNow();
  RunMainLoop();
  const double elapsed = MilliSecondsNow() - start;
  EndMainWindow();
  Pump();
  TakeQuitMessage();

  EXPECT_GE(elapsed, 900.0);  // the first tick of timer 1
  EXPECT_LT(elapsed, 10000.0);
  EXPECT_TRUE(::IsWindow(window)) << "the end of a setup leaves the window to the process end";
  EXPECT_TRUE(HTTP_IsAborted());
  EXPECT_EQ(client.Codes(), (std::vector<WPARAM>{50, 51, 43}));
  EXPECT_EQ(client.records().back().lParam, 0);
  EXPECT_EQ(boxes.Texts().size(), 1u) << "the box that no package was found";
  ::DestroyWindow(window);
  TakeQuitMessage();
  HTTP_SetAbort(false);
}

TEST(MainWindowLoop, EndsRightAfterTheDispatchThatDestroyedTheWindow) {
  HTTP_SetAbort(true);  // a close request now closes
  Agent() = AgentState();
  HWND window = CreateMainWindow();
  ASSERT_NE(window, nullptr);
  ::KillTimer(window, kMainTimerId);
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  // Posted after the close: the loop must not get to it, although the quit
  // message (which waits for an empty queue) would only come after it.
  ::PostMessageA(window, wm_ShutDown, 42, 0);
  RunMainLoop();
  EXPECT_TRUE(WindowDestroyed());
  EXPECT_EQ(Agent().remainingLifetime, kAgentUnlimitedLifetime);
  Pump();
  TakeQuitMessage();
  Agent() = AgentState();
  HTTP_SetAbort(false);
}

TEST(MainWindowLoop, AnAgentWithLifetime0EndsAtItsFirstTick) {
  HTTP_SetAbort(false);
  Agent() = AgentState();
  Startup().identity.agentFlag = true;
  HWND window = CreateMainWindow();
  ASSERT_NE(window, nullptr);
  ::SendMessageA(window, wm_ShutDown, 0, 0);
  RunMainLoop();
  EndMainWindow();
  EXPECT_EQ(Agent().tickCounter, -2);
  EXPECT_FALSE(WindowDestroyed());
  Startup().identity.agentFlag = false;
  Agent() = AgentState();
  ::DestroyWindow(window);
  Pump();
  TakeQuitMessage();
  HTTP_SetAbort(false);
}

}  // namespace
}  // namespace orvane
