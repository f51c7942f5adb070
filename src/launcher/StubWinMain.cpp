#include "launcher/StubWinMain.h"

#include <commctrl.h>

#include <climits>
#include <string>

#include "agent/InetHTTPAbort.h"
#include "agent/StubAU.h"
#include "agent/ZProgBar.h"
#include "launcher/StubSetup.h"
#include "launcher/StubWin.h"
#include "package/LangStringsWin.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

constexpr int kLabelFontHeight = -11;
constexpr char kLabelFontFace[] = "Tahoma";
constexpr int kIconX = 18;
constexpr int kIconY = 20;

struct MainWindowState {
  HWND window = nullptr;
  HWND label = nullptr;
  HWND mainBar = nullptr;
  HWND activityBar = nullptr;
  bool destroyed = false;
  HWND clientWindow = nullptr;
  UINT clientMessage = 0;
  GdiObject labelFont;  // set on the label; lives as long as the process
};

MainWindowState& State() {
  static MainWindowState state;
  return state;
}

// The common controls (the progress bar class) come from comctl32, loaded
// from the System folder. It stays loaded until the process ends: its window
// procedures serve the bars until then.
void InitCommonControlsOnce() {
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const InitFn init = [] {
    LibraryProc library = GetProcFromLibrary("comctl32.dll", "InitCommonControlsEx");
    library.module.release();
    return library.proc != nullptr ? ProcAs<InitFn>(library.proc) : nullptr;
  }();
  if (init == nullptr)
    return;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_PROGRESS_CLASS;
  init(&controls);
}

HINSTANCE ProgramInstance() {
  return ::GetModuleHandleA(nullptr);
}

void RegisterMainWindowClass(const std::string& className) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = ProgramInstance();
  windowClass.hIcon = ::LoadIconA(ProgramInstance(), "MainIcon");
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;  // PaintMainWindow paints the background
  windowClass.lpszClassName = className.c_str();
  // A class left registered by an earlier window of this process is reused.
  ::RegisterClassA(&windowClass);
}

HWND CreateChild(HWND parent, const char* className, DWORD style, const ChildBounds& bounds) {
  return ::CreateWindowExA(0, className, "", style, bounds.x, bounds.y, bounds.width, bounds.height,
                           parent, nullptr, ProgramInstance(), nullptr);
}

// The creation message: label, main bar, activity bar, timer 1, label font.
void CreateChildren(HWND window) {
  MainWindowState& state = State();
  state.window = window;
  const int charset = GetCharset(OwnPackage());
  state.label = CreateChild(window, "Static", WS_CHILD | WS_VISIBLE, LabelBounds(charset));
  state.mainBar = CreateChild(window, PROGRESS_CLASSA, WS_CHILD | WS_VISIBLE, MainBarBounds());
  state.activityBar = CreateChild(window, PROGRESS_CLASSA, WS_CHILD, ActivityBarBounds(charset));
  SetProgressBars(state.mainBar, state.activityBar);
  ::SetTimer(window, kMainTimerId, kMainTimerMs, nullptr);
  state.labelFont.reset(::CreateFontA(kLabelFontHeight, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                      kLabelFontFace));
  ::SendMessageA(state.label, WM_SETFONT, reinterpret_cast<WPARAM>(state.labelFont.get()), TRUE);
}

// The agent's remaining lifetime and the client message travel in the low
// 32 bits, whatever the width of the sender's parameters.
int32_t Low32Signed(uintptr_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The launcher as the agent's host: its package, main window, client and
// setup flow.
class LauncherAgentHost final : public AgentHost {
 public:
  const TGFileInfo& OwnPackage() override { return orvane::OwnPackage(); }
  HWND MainWindow() override { return State().window; }
  void NotifyClient(WPARAM code, LPARAM stage) override { orvane::NotifyClient(code, stage); }
  void StyleLabel(const std::string& text, const std::string& fontName, int charset,
                  int fontSize) override {
    orvane::StyleLabel(State().label, text, fontName, charset, fontSize);
  }
  bool RunUpdateSetup(const std::string& packageFile, const std::string& switches,
                      bool foreground) override {
    const std::string folder = WorkingFolder();
    const bool installed =
        RunSetup(folder, packageFile, OwnPackage().GetAgentFileName(), switches, foreground);
    if (!folder.empty())
      DeleteTree(folder, false);
    return installed;
  }
};

}  // namespace

// ---------------------------------------------------------------------------
// Geometry

bool IsRightToLeftCharset(int charset) {
  return charset == HEBREW_CHARSET || charset == ARABIC_CHARSET;
}

ChildBounds LabelBounds(int charset) {
  return {IsRightToLeftCharset(charset) ? 122 : 70, 20, 340, 18};
}

ChildBounds MainBarBounds() {
  return {70, 38, 392, 13};
}

ChildBounds ActivityBarBounds(int charset) {
  return {IsRightToLeftCharset(charset) ? 70 : 416, 20, 46, 13};
}

// ---------------------------------------------------------------------------
// State

HWND MainWindow() {
  return State().window;
}
HWND MainLabel() {
  return State().label;
}
HWND MainBar() {
  return State().mainBar;
}
HWND ActivityBar() {
  return State().activityBar;
}
bool WindowDestroyed() {
  return State().destroyed;
}
HWND ClientWindow() {
  return State().clientWindow;
}
UINT ClientMessage() {
  return State().clientMessage;
}

// ---------------------------------------------------------------------------
// "WinMain"

void RunMainWindow() {
  if (HWND window = CreateMainWindow()) {
    ::ShowWindow(window, SW_HIDE);
    RunMainLoop();
  }
  EndMainWindow();
}

HWND CreateMainWindow() {
  MainWindowState& state = State();
  state.window = state.label = state.mainBar = state.activityBar = nullptr;
  state.destroyed = false;
  state.clientWindow = nullptr;
  state.clientMessage = 0;

  const int64_t sleep = GetSwitchInt("/SleepX=", -1);
  if (sleep >= 0)
    Agent().tickCounter = sleep > INT32_MAX ? -INT32_MAX : -static_cast<int32_t>(sleep);

  static LauncherAgentHost agentHost;
  SetAgentHost(agentHost);

  InitCommonControlsOnce();
  const std::string& className = Startup().instanceKey;
  RegisterMainWindowClass(className);

  const POINT origin = CentreInWorkArea(kMainWindowWidth, kMainWindowHeight);
  const TGFileInfo& package = OwnPackage();
  const std::string caption = GetLangString(package, "s0", kMainCaptionDefault);
  HWND window = ::CreateWindowExA(
      0, className.c_str(), caption.c_str(), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, origin.x,
      origin.y, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, ProgramInstance(), nullptr);
  state.window = window;
  SetMsgBoxFont(GetFontName(package), GetFontSize(package), GetCharset(package));
  return window;
}

void RunMainLoop() {
  MSG message;
  for (;;) {
    // 0: the quit message; -1: no queue to read.
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1)
      break;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
    if (State().destroyed)
      break;
  }
}

void EndMainWindow() {
  ::KillTimer(State().window, kMainTimerId);
  HTTP_SetAbort(true);
  HTTP_FreeLibrary();
  NotifyClient(kNotifyLoopEnded, 0);
}

// ---------------------------------------------------------------------------
// Window procedure

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool defaultProcessing = true;
  LRESULT result = 0;
  switch (message) {
    case WM_CREATE:
      CreateChildren(window);
      break;
    case WM_DESTROY:
      ConsoleLine("- wm_Destroy -");
      DestroyMainWindow();
      break;
    case WM_PAINT:
      PaintMainWindow(window);
      break;  // the default processing validates the window
    case WM_CLOSE:
      defaultProcessing = CloseMainWindow();
      break;
    case WM_QUIT:  // sent by another program (a posted one ends the loop instead)
      ConsoleLine("- wm_Quit -");
      DestroyMainWindow();
      break;
    case WM_TIMER:
      if (Startup().identity.agentFlag)
        AgentTick();
      else
        StartSetup();
      break;
    case wm_ShutDown:
      Agent().remainingLifetime = Low32Signed(wParam);
      break;
    case wm_LocalMsg: {
      MainWindowState& state = State();
      state.clientWindow = reinterpret_cast<HWND>(wParam);
      state.clientMessage = static_cast<UINT>(static_cast<uintptr_t>(lParam));
      NotifyClient(kNotifyAgentWindow, reinterpret_cast<LPARAM>(window));
      NotifyClient(kNotifyAgentMessage, wm_AgentMsg);
      break;
    }
    case wm_AgentMsg:
      result = AgentCommand(OwnPackage(), wParam, lParam);
      defaultProcessing = false;
      break;
    default:
      break;
  }
  // Answering 1 cancels the shell's AutoPlay of a disk inserted meanwhile.
  // Until a spanned extraction registers the message, the number is 0, so
  // message 0 (WM_NULL) is answered with 1 as well.
  if (message == QueryCancelAutoPlayMessage())
    return 1;
  return defaultProcessing ? ::DefWindowProcA(window, message, wParam, lParam) : result;
}

void DestroyMainWindow() {
  ConsoleLine(".. DestroyMainWindow() - Start");
  HTTP_SetAbort(true);
  const std::string folder = WorkingFolder();
  if (!folder.empty())
    DeleteTree(folder, false);
  ::PostQuitMessage(0);
  State().destroyed = true;
  ConsoleLine(".. DestroyMainWindow() - End");
}

bool CloseMainWindow() {
  ConsoleLine(".. CloseMainWindow() - Start");
  const bool allow = HTTP_IsAborted();
  if (!allow)
    HTTP_SetAbort(true);
  ConsoleLine(".. CloseMainWindow() - End");
  return allow;
}

void PaintMainWindow(HWND window) {
  // A device context of the window, not the paint structure: the default
  // processing that follows validates the window.
  const DeviceContext dc(window);
  if (dc.get() == nullptr)
    return;
  RECT client{};
  ::GetClientRect(window, &client);
  const GdiObject brush(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
  ::FillRect(dc.get(), &client, static_cast<HBRUSH>(brush.get()));
  // A shared icon of the program's resources: not destroyed.
  if (HICON icon = ::LoadIconA(ProgramInstance(), "MainIcon"))
    ::DrawIcon(dc.get(), kIconX, kIconY, icon);
}

void NotifyClient(WPARAM code, LPARAM value) {
  const MainWindowState& state = State();
  if (state.clientWindow != nullptr && state.clientMessage != 0)
    ::PostMessageA(state.clientWindow, state.clientMessage, code, value);
}

}  // namespace orvane
