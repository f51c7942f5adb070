// Entries: the compression decision, fitting a piece into what is left of a
// volume, and streaming inflation.
#include "EntryCodec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>

#include "FileIo.h"
#include "StubpackTestSupport.h"

namespace orvane::stubpack {
namespace {

using test::RandomBytes;
using test::TextBytes;

// The entry bytes behind a stored form.
std::string Decode(const EncodedEntry& entry) {
  if (!entry.Compressed())
    return entry.payload;
  std::string out;
  EXPECT_TRUE(test::InflateAll(entry.payload, out));
  return out;
}

// The header an entry of `data` must carry: its name and date, and the
// CRC-32 of exactly these bytes, computed here with zlib.
std::string ExpectedHeader(const std::string& name, uint32_t date, std::string_view data) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x",
                static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                            static_cast<uInt>(data.size()))));
  return "|" + name + "|" + std::to_string(date) + "|crc=" + crc + "|";
}

pack::EntryHeader Header(const std::string& name, uint32_t date) {
  pack::EntryHeader header;
  header.name = name;
  header.dosDateTime = date;
  return header;
}

TEST(StubpackEntryCodec, FitsTheLongestPieceIntoABudget) {
  const pack::EntryHeader header = Header("big.bin", 12345);
  const uint64_t overhead = 4 + ExpectedHeader("big.bin", 12345, "").size() + 1;
  struct Case {
    const char* name;
    std::string data;
    bool compress;
    uint64_t budget;
  };
  const Case cases[] = {
      {"stored, roomy budget", RandomBytes(10000, 1), false, 4000},
      {"stored, one byte of room", RandomBytes(10000, 1), false, overhead + 1},
      {"random data with compression on", RandomBytes(10000, 2), true, 4000},
      {"text that compresses", TextBytes(400000), true, 20000},
      {"zeros that compress a lot", std::string(2000000, '\0'), true, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    size_t taken = 0;
    EncodedEntry entry;
    ASSERT_TRUE(FitEntry(header, c.data, c.compress, c.budget, taken, entry));
    EXPECT_LE(entry.StoredSize(), c.budget);
    EXPECT_GE(taken, 1u);
    EXPECT_LT(taken, c.data.size());
    const std::string piece = c.data.substr(0, taken);
    EXPECT_EQ(Decode(entry), ExpectedHeader("big.bin", 12345, piece) + '\0' + piece);
    if (!entry.Compressed()) {
      // Stored pieces fill the budget exactly.
      EXPECT_EQ(entry.StoredSize(), c.budget);
    } else {
      // Compressed pieces hold more than a stored piece could and use most
      // of the budget.
      EXPECT_GT(taken, c.budget - overhead);
      EXPECT_GE(entry.StoredSize() * 100, c.budget * 95);
    }
  }
}

TEST(StubpackEntryCodec, RefusesBudgetsWithoutRoomForData) {
  const pack::EntryHeader header = Header("a", 0);
  const size_t headerSize = ExpectedHeader("a", 0, "").size();
  size_t taken = 99;
  EncodedEntry entry;
  EXPECT_FALSE(FitEntry(header, "data", false, 4 + headerSize + 1, taken, entry));
  EXPECT_FALSE(FitEntry(header, "data", true, 3, taken, entry));
  // An empty file fits when its header does.
  EXPECT_TRUE(FitEntry(header, "", true, 4 + headerSize + 1, taken, entry));
  EXPECT_EQ(taken, 0u);
  EXPECT_EQ(entry.length, -static_cast<int32_t>(headerSize + 1));
}

TEST(StubpackEntryCodec, InflatesInPiecesAndFindsDamage) {
  const std::string text = TextBytes(300000);
  const EncodedEntry entry = EncodeEntry(Header("t.txt", 0), text, true);
  ASSERT_TRUE(entry.Compressed());
  const std::string stream = entry.payload + "tail";
  const pack::MemorySource source(stream);
  std::string out;
  size_t calls = 0;
  InflateOutcome outcome = InflateFrom(source, 0, stream.size(), [&](const uint8_t* p, size_t n) {
    out.append(reinterpret_cast<const char*>(p), n);
    ++calls;
  });
  EXPECT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(out, ExpectedHeader("t.txt", 0, text) + '\0' + text);
  EXPECT_GT(calls, 1u);
  EXPECT_EQ(outcome.consumed, entry.payload.size());
  EXPECT_EQ(outcome.produced, out.size());

  auto ignore = [](const uint8_t*, size_t) {};
  outcome = InflateFrom(source, 0, entry.payload.size() - 5, ignore);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("ends before its end marker"), std::string::npos);

  std::string broken = entry.payload;
  broken[broken.size() - 2] ^= 0x55;  // the Adler-32 check
  const pack::MemorySource brokenSource(broken);
  outcome = InflateFrom(brokenSource, 0, broken.size(), ignore);
  EXPECT_FALSE(outcome.ok);
  EXPECT_NE(outcome.error.find("zlib: "), std::string::npos);

  const std::string junk(100, 'x');
  const pack::MemorySource garbage(junk);
  EXPECT_FALSE(InflateFrom(garbage, 0, 100, ignore).ok);
}

TEST(StubpackFileIo, ConvertsTimesToDosDatesWithinTheirRange) {
  EXPECT_EQ(DosDateTimeFromUnix(-1000000000000), 0x00210000u);
  EXPECT_EQ(DosDateTimeFromUnix(0), 0x00210000u);
  EXPECT_EQ(DosDateTimeFromUnix(int64_t{1} << 40), 0xFF9FBF7Du);  // 2107-12-31 23:59:58
}

TEST(StubpackFileIo, ResolvesProjectPaths) {
  EXPECT_EQ(ResolvePath("/p/", "a\\b.exe"), "/p/a/b.exe");
  EXPECT_EQ(ResolvePath("/p", "b.exe"), "/p/b.exe");
  EXPECT_EQ(ResolvePath("/p/", "/abs/b.exe"), "/abs/b.exe");
  EXPECT_EQ(ResolvePath("", "b.exe"), "b.exe");
  EXPECT_EQ(FolderOf("a/b/c.ini"), "a/b/");
  EXPECT_EQ(FolderOf("c.ini"), "");
  EXPECT_EQ(BaseNameOf("a/b/c.ini"), "c.ini");
}

}  // namespace
}  // namespace orvane::stubpack
