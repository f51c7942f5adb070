// SpaceTable: sums per allocation unit.
#include "SpaceTable.h"

#include <map>

#include "util/UtilsText.h"

namespace orvane::stubpack {

uint64_t SpaceTableUnit(size_t index) {
  return index == 0 || index >= pack::kSpaceTableEntries ? 0 : uint64_t{1} << (8 + index);
}

SpaceTableSums ComputeSpaceSums(const std::vector<ExtractedFile>& files) {
  std::map<std::string, uint64_t> sizes;
  for (const ExtractedFile& file : files) {
    uint64_t& size = sizes[UpperCaseAscii(file.name)];
    size = file.size > UINT64_MAX - size ? UINT64_MAX : size + file.size;
  }
  SpaceTableSums sums{};
  for (size_t i = 0; i < sums.size(); ++i) {
    const uint64_t unit = SpaceTableUnit(i);
    uint64_t sum = 0;
    for (const auto& entry : sizes) {
      uint64_t size = entry.second;
      if (unit != 0 && size % unit != 0)
        size = size > UINT64_MAX - unit ? UINT64_MAX : size + (unit - size % unit);
      sum = size > UINT64_MAX - sum ? UINT64_MAX : sum + size;
    }
    sums[i] = sum;
  }
  return sums;
}

SpaceTableValues ClampSpaceTable(const SpaceTableSums& sums) {
  SpaceTableValues table{};
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = sums[i] > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sums[i]);
  return table;
}

SpaceTableValues ComputeSpaceTable(const std::vector<ExtractedFile>& files) {
  return ClampSpaceTable(ComputeSpaceSums(files));
}

std::string SpaceTableClampWarning(const SpaceTableSums& sums) {
  std::vector<std::string> figures;
  if (sums[0] > UINT32_MAX)
    figures.push_back("the sum of the file sizes (" + std::to_string(sums[0]) + " bytes)");
  // Rounding up to larger clusters never makes a sum smaller, so the sums
  // beyond the limit are those of the largest units.
  size_t first = pack::kSpaceTableEntries;
  while (first > 1 && sums[first - 1] > UINT32_MAX)
    --first;
  const size_t last = pack::kSpaceTableEntries - 1;
  if (first == last)
    figures.push_back("the sum for clusters of " + std::to_string(SpaceTableUnit(last)) +
                      " bytes (" + std::to_string(sums[last]) + " bytes)");
  else if (first < last)
    figures.push_back("the sums for clusters of " + std::to_string(SpaceTableUnit(first)) + " to " +
                      std::to_string(SpaceTableUnit(last)) + " bytes (" +
                      (sums[first] == sums[last] ? std::to_string(sums[first]) + " bytes each"
                                                 : std::to_string(sums[first]) + " to " +
                                                       std::to_string(sums[last]) + " bytes") +
                      ")");
  if (figures.empty())
    return std::string();
  const bool one = figures.size() == 1 && first >= last;
  std::string text = "space table: " + figures[0];
  if (figures.size() > 1)
    text += " and " + figures[1];
  return text + (one ? " exceeds 4 GiB - 1 and is" : " exceed 4 GiB - 1 and are") +
         " stored as 4294967295; the launcher will check for 4 GiB - 1 bytes free only";
}

}  // namespace orvane::stubpack
