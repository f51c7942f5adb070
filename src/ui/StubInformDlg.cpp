// StubInformDlg: the window, its text control and button, painting and the
// loop of the information dialog.
#include "ui/StubInformDlg.h"

#include <richedit.h>
#include <shellapi.h>

#include "ui/StubInformDlgRules.h"
#include "util/Handles.h"
#include "util/Utils.h"
#include "util/UtilsText.h"

namespace orvane {

namespace {

constexpr char kClassName[] = "ZRichEditBox";
constexpr char kRichEditLibrary[] = "riched32.dll";
constexpr LONG_PTR kButtonUserData = 1;
// Rich text beyond the control's default limit of 32767 characters would
// be cut.
constexpr size_t kTextLimitReserve = 32767;

// Loaded by the first dialog and kept, so that the "RICHEDIT" class stays
// registered.
void LoadRichEditLibrary() {
  static Module library;
  if (!library)
    library = LoadSystemLibrary(kRichEditLibrary);
}

void OpenLink(const std::string& link) {
  ::ShellExecuteA(::GetDesktopWindow(), nullptr, link.c_str(), nullptr, nullptr, SW_SHOW);
}

HGDIOBJ CreateSwissFont(int height, int charset, const std::string& face) {
  return ::CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                       static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
}

// The window class, registered for as long as its owner lives. A dialog
// opened while another is open (its loop dispatched the request) finds the
// class registered and leaves it to the first one.
class ClassRegistration {
 public:
  explicit ClassRegistration(WNDPROC windowProc) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kClassName;
    registered_ = ::RegisterClassA(&windowClass) != 0;
    usable_ = registered_ || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  ~ClassRegistration() {
    if (registered_)
      ::UnregisterClassA(kClassName, ::GetModuleHandleA(nullptr));
  }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

  bool usable() const { return usable_; }

 private:
  bool registered_ = false;
  bool usable_ = false;
};

void Fill(HDC dc, const Rect2& rect, int colourIndex) {
  if (rect.width <= 0 || rect.height <= 0)
    return;
  const RECT area{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
  ::FillRect(dc, &area, ::GetSysColorBrush(colourIndex));
}

void Place(HWND control, const Rect2& rect) {
  if (control)
    ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.width, rect.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

class InformDialog {
 public:
  explicit InformDialog(const std::string& link) : link_(link) {}
  InformDialog(const InformDialog&) = delete;
  InformDialog& operator=(const InformDialog&) = delete;

  // False when the window or its text control could not be made.
  bool Run(HWND owner, const std::string& title, const std::string& buttonCaption,
           const std::string& text, int width, int height, const std::string& fontName,
           int fontSize, int charset);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Layout(int cw, int ch);
  void Paint();
  void RunLoop();

  const std::string link_;
  GdiObject buttonFont_;
  GdiObject textFont_;
  HWND window_ = nullptr;
  HWND textControl_ = nullptr;
  HWND button_ = nullptr;
  bool linkOpened_ = false;
  bool done_ = false;
  bool quitSeen_ = false;
  WPARAM quitCode_ = 0;
};

void InformDialog::Layout(int cw, int ch) {
  const InformLayout layout = InformDialogLayout(cw, ch, !link_.empty());
  Place(textControl_, layout.text);
  if (layout.hasButton)
    Place(button_, layout.button);
}

void InformDialog::Paint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window_, &paint);
  if (!dc)
    return;
  RECT client{};
  ::GetClientRect(window_, &client);
  Fill(dc, {0, 0, client.right, client.bottom}, COLOR_WINDOW);
  const InformLayout layout = InformDialogLayout(client.right, client.bottom, !link_.empty());
  if (layout.hasButton) {
    Fill(dc, layout.stripLine, COLOR_3DDKSHADOW);
    Fill(dc, layout.strip, COLOR_BTNFACE);
  }
  ::EndPaint(window_, &paint);
}

LRESULT InformDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // One opening, however often the button is pressed before the window
      // has closed.
      if (button_ && reinterpret_cast<HWND>(lParam) == button_ && HIWORD(wParam) == BN_CLICKED &&
          !linkOpened_) {
        linkOpened_ = true;
        OpenLink(link_);
        ::PostMessageA(window_, WM_CLOSE, 0, 0);
      }
      break;
    case WM_SIZE:
      Layout(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETFOCUS:
      // As a dialog does: the focus the window receives (when it is shown
      // or activated again) goes on to its button, so the keyboard presses it.
      if (button_) {
        ::SetFocus(button_);
        return 0;
      }
      break;
    case WM_DESTROY:
      done_ = true;
      return 1;
    default:
      break;
  }
  return ::DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK InformDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* dialog =
        static_cast<InformDialog*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    dialog->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
  }
  auto* dialog = reinterpret_cast<InformDialog*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!dialog)
    return ::DefWindowProcA(window, message, wParam, lParam);
  const LRESULT result = dialog->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    dialog->window_ = nullptr;
    dialog->textControl_ = nullptr;
    dialog->button_ = nullptr;
  }
  return result;
}

void InformDialog::RunLoop() {
  while (!done_) {
    MSG message;
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The quit message belongs to the thread's main loop: the dialog
      // closes and the message is posted again once it is gone.
      if (got == 0) {
        quitSeen_ = true;
        quitCode_ = message.wParam;
      }
      if (window_)
        ::DestroyWindow(window_);
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

bool InformDialog::Run(HWND owner, const std::string& title, const std::string& buttonCaption,
                       const std::string& text, int width, int height, const std::string& fontName,
                       int fontSize, int charset) {
  LoadRichEditLibrary();
  buttonFont_.reset(CreateSwissFont(-PixelsFromPoints(fontSize), charset, fontName));
  textFont_.reset(CreateSwissFont(kInformTextFontHeight, charset, InformTextFontFace(fontName)));

  const ClassRegistration registration(&InformDialog::WindowProc);
  if (!registration.usable())
    return false;
  const Rect2 place = InformWindowRect(::GetSystemMetrics(SM_CXSCREEN),
                                       ::GetSystemMetrics(SM_CYSCREEN), width, height);
  // A handle that is no window would make the creation fail; the dialog is
  // then shown without an owner rather than not at all.
  HWND parent = owner && ::IsWindow(owner) ? owner : nullptr;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  ::CreateWindowExA(WS_EX_DLGMODALFRAME, kClassName, title.c_str(),
                    WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, place.left, place.top, place.width,
                    place.height, parent, nullptr, instance, this);
  if (!window_)
    return false;

  textControl_ = ::CreateWindowExA(
      0, "RICHEDIT", "",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_WANTRETURN, 0, 0, 0, 0,
      window_, nullptr, instance, nullptr);
  if (!textControl_) {
    // Nothing could be shown: the caller must not take the text as read.
    ::DestroyWindow(window_);
    return false;
  }
  ::SendMessageA(textControl_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);
  ::SendMessageA(textControl_, EM_SETBKGNDCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
  const std::string shown = WithoutEmbeddedObjects(text);
  ::SendMessageA(textControl_, EM_EXLIMITTEXT, 0,
                 static_cast<LPARAM>(shown.size() + kTextLimitReserve));
  ::SendMessageA(textControl_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));

  if (!link_.empty()) {
    button_ =
        ::CreateWindowExA(0, "Button", buttonCaption.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                          0, 0, 0, 0, window_, nullptr, instance, nullptr);
    if (button_) {
      ::SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), FALSE);
      ::SetWindowLongPtrA(button_, GWLP_USERDATA, kButtonUserData);
    }
  }
  RECT client{};
  ::GetClientRect(window_, &client);
  Layout(client.right, client.bottom);
  // Shown once complete, so that nobody sees (or finds) it half built.
  ::ShowWindow(window_, SW_SHOW);
  if (button_) {
    ::SetActiveWindow(window_);
    ::SetFocus(button_);
    ::SendMessageA(button_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  }

  RunLoop();
  if (quitSeen_)
    ::PostQuitMessage(static_cast<int>(quitCode_));
  return true;
}

}  // namespace

bool ShowInformDialog(HWND owner, const std::string& title, const std::string& buttonCaption,
                      const std::string& text, const std::string& link, int width, int height,
                      const std::string& fontName, int fontSize, int charset) {
  const std::string trimmedLink = Trim(link);
  if (text.empty()) {
    if (trimmedLink.empty())
      return false;
    OpenLink(trimmedLink);
    return true;
  }
  InformDialog dialog(trimmedLink);
  return dialog.Run(owner, title, buttonCaption, text, width, height, fontName, fontSize, charset);
}

}  // namespace orvane
