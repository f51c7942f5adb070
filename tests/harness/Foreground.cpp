#include "harness/Foreground.h"

namespace orvane::test {

HWND FocusInThreadOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                                : nullptr;
}

bool BringToFront(HWND window, HWND focus, DWORD waitMs) {
  // In front this long without a change: a late deactivation comes within
  // a few tens of milliseconds of the window being shown.
  constexpr DWORD kSteadyMs = 300;
  const DWORD start = ::GetTickCount();
  DWORD steadySince = 0;
  bool steady = false;
  while (::GetTickCount() - start < waitMs) {
    if (!::IsWindow(window))
      return false;
    const HWND hasFocus = FocusInThreadOf(window);
    if (::GetForegroundWindow() == window && hasFocus && (!focus || hasFocus == focus)) {
      if (!steady) {
        steady = true;
        steadySince = ::GetTickCount();
      } else if (::GetTickCount() - steadySince >= kSteadyMs) {
        return true;
      }
    } else {
      steady = false;
      if (::GetForegroundWindow() != window)
        ::SetForegroundWindow(window);
    }
    ::Sleep(10);
  }
  return false;
}

}  // namespace orvane::test
