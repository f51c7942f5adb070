// ECDSA P-256 against the deterministic signatures published in RFC 6979,
// known points of the curve, tampered signatures and keys, and OpenSSL: what
// we sign OpenSSL verifies, what OpenSSL signs we verify.
#include "P256.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "KeyFiles.h"
#include "OpensslTestSupport.h"
#include "Sha256.h"
#include "StubpackTestSupport.h"

namespace orvane::stubpack {
namespace {

using p256::Bytes32;
using p256::PublicKey;
using p256::Signature;

Bytes32 FromHex(const std::string& hex) {
  Bytes32 bytes{};
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  return bytes;
}

std::string ToHex(const uint8_t* bytes, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    hex += digits[bytes[i] >> 4];
    hex += digits[bytes[i] & 15];
  }
  return hex;
}

std::string ToHex(const Bytes32& bytes) {
  return ToHex(bytes.data(), bytes.size());
}

Bytes32 Part(const Signature& rs, size_t half) {
  Bytes32 part;
  std::copy(rs.begin() + 32 * half, rs.begin() + 32 * (half + 1), part.begin());
  return part;
}

Signature Join(const Bytes32& r, const Bytes32& s) {
  Signature rs;
  std::copy(r.begin(), r.end(), rs.begin());
  std::copy(s.begin(), s.end(), rs.begin() + 32);
  return rs;
}

// Big-endian a - b (a >= b), and a + b modulo 2^256.
Bytes32 Minus(const Bytes32& a, const Bytes32& b) {
  Bytes32 r;
  int borrow = 0;
  for (int i = 31; i >= 0; --i) {
    const int difference = a[i] - b[i] - borrow;
    r[i] = static_cast<uint8_t>(difference);
    borrow = difference < 0;
  }
  return r;
}

Bytes32 Plus(const Bytes32& a, const Bytes32& b) {
  Bytes32 r;
  int carry = 0;
  for (int i = 31; i >= 0; --i) {
    const int sum = a[i] + b[i] + carry;
    r[i] = static_cast<uint8_t>(sum);
    carry = sum >> 8;
  }
  return r;
}

Bytes32 Small(uint8_t value) {
  Bytes32 bytes{};
  bytes[31] = value;
  return bytes;
}

const Bytes32 kN = FromHex("FFFFFFFF00000000FFFFFFFFFFFFFFFFBCE6FAADA7179E84F3B9CAC2FC632551");
const Bytes32 kP = FromHex("FFFFFFFF00000001000000000000000000000000FFFFFFFFFFFFFFFFFFFFFFFF");
const Bytes32 kGx = FromHex("6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296");
const Bytes32 kGy = FromHex("4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5");

// The y of the curve's point with x = 0.
const Bytes32 kZeroXY = FromHex("66485C780E2F83D72433BD5D84A06BB6541C2AF31DAE871728BF856A174F93F4");

// The key of RFC 6979 A.2.5.
const Bytes32 kRfcKey = FromHex("C9AFA9D845BA75166B5C215767B1D6934E50C3DB36E89B127B8A622B120F6721");
const PublicKey kRfcPublic{
    FromHex("60FED4BA255A9D31C961EB74C6356D68C049B8923B61FA6CE669622E60F29FB6"),
    FromHex("7903FE1008B8BC99A41AE9E95628BC64F2F1B20C2D7E9F5177A3C294D4462299")};

Bytes32 Digest(const std::string& message) {
  Sha256 sha;
  sha.Update(message);
  return sha.Finish();
}

bool LowS(const Bytes32& s) {
  // s <= (n - 1) / 2  <=>  2 s < n, with 2 s compared without overflow.
  return s[0] < 0x80 && ToHex(Plus(s, s)) < ToHex(kN);
}

TEST(StubpackP256, SignsAsRfc6979WithTheLowS) {
  struct Case {
    const char* message;
    const char* r;
    const char* s;  // as published: the low or the high one
  };
  const Case cases[] = {
      {"sample", "EFD48B2AACB6A8FD1140DD9CD45E81D69D2C877B56AAF991C34D0EA84EAF3716",
       "F7CB1C942D657C41D436C7A1B6E29F65F3E900DBB9AFF4064DC4AB2F843ACDA8"},
      {"test", "F1ABB023518351CD71D881567B1EA663ED3EFCF6C5132B354F28D3B0B7D38367",
       "019F4113742A2B14BD25926B49C649155F267E60D3814B4C0CC84250E46F0083"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Bytes32 published = FromHex(c.s);
    const Bytes32 low = LowS(published) ? published : Minus(kN, published);
    Signature rs;
    ASSERT_TRUE(p256::Sign(kRfcKey, Digest(c.message), rs));
    EXPECT_EQ(ToHex(Part(rs, 0)), c.r);
    EXPECT_EQ(ToHex(Part(rs, 1)), ToHex(low));
    // Both forms verify.
    EXPECT_TRUE(p256::Verify(kRfcPublic, Digest(c.message), rs));
    EXPECT_TRUE(p256::Verify(kRfcPublic, Digest(c.message), Join(FromHex(c.r), published)));
  }
}

TEST(StubpackP256, DerivesKnownPublicKeys) {
  const Bytes32 nMinus1 = Minus(kN, Small(1));
  struct Case {
    const char* name;
    Bytes32 d;
    PublicKey q;
  };
  const Case cases[] = {
      {"1 gives G", Small(1), {kGx, kGy}},
      {"n - 1 gives -G", nMinus1, {kGx, Minus(kP, kGy)}},
      {"the key of RFC 6979", kRfcKey, kRfcPublic},
      {"2 gives 2G",
       Small(2),
       {FromHex("7CF27B188D034F7E8A52380304B51AC3C08969E277F21B35A60B48FC47669978"),
        FromHex("07775510DB8ED040293D9AC69F7430DBBA7DADE63CE982299E04B79D227873D1")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PublicKey q;
    ASSERT_TRUE(p256::PublicKeyOf(c.d, q));
    EXPECT_EQ(ToHex(q.x), ToHex(c.q.x));
    EXPECT_EQ(ToHex(q.y), ToHex(c.q.y));
    EXPECT_TRUE(p256::OnCurve(q));
  }
}

TEST(StubpackP256, TakesOnlyPrivateKeysFromOneToNMinusOne) {
  Bytes32 all;
  all.fill(0xff);
  struct Case {
    const char* name;
    Bytes32 d;
    bool valid;
  };
  const Case cases[] = {
      {"zero", Small(0), false},
      {"one", Small(1), true},
      {"n - 1", Minus(kN, Small(1)), true},
      {"n", kN, false},
      {"n + 1", Plus(kN, Small(1)), false},
      {"2^256 - 1", all, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(p256::ValidPrivateKey(c.d), c.valid);
    PublicKey q;
    EXPECT_EQ(p256::PublicKeyOf(c.d, q), c.valid);
    Signature rs;
    EXPECT_EQ(p256::Sign(c.d, Digest("x"), rs), c.valid);
  }
}

TEST(StubpackP256, TellsPointsOnTheCurve) {
  Bytes32 yPlusOne = kGy;
  yPlusOne[31] ^= 1;
  struct Case {
    const char* name;
    PublicKey q;
    bool on;
  };
  const Case cases[] = {
      {"G", {kGx, kGy}, true},
      {"-G", {kGx, Minus(kP, kGy)}, true},
      {"G with another y", {kGx, yPlusOne}, false},
      {"(0, 0), where infinity would be", {Small(0), Small(0)}, false},
      {"the point with x = 0", {Small(0), kZeroXY}, true},
      // p is 0 modulo p, but no coordinate.
      {"the point with x = 0 written as x = p", {kP, kZeroXY}, false},
      {"x = p with G's y", {kP, kGy}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(p256::OnCurve(c.q), c.on);
  }
}

TEST(StubpackP256, RefusesEveryTamperedSignature) {
  const Bytes32 hash = Digest("update information");
  Signature good;
  ASSERT_TRUE(p256::Sign(kRfcKey, hash, good));
  ASSERT_TRUE(p256::Verify(kRfcPublic, hash, good));
  const Bytes32 r = Part(good, 0), s = Part(good, 1);

  Bytes32 otherHash = hash;
  otherHash[5] ^= 0x10;
  PublicKey otherKey;
  ASSERT_TRUE(p256::PublicKeyOf(Small(7), otherKey));
  Bytes32 yPlusOne = kRfcPublic.y;
  yPlusOne[31] ^= 1;

  struct Case {
    const char* name;
    PublicKey q;
    Bytes32 hash;
    Signature rs;
  };
  const Case cases[] = {
      {"another hash", kRfcPublic, otherHash, good},
      {"r + 1", kRfcPublic, hash, Join(Plus(r, Small(1)), s)},
      {"s + 1", kRfcPublic, hash, Join(r, Plus(s, Small(1)))},
      {"r = 0", kRfcPublic, hash, Join(Small(0), s)},
      {"s = 0", kRfcPublic, hash, Join(r, Small(0))},
      // r + n and s + n are the same residues: a verifier that reduced them
      // would accept.
      {"r + n", kRfcPublic, hash, Join(Plus(r, kN), s)},
      {"s + n", kRfcPublic, hash, Join(r, Plus(s, kN))},
      {"r = n", kRfcPublic, hash, Join(kN, s)},
      {"s = n", kRfcPublic, hash, Join(r, kN)},
      {"r and s swapped", kRfcPublic, hash, Join(s, r)},
      {"another key", otherKey, hash, good},
      {"the key negated", {kRfcPublic.x, Minus(kP, kRfcPublic.y)}, hash, good},
      {"a key off the curve", {kRfcPublic.x, yPlusOne}, hash, good},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(p256::Verify(c.q, c.hash, c.rs));
  }
}

TEST(StubpackP256, TakesNumbersOnlyInTheirRangeNotJustTheirResidues) {
  // Signatures made for the purpose (the values come from a separate
  // computation): with hash = r = s the verifier computes G + q, so any
  // point q has one, the point with x = 0 too, whose x has a second,
  // out-of-range spelling p. And key d with hash 1 signs as (r, 1) for the
  // nonce k = 1 + r d, so s + n fits in 32 bytes.
  const Bytes32 zeroXSigned =
      FromHex("00486EFAB89170D45F6160CBC7D034A9309D479AE02982A3A0C135A210379E6F");
  const Bytes32 d = FromHex("0ABD22C54561BCC0D185C80D31F4793EE13D7D0EA0658C286091FE85D22E52BB");
  const Bytes32 r = FromHex("471C3E758C4904285BBA7E53118ED0F524ADEB0757D25BD2F8E7B0D76DFA714C");
  PublicKey q;
  ASSERT_TRUE(p256::PublicKeyOf(d, q));

  struct Case {
    const char* name;
    PublicKey q;
    Bytes32 hash;
    Signature rs;
    bool valid;
  };
  const Case cases[] = {
      {"the point with x = 0",
       {Small(0), kZeroXY},
       zeroXSigned,
       Join(zeroXSigned, zeroXSigned),
       true},
      {"its x written as p", {kP, kZeroXY}, zeroXSigned, Join(zeroXSigned, zeroXSigned), false},
      {"s = 1", q, Small(1), Join(r, Small(1)), true},
      {"s = 1 + n", q, Small(1), Join(r, Plus(Small(1), kN)), false},
      // The hash is a number modulo n, whatever its 32 bytes.
      {"hash 1 + n", q, Plus(Small(1), kN), Join(r, Small(1)), true},
      {"hash 2", q, Small(2), Join(r, Small(1)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(p256::Verify(c.q, c.hash, c.rs), c.valid);
  }
}

TEST(StubpackP256, SignsEveryKeyAndHashVerifiablyWithTheLowS) {
  // Keys and hashes from a counter through SHA-256: spread over the whole
  // range, the same in every run.
  for (int i = 0; i < 24; ++i) {
    SCOPED_TRACE(i);
    const Bytes32 d = Digest("key " + std::to_string(i));
    const Bytes32 hash = Digest("message " + std::to_string(i));
    PublicKey q;
    ASSERT_TRUE(p256::PublicKeyOf(d, q));
    Signature first, second;
    ASSERT_TRUE(p256::Sign(d, hash, first));
    ASSERT_TRUE(p256::Sign(d, hash, second));
    EXPECT_EQ(first, second);
    EXPECT_TRUE(LowS(Part(first, 1)));
    EXPECT_TRUE(p256::Verify(q, hash, first));
    // The other valid s verifies too.
    EXPECT_TRUE(p256::Verify(q, hash, Join(Part(first, 0), Minus(kN, Part(first, 1)))));
  }
}

// --- OpenSSL ------------------------------------------------------------------

TEST(StubpackP256, OpensslVerifiesOurSignaturesAndWeVerifyItsOwn) {
  if (!test::HaveOpenssl())
    GTEST_SKIP() << "openssl is not installed";
  test::TempDir dir;
  const std::string key = dir / "key.pem", pub = dir / "pub.pem", sig = dir / "sig.der",
                    message = dir / "message.txt";
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const Bytes32 d = Digest("cross key " + std::to_string(i));
    PublicKey q;
    ASSERT_TRUE(p256::PublicKeyOf(d, q));
    test::WriteBytes(key, PrivateKeyPem(d, q));
    test::WriteBytes(pub, PublicKeyPem(q));
    const std::string text = "[General]\nVersion=" + std::to_string(i) + "\n";
    test::WriteBytes(message, text);

    Signature ours;
    ASSERT_TRUE(p256::Sign(d, Digest(text), ours));
    test::WriteBytes(sig, SignatureToDer(ours));
    EXPECT_TRUE(
        test::Openssl("dgst -sha256 -verify " + pub + " -signature " + sig + " " + message));
    // A changed message fails there too, so the check above means something.
    test::WriteBytes(message, text + " ");
    EXPECT_FALSE(
        test::Openssl("dgst -sha256 -verify " + pub + " -signature " + sig + " " + message));
    test::WriteBytes(message, text);

    // OpenSSL's random nonces give high and low s alike.
    ASSERT_TRUE(test::Openssl("dgst -sha256 -sign " + key + " -out " + sig + " " + message));
    Signature theirs;
    ASSERT_TRUE(SignatureFromDer(test::ReadBytes(sig), theirs));
    EXPECT_TRUE(p256::Verify(q, Digest(text), theirs));
    EXPECT_FALSE(p256::Verify(q, Digest(text + " "), theirs));
  }
}

}  // namespace
}  // namespace orvane::stubpack
