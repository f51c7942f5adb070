// Root names, key path splitting and value conversion of registry reads.
#include "util/RegPath.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

struct RootCase {
  const char* name;
  uint32_t root;
};

TEST(RegRootFromName, MapsLongAndShortNamesIgnoringCaseAndBlanks) {
  const RootCase cases[] = {
      {"HKEY_CLASSES_ROOT", 0x80000000u},
      {"HKCR", 0x80000000u},
      {"HKEY_CURRENT_USER", 0x80000001u},
      {"HKCU", 0x80000001u},
      {"HKEY_LOCAL_MACHINE", 0x80000002u},
      {"HKLM", 0x80000002u},
      {"hklm", 0x80000002u},
      {"HkEy_LoCaL_mAcHiNe", 0x80000002u},
      {"HKEY_USERS", 0x80000003u},
      {"hku", 0x80000003u},
      {"HKEY_CURRENT_CONFIG", 0x80000005u},
      {"HKCC", 0x80000005u},
      {"HKEY_DYN_DATA", 0x80000006u},
      {"HKDD", 0x80000006u},
      {"  HKLM\t", 0x80000002u},
      // Names outside the table fall back to the current user.
      {"HKEY_PERFORMANCE_DATA", 0x80000001u},
      {"HKXX", 0x80000001u},
      {"HKLM2", 0x80000001u},
      {"HK", 0x80000001u},
      {"HKEY_LOCAL", 0x80000001u},
      {"", 0x80000001u},
  };
  for (const RootCase& c : cases) {
    EXPECT_EQ(RegRootFromName(c.name), c.root) << '"' << c.name << '"';
  }
}

struct SplitCase {
  const char* path;
  uint32_t root;
  const char* subKey;
};

TEST(SplitRegPath, SplitsRootAndSubkey) {
  const SplitCase cases[] = {
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0x80000002u,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
      {"hklm\\software\\x", 0x80000002u, "software\\x"},
      {"HKCU\\A\\B", 0x80000001u, "A\\B"},
      {"HKEY_USERS\\.DEFAULT\\Control Panel", 0x80000003u, ".DEFAULT\\Control Panel"},
      {"  HKCR\\.txt  ", 0x80000000u, ".txt"},
      // The root name itself is trimmed too.
      {"HKLM \\Software", 0x80000002u, "Software"},
      // Without a backslash the whole text is the root.
      {"HKLM", 0x80000002u, ""},
      {"HKEY_CURRENT_CONFIG", 0x80000005u, ""},
      {"HKLM\\", 0x80000002u, ""},
      // "HK" but not a known root: current user, the rest is the subkey.
      {"HKXX\\Software\\A", 0x80000001u, "Software\\A"},
      {"hkey_nothing\\A", 0x80000001u, "A"},
      {"HKNOSLASH", 0x80000001u, ""},
      // Not starting with "HK": the whole text is a subkey of the current user.
      {"Software\\HKLM\\A", 0x80000001u, "Software\\HKLM\\A"},
      {"\\HKLM\\A", 0x80000001u, "\\HKLM\\A"},
      {" Software\\A ", 0x80000001u, "Software\\A"},
      {"H", 0x80000001u, "H"},
      {"", 0x80000001u, ""},
  };
  for (const SplitCase& c : cases) {
    const RegPathParts parts = SplitRegPath(c.path);
    EXPECT_EQ(parts.root, c.root) << '"' << c.path << '"';
    EXPECT_EQ(parts.subKey, c.subKey) << '"' << c.path << '"';
  }
}

struct ConvertCase {
  const char* label;
  uint32_t type;
  std::string bytes;
  const char* text;
};

TEST(ConvertRegValue, ConvertsByTypeAndSize) {
  using namespace std::string_literals;
  const ConvertCase cases[] = {
      {"dword one", 4, "\x01\x00\x00\x00"s, "1"},
      {"dword zero", 4, "\x00\x00\x00\x00"s, "0"},
      {"dword little-endian", 4, "\x78\x56\x34\x12"s, "305419896"},
      {"dword all bits", 4, "\xff\xff\xff\xff"s, "4294967295"},
      {"dword top bit", 4, "\x00\x00\x00\x80"s, "2147483648"},
      // A DWORD of any other size is read as text up to the first zero byte.
      {"dword of 8 bytes", 4, "12\x00\x00\x00\x00\x00\x00"s, "12"},
      {"dword of 3 bytes", 4, "789"s, "789"},
      {"dword empty", 4, ""s, ""},
      {"big-endian dword is not a dword", 5, "\x00\x00\x00\x01"s, ""},
      {"multi two strings", 7, "one\0two\0\0"s, "one<0>two"},
      {"multi three strings", 7, "a\0b\0c\0\0"s, "a<0>b<0>c"},
      {"multi single string", 7, "abc\0\0"s, "abc"},
      {"multi without terminators", 7, "a\0b"s, "a<0>b"},
      {"multi empty inner string", 7, "a\0\0b\0\0"s, "a<0><0>b"},
      {"multi only zeros", 7, "\0\0\0"s, ""},
      {"multi of 3 bytes", 7, "ab\0"s, "ab"},
      // Two bytes or fewer: plain text rules.
      {"multi of 2 bytes", 7, "a\0"s, "a"},
      {"multi of 2 zero bytes", 7, "\0\0"s, ""},
      {"multi of 2 bytes without zero", 7, "ab"s, "ab"},
      {"sz", 1, "hello\0"s, "hello"},
      {"sz stops at first zero", 1, "ab\0cd\0"s, "ab"},
      {"sz without terminator", 1, "abc"s, "abc"},
      {"sz empty", 1, ""s, ""},
      {"sz only terminator", 1, "\0"s, ""},
      {"sz with high bytes", 1, "caf\xe9\0"s, "caf\xe9"},
      {"expand sz stays unexpanded", 2, "%TEMP%\\x\0"s, "%TEMP%\\x"},
      {"binary", 3, "bin\0ary"s, "bin"},
      {"qword", 11, "\x01\x00\x00\x00\x00\x00\x00\x00"s, "\x01"},
      {"none", 0, "x\0"s, "x"},
  };
  for (const ConvertCase& c : cases) {
    EXPECT_EQ(ConvertRegValue(c.type, c.bytes), c.text) << c.label;
  }
}

// The data size bounds every read, whatever lies behind it in the buffer.
TEST(ConvertRegValue, ReadsOnlyTheGivenSize) {
  const char buffer[] = "abcdef\0\0\xff\xff";
  EXPECT_EQ(ConvertRegValue(1, std::string_view(buffer, 3)), "abc");
  EXPECT_EQ(ConvertRegValue(7, std::string_view(buffer, 3)), "abc");
  EXPECT_EQ(ConvertRegValue(7, std::string_view(buffer, 10)), "abcdef<0><0>\xff\xff");
  EXPECT_EQ(ConvertRegValue(4, std::string_view(buffer + 6, 4)), "4294901760");
  EXPECT_EQ(ConvertRegValue(1, std::string_view()), "");
  EXPECT_EQ(ConvertRegValue(7, std::string_view()), "");
  EXPECT_EQ(ConvertRegValue(4, std::string_view()), "");
}

}  // namespace
}  // namespace orvane
