// The space table: sums of file sizes rounded up to whole clusters.
#include "SpaceTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvane::stubpack {
namespace {

TEST(StubpackSpaceTable, RoundsEveryFileUpToWholeClusters) {
  struct Case {
    const char* name;
    std::vector<ExtractedFile> files;
    SpaceTableValues expected;
  };
  const Case cases[] = {
      {"no files", {}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"an empty file takes no cluster", {{"e", 0}}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"one byte takes one cluster of every unit",
       {{"a", 1}},
       {1, 512, 1024, 2048, 4096, 8192, 16384, 32768, 65536}},
      {"sizes on and beside cluster borders",
       {{"a", 1}, {"b", 512}, {"c", 513}, {"d", 4096}, {"e", 0}, {"f", 70000}},
       {75122, 76288, 77824, 81920, 90112, 106496, 147456, 229376, 393216}},
      {"entries of one name are one file, whatever the case",
       {{"part.bin", 300}, {"PART.BIN", 300}},
       {600, 1024, 1024, 2048, 4096, 8192, 16384, 32768, 65536}},
      {"sums beyond 32 bits are capped",
       {{"huge", uint64_t{5} << 30}},
       {UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX,
        UINT32_MAX, UINT32_MAX}},
      {"the cap also holds just below 4 GiB",
       {{"a", UINT32_MAX - 100}},
       {UINT32_MAX - 100, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX,
        UINT32_MAX, UINT32_MAX}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ComputeSpaceTable(c.files), c.expected);
  }
}

TEST(StubpackSpaceTable, WarnsWhichSumsItCannotHold) {
  struct Case {
    const char* name;
    std::vector<ExtractedFile> files;
    const char* warning;  // empty: none
  };
  const Case cases[] = {
      {"every sum fits", {{"a", UINT32_MAX - 65535}}, ""},
      {"only the largest clusters go beyond",
       {{"a", (uint64_t{1} << 32) - 40000}},
       "space table: the sum for clusters of 65536 bytes (4294967296 bytes) exceeds 4 GiB - 1 "
       "and is stored as 4294967295; the launcher will check for 4 GiB - 1 bytes free only"},
      {"the clusters go beyond, the plain sum does not",
       {{"a", UINT32_MAX - 100}},
       "space table: the sums for clusters of 512 to 65536 bytes (4294967296 bytes each) exceed "
       "4 GiB - 1 and are stored as 4294967295; the launcher will check for 4 GiB - 1 bytes "
       "free only"},
      {"several files beyond 4 GiB together",
       {{"a", uint64_t{3} << 30}, {"b", (uint64_t{2} << 30) + 1}},
       "space table: the sum of the file sizes (5368709121 bytes) and the sums for clusters of "
       "512 to 65536 bytes (5368709632 to 5368774656 bytes) exceed 4 GiB - 1 and are stored as "
       "4294967295; the launcher will check for 4 GiB - 1 bytes free only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SpaceTableSums sums = ComputeSpaceSums(c.files);
    EXPECT_EQ(SpaceTableClampWarning(sums), c.warning);
    // The stored table is the sums, each at most 4 GiB - 1.
    const SpaceTableValues stored = ComputeSpaceTable(c.files);
    for (size_t i = 0; i < sums.size(); ++i)
      EXPECT_EQ(stored[i], std::min<uint64_t>(sums[i], UINT32_MAX)) << i;
  }
}

TEST(StubpackSpaceTable, EntriesMatchTheLaunchersChoiceOfUnit) {
  // The launcher picks entry SpaceTableIndex(unit); the builder fills entry i
  // for the unit SpaceTableUnit(i).
  for (size_t i = 1; i < pack::kSpaceTableEntries; ++i)
    EXPECT_EQ(pack::SpaceTableIndex(SpaceTableUnit(i)), i);
  EXPECT_EQ(SpaceTableUnit(0), 0u);
  EXPECT_EQ(SpaceTableUnit(4), 4096u);
}

}  // namespace
}  // namespace orvane::stubpack
