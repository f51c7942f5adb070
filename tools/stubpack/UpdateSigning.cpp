// UpdateSigning: the ".info" values, their checks and the signature.
#include "UpdateSigning.h"

#include <algorithm>

#include "InfoEdit.h"
#include "KeyFiles.h"
#include "Sha256.h"
#include "package/PackFormat.h"
#include "package/UpdateSignature.h"
#include "util/PathText.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

constexpr std::string_view kNewSetup = "NewSetup";
constexpr std::string_view kAutoInform = "AutoInform";

// Pins `file` under `sizeKey` and `hashKey` of `section`; warns when the
// ".info" names another file there.
void Pin(SignedInfo& out, std::string_view section, std::string_view nameKey,
         std::string_view sizeKey, std::string_view hashKey, const PinnedFile& file) {
  const std::optional<std::string> named = ReadInfoValue(out.text, section, nameKey);
  if (!named || !SameTextTrim(FileNamePart(*named), file.name))
    out.warnings.push_back("[" + std::string(section) + "] " + std::string(nameKey) + " is '" +
                           named.value_or("") + "', not '" + file.name +
                           "': the agent fetches that name, and its SHA-256 will not match");
  const std::string size = std::to_string(file.size);
  out.text = SetInfoValue(out.text, section, sizeKey, size);
  out.text = SetInfoValue(out.text, section, hashKey, file.sha256);
  for (const auto& [key, value] : {std::pair{sizeKey, size}, std::pair{hashKey, file.sha256}})
    out.changes.push_back("[" + std::string(section) + "] " + std::string(key) + "=" + value);
}

// Warns when the agent would fetch a file the ".info" pins no SHA-256 for.
void CheckPinned(SignedInfo& out, std::string_view section, std::string_view nameKey,
                 std::string_view hashKey, std::string_view option, bool pinnedNow) {
  const std::optional<std::string> named = ReadInfoValue(out.text, section, nameKey);
  if (!named || named->empty())
    return;
  const std::optional<std::string> hash = ReadInfoValue(out.text, section, hashKey);
  if (!hash || !pack::IsSha256Text(*hash)) {
    out.warnings.push_back("[" + std::string(section) + "] " + std::string(hashKey) +
                           " is missing: the agent refuses '" + *named + "' (give " +
                           std::string(option) + " FILE)");
  } else if (!pinnedNow) {
    out.warnings.push_back("[" + std::string(section) + "] " + std::string(hashKey) +
                           " keeps the value already in the file (" + *hash + "); give " +
                           std::string(option) + " FILE for a new release");
  }
}

}  // namespace

std::string UpdateKeyTextOf(const p256::PublicKey& q) {
  std::string xy(q.x.begin(), q.x.end());
  xy.append(q.y.begin(), q.y.end());
  return pack::UpdateKeyText(xy);
}

bool PublicKeyOfUpdateKey(std::string_view text, p256::PublicKey& q) {
  const std::string xy = pack::ParseUpdateKey(text);
  if (xy.empty())
    return false;
  std::copy(xy.begin(), xy.begin() + 32, q.x.begin());
  std::copy(xy.begin() + 32, xy.end(), q.y.begin());
  return p256::OnCurve(q);
}

std::string KeyFingerprint(const p256::PublicKey& q) {
  return Sha256Text(PublicKeyDer(q));
}

bool SignUpdateInfo(std::string_view infoText, const std::optional<PinnedFile>& update,
                    const std::optional<PinnedFile>& inform, const p256::Bytes32& d,
                    SignedInfo& out, std::string& error) {
  if (infoText.size() >= 2 && ((infoText[0] == '\xFF' && infoText[1] == '\xFE') ||
                               (infoText[0] == '\xFE' && infoText[1] == '\xFF'))) {
    error = "the .info file is UTF-16 text; save it as ANSI text";
    return false;
  }
  out = SignedInfo{};
  out.text = std::string(infoText);
  if (update)
    Pin(out, kNewSetup, "NameOfUpdateFile", "SizeOfUpdateFile", "Sha256OfUpdateFile", *update);
  if (inform)
    Pin(out, kAutoInform, "NameOfInformFile", "SizeOfInformFile", "Sha256OfInformFile", *inform);
  const std::optional<std::string> autoInform = ReadInfoValue(out.text, "General", "AutoInform");
  if (autoInform && Trim(*autoInform) == "1")
    CheckPinned(out, kAutoInform, "NameOfInformFile", "Sha256OfInformFile", "--inform",
                inform.has_value());
  else
    CheckPinned(out, kNewSetup, "NameOfUpdateFile", "Sha256OfUpdateFile", "--update",
                update.has_value());

  Sha256 sha;
  sha.Update(out.text);
  const Sha256::Digest digest = sha.Finish();
  p256::Bytes32 hash;
  std::copy(digest.begin(), digest.end(), hash.begin());
  p256::Signature rs;
  if (!p256::Sign(d, hash, rs)) {
    error = "the private key is not a valid P-256 key";
    return false;
  }
  out.signatureDer = SignatureToDer(rs);
  return true;
}

}  // namespace orvane::stubpack
