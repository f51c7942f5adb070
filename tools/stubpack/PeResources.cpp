// PeResources: PE headers, the resource tree, icons and version resources.
#include "PeResources.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace orvane::stubpack {
namespace {

constexpr uint32_t kTypeIcon = 3;
constexpr uint32_t kTypeGroupIcon = 14;
constexpr uint32_t kTypeVersion = 16;
constexpr uint16_t kLanguageEnglishUs = 0x0409;
constexpr int kDirectoryResource = 2;
constexpr int kDirectoryCertificates = 4;
constexpr int kDirectoryRelocations = 5;
constexpr size_t kSectionHeaderSize = 40;
// Type, name, language: a deeper tree is not a resource tree.
constexpr int kTreeDepth = 3;
constexpr size_t kMaxEntriesPerDirectory = 0x10000;

uint16_t Get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t Get32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(Get16(b, at)) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}
void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
void Append16(std::string& b, uint16_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>(v >> 8);
}
void Append32(std::string& b, uint32_t v) {
  Append16(b, static_cast<uint16_t>(v));
  Append16(b, static_cast<uint16_t>(v >> 16));
}
void PadTo(std::string& b, size_t alignment) {
  while (b.size() % alignment != 0)
    b += '\0';
}
uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}
bool Fits(std::string_view b, uint64_t at, uint64_t size) {
  return at <= b.size() && size <= b.size() - at;
}

struct Section {
  size_t headerOffset = 0;
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t End() const { return virtualAddress + std::max(virtualSize, rawSize); }
};

struct PeLayout {
  size_t optional = 0;     // offset of the optional header
  size_t directories = 0;  // offset of the data directories
  uint32_t directoryCount = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  size_t headersEnd = 0;  // the end of the section table
  std::vector<Section> sections;
};

uint32_t DirectoryField(std::string_view b, const PeLayout& pe, int index, int field) {
  if (static_cast<uint32_t>(index) >= pe.directoryCount)
    return 0;
  return Get32(b, pe.directories + 8 * static_cast<size_t>(index) + 4 * field);
}

// The PE headers, with every field the rewrite uses inside the file.
bool ParsePe(std::string_view b, PeLayout& pe, std::string& error) {
  if (b.size() < 64 || b.substr(0, 2) != "MZ") {
    error = "no MZ header";
    return false;
  }
  const uint32_t peOffset = Get32(b, 0x3C);
  if (!Fits(b, peOffset, 24) || b.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) {
    error = "no PE header";
    return false;
  }
  const uint16_t sectionCount = Get16(b, peOffset + 6);
  const uint16_t optionalSize = Get16(b, peOffset + 20);
  pe.optional = peOffset + 24;
  if (!Fits(b, pe.optional, optionalSize) || optionalSize < 2) {
    error = "the optional header is cut short";
    return false;
  }
  const uint16_t magic = Get16(b, pe.optional);
  size_t directoriesAt = 0;
  if (magic == 0x10B)
    directoriesAt = 96;
  else if (magic == 0x20B)
    directoriesAt = 112;
  else {
    error = "an unknown optional header kind";
    return false;
  }
  if (optionalSize < directoriesAt) {
    error = "the optional header is cut short";
    return false;
  }
  pe.directories = pe.optional + directoriesAt;
  pe.directoryCount = Get32(b, pe.directories - 4);
  if (pe.directoryCount > (optionalSize - directoriesAt) / 8) {
    error = "the data directories run past the optional header";
    return false;
  }
  pe.sectionAlignment = Get32(b, pe.optional + 32);
  pe.fileAlignment = Get32(b, pe.optional + 36);
  if (pe.fileAlignment == 0 || pe.sectionAlignment == 0 ||
      (pe.fileAlignment & (pe.fileAlignment - 1)) != 0 ||
      (pe.sectionAlignment & (pe.sectionAlignment - 1)) != 0) {
    error = "the section or file alignment is not a power of two";
    return false;
  }
  const size_t table = pe.optional + optionalSize;
  if (!Fits(b, table, uint64_t{sectionCount} * kSectionHeaderSize)) {
    error = "the section table is cut short";
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    Section s;
    s.headerOffset = table + i * kSectionHeaderSize;
    s.virtualSize = Get32(b, s.headerOffset + 8);
    s.virtualAddress = Get32(b, s.headerOffset + 12);
    s.rawSize = Get32(b, s.headerOffset + 16);
    s.rawOffset = Get32(b, s.headerOffset + 20);
    if (s.rawSize != 0 && !Fits(b, s.rawOffset, s.rawSize)) {
      error = "section " + std::to_string(i + 1) + " lies beyond the end of the file";
      return false;
    }
    pe.sections.push_back(s);
  }
  pe.headersEnd = table + size_t{sectionCount} * kSectionHeaderSize;
  return true;
}

// The section whose bytes hold the RVA range [rva, rva + size).
const Section* SectionOfRva(const PeLayout& pe, uint32_t rva, uint32_t size) {
  for (const Section& s : pe.sections) {
    if (rva >= s.virtualAddress && rva - s.virtualAddress <= s.rawSize &&
        size <= s.rawSize - (rva - s.virtualAddress))
      return &s;
  }
  return nullptr;
}

// One node of the resource tree: a directory entry with either children or
// data.
struct ResourceNode {
  bool named = false;
  uint32_t id = 0;
  std::u16string name;
  bool leaf = false;
  std::vector<ResourceNode> children;
  std::string data;
  uint32_t codePage = 0;
};

class TreeReader {
 public:
  TreeReader(std::string_view section, uint32_t sectionRva)
      : section_(section), sectionRva_(sectionRva) {}

  bool Read(ResourceNode& root, std::string& error) { return ReadDirectory(0, 0, root, error); }

  // Entries may share a subdirectory or data; these bounds keep a hostile
  // tree from multiplying into more than the section could hold.
  static constexpr size_t kMaxNodes = 0x10000;

 private:
  bool ReadDirectory(uint32_t offset, int depth, ResourceNode& node, std::string& error) {
    if (depth >= kTreeDepth || !Fits(section_, offset, 16)) {
      error = "a resource directory lies outside the resource section";
      return false;
    }
    const size_t count = size_t{Get16(section_, offset + 12)} + Get16(section_, offset + 14);
    if (count > kMaxEntriesPerDirectory || !Fits(section_, offset + 16, count * 8)) {
      error = "a resource directory runs past the resource section";
      return false;
    }
    for (size_t i = 0; i < count; ++i) {
      const size_t entry = offset + 16 + 8 * i;
      const uint32_t nameField = Get32(section_, entry);
      const uint32_t target = Get32(section_, entry + 4);
      if (++nodes_ > kMaxNodes) {
        error = "the resource tree has too many entries";
        return false;
      }
      ResourceNode child;
      if ((nameField & 0x80000000u) != 0) {
        child.named = true;
        const uint32_t at = nameField & 0x7FFFFFFFu;
        if (!Fits(section_, at, 2) || !Fits(section_, at + 2, uint64_t{Get16(section_, at)} * 2)) {
          error = "a resource name lies outside the resource section";
          return false;
        }
        for (uint16_t c = 0; c < Get16(section_, at); ++c)
          child.name += static_cast<char16_t>(Get16(section_, at + 2 + 2 * c));
      } else {
        child.id = nameField;
      }
      if ((target & 0x80000000u) != 0) {
        if (!ReadDirectory(target & 0x7FFFFFFFu, depth + 1, child, error))
          return false;
      } else if (!ReadData(target, child, error)) {
        return false;
      }
      node.children.push_back(std::move(child));
    }
    return true;
  }

  bool ReadData(uint32_t offset, ResourceNode& node, std::string& error) {
    if (!Fits(section_, offset, 16)) {
      error = "a resource data entry lies outside the resource section";
      return false;
    }
    const uint32_t rva = Get32(section_, offset);
    const uint32_t size = Get32(section_, offset + 4);
    if (rva < sectionRva_ || !Fits(section_, rva - sectionRva_, size)) {
      error = "resource data lies outside the resource section";
      return false;
    }
    dataBytes_ += size;
    if (dataBytes_ > 4 * uint64_t{section_.size()}) {
      error = "the resource tree uses its data more often than a resource tree does";
      return false;
    }
    node.leaf = true;
    node.data = std::string(section_.substr(rva - sectionRva_, size));
    node.codePage = Get32(section_, offset + 8);
    return true;
  }

  std::string_view section_;
  uint32_t sectionRva_;
  size_t nodes_ = 0;
  uint64_t dataBytes_ = 0;
};

// Writes a resource tree as a section at `sectionRva`: the directories
// (breadth first), the names, the data entries, then the data.
std::string WriteTree(const ResourceNode& root, uint32_t sectionRva) {
  std::vector<const ResourceNode*> directories{&root};
  for (size_t i = 0; i < directories.size(); ++i) {
    for (const ResourceNode& child : directories[i]->children) {
      if (!child.leaf)
        directories.push_back(&child);
    }
  }
  std::vector<uint32_t> directoryOffset;
  uint32_t size = 0;
  for (const ResourceNode* d : directories) {
    directoryOffset.push_back(size);
    size += 16 + 8 * static_cast<uint32_t>(d->children.size());
  }
  std::string names;
  std::string entries;
  std::string data;
  const uint32_t namesStart = size;
  // First pass: sizes of names and data entries, to know where data starts.
  uint32_t nameBytes = 0, leafCount = 0;
  for (const ResourceNode* d : directories) {
    for (const ResourceNode& child : d->children) {
      if (child.named)
        nameBytes += 2 + 2 * static_cast<uint32_t>(child.name.size());
      if (child.leaf)
        ++leafCount;
    }
  }
  const uint32_t entriesStart = static_cast<uint32_t>(AlignUp(namesStart + nameBytes, 4));
  const uint32_t dataStart = static_cast<uint32_t>(AlignUp(entriesStart + 16 * leafCount, 8));

  std::string out(size, '\0');
  size_t nextDirectory = 1;
  for (size_t i = 0; i < directories.size(); ++i) {
    const ResourceNode& d = *directories[i];
    const size_t at = directoryOffset[i];
    uint16_t namedCount = 0;
    for (const ResourceNode& child : d.children)
      namedCount += child.named ? 1 : 0;
    Put16(out, at + 12, namedCount);
    Put16(out, at + 14, static_cast<uint16_t>(d.children.size() - namedCount));
    for (size_t c = 0; c < d.children.size(); ++c) {
      const ResourceNode& child = d.children[c];
      const size_t entry = at + 16 + 8 * c;
      if (child.named) {
        Put32(out, entry, 0x80000000u | (namesStart + static_cast<uint32_t>(names.size())));
        Append16(names, static_cast<uint16_t>(child.name.size()));
        for (char16_t ch : child.name)
          Append16(names, static_cast<uint16_t>(ch));
      } else {
        Put32(out, entry, child.id);
      }
      if (child.leaf) {
        Put32(out, entry + 4, entriesStart + static_cast<uint32_t>(entries.size()));
        Append32(entries, sectionRva + dataStart + static_cast<uint32_t>(data.size()));
        Append32(entries, static_cast<uint32_t>(child.data.size()));
        Append32(entries, child.codePage);
        Append32(entries, 0);
        data += child.data;
        PadTo(data, 8);
      } else {
        Put32(out, entry + 4, 0x80000000u | directoryOffset[nextDirectory++]);
      }
    }
  }
  out += names;
  out.resize(entriesStart, '\0');
  out += entries;
  out.resize(dataStart, '\0');
  out += data;
  return out;
}

// Named entries first in their order, then IDs in ascending order.
void SortEntries(ResourceNode& node) {
  std::stable_sort(node.children.begin(), node.children.end(),
                   [](const ResourceNode& a, const ResourceNode& b) {
                     if (a.named != b.named)
                       return a.named;
                     return !a.named && a.id < b.id;
                   });
}

ResourceNode* FindId(ResourceNode& node, uint32_t id) {
  for (ResourceNode& child : node.children) {
    if (!child.named && child.id == id && !child.leaf)
      return &child;
  }
  return nullptr;
}

bool SameNameNoCase(const std::u16string& a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? b[i] - 32 : b[i];
    if (x != static_cast<char16_t>(y))
      return false;
  }
  return true;
}

// The icon group MAINICON, or else the first icon group.
ResourceNode* MainIconGroup(ResourceNode& root) {
  ResourceNode* groups = FindId(root, kTypeGroupIcon);
  if (groups == nullptr)
    return nullptr;
  for (ResourceNode& group : groups->children) {
    if (group.named && SameNameNoCase(group.name, "MAINICON") && !group.leaf)
      return &group;
  }
  return nullptr;
}

// The first data below `node` (the first language of a named resource).
ResourceNode* FirstLeaf(ResourceNode& node) {
  for (ResourceNode& child : node.children) {
    if (child.leaf)
      return &child;
  }
  return nullptr;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    uint32_t code = 0xFFFD;
    size_t length = 1;
    if (byte < 0x80) {
      code = byte;
    } else {
      const size_t need = byte >= 0xF0 && byte < 0xF5   ? 4
                          : byte >= 0xE0 && byte < 0xF0 ? 3
                          : byte >= 0xC2 && byte < 0xE0 ? 2
                                                        : 0;
      if (need != 0 && i + need <= text.size()) {
        uint32_t value = byte & (0xFF >> (need + 1));
        bool ok = true;
        for (size_t k = 1; k < need; ++k) {
          const auto next = static_cast<uint8_t>(text[i + k]);
          ok = ok && (next & 0xC0) == 0x80;
          value = value << 6 | (next & 0x3F);
        }
        const uint32_t minimum = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
        if (ok && value >= minimum && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
          code = value;
          length = need;
        }
      }
    }
    if (code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

void AppendUtf16(std::string& b, std::u16string_view text) {
  for (char16_t c : text)
    Append16(b, static_cast<uint16_t>(c));
  Append16(b, 0);
}

// One block of a version resource: its header, key and value, then its
// children, each starting on a 4-byte boundary; the length leaves out the
// padding after the last child.
std::string VersionBlock(std::u16string_view key, uint16_t type, std::string_view value,
                         uint16_t valueLength, const std::vector<std::string>& children) {
  std::string b(6, '\0');
  AppendUtf16(b, key);
  PadTo(b, 4);
  b += value;
  for (const std::string& child : children) {
    PadTo(b, 4);
    b += child;
  }
  Put16(b, 0, static_cast<uint16_t>(b.size()));
  Put16(b, 2, valueLength);
  Put16(b, 4, type);
  return b;
}

std::string VersionResource(const Branding& branding) {
  const auto& v = branding.versionNumbers;
  const uint32_t high = uint32_t{v[0]} << 16 | v[1];
  const uint32_t low = uint32_t{v[2]} << 16 | v[3];
  std::string fixed;
  for (uint32_t field : {0xFEEF04BDu, 0x00010000u, high, low, high, low, 0x3Fu, 0u,
                         0x00040004u /* VOS_NT_WINDOWS32 */, 1u /* VFT_APP */, 0u, 0u, 0u})
    Append32(fixed, field);

  const std::pair<const char16_t*, const std::string*> strings[] = {
      {u"CompanyName", &branding.companyName},  {u"FileDescription", &branding.fileDescription},
      {u"FileVersion", &branding.versionText},  {u"InternalName", &branding.internalName},
      {u"LegalCopyright", &branding.copyright}, {u"OriginalFilename", &branding.originalFilename},
      {u"ProductName", &branding.productName},  {u"ProductVersion", &branding.versionText},
  };
  std::vector<std::string> values;
  for (const auto& [key, text] : strings) {
    if (text->empty())
      continue;
    std::string value;
    const std::u16string wide = Utf8ToUtf16(*text);
    AppendUtf16(value, wide);
    values.push_back(VersionBlock(key, 1, value, static_cast<uint16_t>(wide.size() + 1), {}));
  }
  const std::string table = VersionBlock(u"040904B0", 1, {}, 0, values);
  const std::string stringInfo = VersionBlock(u"StringFileInfo", 1, {}, 0, {table});
  std::string translation;
  Append16(translation, kLanguageEnglishUs);
  Append16(translation, 1200);  // UTF-16
  const std::string var = VersionBlock(u"Translation", 0, translation, 4, {});
  const std::string varInfo = VersionBlock(u"VarFileInfo", 1, {}, 0, {var});
  return VersionBlock(u"VS_VERSION_INFO", 0, fixed, static_cast<uint16_t>(fixed.size()),
                      {stringInfo, varInfo});
}

bool ReplaceIcons(ResourceNode& root, const std::vector<IconImage>& icons, std::string& error) {
  ResourceNode* group = MainIconGroup(root);
  ResourceNode* groupData = group != nullptr ? FirstLeaf(*group) : nullptr;
  if (groupData == nullptr) {
    error = "it has no icon MAINICON to replace";
    return false;
  }
  const uint32_t language = groupData->id;
  // The icons of the old group go; icons other groups use stay.
  std::vector<uint32_t> oldIds;
  const std::string& old = groupData->data;
  if (old.size() >= 6) {
    const size_t count = Get16(old, 4);
    for (size_t i = 0; i < count && 6 + 14 * i + 14 <= old.size(); ++i)
      oldIds.push_back(Get16(old, 6 + 14 * i + 12));
  }
  ResourceNode* iconType = FindId(root, kTypeIcon);
  if (iconType == nullptr) {
    root.children.push_back(ResourceNode{});
    root.children.back().id = kTypeIcon;
    SortEntries(root);
    iconType = FindId(root, kTypeIcon);
    group = MainIconGroup(root);
    groupData = FirstLeaf(*group);
  }
  auto& iconNodes = iconType->children;
  iconNodes.erase(std::remove_if(iconNodes.begin(), iconNodes.end(),
                                 [&](const ResourceNode& n) {
                                   return !n.named && std::find(oldIds.begin(), oldIds.end(),
                                                                n.id) != oldIds.end();
                                 }),
                  iconNodes.end());
  uint32_t nextId = 1;
  std::string directory;
  Append16(directory, 0);
  Append16(directory, 1);
  Append16(directory, static_cast<uint16_t>(icons.size()));
  for (const IconImage& icon : icons) {
    while (std::any_of(iconNodes.begin(), iconNodes.end(),
                       [&](const ResourceNode& n) { return !n.named && n.id == nextId; }))
      ++nextId;
    if (nextId > 0xFFFF) {
      error = "it has no free icon numbers left";
      return false;
    }
    ResourceNode data;
    data.leaf = true;
    data.id = language;
    data.data = icon.bytes;
    ResourceNode name;
    name.id = nextId;
    name.children.push_back(std::move(data));
    iconNodes.push_back(std::move(name));
    directory += static_cast<char>(icon.width);
    directory += static_cast<char>(icon.height);
    directory += static_cast<char>(icon.colorCount);
    directory += '\0';
    Append16(directory, icon.planes);
    Append16(directory, icon.bitCount);
    Append32(directory, static_cast<uint32_t>(icon.bytes.size()));
    Append16(directory, static_cast<uint16_t>(nextId));
    ++nextId;
  }
  SortEntries(*iconType);
  groupData->data = std::move(directory);
  return true;
}

void ReplaceVersion(ResourceNode& root, const Branding& branding) {
  const std::string resource = VersionResource(branding);
  ResourceNode* type = FindId(root, kTypeVersion);
  if (type != nullptr && !type->children.empty() && !type->children.front().leaf &&
      FirstLeaf(type->children.front()) != nullptr) {
    // One version resource, in every language it had.
    type->children.resize(1);
    for (ResourceNode& language : type->children.front().children) {
      if (language.leaf)
        language.data = resource;
    }
    return;
  }
  ResourceNode data;
  data.leaf = true;
  data.id = kLanguageEnglishUs;
  data.data = resource;
  ResourceNode name;
  name.id = 1;
  name.children.push_back(std::move(data));
  if (type == nullptr) {
    root.children.push_back(ResourceNode{});
    root.children.back().id = kTypeVersion;
    SortEntries(root);
    type = FindId(root, kTypeVersion);
  }
  type->children.clear();
  type->children.push_back(std::move(name));
}

// The resource section of `pe`, checked to hold the whole resource tree.
const Section* ResourceSection(std::string_view b, const PeLayout& pe, std::string& error) {
  const uint32_t rva = DirectoryField(b, pe, kDirectoryResource, 0);
  const uint32_t size = DirectoryField(b, pe, kDirectoryResource, 1);
  if (rva == 0 || size == 0) {
    error = "it has no resources";
    return nullptr;
  }
  const Section* section = SectionOfRva(pe, rva, 16);
  if (section == nullptr || section->virtualAddress != rva) {
    error = "its resources do not start a section of their own";
    return nullptr;
  }
  return section;
}

bool ReadTree(std::string_view b, const Section& section, ResourceNode& root, std::string& error) {
  const uint32_t size =
      section.virtualSize == 0 ? section.rawSize : std::min(section.rawSize, section.virtualSize);
  TreeReader reader(b.substr(section.rawOffset, size), section.virtualAddress);
  return reader.Read(root, error);
}

// Reads the strings of a version resource's StringFileInfo tables.
void ReadVersionStrings(std::string_view v, ResourceSummary& summary) {
  // A block: [at, at + length) with header, key, value, then children.
  struct Block {
    size_t at, end, valueAt, childrenAt;
    uint16_t valueLength, type;
    std::u16string key;
  };
  auto parse = [&](size_t at, size_t limit, Block& block) {
    if (at + 6 > limit)
      return false;
    const size_t length = Get16(v, at);
    if (length < 6 || at + length > limit)
      return false;
    block.at = at;
    block.end = at + length;
    block.valueLength = Get16(v, at + 2);
    block.type = Get16(v, at + 4);
    block.key.clear();
    size_t p = at + 6;
    for (; p + 2 <= block.end && Get16(v, p) != 0; p += 2)
      block.key += static_cast<char16_t>(Get16(v, p));
    if (p + 2 > block.end)
      return false;
    block.valueAt = static_cast<size_t>(AlignUp(p + 2 - at, 4)) + at;
    const size_t valueBytes = block.type == 1 ? size_t{block.valueLength} * 2 : block.valueLength;
    block.childrenAt = static_cast<size_t>(AlignUp(block.valueAt + valueBytes - at, 4)) + at;
    return block.valueAt <= block.end;
  };
  Block root;
  if (!parse(0, v.size(), root) || root.key != u"VS_VERSION_INFO")
    return;
  if (root.valueLength >= 52 && root.valueAt + 52 <= root.end &&
      Get32(v, root.valueAt) == 0xFEEF04BD) {
    summary.hasVersion = true;
    const uint32_t high = Get32(v, root.valueAt + 8), low = Get32(v, root.valueAt + 12);
    summary.fileVersion = {static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high),
                           static_cast<uint16_t>(low >> 16), static_cast<uint16_t>(low)};
  }
  for (size_t at = root.childrenAt; at < root.end;) {
    Block info;
    if (!parse(at, root.end, info))
      break;
    if (info.key == u"StringFileInfo") {
      summary.hasVersion = true;
      for (size_t t = info.childrenAt; t < info.end;) {
        Block table;
        if (!parse(t, info.end, table))
          break;
        for (size_t s = table.childrenAt; s < table.end;) {
          Block text;
          if (!parse(s, table.end, text))
            break;
          std::u16string value;
          for (size_t p = text.valueAt; p + 2 <= text.end && Get16(v, p) != 0; p += 2)
            value += static_cast<char16_t>(Get16(v, p));
          summary.strings.emplace_back(text.key, value);
          s = static_cast<size_t>(AlignUp(text.end, 4));
        }
        t = static_cast<size_t>(AlignUp(table.end, 4));
      }
    }
    at = static_cast<size_t>(AlignUp(info.end, 4));
  }
}

}  // namespace

bool ParseIcoFile(std::string_view bytes, std::vector<IconImage>& images, std::string& error) {
  images.clear();
  if (bytes.size() < 6 || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1) {
    error = "not an icon file (it must start with the icon header 00 00 01 00)";
    return false;
  }
  const size_t count = Get16(bytes, 4);
  if (count == 0) {
    error = "the icon file holds no image";
    return false;
  }
  if (!Fits(bytes, 6, count * 16)) {
    error = "the icon file's directory of " + std::to_string(count) + " images is cut short";
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = 6 + 16 * i;
    const uint32_t size = Get32(bytes, entry + 8);
    const uint32_t offset = Get32(bytes, entry + 12);
    const std::string number = "image " + std::to_string(i + 1);
    if (size < 8 || !Fits(bytes, offset, size)) {
      error = number + " of the icon file lies outside the file";
      return false;
    }
    IconImage image;
    image.width = static_cast<uint8_t>(bytes[entry]);
    image.height = static_cast<uint8_t>(bytes[entry + 1]);
    image.colorCount = static_cast<uint8_t>(bytes[entry + 2]);
    image.planes = Get16(bytes, entry + 4);
    image.bitCount = Get16(bytes, entry + 6);
    image.bytes = std::string(bytes.substr(offset, size));
    const bool png = image.bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0;
    const bool bitmap = Get32(image.bytes, 0) == 40;
    if (!png && !bitmap) {
      error = number + " of the icon file is neither a PNG nor a bitmap";
      return false;
    }
    images.push_back(std::move(image));
  }
  return true;
}

bool ParseVersionNumbers(std::string_view text, std::array<uint16_t, 4>& numbers) {
  std::array<uint16_t, 4> parsed{};
  size_t part = 0;
  size_t i = 0;
  for (;;) {
    if (part == 4 || i >= text.size() || text[i] < '0' || text[i] > '9')
      return false;
    uint32_t value = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
      if (++digits > 5 || value > 0xFFFF)
        return false;
      ++i;
    }
    parsed[part++] = static_cast<uint16_t>(value);
    if (i == text.size())
      break;
    if (text[i++] != '.')
      return false;
  }
  numbers = parsed;
  return true;
}

bool ApplyBranding(std::string& image, const Branding& branding, std::string& error) {
  PeLayout pe;
  if (!ParsePe(image, pe, error))
    return false;
  if (DirectoryField(image, pe, kDirectoryCertificates, 1) != 0) {
    error = "it is signed; brand the unsigned launcher and sign the installer afterwards";
    return false;
  }
  const Section* found = ResourceSection(image, pe, error);
  if (found == nullptr)
    return false;
  const Section resource = *found;
  // The rewrite keeps the file up to the resources and rebuilds it from
  // there: the headers and every section must lie wholly before or after
  // the resources' bytes, or part of them would be lost or overwritten.
  if (resource.rawOffset < pe.headersEnd) {
    error = "its resources overlap its headers";
    return false;
  }
  // What follows the resources, in the file and in memory, moves with
  // their new size: only the base relocations may.
  const uint32_t relocRva = DirectoryField(image, pe, kDirectoryRelocations, 0);
  const Section* relocations = nullptr;  // the one section after the resources
  uint64_t imageEnd = 0;
  for (size_t i = 0; i < pe.sections.size(); ++i) {
    const Section& s = pe.sections[i];
    imageEnd = std::max<uint64_t>(imageEnd, uint64_t{s.rawOffset} + s.rawSize);
    if (s.headerOffset == resource.headerOffset)
      continue;
    const bool after = s.virtualAddress > resource.virtualAddress;
    if (s.rawSize != 0) {
      const bool fileAfter = s.rawOffset >= uint64_t{resource.rawOffset} + resource.rawSize;
      const bool fileBefore = uint64_t{s.rawOffset} + s.rawSize <= resource.rawOffset;
      if (!fileAfter && !fileBefore) {
        error = "section " + std::to_string(i + 1) + " overlaps its resources in the file";
        return false;
      }
      if (after != fileAfter) {
        error = "its sections are not in the same order in the file as in memory";
        return false;
      }
    }
    if (!after)
      continue;
    if (relocRva != s.virtualAddress || relocations != nullptr) {
      error = "its resource section is followed by another section than the relocations";
      return false;
    }
    relocations = &s;
  }
  if (image.size() != imageEnd) {
    error = "data follows its last section";
    return false;
  }
  for (uint32_t d = 0; d < pe.directoryCount; ++d) {
    const uint32_t rva = DirectoryField(image, pe, static_cast<int>(d), 0);
    if (d == kDirectoryResource || d == kDirectoryRelocations || d == kDirectoryCertificates ||
        rva == 0)
      continue;
    if (rva >= resource.virtualAddress) {
      error = "data directory " + std::to_string(d) + " points into the resources or after them";
      return false;
    }
  }

  ResourceNode root;
  if (!ReadTree(image, resource, root, error))
    return false;
  if (!branding.icons.empty() && !ReplaceIcons(root, branding.icons, error))
    return false;
  if (branding.version)
    ReplaceVersion(root, branding);

  const std::string tree = WriteTree(root, resource.virtualAddress);
  const uint64_t rawSize = AlignUp(tree.size(), pe.fileAlignment);
  uint64_t nextRva = AlignUp(resource.virtualAddress + tree.size(), pe.sectionAlignment);
  uint64_t nextRaw = resource.rawOffset + rawSize;
  if (nextRaw > UINT32_MAX - 0x1000000) {
    error = "its resources would grow too large";
    return false;
  }
  std::string out = image.substr(0, resource.rawOffset);
  out += tree;
  out.resize(static_cast<size_t>(nextRaw), '\0');
  uint64_t sizeOfImage = nextRva;
  Put32(out, resource.headerOffset + 8, static_cast<uint32_t>(tree.size()));
  Put32(out, resource.headerOffset + 16, static_cast<uint32_t>(rawSize));
  if (relocations != nullptr) {
    const Section& s = *relocations;
    Put32(out, pe.directories + 8 * kDirectoryRelocations, static_cast<uint32_t>(nextRva));
    Put32(out, s.headerOffset + 12, static_cast<uint32_t>(nextRva));
    Put32(out, s.headerOffset + 20, s.rawSize == 0 ? 0 : static_cast<uint32_t>(nextRaw));
    out += image.substr(s.rawOffset, s.rawSize);
    nextRaw += s.rawSize;
    nextRva = AlignUp(nextRva + std::max(s.virtualSize, s.rawSize), pe.sectionAlignment);
    sizeOfImage = nextRva;
  }
  const int64_t growth = static_cast<int64_t>(rawSize) - static_cast<int64_t>(resource.rawSize);
  Put32(out, pe.optional + 56, static_cast<uint32_t>(sizeOfImage));  // SizeOfImage
  Put32(out, pe.optional + 8,                                        // SizeOfInitializedData
        static_cast<uint32_t>(Get32(out, pe.optional + 8) + growth));
  Put32(out, pe.optional + 64, 0);  // CheckSum: not needed for programs
  Put32(out, pe.directories + 8 * kDirectoryResource + 4, static_cast<uint32_t>(tree.size()));
  image = std::move(out);
  return true;
}

bool ReadResourceSummary(std::string_view image, ResourceSummary& summary, std::string& error) {
  summary = ResourceSummary{};
  PeLayout pe;
  if (!ParsePe(image, pe, error))
    return false;
  const Section* section = ResourceSection(image, pe, error);
  ResourceNode root;
  if (section == nullptr || !ReadTree(image, *section, root, error))
    return false;
  if (ResourceNode* type = FindId(root, kTypeVersion);
      type != nullptr && !type->children.empty() && !type->children.front().leaf) {
    if (const ResourceNode* data = FirstLeaf(type->children.front()))
      ReadVersionStrings(data->data, summary);
  }
  ResourceNode* group = MainIconGroup(root);
  if (group == nullptr) {
    ResourceNode* groups = FindId(root, kTypeGroupIcon);
    if (groups != nullptr && !groups->children.empty() && !groups->children.front().leaf)
      group = &groups->children.front();
  }
  if (const ResourceNode* data = group != nullptr ? FirstLeaf(*group) : nullptr) {
    const std::string& d = data->data;
    const size_t count = d.size() >= 6 ? Get16(d, 4) : 0;
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= d.size(); ++i) {
      const unsigned width = static_cast<uint8_t>(d[6 + 14 * i]);
      const unsigned height = static_cast<uint8_t>(d[6 + 14 * i + 1]);
      summary.iconSizes.push_back(std::to_string(width == 0 ? 256 : width) + "x" +
                                  std::to_string(height == 0 ? 256 : height));
    }
  }
  return true;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace orvane::stubpack
