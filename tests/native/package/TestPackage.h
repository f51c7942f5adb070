// TestPackage: a small package writer for the reader's tests. It lays out a
// package exactly as described in PackFormat.h, with knobs for the odd
// layouts a reader has to cope with (short or long stored trailers, padding
// and a certificate after the package end, no launcher image in front).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/PackFormat.h"

namespace orvane::testpack {

inline void Append32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void Put32(std::string& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A stand-in launcher image: "MZ" at 0, "PE\0\0" at 256, filler up to
// `size` bytes, the package-end pointer slot zero.
inline std::string LauncherImage(size_t size = 1024) {
  std::string image(size, '\x90');
  image[0] = 'M';
  image[1] = 'Z';
  for (size_t i = pack::kEndPointerHighOffset; i < pack::kPeHeaderOffset; ++i)
    image[i] = '\0';
  image.replace(pack::kPeHeaderOffset, 4, std::string("PE\0\0", 4));
  return image;
}

struct StoredEntry {
  std::string header;  // "|name|date|"
  std::string data;
};

struct PackageLayout {
  std::string front = LauncherImage();  // launcher image, or anything before the package
  std::vector<std::string> headerBlocks;
  std::vector<StoredEntry> entries;  // written stored (L <= 0)
  pack::Trailer trailer;             // packageStart and magic are filled in
  bool setMagic = true;
  uint32_t storedTrailerLength = pack::kTrailerSize;  // what the last 4 bytes say
  bool writePointer = false;  // the package-end pointer in the launcher image
  size_t padding = 0;         // zero bytes after the package end
  std::string certificate;    // bytes after the padding
};

struct BuiltPackage {
  std::string bytes;
  uint64_t packageEnd = 0;
  uint32_t firstEntryOffset = 0;
};

inline BuiltPackage BuildPackage(const PackageLayout& layout) {
  BuiltPackage built;
  std::string out = layout.front;
  pack::Trailer trailer = layout.trailer;
  trailer.packageStart = static_cast<uint32_t>(out.size());
  if (layout.setMagic)
    trailer.magic = pack::kTrailerMagic;
  for (const std::string& block : layout.headerBlocks) {
    Append32(out, static_cast<uint32_t>(block.size()));
    out += block;
  }
  built.firstEntryOffset = static_cast<uint32_t>(out.size());
  for (const StoredEntry& entry : layout.entries) {
    const std::string payload = entry.header + std::string(1, '\0') + entry.data;
    Append32(out, static_cast<uint32_t>(-static_cast<int32_t>(payload.size())));
    out += payload;
  }
  // The stored trailer: its first (length - 4) bytes, zero beyond the record,
  // then the length word.
  trailer.trailerLength = layout.storedTrailerLength;
  const auto record = pack::EncodeTrailer(trailer);
  const uint32_t length = layout.storedTrailerLength;
  for (uint32_t i = 0; length >= 4 && i < length - 4; ++i)
    out += i < pack::kTrailerSize - 4 ? static_cast<char>(record[i]) : '\0';
  Append32(out, length);
  built.packageEnd = out.size();
  if (layout.writePointer) {
    pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&out[0]), out.size(), built.packageEnd);
  }
  out.append(layout.padding, '\0');
  out += layout.certificate;
  built.bytes = std::move(out);
  return built;
}

// Typical header blocks.
inline std::string LanguageBlock(const std::string& name = "English") {
  return "\x02\x01" + name + "\x01" + "Charset=0\x01" + "FontSize=8\x01" + "FontName=Tahoma\x01" +
         "Error=Error\x01\x02";
}

}  // namespace orvane::testpack
