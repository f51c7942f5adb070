#include "util/ProcessViewer.h"

#include <tlhelp32.h>

#include <memory>
#include <string>

#include "util/Handles.h"
#include "util/PathText.h"
#include "util/Utils.h"
#include "util/UtilsText.h"

namespace orvane {

namespace {

// A Tool Help snapshot is a kernel handle that fails as INVALID_HANDLE_VALUE.
using Snapshot = FileHandle;
// OpenProcess fails with null.
using ProcessHandle = KernelObject;

// A path buffer of the lookups; paths that do not fit count as unknown.
using PathBuffer = char[MAX_PATH * 2];

// The full path of the process's executable in `path`; the snapshot's text
// (a file name on NT systems) when the process cannot be queried.
const char* ExecutablePath(const PROCESSENTRY32& entry, PathBuffer& path) {
  const ProcessHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
  DWORD size = sizeof path;
  if (process && ::QueryFullProcessImageNameA(process.get(), 0, path, &size))
    return path;
  return entry.szExeFile;
}

// The short (8.3) form of `path` in `shortPath`; empty when there is none.
const char* ShortForm(const char* path, PathBuffer& shortPath) {
  const DWORD length = ::GetShortPathNameA(path, shortPath, sizeof shortPath);
  if (length == 0 || length >= sizeof shortPath)
    shortPath[0] = '\0';
  return shortPath;
}

// What a process is looked for by: `file` and its short form, compared with
// the executable's full path (and, unless `fullPathOnly`, its file name); or
// with the snapshot's text only (`snapshotText`: a file name on NT systems,
// a full path on Windows 9x), which needs no access to the process.
struct ProcessQuery {
  const std::string& file;
  bool fullPathOnly;
  bool snapshotText;
  const char* fileShort;
};

bool Matches(const ProcessQuery& query, const PROCESSENTRY32& entry) {
  PathBuffer path;
  PathBuffer shortPath;
  const char* exe = query.snapshotText ? entry.szExeFile : ExecutablePath(entry, path);
  const char* exeShort = *query.fileShort == '\0' ? "" : ShortForm(exe, shortPath);
  return ProcessRunsFile(exe, exeShort, query.file, query.fileShort, query.fullPathOnly,
                         IsAnsiLeadByte);
}

// Id of the last matching process of a fresh snapshot (the first with
// `firstMatch`); 0 when none matches.
DWORD FindProcess(const ProcessQuery& query, bool firstMatch) {
  DWORD found = 0;
  const Snapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return found;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry)) {
    if (Matches(query, entry)) {
      found = entry.th32ProcessID;
      if (firstMatch)
        break;
    }
  }
  return found;
}

struct WindowCollection {
  DWORD processId;
  size_t count;
  ProcessWindowFacts windows[kMaxProcessWindows];
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
  auto* collection = reinterpret_cast<WindowCollection*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != collection->processId)
    return TRUE;
  ProcessWindowFacts& facts = collection->windows[collection->count++];
  facts.window = reinterpret_cast<uintptr_t>(window);
  facts.topOwner = reinterpret_cast<uintptr_t>(TopLevelOwner(window));
  facts.titled = ::GetWindowTextLengthA(window) > 0;
  facts.visible = ::IsWindowVisible(window) != 0;
  return collection->count < kMaxProcessWindows;
}

}  // namespace

DWORD FindProcessIdByFile(const std::string& file, bool fullPathOnly, bool firstMatch) {
  PathBuffer fileShort;
  return FindProcess({file, fullPathOnly, false, ShortForm(file.c_str(), fileShort)}, firstMatch);
}

HWND FindProcessWindow(const std::string& file, bool fullPathOnly, bool firstMatch) {
  const DWORD processId = FindProcessIdByFile(file, fullPathOnly, firstMatch);
  if (processId == 0)
    return nullptr;
  // Tens of kilobytes of window facts: not on the stack.
  const std::unique_ptr<WindowCollection> collection(new WindowCollection);
  collection->processId = processId;
  collection->count = 0;
  ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(collection.get()));
  const int main = MainWindowIndex(collection->windows, collection->count);
  return main < 0 ? nullptr : reinterpret_cast<HWND>(collection->windows[main].window);
}

bool PostToProcessWindow(const std::string& file, bool fullPathOnly, UINT message, WPARAM wParam,
                         LPARAM lParam) {
  HWND window = FindProcessWindow(file, fullPathOnly, false);
  return window != nullptr && ::PostMessageA(window, message, wParam, lParam) != 0;
}

bool IsProcessRunning(const std::string& file) {
  const std::string name = FileNamePart(TrimStripQuotes(file), IsAnsiLeadByte);
  return FindProcess({name, false, true, ""}, true) != 0;
}

}  // namespace orvane
