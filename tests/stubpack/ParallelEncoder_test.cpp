// The parallel encoder and the builder on several threads: the same entries,
// in the same order, as the plain encoding on one thread.
#include "ParallelEncoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "BuildProgress.h"
#include "Builder.h"
#include "EntryCodec.h"
#include "StubpackTestSupport.h"

namespace orvane::stubpack {
namespace {

using test::FakeStub;
using test::RandomBytes;
using test::ReadBytes;
using test::TempDir;
using test::TextBytes;
using test::WriteBytes;

pack::EntryHeader HeaderOf(const std::string& name) {
  pack::EntryHeader header;
  header.name = name;
  header.dosDateTime = 0x52A86B2F;
  return header;
}

PieceBuffer PieceOf(const pack::EntryHeader& header, const std::string& data) {
  PieceBuffer piece(header, data.size());
  std::copy(data.begin(), data.end(), piece.Data());
  return piece;
}

struct Content {
  const char* name;
  std::string bytes;
};

// Text, random bytes, zeros and mixes, around the sizes where the encoder's
// output space grows and where compression stops paying.
std::vector<Content> Contents() {
  std::string mixed = TextBytes(300000) + RandomBytes(200000, 9) + std::string(100000, '\0');
  return {
      {"empty", ""},
      {"one byte", "x"},
      {"short text", TextBytes(100)},
      {"text of 64 KiB", TextBytes(65536)},
      {"text of 1 MiB", TextBytes(1 << 20)},
      {"random, small", RandomBytes(50, 1)},
      {"random, 300 KB", RandomBytes(300000, 2)},
      {"zeros, 2 MiB", std::string(2 << 20, '\0')},
      {"mixed", mixed},
  };
}

TEST(StubpackParallelEncoder, EncodesPiecesAsTheEntryCodecDoes) {
  for (const Content& content : Contents()) {
    for (const bool compress : {true, false}) {
      for (const bool keepData : {true, false}) {
        SCOPED_TRACE(std::string(content.name) + (compress ? ", compressed" : ", stored") +
                     (keepData ? ", data kept" : ""));
        const pack::EntryHeader header = HeaderOf("file.bin");
        const EncodedEntry expected = EncodeEntry(header, content.bytes, compress);
        const EncodedPiece piece =
            EncodePiece(header, PieceOf(header, content.bytes), compress, keepData, 7);
        EXPECT_EQ(piece.entry.length, expected.length);
        EXPECT_TRUE(piece.entry.payload == expected.payload);
        EXPECT_EQ(piece.dataSize, content.bytes.size());
        EXPECT_EQ(piece.tag, 7u);
        EXPECT_TRUE(piece.data == (keepData ? content.bytes : std::string()));
      }
    }
  }
}

struct PoolCase {
  unsigned workers;
  size_t inFlight;
};

TEST(StubpackParallelEncoder, HandsPiecesBackInTheirOrder) {
  const std::vector<Content> contents = Contents();
  const PoolCase cases[] = {{0, 1}, {1, 3}, {2, 1}, {2, 4}, {4, 8}, {8, 3}};
  for (const PoolCase& pool : cases) {
    SCOPED_TRACE(std::to_string(pool.workers) + " workers, " + std::to_string(pool.inFlight) +
                 " in flight");
    ParallelEncoder encoder(pool.workers, pool.inFlight, true, false);
    std::vector<size_t> order;
    size_t submitted = 0;
    auto takeOne = [&] {
      const EncodedPiece piece = encoder.TakeNext();
      const Content& content = contents[piece.tag % contents.size()];
      const EncodedEntry expected =
          EncodeEntry(HeaderOf("f" + std::to_string(piece.tag)), content.bytes, true);
      EXPECT_TRUE(piece.entry.payload == expected.payload) << "piece " << piece.tag;
      order.push_back(piece.tag);
    };
    // Three rounds of every content, the slow ones beside the quick ones.
    for (size_t i = 0; i < 3 * contents.size(); ++i) {
      while (encoder.Full())
        takeOne();
      const pack::EntryHeader header = HeaderOf("f" + std::to_string(i));
      encoder.Submit(header, PieceOf(header, contents[i % contents.size()].bytes), i);
      ++submitted;
      EXPECT_LE(encoder.Pending(), pool.inFlight);
    }
    while (encoder.Pending() != 0)
      takeOne();
    ASSERT_EQ(order.size(), submitted);
    for (size_t i = 0; i < order.size(); ++i)
      EXPECT_EQ(order[i], i);
  }
}

TEST(StubpackParallelEncoder, BoundsThePiecesInFlight) {
  struct Case {
    unsigned workers;
    uint64_t pieceSize;
    uint64_t budget;
    size_t expected;
  };
  const Case cases[] = {
      {1, 1 << 20, 40 << 20, 2},     // two per worker
      {2, 4 << 20, 40 << 20, 4},     // within the budget
      {16, 4 << 20, 40 << 20, 5},    // the budget, not the workers
      {4, 1ull << 30, 40 << 20, 1},  // one piece larger than the budget
      {0, 1 << 20, 40 << 20, 2},     // no workers counts as one
  };
  for (const Case& c : cases)
    EXPECT_EQ(PiecesInFlight(c.workers, c.pieceSize, c.budget), c.expected)
        << c.workers << " workers, pieces of " << c.pieceSize;
  EXPECT_GE(WorkerCount(0), 1u);
  EXPECT_EQ(WorkerCount(3), 3u);
}

TEST(StubpackBuildProgress, SaysHowFarTheBuildIs) {
  struct Case {
    uint64_t packed, total;
    const char* line;
  };
  const Case cases[] = {
      {0, 456000000, "stubpack: 0/456 MB packed (0 %)"},
      {123456789, 456000000, "stubpack: 123/456 MB packed (27 %)"},
      {456000000, 456000000, "stubpack: 456/456 MB packed (100 %)"},
      {999999, 1000000, "stubpack: 0/1 MB packed (99 %)"},
      {0, 0, "stubpack: 0/0 MB packed (100 %)"},
      // Beyond 4 GiB the percent must not overflow.
      {uint64_t{300} << 32, uint64_t{400} << 32, "stubpack: 1288490/1717986 MB packed (75 %)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressLine(c.packed, c.total), c.line);
}

// Whole builds: one job and several write the same files, with and without
// volumes that split entries, and report progress up to the whole.
TEST(StubpackParallelBuild, WritesTheSameInstallerWhateverTheJobs) {
  struct Case {
    const char* name;
    uint64_t maxVolumeSize;
    uint64_t maxEntrySize;
    Compression compression;
  };
  const Case cases[] = {
      {"one volume", 0, 64 << 10, Compression::kAuto},
      {"volumes", 150000, 64 << 10, Compression::kAuto},
      {"volumes, stored", 150000, 40000, Compression::kNone},
      {"one entry per file", 0, 1 << 20, Compression::kAuto},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::vector<std::string>> builds;
    for (const unsigned jobs : {1u, 2u, 5u}) {
      TempDir dir;
      WriteBytes(dir / "stub.exe", FakeStub());
      BuildPlan plan;
      plan.stub = dir / "stub.exe";
      plan.output = dir / "installer.exe";
      plan.maxVolumeSize = c.maxVolumeSize;
      plan.maxEntrySize = c.maxEntrySize;
      plan.compression = c.compression;
      plan.sourceDateEpoch = 1600000000;
      const std::vector<std::pair<std::string, std::string>> files = {
          {"setup.exe", TextBytes(3000)},
          {"big.bin", TextBytes(200000) + RandomBytes(150000, 4) + std::string(90000, '\0')},
          {"empty.txt", ""},
          {"random.bin", RandomBytes(70000, 5)},
          {"readme.txt", TextBytes(20000)},
      };
      for (size_t i = 0; i < files.size(); ++i) {
        WriteBytes(dir / files[i].first, files[i].second);
        plan.files.push_back({dir / files[i].first, files[i].first, i == 0, "", {}});
      }
      BuildOptions options;
      options.jobs = jobs;
      uint64_t lastPacked = 0, lastTotal = 0;
      bool forward = true;
      options.progress = [&](uint64_t packed, uint64_t total) {
        forward = forward && packed >= lastPacked && packed <= total;
        lastPacked = packed;
        lastTotal = total;
      };
      BuildResult result;
      Problems problems;
      ASSERT_TRUE(Build(plan, result, problems, options))
          << (problems.empty() ? "" : problems.back().what);
      EXPECT_TRUE(forward);
      EXPECT_EQ(lastPacked, result.dataBytes);
      EXPECT_EQ(lastTotal, result.dataBytes);
      std::vector<std::string> outputs;
      for (const std::string& output : result.outputs)
        outputs.push_back(ReadBytes(output));
      builds.push_back(std::move(outputs));
    }
    ASSERT_GT(builds[0].size(), c.maxVolumeSize != 0 ? 1u : 0u);
    for (size_t i = 1; i < builds.size(); ++i)
      EXPECT_TRUE(builds[i] == builds[0]) << "build " << i << " differs from one job's";
  }
}

}  // namespace
}  // namespace orvane::stubpack
