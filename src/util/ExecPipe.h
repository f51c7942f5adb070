// ExecPipe: running a console program and reading what it writes.
//
// RunAndCapture starts a program with its standard input, output and error
// connected to anonymous pipes, collects both output streams (converted from
// the OEM to the ANSI code page) while it runs, hands every piece to an
// optional callback that may cancel the run, and returns the texts with the
// program's exit code. Used to read console tools such as tasklist.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/ExecPipeText.h"

namespace orvane {

// Receives every piece of output (standard output and standard error alike,
// already in the ANSI code page) with the caller's data; setting `cancel`
// ends the program with exit code kCaptureCancelledExitCode.
using CaptureCallback = void (*)(const std::string& text, void* data, bool& cancel);

struct CaptureResult {
  bool success = false;   // the program ran and exited with 0
  std::string errorText;  // its standard error, or why it could not start
  std::string output;     // its standard output
  uint32_t exitCode = 0;  // kCaptureStartFailedExitCode when it could not start
};

// Runs `program` with `parameters` (CaptureCommandLine) at idle priority,
// shown as `showState`, and waits for it: in steps of 100 ms without a
// callback, of 1 ms with one, draining both pipes after each step. When the
// program has ended, waits `extraWaitMs` more (pumping messages) and drains
// the pipes once more. A program that cannot be started gives exit code 21
// and its error text, which the callback receives too, followed by CR LF.
CaptureResult RunAndCapture(const std::string& program, const std::string& parameters,
                            int showState, CaptureCallback callback, void* callbackData,
                            uint32_t extraWaitMs);

// The write end of the running program's standard input while RunAndCapture
// runs (a callback may feed the program through it); null otherwise.
HANDLE CaptureInputPipe();

}  // namespace orvane
