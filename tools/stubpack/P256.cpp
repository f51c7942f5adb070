// P256: field and scalar arithmetic in Montgomery form with 32-bit limbs,
// points in homogeneous projective coordinates with the complete addition
// formula for a = -3 curves (Renes, Costello, Batina 2016). The formula has
// no special cases (doubling, the point at infinity, P + (-P)), so the
// scalar multiplication is a fixed sequence of additions and selections
// whatever the bits of the scalar.
#include "P256.h"

#include <cstring>
#include <string_view>

#include "Sha256.h"

namespace orvane::stubpack::p256 {
namespace {

constexpr int kLimbs = 8;
// Little-endian limbs: v[0] holds the lowest 32 bits.
using Limbs = std::array<uint32_t, kLimbs>;

Limbs FromBytes(const uint8_t* bytes) {
  Limbs v{};
  for (int i = 0; i < kLimbs; ++i) {
    const uint8_t* word = bytes + 28 - 4 * i;
    v[i] = (uint32_t{word[0]} << 24) | (uint32_t{word[1]} << 16) | (uint32_t{word[2]} << 8) |
           uint32_t{word[3]};
  }
  return v;
}

Limbs FromBytes(const Bytes32& bytes) {
  return FromBytes(bytes.data());
}

void ToBytes(const Limbs& v, uint8_t* bytes) {
  for (int i = 0; i < kLimbs; ++i) {
    uint8_t* word = bytes + 28 - 4 * i;
    word[0] = static_cast<uint8_t>(v[i] >> 24);
    word[1] = static_cast<uint8_t>(v[i] >> 16);
    word[2] = static_cast<uint8_t>(v[i] >> 8);
    word[3] = static_cast<uint8_t>(v[i]);
  }
}

Bytes32 ToBytes(const Limbs& v) {
  Bytes32 bytes;
  ToBytes(v, bytes.data());
  return bytes;
}

// r = a + b; the carry out.
uint32_t AddRaw(Limbs& r, const Limbs& a, const Limbs& b) {
  uint64_t carry = 0;
  for (int i = 0; i < kLimbs; ++i) {
    carry += uint64_t{a[i]} + b[i];
    r[i] = static_cast<uint32_t>(carry);
    carry >>= 32;
  }
  return static_cast<uint32_t>(carry);
}

// r = a - b; the borrow out (1 when a < b).
uint32_t SubRaw(Limbs& r, const Limbs& a, const Limbs& b) {
  uint64_t borrow = 0;
  for (int i = 0; i < kLimbs; ++i) {
    const uint64_t difference = uint64_t{a[i]} - b[i] - borrow;
    r[i] = static_cast<uint32_t>(difference);
    borrow = (difference >> 32) & 1;
  }
  return static_cast<uint32_t>(borrow);
}

// mask is all ones (take a) or zero (take b).
Limbs Select(uint32_t mask, const Limbs& a, const Limbs& b) {
  Limbs r;
  for (int i = 0; i < kLimbs; ++i)
    r[i] = (a[i] & mask) | (b[i] & ~mask);
  return r;
}

// Comparisons for public values only (they return early).
bool IsZero(const Limbs& a) {
  uint32_t any = 0;
  for (uint32_t limb : a)
    any |= limb;
  return any == 0;
}

bool Less(const Limbs& a, const Limbs& b) {
  for (int i = kLimbs - 1; i >= 0; --i) {
    if (a[i] != b[i])
      return a[i] < b[i];
  }
  return false;
}

// Arithmetic modulo an odd m with 2^255 < m < 2^256, values in Montgomery
// form x R mod m with R = 2^256. Both P-256 moduli (p and n) qualify.
struct Modulus {
  Limbs m;
  uint32_t mPrime;  // -m^-1 mod 2^32
  Limbs one;        // R mod m
  Limbs rSquared;   // R^2 mod m

  explicit Modulus(const Limbs& modulus) : m(modulus) {
    uint32_t inverse = 1;  // Newton's iteration doubles the correct low bits
    for (int i = 0; i < 5; ++i)
      inverse *= 2 - m[0] * inverse;
    mPrime = 0 - inverse;
    // R - m < m because m > 2^255.
    SubRaw(one, Limbs{}, m);
    rSquared = one;
    for (int i = 0; i < 256; ++i)
      rSquared = Add(rSquared, rSquared);
  }

  // Operands below m; results below m.
  Limbs Add(const Limbs& a, const Limbs& b) const {
    Limbs sum, reduced;
    const uint32_t carry = AddRaw(sum, a, b);
    const uint32_t borrow = SubRaw(reduced, sum, m);
    // a + b >= m when the sum overflowed or subtracting m did not borrow.
    return Select(0 - (carry | (borrow ^ 1)), reduced, sum);
  }

  Limbs Sub(const Limbs& a, const Limbs& b) const {
    Limbs difference, corrected;
    const uint32_t borrow = SubRaw(difference, a, b);
    AddRaw(corrected, difference, m);
    return Select(0 - borrow, corrected, difference);
  }

  // a b R^-1 mod m (coarsely integrated operand scanning).
  Limbs Mul(const Limbs& a, const Limbs& b) const {
    uint32_t t[kLimbs + 2] = {};
    for (int i = 0; i < kLimbs; ++i) {
      uint64_t carry = 0;
      for (int j = 0; j < kLimbs; ++j) {
        carry += uint64_t{t[j]} + uint64_t{a[j]} * b[i];
        t[j] = static_cast<uint32_t>(carry);
        carry >>= 32;
      }
      carry += t[kLimbs];
      t[kLimbs] = static_cast<uint32_t>(carry);
      t[kLimbs + 1] = static_cast<uint32_t>(carry >> 32);

      const uint32_t factor = t[0] * mPrime;
      carry = (uint64_t{t[0]} + uint64_t{factor} * m[0]) >> 32;
      for (int j = 1; j < kLimbs; ++j) {
        carry += uint64_t{t[j]} + uint64_t{factor} * m[j];
        t[j - 1] = static_cast<uint32_t>(carry);
        carry >>= 32;
      }
      carry += t[kLimbs];
      t[kLimbs - 1] = static_cast<uint32_t>(carry);
      t[kLimbs] = t[kLimbs + 1] + static_cast<uint32_t>(carry >> 32);
    }
    // t < 2m: subtract m once when t >= m.
    Limbs low, reduced;
    std::memcpy(low.data(), t, sizeof low);
    const uint32_t borrow = SubRaw(reduced, low, m);
    return Select(0 - (t[kLimbs] | (borrow ^ 1)), reduced, low);
  }

  Limbs ToMontgomery(const Limbs& a) const { return Mul(a, rSquared); }
  Limbs FromMontgomery(const Limbs& a) const {
    Limbs plainOne{};
    plainOne[0] = 1;
    return Mul(a, plainOne);
  }

  // a^(m-2) = a^-1 for prime m (0 for a = 0). The exponent is public, so
  // the sequence of operations is the same for every a.
  Limbs Invert(const Limbs& a) const {
    Limbs exponent, two{};
    two[0] = 2;
    SubRaw(exponent, m, two);
    Limbs result = one;
    for (int bit = 255; bit >= 0; --bit) {
      result = Mul(result, result);
      if ((exponent[bit / 32] >> (bit % 32)) & 1)
        result = Mul(result, a);
    }
    return result;
  }

  // a mod m for any a < 2^256 (a < 2m since m > 2^255).
  Limbs Reduce(const Limbs& a) const {
    Limbs reduced;
    const uint32_t borrow = SubRaw(reduced, a, m);
    return Select(0 - borrow, a, reduced);
  }
};

Limbs Hex(std::string_view hex) {
  Bytes32 bytes{};
  for (size_t i = 0; i < 32; ++i) {
    auto digit = [](char c) { return static_cast<uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10); };
    bytes[i] = static_cast<uint8_t>(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
  }
  return FromBytes(bytes);
}

// Homogeneous projective coordinates: the affine point is (X/Z, Y/Z); Z = 0
// is the point at infinity. Coordinates in Montgomery form modulo p.
struct Point {
  Limbs x, y, z;
};

struct Curve {
  Modulus p{Hex("FFFFFFFF00000001000000000000000000000000FFFFFFFFFFFFFFFFFFFFFFFF")};
  Modulus n{Hex("FFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551")};
  Limbs b = p.ToMontgomery(Hex("5AC635D8AA3A93E7B3EBBD55769886BC651D06B0CC53B0F63BCE3C3E27D2604B"));
  Point g{p.ToMontgomery(Hex("6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296")),
          p.ToMontgomery(Hex("4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5")),
          p.one};
  Point infinity{Limbs{}, p.one, Limbs{}};
  // (n - 1) / 2: the largest low s.
  Limbs halfN = [this] {
    Limbs half;
    for (int i = 0; i < kLimbs; ++i)
      half[i] = (n.m[i] >> 1) | (i + 1 < kLimbs ? n.m[i + 1] << 31 : 0);
    return half;
  }();
};

const Curve& P256() {
  static const Curve curve;
  return curve;
}

// P + Q for any P and Q, including P = Q and either at infinity.
Point AddPoints(const Point& a, const Point& c) {
  const Modulus& f = P256().p;
  const Limbs& b = P256().b;
  Limbs t0 = f.Mul(a.x, c.x);
  Limbs t1 = f.Mul(a.y, c.y);
  Limbs t2 = f.Mul(a.z, c.z);
  Limbs t3 = f.Mul(f.Add(a.x, a.y), f.Add(c.x, c.y));
  t3 = f.Sub(t3, f.Add(t0, t1));
  Limbs t4 = f.Mul(f.Add(a.y, a.z), f.Add(c.y, c.z));
  t4 = f.Sub(t4, f.Add(t1, t2));
  Limbs y3 = f.Mul(f.Add(a.x, a.z), f.Add(c.x, c.z));
  y3 = f.Sub(y3, f.Add(t0, t2));
  Limbs z3 = f.Mul(b, t2);
  Limbs x3 = f.Sub(y3, z3);
  x3 = f.Add(x3, f.Add(x3, x3));
  z3 = f.Sub(t1, x3);
  x3 = f.Add(t1, x3);
  y3 = f.Mul(b, y3);
  t1 = f.Add(t2, t2);
  t2 = f.Add(t1, t2);
  y3 = f.Sub(f.Sub(y3, t2), t0);
  y3 = f.Add(y3, f.Add(y3, y3));
  t1 = f.Add(t0, t0);
  t0 = f.Sub(f.Add(t1, t0), t2);
  t1 = f.Mul(t4, y3);
  t2 = f.Mul(t0, y3);
  y3 = f.Add(f.Mul(x3, z3), t2);
  x3 = f.Sub(f.Mul(t3, x3), t1);
  z3 = f.Add(f.Mul(t4, z3), f.Mul(t3, t0));
  return Point{x3, y3, z3};
}

// k P by double-and-add-always: every bit costs one doubling, one addition
// and one selection, so neither the timing nor the memory accesses depend on
// the bits of k.
Point Multiply(const Limbs& k, const Point& point) {
  Point result = P256().infinity;
  for (int bit = 255; bit >= 0; --bit) {
    result = AddPoints(result, result);
    const Point sum = AddPoints(result, point);
    const uint32_t mask = 0 - ((k[bit / 32] >> (bit % 32)) & 1);
    result.x = Select(mask, sum.x, result.x);
    result.y = Select(mask, sum.y, result.y);
    result.z = Select(mask, sum.z, result.z);
  }
  return result;
}

// The affine coordinates, out of Montgomery form; false at infinity.
bool ToAffine(const Point& point, Limbs& x, Limbs& y) {
  const Modulus& f = P256().p;
  if (IsZero(point.z))
    return false;
  const Limbs zInverse = f.Invert(point.z);
  x = f.FromMontgomery(f.Mul(point.x, zInverse));
  y = f.FromMontgomery(f.Mul(point.y, zInverse));
  return true;
}

bool InScalarRange(const Limbs& v) {
  return !IsZero(v) && Less(v, P256().n.m);
}

// HMAC-SHA256 (RFC 2104) with a 32-byte key over the concatenation of
// `parts`.
Bytes32 HmacSha256(const Bytes32& key, std::initializer_list<std::string_view> parts) {
  uint8_t pad[64];
  for (size_t i = 0; i < sizeof pad; ++i)
    pad[i] = static_cast<uint8_t>((i < key.size() ? key[i] : 0) ^ 0x36);
  Sha256 inner;
  inner.Update(pad, sizeof pad);
  for (std::string_view part : parts)
    inner.Update(part);
  const Sha256::Digest innerDigest = inner.Finish();
  for (uint8_t& byte : pad)
    byte ^= 0x36 ^ 0x5c;
  Sha256 outer;
  outer.Update(pad, sizeof pad);
  outer.Update(innerDigest.data(), innerDigest.size());
  return outer.Finish();
}

std::string_view View(const Bytes32& bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The nonces of RFC 6979 section 3.2 for a 256-bit order and SHA-256: the
// digest length equals the order's, so each candidate is one HMAC block.
class NonceGenerator {
 public:
  NonceGenerator(const Bytes32& privateKey, const Limbs& hashModN) {
    v_.fill(0x01);
    k_.fill(0x00);
    const Bytes32 hashOctets = ToBytes(hashModN);
    const char zero = 0x00, one = 0x01;
    k_ = HmacSha256(k_, {View(v_), std::string_view(&zero, 1), View(privateKey), View(hashOctets)});
    v_ = HmacSha256(k_, {View(v_)});
    k_ = HmacSha256(k_, {View(v_), std::string_view(&one, 1), View(privateKey), View(hashOctets)});
    v_ = HmacSha256(k_, {View(v_)});
  }

  // The next candidate; the caller rejects those outside 1..n-1 or giving
  // r = 0 or s = 0 and asks again.
  Limbs Next() {
    if (started_) {
      const char zero = 0x00;
      k_ = HmacSha256(k_, {View(v_), std::string_view(&zero, 1)});
      v_ = HmacSha256(k_, {View(v_)});
    }
    started_ = true;
    v_ = HmacSha256(k_, {View(v_)});
    return FromBytes(v_);
  }

 private:
  Bytes32 v_, k_;
  bool started_ = false;
};

}  // namespace

bool ValidPrivateKey(const Bytes32& d) {
  return InScalarRange(FromBytes(d));
}

bool PublicKeyOf(const Bytes32& d, PublicKey& q) {
  if (!ValidPrivateKey(d))
    return false;
  Limbs x, y;
  if (!ToAffine(Multiply(FromBytes(d), P256().g), x, y))
    return false;
  q.x = ToBytes(x);
  q.y = ToBytes(y);
  return true;
}

bool OnCurve(const PublicKey& q) {
  const Modulus& f = P256().p;
  const Limbs xPlain = FromBytes(q.x), yPlain = FromBytes(q.y);
  if (!Less(xPlain, f.m) || !Less(yPlain, f.m))
    return false;
  const Limbs x = f.ToMontgomery(xPlain), y = f.ToMontgomery(yPlain);
  // y^2 = x^3 - 3x + b
  const Limbs threeX = f.Add(x, f.Add(x, x));
  const Limbs right = f.Add(f.Sub(f.Mul(f.Mul(x, x), x), threeX), P256().b);
  return f.Mul(y, y) == right;
}

bool Sign(const Bytes32& d, const Bytes32& hash, Signature& rs) {
  if (!ValidPrivateKey(d))
    return false;
  const Curve& curve = P256();
  const Modulus& n = curve.n;
  const Limbs e = n.Reduce(FromBytes(hash));
  const Limbs dMont = n.ToMontgomery(FromBytes(d));
  NonceGenerator nonces(d, e);
  for (;;) {
    const Limbs k = nonces.Next();
    if (!InScalarRange(k))
      continue;
    Limbs x, y;
    if (!ToAffine(Multiply(k, curve.g), x, y))
      continue;
    const Limbs r = n.Reduce(x);
    if (IsZero(r))
      continue;
    // s = k^-1 (e + r d) mod n
    const Limbs kInverse = n.Invert(n.ToMontgomery(k));
    const Limbs sum = n.Add(n.ToMontgomery(e), n.Mul(n.ToMontgomery(r), dMont));
    Limbs s = n.FromMontgomery(n.Mul(kInverse, sum));
    if (IsZero(s))
      continue;
    if (Less(curve.halfN, s))
      SubRaw(s, n.m, s);
    ToBytes(r, rs.data());
    ToBytes(s, rs.data() + 32);
    return true;
  }
}

bool Verify(const PublicKey& q, const Bytes32& hash, const Signature& rs) {
  const Curve& curve = P256();
  const Modulus& n = curve.n;
  const Limbs r = FromBytes(rs.data()), s = FromBytes(rs.data() + 32);
  if (!InScalarRange(r) || !InScalarRange(s) || !OnCurve(q))
    return false;
  const Limbs w = n.Invert(n.ToMontgomery(s));
  const Limbs u1 = n.FromMontgomery(n.Mul(n.ToMontgomery(n.Reduce(FromBytes(hash))), w));
  const Limbs u2 = n.FromMontgomery(n.Mul(n.ToMontgomery(r), w));
  const Point qPoint{curve.p.ToMontgomery(FromBytes(q.x)), curve.p.ToMontgomery(FromBytes(q.y)),
                     curve.p.one};
  Limbs x, y;
  if (!ToAffine(AddPoints(Multiply(u1, curve.g), Multiply(u2, qPoint)), x, y))
    return false;
  return n.Reduce(x) == r;
}

}  // namespace orvane::stubpack::p256
