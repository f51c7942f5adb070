// ProcProbe: a copy of tests/harness/procprobe.exe started as a test's own
// process (the tests find, steer and end it by its file), ended by its
// handle when the test leaves it running.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane::test {

// The built probe, beside the test program.
inline std::string ProcProbeExe() {
  return OwnDir(true) + "procprobe.exe";
}

// The top-level windows of a process, in enumeration order.
inline std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  struct Search {
    DWORD processId;
    std::vector<HWND> windows;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId)
          s->windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

class ProcProbe {
 public:
  ProcProbe() = default;
  ProcProbe(const ProcProbe&) = delete;
  ProcProbe& operator=(const ProcProbe&) = delete;
  ~ProcProbe() {
    if (Running())
      ::TerminateProcess(process_.get(), 99);
  }

  // Starts `exe` (a copy of the probe) with `arguments`; with `title` (window
  // mode) waits until its main window of that title is shown.
  bool Start(const std::string& exe, const std::string& arguments, const std::string& title = {}) {
    std::string command = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
      return false;
    process_.reset(info.hProcess);
    ::CloseHandle(info.hThread);
    pid_ = info.dwProcessId;
    ::WaitForInputIdle(process_.get(), 10000);
    if (title.empty())
      return true;
    for (int i = 0; i < 200 && main_ == nullptr; ++i) {
      for (HWND window : TopLevelWindowsOf(pid_)) {
        if (orvane::WindowText(window) == title && ::IsWindowVisible(window))
          main_ = window;
      }
      if (main_ == nullptr)
        ::Sleep(50);
    }
    return main_ != nullptr;
  }

  // Starts `exe` in its windowless mode, to run until the event `stopEvent`
  // (which this creates) is set, and waits until it is up.
  bool StartWaiting(const std::string& exe, const std::string& stopEvent) {
    stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, stopEvent.c_str()));
    const KernelObject ready(::CreateEventA(nullptr, TRUE, FALSE, (stopEvent + ".ready").c_str()));
    return stop_ && ready && Start(exe, "wait " + stopEvent) &&
           ::WaitForSingleObject(ready.get(), 10000) == WAIT_OBJECT_0;
  }
  // Tells a program of StartWaiting to end.
  void Stop() { ::SetEvent(stop_.get()); }

  DWORD pid() const { return pid_; }
  HWND main() const { return main_; }
  bool Running() const {
    return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
  }
  // Waits up to `ms` for the end; the exit code, or STILL_ACTIVE.
  DWORD WaitExit(DWORD ms) const {
    ::WaitForSingleObject(process_.get(), ms);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  KernelObject process_;
  KernelObject stop_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace orvane::test
