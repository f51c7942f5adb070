// Crc32: the CRC-32 of zlib, gzip and PNG (reflected polynomial 0xEDB88320),
// so that a value the builder computes with zlib's crc32 is checked here.
//
// The launcher's inflate-only zlib has no crc32 and its tables would cost
// image bytes; this one builds its tables (4 KB) on the heap on first use,
// and reads four bytes per step so that checking an entry costs little next
// to writing it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

// The CRC-32 of the bytes given so far, continued over `size` more bytes;
// the CRC-32 of no bytes is 0, as with zlib's crc32.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

}  // namespace orvane
