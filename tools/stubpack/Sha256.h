// Sha256: the SHA-256 message digest (FIPS 180-4), computed as a stream.
//
// The builder hashes the setup file of an internet setup, which can be
// hundreds of megabytes, while it reads it: bytes go in through Update in
// pieces of any size, and Finish gives the digest of all of them. The
// download block stores the digest as 64 lowercase hexadecimal digits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/PackFormat.h"

namespace orvane::stubpack {

class Sha256 {
 public:
  static constexpr size_t kDigestSize = 32;
  using Digest = std::array<uint8_t, kDigestSize>;

  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of every byte given so far; the object then starts over.
  Digest Finish();

 private:
  static constexpr size_t kBlockSize = 64;
  void Compress(const uint8_t* block);

  // The initial hash value: the first 32 bits of the fractional parts of
  // the square roots of the first eight primes.
  std::array<uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<uint8_t, kBlockSize> pending_{};
  size_t pendingSize_ = 0;
  uint64_t totalBytes_ = 0;
};

// 64 lowercase hexadecimal digits.
std::string Sha256Text(const Sha256::Digest& digest);
// The SHA-256 of `bytes` as 64 lowercase hexadecimal digits.
std::string Sha256Text(std::string_view bytes);

// The SHA-256 of every byte of `source`, read in pieces so that memory stays
// small however large it is; false with the offset of the failed read.
bool Sha256OfSource(const pack::ByteSource& source, std::string& sha256, uint64_t& failedAt);

}  // namespace orvane::stubpack
