// SpaceTable: the bytes a package needs on the extraction drive, for each
// allocation unit, as stored in the trailer.
//
// Entry 0 is the plain sum of the file sizes (for drives whose unit is below
// 512 bytes or cannot be queried); entry i (1..8) is for units of 2^(8+i)
// bytes (512 ... 65536) and sums each file's size rounded up to whole
// clusters of that unit. Files of the same name (ignoring case) are one file,
// since the launcher appends them. Sums beyond 4 GiB - 1 are stored as
// 4 GiB - 1.
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

SpaceTableValues ComputeSpaceTable(const std::vector<ExtractedFile>& files);

// The allocation unit that entry `index` is for (0 for entry 0).
uint64_t SpaceTableUnit(size_t index);

}  // namespace orvane::stubpack
