#include "harness/LauncherProcess.h"

#include <tlhelp32.h>

#include <vector>

#include "util/Handles.h"

namespace orvane::test {

std::string Quote(const std::string& path) {
  return "\"" + path + "\"";
}

ProcessResult RunProcess(const std::string& commandLine, DWORD timeoutMs,
                         const std::string& workDir) {
  ProcessResult result;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
    return result;
  result.started = true;
  KernelObject process(pi.hProcess);
  KernelObject thread(pi.hThread);
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD waited = ::GetTickCount() - start;
    if (waited >= timeoutMs) {
      // Only the process this helper started is ended, by its handle.
      ::TerminateProcess(process.get(), 0xDEAD);
      ::WaitForSingleObject(process.get(), 5000);
      return result;
    }
    HANDLE h = process.get();
    const DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, timeoutMs - waited, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0)
      break;
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageA(&m);
    }
  }
  // Messages the process sent just before it ended.
  MSG m;
  while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageA(&m);
  }
  result.finished = true;
  ::GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}

int RunQuietProcess(const std::string& commandLine, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  FileHandle nul(::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = nul.get();
  startup.hStdError = nul.get();
  PROCESS_INFORMATION info{};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
    return -1;
  KernelObject process(info.hProcess);
  KernelObject thread(info.hThread);
  if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 99);
    return -1;
  }
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.get(), &exitCode);
  return static_cast<int>(exitCode);
}

// Ids of the processes whose executable is `path` (compared without regard
// to case), from a process snapshot.
std::vector<DWORD> ProcessesRunning(const std::string& path) {
  std::vector<DWORD> ids;
  FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot)
    return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
       more = ::Process32Next(snapshot.get(), &entry)) {
    KernelObject process(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    char image[MAX_PATH * 2] = {};
    DWORD size = sizeof image;
    if (process && ::QueryFullProcessImageNameA(process.get(), 0, image, &size) &&
        ::lstrcmpiA(image, path.c_str()) == 0)
      ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

// Ends every process that runs `path`, by its id, and waits until it has gone.
void EndProcessesRunning(const std::string& path) {
  for (DWORD id : ProcessesRunning(path)) {
    KernelObject process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && ::TerminateProcess(process.get(), 0xDEAD))
      ::WaitForSingleObject(process.get(), 10000);
  }
}

void PumpMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    PumpMessages();
    if (done())
      return true;
    if (::GetTickCount() - start >= timeoutMs)
      return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

Launcher::~Launcher() {
  if (Running()) {
    ::TerminateProcess(process_.get(), 0xDEAD);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool Launcher::Start(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (process_ || !::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &info))
    return false;
  process_.reset(info.hProcess);
  KernelObject thread(info.hThread);
  pid_ = info.dwProcessId;
  return true;
}

bool Launcher::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Launcher::WaitUntilIdle(DWORD timeoutMs) {
  return PumpUntil([this] { return ::WaitForInputIdle(process_.get(), 0) == 0; }, timeoutMs);
}

bool Launcher::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!PumpUntil([this] { return !Running(); }, timeoutMs))
    return false;
  PumpMessages();  // notifications posted just before the end
  return ::GetExitCodeProcess(process_.get(), exitCode) != 0;
}

}  // namespace orvane::test
