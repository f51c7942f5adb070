// Sha256: FIPS 180-4 SHA-256, section 6.2, with the padding of section 5.1.1.
#include "Sha256.h"

#include <algorithm>
#include <cstring>

namespace orvane::stubpack {
namespace {

// The first 32 bits of the fractional parts of the cube roots of the first
// 64 primes.
constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t RotateRight(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

}  // namespace

void Sha256::Compress(const uint8_t* block) {
  uint32_t w[64];
  for (int t = 0; t < 16; ++t)
    w[t] = uint32_t{block[4 * t]} << 24 | uint32_t{block[4 * t + 1]} << 16 |
           uint32_t{block[4 * t + 2]} << 8 | uint32_t{block[4 * t + 3]};
  for (int t = 16; t < 64; ++t) {
    const uint32_t s0 = RotateRight(w[t - 15], 7) ^ RotateRight(w[t - 15], 18) ^ (w[t - 15] >> 3);
    const uint32_t s1 = RotateRight(w[t - 2], 17) ^ RotateRight(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = s1 + w[t - 7] + s0 + w[t - 16];
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int t = 0; t < 64; ++t) {
    const uint32_t sum1 = RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25);
    const uint32_t choose = (e & f) ^ (~e & g);
    const uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
    const uint32_t sum0 = RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22);
    const uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const uint32_t t2 = sum0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  state_[5] += f;
  state_[6] += g;
  state_[7] += h;
}

void Sha256::Update(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  totalBytes_ += size;
  // Complete a block begun by an earlier call, then hash whole blocks
  // straight from the caller's bytes and keep the rest for later.
  if (pendingSize_ != 0) {
    const size_t taken = std::min(size, kBlockSize - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, bytes, taken);
    pendingSize_ += taken;
    bytes += taken;
    size -= taken;
    if (pendingSize_ < kBlockSize)
      return;
    Compress(pending_.data());
    pendingSize_ = 0;
  }
  for (; size >= kBlockSize; bytes += kBlockSize, size -= kBlockSize)
    Compress(bytes);
  if (size != 0)
    std::memcpy(pending_.data(), bytes, size);
  pendingSize_ = size;
}

Sha256::Digest Sha256::Finish() {
  // A 1 bit, zeros up to 56 bytes into the last block, then the message
  // length in bits as a 64-bit big-endian number.
  const uint64_t bitLength = totalBytes_ * 8;
  pending_[pendingSize_++] = 0x80;
  if (pendingSize_ > kBlockSize - 8) {
    std::memset(pending_.data() + pendingSize_, 0, kBlockSize - pendingSize_);
    Compress(pending_.data());
    pendingSize_ = 0;
  }
  std::memset(pending_.data() + pendingSize_, 0, kBlockSize - 8 - pendingSize_);
  for (int i = 0; i < 8; ++i)
    pending_[kBlockSize - 1 - i] = static_cast<uint8_t>(bitLength >> (8 * i));
  Compress(pending_.data());
  Digest digest;
  for (size_t i = 0; i < state_.size(); ++i) {
    for (int j = 0; j < 4; ++j)
      digest[4 * i + j] = static_cast<uint8_t>(state_[i] >> (24 - 8 * j));
  }
  *this = Sha256();
  return digest;
}

std::string Sha256Text(const Sha256::Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * digest.size());
  for (uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::string Sha256Text(std::string_view bytes) {
  Sha256 sha;
  sha.Update(bytes);
  return Sha256Text(sha.Finish());
}

bool Sha256OfSource(const pack::ByteSource& source, std::string& sha256, uint64_t& failedAt) {
  constexpr size_t kPieceSize = size_t{1} << 20;
  std::string piece(static_cast<size_t>(std::min<uint64_t>(kPieceSize, source.Size())), '\0');
  Sha256 sha;
  for (uint64_t offset = 0; offset < source.Size(); offset += piece.size()) {
    piece.resize(static_cast<size_t>(std::min<uint64_t>(piece.size(), source.Size() - offset)));
    if (!source.ReadAt(offset, &piece[0], piece.size())) {
      failedAt = offset;
      return false;
    }
    sha.Update(piece);
  }
  sha256 = Sha256Text(sha.Finish());
  return true;
}

}  // namespace orvane::stubpack
