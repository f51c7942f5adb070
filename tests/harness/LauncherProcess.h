// LauncherProcess: starts a program (the launcher) as a separate process and
// waits for it while pumping this thread's messages, so that a DebugViewer
// in this thread receives the trace the process sends meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "util/Handles.h"

namespace orvane::test {

struct ProcessResult {
  bool started = false;
  bool finished = false;  // false: timed out and terminated
  DWORD exitCode = 0;
};

// commandLine is passed to CreateProcess as it is (quote the program path
// yourself when it may contain blanks); workDir may be empty.
ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs = 60000,
                         const std::string& workDir = {});

// Runs a program with its output thrown away (a test starting itself as a
// child, say) and waits without pumping; its exit code, or -1 when it could
// not start or did not end in time (it is then ended).
int RunQuietProcess(const std::string& commandLine, DWORD timeoutMs = 60000);

std::string Quote(const std::string& path);

// Ids of the processes whose executable is `path` (compared without regard
// to case), from a process snapshot.
std::vector<DWORD> ProcessesRunning(const std::string& path);
// Ends every process that runs `path`, by its id, and waits until it has gone.
void EndProcessesRunning(const std::string& path);

// Dispatches every message waiting in this thread's queue (the launcher
// sends its trace to a viewer window of this thread).
void PumpMessages();
// Pumps this thread's messages until `done` holds or `timeoutMs` has passed;
// false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A launcher process a test started and watches while it runs; ended by its
// handle if the test leaves it running.
class Launcher {
 public:
  Launcher() = default;
  ~Launcher();

  bool Start(const std::string& commandLine);
  DWORD pid() const { return pid_; }
  bool Running() const;
  // Pumps messages until the process waits in its message loop (its window
  // is complete); false on time-out.
  bool WaitUntilIdle(DWORD timeoutMs);
  // Pumps messages until the process has ended; false on time-out.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

 private:
  KernelObject process_;
  DWORD pid_ = 0;
};

}  // namespace orvane::test
