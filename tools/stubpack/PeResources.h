// PeResources: reads and rewrites the resources of a launcher image (32- or
// 64-bit PE), so that an installer carries the vendor's icon and version
// resource instead of ours. Portable byte code: the Linux and the Windows
// builder write the same bytes.
//
// The rewrite rebuilds the resource section from its directory tree with
// the icon group MAINICON (and its icons) and the version resource
// replaced; every other resource (the manifest) keeps its bytes. The
// resource section must be the last section, or be followed only by the
// base-relocation section, which then moves behind the grown resources
// (nothing refers to it but its data directory). The PE checksum is set to
// 0; every byte outside the PE headers, the resource section and the moved
// relocations stays as it was, the package-end pointer slot included.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::stubpack {

// One image of an .ico file.
struct IconImage {
  uint8_t width = 0;  // 0: 256
  uint8_t height = 0;
  uint8_t colorCount = 0;
  uint16_t planes = 0;
  uint16_t bitCount = 0;
  std::string bytes;  // the PNG or DIB data
};

// Reads an .ico file: at least one image, each inside the file and each a
// PNG or a bitmap. False with `error` otherwise.
bool ParseIcoFile(std::string_view bytes, std::vector<IconImage>& images, std::string& error);

// "1", "1.2", "1.2.3" or "1.2.3.4" with numbers 0..65535; missing parts are 0.
bool ParseVersionNumbers(std::string_view text, std::array<uint16_t, 4>& numbers);

// What a branded launcher says about itself. Strings are UTF-8; an empty
// one is left out of the version resource.
struct Branding {
  std::vector<IconImage> icons;  // empty: the icon stays
  bool version = false;          // false: the version resource stays
  std::array<uint16_t, 4> versionNumbers{};
  std::string versionText;  // FileVersion and ProductVersion
  std::string productName, companyName, fileDescription, copyright;
  std::string originalFilename, internalName;
};

// Rewrites `image` (a launcher without a package) with `branding`. False
// with `error` (and `image` unchanged) when the image is not a PE the
// builder can rewrite.
bool ApplyBranding(std::string& image, const Branding& branding, std::string& error);

// The resources an installer shows: its version strings (in their order)
// and the sizes of its icon group MAINICON (or the first icon group).
struct ResourceSummary {
  bool hasVersion = false;
  std::array<uint16_t, 4> fileVersion{};
  std::vector<std::pair<std::u16string, std::u16string>> strings;
  std::vector<std::string> iconSizes;  // "16x16", "256x256"
};

// Reads the resources of the PE image at the start of `image` (bytes after
// the image are ignored). False with `error` when there is no readable
// resource tree.
bool ReadResourceSummary(std::string_view image, ResourceSummary& summary, std::string& error);

// UTF-16 to UTF-8 (a lone surrogate becomes U+FFFD).
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace orvane::stubpack
