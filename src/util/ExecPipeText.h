// ExecPipeText: the portable rules of ExecPipe's RunAndCapture.
//
// The command line it builds from a program and its parameters, and the
// error text and exit code of a program that could not be started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// The longest command line the system starts a program with.
constexpr size_t kMaxCommandLineLength = 32766;
// The exit code RunAndCapture reports for a program it could not start.
constexpr uint32_t kCaptureStartFailedExitCode = 21;
// The exit code of a program ended because the caller cancelled the run.
constexpr uint32_t kCaptureCancelledExitCode = 255;

// `program`, in double quotes when it contains a blank and no double quote
// (a program "C:\Program Files\x.exe" must not start as "C:\Program"),
// followed by a blank and `parameters` when there are any.
std::string CaptureCommandLine(std::string_view program, std::string_view parameters);

// The error text of a program that could not be started with `command`:
// "Command line is too long" for a command longer than
// kMaxCommandLineLength, else `systemError` + " --- " + the first 256
// characters of `command`.
std::string CaptureStartFailureText(std::string_view systemError, std::string_view command);

}  // namespace orvane
