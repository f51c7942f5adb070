// ZMsgBox: the window, text area, painting, buttons and loop of the box.
#include "ui/ZMsgBox.h"

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "util/Handles.h"
#include "util/PathText.h"
#include "util/Utils.h"

namespace orvane {

namespace {

constexpr char kClassName[] = "ZMsgBox";
constexpr char kRichEditLibrary[] = "riched32.dll";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kTextAreaId = 100;
constexpr int kFirstButtonId = 200;
constexpr COLORREF kBandColour = RGB(0, 78, 152);

// A box shows at most the first and last 32 KB of its text, and of a run of
// characters without a blank or line break at most the first and last 512:
// the rich-edit control lays out such a run in time and memory that grow
// with the square of its length (under Wine, 60 000 characters took 45 s
// and 1.7 GB), and a megabyte of text in lines more than a minute. Texts
// from a package (entry names, paths) are shortened where they are put into
// a message; these bounds keep any text from freezing the box.
constexpr size_t kKeptOfLongText = 32 * 1024;
constexpr size_t kKeptOfLongWord = 512;

// The fixed parts of the box around its text area: the band, the button
// strip and the margins (those of a text area of 200 x 39 or more).
constexpr int kMsgBesideText = 54 + 2 * 32;
constexpr int kMsgAroundText = 36 + 2 * 32;

struct FontSettings {
  std::string face = "Tahoma";
  int pointSize = 8;
  int charset = DEFAULT_CHARSET;
};

FontSettings& BoxFont() {
  static FontSettings settings;
  return settings;
}

// Loaded by the first box and kept until the program ends, so that the
// "RICHEDIT" class stays registered between boxes.
Module& KeptRichEditLibrary() {
  static Module library;
  return library;
}

class MsgBox;
// The open boxes, the newest last. A box asked for while another is open
// (its loop dispatched the request) is owned by it and sits on top; the class
// stays registered while any box is open.
std::vector<MsgBox*>& OpenBoxes() {
  static std::vector<MsgBox*> boxes;
  return boxes;
}

// An object selected into a device context until the owner goes.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_)
      ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

Size2 ClientSize(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The text as the box shows it: at most kKeptOfLongText from each end, and
// every overlong word shortened in the middle. The whole text is cut before
// the mark-up is read, so that the conversion's cost is bounded too (a cut
// tag only loses its effect); words are cut after the escapes have become
// line breaks and tabs, which end a word.
MarkedUpText ShownText(std::string_view markup) {
  const std::string expanded = ExpandMarkupEscapes(ShortenForDisplay(markup, kKeptOfLongText));
  std::string bounded;
  bounded.reserve(expanded.size());
  const std::string_view text = expanded;
  size_t from = 0;
  while (from < text.size()) {
    const size_t blank = std::min(text.find_first_of(" \t\r\n", from), text.size());
    bounded.append(ShortenForDisplay(text.substr(from, blank - from), kKeptOfLongWord));
    if (blank < text.size())
      bounded.push_back(text[blank]);
    from = blank + 1;
  }
  return SplitBoldMarkup(bounded);
}

// The work area of the monitor that holds `point` (of the nearest one when
// none does); `fallback` when the system cannot tell.
RECT MonitorWorkArea(POINT point, const RECT& fallback) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), &info))
    return fallback;
  return info.rcWork;
}

// `rect` made no larger than `area` and moved so that it lies inside it.
Rect2 KeptInside(Rect2 rect, const RECT& area) {
  rect.width = std::min(rect.width, static_cast<int>(area.right - area.left));
  rect.height = std::min(rect.height, static_cast<int>(area.bottom - area.top));
  rect.left =
      std::clamp(rect.left, static_cast<int>(area.left), static_cast<int>(area.right) - rect.width);
  rect.top =
      std::clamp(rect.top, static_cast<int>(area.top), static_cast<int>(area.bottom) - rect.height);
  return rect;
}

void FillColour(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  if (right <= left || bottom <= top)
    return;
  GdiObject brush(::CreateSolidBrush(colour));
  const RECT rect{left, top, right, bottom};
  ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

class MsgBox {
 public:
  MsgBox(uintptr_t owner, std::string_view text, std::string_view caption, std::string_view buttons,
         uint32_t flags, int timeoutMs)
      : owner_(owner),
        text_(text),
        caption_(caption),
        buttonList_(buttons),
        flags_(flags),
        timeoutMs_(timeoutMs) {}
  MsgBox(const MsgBox&) = delete;
  MsgBox& operator=(const MsgBox&) = delete;

  int Run();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  bool RegisterBoxClass();
  void UnregisterBoxClass();
  HWND CreateBoxWindow();
  Size2 CreateTextArea(Size2 limit);
  Size2 MeasureText(const std::string& plain);
  Size2 ResizeTextArea(int width, int height);
  void CreateButtons();
  void RunLoop();
  bool Filter(const MSG& message);
  int FocusedButton() const;
  void FocusButton(int index);
  void Choose(int index);
  void Paint();
  bool HasBoxOnTop() const;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  const uintptr_t owner_;
  const std::string text_;
  const std::string caption_;
  const std::string buttonList_;
  uint32_t flags_;
  const int timeoutMs_;

  HWND restore_ = nullptr;
  HWND window_ = nullptr;
  HWND textArea_ = nullptr;
  bool richText_ = false;
  std::vector<HWND> buttons_;
  int focusIndex_ = -1;  // the button the keyboard last moved the focus to
  std::vector<std::string> captions_;
  GdiObject font_;
  Module library_;
  int iconId_ = 0;
  Size2 requested_;
  int result_ = kMsgResultNone;
  bool done_ = false;
  bool closePending_ = false;
  bool quitSeen_ = false;
  WPARAM quitCode_ = 0;
};

bool MsgBox::RegisterBoxClass() {
  if (!OpenBoxes().empty())
    return true;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = &MsgBox::WindowProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kClassName;
  return ::RegisterClassA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void MsgBox::UnregisterBoxClass() {
  if (OpenBoxes().empty())
    ::UnregisterClassA(kClassName, ::GetModuleHandleA(nullptr));
}

HWND MsgBox::CreateBoxWindow() {
  HWND parent = restore_;
  if (!DecodeOwner(owner_).activeWindowIsOwner) {
    parent = reinterpret_cast<HWND>(owner_);
    // A handle that is no window would make the creation fail; the box is
    // then shown without an owner rather than not at all.
    if (!::IsWindow(parent))
      parent = nullptr;
  }
  return ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kClassName, caption_.c_str(),
                           WS_VISIBLE | WS_CAPTION | WS_SYSMENU, -100, -100, 10, 10, parent,
                           nullptr, ::GetModuleHandleA(nullptr), this);
}

Size2 MsgBox::MeasureText(const std::string& plain) {
  // Lines measured on the text area's device context in the box font.
  class DcTextExtent final : public TextExtent {
   public:
    explicit DcTextExtent(HDC dc) : dc_(dc) {}
    int ExtentOf(std::string_view line) override {
      SIZE extent{};
      ::GetTextExtentPoint32A(dc_, line.data(), static_cast<int>(line.size()), &extent);
      return static_cast<int>(extent.cx);
    }

   private:
    HDC dc_;
  };

  const DeviceContext dc(window_);
  Selection selected(dc.get(), font_.get());
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc.get(), &metrics);
  const int lineHeight = MsgLineHeight(metrics.tmHeight, metrics.tmExternalLeading, BoxFont().face);
  DcTextExtent extent(dc.get());
  return MeasureMsgText(plain, lineHeight, extent);
}

Size2 MsgBox::ResizeTextArea(int width, int height) {
  // No answer from the control counts as "fits".
  requested_ = {};
  ::SetWindowPos(textArea_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageA(textArea_, EM_REQUESTRESIZE, 0, 0);
  return requested_;
}

Size2 MsgBox::CreateTextArea(Size2 limit) {
  const MarkedUpText marked =
      ShownText(DecodeOwner(owner_).heading ? WithKindHeading(text_, caption_) : text_);
  const Size2 measured = MeasureText(marked.plain);
  DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_WANTRETURN;
  if (flags_ & kMsgRightAligned)
    style |= ES_RIGHT;
  // A text area held smaller than its text scrolls: when it is taller than
  // the limit, or when the width tries could make it wider. The rich-edit
  // control shows the bar only while the text does not fit.
  if (measured.height > limit.height || measured.width + 10 * kMsgWidthTries > limit.width)
    style |= WS_VSCROLL;
  const DWORD exStyle = (flags_ & kMsgRtlReading) ? WS_EX_RTLREADING : 0;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextAreaId));
  textArea_ = ::CreateWindowExA(exStyle, "RICHEDIT", "", style, 86, 30, 100, 13, window_, id,
                                instance, nullptr);
  richText_ = textArea_ != nullptr;
  if (!richText_) {
    // Without the rich-edit library the message is still shown, in plain
    // text (no bold) in a read-only edit control.
    textArea_ = ::CreateWindowExA(exStyle, "EDIT", "", style, 86, 30, 100, 13, window_, id,
                                  instance, nullptr);
  }
  if (!textArea_)
    return {};
  ::SendMessageA(textArea_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  if (richText_) {
    ::SendMessageA(textArea_, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
    ::SendMessageA(textArea_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
    // The default limit of 32767 characters would cut long texts.
    ::SendMessageA(textArea_, EM_EXLIMITTEXT, 0, static_cast<LPARAM>(marked.plain.size() + 32767));
  }
  ::SendMessageA(textArea_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(marked.plain.c_str()));
  if (richText_) {
    for (const BoldRange& range : marked.bold) {
      CHARRANGE selection{range.start, range.end};
      ::SendMessageA(textArea_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
      CHARFORMATA format{};
      format.cbSize = sizeof format;
      format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
      format.dwEffects = CFE_BOLD;
      ::SendMessageA(textArea_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start{0, 0};
    ::SendMessageA(textArea_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  }

  ::SetWindowPos(textArea_, nullptr, 0, 0, measured.width + 10, measured.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const bool hasBold = richText_ && !marked.bold.empty();
  // The width tries keep the measured height.
  class HeightKeepingResizer final : public TextAreaResizer {
   public:
    HeightKeepingResizer(MsgBox& box, int height) : box_(box), height_(height) {}
    Size2 ResizeTo(int width) override { return box_.ResizeTextArea(width, height_); }

   private:
    MsgBox& box_;
    int height_;
  };
  HeightKeepingResizer resizer(*this, measured.height);
  const Size2 shown{std::min(FitTextAreaWidth(measured, hasBold, resizer), limit.width),
                    std::min(measured.height, limit.height)};
  ::SetWindowPos(textArea_, nullptr, 0, 0, shown.width, shown.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return shown;
}

void MsgBox::CreateButtons() {
  const std::vector<MsgButton> buttons = ButtonsFromFlags(flags_, buttonList_);
  const int count = static_cast<int>(buttons.size());
  const Size2 client = ClientSize(window_);
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  // Created from the right, as the strip is laid out.
  buttons_.assign(buttons.size(), nullptr);
  for (int i = count - 1; i >= 0; --i) {
    const Rect2 rect = MsgButtonRect(client, i, count);
    HWND button = ::CreateWindowExA(
        0, "Button", buttons[i].caption.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rect.left,
        rect.top, rect.width, rect.height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), instance, nullptr);
    if (!button)
      continue;
    ::SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    ::SetWindowLongPtrA(button, GWLP_USERDATA, buttons[i].result);
    buttons_[i] = button;
  }
  for (const MsgButton& button : buttons)
    captions_.push_back(button.caption);
  const int defaultButton = DefaultButtonIndex(flags_, count);
  if (defaultButton >= 0) {
    ::SetActiveWindow(window_);
    FocusButton(defaultButton);
  }
}

int MsgBox::FocusedButton() const {
  HWND focus = ::GetFocus();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (focus && buttons_[i] == focus)
      return static_cast<int>(i);
  }
  return -1;
}

void MsgBox::FocusButton(int index) {
  const int k = WrapButtonIndex(index, static_cast<int>(buttons_.size()));
  if (k < 0 || !buttons_[k])
    return;
  focusIndex_ = k;
  ::SetFocus(buttons_[k]);
  for (HWND button : buttons_) {
    if (button && button != buttons_[k])
      ::SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
  ::SendMessageA(buttons_[k], BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void MsgBox::Choose(int index) {
  result_ = static_cast<int>(::GetWindowLongPtrA(buttons_[index], GWLP_USERDATA));
  ::PostMessageA(window_, WM_CLOSE, 0, 0);
}

bool MsgBox::Filter(const MSG& message) {
  int chosen = -1;
  if (message.message == WM_SYSCHAR) {
    char ch = static_cast<char>(message.wParam);
    char upper[2] = {ch, 0};
    ::CharUpperBuffA(upper, 1);
    chosen = ButtonForAltChar(captions_, ch, upper[0]);
  } else if (message.message == WM_KEYDOWN) {
    const int key = static_cast<int>(message.wParam);
    if (key == VK_LEFT || key == VK_UP) {
      FocusButton(FocusedButton() < 0 ? -2 : FocusedButton() - 1);
    } else if (key == VK_TAB || key == VK_RIGHT || key == VK_DOWN) {
      FocusButton(FocusedButton() + 1);
    } else if (key == VK_RETURN && FocusedButton() >= 0) {
      chosen = FocusedButton();
    } else if (key == VK_ESCAPE) {
      ::PostMessageA(window_, WM_CLOSE, 0, 0);
    } else {
      chosen = ButtonForLetterKey(captions_, key);
    }
  }
  if (chosen < 0 || !buttons_[chosen])
    return false;
  Choose(chosen);
  return true;
}

void MsgBox::RunLoop() {
  while (!done_) {
    MSG message;
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit message belongs to the thread's main loop: the box closes
      // (result 0) and the message is posted again once the box is gone.
      if (got == 0) {
        quitSeen_ = true;
        quitCode_ = message.wParam;
      }
      if (::IsWindow(window_))
        ::SendMessageA(window_, WM_CLOSE, 0, 0);
      if (!done_ && ::IsWindow(window_))
        ::DestroyWindow(window_);
      break;
    }
    if (Filter(message))
      continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

bool MsgBox::HasBoxOnTop() const {
  const std::vector<MsgBox*>& open = OpenBoxes();
  const auto at = std::find(open.begin(), open.end(), this);
  return at != open.end() && at + 1 != open.end();
}

void MsgBox::Paint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window_, &paint);
  if (!dc)
    return;
  const Size2 client = ClientSize(window_);
  const int cw = client.width;
  const int ch = client.height;
  FillColour(dc, 0, 0, cw, ch, ::GetSysColor(COLOR_WINDOW));
  FillColour(dc, 0, ch - 37, cw, ch - 36, ::GetSysColor(COLOR_3DDKSHADOW));
  FillColour(dc, 0, ch - 36, cw, ch - 35, RGB(255, 255, 255));
  FillColour(dc, 0, ch - 35, cw, ch, ::GetSysColor(COLOR_BTNFACE));
  FillColour(dc, 0, 0, 54, ch - 37, kBandColour);
  HICON icon = iconId_ != 0 ? ::LoadIconA(nullptr, MAKEINTRESOURCEA(iconId_))
                            : ::LoadIconA(::GetModuleHandleA(nullptr), "MainIcon");
  if (!icon)
    icon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  if (icon)
    ::DrawIcon(dc, 11, 20, icon);
  ::EndPaint(window_, &paint);
}

LRESULT MsgBox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = false;
  switch (message) {
    case WM_CREATE:
      if (timeoutMs_ > 0)
        ::SetTimer(window_, kTimeoutTimer, static_cast<UINT>(timeoutMs_), nullptr);
      break;
    case WM_PAINT:
      Paint();
      handled = true;
      break;
    case WM_SETFOCUS:
      // As a dialog does: when the box is activated again, the focus goes
      // back to its button, so that the keyboard answers it.
      if (focusIndex_ >= 0 && buttons_[focusIndex_]) {
        ::SetFocus(buttons_[focusIndex_]);
        handled = true;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        HWND from = reinterpret_cast<HWND>(lParam);
        for (size_t i = 0; i < buttons_.size(); ++i) {
          if (from && buttons_[i] == from) {
            Choose(static_cast<int>(i));
            break;
          }
        }
      }
      break;
    case WM_TIMER:
      result_ = !buttons_.empty() && buttons_[0]
                    ? static_cast<int>(::GetWindowLongPtrA(buttons_[0], GWLP_USERDATA))
                    : kMsgResultNone;
      ::PostMessageA(window_, WM_CLOSE, 0, 0);
      break;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == EN_REQUESTRESIZE) {
        const RECT& asked = reinterpret_cast<const REQRESIZE*>(lParam)->rc;
        requested_ = {asked.right - asked.left, asked.bottom - asked.top};
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
      // The plain-text stand-in for the rich-edit control: a read-only edit
      // control asks here for its background.
      if (!richText_ && reinterpret_cast<HWND>(lParam) == textArea_) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        handled = true;
      }
      break;
    case WM_SYSCOMMAND:
      // Alt+F4 and the system menu's Close obey the disabled Close command.
      if ((wParam & 0xFFF0) == SC_CLOSE &&
          (::GetMenuState(::GetSystemMenu(window_, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED)) {
        handled = true;
      }
      break;
    case WM_CLOSE:
      if (HasBoxOnTop()) {
        // A box opened on top of this one is owned by it and would go with
        // it: this box closes when that one has.
        closePending_ = true;
        if (timeoutMs_ > 0)
          ::KillTimer(window_, kTimeoutTimer);
        handled = true;
        break;
      }
      if (restore_ && ::IsWindow(restore_)) {
        ::EnableWindow(restore_, TRUE);
        ::SetActiveWindow(restore_);
        ::SetFocus(restore_);
      }
      if (timeoutMs_ > 0)
        ::KillTimer(window_, kTimeoutTimer);
      break;
    case WM_DESTROY:
      done_ = true;
      result = 1;
      handled = true;
      break;
    default:
      break;
  }
  if (message == QueryCancelAutoPlayMessage())
    return 1;
  if (handled)
    return result;
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK MsgBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* box = static_cast<MsgBox*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    box->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
  }
  auto* box = reinterpret_cast<MsgBox*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!box) {
    if (message == QueryCancelAutoPlayMessage())
      return 1;
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  const LRESULT result = box->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    box->window_ = nullptr;
  }
  return result;
}

int MsgBox::Run() {
  if (!KeptRichEditLibrary())
    KeptRichEditLibrary() = LoadSystemLibrary(kRichEditLibrary);

  restore_ = ::GetActiveWindow();
  if (restore_)
    ::EnableWindow(restore_, FALSE);

  const FontSettings& font = BoxFont();
  font_.reset(::CreateFontA(-PixelsFromPoints(font.pointSize), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                            FALSE, static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                            font.face.c_str()));
  library_ = LoadSystemLibrary(kRichEditLibrary);

  if (RegisterBoxClass())
    CreateBoxWindow();
  if (!window_) {
    if (restore_)
      ::EnableWindow(restore_, TRUE);
    UnregisterBoxClass();
    return kMsgResultNone;
  }
  OpenBoxes().push_back(this);

  if (flags_ & kMsgNoClose) {
    ::EnableMenuItem(::GetSystemMenu(window_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    flags_ &= ~kMsgNoClose;
  }

  FrameMetrics frame;
  frame.cxFrame = ::GetSystemMetrics(SM_CXFRAME);
  frame.cyFrame = ::GetSystemMetrics(SM_CYFRAME);
  frame.cyCaption = ::GetSystemMetrics(SM_CYCAPTION);
  RECT work{};
  if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  const Rect2 workArea{work.left, work.top, work.right - work.left, work.bottom - work.top};
  const bool shift = text_.find(kDeveloperShiftText) != std::string::npos && IsDeveloperMode();
  // The box is centred on `work` (moved by the developer shift) and kept, with
  // its whole frame, inside the work area of the monitor it lands on; a text
  // too large for that scrolls.
  const Rect2 centre = MsgWindowRect({}, workArea, shift);
  const RECT screen = MonitorWorkArea({centre.left, centre.top}, work);
  const Size2 limit{std::max(0, static_cast<int>(screen.right - screen.left) - kMsgBesideText -
                                    2 * frame.cxFrame),
                    std::max(0, static_cast<int>(screen.bottom - screen.top) - kMsgAroundText -
                                    2 * frame.cyFrame - frame.cyCaption)};
  const Size2 textArea = CreateTextArea(limit);

  const Rect2 place =
      KeptInside(MsgWindowRect(MsgWindowSize(textArea, frame), workArea, shift), screen);
  ::SetWindowPos(window_, nullptr, place.left, place.top, place.width, place.height,
                 SWP_NOZORDER | SWP_SHOWWINDOW);

  if (textArea_) {
    const Rect2 area = MsgTextAreaRect(ClientSize(window_), textArea);
    ::SetWindowPos(textArea_, nullptr, area.left, area.top, area.width, area.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }

  iconId_ = IconIdFromFlags(flags_);
  CreateButtons();
  ::SetForegroundWindow(window_);

  RunLoop();

  std::vector<MsgBox*>& open = OpenBoxes();
  open.erase(std::find(open.begin(), open.end(), this));
  if (!open.empty() && open.back()->closePending_ && open.back()->window_)
    ::PostMessageA(open.back()->window_, WM_CLOSE, 0, 0);
  font_.reset();
  UnregisterBoxClass();
  library_.reset();
  if (quitSeen_)
    ::PostQuitMessage(static_cast<int>(quitCode_));
  return result_;
}

}  // namespace

int ShowMsgBox(MsgOwner owner, std::string_view text, std::string_view caption,
               std::string_view buttons, int charset, uint32_t flags, int timeoutMs) {
  MsgBox box(owner.value, text, caption, buttons, CompleteFlags(flags, owner.value, charset),
             timeoutMs);
  const int result = box.Run();
  YieldWait(10, 100);
  return result;
}

void MsgError(MsgOwner owner, std::string_view text, std::string_view caption,
              std::string_view buttons, int charset) {
  ShowMsgBox(owner, text, KindCaption(MsgKind::Error, caption),
             buttons.empty() ? kDefaultButtonList : buttons, charset, 0x10, 0);
}

void MsgAttention(MsgOwner owner, std::string_view text, std::string_view caption,
                  std::string_view buttons, int charset, int timeoutMs) {
  ShowMsgBox(owner, text, KindCaption(MsgKind::Attention, caption),
             buttons.empty() ? kDefaultButtonList : buttons, charset, 0x30, timeoutMs);
}

bool MsgYesNo(MsgOwner owner, std::string_view text, std::string_view caption,
              std::string_view buttons, int charset, int timeoutMs) {
  return ShowMsgBox(owner, text, KindCaption(MsgKind::Confirm, caption),
                    buttons.empty() ? kDefaultButtonList : buttons, charset, 0x24,
                    timeoutMs) == kMsgResultYes;
}

bool MsgOkCancel(MsgOwner owner, std::string_view text, std::string_view caption,
                 std::string_view buttons, int charset) {
  return ShowMsgBox(owner, text, KindCaption(MsgKind::Confirm, caption),
                    buttons.empty() ? kDefaultButtonList : buttons, charset, 0x21,
                    0) == kMsgResultOk;
}

void SetMsgBoxFont(std::string_view faceName, int pointSize, int charset) {
  FontSettings& font = BoxFont();
  font.face.assign(faceName);
  font.charset = charset;
  if (pointSize != 0)
    font.pointSize = pointSize;
}

}  // namespace orvane
