// pefix: post-link step of the launcher.
//
// Moves the PE header (signature, file header, optional header and section
// table) of a freshly linked executable to file offset 256 and clears bytes
// 248..255, the slot in which a package builder stores the package-end
// pointer. The sections are untouched: only the header area before the first
// section changes, so nothing else has to be relocated.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTargetOffset = 256;
constexpr uint32_t kPointerSlot = 248;

uint16_t Read16(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8);
}
uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
void Write32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + i] = uint8_t(v >> (8 * i));
}

int Fail(const char* path, const char* why) {
  std::fprintf(stderr, "pefix: %s: %s\n", path, why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pefix FILE.exe\n");
    return 2;
  }
  const char* path = argv[1];
  std::vector<uint8_t> image;
  {
    FILE* f = std::fopen(path, "rb");
    if (!f)
      return Fail(path, "cannot open");
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
      image.insert(image.end(), chunk, chunk + n);
    std::fclose(f);
  }
  if (image.size() < 1024 || image[0] != 'M' || image[1] != 'Z')
    return Fail(path, "not an MZ file");
  const uint32_t peOffset = Read32(image, 0x3C);
  if (peOffset + 24 > image.size() || std::memcmp(&image[peOffset], "PE\0\0", 4) != 0)
    return Fail(path, "no PE signature");
  const uint16_t sectionCount = Read16(image, peOffset + 6);
  const uint16_t optionalSize = Read16(image, peOffset + 20);
  const uint32_t headerLength = 24 + optionalSize + 40u * sectionCount;
  // SizeOfHeaders sits at offset 60 of both optional-header formats.
  const uint32_t sizeOfHeaders = Read32(image, peOffset + 24 + 60);
  uint32_t firstSectionData = sizeOfHeaders;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const size_t sh = peOffset + 24 + optionalSize + 40u * i;
    const uint32_t raw = Read32(image, sh + 20);
    const uint32_t rawSize = Read32(image, sh + 16);
    if (rawSize != 0 && raw < firstSectionData)
      firstSectionData = raw;
  }
  if (kTargetOffset + headerLength > firstSectionData)
    return Fail(path, "the PE header does not fit below the first section at offset 256");
  if (peOffset < 64)
    return Fail(path, "the PE header overlaps the DOS header");

  std::vector<uint8_t> header(image.begin() + peOffset, image.begin() + peOffset + headerLength);
  // Clear everything from the end of the DOS stub program up to the first
  // section, then put the header back at 256.
  const uint32_t clearFrom = peOffset < kTargetOffset ? peOffset : kTargetOffset;
  std::memset(&image[clearFrom], 0, firstSectionData - clearFrom);
  std::memcpy(&image[kTargetOffset], header.data(), header.size());
  Write32(image, 0x3C, kTargetOffset);
  std::memset(&image[kPointerSlot], 0, 8);

  FILE* f = std::fopen(path, "wb");
  if (!f)
    return Fail(path, "cannot write");
  const bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
  if (std::fclose(f) != 0 || !ok)
    return Fail(path, "write failed");
  std::printf("pefix: %s: PE header at 256, %zu bytes (%.1f KB)\n", path, image.size(),
              image.size() / 1024.0);
  return 0;
}
