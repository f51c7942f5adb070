// The information dialog as a user sees it: the test thread opens the
// dialog, and a second thread finds it by its class, reads what it shows
// (title, geometry, the text as the rich-edit control holds it, the button)
// and then resizes it, presses its button or closes it. The link the button
// opens is a batch file that leaves a marker, so that opening is seen
// without starting a browser.
#include "ui/StubInformDlg.h"

#include <gtest/gtest.h>
#include <richedit.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "harness/Foreground.h"
#include "harness/TestPaths.h"
#include "ui/StubInformDlgRules.h"
#include "util/Utils.h"

namespace orvane {
namespace {

constexpr char kDialogClass[] = "ZRichEditBox";

double Now() {
  return MilliSecondsNow();
}

// The display driver is set up before any second thread runs by the test
// environment of ZMsgBox_test.cpp, which serves the whole test program.

// ---------------------------------------------------------------------------
// Seeing the dialog from outside

struct DialogView {
  HWND dialog = nullptr;
  std::string title;
  LONG style = 0;
  LONG exStyle = 0;
  HWND owner = nullptr;
  RECT window{};
  RECT client{};
  HWND text = nullptr;
  std::string textClass;
  LONG textStyle = 0;
  std::string shownText;
  RECT textRect{};  // client coordinates
  std::string textFace;
  HWND button = nullptr;
  std::string caption;
  RECT buttonRect{};
  bool buttonDefault = false;
  LONG_PTR buttonData = 0;
  LOGFONTA buttonFont{};
  HWND focus = nullptr;
  int children = 0;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  if (WindowClassName(window) == kDialogClass && ::IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> DialogsOf(DWORD thread) {
  std::vector<HWND> dialogs;
  ::EnumThreadWindows(thread, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
  return dialogs;
}

// The dialog of `thread` once its loop runs (a message sent to it comes
// back only when its thread takes messages).
HWND WaitForDialog(DWORD thread, double waitMs = 10000) {
  const double end = Now() + waitMs;
  while (Now() < end) {
    for (HWND dialog : DialogsOf(thread)) {
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      return dialog;
    }
    ::Sleep(10);
  }
  return nullptr;
}

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

DialogView ReadDialog(HWND dialog) {
  DialogView view;
  view.dialog = dialog;
  view.title = WindowText(dialog);
  view.style = ::GetWindowLongA(dialog, GWL_STYLE);
  view.exStyle = ::GetWindowLongA(dialog, GWL_EXSTYLE);
  view.owner = ::GetWindow(dialog, GW_OWNER);
  ::GetWindowRect(dialog, &view.window);
  ::GetClientRect(dialog, &view.client);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info))
    view.focus = info.hwndFocus;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    ++view.children;
    const std::string className = WindowClassName(child);
    if (lstrcmpiA(className.c_str(), "Button") == 0) {
      view.button = child;
      view.caption = WindowText(child);
      view.buttonRect = ChildRect(dialog, child);
      view.buttonDefault = (::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      view.buttonData = ::GetWindowLongPtrA(child, GWLP_USERDATA);
      HFONT font = reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0));
      if (font)
        ::GetObjectA(font, sizeof view.buttonFont, &view.buttonFont);
    } else {
      view.text = child;
      view.textClass = className;
      view.textStyle = ::GetWindowLongA(child, GWL_STYLE);
      view.shownText = test::WindowText(child);
      view.textRect = ChildRect(dialog, child);
      CHARFORMATA format{};
      format.cbSize = sizeof format;
      ::SendMessageA(child, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
      view.textFace = format.szFaceName;
    }
  }
  return view;
}

bool SameRect(const RECT& rect, const Rect2& expected) {
  return rect.left == expected.left && rect.top == expected.top &&
         rect.right - rect.left == expected.width && rect.bottom - rect.top == expected.height;
}

std::string Describe(const RECT& rect) {
  return "{" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
         std::to_string(rect.right - rect.left) + " x " + std::to_string(rect.bottom - rect.top) +
         "}";
}

// ---------------------------------------------------------------------------
// Driving the dialog

struct Shown {
  bool result = false;
  bool found = false;
  bool forced = false;  // still open after the action: closed by the test
  DialogView view;      // as it first appeared
};

// Runs `show` on this thread while a second thread waits for the dialog,
// reads it and runs `act` on it. A dialog still open 5 s after `act` is
// closed, so that a failing test cannot hang.
Shown ShowAndAct(const std::function<bool()>& show, const std::function<void(HWND)>& act) {
  const DWORD thread = ::GetCurrentThreadId();
  std::atomic<bool> returned{false};
  Shown shown;
  std::thread driver([&] {
    HWND dialog = WaitForDialog(thread);
    if (dialog) {
      shown.found = true;
      test::BringToFront(dialog, ReadDialog(dialog).button);
      shown.view = ReadDialog(dialog);
      act(dialog);
    }
    const double end = Now() + 5000;
    while (!returned) {
      if (Now() > end && !shown.forced) {
        shown.forced = true;
        for (HWND open : DialogsOf(thread))
          ::PostMessageA(open, WM_CLOSE, 0, 0);
      }
      ::Sleep(10);
    }
  });
  shown.result = show();
  returned = true;
  driver.join();
  return shown;
}

void CloseBox(HWND dialog) {
  ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

LPARAM KeyData(int key, bool up) {
  LPARAM data = 1 | (static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), 0) & 0xFF) << 16);
  if (up)
    data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  return data;
}

// The space bar, on the window with the keyboard focus: the button, once
// the dialog is in front (a user presses it on the button that shows the
// focus).
void PressSpace(HWND dialog) {
  HWND focus = test::FocusInThreadOf(dialog);
  if (!focus)
    focus = dialog;
  ::PostMessageA(focus, WM_KEYDOWN, VK_SPACE, KeyData(VK_SPACE, false));
  ::PostMessageA(focus, WM_KEYUP, VK_SPACE, KeyData(VK_SPACE, true));
}

bool ClassRegistered() {
  WNDCLASSA windowClass{};
  return ::GetClassInfoA(::GetModuleHandleA(nullptr), kDialogClass, &windowClass) != FALSE;
}

// Counts the dialog windows this thread creates while it lives.
class DialogCreations {
 public:
  DialogCreations() {
    count_ = 0;
    hook_ = ::SetWindowsHookExA(WH_CBT, &Hook, nullptr, ::GetCurrentThreadId());
  }
  ~DialogCreations() {
    if (hook_)
      ::UnhookWindowsHookEx(hook_);
  }
  DialogCreations(const DialogCreations&) = delete;
  DialogCreations& operator=(const DialogCreations&) = delete;

  bool watching() const { return hook_ != nullptr; }
  int count() const { return count_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && WindowClassName(reinterpret_cast<HWND>(wParam)) == kDialogClass)
      ++count_;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline int count_ = 0;
  HHOOK hook_ = nullptr;
};

// A link that shows it was opened: a batch file that writes a marker file
// beside itself.
struct MarkerLink {
  explicit MarkerLink(const std::string& name) {
    const std::string dir = test::ScratchDir(name);
    link = dir + "\\open.bat";
    marker = dir + "\\opened.txt";
    test::WriteBytes(link, "@echo opened>\"" + marker + "\"\r\n");
  }
  bool Opened(double waitMs = 15000) const {
    const double end = Now() + waitMs;
    while (Now() < end) {
      if (test::FileExists(marker))
        return true;
      ::Sleep(50);
    }
    return false;
  }
  std::string link;
  std::string marker;
};

// The owner the agent passes: a plain top-level window of this thread.
class OwnerWindow {
 public:
  OwnerWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvaneInformOwner";
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, windowClass.lpszClassName, "Owner", WS_POPUP, 0, 0, 50, 50,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~OwnerWindow() {
    if (window_)
      ::DestroyWindow(window_);
    ::UnregisterClassA("OrvaneInformOwner", ::GetModuleHandleA(nullptr));
  }
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

bool Show(const std::string& text, const std::string& link, HWND owner = nullptr, int width = 360,
          int height = 300, const std::string& font = "Tahoma", int size = 9, int charset = 0) {
  return ShowInformDialog(owner, "New Version", "Download", text, link, width, height, font, size,
                          charset);
}

// ---------------------------------------------------------------------------
// The window

TEST(StubInformDlgWindow, ShowsTitleTextAndTheLinkButtonLaidOutCentredOnTheScreen) {
  const OwnerWindow owner;
  ASSERT_NE(owner.get(), nullptr);
  const MarkerLink link("inform-window");
  const DialogCreations creations;
  const Shown shown = ShowAndAct(
      [&] {
        return Show("A new version is ready.", "  " + link.link + " ", owner.get(), 420, 310);
      },
      CloseBox);
  ASSERT_TRUE(shown.found) << "no dialog appeared";
  EXPECT_FALSE(shown.forced) << "the close box did not close the dialog";
  EXPECT_TRUE(shown.result);
  const DialogView& view = shown.view;

  EXPECT_EQ(view.title, "New Version");
  EXPECT_TRUE(view.style & WS_THICKFRAME) << "not resizable";
  EXPECT_TRUE(view.style & WS_SYSMENU);
  EXPECT_TRUE(view.exStyle & WS_EX_DLGMODALFRAME);
  EXPECT_EQ(view.owner, owner.get());
  EXPECT_TRUE(::IsWindowEnabled(owner.get())) << "the owner must stay enabled";
  const Rect2 place =
      InformWindowRect(::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), 420, 310);
  EXPECT_TRUE(SameRect(view.window, place)) << Describe(view.window);

  const InformLayout layout = InformDialogLayout(view.client.right, view.client.bottom, true);
  EXPECT_EQ(view.children, 2);
  EXPECT_EQ(view.textClass, "RICHEDIT");
  // (The control shows its vertical scroll bar only while the text does not
  // fit: ALongTextIsShownWholeAndScrolls.)
  const LONG textStyle = WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_WANTRETURN;
  EXPECT_EQ(view.textStyle & textStyle, textStyle);
  EXPECT_EQ(view.shownText, "A new version is ready.");
  EXPECT_TRUE(SameRect(view.textRect, layout.text)) << Describe(view.textRect);
  EXPECT_EQ(view.textRect.bottom, view.client.bottom - 43);

  ASSERT_NE(view.button, nullptr);
  EXPECT_EQ(view.caption, "Download");
  EXPECT_TRUE(view.buttonDefault);
  EXPECT_EQ(view.focus, view.button);
  EXPECT_EQ(view.buttonData, 1);
  EXPECT_TRUE(SameRect(view.buttonRect, layout.button)) << Describe(view.buttonRect);
  EXPECT_EQ(view.buttonRect.top, view.client.bottom - 33);

  // The fonts: the button in the language's face and size, the text in
  // Verdana instead of Tahoma.
  EXPECT_STREQ(view.buttonFont.lfFaceName, "Tahoma");
  EXPECT_EQ(view.buttonFont.lfHeight, -PixelsFromPoints(9));
  EXPECT_EQ(view.textFace, "Verdana");

  EXPECT_FALSE(::IsWindow(view.dialog));
  EXPECT_EQ(creations.count(), 1);
  EXPECT_FALSE(ClassRegistered()) << "the class stays registered";
  EXPECT_FALSE(link.Opened(500)) << "closing the window opened the link";
}

TEST(StubInformDlgWindow, WithoutALinkTheTextFillsTheWindowAndThereIsNoButton) {
  for (const char* blankLink : {"", "  \t "}) {
    SCOPED_TRACE(std::string("link \"") + blankLink + "\"");
    const Shown shown = ShowAndAct(
        [&] { return Show("Only news.", blankLink, nullptr, 300, 200, "Arial"); }, CloseBox);
    ASSERT_TRUE(shown.found);
    EXPECT_FALSE(shown.forced);
    EXPECT_TRUE(shown.result);
    EXPECT_EQ(shown.view.button, nullptr);
    EXPECT_EQ(shown.view.children, 1);
    EXPECT_TRUE(SameRect(shown.view.textRect,
                         {3, 0, shown.view.client.right - 3, shown.view.client.bottom}))
        << Describe(shown.view.textRect);
    EXPECT_EQ(shown.view.textFace, "Arial");
    EXPECT_EQ(shown.view.owner, nullptr);
  }
}

TEST(StubInformDlgWindow, ResizingKeepsTheButtonCentredAboveTheBottom) {
  const MarkerLink link("inform-resize");
  struct Size {
    int width, height;
  };
  const Size sizes[] = {{520, 430}, {301, 180}, {250, 400}};
  std::vector<DialogView> seen;
  const Shown shown = ShowAndAct([&] { return Show("Resize me.", link.link); },
                                 [&](HWND dialog) {
                                   for (const Size& size : sizes) {
                                     ::SetWindowPos(dialog, nullptr, 0, 0, size.width, size.height,
                                                    SWP_NOMOVE | SWP_NOZORDER);
                                     seen.push_back(ReadDialog(dialog));
                                   }
                                   CloseBox(dialog);
                                 });
  ASSERT_TRUE(shown.found);
  EXPECT_FALSE(shown.forced);
  ASSERT_EQ(seen.size(), std::size(sizes));
  for (size_t i = 0; i < seen.size(); ++i) {
    const DialogView& view = seen[i];
    SCOPED_TRACE(Describe(view.window));
    EXPECT_EQ(view.window.right - view.window.left, sizes[i].width);
    const int cw = view.client.right;
    const int ch = view.client.bottom;
    EXPECT_EQ(view.buttonRect.top, ch - 33);
    EXPECT_EQ(view.buttonRect.bottom, ch - 8);
    EXPECT_EQ(view.buttonRect.left, (cw - 160) / 2);
    EXPECT_EQ(view.buttonRect.right - view.buttonRect.left, 160);
    EXPECT_TRUE(SameRect(view.textRect, {3, 0, cw - 3, ch - 43})) << Describe(view.textRect);
  }
}

// ---------------------------------------------------------------------------
// Opening the link

TEST(StubInformDlgLink, TheButtonOpensTheLinkAndClosesTheDialog) {
  const struct {
    const char* name;
    std::function<void(HWND)> press;
  } presses[] = {
      {"click", [](HWND dialog) { ::SendMessageA(ReadDialog(dialog).button, BM_CLICK, 0, 0); }},
      {"space bar on the focused button", PressSpace},
  };
  int run = 0;
  for (const auto& press : presses) {
    SCOPED_TRACE(press.name);
    const MarkerLink link("inform-button-" + std::to_string(++run));
    const Shown shown = ShowAndAct([&] { return Show("News.", link.link); }, press.press);
    ASSERT_TRUE(shown.found);
    EXPECT_FALSE(shown.forced) << "the button did not close the dialog";
    EXPECT_TRUE(shown.result);
    EXPECT_TRUE(link.Opened()) << "the link was not opened";
    EXPECT_FALSE(ClassRegistered());
  }
}

TEST(StubInformDlgLink, ALinkTheShellCannotOpenStillClosesTheDialog) {
  const std::string missing = test::ScratchDir("inform-missing") + "\\no-such-file.bat";
  const Shown shown =
      ShowAndAct([&] { return Show("News.", missing); },
                 [](HWND dialog) { ::SendMessageA(ReadDialog(dialog).button, BM_CLICK, 0, 0); });
  ASSERT_TRUE(shown.found);
  EXPECT_FALSE(shown.forced);
  EXPECT_TRUE(shown.result);
}

TEST(StubInformDlgLink, WithoutTextTheLinkOpensAtOnceWithoutAWindow) {
  const MarkerLink link("inform-no-text");
  const DialogCreations creations;
  ASSERT_TRUE(creations.watching());
  EXPECT_TRUE(Show("", " " + link.link + "\t"));
  EXPECT_EQ(creations.count(), 0);
  EXPECT_TRUE(link.Opened());
}

TEST(StubInformDlgLink, NeitherTextNorLinkShowsNothing) {
  for (const char* blankLink : {"", "   ", "\t\r\n"}) {
    SCOPED_TRACE(std::string("link \"") + blankLink + "\"");
    const DialogCreations creations;
    ASSERT_TRUE(creations.watching());
    EXPECT_FALSE(Show("", blankLink));
    EXPECT_EQ(creations.count(), 0);
  }
}

// ---------------------------------------------------------------------------
// The text

TEST(StubInformDlgText, RichTextIsShownFormattedWithoutEmbeddedObjects) {
  const struct {
    const char* name;
    std::string text;
    std::string shown;
  } cases[] = {
      {"an object between two words",
       "{\\rtf1\\ansi Before{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata "
       "0105000002000000}{\\result Fallback}}After}",
       "BeforeAfter"},
      {"a left-over object data group", "{\\rtf1 One{\\*\\objdata 0102}Two}", "OneTwo"},
      {"formatting is read, not shown", "{\\rtf1 {\\b Bold} plain}", "Bold plain"},
      {"plain text is shown as it is", "Plain {\\object x} text", "Plain {\\object x} text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown shown = ShowAndAct([&] { return Show(c.text, ""); }, CloseBox);
    ASSERT_TRUE(shown.found);
    EXPECT_FALSE(shown.forced);
    EXPECT_EQ(shown.view.shownText, c.shown);
  }
}

TEST(StubInformDlgText, ALongTextIsShownWholeAndScrolls) {
  // Beyond the control's default limit of 32767 characters.
  std::string text;
  for (int i = 0; text.size() < 100000; ++i)
    text += "Item " + std::to_string(i) + " of the release notes. ";
  const Shown shown = ShowAndAct([&] { return Show(text, ""); }, CloseBox);
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.view.shownText.size(), text.size());
  EXPECT_TRUE(shown.view.textStyle & WS_VSCROLL) << "no scroll bar";
}

// ---------------------------------------------------------------------------
// The thread's quit message

TEST(StubInformDlgLoop, AQuitMessageClosesTheDialogAndIsPostedAgain) {
  const DWORD thread = ::GetCurrentThreadId();
  const Shown shown = ShowAndAct([&] { return Show("News.", ""); },
                                 [&](HWND) { ::PostThreadMessageA(thread, WM_QUIT, 7, 0); });
  ASSERT_TRUE(shown.found);
  EXPECT_FALSE(shown.forced) << "the quit message did not close the dialog";
  EXPECT_TRUE(shown.result);
  EXPECT_FALSE(::IsWindow(shown.view.dialog));
  MSG message{};
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
      << "the quit message was lost";
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace orvane
