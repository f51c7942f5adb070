// Crc32: slicing by four: table k gives the CRC of a byte followed by k zero
// bytes, so four table look-ups advance the CRC by four bytes at once.
#include "util/Crc32.h"

namespace orvane {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;
constexpr int kSlices = 4;

// Made on first use on the heap: a static array would be stored in the
// image, whose uninitialised data shares the initialised data's section.
// The tables live as long as the process.
uint32_t (*tables)[256] = nullptr;

void MakeTables() {
  tables = new uint32_t[kSlices][256];
  for (uint32_t byte = 0; byte < 256; ++byte) {
    uint32_t crc = byte;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (kPolynomial & (0u - (crc & 1u)));
    tables[0][byte] = crc;
  }
  for (uint32_t byte = 0; byte < 256; ++byte) {
    for (int slice = 1; slice < kSlices; ++slice) {
      const uint32_t previous = tables[slice - 1][byte];
      tables[slice][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size) {
  if (tables == nullptr)
    MakeTables();
  const auto* bytes = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (; size >= kSlices; size -= kSlices, bytes += kSlices) {
    const uint32_t word = crc ^ (uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 |
                                 uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24);
    crc = tables[3][word & 0xFF] ^ tables[2][(word >> 8) & 0xFF] ^ tables[1][(word >> 16) & 0xFF] ^
          tables[0][word >> 24];
  }
  for (; size > 0; --size, ++bytes)
    crc = (crc >> 8) ^ tables[0][(crc ^ *bytes) & 0xFF];
  return ~crc;
}

}  // namespace orvane
