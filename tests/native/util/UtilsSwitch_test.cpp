#include "util/UtilsSwitch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

constexpr const char* kOwnPath = "C:\\Program Files\\Orvane\\Setup.exe";

TEST(UtilsSwitchTail, CommandTail) {
  struct Case {
    const char* commandLine;
    const char* ownPath;
    const char* expected;
  } cases[] = {
      {"\"C:\\Program Files\\Orvane\\Setup.exe\" /SpanCdLvl=2", kOwnPath, "/SpanCdLvl=2"},
      {"C:\\Orvane\\Setup.exe", "C:\\Orvane\\Setup.exe", ""},
      {"C:\\Orvane\\Setup.exe   /hide  ", "C:\\Orvane\\Setup.exe", "/hide"},
      {"\"c:\\program files\\orvane\\SETUP.EXE\" /a=1 /b", kOwnPath, "/a=1 /b"},
      {"Setup.exe /x", kOwnPath, "/x"},    // started by bare name
      {"Setup /x", kOwnPath, "Setup /x"},  // name not found at all
      {"\"C:\\Program Files\\Orvane\\Setup.exe\"", kOwnPath, ""},
      {"\"C:\\Program Files\\Orvane\\Setup.exe\" x", kOwnPath, ""},  // one character left
      {"\"C:\\Program Files\\Orvane\\Setup.exe\" xy", kOwnPath, "xy"},
      {"C:\\Orvane\\Setup.exe\t/", "C:\\Orvane\\Setup.exe", ""},
      // The quoted form wins over an earlier unquoted mention of the name.
      {"\"C:\\Setup.exe.d\\Setup.exe\" /a", "C:\\Setup.exe.d\\Setup.exe", "/a"},
      // Without the quoted form, the first mention ends the name.
      {"C:\\Setup.exe.d\\Setup.exe /a", "C:\\Setup.exe.d\\Setup.exe", ".d\\Setup.exe /a"},
      // An own path without a file name removes only the path itself.
      {"C:\\Dir\\ /a", "C:\\Dir\\", "/a"},
      {"  /a /b  ", "", "/a /b"},
      {"", kOwnPath, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandTail(c.commandLine, c.ownPath), c.expected) << c.commandLine;
  }
}

TEST(UtilsSwitchGet, GetSwitch) {
  struct Case {
    const char* tail;
    const char* name;
    const char* expected;
  } cases[] = {
      {"/wait = 7", "/WAIT=", "7"},
      {"/WAIT=", "/WAIT=", ""},
      {"/WAIT=   ", "/WAIT=", ""},
      {"/other=1", "/WAIT=", "x"},
      {"", "/WAIT=", "x"},
      {"/WAIT=10", "WAIT", "10"},  // prefix and "=" are optional in the name
      {"/WAIT=10", " /WAIT= ", "10"},
      {"/WAIT  =10", "/WAIT=", "10"},
      {"/WAIT=1 /WAIT=2", "/WAIT=", "1"},  // the first occurrence wins
      {"/WAITING=5 /WAIT=6", "/WAIT=", "6"},
      {"/XWAIT=5", "/WAIT=", "x"},
      {"/SpanCdLvl=2 /SpanDiskFName1=\"C:\\My Disk\\Setup.exe.001\" /OriginExe=\"C:\\My "
       "Disk\\Setup.exe\"",
       "/SpanDiskFName1=", "C:\\My Disk\\Setup.exe.001"},
      {"/SpanCdLvl=2 /SpanDiskFName1=\"C:\\My Disk\\Setup.exe.001\" /OriginExe=\"C:\\My "
       "Disk\\Setup.exe\"",
       "/OriginExe=", "C:\\My Disk\\Setup.exe"},
      {"/TRANSIENT=a b  c /DELAY=3", "/TRANSIENT=", "a b  c"},
      {"/V=a /b", "/V=", "a"},  // a value ends where " /" starts the next switch
      {"/V=a/b", "/V=", "a/b"},
      {"/V=x=y", "/V=", "x=y"},
      {"/V=x = y", "/V=", "x= y"},
      {"/WM_MSG=4660:5", "/wm_msg=", "4660:5"},
      {"-x=1 /x=2", "-x=", "1 /x=2"},  // with "-" names only " -" separates switches
      {"/x=2 -x=1", "-x=", "1"},
      {"/x=2 -x=1", "/x=", "2 -x=1"},
      {"/a=1\t/b=2", "/b=", "x"},  // only a blank separates switches
      {"/=5", "/", "5"},
      {"/a=1", "", "x"},
      {"/a=1", "   ", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSwitch(c.tail, c.name, "x"), c.expected) << c.tail << " | " << c.name;
  }
}

TEST(UtilsSwitchGet, GetSwitchInt) {
  struct Case {
    const char* tail;
    const char* name;
    int64_t expected;
  } cases[] = {
      {"/WAIT=10", "/WAIT=", 10},
      {"/wait = 7", "/WAIT=", 7},
      {"/WAIT=abc", "/WAIT=", -99},
      {"/WAIT=", "/WAIT=", -99},
      {"", "/WAIT=", -99},
      {"/STOP=0", "/STOP=", 0},
      {"/STOP=-3", "/STOP=", -3},
      {"/STOP=+3", "/STOP=", 3},
      {"/STOP=-", "/STOP=", -99},
      {"/STOP=3x", "/STOP=", -99},
      {"/STOP=3 4", "/STOP=", -99},
      {"/STOP=0x10", "/STOP=", -99},
      {"/STOP=9223372036854775807", "/STOP=", INT64_MAX},
      {"/STOP=-9223372036854775808", "/STOP=", INT64_MIN},
      {"/STOP=9223372036854775808", "/STOP=", -99},
      {"/STOP=-9223372036854775809", "/STOP=", -99},
      {"/STOP=99999999999999999999999", "/STOP=", -99},
      {"/SpanCdLvl=\"2\"", "/SpanCdLvl=", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetSwitchInt(c.tail, c.name, -99), c.expected) << c.tail;
  }
}

TEST(UtilsSwitchHas, HasSwitch) {
  struct Case {
    const char* tail;
    const char* name;
    bool expected;
  } cases[] = {
      {"/hide", "/hide", true},      {"/HIDE", "/hide", true},
      {"/hide /a=1", "/hide", true}, {"/a=1 /Hide", " /hide ", true},
      {"/hidden", "/hide", false},   {"/hide=1", "/hide", false},
      {"", "/hide", false},          {"/a", "", false},
      {"/a", "   ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasSwitch(c.tail, c.name), c.expected) << c.tail << " | " << c.name;
  }
}

TEST(UtilsSwitchGet, TailFromCommandLineEndToEnd) {
  const std::string tail = CommandTail(
      "\"C:\\Program Files\\Orvane\\Setup.exe\" /SpanCdLvl=2 /SpanDiskFName1=\"D:\\a "
      "b\\Setup.exe.001\" /hide",
      kOwnPath);
  EXPECT_EQ(GetSwitchInt(tail, "/SpanCdLvl=", 1), 2);
  EXPECT_EQ(GetSwitch(tail, "/SpanDiskFName1=", ""), "D:\\a b\\Setup.exe.001");
  EXPECT_TRUE(HasSwitch(tail, "/hide"));
  EXPECT_EQ(GetSwitch(tail, "/OriginExe=", "none"), "none");
}

}  // namespace
}  // namespace orvane
