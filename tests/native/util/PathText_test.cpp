// Tests of the path texts: trailing backslashes, the parts of a path, a
// program path as the start of a command line, in single-byte and
// double-byte code pages, and untrusted text shortened for a message box.
#include "util/PathText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

// Lead bytes of code page 932 (Shift-JIS).
bool ShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

TEST(PathText, NormalizeTrailingBackslash) {
  struct Case {
    const char* path;
    bool add;
    bool dbcs;
    const char* expected;
  } cases[] = {
      {"C:\\", false, false, "C:"},
      {"C:\\", true, false, "C:\\"},
      {"C\\", false, false, "C\\"},
      {"C\\", true, false, "C\\"},
      {"\\", false, false, ""},
      {"\\", true, false, "\\"},
      {"", false, false, ""},
      {"", true, false, "\\"},
      {"C:", true, false, "C:\\"},
      {"C:\\Dir\\", false, false, "C:\\Dir"},
      {"C:\\Dir", false, false, "C:\\Dir"},
      {"C:\\Dir", true, false, "C:\\Dir\\"},
      {"C:\\Dir\\\\", false, false, "C:\\Dir\\"},  // only one backslash goes
      {"\\\\", false, false, "\\\\"},
      // 0x95 0x5C is one double-byte character whose trail byte looks like "\".
      {"C:\\\x95\\", false, true, "C:\\\x95\\"},
      {"C:\\\x95\\", true, true, "C:\\\x95\\\\"},
      {"C:\\\x95\\", false, false, "C:\\\x95"},
      {"C:\\\x95\\\\", false, true, "C:\\\x95\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeTrailingBackslash(c.path, c.add, c.dbcs ? ShiftJisLead : nullptr),
              c.expected)
        << "path " << c.path << " add " << c.add << " dbcs " << c.dbcs;
  }
}

TEST(PathText, PartsAndNameWithoutExtension) {
  struct Case {
    const char* path;
    bool dbcs;
    const char* fileName;
    const char* directory;
    const char* withoutLast;
    const char* withoutAll;
  } cases[] = {
      {"C:\\Dir\\Setup.exe", false, "Setup.exe", "C:\\Dir\\", "Setup", "Setup"},
      {"C:\\Dir.x\\a.b.c", false, "a.b.c", "C:\\Dir.x\\", "a.b", "a"},
      {"Setup.exe", false, "Setup.exe", "", "Setup", "Setup"},
      {"C:Setup.exe", false, "Setup.exe", "C:", "Setup", "Setup"},
      {"C:\\Dir\\", false, "", "C:\\Dir\\", "", ""},
      {"C:\\Dir\\noext", false, "noext", "C:\\Dir\\", "noext", "noext"},
      {"", false, "", "", "", ""},
      {".info", false, ".info", "", "", ""},
      // The trail byte 0x5C of 0x95 0x5C is not a separator in code page 932.
      {"C:\\\x95\\x.y", true, "\x95\\x.y", "C:\\", "\x95\\x", "\x95\\x"},
      {"C:\\\x95\\x.y", false, "x.y", "C:\\\x95\\", "x", "x"},
      // A lead byte at the very end has no trail byte to swallow.
      {"C:\\a\x95", true, "a\x95", "C:\\", "a\x95", "a\x95"},
  };
  for (const Case& c : cases) {
    LeadBytePredicate lead = c.dbcs ? ShiftJisLead : nullptr;
    EXPECT_EQ(FileNamePart(c.path, lead), c.fileName) << c.path;
    EXPECT_EQ(DirectoryPart(c.path, lead), c.directory) << c.path;
    EXPECT_EQ(NameWithoutExtension(c.path, false, lead), c.withoutLast) << c.path;
    EXPECT_EQ(NameWithoutExtension(c.path, true, lead), c.withoutAll) << c.path;
  }
}

TEST(PathText, ProgramPathForCommandLineQuotesOnlyPathsWithBlanks) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"C:\\Program Files\\x.exe", "\"C:\\Program Files\\x.exe\""},
      {"C:\\Tools\\x.exe", "C:\\Tools\\x.exe"},
      {"x.exe", "x.exe"},
      {"", ""},
      {" ", "\" \""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgramPathForCommandLine(c.path), c.expected) << c.path;
}

TEST(PathText, ShortenForDisplayKeepsBothEndsOfALongText) {
  // A 60 000-byte entry name with a recognisable start and end.
  const std::string hostile = "start-" + std::string(60000, 'x') + "-end";
  struct Case {
    const char* name;
    std::string text;
    size_t keep;
    std::string expected;
  } cases[] = {
      {"empty", "", 40, ""},
      {"short", "setup.exe", 40, "setup.exe"},
      {"exactly 2 * keep + 3 stays", "abcdefghi", 3, "abcdefghi"},
      {"one byte more is cut", "abcdefghij", 3, "abc...hij"},
      {"keep 0 leaves the dots", "abcd", 0, "..."},
      {"keep 0, three bytes stay", "abc", 0, "abc"},
      {"keep larger than the text", "abc", 10, "abc"},
      {"a keep too large to double does not overflow", "abcdefghij", SIZE_MAX, "abcdefghij"},
      {"40 and 40", std::string(40, 'a') + std::string(4, 'b') + std::string(40, 'c'), 40,
       std::string(40, 'a') + "..." + std::string(40, 'c')},
      {"83 bytes stay", std::string(83, 'n'), 40, std::string(83, 'n')},
      {"hostile name", hostile, 40,
       "start-" + std::string(34, 'x') + "..." + std::string(36, 'x') + "-end"},
      {"line breaks are bytes like any other", "ab\r\ncdefg\r\nhi", 4, "ab\r\n...\r\nhi"},
      // Bytes, not characters: the cut may split the Shift-JIS character
      // 0x95 0x5C.
      {"double-byte text is cut by bytes", "ab\x95\\cdefg\x95\\h", 3, "ab\x95...\x95\\h"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string shown = ShortenForDisplay(c.text, c.keep);
    EXPECT_EQ(shown, c.expected);
    EXPECT_LE(shown.size(), c.text.size());
  }
  EXPECT_EQ(ShortenForDisplay(hostile), ShortenForDisplay(hostile, 40));
}

}  // namespace
}  // namespace orvane
