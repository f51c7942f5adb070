#include "util/ProcessViewerText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
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
  // A bare executable name (a process whose path could not be read) never
  // satisfies a full-path request, even for a bare file.
  EXPECT_FALSE(ProcessRunsFile("X_Agent.exe", "", "X_Agent.exe", "", true));
  EXPECT_TRUE(ProcessRunsFile("X_Agent.exe", "", "X_Agent.exe", "", false));
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

TEST(ProcessViewerTextTest, AnalizerScoresOwnedWindowsTitleAndVisibility) {
  using W = ProcessWindowFacts;
  const std::unique_ptr<TAnalizer> analizer(new TAnalizer);
  analizer->Clear(42);
  EXPECT_EQ(analizer->processId(), 42);
  // A hidden untitled helper, two dialogs whose top owner is the main
  // window, the main window, a window owned from outside the process.
  for (const W& w : {W{5, 5, false, false}, W{20, 30, true, true}, W{21, 30, true, false},
                     W{30, 30, true, true}, W{40, 99, false, true}})
    ASSERT_TRUE(analizer->Add(w));
  analizer->Score();
  const uint16_t expected[] = {4, 3, 2, 3 * 4 + 2 + 1, 1};
  ASSERT_EQ(analizer->count(), 5u);
  for (size_t i = 0; i < analizer->count(); ++i)
    EXPECT_EQ(analizer->score(i), expected[i]) << i;
  EXPECT_EQ(analizer->MainIndex(), 3);

  // Clearing starts over; the collection stops at kMaxProcessWindows.
  analizer->Clear(7);
  EXPECT_EQ(analizer->count(), 0u);
  size_t added = 0;
  while (added < kMaxProcessWindows + 5 && analizer->Add(W{added + 1, added + 1, false, false}))
    ++added;
  EXPECT_EQ(added, kMaxProcessWindows);
  analizer->Score();
  EXPECT_EQ(analizer->MainIndex(), 0);
}

TEST(ProcessViewerTextTest, ParsesCsvRecords) {
  using Records = std::vector<std::vector<std::string>>;
  struct Case {
    const char* name;
    std::string text;
    Records records;
  };
  const Case cases[] = {
      {"empty", "", {}},
      {"plain fields and line ends", "a,b,c\r\nd,e\nf", {{"a", "b", "c"}, {"d", "e"}, {"f"}}},
      {"quoted commas, doubled quotes, line break inside quotes",
       "\"My, \"\"best\"\" app.exe\",\"1234\",\"x\r\ny\"\r\n",
       {{"My, \"best\" app.exe", "1234", "x\r\ny"}}},
      {"empty fields and blank lines", "\r\n,,\r\n\r\n\"\"\r\n", {{"", "", ""}, {""}}},
      {"text after a closing quote stays", "\"ab\"c,d", {{"abc", "d"}}},
      {"an unclosed quote runs to the end", "\"a,b\r\nc", {{"a,b\r\nc"}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseCsv(c.text), c.records) << c.name;
}

TEST(ProcessViewerTextTest, TasklistIdsOfAFileName) {
  // As tasklist writes it (localised header, OEM text converted, thousands
  // separators inside quoted fields).
  const std::string report =
      "\"Abbildname\",\"PID\",\"Sitzungsname\",\"Sitz.-Nr.\",\"Speichernutzung\"\r\n"
      "\"System Idle Process\",\"0\",\"Services\",\"0\",\"8 K\"\r\n"
      "\"acme.exe\",\"1200\",\"Console\",\"1\",\"12,345 K\"\r\n"
      "\"My, \"\"acme\"\".exe\",\"1300\",\"Console\",\"1\",\"1 K\"\r\n"
      "\"ACME.EXE\",\"1400\",\"Console\",\"1\",\"2,000 K\"\r\n"
      "\"acme.exe\",\"12x\",\"Console\",\"1\",\"2 K\"\r\n"
      "\"acme.exe\",\"99999999999\",\"Console\",\"1\",\"2 K\"\r\n"
      "\"acme.exe\"\r\n";
  struct Case {
    const char* name;
    std::vector<uint32_t> ids;
  };
  const Case cases[] = {
      {"acme.exe", {1200, 1400}},   {" Acme.Exe ", {1200, 1400}},
      {"My, \"acme\".exe", {1300}}, {"acme", {}},
      {"Abbildname", {}},  // the header has no id
      {"System Idle Process", {}},  {"", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TasklistProcessIds(report, c.name), c.ids) << c.name;
  EXPECT_EQ(TasklistProcessIds("", "acme.exe"), std::vector<uint32_t>{});
  EXPECT_EQ(TasklistProcessIds("INFO: No tasks are running.\r\n", "acme.exe"),
            std::vector<uint32_t>{});
}

std::string FakeShortForm(const std::string& path) {
  return path == "C:\\Program Files\\Acme\\acme.exe" ? "C:\\PROGRA~1\\Acme\\acme.exe" : "";
}

TEST(ProcessViewerTextTest, IdsFromAProcessNameList) {
  const std::string names =
      "|System Idle Process=0|acme.exe=10|a=b.exe=20|ACME.EXE=30|bad=|x.exe=y|";
  const std::string paths =
      "|C:\\Program Files\\Acme\\acme.exe=40|D:\\Acme\\acme.exe=50|C:\\Program "
      "Files\\Acme\\acme.exe=60|";
  struct Case {
    const std::string* list;
    const char* target;
    const char* targetShort;
    ShortFormFunction shortForm;
    std::vector<uint32_t> ids;
  };
  const Case cases[] = {
      {&names, "acme.exe", "", nullptr, {10, 30}},
      {&names, "a=b.exe", "", nullptr, {20}},
      {&names, "System Idle Process", "", nullptr, {}},
      {&names, "bad", "", nullptr, {}},
      {&names, "x.exe", "", nullptr, {}},
      {&names, "", "", nullptr, {}},
      {&paths, "D:\\ACME\\acme.exe", "", nullptr, {50}},
      {&paths, "C:\\Program Files\\Acme\\acme.exe", "", nullptr, {40, 60}},
      {&paths,
       "C:\\PROGRA~1\\Acme\\acme.exe",
       "C:\\PROGRA~1\\ACME\\ACME.EXE",
       FakeShortForm,
       {40, 60}},
      {&paths, "C:\\PROGRA~1\\Acme\\acme.exe", "C:\\PROGRA~1\\ACME\\ACME.EXE", nullptr, {}},
      {&paths, "acme.exe", "", nullptr, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProcessIdsFromList(*c.list, c.target, c.targetShort, c.shortForm), c.ids) << c.target;
  }
}

}  // namespace
}  // namespace orvane
