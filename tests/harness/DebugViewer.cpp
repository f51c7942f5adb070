#include "harness/DebugViewer.h"

namespace orvane::test {

namespace {
constexpr const char* kClass = ".ZDebug.";
}

DebugViewer::DebugViewer() : message_(::RegisterWindowMessageA(".Z_DebugMsg.")) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &DebugViewer::WindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = kClass;
  ::RegisterClassA(&wc);  // fails harmlessly when a previous viewer registered it
  window_ = ::CreateWindowExA(0, kClass, "Debug viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, this);
}

DebugViewer::~DebugViewer() {
  if (window_)
    ::DestroyWindow(window_);
}

LRESULT CALLBACK DebugViewer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<DebugViewer*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && msg == self->message_ && wp == 1) {
    char name[512] = {};
    const UINT n = ::GlobalGetAtomNameA(static_cast<ATOM>(lp), name, sizeof name);
    self->pieces_.emplace_back(name, n);
    if (self->onPiece_)
      self->onPiece_(self->pieces_.back());
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, wp, lp);
}

std::string DebugViewer::Text() const {
  std::string all;
  for (const auto& p : pieces_)
    all += p;
  return all;
}

std::vector<std::string> DebugViewer::Lines() const {
  std::vector<std::string> lines;
  const std::string all = Text();
  size_t start = 0;
  for (;;) {
    const size_t end = all.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < all.size())
        lines.push_back(all.substr(start));
      return lines;
    }
    lines.push_back(all.substr(start, end - start));
    start = end + 2;
  }
}

void PumpMessages(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageA(&m);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (::GetTickCount() - start < ms);
}

}  // namespace orvane::test
