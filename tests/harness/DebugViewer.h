// DebugViewer: a stand-in for the external debug viewer. It owns a top-level
// window of class ".ZDebug." and records every piece of console trace that a
// launcher sends to it (".Z_DebugMsg.", the text carried as a global atom).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace orvane::test {

class DebugViewer {
 public:
  DebugViewer();
  ~DebugViewer();
  DebugViewer(const DebugViewer&) = delete;
  DebugViewer& operator=(const DebugViewer&) = delete;

  HWND window() const { return window_; }
  // The pieces as they arrived, and their concatenation.
  const std::vector<std::string>& Pieces() const { return pieces_; }
  std::string Text() const;
  // The text split at CR LF (the last, unterminated part only when not empty).
  std::vector<std::string> Lines() const;
  void Clear() { pieces_.clear(); }
  // Called with every piece as it arrives.
  void OnPiece(std::function<void(const std::string&)> callback) { onPiece_ = std::move(callback); }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND window_ = nullptr;
  UINT message_ = 0;
  std::vector<std::string> pieces_;
  std::function<void(const std::string&)> onPiece_;
};

// Pumps the thread's messages for `ms` milliseconds.
void PumpMessages(DWORD ms);

}  // namespace orvane::test
