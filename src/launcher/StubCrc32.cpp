// CRC-32 for zlib inside the launcher.
//
// zlib's inflate refers to crc32 for gzip streams only; the launcher reads
// zlib streams, which carry an Adler-32 check. zlib's own crc32 comes with
// 8 KB of tables, a fifth of the room left in the 400 KB launcher, so the
// launcher brings this small bitwise implementation of the same function
// (polynomial 0xEDB88320, as zlib defines it) and the linker takes it instead.
#include <zlib.h>

#include <cstdint>

uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
  if (buf == Z_NULL)
    return 0;
  uint32_t value = ~static_cast<uint32_t>(crc);
  while (len-- > 0) {
    value ^= *buf++;
    for (int bit = 0; bit < 8; ++bit)
      value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
  }
  return ~value;
}
