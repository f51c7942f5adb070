// Process: finding, listing, ending and waiting for other running programs
// that are known only by their executable file.
//
// How processes can be listed differs between Windows generations, so a
// look-up picks its strategy by the running system: tasklist's report on
// Windows 8 and later, the process ids with each process's first module on
// the other NT systems, a Tool Help snapshot on Windows 9x. Each strategy is
// callable on its own too.
//
// A caller that asks for a full path (`fullPathOnly`) must never get another
// program that only has the same file name: where a strategy knows only
// names (tasklist, the process name list), each candidate's full image path
// is confirmed before its id is returned, and a process whose path cannot be
// read is not taken.
//
// Every look-up fails quietly: no process, no tasklist or no rights give 0
// or false.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/Handles.h"

namespace orvane {

// Starts `commandLine` as it is, with `showState` for its first window, and
// returns at once (WinExec would wait until the new program reads its
// message queue, which a program that only waits never does); an empty
// handle when the process could not be created.
UniqueHandle<NullableHandleTraits> RunProgram(const std::string& commandLine, int showState);

// Id of a process that runs `file`, by the strategy of the running system;
// 0 when none runs it. `firstMatch` picks the first of several in system
// order instead of the last (tasklist always gives the first).
DWORD FindProcessId(const std::string& file, bool fullPathOnly, bool firstMatch);

// The strategies. Tasklist: the first process that tasklist.exe (from the
// System folder) reports under the file name of `file`; with `fullPathOnly`
// the first whose image path is `file`.
DWORD TasklistLookup(const std::string& file, bool fullPathOnly);
// The process ids, from the last to the first, and each one's first module:
// its path equals `file`, or (unless `fullPathOnly`) its base name does, or
// the short (8.3) forms are equal.
DWORD ModuleLookup(const std::string& file, bool fullPathOnly, bool firstMatch);
// A Tool Help snapshot, each process's image path read where it can be
// (else the snapshot's text), matched as in ModuleLookup.
DWORD SnapshotLookup(const std::string& file, bool fullPathOnly, bool firstMatch);

// The full path of the executable a process runs; empty when it cannot be
// read (no such process, no rights).
std::string ProcessImagePath(DWORD processId);

// The running processes as a SUB list: one field per process, its
// executable's file name (its full path with `fullPaths`, where it can be
// read) followed by "=" and its id when `withPid`.
std::string ListProcesses(bool fullPaths, bool withPid);

// The first process of ListProcesses(fullPaths, with ids) that runs `file`:
// with `fullPaths` the one whose path is `file` (its image path confirmed),
// else the one whose file name is the file name of `file`. 0 when none.
DWORD FindProcessIdByList(const std::string& file, bool fullPaths);

// Whether a process runs an executable with the file name of `file`
// (surrounding blanks and double quotes removed; the folder does not count).
bool IsProcessRunning(const std::string& file);

// Ends the process that runs `file` (FindProcessIdByList on NT systems, the
// snapshot's last match on 9x) with exit code 0; true when it was ended.
bool TerminateProcessByFile(const std::string& file, bool fullPathOnly);

// Waits, pumping messages, until no process runs the file name of `file`
// (IsProcessRunning) or `ms` (1000 when 0) have passed.
void WaitProcessEnd(const std::string& file, uint32_t ms);

// Waits the same way until the process `processId` has ended; true when it
// has (or never existed).
bool WaitProcessIdEnd(DWORD processId, uint32_t ms);

}  // namespace orvane
