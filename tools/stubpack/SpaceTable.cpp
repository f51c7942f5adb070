// SpaceTable: sums per allocation unit.
#include "SpaceTable.h"

#include <map>

#include "util/UtilsText.h"

namespace orvane::stubpack {

uint64_t SpaceTableUnit(size_t index) {
  return index == 0 || index >= pack::kSpaceTableEntries ? 0 : uint64_t{1} << (8 + index);
}

SpaceTableValues ComputeSpaceTable(const std::vector<ExtractedFile>& files) {
  std::map<std::string, uint64_t> sizes;
  for (const ExtractedFile& file : files) {
    uint64_t& size = sizes[UpperCaseAscii(file.name)];
    size = file.size > UINT64_MAX - size ? UINT64_MAX : size + file.size;
  }
  SpaceTableValues table{};
  for (size_t i = 0; i < table.size(); ++i) {
    const uint64_t unit = SpaceTableUnit(i);
    uint64_t sum = 0;
    for (const auto& entry : sizes) {
      uint64_t size = entry.second;
      if (unit != 0 && size % unit != 0)
        size = size > UINT64_MAX - unit ? UINT64_MAX : size + (unit - size % unit);
      sum = size > UINT64_MAX - sum ? UINT64_MAX : sum + size;
    }
    table[i] = sum > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sum);
  }
  return table;
}

}  // namespace orvane::stubpack
