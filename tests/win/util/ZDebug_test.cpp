// The console device and the agent log, in a real process under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/DebugViewer.h"
#include "harness/TestPaths.h"
#include "util/ZDebug.h"
#include "util/ZDebugDevice.h"

namespace orvane {
namespace {

using test::DebugViewer;

TEST(ConsoleDeviceTest, ViewerModeSendsPiecesAsAtomsAndDeletesThem) {
  DebugViewer viewer;
  ASSERT_TRUE(viewer.window());
  ConsoleDevice device(0, "unused");
  const std::string line = std::string(300, 'q') + "\r\n";
  device.Write(line);
  device.Flush();
  ASSERT_EQ(viewer.Pieces().size(), 3u);
  EXPECT_EQ(viewer.Pieces()[0], std::string(128, 'q'));
  EXPECT_EQ(viewer.Pieces()[2], std::string(44, 'q') + "\r\n");
  // The atoms are gone again: the name of each piece is no longer known.
  EXPECT_EQ(::GlobalFindAtomA(std::string(128, 'q').c_str()), 0);
}

TEST(ConsoleDeviceTest, ProcessWideLinesStartWithTheProcessId) {
  DebugViewer viewer;
  ConsolePidLine(" ==== hello");
  ConsoleLine("");
  const auto lines = viewer.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::to_string(::GetCurrentProcessId()) + " ==== hello");
  EXPECT_EQ(lines[1], "");
}

TEST(ConsoleDeviceTest, WithoutViewerTextIsDroppedAtOnce) {
  ASSERT_EQ(::FindWindowA(".ZDebug.", nullptr), nullptr);
  ConsoleDevice device(0, "unused");
  const DWORD start = ::GetTickCount();
  for (int i = 0; i < 200; ++i) {
    device.Write(std::string(500, 'z') + "\r\n");
    device.Flush();
  }
  EXPECT_LT(::GetTickCount() - start, 2000u);
}

TEST(ConsoleDeviceTest, ModesChooseFileViewerBothOrNothing) {
  struct Case {
    uint8_t mode;
    bool toFile;
    bool toViewer;
  };
  const Case cases[] = {{0, false, true}, {1, true, false}, {2, true, true}, {3, false, false}};
  const std::string dir = test::ScratchDir("console-modes");
  for (const auto& c : cases) {
    const std::string file = dir + "\\debug" + std::to_string(c.mode) + ".txt";
    DebugViewer viewer;
    {
      ConsoleDevice device(c.mode, file);
      device.Write("one\ntwo\r");
      device.Flush();
      device.Write("three\r\n");
      device.Flush();
    }
    EXPECT_EQ(test::ReadWholeFile(file), c.toFile ? "one\r\ntwo\r\nthree\r\n" : "")
        << "mode " << int(c.mode);
    EXPECT_EQ(viewer.Text(), c.toViewer ? "one\ntwo\rthree\r\n" : "") << "mode " << int(c.mode);
  }
}

TEST(AgentLogTest, WritesOnlyWhenTracingIsOnWithPrefixAndThreadId) {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string log(exe);
  log = log.substr(0, log.find_last_of('\\') + 1) + "X_win_tests.log";
  ::DeleteFileA(log.c_str());

  SetTraceOn(false);
  AgentLog("not written");
  EXPECT_FALSE(test::FileExists(log));

  SetTraceOn(true);
  SetLogPrefix(" X ");
  AgentLog("hello");
  AgentLog("");
  SetTraceOn(false);
  SetLogPrefix("   ");

  const std::string text = test::ReadWholeFile(log);
  ::DeleteFileA(log.c_str());
  char id[16];
  snprintf(id, sizeof id, "%5lu", static_cast<unsigned long>(::GetCurrentThreadId()));
  const std::string hello = std::string(" ") + id + " X hello\r\n";
  const size_t at = text.find(hello);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(at, 17u);  // after "dd/mm/yy HH:NN:SS" with one-character separators
  EXPECT_EQ(text.size(), 17 + hello.size() + 17 + hello.size() - std::string("hello").size());
  EXPECT_EQ(text.substr(text.size() - 2 - 3), " X \r\n");
}

}  // namespace
}  // namespace orvane
