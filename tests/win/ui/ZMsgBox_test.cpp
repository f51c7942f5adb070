// The message box as a user sees it: the test thread opens real boxes, and a
// second thread finds each box by its class, reads what it shows (the text
// as the rich-edit control holds it, which characters are bold, the button
// captions from left to right, the geometry) and answers it with keys and
// clicks sent to its windows.
#include "ui/ZMsgBox.h"

#include <gtest/gtest.h>
#include <richedit.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "harness/Foreground.h"
#include "harness/LauncherProcess.h"
#include "harness/ScopedEnv.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {
namespace {

double Now() {
  return MilliSecondsNow();
}

// ---------------------------------------------------------------------------
// Seeing a box from outside

struct ButtonView {
  HWND window = nullptr;
  std::string caption;
  RECT rect{};  // in the box's client coordinates
  bool isDefault = false;
};

struct BoxView {
  HWND box = nullptr;
  HWND textArea = nullptr;
  std::string textAreaClass;
  std::string title;
  std::string text;
  std::vector<BoldRange> bold;  // runs of bold characters
  int lineCount = 0;
  LONG textStyle = 0;
  LONG textExStyle = 0;
  std::vector<ButtonView> buttons;  // left to right
  RECT window{};
  RECT client{};
  RECT textRect{};  // in client coordinates
  HWND focus = nullptr;
  HWND owner = nullptr;
  bool closeGrayed = false;
  bool enabled = false;

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const ButtonView& b : buttons)
      captions.push_back(b.caption);
    return captions;
  }
  int DefaultButton() const {
    for (size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i].isDefault)
        return static_cast<int>(i);
    }
    return -1;
  }
  int FocusedButton() const {
    for (size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i].window == focus)
        return static_cast<int>(i);
    }
    return -1;
  }
};

BOOL CALLBACK CollectBox(HWND window, LPARAM found) {
  if (WindowClassName(window) == "ZMsgBox" && ::IsWindowVisible(window))
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> BoxesOf(DWORD thread) {
  std::vector<HWND> boxes;
  ::EnumThreadWindows(thread, CollectBox, reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

// The first box of `thread` that is not in `known`, once its loop runs (a
// message sent to it comes back only when its thread takes messages again).
HWND WaitForNewBox(DWORD thread, const std::vector<HWND>& known = {}, double waitMs = 10000) {
  const double end = Now() + waitMs;
  while (Now() < end) {
    for (HWND box : BoxesOf(thread)) {
      if (std::find(known.begin(), known.end(), box) != known.end())
        continue;
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      return box;
    }
    ::Sleep(10);
  }
  return nullptr;
}

bool WaitGone(HWND window, double waitMs = 5000) {
  const double end = Now() + waitMs;
  while (::IsWindow(window)) {
    if (Now() > end)
      return false;
    ::Sleep(10);
  }
  return true;
}

RECT ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool IsBoldAt(HWND richEdit, int at) {
  CHARRANGE range{at, at + 1};
  ::SendMessageA(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMATA format{};
  format.cbSize = sizeof format;
  ::SendMessageA(richEdit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

BoxView ReadBox(HWND box) {
  BoxView view;
  view.box = box;
  view.title = WindowText(box);
  ::GetWindowRect(box, &view.window);
  ::GetClientRect(box, &view.client);
  view.enabled = ::IsWindowEnabled(box) != FALSE;
  view.owner = ::GetWindow(box, GW_OWNER);
  const UINT closeState = ::GetMenuState(::GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND);
  view.closeGrayed = closeState != static_cast<UINT>(-1) && (closeState & MF_GRAYED);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info))
    view.focus = info.hwndFocus;

  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const std::string className = WindowClassName(child);
    if (lstrcmpiA(className.c_str(), "Button") == 0) {
      ButtonView button;
      button.window = child;
      button.caption = WindowText(child);
      button.rect = ChildRect(box, child);
      button.isDefault = (::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      view.buttons.push_back(button);
    } else {
      view.textArea = child;
      view.textAreaClass = className;
    }
  }
  std::sort(view.buttons.begin(), view.buttons.end(),
            [](const ButtonView& a, const ButtonView& b) { return a.rect.left < b.rect.left; });

  if (view.textArea) {
    view.text = test::WindowText(view.textArea);
    view.textRect = ChildRect(box, view.textArea);
    view.textStyle = ::GetWindowLongA(view.textArea, GWL_STYLE);
    view.textExStyle = ::GetWindowLongA(view.textArea, GWL_EXSTYLE);
    view.lineCount = static_cast<int>(::SendMessageA(view.textArea, EM_GETLINECOUNT, 0, 0));
    if (lstrcmpiA(view.textAreaClass.c_str(), "RICHEDIT") == 0) {
      // Line breaks have no visible weight (and half a CR LF pair cannot be
      // selected on its own), so they are not read: they end a run. A text
      // that is not bold anywhere is known from one question (character by
      // character, a long text would take minutes).
      CHARRANGE all{0, -1};
      ::SendMessageA(view.textArea, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
      CHARFORMATA whole{};
      whole.cbSize = sizeof whole;
      ::SendMessageA(view.textArea, EM_GETCHARFORMAT, SCF_SELECTION,
                     reinterpret_cast<LPARAM>(&whole));
      const bool nowhereBold = (whole.dwMask & CFM_BOLD) && !(whole.dwEffects & CFE_BOLD);
      const int length = nowhereBold ? 0 : static_cast<int>(view.text.size());
      for (int i = 0; i < length; ++i) {
        if (view.text[i] == '\r' || view.text[i] == '\n' || !IsBoldAt(view.textArea, i))
          continue;
        if (!view.bold.empty() && view.bold.back().end == i)
          view.bold.back().end = i + 1;
        else
          view.bold.push_back({i, i + 1});
      }
      CHARRANGE none{0, 0};
      ::SendMessageA(view.textArea, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
    }
  }
  return view;
}

// ---------------------------------------------------------------------------
// Answering a box from outside

// The window that has the keyboard focus in the box's thread (the box itself
// when none has).
HWND FocusOf(HWND box) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus)
    return info.hwndFocus;
  return box;
}

LPARAM KeyData(int key, bool alt, bool up) {
  const UINT scan = ::MapVirtualKeyA(static_cast<UINT>(key), 0);
  LPARAM data = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (alt)
    data |= LPARAM(1) << 29;
  if (up)
    data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
  return data;
}

void PressKey(HWND box, int key) {
  HWND focus = FocusOf(box);
  ::PostMessageA(focus, WM_KEYDOWN, static_cast<WPARAM>(key), KeyData(key, false, false));
  ::PostMessageA(focus, WM_KEYUP, static_cast<WPARAM>(key), KeyData(key, false, true));
}

// Alt + key: the box's loop translates the key into the Alt character.
void PressAltKey(HWND box, int key) {
  HWND focus = FocusOf(box);
  ::PostMessageA(focus, WM_SYSKEYDOWN, static_cast<WPARAM>(key), KeyData(key, true, false));
  ::PostMessageA(focus, WM_SYSKEYUP, static_cast<WPARAM>(key), KeyData(key, true, true));
}

void ClickButton(HWND button) {
  ::SendMessageA(button, BM_CLICK, 0, 0);
}

void MouseClick(HWND button) {
  RECT rect{};
  ::GetClientRect(button, &rect);
  const LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
  ::PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(button, WM_LBUTTONUP, 0, at);
}

// Under Wine the display driver is set up on the first window call of the
// process that needs it, and that set-up takes the loader lock. When a
// test's second thread makes its first window call while this thread loads
// the rich-edit library (whose start-up registers window classes under the
// loader lock), each thread waits for the other for ever. Registering a
// class and making a window here, before any second thread runs, leaves
// nothing to race for. A global environment serves every test of the
// program, the information dialog's too.
class DisplayDriverFirst : public ::testing::Environment {
 public:
  void SetUp() override {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvaneDisplayDriverFirst";
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                    nullptr, windowClass.hInstance, nullptr);
    if (window != nullptr)
      ::DestroyWindow(window);
    ::UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
  }
};
[[maybe_unused]] ::testing::Environment* const kDisplayDriverFirst =
    ::testing::AddGlobalTestEnvironment(new DisplayDriverFirst);

BOOL CALLBACK DescribeWindow(HWND window, LPARAM) {
  char text[200] = {};
  ::GetClassNameA(window, text, sizeof text);
  std::fprintf(stderr, "  window %p class %s visible %d enabled %d\n", static_cast<void*>(window),
               text, ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0);
  return TRUE;
}

// What a thread whose box will not close has: its windows, its focus and
// capture, and whether it still takes messages.
void DescribeStuckThread(DWORD thread, bool boxFound) {
  std::fprintf(stderr, "the box thread %lu does not return (box found: %d)\n",
               static_cast<unsigned long>(thread), boxFound ? 1 : 0);
  ::EnumThreadWindows(thread, DescribeWindow, 0);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(thread, &info))
    std::fprintf(stderr, "  flags %lx active %p focus %p capture %p\n",
                 static_cast<unsigned long>(info.flags), static_cast<void*>(info.hwndActive),
                 static_cast<void*>(info.hwndFocus), static_cast<void*>(info.hwndCapture));
  for (HWND box : BoxesOf(thread)) {
    DWORD_PTR ignored = 0;
    const bool answers =
        ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored) != 0;
    std::fprintf(stderr, "  box %p takes messages: %d\n", static_cast<void*>(box), answers ? 1 : 0);
  }
  std::fflush(stderr);
}

// Shows a box with `show` on this thread while a second thread waits for it,
// reads it into `seen` and runs `answer` on it. A box still open
// `graceMs` after the answer is closed, so that a failing test cannot hang;
// that counts as a failure.
int ShowAndAnswer(const std::function<int()>& show,
                  const std::function<void(const BoxView&)>& answer, BoxView* seen = nullptr,
                  double graceMs = 5000) {
  const DWORD thread = ::GetCurrentThreadId();
  std::atomic<bool> returned{false};
  bool found = false;
  bool forced = false;
  std::thread driver([&] {
    HWND box = WaitForNewBox(thread);
    if (box) {
      found = true;
      test::BringToFront(box, nullptr);
      const BoxView view = ReadBox(box);
      if (seen)
        *seen = view;
      answer(view);
    }
    const double end = Now() + graceMs;
    bool described = false;
    while (!returned) {
      if (Now() > end) {
        forced = true;
        for (HWND open : BoxesOf(thread))
          ::PostMessageA(open, WM_CLOSE, 0, 0);
      }
      // A box that does not close even so: say what the thread has, for the
      // log of the hung test.
      if (!described && Now() > end + 10000) {
        described = true;
        DescribeStuckThread(thread, found);
      }
      ::Sleep(10);
    }
  });
  const int result = show();
  returned = true;
  driver.join();
  EXPECT_TRUE(found) << "no box appeared";
  EXPECT_FALSE(forced) << "the box did not close after the answer";
  return result;
}

int ShowBox(std::string_view text, uint32_t flags,
            const std::function<void(const BoxView&)>& answer, BoxView* seen = nullptr,
            MsgOwner owner = kMsgOwnerPlain, int charset = 0,
            std::string_view buttons = kDefaultButtonList) {
  return ShowAndAnswer(
      [&] { return ShowMsgBox(owner, text, "Caption", buttons, charset, flags, 0); }, answer, seen);
}

void Escape(const BoxView& view) {
  PressKey(view.box, VK_ESCAPE);
}

// ---------------------------------------------------------------------------
// What the box shows

TEST(ZMsgBoxText, ShowsTheMarkupAsTextWithBoldSpans) {
  struct Case {
    const char* name;
    const char* markup;
    const char* text;
    std::vector<BoldRange> bold;
  };
  const Case cases[] = {
      {"bold word, paragraph, second word", "<B>First</B><P>Second", "First\r\nSecond", {{0, 5}}},
      {"tags in any case", "<b>First</B><p>Second", "First\r\nSecond", {{0, 5}}},
      {"no closing tag: nothing bold", "<B>Open ended", "Open ended", {}},
      {"stray closing tag before the span", "</B>a<B>b</B>c", "abc", {}},
      {"escapes need the double backslash",
       "one\\\\ntwo\\nthree\\\\tfour",
       "one\r\ntwo\\nthree\tfour",
       {}},
      {"two spans and tabs",
       "<B>Size:</B><T>1 MB<P><B>Free:</B><T>2 MB",
       "Size:\t1 MB\r\nFree:\t2 MB",
       {{0, 5}, {12, 17}}},
      {"empty text", "", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxView view;
    EXPECT_EQ(ShowBox(c.markup, 0, Escape, &view), kMsgResultNone);
    EXPECT_EQ(view.textAreaClass, "RICHEDIT");
    EXPECT_EQ(view.text, c.text);
    EXPECT_EQ(view.bold, c.bold);
    EXPECT_EQ(view.title, "Caption");
  }
}

TEST(ZMsgBoxText, OwnerCodeZeroAddsTheKindHeading) {
  struct Case {
    const char* name;
    std::function<void()> show;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      {"error", [] { MsgError(0, "Bad <B>CRC</B>!"); }, "Error", "ERROR\r\n\r\nBad CRC!\r\n"},
      {"attention", [] { MsgAttention(0, "Insert disk"); }, "Attention",
       "ATTENTION\r\n\r\nInsert disk\r\n"},
      {"confirm", [] { MsgYesNo(0, "Go on?"); }, "Confirm", "CONFIRM\r\n\r\nGo on?\r\n"},
      {"translated caption as written", [] { MsgError(0, "Kaputt", "Fehler"); }, "Fehler",
       "Fehler\r\n\r\nKaputt\r\n"},
      {"code 1: no heading", [] { MsgError(1, "Plain"); }, "Error", "Plain"},
      {"code 2: no heading", [] { MsgError(2, "Plain"); }, "Error", "Plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxView view;
    ShowAndAnswer(
        [&] {
          c.show();
          return 0;
        },
        Escape, &view);
    EXPECT_EQ(view.title, c.title);
    EXPECT_EQ(view.text, c.text);
    const size_t headingLength = std::string(c.text).find('\r');
    if (headingLength != std::string::npos &&
        std::string(c.text).find("\r\n\r\n") == headingLength) {
      ASSERT_FALSE(view.bold.empty());
      EXPECT_EQ(view.bold.front(), (BoldRange{0, static_cast<int>(headingLength)}));
    }
  }
}

TEST(ZMsgBoxText, BoldLinesAreNotWrapped) {
  // Bold glyphs are wider than the text was measured; the box widens the text
  // area until the control needs no more lines than measured.
  const std::string line = "<B>A rather long bold line that would wrap if measured plain</B>";
  BoxView view;
  ShowBox(line + "<P>" + line + "<P>plain", 0, Escape, &view);
  EXPECT_EQ(view.lineCount, 3) << view.text;
}

TEST(ZMsgBoxText, RightToLeftCharsetsAlignAndReadRightToLeft) {
  const std::pair<int, bool> cases[] = {{177, true}, {178, true}, {0, false}, {161, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    BoxView view;
    ShowBox("\xF9\xEC\xE5\xED", 0, Escape, &view, kMsgOwnerPlain, c.first);
    EXPECT_EQ((view.textStyle & ES_RIGHT) != 0, c.second);
    EXPECT_EQ((view.textExStyle & WS_EX_RTLREADING) != 0, c.second);
  }
}

// ---------------------------------------------------------------------------
// Buttons

TEST(ZMsgBoxButtons, SetsShowTheirCaptionsLeftToRightWithTheDefaultFocused) {
  struct Case {
    uint32_t flags;
    const char* list;
    std::vector<std::string> captions;
    int defaultButton;
  };
  const Case cases[] = {
      {0x0, kDefaultButtonList.data(), {"&OK"}, 0},
      {0x1, kDefaultButtonList.data(), {"&OK", "&Cancel"}, 0},
      {0x2, kDefaultButtonList.data(), {"&Abort", "&Retry", "&Ignore"}, 0},
      {0x3, kDefaultButtonList.data(), {"&Yes", "&No", "&Cancel"}, 0},
      {0x4, kDefaultButtonList.data(), {"&Yes", "&No"}, 0},
      {0x5, kDefaultButtonList.data(), {"&Retry", "&Cancel"}, 0},
      {0x6, kDefaultButtonList.data(), {}, -1},
      {0x104, kDefaultButtonList.data(), {"&Yes", "&No"}, 1},
      {0x204, kDefaultButtonList.data(), {"&Yes", "&No"}, 0},  // 2 of 2: the leftmost
      {0x202, kDefaultButtonList.data(), {"&Abort", "&Retry", "&Ignore"}, 2},
      {0x3, "|&Ja|&Abbrechen|&Ja|&Nein|", {"&Ja", "&Nein", "&Abbrechen"}, 0},
      {0x4, "|&Oui|&Annuler|", {"&Yes", "&No"}, 0},  // missing fields: default captions
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.flags << " " << c.list);
    BoxView view;
    ShowBox("Text", c.flags, Escape, &view, kMsgOwnerPlain, 0, c.list);
    EXPECT_EQ(view.Captions(), c.captions);
    EXPECT_EQ(view.DefaultButton(), c.defaultButton);
    EXPECT_EQ(view.FocusedButton(), c.defaultButton);
    // 70 x 23, touching, the rightmost 80 pixels from the right edge, in the
    // middle of the 36-pixel strip.
    const int cw = view.client.right;
    const int ch = view.client.bottom;
    for (size_t i = 0; i < view.buttons.size(); ++i) {
      const RECT& r = view.buttons[i].rect;
      EXPECT_EQ(r.right - r.left, 70);
      EXPECT_EQ(r.bottom - r.top, 23);
      EXPECT_EQ(r.top, ch - 29);
      EXPECT_EQ(r.left, cw - 80 - 70 * static_cast<int>(view.buttons.size() - 1 - i));
    }
  }
}

// ---------------------------------------------------------------------------
// Answers

// One user action on an open box.
using Action = std::function<void(const BoxView&)>;

bool MovesFocus(int key) {
  return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_TAB;
}

// Keys in turn; after a key that moves the focus the next one waits until it
// has moved, since a key goes to the window that has the focus.
Action Keys(std::vector<int> keys) {
  return [keys](const BoxView& view) {
    for (int key : keys) {
      const HWND before = FocusOf(view.box);
      PressKey(view.box, key);
      if (MovesFocus(key) && view.buttons.size() > 1) {
        const double end = Now() + 2000;
        while (FocusOf(view.box) == before && Now() < end)
          ::Sleep(5);
      }
    }
  };
}
Action Alt(int key) {
  return [key](const BoxView& view) { PressAltKey(view.box, key); };
}
Action Click(int index) {
  return [index](const BoxView& view) { ClickButton(view.buttons.at(index).window); };
}
Action Mouse(int index) {
  return [index](const BoxView& view) { MouseClick(view.buttons.at(index).window); };
}
Action Then(Action first, Action second) {
  return [first, second](const BoxView& view) {
    first(view);
    second(view);
  };
}
Action CloseBox() {
  return [](const BoxView& view) { ::PostMessageA(view.box, WM_SYSCOMMAND, SC_CLOSE, 0); };
}

TEST(ZMsgBoxAnswers, EachKeyAndClickGivesItsResult) {
  struct Case {
    const char* name;
    uint32_t flags;
    Action action;
    int result;
  };
  const Case cases[] = {
      {"Y answers Yes without Alt", 0x24, Keys({'Y'}), kMsgResultYes},
      {"N answers No", 0x24, Keys({'N'}), kMsgResultNo},
      {"Alt+N answers No", 0x24, Alt('N'), kMsgResultNo},
      {"Alt+Y answers Yes", 0x24, Alt('Y'), kMsgResultYes},
      {"Escape closes with 0", 0x24, Keys({VK_ESCAPE}), kMsgResultNone},
      {"Enter takes the default button", 0x24, Keys({VK_RETURN}), kMsgResultYes},
      {"Enter on default button 1", 0x124, Keys({VK_RETURN}), kMsgResultNo},
      {"Right moves to No", 0x24, Keys({VK_RIGHT, VK_RETURN}), kMsgResultNo},
      {"Down moves to No", 0x24, Keys({VK_DOWN, VK_RETURN}), kMsgResultNo},
      {"Tab twice wraps to Yes", 0x24, Keys({VK_TAB, VK_TAB, VK_RETURN}), kMsgResultYes},
      {"Left from Yes wraps to No", 0x24, Keys({VK_LEFT, VK_RETURN}), kMsgResultNo},
      {"Up from Abort wraps to Ignore", 0x32, Keys({VK_UP, VK_RETURN}), kMsgResultIgnore},
      {"Space presses the focused button", 0x24, Keys({VK_RIGHT, VK_SPACE}), kMsgResultNo},
      {"a letter of no button does nothing", 0x24, Keys({'Q', VK_ESCAPE}), kMsgResultNone},
      {"F3 is no letter", 0x32, Keys({VK_F3, VK_ESCAPE}), kMsgResultNone},
      {"numeric keypad 1 is no letter", 0x32, Keys({VK_NUMPAD1, VK_ESCAPE}), kMsgResultNone},
      {"click Yes", 0x24, Click(0), kMsgResultYes},
      {"click No", 0x24, Click(1), kMsgResultNo},
      {"mouse on No", 0x24, Mouse(1), kMsgResultNo},
      {"close box", 0x24, CloseBox(), kMsgResultNone},
      {"C answers Cancel", 0x21, Keys({'C'}), kMsgResultCancel},
      {"O answers OK", 0x21, Keys({'O'}), kMsgResultOk},
      {"click Cancel", 0x21, Click(1), kMsgResultCancel},
      {"R answers Retry", 0x32, Keys({'R'}), kMsgResultRetry},
      {"I answers Ignore", 0x32, Keys({'I'}), kMsgResultIgnore},
      {"Alt+A answers Abort", 0x32, Alt('A'), kMsgResultAbort},
      {"Enter on Retry", 0x132, Keys({VK_RETURN}), kMsgResultRetry},
      {"Yes/No/Cancel: C", 0x23, Keys({'C'}), kMsgResultCancel},
      {"Yes/No/Cancel: Escape", 0x23, Keys({VK_ESCAPE}), kMsgResultNone},
      {"Retry/Cancel: mouse on Retry", 0x25, Mouse(0), kMsgResultRetry},
      {"OK: Enter", 0x00, Keys({VK_RETURN}), kMsgResultOk},
      {"no buttons: Enter does nothing, Escape closes", 0x06, Keys({VK_RETURN, VK_ESCAPE}),
       kMsgResultNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ShowBox("Answer me", c.flags, c.action), c.result);
  }
}

// Keys typed on the keyboard: the system queues them for the window that
// has the focus, and the box's loop translates them itself.
void Type(std::vector<std::vector<WORD>> chords) {
  for (const std::vector<WORD>& chord : chords) {
    std::vector<INPUT> inputs;
    for (WORD key : chord) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      inputs.push_back(input);
    }
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = *key;
      input.ki.dwFlags = KEYEVENTF_KEYUP;
      inputs.push_back(input);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }
}

TEST(ZMsgBoxTyping, TypedKeysGiveTheirResults) {
  struct Case {
    const char* name;
    uint32_t flags;
    std::vector<std::vector<WORD>> keys;
    int result;
  };
  const Case cases[] = {
      {"Y", 0x24, {{'Y'}}, kMsgResultYes},
      {"N", 0x24, {{'N'}}, kMsgResultNo},
      {"Alt+N", 0x24, {{VK_MENU, 'N'}}, kMsgResultNo},
      {"Shift+Alt+C", 0x23, {{VK_SHIFT, VK_MENU, 'C'}}, kMsgResultCancel},
      {"Tab, Enter", 0x21, {{VK_TAB}, {VK_RETURN}}, kMsgResultCancel},
      {"Escape", 0x21, {{VK_ESCAPE}}, kMsgResultNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ShowBox("Type", c.flags, [&](const BoxView&) { Type(c.keys); }), c.result);
  }
}

TEST(ZMsgBoxFrontEnds, ReportTheirAnswers) {
  struct Case {
    const char* name;
    std::function<bool()> show;
    Action action;
    bool result;
  };
  const Case cases[] = {
      {"MsgYesNo: Yes", [] { return MsgYesNo(1, "Go on?"); }, Keys({'Y'}), true},
      {"MsgYesNo: No", [] { return MsgYesNo(1, "Go on?"); }, Keys({'N'}), false},
      {"MsgYesNo: Escape is no", [] { return MsgYesNo(1, "Go on?"); }, Keys({VK_ESCAPE}), false},
      {"MsgOkCancel: Enter is OK", [] { return MsgOkCancel(1, "Go on?"); }, Keys({VK_RETURN}),
       true},
      {"MsgOkCancel: Cancel", [] { return MsgOkCancel(1, "Go on?"); }, Click(1), false},
      {"MsgOkCancel: Escape", [] { return MsgOkCancel(1, "Go on?"); }, Keys({VK_ESCAPE}), false},
      {"MsgYesNo with translated buttons",
       [] { return MsgYesNo(1, "Weiter?", "Frage", "|&OK|&Abbrechen|&Ja|&Nein|"); }, Keys({'J'}),
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ShowAndAnswer([&] { return c.show() ? 1 : 0; }, c.action) == 1, c.result);
  }
}

TEST(ZMsgBoxFrontEnds, ShowTheirButtons) {
  struct Case {
    const char* name;
    std::function<void()> show;
    std::vector<std::string> captions;
  };
  const Case cases[] = {
      {"error", [] { MsgError(1, "x"); }, {"&OK"}},
      {"attention", [] { MsgAttention(1, "x"); }, {"&OK"}},
      {"yes/no", [] { MsgYesNo(1, "x"); }, {"&Yes", "&No"}},
      {"ok/cancel", [] { MsgOkCancel(1, "x"); }, {"&OK", "&Cancel"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxView view;
    ShowAndAnswer(
        [&] {
          c.show();
          return 0;
        },
        Escape, &view);
    EXPECT_EQ(view.Captions(), c.captions);
  }
}

TEST(ZMsgBoxClose, CanBeDisabledButEscapeStillCloses) {
  BoxView view;
  EXPECT_EQ(ShowBox("No close", 0x24, Then(CloseBox(), Keys({VK_ESCAPE})), &view, kMsgOwnerNoClose),
            kMsgResultNone);
  EXPECT_TRUE(view.closeGrayed);
  // Yes/No without Close: the close command is refused, a key still answers.
  EXPECT_EQ(ShowBox("No close", 0x24, Then(CloseBox(), Keys({'N'})), nullptr, kMsgOwnerNoClose),
            kMsgResultNo);
  ShowBox("With close", 0x24, Escape, &view, kMsgOwnerPlain);
  EXPECT_FALSE(view.closeGrayed);
}

// Upper bounds are generous: without a window manager on the display, Wine
// may take two seconds to take a window off the screen.
TEST(ZMsgBoxTimeout, ClosesWithTheLeftmostButtonAfterTheTimeout) {
  struct Case {
    const char* name;
    uint32_t flags;
    int timeoutMs;
    int result;
  };
  const Case cases[] = {
      {"Yes/No gives Yes", 0x24, 700, kMsgResultYes},
      {"Abort/Retry/Ignore gives Abort", 0x132, 700, kMsgResultAbort},
      {"OK/Cancel gives OK", 0x121, 700, kMsgResultOk},
      {"no buttons give 0", 0x06, 700, kMsgResultNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double start = Now();
    const int result = ShowAndAnswer(
        [&] { return ShowMsgBox(1, "Waiting", "Timeout", {}, 0, c.flags, c.timeoutMs); },
        [](const BoxView&) {});
    const double elapsed = Now() - start;
    EXPECT_EQ(result, c.result);
    EXPECT_GE(elapsed, c.timeoutMs);
    EXPECT_LT(elapsed, c.timeoutMs + 4000);
  }
}

TEST(ZMsgBoxTimeout, FiveSecondsWithoutInputAnswerTheLeftmostButton) {
  const double start = Now();
  const bool yes =
      ShowAndAnswer([] { return MsgYesNo(1, "Install now?", {}, {}, 0, 5000) ? 1 : 0; },
                    [](const BoxView&) {}, nullptr, 10000) == 1;
  const double elapsed = Now() - start;
  EXPECT_TRUE(yes);
  EXPECT_GE(elapsed, 5000);
  EXPECT_LT(elapsed, 9000);
}

TEST(ZMsgBoxTimeout, AnAnswerBeforeTheTimeoutWins) {
  const double start = Now();
  EXPECT_EQ(
      ShowAndAnswer([] { return ShowMsgBox(1, "Quick", "", {}, 0, 0x24, 8000); }, Keys({'N'})),
      kMsgResultNo);
  EXPECT_LT(Now() - start, 6000);
}

TEST(ZMsgBoxLoop, PumpsMessagesForATenthOfASecondAfterClosing) {
  double answered = 0;
  ShowAndAnswer([] { return ShowMsgBox(1, "x", "", {}, 0, 0, 0); },
                [&](const BoxView& view) {
                  answered = Now();
                  PressKey(view.box, VK_RETURN);
                });
  EXPECT_GE(Now() - answered, 100);
}

// ---------------------------------------------------------------------------
// Geometry

// The text area's size as the box's rules give it, measured here with the
// default box font (Tahoma, 8 points).
Size2 ExpectedTextArea(const std::string& plain) {
  const DeviceContext screen(nullptr);
  HDC dc = screen.get();
  GdiObject font(::CreateFontA(-PixelsFromPoints(8), 0, 0, 0, FW_DONTCARE, 0, 0, 0, DEFAULT_CHARSET,
                               0, 0, 0, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
  HGDIOBJ old = ::SelectObject(dc, font.get());
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
  Size2 size;
  std::string text = plain.empty() ? " " : plain;
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find("\r\n", from);
    const std::string line =
        text.substr(from, end == std::string::npos ? std::string::npos : end - from);
    if (end == std::string::npos && line.empty())
      break;
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
    size.width = std::max(size.width, static_cast<int>(extent.cx) + 10);
    size.height += (extent.cx / 600 + 1) * lineHeight;
    if (end == std::string::npos)
      break;
    from = end + 2;
  }
  size.width = std::min(size.width, 600) + 10;
  ::SelectObject(dc, old);
  return size;
}

TEST(ZMsgBoxGeometry, WindowAndTextAreaFollowTheMeasuredText) {
  struct Case {
    const char* name;
    std::string text;
    int lines;  // lines of text height, 0: not checked
  };
  const std::string longLine(400, 'W');  // far wider than 1,300 pixels
  const Case cases[] = {
      {"short text: the minimum width", "Short", 1},
      {"empty text: one line", "", 1},
      {"several lines", "One\r\nTwo\r\nThree lines of text here\r\nFour", 4},
      {"long line: 610 wide", longLine, 0},
      {"medium line", std::string(60, 'x') + "\r\n" + std::string(30, 'y'), 2},
  };
  const int cxFrame = ::GetSystemMetrics(SM_CXFRAME);
  const int cyFrame = ::GetSystemMetrics(SM_CYFRAME);
  const int cyCaption = ::GetSystemMetrics(SM_CYCAPTION);
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BoxView view;
    ShowBox(c.text, 0x1, Escape, &view);
    const Size2 area = ExpectedTextArea(c.text);
    if (c.text == longLine) {
      EXPECT_EQ(area.width, 610);
    }
    const int w = area.width;
    const int h = area.height;
    const int m = w < 200 ? 64 : 32;
    const int v = h < 39 ? 45 : 32;
    const int width = view.window.right - view.window.left;
    const int height = view.window.bottom - view.window.top;
    EXPECT_EQ(width, std::max(360, w + 54 + 2 * m + 2 * cxFrame));
    EXPECT_GE(width, 360);
    EXPECT_EQ(height, h + 36 + 2 * v + 2 * cyFrame + cyCaption);
    EXPECT_EQ(view.window.left, work.left + (work.right - work.left - width) / 2);
    EXPECT_EQ(view.window.top, work.top + (work.bottom - work.top - height) / 2);
    const int cw = view.client.right;
    const int ch = view.client.bottom;
    EXPECT_EQ(view.textRect.left, 54 + (cw - 54 - w) / 2);
    EXPECT_EQ(view.textRect.right - view.textRect.left, w);
    EXPECT_EQ(view.textRect.top, (ch - 36 - h) / 2);
    EXPECT_EQ(view.textRect.bottom, ch - 39);
  }
}

TEST(ZMsgBoxGeometry, LongLinesCountOneLinePerStarted600Pixels) {
  const std::string line(300, 'W');
  const Size2 area = ExpectedTextArea(line);
  BoxView view;
  ShowBox(line, 0x1, Escape, &view);
  EXPECT_EQ(area.width, 610);
  const int ch = view.client.bottom;
  // The text area's measured height is its distance from the strip's top
  // minus the vertical margin: h = ch - 36 - 2 * top (up to the halving).
  const int h = ch - 36 - 2 * view.textRect.top;
  EXPECT_NEAR(h, area.height, 1);
  const DeviceContext screen(nullptr);
  HDC dc = screen.get();
  GdiObject font(::CreateFontA(-PixelsFromPoints(8), 0, 0, 0, FW_DONTCARE, 0, 0, 0, DEFAULT_CHARSET,
                               0, 0, 0, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
  HGDIOBJ old = ::SelectObject(dc, font.get());
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  ::SelectObject(dc, old);
  EXPECT_EQ(area.height, (extent.cx / 600 + 1) * (metrics.tmHeight + metrics.tmExternalLeading));
  EXPECT_GE(extent.cx / 600 + 1, 3);
}

// A left click of the real mouse at the middle of `window`, as a user makes
// it: it reaches the window only when the window is on the screen there.
void ClickOnScreen(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  const int x = (rect.left + rect.right) / 2;
  const int y = (rect.top + rect.bottom) / 2;
  INPUT inputs[3]{};
  for (INPUT& input : inputs)
    input.type = INPUT_MOUSE;
  inputs[0].mi.dx = MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(3, inputs, sizeof(INPUT));
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Texts far too large for the screen: the box stays inside the work area of
// its monitor, its buttons can be clicked there, and the text area scrolls
// when the text does not fit; huge texts are cut, and the box still opens
// at once.
TEST(ZMsgBoxGeometry, AHugeTextKeepsTheBoxOnTheScreen) {
  std::string lines;
  for (int i = 0; i < 400; ++i)
    lines += "Line " + std::to_string(i) + ": C:\\Folder\\File.txt<P>";
  lines += "Last line";
  std::string megabyteOfLines;
  while (megabyteOfLines.size() < 1000000)
    megabyteOfLines += "A line of a very long report, with several words in it<P>";
  megabyteOfLines += "Last line";
  struct Case {
    const char* name;
    std::string text;
    bool scrolls;  // the text, as shown, is taller than the screen
    bool cut;      // the box shows the text's start and end with "..." between
  };
  const Case cases[] = {
      {"many lines", lines, true, false},
      {"one long word",
       "Cannot write " + std::string(30000, 'a') + std::string(30000, 'b') + " now.", false, true},
      {"a megabyte of lines", megabyteOfLines, true, true},
      {"a megabyte without a blank", std::string(500000, 'c') + std::string(500000, 'd'), false,
       true},
  };
  const int lineHeight = ExpectedTextArea("x").height;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT work{};
    std::vector<RECT> buttonRects;  // on the screen
    HWND atNoButton = nullptr;
    bool barShown = false;
    bool scrollable = false;
    const double start = Now();
    double openedAfter = 0;
    BoxView view;
    const int result = ShowBox(
        c.text, 0x24,
        [&](const BoxView& seen) {
          openedAfter = Now() - start;
          MONITORINFO monitor{};
          monitor.cbSize = sizeof monitor;
          ::GetMonitorInfoA(::MonitorFromWindow(seen.box, MONITOR_DEFAULTTONEAREST), &monitor);
          work = monitor.rcWork;
          if (seen.buttons.size() != 2)
            return;
          for (const ButtonView& button : seen.buttons) {
            RECT rect{};
            ::GetWindowRect(button.window, &rect);
            buttonRects.push_back(rect);
          }
          const RECT& no = buttonRects[1];
          atNoButton = ::WindowFromPoint({(no.left + no.right) / 2, (no.top + no.bottom) / 2});
          barShown = (::GetWindowLongA(seen.textArea, GWL_STYLE) & WS_VSCROLL) != 0;
          SCROLLINFO scroll{};
          scroll.cbSize = sizeof scroll;
          scroll.fMask = SIF_RANGE | SIF_PAGE;
          scrollable = ::GetScrollInfo(seen.textArea, SB_VERT, &scroll) &&
                       scroll.nMax - scroll.nMin + 1 > static_cast<int>(scroll.nPage);
          ClickOnScreen(seen.buttons[1].window);
        },
        &view);
    ASSERT_EQ(view.buttons.size(), 2u);
    EXPECT_LT(openedAfter, 8000);
    EXPECT_TRUE(Contains(work, view.window))
        << "box " << view.window.left << "," << view.window.top << " - " << view.window.right << ","
        << view.window.bottom << ", work area " << work.left << "," << work.top << " - "
        << work.right << "," << work.bottom;
    for (const RECT& button : buttonRects)
      EXPECT_TRUE(Contains(view.window, button));
    EXPECT_EQ(atNoButton, view.buttons[1].window);
    EXPECT_EQ(result, kMsgResultNo);
    // The text area ends above the button strip, and scrolls exactly when
    // its lines do not fit.
    EXPECT_LE(view.textRect.bottom, view.buttons[1].rect.top);
    const int areaHeight = view.textRect.bottom - view.textRect.top;
    EXPECT_EQ(view.lineCount * lineHeight > areaHeight, c.scrolls) << view.lineCount << " lines";
    EXPECT_EQ(barShown, c.scrolls);
    EXPECT_EQ(scrollable, c.scrolls);
    const std::string plain = ConvertMarkup(c.text).plain;
    const size_t ends = 20;
    ASSERT_GE(view.text.size(), ends);
    EXPECT_EQ(view.text.substr(0, ends), plain.substr(0, ends));
    EXPECT_EQ(view.text.substr(view.text.size() - ends), plain.substr(plain.size() - ends));
    EXPECT_EQ(view.text.find("...") != std::string::npos, c.cut);
    EXPECT_LE(view.text.size(), c.cut ? size_t{70000} : plain.size());
  }
}

// ---------------------------------------------------------------------------
// Owner and restore window

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// A visible top-level window of this thread, destroyed with the owner.
class TestWindow {
 public:
  explicit TestWindow(WNDPROC proc = PlainWindowProc, const char* className = "ZMsgBoxTestOwner") {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, className, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                300, 200, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    className_ = className;
    ::SetActiveWindow(window_);
  }
  ~TestWindow() {
    ::DestroyWindow(window_);
    ::UnregisterClassA(className_, ::GetModuleHandleA(nullptr));
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
  const char* className_;
};

TEST(ZMsgBoxOwner, TheActiveWindowIsDisabledWhileTheBoxIsOpen) {
  for (uintptr_t code : {kMsgOwnerHeading, kMsgOwnerPlain, kMsgOwnerNoClose}) {
    SCOPED_TRACE(code);
    TestWindow owner;
    ASSERT_EQ(::GetActiveWindow(), owner.get());
    bool ownerEnabledDuringBox = true;
    BoxView view;
    ShowAndAnswer([&] { return ShowMsgBox(static_cast<int>(code), "x", "", {}, 0, 0, 0); },
                  [&](const BoxView& seen) {
                    ownerEnabledDuringBox = ::IsWindowEnabled(owner.get()) != FALSE;
                    Escape(seen);
                  },
                  &view);
    EXPECT_FALSE(ownerEnabledDuringBox);
    EXPECT_EQ(view.owner, owner.get());
    EXPECT_TRUE(::IsWindowEnabled(owner.get()));
    EXPECT_EQ(::GetActiveWindow(), owner.get());
  }
}

TEST(ZMsgBoxOwner, AWindowHandleOwnsTheBox) {
  TestWindow active;
  TestWindow other(PlainWindowProc, "ZMsgBoxTestOther");
  ::SetActiveWindow(active.get());
  BoxView view;
  ShowAndAnswer([&] { return ShowMsgBox(other.get(), "x", "", {}, 0, 0, 0); }, Escape, &view);
  EXPECT_EQ(view.owner, other.get());
  EXPECT_TRUE(::IsWindowEnabled(active.get()));
  // A number that is no window: the box is still shown, without an owner.
  ShowAndAnswer([&] { return ShowMsgBox(reinterpret_cast<HWND>(0x7FFF0), "x", "", {}, 0, 0, 0); },
                Escape, &view);
  EXPECT_EQ(view.owner, nullptr);
}

// A box the user leaves for another window and comes back to gives the
// keyboard focus back to the button it had, so that Enter answers it.
TEST(ZMsgBoxFocus, ComesBackToTheButtonWhenTheBoxIsActivatedAgain) {
  TestWindow elsewhere;
  TestWindow owner(PlainWindowProc, "ZMsgBoxTestOther");
  HWND no = nullptr;
  HWND focusBack = nullptr;
  const int result =
      ShowAndAnswer([&] { return ShowMsgBox(owner.get(), "x", "", {}, 0, 0x24, 0); },
                    [&](const BoxView& view) {
                      ASSERT_EQ(view.buttons.size(), 2u);
                      no = view.buttons[1].window;
                      PressKey(view.box, VK_TAB);  // from Yes, the default, to No
                      const double end = Now() + 2000;
                      while (FocusOf(view.box) != view.buttons[1].window && Now() < end)
                        ::Sleep(5);
                      ::SetForegroundWindow(elsewhere.get());
                      test::BringToFront(elsewhere.get(), nullptr);
                      test::BringToFront(view.box, view.buttons[1].window, 3000);
                      focusBack = FocusOf(view.box);
                      PressKey(view.box, VK_RETURN);
                    });
  EXPECT_EQ(focusBack, no);
  EXPECT_EQ(result, kMsgResultNo);
}

// ---------------------------------------------------------------------------
// One box at a time: a box requested while another is open

constexpr UINT kOpenSecondBox = WM_APP + 7;
int secondBoxAnswer = -1;

LRESULT CALLBACK SecondBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kOpenSecondBox) {
    secondBoxAnswer = ShowMsgBox(1, "<B>Second</B> box", "Second", {}, 0, 0x24, 0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

TEST(ZMsgBoxNested, ASecondRequestOpensOnTopAndBothAnswersArrive) {
  TestWindow helper(SecondBoxProc, "ZMsgBoxTestHelper");
  secondBoxAnswer = -1;
  const DWORD thread = ::GetCurrentThreadId();
  BoxView firstBefore, second, firstAfter;
  bool secondFound = false;
  bool firstEnabledUnderSecond = true;
  const int firstAnswer =
      ShowAndAnswer([&] { return ShowMsgBox(1, "<B>First</B> box", "First", {}, 0, 0x23, 0); },
                    [&](const BoxView& first) {
                      firstBefore = first;
                      // The first box's loop dispatches this message; its handler asks
                      // for the second box.
                      ::PostMessageA(helper.get(), kOpenSecondBox, 0, 0);
                      HWND box = WaitForNewBox(thread, {first.box});
                      secondFound = box != nullptr;
                      if (!box)
                        return;
                      test::BringToFront(box, nullptr);
                      second = ReadBox(box);
                      firstEnabledUnderSecond = ::IsWindowEnabled(first.box) != FALSE;
                      PressKey(box, 'N');
                      WaitGone(box, 10000);
                      // The first box is active again once the second has
                      // gone; a key typed before that would go nowhere, for a
                      // user as for this test.
                      test::BringToFront(first.box, nullptr);
                      firstAfter = ReadBox(first.box);
                      PressKey(first.box, 'C');
                    },
                    nullptr, 15000);
  ASSERT_TRUE(secondFound);
  EXPECT_EQ(second.text, "Second box");
  EXPECT_EQ(second.bold, (std::vector<BoldRange>{{0, 6}}));
  EXPECT_EQ(second.Captions(), (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_FALSE(firstEnabledUnderSecond);
  EXPECT_EQ(secondBoxAnswer, kMsgResultNo);
  // The first box is untouched by the second and answers for itself.
  EXPECT_TRUE(firstAfter.enabled);
  EXPECT_EQ(firstAfter.text, firstBefore.text);
  EXPECT_EQ(firstAfter.bold, firstBefore.bold);
  EXPECT_EQ(firstAfter.Captions(), (std::vector<std::string>{"&Yes", "&No", "&Cancel"}));
  EXPECT_EQ(firstAnswer, kMsgResultCancel);
  // The class goes with the last box.
  WNDCLASSA info{};
  EXPECT_FALSE(::GetClassInfoA(::GetModuleHandleA(nullptr), "ZMsgBox", &info));
}

TEST(ZMsgBoxNested, TheFirstBoxTimingOutUnderTheSecondWaitsForIt) {
  TestWindow helper(SecondBoxProc, "ZMsgBoxTestHelper");
  secondBoxAnswer = -1;
  const DWORD thread = ::GetCurrentThreadId();
  bool firstClosedEarly = true;
  bool firstClosedAfterSecond = false;
  const int firstAnswer =
      ShowAndAnswer([&] { return ShowMsgBox(1, "First", "First", {}, 0, 0x32, 1500); },
                    [&](const BoxView& first) {
                      ::PostMessageA(helper.get(), kOpenSecondBox, 0, 0);
                      HWND box = WaitForNewBox(thread, {first.box});
                      if (!box)
                        return;
                      // The first box times out meanwhile, but it owns the
                      // second one and waits for it.
                      firstClosedEarly = WaitGone(first.box, 2500);
                      PressKey(box, 'Y');
                      firstClosedAfterSecond = WaitGone(first.box, 10000);
                    },
                    nullptr, 15000);
  EXPECT_FALSE(firstClosedEarly);
  EXPECT_TRUE(firstClosedAfterSecond);
  EXPECT_EQ(firstAnswer, kMsgResultAbort);
  EXPECT_EQ(secondBoxAnswer, kMsgResultYes);
}

// ---------------------------------------------------------------------------
// Quit, AutoPlay, font

TEST(ZMsgBoxLoop, AQuitMessageClosesTheBoxAndStaysForTheMainLoop) {
  const DWORD thread = ::GetCurrentThreadId();
  const int result =
      ShowAndAnswer([] { return ShowMsgBox(1, "x", "", {}, 0, 0x24, 0); },
                    [&](const BoxView&) { ::PostThreadMessageA(thread, WM_QUIT, 42, 0); });
  EXPECT_EQ(result, kMsgResultNone);
  MSG message;
  ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 42u);
}

TEST(ZMsgBoxAutoPlay, TheRegisteredNumberIsAnsweredWithOne) {
  SetAutoPlaySuppression(false);
  EXPECT_EQ(QueryCancelAutoPlayMessage(), 0);
  SetAutoPlaySuppression(true);
  const UINT number = ::RegisterWindowMessageA("QueryCancelAutoPlay");
  EXPECT_EQ(QueryCancelAutoPlayMessage(), number);
  EXPECT_GE(number, 0xC000u);
  LRESULT onAnswer = 0, offAnswer = 0, nullAnswer = 0;
  ShowAndAnswer([] { return ShowMsgBox(1, "x", "", {}, 0, 0, 0); },
                [&](const BoxView& view) {
                  onAnswer = ::SendMessageA(view.box, number, 0, 0);
                  SetAutoPlaySuppression(false);
                  offAnswer = ::SendMessageA(view.box, number, 0, 0);
                  // Before registration the kept number is 0.
                  nullAnswer = ::SendMessageA(view.box, WM_NULL, 0, 0);
                  Escape(view);
                });
  EXPECT_EQ(onAnswer, 1);
  EXPECT_EQ(offAnswer, 0);
  EXPECT_EQ(nullAnswer, 1);
}

TEST(ZMsgBoxFont, BoxesUseTheFontSetLast) {
  struct Case {
    const char* face;
    int size;
    int charset;
    int expectedSize;
  };
  const Case cases[] = {
      {"Courier New", 12, ANSI_CHARSET, 12},
      {"Arial", 0, RUSSIAN_CHARSET, 12},  // size 0 keeps the size
      {"Tahoma", 8, DEFAULT_CHARSET, 8},  // back to the defaults
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    SetMsgBoxFont(c.face, c.size, c.charset);
    LOGFONTA buttonFont{};
    ShowAndAnswer([] { return ShowMsgBox(1, "Font", "", {}, 0, 0, 0); },
                  [&](const BoxView& view) {
                    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(
                        ::SendMessageA(view.buttons.at(0).window, WM_GETFONT, 0, 0));
                    ::GetObjectA(font, sizeof buttonFont, &buttonFont);
                    Escape(view);
                  });
    EXPECT_STREQ(buttonFont.lfFaceName, c.face);
    EXPECT_EQ(buttonFont.lfHeight, -PixelsFromPoints(c.expectedSize));
    EXPECT_EQ(buttonFont.lfCharSet, c.charset);
    EXPECT_EQ(buttonFont.lfPitchAndFamily & 0xF0, FF_SWISS);
  }
}

// ---------------------------------------------------------------------------
// In child processes: the developer shift (the developer mode is read once
// per process) and the box without the rich-edit library.

constexpr char kChildVariable[] = "ORVANE_TEST_MSGBOX_CHILD";
// Exit code of the child that could not turn the rich-edit library off.
constexpr UINT kLibraryStillThere = 77;

TEST(ZMsgBoxChild, DeveloperShiftMovesTheStoreQuestion) {
  const char* role = std::getenv(kChildVariable);
  if (!role || std::string(role) != "shift")
    GTEST_SKIP() << "runs only as a child of ZMsgBoxProcess";
  ASSERT_TRUE(IsDeveloperMode());
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    const char* text;
    int shift;
  };
  const Case cases[] = {{"Do you want to store the new Entry in the list?", 150},
                        {"Do you want to keep the new Entry in the list?", 0},
                        {"do you want to store the new entry in the list?", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    BoxView view;
    ShowBox(c.text, 0x24, Escape, &view);
    const int width = view.window.right - view.window.left;
    const int height = view.window.bottom - view.window.top;
    EXPECT_EQ(view.window.left, work.left + (work.right - work.left - width) / 2 + c.shift);
    EXPECT_EQ(view.window.top, work.top + (work.bottom - work.top - height) / 2 + c.shift);
  }
}

TEST(ZMsgBoxChild, WithoutTheRichEditLibraryTheTextIsStillShown) {
  const char* role = std::getenv(kChildVariable);
  if (!role || std::string(role) != "plain")
    GTEST_SKIP() << "runs only as a child of ZMsgBoxProcess";
  if (LoadSystemLibrary("riched32.dll"))
    ::ExitProcess(kLibraryStillThere);
  BoxView view;
  EXPECT_EQ(ShowBox("<B>Bold</B> and<P>plain", 0x24, Keys({'N'}), &view), kMsgResultNo);
  EXPECT_EQ(view.textAreaClass, "Edit");
  EXPECT_EQ(view.text, "Bold and\r\nplain");
  EXPECT_EQ(view.Captions(), (std::vector<std::string>{"&Yes", "&No"}));
}

using test::ScopedEnv;

// Exit code of this program run for `role`, or -1.
int RunChild(const char* role, const std::string& program = OwnPath()) {
  ScopedEnv child(kChildVariable, role);
  std::string commandLine = "\"" + program + "\" --gtest_filter=ZMsgBoxChild.* --gtest_brief=1";
  return test::RunQuietProcess(commandLine);
}

TEST(ZMsgBoxProcess, DeveloperShiftInDeveloperModeOnly) {
  ScopedEnv dvx("DVX", "719");
  EXPECT_EQ(RunChild("shift"), 0);
}

TEST(ZMsgBoxProcess, PlainTextWhenTheRichEditLibraryIsMissing) {
  // Wine loads no riched32 at all with this override.
  // A copy of this program under its own name, for which Wine's per-program
  // settings turn the rich-edit libraries off (Windows ignores them).
  const std::string program = test::ScratchDir("zmsgbox-plain") + "\\zmsgbox_plain.exe";
  ASSERT_TRUE(test::CopyFileTo(OwnPath(), program));
  const char* key = "Software\\Wine\\AppDefaults\\zmsgbox_plain.exe\\DllOverrides";
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &created, nullptr),
            ERROR_SUCCESS);
  RegKey overrides(created);
  for (const char* library : {"riched32", "riched20"})
    ::RegSetValueExA(overrides.get(), library, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  const int exitCode = RunChild("plain", program);
  overrides.reset();
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key);
  if (exitCode == static_cast<int>(kLibraryStillThere))
    GTEST_SKIP() << "the rich-edit library cannot be turned off here";
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace orvane
