// Bringing a window to the front before answering it, as a user does.
#pragma once

#include <windows.h>

namespace orvane::test {

// Without a window manager, Wine can take the activation away from a window
// it has just shown: the X focus of a window closed a moment before comes
// back late and deactivates the new one. A user then clicks the window to
// bring it to the front before answering it. BringToFront does the same
// (through SetForegroundWindow) whenever `window` is not in front, and
// returns once it has been in front for a while with the keyboard focus in
// its thread on `focus` (on any window when `focus` is null). False if that
// did not happen within `waitMs`.
bool BringToFront(HWND window, HWND focus, DWORD waitMs = 5000);

// The window with the keyboard focus in `window`'s thread, or null.
HWND FocusInThreadOf(HWND window);

}  // namespace orvane::test
