#include "util/ZDebugText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

// Collects the pieces a buffer hands on; with `writeBack`, writes "!" into
// that buffer once, from inside the first piece.
class PieceSink final : public ConsoleBuffer::Sink {
 public:
  void Forward(std::string_view piece) override {
    pieces.emplace_back(piece);
    if (writeBack && pieces.size() == 1)
      writeBack->Write("!");
  }

  std::vector<std::string> pieces;
  ConsoleBuffer* writeBack = nullptr;
};

std::vector<std::string> Pieces(const std::vector<std::string>& writes, bool flushAfterEach) {
  PieceSink sink;
  ConsoleBuffer buffer(sink);
  for (const auto& w : writes) {
    buffer.Write(w);
    if (flushAfterEach)
      buffer.Flush();
  }
  buffer.Flush();
  return sink.pieces;
}

TEST(ConsoleBufferTest, LongLineArrivesInPiecesOfAtMost128Bytes) {
  const std::string line = std::string(300, 'x') + "\r\n";
  const auto pieces = Pieces({line}, true);
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].size(), 128u);
  EXPECT_EQ(pieces[1].size(), 128u);
  EXPECT_EQ(pieces[2], std::string(44, 'x') + "\r\n");
}

TEST(ConsoleBufferTest, PiecesFollowBufferBoundariesNotWrites) {
  struct Case {
    std::vector<std::string> writes;
    bool flushEach;
    std::vector<size_t> sizes;
  };
  const Case cases[] = {
      {{std::string(128, 'a')}, true, {128}},     // exactly full: one piece, empty flush
      {{std::string(129, 'a')}, true, {128, 1}},  //
      {{"ab", "cd"}, false, {4}},                 // no flush between writes: one piece
      {{"ab", "cd"}, true, {2, 2}},               // a flush per line
      {{std::string(100, 'a'), std::string(100, 'b')}, false, {128, 72}},
      {{""}, true, {}},  // nothing written, nothing sent
  };
  for (const auto& c : cases) {
    const auto pieces = Pieces(c.writes, c.flushEach);
    std::vector<size_t> sizes;
    for (const auto& p : pieces)
      sizes.push_back(p.size());
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST(ConsoleBufferTest, SinkThatWritesAgainDoesNotRepeatThePiece) {
  PieceSink sink;
  ConsoleBuffer buffer(sink);
  sink.writeBack = &buffer;
  const std::vector<std::string>& pieces = sink.pieces;
  buffer.Write("hello");
  buffer.Flush();
  buffer.Flush();
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], "hello");
  EXPECT_EQ(pieces[1], "!");
}

TEST(NormalizeLineBreaksTest, EveryBreakBecomesCrLf) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\r\nb", "a\r\nb"},         {"a\nb", "a\r\nb"}, {"a\rb", "a\r\nb"},
      {"\r\r\n\n", "\r\n\r\n\r\n"}, {"", ""},           {"x\r", "x\r\n"},
      {"\n\r", "\r\n\r\n"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(NormalizeLineBreaks(in), out) << in;
}

TEST(ExceptionReportLineTest, ItemsInOrderOnlyWhenNotEmpty) {
  EXPECT_EQ(ExceptionReportLine("boom", "Utils.GetExeVersion()", "file x"),
            " ---  [ Method = Utils.GetExeVersion() ]  [ Remark = file x ]  [ ErrMsg = boom ] ");
  EXPECT_EQ(ExceptionReportLine("boom", "YieldX", ""),
            " ---  [ Method = YieldX ]  [ ErrMsg = boom ] ");
  EXPECT_EQ(ExceptionReportLine("", "", ""), " --- ");
}

TEST(AgentLogPathTest, XPrefixAddedOnceAndExtensionReplaced) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\App\\Foo.exe", "C:\\App\\X_Foo.log"},
      {"C:\\App\\X_Foo.exe", "C:\\App\\X_Foo.log"},
      {"C:\\App\\x_Foo.exe", "C:\\App\\X_x_Foo.log"},  // the prefix test is case-sensitive
      {"C:\\A.B\\Foo", "C:\\A.B\\X_Foo.log"},          // a dot in the folder is not an extension
      {"C:\\App\\Foo.tar.exe", "C:\\App\\X_Foo.tar.log"},
      {"Foo.exe", "X_Foo.log"},
  };
  for (const auto& [exe, log] : cases)
    EXPECT_EQ(AgentLogPath(exe), log) << exe;
}

TEST(AgentLogLineTest, StampThreadIdPaddingAndPrefix) {
  const std::string stamp = AgentLogStamp(2014, 5, 7, 9, 3, 1, ".", ":");
  EXPECT_EQ(stamp, "07.05.14 09:03:01");
  EXPECT_EQ(AgentLogStamp(2000, 12, 31, 23, 59, 59, "/", "-"), "31/12/00 23-59-59");
  EXPECT_EQ(AgentLogLine(stamp, 42, "   ", "hello"), "07.05.14 09:03:01    42   hello");
  EXPECT_EQ(AgentLogLine(stamp, 654321, " X ", ""), "07.05.14 09:03:01 654321 X ");
  EXPECT_EQ(AgentLogLine(stamp, 4294967295u, "", "m"), "07.05.14 09:03:01 4294967295m");
}

}  // namespace
}  // namespace orvane
