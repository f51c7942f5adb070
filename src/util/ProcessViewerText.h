// ProcessViewerText: the portable rules of ProcessViewer.
//
// Which running process runs a given executable file (by path, by its short
// 8.3 form, or by file name), and which of a process's top-level windows is
// its main window: the window that owns most of the process's windows, and
// among equals a titled and visible one. The Windows unit ProcessViewer
// gathers the facts (process snapshot, window enumeration) and asks these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/PathText.h"

namespace orvane {

// Whether a process whose executable is `exe` (with the short form
// `exeShort`) runs `file` (with the short form `fileShort`): `exe` equals
// `file`, or, unless `fullPathOnly`, the file-name part of `exe` does; or
// both short forms exist and are equal. Comparisons are trimmed and ignore
// case; an empty short form means there is none. An empty `file` is run by
// no process.
bool ProcessRunsFile(std::string_view exe, std::string_view exeShort, std::string_view file,
                     std::string_view fileShort, bool fullPathOnly,
                     LeadBytePredicate isLeadByte = nullptr);

// At most this many top-level windows of one process are looked at.
constexpr size_t kMaxProcessWindows = 2001;

// One top-level window of a process as the main-window choice sees it.
struct ProcessWindowFacts {
  uintptr_t window;
  uintptr_t topOwner;  // end of its owner chain (the window itself when unowned)
  bool titled;         // its title is not empty
  bool visible;
};

// Index of the main window among the first `count` (at most
// kMaxProcessWindows) of `windows`, in enumeration order, or -1 when there is
// none. Each window scores 4 for every window of the list whose top-level
// owner it is (itself included), plus 2 when titled and 1 when visible; the
// first window with the highest score above 0 wins.
int MainWindowIndex(const ProcessWindowFacts* windows, size_t count);

}  // namespace orvane
