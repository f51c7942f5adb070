#include "harness/ClientWindow.h"

namespace orvane::test {

namespace {
constexpr char kClassName[] = "OrvaneTestClient";
}

ClientWindow::ClientWindow(UINT message) : message_(message) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &ClientWindow::WindowProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kClassName;
  ::RegisterClassA(&windowClass);  // fails harmlessly when already registered
  window_ = ::CreateWindowExA(0, kClassName, "client", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, windowClass.hInstance, this);
}

ClientWindow::~ClientWindow() {
  ::DestroyWindow(window_);
}

LRESULT CALLBACK ClientWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ClientWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self != nullptr && message == self->message_) {
    self->codes.push_back(wParam);
    self->values.push_back(lParam);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace orvane::test
