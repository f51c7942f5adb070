// MapParse: reading the lines of the map and naming the files' components.
#include "MapParse.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>

namespace orvane::mapsize {
namespace {

// One input section (or alignment fill) placed in the image. The views point
// into the map text.
struct Contribution {
  std::string_view inputSection;   // "*fill*" for alignment fill
  std::string_view outputSection;  // empty when the map gave none
  std::string_view file;           // "archive.a(member.o)", "path/obj.o"; empty if ld made it
  uint64_t size = 0;
};

constexpr std::string_view kFill = "*fill*";

constexpr std::array<std::string_view, 6> kOurFolders = {"util", "vars",  "package",
                                                         "ui",   "agent", "launcher"};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), text) != names.end();
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Takes the next blank-separated token off the front of `rest`.
std::string_view NextToken(std::string_view& rest) {
  rest = Trim(rest);
  size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end]))
    ++end;
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

// "0x" and 1 to 16 hex digits; ld writes every address and size that way.
bool ParseHex(std::string_view token, uint64_t& value) {
  if (token.size() < 3 || token.size() > 18 || token[0] != '0' ||
      (token[1] != 'x' && token[1] != 'X'))
    return false;
  value = 0;
  for (char c : token.substr(2)) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value << 4 | uint64_t(digit);
  }
  return true;
}

// Reads "0xADDR 0xSIZE [file]" (the tail of a contribution line).
bool ParsePlacement(std::string_view rest, uint64_t& size, std::string_view& file) {
  uint64_t address;
  if (!ParseHex(NextToken(rest), address) || !ParseHex(NextToken(rest), size))
    return false;
  file = Trim(rest);
  return true;
}

bool IsDebugSection(std::string_view name) {
  return StartsWith(name, ".debug") || StartsWith(name, ".zdebug") || StartsWith(name, ".stab");
}

// Walks the map line by line. Output sections start in column 0, input
// sections one blank in, followed by address, size and file; a name too long
// for its column stands alone and the rest follows on the next line.
std::vector<Contribution> ReadContributions(std::string_view text) {
  std::vector<Contribution> found;
  bool inDiscardedList = false;
  std::string_view outputSection;
  std::string_view pendingName;  // a section name whose placement is on the next line
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);

    const std::string_view trimmed = Trim(line);
    if (trimmed == "Discarded input sections") {
      inDiscardedList = true;
      continue;
    }
    if (trimmed == "Memory Configuration" || trimmed == "Linker script and memory map") {
      inDiscardedList = false;
      continue;
    }
    if (inDiscardedList || trimmed.empty()) {
      pendingName = {};
      continue;
    }

    const auto add = [&](std::string_view name, uint64_t size, std::string_view file) {
      found.push_back({name, outputSection, file, size});
    };
    if (!IsBlank(line.front())) {
      // Output section header, or a statement such as LOAD or OUTPUT(...).
      std::string_view rest = line;
      const std::string_view first = NextToken(rest);
      outputSection = StartsWith(first, ".") || first == "/DISCARD/" ? first : std::string_view();
      pendingName = {};
      continue;
    }
    if (!pendingName.empty()) {
      const std::string_view name = pendingName;
      pendingName = {};
      uint64_t size;
      std::string_view file;
      if (ParsePlacement(line, size, file)) {
        add(name, size, file);
        continue;
      }
    }
    // Only lines indented by exactly one blank name an input section; deeper
    // ones are symbols, assignments and data statements.
    if (line.size() < 2 || IsBlank(line[1])) {
      // Data statements of the linker script ("0xADDR 0x4 LONG 0x0") are
      // bytes too: the ends of the constructor lists and the import tables.
      std::string_view rest = line;
      uint64_t address, size;
      if (ParseHex(NextToken(rest), address) && ParseHex(NextToken(rest), size) &&
          IsOneOf(NextToken(rest), {"BYTE", "SHORT", "LONG", "QUAD", "SQUAD"}) &&
          !NextToken(rest).empty())
        add("(data statement)", size, {});
      continue;
    }
    std::string_view rest = line;
    const std::string_view name = NextToken(rest);
    if (name != kFill && name.find_first_of("*(") != std::string_view::npos)
      continue;  // an input pattern such as *(.text) or SORT_BY_NAME(*)(.idata$3)
    if (Trim(rest).empty()) {
      if (name != kFill)
        pendingName = name;
      continue;
    }
    uint64_t size;
    std::string_view file;
    if (ParsePlacement(rest, size, file))
      add(name, size, name == kFill ? std::string_view() : file);
  }
  return found;
}

struct FileName {
  std::string_view archive;  // empty for a plain object
  std::string_view member;   // the object: archive member or path
};

FileName SplitFile(std::string_view file) {
  if (EndsWith(file, ")")) {
    const size_t open = file.rfind('(');
    if (open != std::string_view::npos && open > 0)
      return {file.substr(0, open), file.substr(open + 1, file.size() - open - 2)};
  }
  return {{}, file};
}

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z')
      c = char(c - 'A' + 'a');
  return out;
}

// zlib's objects by name ("inflate.o", "inflate.c.obj"); C++ objects of ours
// are never taken for them.
bool IsZlibObject(std::string_view object) {
  const std::string name = Lower(BaseName(object));
  if (name.find(".cpp.") != std::string::npos)
    return false;
  const std::string_view stem = std::string_view(name).substr(0, name.find('.'));
  return IsOneOf(
      stem, {"adler32", "compress", "crc32", "deflate", "gzclose", "gzlib", "gzread", "gzwrite",
             "infback", "inffast", "inflate", "inftrees", "trees", "uncompr", "zutil"});
}

// Files that come with the compiler: its own folders are named after the
// MinGW target, or live under /usr.
bool IsToolchainPath(std::string_view path) {
  return StartsWith(path, "/usr/") || Lower(path).find("mingw") != std::string::npos;
}

bool IsOurFolder(std::string_view name) {
  return std::find(kOurFolders.begin(), kOurFolders.end(), name) != kOurFolders.end();
}

// "Files.cpp.obj" -> "Files.cpp": the name of the source an object came from.
std::string_view SourceNameOf(std::string_view object) {
  object = BaseName(object);
  for (std::string_view suffix : {".obj", ".o", ".res"})
    if (EndsWith(object, suffix))
      return object.substr(0, object.size() - suffix.size());
  return object;
}

std::string OurComponent(const FileName& name, const SourceFolders& folders) {
  const auto known = folders.find(SourceNameOf(name.member));
  if (known != folders.end() && IsOurFolder(known->second))
    return known->second;
  std::string_view found;
  const auto consider = [&](std::string_view segment) {
    if (IsOurFolder(segment))
      found = segment;
  };
  const std::string_view path = name.archive.empty() ? name.member : name.archive;
  std::string_view rest = path.substr(0, path.size() - BaseName(path).size());
  while (!rest.empty()) {
    const size_t slash = rest.find_first_of("/\\");
    consider(rest.substr(0, slash));
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
  }
  if (!name.archive.empty()) {
    const std::string_view library = BaseName(name.archive);
    if (StartsWith(library, "liborvane_") && EndsWith(library, ".a"))
      consider(library.substr(10, library.size() - 12));
  }
  return found.empty() ? "other (ours)" : std::string(found);
}

// Names ld gives to sections it makes itself (base relocations, thunks).
bool IsLinkerMade(std::string_view file) {
  return file.empty() || file == "dll stuff" || file == "linker stubs";
}

std::string ComponentOf(const Contribution& c, const std::set<std::string_view>& importMembers,
                        const SourceFolders& folders) {
  if (c.inputSection == kFill)
    return "fill (alignment)";
  if (StartsWith(c.inputSection, ".rsrc") || c.outputSection == ".rsrc")
    return "resources";
  if (IsLinkerMade(c.file))
    return "linker";
  if (importMembers.count(c.file) != 0)
    return "import stubs";
  const FileName name = SplitFile(c.file);
  if (!name.archive.empty()) {
    const std::string library = Lower(BaseName(name.archive));
    if (library.find("zlib") != std::string::npos || library == "libz.a")
      return "zlib";
    if (IsOneOf(library, {"libstdc++.a", "libsupc++.a"}))
      return "libstdc++";
    if (IsOneOf(library, {"libgcc.a", "libgcc_eh.a"}))
      return "libgcc";
    if (IsOneOf(library, {"libwinpthread.a", "libpthread.a"}))
      return "winpthread";
    if (IsZlibObject(name.member))
      return "zlib";
    if (StartsWith(library, "liborvane"))
      return OurComponent(name, folders);
    if (IsToolchainPath(name.archive) ||
        IsOneOf(library, {"libmingw32.a", "libmingwex.a", "libmsvcrt.a", "libmoldname.a"}))
      return "CRT";
    return OurComponent(name, folders);
  }
  if (IsZlibObject(name.member) || Lower(name.member).find("zlib") != std::string::npos)
    return "zlib";
  const std::string_view base = BaseName(name.member);
  if ((StartsWith(base, "crt") || StartsWith(base, "dllcrt")) && EndsWith(base, ".o"))
    return "CRT";
  if (IsToolchainPath(name.member))
    return "CRT";
  return OurComponent(name, folders);
}

// The name of a unit in the per-object listing: "libgcc.a(_chkstk.o)",
// "util/Files.cpp.obj" for CMake's object paths, else the file's base name.
std::string UnitName(const Contribution& c) {
  if (c.inputSection == kFill)
    return "(alignment fill)";
  if (IsLinkerMade(c.file))
    return "(linker)";
  const FileName name = SplitFile(c.file);
  if (!name.archive.empty())
    return std::string(BaseName(name.archive)) + "(" + std::string(name.member) + ")";
  const size_t dir = name.member.rfind(".dir/");
  if (dir != std::string_view::npos)
    return std::string(name.member.substr(dir + 5));
  return std::string(BaseName(name.member));
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

template <typename Row, typename TotalOf>
std::vector<Row> SortedByTotal(std::vector<Row> rows, TotalOf totalOf) {
  std::sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    const uint64_t ta = totalOf(a.second), tb = totalOf(b.second);
    return ta != tb ? ta > tb : a.first < b.first;
  });
  return rows;
}

}  // namespace

SectionClass ClassOfSection(std::string_view name) {
  if (StartsWith(name, ".text"))
    return SectionClass::kCode;
  if (StartsWith(name, ".rdata") || StartsWith(name, ".rodata") || StartsWith(name, ".xdata") ||
      StartsWith(name, ".pdata") || StartsWith(name, ".eh_frame"))
    return SectionClass::kReadOnlyData;
  if (StartsWith(name, ".data"))
    return SectionClass::kData;
  if (StartsWith(name, ".bss") || name == "COMMON")
    return SectionClass::kBss;
  return SectionClass::kOther;
}

uint64_t Sizes::Total() const {
  return SaturatingAdd(SaturatingAdd(code, readOnlyData), SaturatingAdd(data, other));
}

void Sizes::Add(SectionClass sectionClass, uint64_t bytes) {
  uint64_t* field = &other;
  switch (sectionClass) {
    case SectionClass::kCode:
      field = &code;
      break;
    case SectionClass::kReadOnlyData:
      field = &readOnlyData;
      break;
    case SectionClass::kData:
      field = &data;
      break;
    case SectionClass::kBss:
      field = &bss;
      break;
    case SectionClass::kOther:
      break;
  }
  *field = SaturatingAdd(*field, bytes);
}

void Sizes::Add(const Sizes& more) {
  code = SaturatingAdd(code, more.code);
  readOnlyData = SaturatingAdd(readOnlyData, more.readOnlyData);
  data = SaturatingAdd(data, more.data);
  bss = SaturatingAdd(bss, more.bss);
  other = SaturatingAdd(other, more.other);
}

MapSummary SummarizeMap(std::string_view mapText, const SourceFolders& folders) {
  std::vector<Contribution> contributions = ReadContributions(mapText);
  // Import libraries hold one small object per imported function, each
  // with its .idata$ pieces and (for calls) a jump thunk in .text; an object
  // that brings import data is an import stub as a whole.
  std::set<std::string_view> importMembers;
  for (const Contribution& c : contributions)
    if (StartsWith(c.inputSection, ".idata") && !c.file.empty())
      importMembers.insert(c.file);

  MapSummary summary;
  std::map<std::string, uint64_t> largestPiece;  // per unit, to name its component
  for (const Contribution& c : contributions) {
    if (c.outputSection == "/DISCARD/" || IsDebugSection(c.outputSection) ||
        IsDebugSection(c.inputSection))
      continue;
    const SectionClass sectionClass =
        ClassOfSection(StartsWith(c.outputSection, ".") ? c.outputSection : c.inputSection);
    const std::string component = ComponentOf(c, importMembers, folders);
    summary.components[component].Add(sectionClass, c.size);
    summary.total.Add(sectionClass, c.size);

    const std::string unitName = UnitName(c);
    UnitSizes& unit = summary.units[unitName];
    unit.sizes.Add(sectionClass, c.size);
    uint64_t& largest = largestPiece[unitName];
    if (unit.component.empty() || c.size > largest) {
      unit.component = component;
      largest = c.size;
    }
  }
  return summary;
}

SourceFolders FoldersOfSources(const std::vector<std::string>& relativePaths) {
  SourceFolders folders;
  std::set<std::string, std::less<>> seenTwice;
  for (const std::string& path : relativePaths) {
    const size_t slash = path.find_first_of("/\\");
    if (slash == std::string::npos || slash == 0)
      continue;  // not inside a folder
    const std::string folder = path.substr(0, slash);
    const std::string name(BaseName(path));
    if (seenTwice.count(name) != 0)
      continue;
    const auto [at, added] = folders.emplace(name, folder);
    if (!added && at->second != folder) {
      folders.erase(at);
      seenTwice.insert(name);
    }
  }
  return folders;
}

std::vector<std::pair<std::string, Sizes>> ComponentsBySize(const MapSummary& summary) {
  return SortedByTotal(std::vector<std::pair<std::string, Sizes>>(summary.components.begin(),
                                                                  summary.components.end()),
                       [](const Sizes& s) { return s.Total(); });
}

std::vector<std::pair<std::string, UnitSizes>> UnitsBySize(const MapSummary& summary) {
  return SortedByTotal(
      std::vector<std::pair<std::string, UnitSizes>>(summary.units.begin(), summary.units.end()),
      [](const UnitSizes& u) { return u.sizes.Total(); });
}

}  // namespace orvane::mapsize
