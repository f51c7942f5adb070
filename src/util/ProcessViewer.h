// ProcessViewer: the windows of other running programs.
//
// A program known by its executable file (Process.h finds its process) is
// steered through its main window: the window a TAnalizer picks among the
// process's top-level windows (ProcessViewerText.h). Requests are posted to
// it (close, quit, the agents' own messages); a caller may also wait while a
// window of a class exists, or gather the facts of every top-level window
// (TProcessData).
//
// Every lookup fails quietly: no process, no window or no rights give 0 or
// false.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/Process.h"
#include "util/ProcessViewerText.h"

namespace orvane {

// The main window of the process `processId`; null when it has no top-level
// window.
HWND MainWindowOfProcess(DWORD processId);

// The main window of the process that runs `file` (FindProcessId), or null
// when there is no such process or it has no top-level window.
HWND FindProcessWindow(const std::string& file, bool fullPathOnly, bool firstMatch);

// Posts `message` to FindProcessWindow(file, fullPathOnly, last match); true
// when a window was found and the message posted.
bool PostToProcessWindow(const std::string& file, bool fullPathOnly, UINT message, WPARAM wParam,
                         LPARAM lParam);

// Posts WM_CLOSE (wParam 15, lParam 255) to the program's main window; with
// `waitMs` > 0 then waits up to that long for that process to end. True when
// the message was posted and, when waiting, the process has ended.
bool CloseProcessWindow(const std::string& file, bool fullPathOnly, uint32_t waitMs);

// Posts WM_QUIT (wParam 15, lParam 255) to the program's main window, which
// ends the message loop of its thread; true when posted.
bool QuitProcessWindow(const std::string& file, bool fullPathOnly);

// How long a window may leave WaitWhileWindowExists's messages unanswered
// before the wait gives up on it: its thread is hung, and the window would
// otherwise keep the waiting program alive for ever.
constexpr uint32_t kWindowUnansweredLimitMs = 120000;

// Waits, pumping messages, while a top-level window of class `className`
// (and title `title`, unless empty) exists; no time limit while the window
// answers. True when no such window is left; false (with a trace line) when
// the window has not answered for `unansweredLimitMs`.
bool WaitWhileWindowExists(const std::string& className, const std::string& title,
                           uint32_t unansweredLimitMs = kWindowUnansweredLimitMs);

// One pass over all top-level windows. Every list is a SUB list with one
// field per entry, in the same order.
struct TProcessData {
  // True: an entry per window. False: an entry per executable name, and the
  // pass stops after the first window whose executable name is `nameMask`
  // ("*": none) or whose process is `processId` (-1: none).
  bool allWindows = false;
  std::string nameMask = "*";
  int32_t processId = -1;
  std::string processIds = "|";
  std::string exeNames = "|";
  std::string classNames = "|";
  std::string windows = "|";  // handles, in decimal
  std::string threadIds = "|";
  std::string titles = "|";
  std::string visible = "|";  // "1" or "0"
};
void CollectWindows(TProcessData& data);

}  // namespace orvane
