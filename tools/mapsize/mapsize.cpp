// mapsize: what each component adds to the launcher.
//
// Reads the GNU ld map of a link (-Wl,-Map=FILE) and prints, per component,
// the bytes of code, read-only data, data and other sections it put into the
// image, largest first; with --by-unit also one line per object file. bss is
// shown beside the total, since it takes memory but no file space. --src
// names the source root, so that archive members (which carry only a base
// name) are put under their folder.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "MapParse.h"

namespace {

using orvane::mapsize::MapSummary;
using orvane::mapsize::Sizes;

int Usage() {
  std::fprintf(stderr, "usage: mapsize [--by-unit] [--top N] [--src SOURCE_DIR] FILE.map\n");
  return 2;
}

bool ReadFile(const char* path, std::string& text) {
  FILE* f = std::fopen(path, "rb");
  if (!f)
    return false;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    text.append(chunk, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Source files below `root`, as paths relative to it. A missing or unreadable
// root gives none: the table then falls back to what the map's paths show.
std::vector<std::string> SourcesBelow(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  std::error_code error;
  fs::recursive_directory_iterator it(root, error), end;
  for (; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    const std::string extension = path.extension().string();
    if (extension == ".cpp" || extension == ".cc" || extension == ".c" || extension == ".rc")
      found.push_back(path.lexically_relative(root).generic_string());
  }
  return found;
}

// The name column fits the longest name; the component column, when shown,
// fits the longest component name.
struct Columns {
  int name = 0;
  int component = 0;  // 0: no component column
};

void PrintHeader(const Columns& columns, const char* first) {
  std::printf("%-*s", columns.name, first);
  if (columns.component)
    std::printf("  %-*s", columns.component, "component");
  std::printf(" %9s %9s %9s %9s %9s %9s\n", "code", "rodata", "data", "other", "total", "bss");
}

void PrintRow(const Columns& columns, const std::string& name, const std::string& component,
              const Sizes& s) {
  std::printf("%-*s", columns.name, name.c_str());
  if (columns.component)
    std::printf("  %-*s", columns.component, component.c_str());
  std::printf(" %9llu %9llu %9llu %9llu %9llu %9llu\n", (unsigned long long)s.code,
              (unsigned long long)s.readOnlyData, (unsigned long long)s.data,
              (unsigned long long)s.other, (unsigned long long)s.Total(),
              (unsigned long long)s.bss);
}

int WidthOf(const std::string& text, int atLeast) {
  return std::max(atLeast, int(std::min<size_t>(text.size(), 200)));
}

}  // namespace

int main(int argc, char** argv) {
  bool byUnit = false;
  size_t top = 0;  // 0: every unit
  const char* mapPath = nullptr;
  const char* sourceRoot = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--by-unit") {
      byUnit = true;
    } else if (arg == "--top" && i + 1 < argc) {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(argv[++i], &end, 10);
      if (end == argv[i] || *end != '\0' || argv[i][0] == '-' || n == 0)
        return Usage();
      top = size_t(n);
      byUnit = true;
    } else if (arg == "--src" && i + 1 < argc) {
      sourceRoot = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && !mapPath) {
      mapPath = argv[i];
    } else {
      return Usage();
    }
  }
  if (!mapPath)
    return Usage();

  std::string text;
  if (!ReadFile(mapPath, text)) {
    std::fprintf(stderr, "mapsize: %s: cannot read\n", mapPath);
    return 1;
  }
  const orvane::mapsize::SourceFolders folders =
      sourceRoot ? orvane::mapsize::FoldersOfSources(SourcesBelow(sourceRoot))
                 : orvane::mapsize::SourceFolders();
  const MapSummary summary = orvane::mapsize::SummarizeMap(text, folders);

  const auto components = orvane::mapsize::ComponentsBySize(summary);
  Columns columns{int(std::strlen("component")), 0};
  for (const auto& [name, sizes] : components)
    columns.name = WidthOf(name, columns.name);
  PrintHeader(columns, "component");
  for (const auto& [name, sizes] : components)
    PrintRow(columns, name, {}, sizes);
  PrintRow(columns, "total", {}, summary.total);
  std::printf("(total: bytes in the image's sections; bss takes memory only)\n");

  if (byUnit) {
    auto units = orvane::mapsize::UnitsBySize(summary);
    if (top != 0 && units.size() > top)
      units.resize(top);
    Columns unitColumns{int(std::strlen("unit")), int(std::strlen("component"))};
    for (const auto& [name, unit] : units) {
      unitColumns.name = WidthOf(name, unitColumns.name);
      unitColumns.component = WidthOf(unit.component, unitColumns.component);
    }
    std::printf("\n");
    PrintHeader(unitColumns, "unit");
    for (const auto& [name, unit] : units)
      PrintRow(unitColumns, name, unit.component, unit.sizes);
  }
  return 0;
}
