// Tests of the package format: trailer coding, locating the trailer (end of
// file, package-end pointer, short and long stored trailers), header blocks,
// hostile layouts, the volume checksum, tokens, entry headers and names,
// volume names.
#include "package/PackFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "TestPackage.h"
#include "package/StubGlobText.h"

namespace orvane::pack {
namespace {

using namespace std::string_literals;
using testpack::Append32;
using testpack::BuildPackage;
using testpack::LauncherImage;
using testpack::PackageLayout;
using testpack::Put32;

// A ByteSource that remembers the largest read asked of it, successful or
// not: the reader allocates a block before reading it, so a request larger
// than the file means an allocation larger than the file.
class CheckedSource final : public ByteSource {
 public:
  explicit CheckedSource(std::string bytes) : bytes_(std::move(bytes)), memory_(bytes_) {}
  uint64_t Size() const override { return memory_.Size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
    if (count > largestRequest)
      largestRequest = count;
    return memory_.ReadAt(offset, buffer, count);
  }
  mutable size_t largestRequest = 0;

 private:
  std::string bytes_;
  MemorySource memory_;
};

Trailer SampleTrailer() {
  Trailer t;
  t.format = 1;
  t.headerBlockCount = 2;
  t.reserved0 = 0x0302;
  t.fileCount = 7;
  t.checksum = 0x11223344;
  t.reserved20 = {1, 2, 3, 4, 5, 6, 7, 8};
  for (size_t i = 0; i < kSpaceTableEntries; ++i)
    t.spaceTable[i] = static_cast<uint32_t>(1000 * (i + 1));
  t.reserved64 = 0x40;
  t.flags = kFlagActivityBar | kFlagShowTempNotice;
  t.internetSetup = 1;
  t.confirmDownload = 2;
  t.agentCopy = 3;
  t.agentFlag = 4;
  return t;
}

// ---------------------------------------------------------------------------
// Trailer record

TEST(PackTrailerRecord, EncodesEveryFieldAtItsOffsetAndDecodesBack) {
  Trailer t = SampleTrailer();
  t.packageStart = 0xA1B2C3D4;
  t.magic = kTrailerMagic;
  t.trailerLength = 74;
  const auto bytes = EncodeTrailer(t);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 0x02);
  EXPECT_EQ(bytes[3], 0x03);
  EXPECT_EQ(bytes[4], 0xD4);  // little-endian
  EXPECT_EQ(bytes[7], 0xA1);
  EXPECT_EQ(bytes[12], 0x1D);  // the magic's stored bytes are 1D 2C 3B 4A
  EXPECT_EQ(bytes[15], 0x4A);
  EXPECT_EQ(bytes[20], 1);
  EXPECT_EQ(bytes[27], 8);
  EXPECT_EQ(bytes[28], 1000 & 0xFF);
  EXPECT_EQ(bytes[60], 9000 & 0xFF);
  EXPECT_EQ(bytes[64], 0x40);
  EXPECT_EQ(bytes[65], kFlagActivityBar | kFlagShowTempNotice);
  EXPECT_EQ(bytes[66], 1);
  EXPECT_EQ(bytes[69], 4);
  EXPECT_EQ(bytes[70], 74);

  const Trailer back = DecodeTrailer(bytes.data(), bytes.size());
  EXPECT_EQ(EncodeTrailer(back), bytes);
}

TEST(PackTrailerRecord, DecodingFewerBytesLeavesTheLaterFieldsZero) {
  Trailer t = SampleTrailer();
  t.trailerLength = 74;
  const auto bytes = EncodeTrailer(t);
  const Trailer part = DecodeTrailer(bytes.data(), 66);
  EXPECT_EQ(part.flags, t.flags);
  EXPECT_EQ(part.internetSetup, 0);
  EXPECT_EQ(part.agentFlag, 0);
  EXPECT_EQ(part.trailerLength, 0u);
  const Trailer none = DecodeTrailer(nullptr, 74);
  EXPECT_EQ(none.fileCount, 0u);
}

// ---------------------------------------------------------------------------
// Byte sources and the launcher image

TEST(PackMemorySource, ReadsOnlyWhatIsThere) {
  const std::string bytes = "0123456789";
  const MemorySource source(bytes);
  struct Case {
    uint64_t offset;
    size_t count;
    bool ok;
  } cases[] = {
      {0, 10, true},
      {9, 1, true},
      {10, 0, true},  // an empty read at the end
      {10, 1, false},
      {11, 0, false},
      {5, 6, false},
      {std::numeric_limits<uint64_t>::max(), 1, false},
      {std::numeric_limits<uint64_t>::max() - 3, 8, false},
      {1, std::numeric_limits<size_t>::max(), false},
      {uint64_t{1} << 32, 1, false},
  };
  for (const Case& c : cases) {
    char buffer[16] = {};
    EXPECT_EQ(source.ReadAt(c.offset, buffer, c.count), c.ok) << c.offset << "+" << c.count;
  }
  char two[2];
  ASSERT_TRUE(source.ReadAt(8, two, 2));
  EXPECT_EQ(std::string(two, 2), "89");
}

TEST(PackLauncherImage, NeedsMzAtZeroAndPeAt256) {
  std::string image = LauncherImage(300);
  std::string noMz = image;
  noMz[0] = 'X';
  std::string noPe = image;
  noPe[257] = 'X';
  struct Case {
    std::string bytes;
    bool expected;
  } cases[] = {
      {image, true},
      {image.substr(0, 258), true},
      {image.substr(0, 257), false},  // "P" at 256 but no room for "E"
      {noMz, false},
      {noPe, false},
      {"MZ", false},
      {"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsPeImage(MemorySource(c.bytes)), c.expected) << c.bytes.size();
}

TEST(PackEndPointer, ReadsTheHighWordAt248AndTheLowWordAt252) {
  std::string image = LauncherImage(512);
  auto* data = reinterpret_cast<uint8_t*>(&image[0]);
  EXPECT_EQ(ReadPackageEndPointer(data, image.size()), 0u);
  Put32(image, 248, 0x00000001);
  Put32(image, 252, 0x00000200);
  EXPECT_EQ(ReadPackageEndPointer(data, image.size()), 0x100000200ull);
  EXPECT_EQ(ReadPackageEndPointer(data, 255), 0u) << "an image too short holds no pointer";
  EXPECT_EQ(ReadPackageEndPointer(nullptr, 512), 0u);

  WritePackageEndPointer(data, image.size(), 0x0000000500001234ull);
  EXPECT_EQ(image.substr(248, 8), "\x05\0\0\0\x34\x12\0\0"s);
  EXPECT_EQ(ReadPackageEndPointer(data, image.size()), 0x0000000500001234ull);
  std::string tiny(100, 'x');
  WritePackageEndPointer(reinterpret_cast<uint8_t*>(&tiny[0]), tiny.size(), 77);
  EXPECT_EQ(tiny, std::string(100, 'x'));
}

// ---------------------------------------------------------------------------
// Reading a package

struct LayoutCase {
  const char* what;
  PackageLayout layout;
  // Expected results.
  size_t blocksRead;
  uint32_t trailerLength;
  uint8_t headerBlockCount;
};

PackageLayout Layout(std::vector<std::string> blocks, uint8_t count) {
  PackageLayout layout;
  layout.headerBlocks = std::move(blocks);
  layout.trailer = SampleTrailer();
  layout.trailer.headerBlockCount = count;
  layout.entries = {{"|setup.exe*/Q|1234|", "engine"}, {"|readme.txt|99|", "hello"}};
  return layout;
}

const std::string kLang = testpack::LanguageBlock();
const std::string kInet =
    "|http://example.com/upd|prod.info|agent.exe|" + ScrambleToken("P", 1) + "|1|";
const std::string kDown = "|http://example.com/dl|setup.exe|0|" + ScrambleToken("D", 2) + "|1234|";

std::vector<LayoutCase> LayoutCases() {
  std::vector<LayoutCase> cases;
  cases.push_back({"pointer 0, no certificate", Layout({kLang, kInet}, 2), 2, 74, 2});
  {
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.writePointer = true;
    l.padding = 5;
    l.certificate = "\x30\x82\x05\x00 fake certificate table, its last bytes are not a trailer";
    cases.push_back({"pointer, padding and certificate", l, 2, 74, 2});
  }
  {
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.writePointer = true;
    cases.push_back({"pointer equal to the file size", l, 2, 74, 2});
  }
  {
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.storedTrailerLength = 70;
    cases.push_back({"stored trailer length 70", l, 2, 70, 2});
  }
  {
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.storedTrailerLength = 90;
    cases.push_back({"stored trailer length 90", l, 2, 74, 2});
  }
  cases.push_back({"count 0 reads as 2", Layout({kLang, kInet, kDown}, 0), 2, 74, 2});
  cases.push_back({"count 3 takes the download block", Layout({kLang, kInet, kDown}, 3), 3, 74, 3});
  cases.push_back({"count 5 reads three blocks", Layout({kLang, kInet, kDown}, 5), 3, 74, 5});
  cases.push_back({"count 1", Layout({kLang}, 1), 1, 74, 1});
  cases.push_back({"empty blocks", Layout({"", ""}, 2), 2, 74, 2});
  {
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.front = "not a launcher image, a volume's leading bytes";
    cases.push_back({"volume file without launcher image", l, 2, 74, 2});
  }
  {
    // Pointer words set in a file that is no launcher image: not consulted.
    PackageLayout l = Layout({kLang, kInet}, 2);
    l.front = std::string(300, '\0');
    l.front[252] = 5;
    cases.push_back({"pointer bytes without MZ/PE", l, 2, 74, 2});
  }
  return cases;
}

TEST(PackReader, ReadsTrailerAndHeaderBlocksOfEveryLayout) {
  for (const LayoutCase& c : LayoutCases()) {
    SCOPED_TRACE(c.what);
    const testpack::BuiltPackage built = BuildPackage(c.layout);
    const MemorySource source(built.bytes);
    const PackageHeader header = ReadPackageHeader(source);
    const Trailer& t = header.trailer;
    ASSERT_TRUE(t.IsPackage());
    EXPECT_EQ(t.trailerLength, c.trailerLength);
    EXPECT_EQ(t.headerBlockCount, c.headerBlockCount);
    EXPECT_EQ(t.fileCount, 7u);
    EXPECT_EQ(t.flags, kFlagActivityBar | kFlagShowTempNotice);
    EXPECT_EQ(t.spaceTable[8], 9000u);
    if (c.trailerLength >= 74) {
      EXPECT_EQ(t.internetSetup, 1);
      EXPECT_EQ(t.agentFlag, 4);
    } else {
      // Only length - 4 bytes are read: bytes 66 to 69 stay zero.
      EXPECT_EQ(t.internetSetup, 0);
      EXPECT_EQ(t.confirmDownload, 0);
      EXPECT_EQ(t.agentCopy, 0);
      EXPECT_EQ(t.agentFlag, 0);
    }
    const std::vector<std::string> blocks = {header.languageBlock, header.internetBlock,
                                             header.downloadBlock};
    uint32_t expectedStart = static_cast<uint32_t>(c.layout.front.size());
    for (size_t i = 0; i < 3; ++i) {
      if (i < c.blocksRead) {
        EXPECT_EQ(blocks[i], c.layout.headerBlocks[i]) << "block " << i;
        expectedStart += 4 + static_cast<uint32_t>(c.layout.headerBlocks[i].size());
      } else {
        EXPECT_EQ(blocks[i], "") << "block " << i;
      }
    }
    EXPECT_EQ(t.packageStart, expectedStart) << "package start advanced past the blocks read";
    // The trailer as ReadTrailer alone sees it: the stored package start.
    EXPECT_EQ(ReadTrailer(source).packageStart, c.layout.front.size());
  }
}

TEST(PackReader, WrongMagicKeepsTheTrailerButReadsNoBlock) {
  PackageLayout l = Layout({kLang, kInet}, 2);
  l.setMagic = false;
  l.trailer.magic = 0x12345678;
  const testpack::BuiltPackage built = BuildPackage(l);
  const PackageHeader header = ReadPackageHeader(MemorySource(built.bytes));
  EXPECT_FALSE(header.trailer.IsPackage());
  EXPECT_EQ(header.trailer.fileCount, 7u);
  EXPECT_EQ(header.trailer.packageStart, l.front.size());
  EXPECT_EQ(header.languageBlock, "");
  EXPECT_EQ(header.internetBlock, "");
}

// Hostile files: each is a valid package with one thing broken. Whatever it
// is, nothing is read outside the file and no block larger than the file is
// allocated; the result is the empty or partial object.
TEST(PackReader, HostileFilesGiveEmptyOrPartialResults) {
  const testpack::BuiltPackage good = BuildPackage(Layout({kLang, kInet, kDown}, 3));
  const std::string& g = good.bytes;
  const size_t end = g.size();
  const size_t start = LauncherImage().size();
  const size_t inetAt = start + 4 + kLang.size();
  const size_t downAt = inetAt + 4 + kInet.size();
  const size_t trailerAt = end - 74;

  struct Case {
    const char* what;
    std::string bytes;
    bool isPackage;
    size_t blocksRead;
  };
  auto with32 = [&](size_t offset, uint32_t value) {
    std::string b = g;
    Put32(b, offset, value);
    return b;
  };
  std::string pointerBeyond = g;
  Put32(pointerBeyond, 252, static_cast<uint32_t>(end + 1));
  std::string pointerHuge = g;
  Put32(pointerHuge, 248, 0xFFFFFFFF);
  Put32(pointerHuge, 252, 0xFFFFFFFF);
  std::string pointerTiny = g;
  Put32(pointerTiny, 252, 3);
  std::string pointerFour = g;
  Put32(pointerFour, 252, 4);

  const Case cases[] = {
      {"empty file", "", false, 0},
      {"three bytes", "abc", false, 0},
      {"only a length word", "\x4A\0\0\0"s, false, 0},
      {"trailer length 0", with32(end - 4, 0), false, 0},
      {"trailer length 3", with32(end - 4, 3), false, 0},
      {"trailer length 4 GB", with32(end - 4, 0xFFFFFFFF), false, 0},
      {"trailer length one past the file", with32(end - 4, static_cast<uint32_t>(end + 1)), false,
       0},
      {"package start past the end", with32(trailerAt + 4, 0xFFFFFFF0), true, 0},
      {"package start at the end", with32(trailerAt + 4, static_cast<uint32_t>(end)), true, 0},
      {"package start 2 bytes before the end",
       with32(trailerAt + 4, static_cast<uint32_t>(end - 2)), true, 0},
      {"language block of 4 GB", with32(start, 0xFFFFFFFF), true, 0},
      {"language block one byte longer than the file",
       with32(start, static_cast<uint32_t>(end - start - 4 + 1)), true, 0},
      {"internet block too long", with32(inetAt, 0x7FFFFFFF), true, 1},
      {"download block too long", with32(downAt, static_cast<uint32_t>(end)), true, 2},
      {"pointer beyond the file", pointerBeyond, false, 0},
      {"pointer with the high word set", pointerHuge, false, 0},
      {"pointer 3", pointerTiny, false, 0},
      {"pointer 4 (length word read from the DOS header)", pointerFour, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CheckedSource source(c.bytes);
    const PackageHeader header = ReadPackageHeader(source);
    EXPECT_EQ(header.trailer.IsPackage(), c.isPackage);
    // Fixed probes (the image test, length words) read at most 8 bytes.
    EXPECT_LE(source.largestRequest, std::max<size_t>(c.bytes.size(), 8));
    const std::string* blocks[] = {&header.languageBlock, &header.internetBlock,
                                   &header.downloadBlock};
    const std::string* expected[] = {&kLang, &kInet, &kDown};
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(*blocks[i], i < c.blocksRead ? *expected[i] : "") << "block " << i;
    if (!c.isPackage && c.bytes.size() < 8) {
      EXPECT_EQ(header.trailer.trailerLength, 0u) << "no readable trailer: the zero trailer";
      EXPECT_EQ(header.trailer.headerBlockCount, 0);
    }
  }
}

TEST(PackReader, ShortTrailerLengthsReadOnlyWhatTheyHold) {
  // A stored length of 4 holds nothing but itself; 20 holds the magic.
  struct Case {
    uint32_t length;
    bool isPackage;
    uint32_t fileCount;
  } cases[] = {{4, false, 0}, {15, false, 7}, {16, false, 7}, {20, true, 7}, {74, true, 7}};
  for (const Case& c : cases) {
    PackageLayout l = Layout({"", ""}, 2);
    l.storedTrailerLength = c.length;
    const testpack::BuiltPackage built = BuildPackage(l);
    const Trailer t = ReadTrailer(MemorySource(built.bytes));
    EXPECT_EQ(t.trailerLength, std::min<uint32_t>(c.length, 74)) << c.length;
    EXPECT_EQ(t.IsPackage(), c.isPackage) << c.length;
    EXPECT_EQ(t.fileCount, c.fileCount) << c.length;
    EXPECT_EQ(t.headerBlockCount, 2) << c.length;
  }
}

TEST(PackSpaceTable, PicksTheEntryOfTheAllocationUnit) {
  struct Case {
    uint64_t cluster;
    size_t index;
  } cases[] = {
      {0, 0},     {1, 0},     {511, 0},     {512, 1},
      {1023, 1},  {1024, 2},  {2048, 3},    {3072, 3},
      {4096, 4},  {8192, 5},  {16384, 6},   {32768, 7},
      {65535, 7}, {65536, 8}, {1 << 20, 8}, {uint64_t{1} << 40, 8},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SpaceTableIndex(c.cluster), c.index) << c.cluster;
}

// ---------------------------------------------------------------------------
// Checksum

std::string Words(size_t count, uint32_t value) {
  std::string out;
  for (size_t i = 0; i < count; ++i)
    Append32(out, value);
  return out;
}

TEST(PackChecksum, MatchesHandComputedSums) {
  // A PE image of 512 bytes followed by the counted words.
  auto peWithPointer = [](uint32_t pointerLow, const std::string& body) {
    std::string image = LauncherImage(512);
    Put32(image, 252, pointerLow);
    return image + body;
  };
  struct Case {
    const char* what;
    std::string bytes;
    uint32_t trailerLength;
    uint32_t expected;
  } cases[] = {
      // 24 bytes, R = 16: words 0 and 1 are counted (R 12 and 8), then R
      // falls to 4 and below.
      {"six words", "\x01\0\0\0\x02\0\0\0\x04\0\0\0\x08\0\0\0\x10\0\0\0\x20\0\0\0"s, 8, 3},
      // 4104 bytes of 1s, R = 4104: the first chunk's 1024 words count and
      // leave R = 8, so 1234 is added; the second chunk's 2 words do not.
      {"one chunk and a bit", Words(1026, 1), 0, 1024 + 1234},
      // 8192 bytes, R = 8118: chunk 1 all (1024) + 1234; chunk 2 while
      // 4022 - 4k > 4, k <= 1004; then an empty read.
      {"two whole chunks", Words(2048, 1), 74, 1024 + 1234 + 1004},
      {"empty file", "", 74, 0},
      {"file shorter than its trailer", Words(3, 7), 74, 0},
      // Pointer rule: R = 2000 - 74 - 512 = 1414, reading from 512; the 128
      // words of 2 count, then R = 902 adds 1234.
      {"pointer low word set", peWithPointer(2000, Words(128, 2)), 74, 256 + 1234},
      // R = 8000 - 74 - 512 = 7414: one whole chunk (+1234), then an empty
      // read at the end of the file still adds 1234.
      {"pointer, whole chunk", peWithPointer(8000, Words(1024, 1)), 74, 1024 + 2 * 1234},
      // A pointer that leaves R negative: nothing counts.
      {"pointer below 512", peWithPointer(300, Words(16, 9)), 74, 0},
      // Sums wrap at 32 bits.
      {"wrapping", Words(4, 0xFFFFFFFF), 0, 0xFFFFFFFE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ComputePackageChecksum(MemorySource(c.bytes), c.trailerLength), c.expected) << c.what;
}

TEST(PackChecksum, OnlyVolumesUpTo51200BytesAreSummed) {
  const std::string atLimit = Words(12800, 1);  // 51200 bytes
  ASSERT_EQ(atLimit.size(), 51200u);
  // R = 51126: 12 whole chunks, all counted, each adding 1234 (R = 1974
  // after them); the last 512 words count while 1974 - 4k > 4, k <= 492.
  EXPECT_EQ(ComputePackageChecksum(MemorySource(atLimit), 74), 12288u + 12 * 1234 + 492);
  const std::string over = atLimit + "x";
  EXPECT_EQ(ComputePackageChecksum(MemorySource(over), 74), kNoChecksum);
  EXPECT_EQ(ComputePackageChecksum(MemorySource(std::string(1 << 20, '\xff')), 74), kNoChecksum);
}

TEST(PackChecksum, AcceptsEqualValuesOrEither1234) {
  EXPECT_TRUE(ChecksumAccepted(5, 5));
  EXPECT_TRUE(ChecksumAccepted(kNoChecksum, 5));
  EXPECT_TRUE(ChecksumAccepted(5, kNoChecksum));
  EXPECT_FALSE(ChecksumAccepted(5, 6));
  EXPECT_FALSE(ChecksumAccepted(0, 1));
}

// ---------------------------------------------------------------------------
// Tokens

bool IsDecimalBelow99999(const std::string& text) {
  if (text.empty() || text.size() > 5)
    return false;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  return std::stoi(text) <= 99998;
}

TEST(PackToken, DecodesAHandMadeToken) {
  // Bytes 10 03 02 42 41 AB 13: key 10^13 = 03, P = 0, Q = 1, payload
  // "AB" (42 41 xor 03), checksum AB = the sum of the other bytes. Each hex
  // digit is stored shifted up by 50.
  bool verified = false;
  EXPECT_EQ(DescrambleToken("cbbebdfdfcstce", &verified), "AB");
  EXPECT_TRUE(verified);
  // Lower-case hex digits are hex digits too.
  EXPECT_EQ(DescrambleToken("cbbebdfdfc\x93\x94"s + "ce", &verified), "AB");
  EXPECT_TRUE(verified);
}

TEST(PackToken, RoundTripsThroughScrambleToken) {
  std::string binary;
  for (int i = 0; i < 240; ++i)
    binary += static_cast<char>(i);
  const std::string plains[] = {"", "x", "0123456789abcdefghij", binary, "with|bar and blank"};
  for (const std::string& plain : plains) {
    for (uint32_t seed : {0u, 1u, 2u, 77u, 0xFFFFFFFFu}) {
      const std::string stored = ScrambleToken(plain, seed);
      bool verified = false;
      EXPECT_EQ(DescrambleToken(stored, &verified), plain) << seed;
      EXPECT_TRUE(verified) << seed;
      // Stored tokens travel in "|" lists: no separator, nothing below "b".
      EXPECT_EQ(stored.find('|'), std::string::npos);
      for (char c : stored)
        EXPECT_TRUE((c >= 'b' && c <= 'k') || (c >= 's' && c <= 'x')) << c;
    }
  }
  EXPECT_NE(ScrambleToken("same", 1), ScrambleToken("same", 2)) << "the seed varies the form";
}

TEST(PackToken, TokensThatDoNotVerifyGiveANumberThatNeverRepeats) {
  const std::string good = ScrambleToken("secret", 5);
  std::string flipped = good;
  flipped[8] = flipped[8] == 'c' ? 'd' : 'c';
  // A token whose checksum holds but whose paddings leave no room for the
  // payload: n = 6, key 00^C8, P = C1^C8 = 9, Q = C9^C8 = 1.
  std::vector<uint8_t> b = {0x00, 0xC1, 0xC9, 0x00, 0x00, 0xC8};
  uint8_t sum = 0;
  for (size_t i = 0; i < b.size(); ++i)
    if (i != 4)
      sum = static_cast<uint8_t>(sum + b[i]);
  b[4] = sum;
  std::string tooLong;
  for (uint8_t byte : b) {
    tooLong += static_cast<char>("0123456789ABCDEF"[byte >> 4] + 50);
    tooLong += static_cast<char>("0123456789ABCDEF"[byte & 15] + 50);
  }
  const std::string bad[] = {
      "",
      "cbbebdfdfcstc",  // odd length: the last digit is dropped, n = 6, sum wrong
      "cbbe",           // n = 2
      "cbbebdfd",       // n = 4
      flipped,
      good.substr(0, good.size() - 2),
      "not a token at all",
      tooLong,
  };
  std::set<std::string> seen;
  for (const std::string& text : bad) {
    bool verified = true;
    const std::string result = DescrambleToken(text, &verified);
    EXPECT_FALSE(verified) << text;
    EXPECT_TRUE(IsDecimalBelow99999(result)) << text << " -> " << result;
    EXPECT_TRUE(seen.insert(result).second) << "repeated " << result;
  }
  // The same bad token read many times in a row (well within one clock
  // tick) never gives the same number twice.
  for (int i = 0; i < 5000; ++i) {
    const std::string result = DescrambleToken(flipped);
    ASSERT_TRUE(IsDecimalBelow99999(result)) << result;
    ASSERT_TRUE(seen.insert(result).second) << "repeated " << result << " at " << i;
  }
}

TEST(PackToken, EverySeedGivesEveryNumberOnceIn99999Calls) {
  // 99999 = 3 * 3 * 41 * 271. The seeds after 0 ask for the steps 3, 41 and
  // 271, which share a factor with it and must be moved to one that does not.
  const uint64_t seeds[] = {0, 99999u * 2, 99999u * 40 + 7, 99999u * 270, UINT64_MAX};
  for (uint64_t seed : seeds) {
    SeedUnverifiedTokenNumbers(seed);
    std::vector<bool> seen(99999);
    for (int i = 0; i < 99999; ++i) {
      const std::string result = DescrambleToken("");
      ASSERT_TRUE(IsDecimalBelow99999(result)) << result;
      const size_t number = static_cast<size_t>(std::stoi(result));
      ASSERT_FALSE(seen[number]) << "repeated " << result << " at " << i << " seed " << seed;
      seen[number] = true;
    }
  }
}

TEST(PackTokenLine, SplitsPlainAndScrambledLines) {
  const std::string token = ScrambleToken("product-42", 9);
  struct Case {
    std::string text;
    std::string token;  // empty: the token must not verify
    std::string rest;
  } cases[] = {
      {"header|" + token + "|a|b|the rest|with bars|", "product-42", "the rest|with bars|"},
      {ScrambleText("x|" + token + "|a|b|R", 'K'), "product-42", "R"},
      {ScrambleText("x|" + token + "|a|b|R", '!'), "product-42", "R"},
      {"|" + token + "|a|b|", "product-42", ""},
      {"|" + token + "|a|b", "product-42", ""},  // no fourth "|": no rest
      {"|" + token, "product-42", ""},
      {"no bars", "", ""},
      {"", "", ""},
      {"Scrambled=01", "", ""},
      {"scrambled=01K|" + token + "|a|b|R", "product-42", "R"},  // read as plain text
  };
  for (const Case& c : cases) {
    std::string gotToken = "stale";
    std::string gotRest = "stale";
    ParseTokenLine(c.text, gotToken, gotRest);
    if (c.token.empty())
      EXPECT_TRUE(IsDecimalBelow99999(gotToken)) << c.text << " -> " << gotToken;
    else
      EXPECT_EQ(gotToken, c.token) << c.text;
    EXPECT_EQ(gotRest, c.rest) << c.text;
  }
}

// ---------------------------------------------------------------------------
// Entries and volumes

TEST(PackEntryHeader, ParsesNameDateAndStartMarker) {
  struct Case {
    std::string header;
    std::string name;
    uint32_t date;
    bool isStart;
    std::string arguments;
  } cases[] = {
      {"|tool.exe*/silent /x|12345|", "tool.exe", 12345, true, "/silent /x"},
      {"|setup.exe*|1|", "setup.exe", 1, true, ""},
      {"|sub\\readme.txt|1499999999|", "sub\\readme.txt", 1499999999, false, ""},
      {"|a.txt|4294967295|", "a.txt", 4294967295u, false, ""},
      {"|a.txt|4294967296|", "a.txt", 0, false, ""},
      {"|a.txt|-1|", "a.txt", 0, false, ""},
      {"|a.txt|x|", "a.txt", 0, false, ""},
      {"|a.txt|", "a.txt", 0, false, ""},
      {"|a.txt|7|*|", "a.txt", 7, true, ""},  // a "*" elsewhere still marks the entry
      {"", "", 0, false, ""},
      {"x", "", 0, false, ""},
  };
  for (const Case& c : cases) {
    const EntryHeader e = ParseEntryHeader(c.header);
    EXPECT_EQ(e.name, c.name) << c.header;
    EXPECT_EQ(e.dosDateTime, c.date) << c.header;
    EXPECT_EQ(e.isStart, c.isStart) << c.header;
    EXPECT_EQ(e.startArguments, c.arguments) << c.header;
  }
}

TEST(PackEntryHeader, MakeAndParseAgree) {
  const EntryHeader entries[] = {
      {"setup.exe", 0x4A2B1C3D, true, "/Q"},
      {"dir\\file.bin", 4294967295u, false, ""},
      {"x", 0, true, ""},
  };
  for (const EntryHeader& e : entries) {
    const std::string text = MakeEntryHeader(e);
    const EntryHeader back = ParseEntryHeader(text);
    EXPECT_EQ(back.name, e.name) << text;
    EXPECT_EQ(back.dosDateTime, e.dosDateTime) << text;
    EXPECT_EQ(back.isStart, e.isStart) << text;
    EXPECT_EQ(back.startArguments, e.startArguments) << text;
  }
  EXPECT_EQ(MakeEntryHeader({"tool.exe", 12345, true, "/silent /x"}),
            "|tool.exe*/silent /x|12345|");
}

TEST(PackEntryHeader, ReadsAndWritesTheCheckValue) {
  struct Case {
    std::string header;
    bool hasCrc;
    bool malformed;
    uint32_t crc;
  } cases[] = {
      {"|a.txt|7|crc=CBF43926|", true, false, 0xCBF43926u},
      {"|a.txt|7|crc=cbf43926|", true, false, 0xCBF43926u},
      {"|a.txt|7|crc=00000000|", true, false, 0},
      {"|a.txt|7|", false, false, 0},
      {"|a.txt|7|size=12|", false, false, 0},  // another field: passed over
      {"|a.txt|7|crc=CBF4392|", false, true, 0},
      {"|a.txt|7|crc=CBF439261|", false, true, 0},
      {"|a.txt|7|crc=CBF4392G|", false, true, 0},
      {"|a.txt|7|crc=|", false, true, 0},
  };
  for (const Case& c : cases) {
    const EntryHeader e = ParseEntryHeader(c.header);
    EXPECT_EQ(e.name, "a.txt") << c.header;
    EXPECT_EQ(e.dosDateTime, 7u) << c.header;
    EXPECT_EQ(e.hasCrc, c.hasCrc) << c.header;
    EXPECT_EQ(e.crcMalformed, c.malformed) << c.header;
    EXPECT_EQ(e.crc, c.crc) << c.header;
  }
  EntryHeader withCrc{"setup.exe", 12345, true, "/Q"};
  withCrc.hasCrc = true;
  withCrc.crc = 0x0000ABCDu;
  EXPECT_EQ(MakeEntryHeader(withCrc), "|setup.exe*/Q|12345|crc=0000abcd|");
  // The launcher's start entry is the name field alone, whatever follows.
  std::string fault;
  EXPECT_EQ(StartEntryOf(MakeEntryHeader(withCrc), &fault), "setup.exe*/Q");
  EXPECT_EQ(fault, "");
}

// One table for the builder, the inspector and the launcher's walk: each
// reason beside the sound names closest to it.
TEST(PackEntryName, OnlyOnePlainWindowsFileNameIsSound) {
  struct Case {
    std::string name;
    const char* fault;  // part of the reason; null: a sound name
  } cases[] = {
      {"setup.exe", nullptr},
      {"a b.txt", nullptr},
      {"x..y", nullptr},
      {".hidden", nullptr},
      {"\xE9t\xE9.txt", nullptr},  // ANSI bytes above 127
      {std::string(255, 'a'), nullptr},
      {"CONFIG.SYS", nullptr},
      {"com10.txt", nullptr},
      {"lpt.txt", nullptr},
      {"", "is empty"},
      {std::string(256, 'a'), "longer than 255"},
      {".", "names a folder"},
      {"..", "names a folder"},
      {"a\\b.txt", "has a folder part"},
      {"a/b.txt", "has a folder part"},
      {"..\\evil.exe", "has a folder part"},
      {"\\Windows\\x.dll", "has a folder part"},
      {"\\\\server\\share\\x", "has a folder part"},
      {"a:b", "drive or stream"},
      {"C:evil.exe", "drive or stream"},
      {"a.txt::$DATA", "drive or stream"},
      {"\x01", "(control character)"},
      {"tab\there", "(control character)"},
      {"a\0b"s, "(control character)"},
      {"a<b", "cannot hold (<)"},
      {"a>b", "cannot hold (>)"},
      {"say\"hi\"", "cannot hold (\")"},
      {"a|b", "cannot hold (|)"},
      {"what?", "cannot hold (?)"},
      {"a*b", "cannot hold (*)"},
      {"a.txt ", "ends with a blank or a dot"},
      {"a.txt.", "ends with a blank or a dot"},
      {"...", "ends with a blank or a dot"},
      {" a.txt", "begins with a blank"},
      {"CON", "device name"},
      {"nul.txt", "device name"},
      {"COM1.txt", "device name"},
      {"lpt9", "device name"},
      {"CONOUT$", "device name"},
      // The superscript digits one, two and three of the Western ANSI code
      // page are port numbers to Windows too.
      {"COM\xB9", "device name"},
      {"com\xB2.log", "device name"},
      {"LPT\xB3", "device name"},
      {"lpt\xB9.txt", "device name"},
      {"COM\xBC", nullptr},  // one quarter: an ordinary character
      {"COM10", nullptr},
  };
  for (const Case& c : cases) {
    const std::string fault = EntryNameFault(c.name);
    if (c.fault == nullptr)
      EXPECT_EQ(fault, "") << "'" << c.name << "'";
    else
      EXPECT_NE(fault.find(c.fault), std::string::npos) << "'" << c.name << "': " << fault;
  }
}

TEST(PackVolumeName, NumbersVolumesAfterTheFirst) {
  struct Case {
    std::string first;
    int number;
    std::string expected;
  } cases[] = {
      {"C:\\dl\\setup.exe.001", 2, "C:\\dl\\setup.exe.002"},
      {"C:\\dl\\setup.exe.001", 3, "C:\\dl\\setup.exe.003"},
      {"SETUP.EXE.001", 12, "SETUP.EXE.012"},
      {"setup.exe", 2, "setup.exe.002"},
      {"pack.001", 999, "pack.999"},
      {"pack.001", 1000, "pack.1000"},
      {"pack.001.001", 2, "pack.001.002"},
      {"pack.0011", 2, "pack.0011.002"},
      {".001", 2, ".002"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VolumeFileName(c.first, c.number), c.expected) << c.first << " " << c.number;
}

}  // namespace
}  // namespace orvane::pack
