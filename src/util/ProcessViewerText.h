// ProcessViewerText: the portable rules of Process and ProcessViewer.
//
// Which running process runs a given executable file (by path, by its short
// 8.3 form, or by file name); which ids tasklist's CSV report and a process
// name list give for a file; and which of a process's top-level windows is
// its main window: the window that owns most of the process's windows, and
// among equals a titled and visible one. The Windows units gather the facts
// (process snapshot, tasklist output, window enumeration) and ask these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/PathText.h"

namespace orvane {

// Whether a process whose executable is `exe` (with the short form
// `exeShort`) runs `file` (with the short form `fileShort`): `exe` equals
// `file`, or, unless `fullPathOnly`, the file-name part of `exe` does; or
// both short forms exist and are equal. Comparisons are trimmed and ignore
// case; an empty short form means there is none. An empty `file` is run by
// no process, and with `fullPathOnly` neither is `file` by a process whose
// `exe` is a bare file name (its folder is unknown).
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

// The window scoring of one process: collects up to kMaxProcessWindows of
// its top-level windows in enumeration order (further ones are ignored) and
// scores them. Each window scores 4 for every collected window whose
// top-level owner it is (itself included), plus 2 when titled and 1 when
// visible; the first window with the highest score above 0 is the main
// window. About 50 KB: allocate it, do not put it on the stack.
class TAnalizer {
 public:
  void Clear(int32_t processId);
  int32_t processId() const { return processId_; }
  // False (and nothing kept) once kMaxProcessWindows are collected.
  bool Add(const ProcessWindowFacts& facts);
  size_t count() const { return static_cast<size_t>(count_); }
  const ProcessWindowFacts& window(size_t index) const { return windows_[index]; }
  // Scores the collected windows; score() and MainIndex() read the result.
  void Score();
  uint16_t score(size_t index) const { return scores_[index]; }
  // Index of the main window, or -1 when no window scores above 0.
  int MainIndex() const;

 private:
  ProcessWindowFacts windows_[kMaxProcessWindows];
  uint16_t scores_[kMaxProcessWindows];
  int32_t count_ = 0;
  int32_t processId_ = 0;
};

// Index of the main window among the first `count` (at most
// kMaxProcessWindows) of `windows`, as a TAnalizer scores them; -1 when there
// is none.
int MainWindowIndex(const ProcessWindowFacts* windows, size_t count);

// The records of a CSV text, each a list of fields: fields are separated by
// commas, records by CR LF or LF (a lone CR ends one too); a field in double
// quotes may hold commas, line breaks and doubled quotes (one quote each).
// Empty lines give no record.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);

// The process ids tasklist's "/FO csv" report `csv` gives for the executable
// file name `name`, in report order: every record whose first field equals
// `name` (trimmed, ignoring case) and whose second field is a decimal id
// above 0. The header and anything else give none.
std::vector<uint32_t> TasklistProcessIds(std::string_view csv, std::string_view name);

// The short (8.3) form of a path, empty when it has none.
using ShortFormFunction = std::string (*)(const std::string& path);

// The ids of a process name list (a SUB list of fields name=id; a name may
// hold "=", the id follows the last one) whose name equals `target`
// (trimmed, ignoring case), or, when `targetShort` is not empty and
// `shortForm` is given, whose name's short form equals `targetShort`; in
// list order. Fields without a decimal id above 0 give none.
std::vector<uint32_t> ProcessIdsFromList(std::string_view list, std::string_view target,
                                         std::string_view targetShort, ShortFormFunction shortForm);

}  // namespace orvane
