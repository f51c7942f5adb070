// ProcessViewer: finding other running programs by their executable file.
//
// The plain agent steers the X_ agent, which it knows only by file: whether
// a process runs that file, which process it is, and that process's main
// window, to which it posts its requests. Processes are found through a
// Tool Help snapshot and each process's full image path; the main window is
// chosen among the process's top-level windows (ProcessViewerText.h).
//
// Every lookup fails quietly: no process, no window or no rights give 0 or
// false.
#pragma once

#include <windows.h>

#include <string>

#include "util/ProcessViewerText.h"

namespace orvane {

// Id of a process that runs `file`: its full executable path (or, unless
// `fullPathOnly`, its file name) equals `file`, or the short forms of both
// are equal. Of several, the last in snapshot order, or the first with
// `firstMatch`. 0 when none runs it.
DWORD FindProcessIdByFile(const std::string& file, bool fullPathOnly, bool firstMatch);

// The main window of the process that runs `file` (FindProcessIdByFile), or
// null when there is no such process or it has no top-level window.
HWND FindProcessWindow(const std::string& file, bool fullPathOnly, bool firstMatch);

// Posts `message` to FindProcessWindow(file, fullPathOnly, last match); true
// when a window was found and the message posted.
bool PostToProcessWindow(const std::string& file, bool fullPathOnly, UINT message, WPARAM wParam,
                         LPARAM lParam);

// Whether a process runs an executable with the file name of `file`
// (surrounding blanks and double quotes removed; the folder does not count).
bool IsProcessRunning(const std::string& file);

}  // namespace orvane
