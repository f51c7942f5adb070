// MapParse: reads a GNU ld linker map (-Wl,-Map=FILE, MinGW ld for i686 and
// x86_64 PE) and sums the bytes every input section contributes to the image,
// per component (our source folders, zlib, the C++ runtime, the CRT, import
// stubs, resources, ...) and per object file.
//
// Only the memory map counts: the "Discarded input sections" list is skipped,
// and so are debug sections, which never reach the loaded image. A section is
// classed by the output section it lands in (a .ctors piece inside .text is
// code), or by its own name when no output section is known. Lines that are
// not contributions are ignored, so any text is safe input.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::mapsize {

enum class SectionClass { kCode, kReadOnlyData, kData, kBss, kOther };

// The class of a section name, as in .text* (code); .rdata*, .rodata*,
// .xdata*, .pdata*, .eh_frame* (read-only data); .data* (data); .bss* and
// COMMON (bss); anything else (other).
SectionClass ClassOfSection(std::string_view name);

struct Sizes {
  uint64_t code = 0;
  uint64_t readOnlyData = 0;
  uint64_t data = 0;
  uint64_t bss = 0;  // takes memory, not file space
  uint64_t other = 0;

  // What the contributions occupy in the file: everything but bss.
  uint64_t Total() const;
  // Sums saturate, so that absurd input cannot wrap around.
  void Add(SectionClass sectionClass, uint64_t bytes);
  void Add(const Sizes& more);
};

struct UnitSizes {
  std::string component;
  Sizes sizes;
};

struct MapSummary {
  std::map<std::string, Sizes> components;  // by component name
  std::map<std::string, UnitSizes> units;   // by object file, e.g. "libgcc.a(_chkstk.o)"
  Sizes total;
};

// Our source files by object name ("Files.cpp" -> "util"). An archive
// member carries only its base name, so the folder of
// liborvane_win.a(Files.cpp.obj) comes from here.
using SourceFolders = std::map<std::string, std::string, std::less<>>;

// Builds the table from source paths relative to the source root
// ("util/Files.cpp"): the first folder is the component. A name found in two
// folders is left out, since the map could not tell its objects apart.
SourceFolders FoldersOfSources(const std::vector<std::string>& relativePaths);

// Components of our code: the folder from `folders`, else the last of our
// folder names on the object's path (CMakeFiles/x.dir/util/Files.cpp.obj) or
// in its library's name (liborvane_util.a), else "other (ours)".
MapSummary SummarizeMap(std::string_view mapText, const SourceFolders& folders = {});

// Rows sorted by total, largest first; ties by name.
std::vector<std::pair<std::string, Sizes>> ComponentsBySize(const MapSummary& summary);
std::vector<std::pair<std::string, UnitSizes>> UnitsBySize(const MapSummary& summary);

}  // namespace orvane::mapsize
