// UpdateSignature: the formats behind signed update information.
//
// A vendor who gives the package an update key signs each ".info" file with
// the matching private key (ECDSA on the curve P-256 over the SHA-256 of the
// file's exact bytes) and publishes the signature beside it as
// "<info name>.sig". The agent of such a package acts only on information
// whose signature the key confirms, and runs or shows only files whose
// SHA-256 that information names.
//
//   internet block field 5   "ecdsa-p256:" + 128 hex digits: X then Y of the
//                            public point, 32 bytes each, big-endian
//   <info name>.sig          the DER ECDSA-Sig-Value SEQUENCE { INTEGER r,
//                            INTEGER s }, as `openssl dgst -sha256 -sign`
//                            writes it
//   [NewSetup]   Sha256OfUpdateFile, [AutoInform] Sha256OfInformFile
//                            64 hex digits
//
// The builder writes these and the launcher reads them, with the same code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::pack {

constexpr std::string_view kUpdateKeyPrefix = "ecdsa-p256:";
constexpr size_t kP256ValueBytes = 32;
// The largest ".sig" file the agent reads; a DER signature has at most 72 bytes.
constexpr size_t kSignatureFileLimit = 1024;

// The 64 bytes X || Y of the update key `text`; empty when the text is not
// the prefix followed by exactly 128 hex digits.
std::string ParseUpdateKey(std::string_view text);
// The text of the update key with the public point `xy` (64 bytes).
std::string UpdateKeyText(std::string_view xy);

// The 64 bytes r || s of the DER signature `der`; empty unless `der` is
// exactly one strict DER SEQUENCE of two non-negative, minimally encoded
// INTEGERs of at most 32 significant bytes.
std::string EcdsaSignatureFromDer(std::string_view der);
// The DER signature of r || s (64 bytes).
std::string EcdsaSignatureToDer(std::string_view rs);

// The name of the signature file of the ".info" file `infoName`.
std::string SignatureFileName(std::string_view infoName);

}  // namespace orvane::pack
