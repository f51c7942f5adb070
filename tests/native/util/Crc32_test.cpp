// The launcher's CRC-32 against zlib's, which the builder uses: the check
// value, every length around the eight-byte steps, any split of the input.
#include "util/Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>

namespace orvane {
namespace {

uint32_t ZlibCrc(const std::string& bytes) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Bytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<char>(seed >> 24);
  }
  return bytes;
}

TEST(Crc32, IsZlibsCrc) {
  EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(0, "", 0), 0u);
  for (size_t size = 0; size <= 40; ++size) {
    const std::string bytes = Bytes(size, static_cast<uint32_t>(size));
    EXPECT_EQ(Crc32Update(0, bytes.data(), bytes.size()), ZlibCrc(bytes)) << size;
  }
  const std::string large = Bytes(1 << 20, 7);
  EXPECT_EQ(Crc32Update(0, large.data(), large.size()), ZlibCrc(large));
}

TEST(Crc32, ContinuesAcrossPieces) {
  const std::string bytes = Bytes(1000, 3);
  for (size_t split : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{999}}) {
    const uint32_t first = Crc32Update(0, bytes.data(), split);
    EXPECT_EQ(Crc32Update(first, bytes.data() + split, bytes.size() - split), ZlibCrc(bytes))
        << split;
  }
}

}  // namespace
}  // namespace orvane
