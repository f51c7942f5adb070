// SpaceTable: the bytes a package needs on the extraction drive, for each
// allocation unit, as stored in the trailer.
//
// Entry 0 is the plain sum of the file sizes (for drives whose unit is below
// 512 bytes or cannot be queried); entry i (1..8) is for units of 2^(8+i)
// bytes (512 ... 65536) and sums each file's size rounded up to whole
// clusters of that unit. Files of the same name (ignoring case) are one file,
// since the launcher appends them. Sums beyond 4 GiB - 1 are stored as
// 4 GiB - 1, so the launcher then checks for that much free space only; the
// builder warns about it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "package/PackFormat.h"

namespace orvane::stubpack {

struct ExtractedFile {
  std::string name;
  uint64_t size = 0;
};

using SpaceTableValues = std::array<uint32_t, pack::kSpaceTableEntries>;
// The sums before they are stored (UINT64_MAX when even that overflows).
using SpaceTableSums = std::array<uint64_t, pack::kSpaceTableEntries>;

SpaceTableSums ComputeSpaceSums(const std::vector<ExtractedFile>& files);
// The stored values: every sum beyond 4 GiB - 1 becomes 4 GiB - 1.
SpaceTableValues ClampSpaceTable(const SpaceTableSums& sums);
SpaceTableValues ComputeSpaceTable(const std::vector<ExtractedFile>& files);

// A warning that names the sums beyond 4 GiB - 1 and what the launcher makes
// of them; empty when every sum fits.
std::string SpaceTableClampWarning(const SpaceTableSums& sums);

// The allocation unit that entry `index` is for (0 for entry 0).
uint64_t SpaceTableUnit(size_t index);

}  // namespace orvane::stubpack
