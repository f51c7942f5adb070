#include "util/ProcessViewerText.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

TEST(ProcessViewerTextTest, ProcessRunsFileByPathNameOrShortForm) {
  const char* exe = "C:\\Program Files\\Acme\\X_Agent.exe";
  const char* exeShort = "C:\\PROGRA~1\\Acme\\X_AGEN~1.EXE";
  struct Case {
    const char* file;
    const char* fileShort;
    bool fullPathOnly;
    bool runs;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Acme\\X_Agent.exe", "", true, true},
      {" c:\\program files\\acme\\x_agent.EXE ", "", true, true},
      {"D:\\Acme\\X_Agent.exe", "", false, false},  // another folder
      // The file name counts only when full paths are not required.
      {"X_Agent.exe", "", false, true},
      {"x_agent.exe", "", true, false},
      // The short forms, when the file has one.
      {"C:\\PROGRA~1\\Acme\\X_AGEN~1.EXE", "C:\\PROGRA~1\\Acme\\X_AGEN~1.EXE", true, true},
      {"C:\\Other\\Name.exe", "C:\\PROGRA~1\\ACME\\x_agen~1.exe", true, true},
      {"C:\\Other\\Name.exe", "C:\\OTHER\\NAME.EXE", false, false},
      {"", "", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProcessRunsFile(exe, exeShort, c.file, c.fileShort, c.fullPathOnly), c.runs)
        << c.file << " / " << c.fileShort << " / " << c.fullPathOnly;
  }
  // A process without a short form never matches through an empty one.
  EXPECT_FALSE(ProcessRunsFile(exe, "", "C:\\Other\\Name.exe", "", false));
  EXPECT_FALSE(ProcessRunsFile("", "", "", "", false));
}

TEST(ProcessViewerTextTest, MainWindowOwnsMostWindowsThenHasATitleThenIsVisible) {
  using W = ProcessWindowFacts;
  struct Case {
    const char* name;
    std::vector<W> windows;
    int main;
  };
  const Case cases[] = {
      {"none", {}, -1},
      // A visible titled main window with two owned dialogs scores 3 * 4 + 2 + 1.
      {"main window and two owned dialogs",
       {{10, 30, true, true}, {20, 30, true, true}, {30, 30, true, true}},
       2},
      {"a titled hidden window beats an untitled visible one",
       {{1, 1, false, true}, {2, 2, true, false}},
       1},
      {"equal scores: the first", {{1, 1, true, false}, {2, 2, true, false}}, 0},
      // A window owned from outside the process scores only for itself.
      {"owned by another process", {{5, 99, false, true}}, 0},
      {"owned from outside, untitled and hidden", {{5, 99, false, false}}, -1},
      {"an owner deeper in the chain counts, not the direct one",
       {{1, 1, false, false}, {2, 1, false, false}, {3, 1, false, false}, {4, 4, true, true}},
       0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MainWindowIndex(c.windows.data(), c.windows.size()), c.main) << c.name;

  // Windows beyond the first kMaxProcessWindows are not looked at.
  std::vector<W> many(kMaxProcessWindows, W{1, 99, false, false});
  many.push_back({2, 2, true, true});
  EXPECT_EQ(MainWindowIndex(many.data(), many.size()), -1);
  EXPECT_EQ(MainWindowIndex(many.data() + 1, many.size() - 1), static_cast<int>(many.size()) - 2);
}

}  // namespace
}  // namespace orvane
