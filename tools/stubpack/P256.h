// P256: ECDSA over the NIST P-256 curve with SHA-256 digests, for signing
// the update information with the vendor's key.
//
// The builder runs on Linux and as a Windows program without any crypto
// library, so it carries this small implementation. Signatures are the
// standard ones (r and s over the SHA-256 of the message), so the launcher
// verifies them with the system's ECDSA and OpenSSL does too. Signing needs
// no randomness: the nonce is derived from the key and the digest by the
// deterministic method of RFC 6979, and s is always the low one of the two
// valid values (s <= n/2).
//
// Numbers are 32-byte big-endian. The arithmetic uses 32-bit limbs, so the
// 32-bit builds compile it unchanged. The operations on the private key and
// the nonce (scalar multiplication, modular inverse) do not branch on their
// bits; verification works on public values only.
#pragma once

#include <array>
#include <cstdint>

namespace orvane::stubpack::p256 {

// A number below 2^256, big-endian.
using Bytes32 = std::array<uint8_t, 32>;
// A point of the curve in affine coordinates, each below the field prime p.
struct PublicKey {
  Bytes32 x{}, y{};
};
// r || s, each 32 bytes big-endian.
using Signature = std::array<uint8_t, 64>;

// 1 <= d < n, the group order.
bool ValidPrivateKey(const Bytes32& d);
// q = d G. False when d is not a valid private key.
bool PublicKeyOf(const Bytes32& d, PublicKey& q);
// Both coordinates below p and y^2 = x^3 - 3x + b (the point at infinity
// has no affine coordinates and is never on the curve here).
bool OnCurve(const PublicKey& q);
// Signs the SHA-256 digest `hash` with private key d. False only when d is
// not a valid private key.
bool Sign(const Bytes32& d, const Bytes32& hash, Signature& rs);
// True when rs is a valid signature of `hash` by q: 1 <= r, s < n, q on the
// curve, and the x coordinate of (hash/s) G + (r/s) q is r modulo n. Both
// the low and the high s are accepted, as every ECDSA verifier does.
bool Verify(const PublicKey& q, const Bytes32& hash, const Signature& rs);

}  // namespace orvane::stubpack::p256
