// ReadRegString against values this test writes and deletes itself, under
// HKEY_CURRENT_USER\Software\OrvaneTest and HKEY_LOCAL_MACHINE\Software\OrvaneTest.
#include "util/Registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "util/Handles.h"

namespace orvane {
namespace {

using namespace std::string_literals;

constexpr char kTestParent[] = "Software\\OrvaneTest";

std::string UniqueName() {
  static int counter = 0;
  return "Registry-" + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(::GetTickCount()) + "-" + std::to_string(++counter);
}

// A key created for one test in one registry view, deleted with its values
// (and the shared parent, when nothing else is left in it) at the end.
class TestKey {
 public:
  TestKey(HKEY root, std::string subKey, REGSAM view = 0)
      : root_(root), subKey_(std::move(subKey)), view_(view) {
    HKEY key = nullptr;
    created_ = ::RegCreateKeyExA(root_, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) == ERROR_SUCCESS;
    key_.reset(key);
  }
  ~TestKey() {
    key_.reset();
    ::RegDeleteKeyExA(root_, subKey_.c_str(), view_, 0);
    ::RegDeleteKeyExA(root_, kTestParent, view_, 0);  // fails while others still use it
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  bool created() const { return created_; }
  const std::string& subKey() const { return subKey_; }

  bool Set(const std::string& name, DWORD type, const std::string& bytes) {
    return ::RegSetValueExA(key_.get(), name.c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(bytes.data()),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  }

 private:
  HKEY root_;
  std::string subKey_;
  REGSAM view_;
  RegKey key_;
  bool created_ = false;
};

class ReadRegStringTest : public ::testing::Test {
 protected:
  ReadRegStringTest() : key_(HKEY_CURRENT_USER, std::string(kTestParent) + "\\" + UniqueName()) {}
  void SetUp() override { ASSERT_TRUE(key_.created()); }

  std::string Path() const { return "HKEY_CURRENT_USER\\" + key_.subKey(); }

  TestKey key_;
};

struct ValueCase {
  const char* name;
  DWORD type;
  std::string bytes;
  const char* expected;
};

TEST_F(ReadRegStringTest, ConvertsStoredValues) {
  const ValueCase cases[] = {
      {"DwordAllBits", REG_DWORD, "\xff\xff\xff\xff"s, "4294967295"},
      {"DwordSmall", REG_DWORD, "\x2a\x00\x00\x00"s, "42"},
      {"DwordOf8Bytes", REG_DWORD, "12\x00\x00\x00\x00\x00\x00"s, "12"},
      {"MultiTwo", REG_MULTI_SZ, "first\0second\0\0"s, "first<0>second"},
      {"MultiOne", REG_MULTI_SZ, "only\0\0"s, "only"},
      {"Text", REG_SZ, "hello world\0"s, "hello world"},
      {"TextUnterminated", REG_SZ, "abc"s, "abc"},
      {"TextInnerZero", REG_SZ, "ab\0cd\0"s, "ab"},
      {"EmptyText", REG_SZ, "\0"s, ""},
      {"EmptyData", REG_SZ, ""s, ""},
      {"Expand", REG_EXPAND_SZ, "%SystemRoot%\\system32\0"s, "%SystemRoot%\\system32"},
      {"Binary", REG_BINARY, "bin\0ary"s, "bin"},
      {"", REG_SZ, "the default value\0"s, "the default value"},
  };
  for (const ValueCase& c : cases) {
    ASSERT_TRUE(key_.Set(c.name, c.type, c.bytes)) << c.name;
  }
  for (const ValueCase& c : cases) {
    EXPECT_EQ(ReadRegString(Path(), c.name, "<default>"), c.expected) << '"' << c.name << '"';
  }
}

TEST_F(ReadRegStringTest, MissingValueOrKeyGivesDefault) {
  ASSERT_TRUE(key_.Set("Present", REG_SZ, "x\0"s));
  EXPECT_EQ(ReadRegString(Path(), "Absent", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString(Path(), "Absent", ""), "");
  // The key has no default value of its own.
  EXPECT_EQ(ReadRegString(Path(), "", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString(Path() + "\\NoSuchKey", "Present", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString("HKCU\\Software\\OrvaneTest\\NoSuchKey\\Deeper", "", "d"), "d");
  // The same subkey under another root does not exist.
  EXPECT_EQ(ReadRegString("HKLM\\" + key_.subKey(), "Present", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString(Path(), "Present", "fallback"), "x");
}

TEST_F(ReadRegStringTest, ValuesBeyondTheBufferGiveDefault) {
  // A text of 10,240 characters and its terminating zero fill the buffer exactly.
  const std::string fits(10240, 'a');
  const std::string tooLong(10241, 'b');
  ASSERT_TRUE(key_.Set("Fits", REG_SZ, fits + '\0'));
  ASSERT_TRUE(key_.Set("TooLong", REG_SZ, tooLong + '\0'));
  ASSERT_TRUE(key_.Set("Huge", REG_SZ, std::string(100000, 'c') + '\0'));
  ASSERT_TRUE(key_.Set("BinaryFits", REG_BINARY, std::string(10241, 'd')));
  ASSERT_TRUE(key_.Set("BinaryTooLong", REG_BINARY, std::string(10242, 'e')));
  EXPECT_EQ(ReadRegString(Path(), "Fits", "fallback"), fits);
  EXPECT_EQ(ReadRegString(Path(), "TooLong", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString(Path(), "Huge", "fallback"), "fallback");
  EXPECT_EQ(ReadRegString(Path(), "BinaryFits", "fallback"), std::string(10241, 'd'));
  EXPECT_EQ(ReadRegString(Path(), "BinaryTooLong", "fallback"), "fallback");
}

TEST_F(ReadRegStringTest, PathSpellingsReachTheCurrentUserKey) {
  ASSERT_TRUE(key_.Set("Where", REG_SZ, "here\0"s));
  const std::string sub = key_.subKey();
  const std::string paths[] = {
      "HKEY_CURRENT_USER\\" + sub,
      "HKCU\\" + sub,
      "hkcu\\" + sub,
      "hkey_current_user\\" + sub,
      "  HKCU\\" + sub + "  ",
      // A root name outside the table means the current user.
      "HKXX\\" + sub,
      "HKEY_SOMETHING\\" + sub,
      // Without a root the whole path is a subkey of the current user.
      sub,
  };
  for (const std::string& path : paths) {
    EXPECT_EQ(ReadRegString(path, "Where", "fallback"), "here") << path;
  }
}

// True when the system keeps separate 32-bit and 64-bit registry views.
bool Is64BitWindows() {
  if (sizeof(void*) == 8)
    return true;
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// HKLM\Software is redirected for 32-bit programs, so one subkey name leads
// to two different keys, one per view.
TEST(ReadRegStringView, SixtyFourBitFlagReadsTheSixtyFourBitView) {
  if (!Is64BitWindows())
    GTEST_SKIP() << "32-bit Windows has one registry view";
  const std::string sub = std::string(kTestParent) + "\\" + UniqueName();
  TestKey view32(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_32KEY);
  TestKey view64(HKEY_LOCAL_MACHINE, sub, KEY_WOW64_64KEY);
  ASSERT_TRUE(view32.created());
  ASSERT_TRUE(view64.created());
  ASSERT_TRUE(view32.Set("View", REG_SZ, "32\0"s));
  ASSERT_TRUE(view32.Set("Only32", REG_SZ, "x\0"s));
  ASSERT_TRUE(view64.Set("View", REG_SZ, "64\0"s));
  ASSERT_TRUE(view64.Set("Only64", REG_SZ, "y\0"s));

  const std::string path = "HKEY_LOCAL_MACHINE\\" + sub;
  EXPECT_EQ(ReadRegString(path, "View", "fallback", true), "64");
  EXPECT_EQ(ReadRegString(path, "Only64", "fallback", true), "y");
  EXPECT_EQ(ReadRegString(path, "Only32", "fallback", true), "fallback");

  // Without the flag a process reads its own view.
  const bool is64BitProcess = sizeof(void*) == 8;
  EXPECT_EQ(ReadRegString(path, "View", "fallback"), is64BitProcess ? "64" : "32");
  EXPECT_EQ(ReadRegString(path, "Only32", "fallback"), is64BitProcess ? "fallback" : "x");

  // The short root name in lower case opens under HKEY_LOCAL_MACHINE.
  EXPECT_EQ(ReadRegString("hklm\\" + sub, "View", "fallback", true), "64");
  EXPECT_EQ(ReadRegString("hkey_local_machine\\" + sub, "Only64", "fallback", true), "y");
}

}  // namespace
}  // namespace orvane
