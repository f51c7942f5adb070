#include "util/ExecPipe.h"

#include <string>

#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {

namespace {

// The most one drain reads at a time.
constexpr DWORD kDrainChunk = 30000;

HANDLE g_captureInput = nullptr;

// One anonymous pipe. Both ends are created inheritable; the end this
// process keeps is then made non-inheritable, so that the program does not
// hold its own input's write end (or the other pipes' read ends) open.
struct Pipe {
  KernelObject read;
  KernelObject write;
};

bool CreateCapturePipe(Pipe& pipe, bool parentWrites) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.bInheritHandle = TRUE;
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!::CreatePipe(&read, &write, &security, 0))
    return false;
  pipe.read.reset(read);
  pipe.write.reset(write);
  return ::SetHandleInformation(parentWrites ? write : read, HANDLE_FLAG_INHERIT, 0) != 0;
}

// Moves what `pipe` holds (at most kDrainChunk bytes) into `text`, converted
// from the OEM to the ANSI code page, and hands it to the callback. True when
// bytes were left in the pipe.
bool Drain(HANDLE pipe, std::string& text, CaptureCallback callback, void* data, bool& cancel) {
  DWORD available = 0;
  if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)
    return false;
  std::string piece(available < kDrainChunk ? available : kDrainChunk, '\0');
  DWORD read = 0;
  if (!::ReadFile(pipe, piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr) ||
      read == 0)
    return false;
  piece.resize(read);
  ::OemToCharBuffA(piece.data(), piece.data(), read);
  text += piece;
  if (callback)
    callback(piece, data, cancel);
  return available > read;
}

}  // namespace

HANDLE CaptureInputPipe() {
  return g_captureInput;
}

CaptureResult RunAndCapture(const std::string& program, const std::string& parameters,
                            int showState, CaptureCallback callback, void* callbackData,
                            uint32_t extraWaitMs) {
  CaptureResult result;
  std::string command = CaptureCommandLine(program, parameters);
  Pipe input;
  Pipe output;
  Pipe error;
  bool started = false;
  PROCESS_INFORMATION info{};
  // A longer command line is never started: the system would refuse it or cut it.
  if (command.size() <= kMaxCommandLineLength && CreateCapturePipe(input, true) &&
      CreateCapturePipe(output, false) && CreateCapturePipe(error, false)) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = static_cast<WORD>(showState);
    startup.hStdInput = input.read.get();
    startup.hStdOutput = output.write.get();
    startup.hStdError = error.write.get();
    started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, IDLE_PRIORITY_CLASS,
                               nullptr, nullptr, &startup, &info) != 0;
  }
  if (!started) {
    result.exitCode = kCaptureStartFailedExitCode;
    result.errorText = CaptureStartFailureText(GetLastErrorText(), command);
    if (callback) {
      bool ignored = false;
      callback(result.errorText + "\r\n", callbackData, ignored);
    }
    return result;
  }
  const KernelObject process(info.hProcess);
  const KernelObject thread(info.hThread);
  g_captureInput = input.write.get();

  bool cancel = false;
  bool cancelled = false;
  DWORD wait = callback ? 1 : 100;
  DWORD exitCode = STILL_ACTIVE;
  bool left = false;
  do {
    if (!result.output.empty() && wait > 10)
      wait -= 10;
    ::WaitForSingleObject(process.get(), wait);
    left = Drain(output.read.get(), result.output, callback, callbackData, cancel);
    left = Drain(error.read.get(), result.errorText, callback, callbackData, cancel) || left;
    if (cancel && !cancelled) {
      ::TerminateProcess(process.get(), kCaptureCancelledExitCode);
      cancelled = true;
    }
    if (!::GetExitCodeProcess(process.get(), &exitCode))
      break;
  } while (exitCode == STILL_ACTIVE || left);

  YieldWait(extraWaitMs);
  while (Drain(output.read.get(), result.output, callback, callbackData, cancel)) {
  }
  while (Drain(error.read.get(), result.errorText, callback, callbackData, cancel)) {
  }
  g_captureInput = nullptr;
  result.exitCode = exitCode;
  result.success = exitCode == 0;
  return result;
}

}  // namespace orvane
