// The portable rules of unit Files: SaveFile's chunking, DiskFree's roots,
// what a tree deletion does with each entry, and the self-deletion script for
// hostile file names.
#include "util/FilesText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {
namespace {

// Lead bytes of code page 932 (Shift-JIS), whose trail bytes include 0x5C '\'.
bool ShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
  return lines;
}

// ---------------------------------------------------------------------------
// SaveFile chunking

TEST(FilesSaveChunks, ChunkSizeAndMode) {
  struct Case {
    int64_t length;
    bool callback;
    bool chunked;
    int64_t chunk;
  } cases[] = {
      {0, true, true, 0},
      {500, false, false, 500},
      {500, true, true, 500},
      {5000, true, true, 1024},
      {10240, true, true, 1024},  // a tenth of exactly 1024 still counts as small
      {10250, true, true, 1025},  // just above: a tenth
      {1048576, false, false, 104857},
      {1048577, false, true, 104857},  // more than 1 MiB always goes in chunks
      {5000000, false, true, 500000},
      {10485760, false, true, 1048576},
      {10485770, false, true, 1048576},  // a tenth above 1 MiB is capped
      {20000000, false, true, 1048576},
      {int64_t{5} << 32, false, true, 1048576},  // beyond 32 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(SaveFileWritesInChunks(c.length, c.callback), c.chunked);
    EXPECT_EQ(SaveFileChunkSize(c.length), c.chunk);
  }
}

// ---------------------------------------------------------------------------
// Free-space roots

TEST(FilesDiskFreeRoot, ExtendedQueryCutsAfterTheFourthBackslash) {
  struct Case {
    const char* path;
    bool extended;
    bool dbcs;
    const char* root;
  } cases[] = {
      {"\\\\server\\share\\dir", true, false, "\\\\server\\share\\"},
      {"\\\\server\\share\\dir\\sub\\file", true, false, "\\\\server\\share\\"},
      {"\\\\server\\share", true, false, "\\\\server\\share\\"},  // a share needs the backslash
      {"//server/share/dir", true, false, "\\\\server\\share\\"},
      {"C:\\a\\b\\c", true, false, "C:\\a\\b\\c\\"},
      {"C:\\a\\b\\c\\d", true, false, "C:\\a\\b\\c\\"},
      {"C:\\a\\b\\", true, false, "C:\\a\\b\\"},
      {"c:/temp/setup_1", true, false, "c:\\temp\\setup_1\\"},
      {"C:\\", true, false, "C:\\"},
      {"c:", true, false, "C:\\"},  // shorter than three characters: the drive
      {"d", true, false, "D:\\"},
      {"", true, false, ""},
      {"", false, false, ""},
      // Without the extended query only the drive letter counts.
      {"c:\\temp\\setup_1", false, false, "C:\\"},
      {"\\\\server\\share\\dir", false, false, "\\:\\"},
      // "表" in Shift-JIS is 0x95 0x5C: its trail byte is no separator.
      {"C:\\\x95\x5C\\b\\c", true, true, "C:\\\x95\x5C\\b\\c\\"},
      {"C:\\\x95\x5C\\b\\c", true, false, "C:\\\x95\x5C\\b\\"},
      {"C:\\a\\\x95\x5C", true, true, "C:\\a\\\x95\x5C\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(DiskFreeRoot(c.path, c.extended, c.dbcs ? ShiftJisLead : nullptr), c.root);
  }
}

TEST(FilesDiskFreeRoot, DriveRootFallback) {
  EXPECT_EQ(DriveRootOf("e:\\x\\y"), "E:\\");
  EXPECT_EQ(DriveRootOf("Z:"), "Z:\\");
  EXPECT_EQ(DriveRootOf(""), "");
}

// ---------------------------------------------------------------------------
// Tree deletion: links are removed, never followed

TEST(FilesTreeEntry, LinksAreRemovedNotFollowed) {
  constexpr uint32_t kHidden = 0x2;
  constexpr uint32_t kSystem = 0x4;
  struct Case {
    const char* name;
    uint32_t attributes;
    TreeEntryAction action;
  } cases[] = {
      {".", kAttributeDirectory, TreeEntryAction::kSkip},
      {"..", kAttributeDirectory, TreeEntryAction::kSkip},
      {"", 0, TreeEntryAction::kSkip},
      {"...", kAttributeDirectory,
       TreeEntryAction::kDescend},  // only the two dot entries are skipped
      {"sub", kAttributeDirectory, TreeEntryAction::kDescend},
      {"sub", kAttributeDirectory | kAttributeReadOnly | kHidden, TreeEntryAction::kDescend},
      {"junction", kAttributeDirectory | kAttributeReparsePoint, TreeEntryAction::kRemoveLink},
      {"junction", kAttributeDirectory | kAttributeReparsePoint | kHidden | kSystem,
       TreeEntryAction::kRemoveLink},
      {"file.txt", 0, TreeEntryAction::kDeleteFile},
      {"file.txt", kAttributeReadOnly | kHidden, TreeEntryAction::kDeleteFile},
      {"link.txt", kAttributeReparsePoint, TreeEntryAction::kDeleteLink},
      {"link.txt", kAttributeReparsePoint | kAttributeReadOnly, TreeEntryAction::kDeleteLink},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.attributes));
    EXPECT_EQ(TreeEntryActionFor(c.name, c.attributes), c.action);
  }
}

// ---------------------------------------------------------------------------
// Self-deletion script

TEST(FilesSelfDeleteScript, FiveLinesWithTheFolderFourWithout) {
  const std::string exe = "C:\\Temp\\Y_Setup.exe";
  const std::string folder = "C:\\Temp\\Run";
  const std::string script = "C:\\Temp\\_DEL_ME_.BAT";
  EXPECT_EQ(Lines(SelfDeleteScript(exe, folder, script, true)),
            (std::vector<std::string>{":START", "DEL \"C:\\Temp\\Y_Setup.exe\"",
                                      "IF exist \"C:\\Temp\\Y_Setup.exe\" GOTO START",
                                      "RD \"C:\\Temp\\Run\"", "DEL \"C:\\Temp\\_DEL_ME_.BAT\""}));
  EXPECT_EQ(Lines(SelfDeleteScript(exe, folder, script, false)),
            (std::vector<std::string>{":START", "DEL \"C:\\Temp\\Y_Setup.exe\"",
                                      "IF exist \"C:\\Temp\\Y_Setup.exe\" GOTO START",
                                      "DEL \"C:\\Temp\\_DEL_ME_.BAT\""}));
}

TEST(FilesSelfDeleteScript, HostileNamesStayInsideTheirQuotes) {
  struct Case {
    const char* path;
    const char* quoted;
  } cases[] = {
      {"C:\\a b\\c d.exe", "\"C:\\a b\\c d.exe\""},
      {"C:\\x&rd /s /q C:\\Windows&y.exe", "\"C:\\x&rd /s /q C:\\Windows&y.exe\""},
      {"C:\\a^b^^c.exe", "\"C:\\a^b^^c.exe\""},
      {"C:\\100%\\%COMSPEC%.exe", "\"C:\\100%%\\%%COMSPEC%%.exe\""},
      {"C:\\%1%0%~dp0.exe", "\"C:\\%%1%%0%%~dp0.exe\""},
      {"C:\\!COMSPEC!\\bang!.exe", "\"C:\\!COMSPEC!\\bang!.exe\""},
      {"C:\\(x) [y] {z};,=.exe", "\"C:\\(x) [y] {z};,=.exe\""},
      {"C:\\%%", "\"C:\\%%%%\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(BatchQuotedPath(c.path), c.quoted);
    const std::vector<std::string> lines =
        Lines(SelfDeleteScript(c.path, "C:\\dir", "C:\\T\\_DEL_ME_.BAT", true));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], std::string("DEL ") + c.quoted);
    EXPECT_EQ(lines[2], std::string("IF exist ") + c.quoted + " GOTO START");
  }
  // Each line holds exactly one quoted path: nothing of a name escapes into
  // the command.
  const std::string hostile = "C:\\T & x\\a%b^c!d & e.exe";
  for (const std::string& line :
       Lines(SelfDeleteScript(hostile, "C:\\T & x", "C:\\T&%\\_DEL_ME_.BAT", true))) {
    if (line == ":START")
      continue;
    const size_t open = line.find('"');
    ASSERT_NE(open, std::string::npos) << line;
    const size_t close = line.find('"', open + 1);
    ASSERT_NE(close, std::string::npos) << line;
    EXPECT_EQ(line.find('"', close + 1), std::string::npos) << line;
    EXPECT_EQ(line.substr(0, open).find_first_of("&^%!|<>"), std::string::npos) << line;
    EXPECT_EQ(line.substr(close + 1).find_first_of("&^%!|<>"), std::string::npos) << line;
  }
}

TEST(FilesSelfDeleteScript, RefusesPathsThatCouldChangeTheCommands) {
  const char* bad[] = {"",           "C:\\a\"&calc&\".exe", "C:\\*.exe",
                       "C:\\a?.exe", "C:\\a\r\ncalc.exe",   "C:\\a\ncalc.exe"};
  for (const char* path : bad) {
    SCOPED_TRACE(path);
    EXPECT_EQ(SelfDeleteScript(path, "C:\\dir", "C:\\T\\_DEL_ME_.BAT", true), "");
    EXPECT_EQ(SelfDeleteScript("C:\\dir\\a.exe", "C:\\dir", path, true), "");
    EXPECT_EQ(SelfDeleteScript("C:\\dir\\a.exe", path, "C:\\T\\_DEL_ME_.BAT", true), "");
  }
  EXPECT_EQ(SelfDeleteScript(std::string("C:\\a\0b.exe", 10), "C:\\dir", "C:\\T\\X.BAT", false),
            "");
  // The folder does not matter when it is not removed.
  EXPECT_NE(SelfDeleteScript("C:\\dir\\a.exe", "", "C:\\T\\_DEL_ME_.BAT", false), "");
}

TEST(FilesSelfDeleteScript, NeverRemovesADriveOrShareRoot) {
  struct Case {
    const char* folder;
    bool root;
  } cases[] = {
      {"C:", true},
      {"C:\\", true},
      {"\\\\server\\share", true},
      {"\\\\server\\share\\", true},
      {"\\\\server", true},
      {"\\", true},
      {"C:\\Temp", false},
      {"C:\\Temp\\", false},
      {"\\\\server\\share\\dir", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(IsRootFolder(c.folder), c.root);
    const size_t lines =
        Lines(SelfDeleteScript("C:\\a.exe", c.folder, "C:\\T\\X.BAT", true)).size();
    EXPECT_EQ(lines, c.root ? 4u : 5u);
  }
}

}  // namespace
}  // namespace orvane
