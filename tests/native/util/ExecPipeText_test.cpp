#include "util/ExecPipeText.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

TEST(ExecPipeTextTest, CommandLineQuotesAProgramWithBlanks) {
  struct Case {
    const char* program;
    const char* parameters;
    const char* command;
  };
  const Case cases[] = {
      {"C:\\Windows\\system32\\tasklist.exe", "/FO csv",
       "C:\\Windows\\system32\\tasklist.exe /FO csv"},
      {"C:\\Program Files\\Acme\\tool.exe", "/x", "\"C:\\Program Files\\Acme\\tool.exe\" /x"},
      {"C:\\Program Files\\Acme\\tool.exe", "", "\"C:\\Program Files\\Acme\\tool.exe\""},
      // Quoted already (by the caller): left as it is.
      {"\"C:\\Program Files\\Acme\\tool.exe\"", "a b", "\"C:\\Program Files\\Acme\\tool.exe\" a b"},
      {"tool.exe", "", "tool.exe"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CaptureCommandLine(c.program, c.parameters), c.command) << c.program;
}

TEST(ExecPipeTextTest, StartFailureText) {
  EXPECT_EQ(CaptureStartFailureText("File not found.", "x.exe /a"), "File not found. --- x.exe /a");
  const std::string longest(kMaxCommandLineLength, 'c');
  EXPECT_EQ(CaptureStartFailureText("E", longest), "E --- " + longest.substr(0, 256));
  EXPECT_EQ(CaptureStartFailureText("E", longest + "c"), "Command line is too long");
}

}  // namespace
}  // namespace orvane
