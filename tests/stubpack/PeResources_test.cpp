// The resource rewrite of a launcher image: icon files and version numbers
// are checked, a branded image reads back what was written, and images the
// rewrite cannot handle are refused untouched.
#include "PeResources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane::stubpack {
namespace {

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}

std::string Dib(uint8_t size) {
  std::string b(40 + size * size * 4 + size * 4, '\x11');
  Put32(b, 0, 40);
  return b;
}

// An .ico file with one bitmap image of each size given.
std::string Ico(const std::vector<uint8_t>& sizes) {
  std::string head(6 + 16 * sizes.size(), '\0');
  Put16(head, 2, 1);
  Put16(head, 4, static_cast<uint16_t>(sizes.size()));
  std::string data;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string image = Dib(sizes[i]);
    const size_t entry = 6 + 16 * i;
    head[entry] = head[entry + 1] = static_cast<char>(sizes[i]);
    Put16(head, entry + 4, 1);
    Put16(head, entry + 6, 32);
    Put32(head, entry + 8, static_cast<uint32_t>(image.size()));
    Put32(head, entry + 12, static_cast<uint32_t>(head.size() + data.size()));
    data += image;
  }
  return head + data;
}

// What follows the resource section of the test image.
enum class After { kNothing, kRelocations, kOtherSection };

constexpr size_t kPe = 0x80;
constexpr size_t kOptional = kPe + 24;
constexpr size_t kDirectories = kOptional + 96;
constexpr size_t kSections = kOptional + 224;
constexpr uint32_t kResourceRva = 0x2000;

// A 32-bit image laid out as the launcher is: code, resources with the
// icon group MAINICON (one 16x16 icon, ID 1) and a manifest (type 24), and
// optionally one more section.
std::string TestImage(After after) {
  const int sectionCount = after == After::kNothing ? 2 : 3;
  std::string b(0x200, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, kPe);
  b.replace(kPe, 4, std::string("PE\0\0", 4));
  Put16(b, kPe + 4, 0x14C);
  Put16(b, kPe + 6, static_cast<uint16_t>(sectionCount));
  Put16(b, kPe + 20, 224);
  Put16(b, kOptional, 0x10B);
  Put32(b, kOptional + 32, 0x1000);
  Put32(b, kOptional + 36, 0x200);
  Put32(b, kOptional + 56, sectionCount == 2 ? 0x3000 : 0x4000);
  Put32(b, kOptional + 60, 0x200);
  Put32(b, kOptional + 64, 0x1234);
  Put32(b, kOptional + 92, 16);
  auto section = [&](int i, const char* name, uint32_t rva, uint32_t raw, uint32_t size) {
    const size_t at = kSections + 40 * static_cast<size_t>(i);
    b.replace(at, std::string(name).size(), name);
    Put32(b, at + 8, size);
    Put32(b, at + 12, rva);
    Put32(b, at + 16, 0x200);
    Put32(b, at + 20, raw);
  };
  section(0, ".text", 0x1000, 0x200, 0x10);
  section(1, ".rsrc", kResourceRva, 0x400, 0x190);
  if (after != After::kNothing)
    section(2, after == After::kRelocations ? ".reloc" : ".other", 0x3000, 0x600, 0x20);
  Put32(b, kDirectories + 16, kResourceRva);
  Put32(b, kDirectories + 20, 0x190);
  if (after == After::kRelocations) {
    Put32(b, kDirectories + 40, 0x3000);
    Put32(b, kDirectories + 44, 0x20);
  }
  std::string code(0x200, '\xC3');
  // The resource tree: root (types 3, 14, 24), a directory per type, one per
  // name, the name "MAINICON", three data entries, then the data.
  std::string r(0x200, '\0');
  auto directory = [&](size_t at, uint16_t named, uint16_t ids) {
    Put16(r, at + 12, named);
    Put16(r, at + 14, ids);
  };
  auto entry = [&](size_t at, uint32_t name, uint32_t target) {
    Put32(r, at, name);
    Put32(r, at + 4, target);
  };
  const uint32_t sub = 0x80000000u;
  directory(0x00, 0, 3);
  entry(0x10, 3, sub | 0x28);
  entry(0x18, 14, sub | 0x40);
  entry(0x20, 24, sub | 0x58);
  directory(0x28, 0, 1);
  entry(0x38, 1, sub | 0x70);
  directory(0x40, 1, 0);
  entry(0x50, sub | 0xB8, sub | 0x88);
  directory(0x58, 0, 1);
  entry(0x68, 1, sub | 0xA0);
  directory(0x70, 0, 1);
  entry(0x80, 1033, 0xD0);
  directory(0x88, 0, 1);
  entry(0x98, 1033, 0xE0);
  directory(0xA0, 0, 1);
  entry(0xB0, 1033, 0xF0);
  Put16(r, 0xB8, 8);
  for (int i = 0; i < 8; ++i)
    Put16(r, 0xBA + 2 * static_cast<size_t>(i), static_cast<uint16_t>("MAINICON"[i]));
  auto data = [&](size_t at, uint32_t offset, uint32_t size) {
    Put32(r, at, kResourceRva + offset);
    Put32(r, at + 4, size);
  };
  data(0xD0, 0x100, 0x30);  // the icon
  data(0xE0, 0x130, 20);    // the group
  data(0xF0, 0x180, 12);    // the manifest
  Put32(r, 0x100, 40);
  Put16(r, 0x132, 1);
  Put16(r, 0x134, 1);
  r[0x136] = r[0x137] = 16;
  Put16(r, 0x13A, 1);
  Put16(r, 0x13C, 32);
  Put32(r, 0x13E, 0x30);
  Put16(r, 0x142, 1);
  r.replace(0x180, 12, "<assembly/>\n");
  b += code + r;
  if (after != After::kNothing)
    b += std::string(0x200, '\x5A');
  return b;
}

Branding VendorBranding() {
  Branding branding;
  std::string error;
  EXPECT_TRUE(ParseIcoFile(Ico({16, 32, 0}), branding.icons, error)) << error;
  branding.version = true;
  branding.versionNumbers = {2, 1, 7, 65535};
  branding.versionText = "2.1.7.65535";
  branding.productName =
      "Vendor Pr\xC3\xB6"
      "duct";
  branding.companyName = "Vendor Ltd";
  branding.copyright = "\xC2\xA9 2025 Vendor \xF0\x9F\x93\xA6";
  branding.originalFilename = "setup.exe";
  branding.internalName = "setup";
  return branding;
}

TEST(PeResources, IcoFilesAreCheckedImageByImage) {
  std::string valid = Ico({16, 32});
  struct Case {
    const char* what;
    std::string bytes;
    const char* error;  // nullptr: accepted
  };
  std::string png = Ico({16});
  png.replace(22, 8, "\x89PNG\r\n\x1A\n");
  std::string neither = Ico({16});
  neither[22] = 41;
  std::string outside = Ico({16, 32});
  Put32(outside, 6 + 16 + 12, static_cast<uint32_t>(outside.size()) - 8);
  std::string cursor = valid;
  cursor[2] = 2;
  std::string none = valid.substr(0, 6);
  Put16(none, 4, 0);
  const Case cases[] = {
      {"two bitmaps", valid, nullptr},
      {"a PNG image", png, nullptr},
      {"empty file", "", "not an icon file"},
      {"a cursor file", cursor, "not an icon file"},
      {"no image", none, "holds no image"},
      {"directory cut short", valid.substr(0, 30), "cut short"},
      {"image past the end", outside, "image 2 of the icon file lies outside"},
      {"last image cut", valid.substr(0, valid.size() - 1),
       "image 2 of the icon file lies outside"},
      {"neither PNG nor bitmap", neither, "image 1 of the icon file is neither"},
  };
  for (const Case& c : cases) {
    std::vector<IconImage> images;
    std::string error;
    const bool ok = ParseIcoFile(c.bytes, images, error);
    EXPECT_EQ(ok, c.error == nullptr) << c.what << ": " << error;
    if (c.error != nullptr) {
      EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    }
  }
}

TEST(PeResources, VersionNumbers) {
  struct Case {
    const char* text;
    bool ok;
    std::array<uint16_t, 4> numbers;
  };
  const Case cases[] = {
      {"1", true, {1, 0, 0, 0}},
      {"2.1", true, {2, 1, 0, 0}},
      {"1.2.3.4", true, {1, 2, 3, 4}},
      {"65535.0.0.65535", true, {65535, 0, 0, 65535}},
      {"007.1", true, {7, 1, 0, 0}},
      {"", false, {}},
      {"1.2.3.4.5", false, {}},
      {"65536", false, {}},
      {"1..2", false, {}},
      {"1.", false, {}},
      {".1", false, {}},
      {"1.2a", false, {}},
      {" 1.2", false, {}},
      {"100000", false, {}},
  };
  for (const Case& c : cases) {
    std::array<uint16_t, 4> numbers{9, 9, 9, 9};
    EXPECT_EQ(ParseVersionNumbers(c.text, numbers), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(numbers, c.numbers) << c.text;
    }
  }
}

TEST(PeResources, BrandedImageReadsBackAndKeepsTheRest) {
  for (const After after : {After::kNothing, After::kRelocations}) {
    const std::string original = TestImage(after);
    std::string image = original;
    std::string error;
    ASSERT_TRUE(ApplyBranding(image, VendorBranding(), error)) << error;

    ResourceSummary summary;
    ASSERT_TRUE(ReadResourceSummary(image, summary, error)) << error;
    EXPECT_EQ(summary.iconSizes, (std::vector<std::string>{"16x16", "32x32", "256x256"}));
    EXPECT_TRUE(summary.hasVersion);
    EXPECT_EQ(summary.fileVersion, (std::array<uint16_t, 4>{2, 1, 7, 65535}));
    const std::vector<std::pair<std::u16string, std::u16string>> strings = {
        {u"CompanyName", u"Vendor Ltd"},     {u"FileVersion", u"2.1.7.65535"},
        {u"InternalName", u"setup"},         {u"LegalCopyright", u"\u00A9 2025 Vendor \U0001F4E6"},
        {u"OriginalFilename", u"setup.exe"}, {u"ProductName", u"Vendor Pr\u00F6duct"},
        {u"ProductVersion", u"2.1.7.65535"},
    };
    EXPECT_EQ(summary.strings, strings);

    // Headers but for the changed fields, and the code, stay; the checksum
    // is cleared; the resource section grew in place.
    EXPECT_EQ(image.substr(0, kOptional + 8), original.substr(0, kOptional + 8));
    EXPECT_EQ(image.substr(0x200, 0x200), original.substr(0x200, 0x200));
    EXPECT_EQ(Get32(image, kOptional + 64), 0u);
    const uint32_t resourceSize = Get32(image, kDirectories + 20);
    EXPECT_EQ(Get32(image, kSections + 40 + 8), resourceSize);
    const uint32_t rawSize = Get32(image, kSections + 40 + 16);
    EXPECT_EQ(rawSize % 0x200, 0u);
    EXPECT_GE(rawSize, resourceSize);
    // The manifest keeps its bytes.
    EXPECT_NE(image.find("<assembly/>\n"), std::string::npos);
    const uint32_t resourceEnd = 0x400 + rawSize;
    const uint32_t nextRva = (kResourceRva + resourceSize + 0xFFF) & ~0xFFFu;
    if (after == After::kRelocations) {
      // The relocations moved behind the resources, bytes unchanged.
      EXPECT_EQ(Get32(image, kSections + 80 + 12), nextRva);
      EXPECT_EQ(Get32(image, kSections + 80 + 20), resourceEnd);
      EXPECT_EQ(Get32(image, kDirectories + 40), nextRva);
      EXPECT_EQ(image.substr(resourceEnd), std::string(0x200, '\x5A'));
      EXPECT_EQ(Get32(image, kOptional + 56), nextRva + 0x1000);
    } else {
      EXPECT_EQ(image.size(), resourceEnd);
      EXPECT_EQ(Get32(image, kOptional + 56), nextRva);
    }
    // Branding twice gives the same image: nothing of the first is left.
    std::string again = image;
    ASSERT_TRUE(ApplyBranding(again, VendorBranding(), error)) << error;
    EXPECT_EQ(again, image);
  }
}

TEST(PeResources, RefusesImagesItCannotRewrite) {
  struct Case {
    const char* what;
    std::string image;
    const char* error;
  };
  const std::string good = TestImage(After::kRelocations);
  std::string signedImage = good;
  Put32(signedImage, kDirectories + 32, 0x800);
  Put32(signedImage, kDirectories + 36, 0x10);
  std::string noIcon = good;
  noIcon[0x400 + 0xBA] = 'X';  // the group is named XAINICON
  std::string badMagic = good;
  Put16(badMagic, kOptional, 0x107);
  std::string loop = good;
  Put32(loop, 0x400 + 0x80 + 4, 0x80000000u);  // a language "directory" back to the root
  std::string dataOutside = good;
  Put32(dataOutside, 0x400 + 0xD0, kResourceRva + 0x1F0);  // 0x30 bytes from 0x1F0
  std::string noResources = good;
  Put32(noResources, kDirectories + 16, 0);
  // The code's bytes run on into the resources' in the file: rebuilding
  // from the resources on would cut them short.
  std::string codeOverlaps = good;
  Put32(codeOverlaps, kSections + 16, 0x400);
  std::string overHeaders = good;
  Put32(overHeaders, kSections + 40 + 20, 0x100);
  const Case cases[] = {
      {"cut in the PE header", good.substr(0, kPe + 10), "no PE header"},
      {"cut in the optional header", good.substr(0, kOptional + 100), "optional header"},
      {"cut in the section table", good.substr(0, kSections + 50), "section table"},
      {"cut in the resources", good.substr(0, 0x500), "beyond the end of the file"},
      {"not a PE", std::string(4096, 'A'), "no MZ header"},
      {"unknown optional header", badMagic, "unknown optional header"},
      {"another section after the resources", TestImage(After::kOtherSection),
       "followed by another section"},
      {"data after the last section", good + "tail", "data follows its last section"},
      {"signed", signedImage, "it is signed"},
      {"no icon MAINICON", noIcon, "no icon MAINICON"},
      {"a tree deeper than three levels", loop, "resource directory"},
      {"resource data outside the section", dataOutside, "outside the resource section"},
      {"no resources", noResources, "no resources"},
      {"code overlapping the resources", codeOverlaps, "section 1 overlaps its resources"},
      {"resources overlapping the headers", overHeaders, "overlap its headers"},
  };
  for (const Case& c : cases) {
    std::string image = c.image;
    std::string error;
    EXPECT_FALSE(ApplyBranding(image, VendorBranding(), error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(image, c.image) << c.what;
  }
}

}  // namespace
}  // namespace orvane::stubpack
