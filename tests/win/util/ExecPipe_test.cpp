// ExecPipe under Wine: tests/harness/procprobe.exe in console mode writes
// OEM text to both streams and exits with a given code; RunAndCapture
// collects both streams converted to ANSI, reports the exit code, lets its
// callback cancel, and refuses what cannot start.
#include "util/ExecPipe.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/ProcProbe.h"
#include "harness/TestPaths.h"
#include "util/Utils.h"

namespace orvane {
namespace {

std::string OemToAnsi(std::string text) {
  ::OemToCharBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The probe in a folder whose name has blanks: its path must be quoted.
std::string ProbeWithBlanks() {
  const std::string dir = test::ScratchDir("execpipe") + "\\with blanks";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string exe = dir + "\\probe copy.exe";
  return test::CopyFileTo(test::ProcProbeExe(), exe) ? exe : std::string();
}

TEST(ExecPipeCapture, BothStreamsInAnsiAndTheExitCode) {
  const std::string exe = ProbeWithBlanks();
  ASSERT_FALSE(exe.empty());
  const std::string out = "out:\x84\x94\x81\r\n";
  const std::string err = "err:\x8E\x99\r\n";
  // Otherwise the conversion would go unnoticed.
  ASSERT_NE(OemToAnsi(out), out);
  struct Case {
    const char* parameters;
    uint32_t exitCode;
    size_t extraBytes;
  } cases[] = {
      {"console 0", 0, 0},
      {"console 7", 7, 0},
      // More than one drain and more than a pipe's buffer.
      {"console 1 0 100000", 1, 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    const CaptureResult result = RunAndCapture(exe, c.parameters, SW_HIDE, nullptr, nullptr, 0);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(result.success, c.exitCode == 0);
    EXPECT_EQ(result.output, OemToAnsi(out) + std::string(c.extraBytes, 'x'));
    EXPECT_EQ(result.errorText, OemToAnsi(err));
  }
}

struct Collected {
  std::string text;
  int calls = 0;
  bool cancelAtFirst = false;
  bool inputPipeOpen = true;  // every call saw the program's input pipe
};

void Collect(const std::string& text, void* data, bool& cancel) {
  auto* collected = static_cast<Collected*>(data);
  collected->text += text;
  ++collected->calls;
  collected->inputPipeOpen = collected->inputPipeOpen && CaptureInputPipe() != nullptr;
  if (collected->cancelAtFirst)
    cancel = true;
}

TEST(ExecPipeCapture, TheCallbackSeesEveryPieceAndMayCancel) {
  const std::string exe = ProbeWithBlanks();
  ASSERT_FALSE(exe.empty());
  Collected all;
  CaptureResult result = RunAndCapture(exe, "console 0 300 50000", SW_HIDE, Collect, &all, 10);
  EXPECT_TRUE(result.success);
  EXPECT_EQ(all.text.size(), result.output.size() + result.errorText.size());
  EXPECT_GE(all.calls, 2);
  EXPECT_TRUE(all.inputPipeOpen);
  EXPECT_EQ(CaptureInputPipe(), nullptr);

  // A program that would sleep a minute ends at once with 255.
  Collected cancelling;
  cancelling.cancelAtFirst = true;
  const DWORD start = ::GetTickCount();
  result = RunAndCapture(exe, "console 0 60000", SW_HIDE, Collect, &cancelling, 0);
  EXPECT_LT(::GetTickCount() - start, 30000u);
  EXPECT_EQ(result.exitCode, 255u);
  EXPECT_FALSE(result.success);
  EXPECT_GE(cancelling.calls, 1);
}

TEST(ExecPipeCapture, AProgramThatCannotStart) {
  const std::string missing = test::ScratchDir("execpipe-missing") + "\\no such program.exe";
  Collected seen;
  CaptureResult result = RunAndCapture(missing, "/x", SW_HIDE, Collect, &seen, 0);
  EXPECT_FALSE(result.success);
  EXPECT_EQ(result.exitCode, 21u);
  const std::string tail = " --- \"" + missing + "\" /x";
  ASSERT_GT(result.errorText.size(), tail.size());
  EXPECT_EQ(result.errorText.substr(result.errorText.size() - tail.size()), tail);
  EXPECT_EQ(seen.text, result.errorText + "\r\n");
  EXPECT_EQ(result.output, "");

  // 32767 characters and more: not even tried.
  const std::string exe = ProbeWithBlanks();
  ASSERT_FALSE(exe.empty());
  const std::string quoted = "\"" + exe + "\" ";
  for (size_t length : {size_t{32767}, size_t{40000}}) {
    result = RunAndCapture(exe, "console 0 " + std::string(length - quoted.size() - 10, 'p'),
                           SW_HIDE, nullptr, nullptr, 0);
    EXPECT_EQ(result.exitCode, 21u) << length;
    EXPECT_EQ(result.errorText, "Command line is too long");
  }
  // 32766 characters still run.
  const std::string parameters = "console 0 0 0 ";
  result =
      RunAndCapture(exe, parameters + std::string(32766 - quoted.size() - parameters.size(), 'p'),
                    SW_HIDE, nullptr, nullptr, 0);
  EXPECT_EQ(result.exitCode, 0u) << result.errorText;
}

}  // namespace
}  // namespace orvane
