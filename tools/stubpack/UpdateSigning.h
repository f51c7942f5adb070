// UpdateSigning: the vendor's side of signed update information, apart
// from the files: the update key's text and fingerprint, and the signed
// ".info" file with the SHA-256 and size of each file it names.
//
// The agent of a package built with [Internet] UpdateKey acts only on a
// ".info" whose "<name>.sig" the key confirms, and runs or shows only an
// update or inform file whose SHA-256 that ".info" pins
// ([NewSetup] Sha256OfUpdateFile, [AutoInform] Sha256OfInformFile).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "P256.h"

namespace orvane::stubpack {

// The text a package stores for the public key q, and back; false when the
// text is no key or its point is not on the curve.
std::string UpdateKeyTextOf(const p256::PublicKey& q);
bool PublicKeyOfUpdateKey(std::string_view text, p256::PublicKey& q);
// The SHA-256 of the key's DER form (SubjectPublicKeyInfo), 64 lowercase
// hex digits: what `openssl pkey -pubin -outform DER | sha256sum` prints.
std::string KeyFingerprint(const p256::PublicKey& q);

// A file the ".info" names, as the vendor has it.
struct PinnedFile {
  std::string name;  // its file name
  uint64_t size = 0;
  std::string sha256;
};

struct SignedInfo {
  std::string text;                   // the ".info" with the pinned values
  std::string signatureDer;           // the signature of `text`, for "<name>.sig"
  std::vector<std::string> changes;   // "[NewSetup] Sha256OfUpdateFile=..." for each value set
  std::vector<std::string> warnings;  // what would make the agent refuse the release
};

// Sets the size and SHA-256 of `update` in [NewSetup] and of `inform` in
// [AutoInform], keeping every other byte, and signs the result with the
// private key d. False with `error` for a text that is not an 8-bit
// ".info" (UTF-16).
bool SignUpdateInfo(std::string_view infoText, const std::optional<PinnedFile>& update,
                    const std::optional<PinnedFile>& inform, const p256::Bytes32& d,
                    SignedInfo& out, std::string& error);

}  // namespace orvane::stubpack
