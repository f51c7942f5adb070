// KeyFiles: the vendor's P-256 signing key and its public half as PEM files,
// ECDSA signatures in their DER form, and fresh keys from the system's
// random source.
//
// The files are the ones OpenSSL writes and reads, so a vendor can make the
// key with either tool and check our signatures with `openssl dgst`:
//   private key  "PRIVATE KEY" (PKCS #8 around an RFC 5915 ECPrivateKey), as
//                `openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256`
//                writes it; "EC PRIVATE KEY" (the bare ECPrivateKey, as
//                `openssl ecparam -name prime256v1 -genkey` writes it) is
//                read too;
//   public key   "PUBLIC KEY" (X.509 SubjectPublicKeyInfo, 91 bytes of DER);
//   signature    ECDSA-Sig-Value: SEQUENCE { INTEGER r, INTEGER s }.
// The readers take text from any source: the DER inside is parsed strictly
// and never read beyond its bounds, and every refusal is one line saying
// why.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "P256.h"

namespace orvane::stubpack {

std::string PrivateKeyPem(const p256::Bytes32& d, const p256::PublicKey& q);
// Reads the first private key of `text` (a leading "EC PARAMETERS" block is
// skipped); q is computed from d and must equal the public key the file
// carries, if any.
bool ReadPrivateKeyPem(std::string_view text, p256::Bytes32& d, p256::PublicKey& q,
                       std::string& error);

std::string PublicKeyDer(const p256::PublicKey& q);
std::string PublicKeyPem(const p256::PublicKey& q);
// Reads the first "PUBLIC KEY" block of `text`: a P-256 key whose point is
// on the curve, uncompressed.
bool ReadPublicKeyPem(std::string_view text, p256::PublicKey& q, std::string& error);

std::string SignatureToDer(const p256::Signature& rs);
// Strict DER: minimal lengths and integers, no negative numbers, numbers of
// at most 32 bytes, nothing after the sequence.
bool SignatureFromDer(std::string_view der, p256::Signature& rs);

// `size` bytes from the operating system's cryptographic random source.
bool RandomBytes(void* out, size_t size, std::string& error);
// A new key pair: random d until 1 <= d < n.
bool GenerateKey(p256::Bytes32& d, p256::PublicKey& q, std::string& error);

}  // namespace orvane::stubpack
