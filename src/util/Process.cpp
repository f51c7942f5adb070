#include "util/Process.h"

#include <tlhelp32.h>

#include <string>
#include <vector>

#include "util/ExecPipe.h"
#include "util/Handles.h"
#include "util/PathText.h"
#include "util/ProcessViewerText.h"
#include "util/Utils.h"
#include "util/UtilsText.h"

namespace orvane {

namespace {

// A Tool Help snapshot is a kernel handle that fails as INVALID_HANDLE_VALUE.
using Snapshot = FileHandle;
// OpenProcess fails with null.
using ProcessHandle = KernelObject;

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

// The longest path the lookups read.
constexpr DWORD kPathCapacity = 32768;

std::string ShortFormOf(const std::string& path) {
  std::string shortPath(kPathCapacity, '\0');
  const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), kPathCapacity);
  if (length == 0 || length >= kPathCapacity)
    return {};
  shortPath.resize(length);
  return shortPath;
}

// The path of the first module of an opened process (psapi); empty when
// it cannot be read.
std::string FirstModulePath(HANDLE process, GetModuleFileNameExFn moduleFileName) {
  std::string path(kPathCapacity, '\0');
  const DWORD length = moduleFileName(process, nullptr, path.data(), kPathCapacity);
  if (length == 0 || length >= kPathCapacity)
    return {};
  path.resize(length);
  return path;
}

// Every process id, in system order; empty when they cannot be read. The
// buffer grows until the system leaves part of it unused, so none is missed.
std::vector<DWORD> AllProcessIds() {
  std::vector<DWORD> ids;
  const LibraryProc enumProcesses = GetProcFromLibrary("psapi.dll", "EnumProcesses");
  if (!enumProcesses.proc)
    return ids;
  const auto enumerate = ProcAs<EnumProcessesFn>(enumProcesses.proc);
  for (size_t capacity = 256; capacity <= (1u << 22); capacity += 256) {  // steps of 1024 bytes
    ids.resize(capacity);
    DWORD bytes = 0;
    const DWORD size = static_cast<DWORD>(capacity * sizeof(DWORD));
    if (!enumerate(ids.data(), size, &bytes))
      break;
    if (bytes < size) {
      ids.resize(bytes / sizeof(DWORD));
      return ids;
    }
  }
  ids.clear();
  return ids;
}

// Whether `exe` (a path or a name) runs `file`, whose short form is `fileShort`.
bool ExeRunsFile(const std::string& exe, const std::string& file, const std::string& fileShort,
                 bool fullPathOnly) {
  // A bare name has no short form of its own (the system would look for it
  // in the current folder).
  const bool hasFolder = FileNamePart(exe, IsAnsiLeadByte) != exe;
  const std::string exeShort = (hasFolder && !fileShort.empty()) ? ShortFormOf(exe) : std::string();
  return ProcessRunsFile(exe, exeShort, file, fileShort, fullPathOnly, IsAnsiLeadByte);
}

// Whether the image of the process `processId` is `file` itself: the check
// that every candidate found by name passes before a full-path caller gets it.
bool ImageIsFile(DWORD processId, const std::string& file, const std::string& fileShort) {
  const std::string path = ProcessImagePath(processId);
  return !path.empty() && ExeRunsFile(path, file, fileShort, true);
}

}  // namespace

UniqueHandle<NullableHandleTraits> RunProgram(const std::string& commandLine, int showState) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION info{};
  std::string mutableLine = commandLine;  // CreateProcessA may write to it
  if (!::CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return UniqueHandle<NullableHandleTraits>();
  ::CloseHandle(info.hThread);
  return UniqueHandle<NullableHandleTraits>(info.hProcess);
}

std::string ProcessImagePath(DWORD processId) {
  if (processId == 0)
    return {};
  std::string path(kPathCapacity, '\0');
  // QueryFullProcessImageNameA needs only limited rights, but is not there
  // before Vista; the first module's path needs more rights.
  const auto query = ProcAs<QueryFullProcessImageNameFn>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA"));
  if (query) {
    const ProcessHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    DWORD size = kPathCapacity;
    if (process && query(process.get(), 0, path.data(), &size) && size > 0 &&
        size < kPathCapacity) {
      path.resize(size);
      return path;
    }
  }
  const LibraryProc moduleFileName = GetProcFromLibrary("psapi.dll", "GetModuleFileNameExA");
  if (!moduleFileName.proc)
    return {};
  const ProcessHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process)
    return {};
  return FirstModulePath(process.get(), ProcAs<GetModuleFileNameExFn>(moduleFileName.proc));
}

DWORD TasklistLookup(const std::string& file, bool fullPathOnly) {
  const std::string path = TrimStripQuotes(file);
  const std::string name = FileNamePart(path, IsAnsiLeadByte);
  if (name.empty())
    return 0;
  // From the System folder: a tasklist.exe beside the launcher or in the
  // current folder must not run.
  const CaptureResult report =
      RunAndCapture(SystemDir(true) + "tasklist.exe", "/FO csv", SW_HIDE, nullptr, nullptr, 1);
  if (!report.success)
    return 0;
  const std::string pathShort = fullPathOnly ? ShortFormOf(path) : std::string();
  for (const uint32_t id : TasklistProcessIds(report.output, name)) {
    if (!fullPathOnly || ImageIsFile(id, path, pathShort))
      return id;
  }
  return 0;
}

DWORD ModuleLookup(const std::string& file, bool fullPathOnly, bool firstMatch) {
  const LibraryProc moduleFileName = GetProcFromLibrary("psapi.dll", "GetModuleFileNameExA");
  if (!moduleFileName.proc)
    return 0;
  const auto readPath = ProcAs<GetModuleFileNameExFn>(moduleFileName.proc);
  const std::string fileShort = ShortFormOf(file);
  const std::vector<DWORD> ids = AllProcessIds();
  DWORD found = 0;
  for (size_t i = ids.size(); i-- > 0;) {
    const ProcessHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
    if (!process)
      continue;
    const std::string exe = FirstModulePath(process.get(), readPath);
    if (exe.empty() || !ExeRunsFile(exe, file, fileShort, fullPathOnly))
      continue;
    found = ids[i];
    if (!firstMatch)
      break;
  }
  return found;
}

DWORD SnapshotLookup(const std::string& file, bool fullPathOnly, bool firstMatch) {
  DWORD found = 0;
  const std::string fileShort = ShortFormOf(file);
  const Snapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return found;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry)) {
    // NT snapshots hold file names only: the image path where it can be read.
    std::string exe = ProcessImagePath(entry.th32ProcessID);
    if (exe.empty())
      exe = entry.szExeFile;
    if (ExeRunsFile(exe, file, fileShort, fullPathOnly)) {
      found = entry.th32ProcessID;
      if (firstMatch)
        break;
    }
  }
  return found;
}

DWORD FindProcessId(const std::string& file, bool fullPathOnly, bool firstMatch) {
  if (IsWin8OrLater())
    return TasklistLookup(file, fullPathOnly);
  if (IsNT())
    return ModuleLookup(file, fullPathOnly, firstMatch);
  return SnapshotLookup(file, fullPathOnly, firstMatch);
}

std::string ListProcesses(bool fullPaths, bool withPid) {
  std::string list = "|";
  auto add = [&](const std::string& name, DWORD id) {
    if (name.empty())
      return;
    list += withPid ? name + "=" + std::to_string(id) : name;
    list += '|';
  };
  if (IsXP()) {
    const LibraryProc moduleFileName = GetProcFromLibrary("psapi.dll", "GetModuleFileNameExA");
    for (const DWORD id : AllProcessIds()) {
      if (id == 0) {
        add("System Idle Process", id);
        continue;
      }
      std::string path;
      if (moduleFileName.proc) {
        const ProcessHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
        if (process)
          path = FirstModulePath(process.get(), ProcAs<GetModuleFileNameExFn>(moduleFileName.proc));
      }
      add(fullPaths ? path : FileNamePart(path, IsAnsiLeadByte), id);
    }
    return list;
  }
  // Every process of a snapshot, windowed or not, so that a program without a
  // window is not taken for ended.
  const Snapshot snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return list;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry)) {
    std::string name = fullPaths ? ProcessImagePath(entry.th32ProcessID) : std::string();
    if (name.empty())
      name = FileNamePart(entry.szExeFile, IsAnsiLeadByte);
    add(name, entry.th32ProcessID);
  }
  return list;
}

DWORD FindProcessIdByList(const std::string& file, bool fullPaths) {
  const std::string path = TrimStripQuotes(file);
  const std::string target = fullPaths ? path : FileNamePart(path, IsAnsiLeadByte);
  const std::string targetShort = fullPaths ? ShortFormOf(path) : std::string();
  for (const uint32_t id : ProcessIdsFromList(ListProcesses(fullPaths, true), target, targetShort,
                                              fullPaths ? ShortFormOf : nullptr)) {
    if (!fullPaths || ImageIsFile(id, path, targetShort))
      return id;
  }
  return 0;
}

bool IsProcessRunning(const std::string& file) {
  if (IsNT())
    return FindProcessIdByList(file, false) != 0;
  return SnapshotLookup(FileNamePart(TrimStripQuotes(file), IsAnsiLeadByte), false, false) != 0;
}

bool TerminateProcessByFile(const std::string& file, bool fullPathOnly) {
  const DWORD id = IsNT() ? FindProcessIdByList(file, fullPathOnly)
                          : SnapshotLookup(TrimStripQuotes(file), fullPathOnly, false);
  if (id == 0)
    return false;
  const ProcessHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
  return process && ::TerminateProcess(process.get(), 0);
}

void WaitProcessEnd(const std::string& file, uint32_t ms) {
  const std::string path = TrimStripQuotes(file);
  const DWORD limit = ms != 0 ? ms : 1000;
  const DWORD start = ::GetTickCount();
  do {
    if (!IsProcessRunning(path))
      return;
    YieldWait(100);
  } while (::GetTickCount() - start <= limit);
}

bool WaitProcessIdEnd(DWORD processId, uint32_t ms) {
  const ProcessHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process)
    return ::GetLastError() == ERROR_INVALID_PARAMETER;  // no such process
  const DWORD limit = ms != 0 ? ms : 1000;
  const DWORD start = ::GetTickCount();
  do {
    if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0)
      return true;
    YieldWait(100);
  } while (::GetTickCount() - start <= limit);
  return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

}  // namespace orvane
