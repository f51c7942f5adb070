// ClientWindow: a window of the test that stands for the client program an
// agent notifies (wm_LocalMsg): it records the code and value of every
// message `message` it receives.
#pragma once

#include <windows.h>

#include <vector>

namespace orvane::test {

class ClientWindow {
 public:
  explicit ClientWindow(UINT message);
  ~ClientWindow();
  ClientWindow(const ClientWindow&) = delete;
  ClientWindow& operator=(const ClientWindow&) = delete;

  HWND window() const { return window_; }
  UINT message() const { return message_; }
  std::vector<WPARAM> codes;
  std::vector<LPARAM> values;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UINT message_;
  HWND window_ = nullptr;
};

}  // namespace orvane::test
