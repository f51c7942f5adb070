// UpdateSignature: the update key's text and the DER signature encoding.
#include "package/UpdateSignature.h"

#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane::pack {

namespace {

constexpr unsigned char kDerSequence = 0x30;
constexpr unsigned char kDerInteger = 0x02;

// Reads one INTEGER at `pos` into 32 big-endian bytes appended to `out`.
bool ReadDerInteger(std::string_view der, size_t& pos, std::string& out) {
  if (pos + 2 > der.size() || static_cast<unsigned char>(der[pos]) != kDerInteger)
    return false;
  const size_t length = static_cast<unsigned char>(der[pos + 1]);
  pos += 2;
  // Short-form lengths only: an INTEGER of a P-256 value has at most 33 bytes.
  if (length == 0 || length > kP256ValueBytes + 1 || pos + length > der.size())
    return false;
  std::string_view value = der.substr(pos, length);
  pos += length;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(value[i]); };
  if (byte(0) & 0x80)
    return false;  // negative
  if (value.size() > 1 && byte(0) == 0) {
    if (!(byte(1) & 0x80))
      return false;  // not minimal
    value.remove_prefix(1);
  }
  if (value.size() > kP256ValueBytes)
    return false;
  out.append(kP256ValueBytes - value.size(), '\0');
  out.append(value);
  return true;
}

void AppendDerInteger(std::string_view value, std::string& der) {
  while (value.size() > 1 && value.front() == '\0')
    value.remove_prefix(1);
  const bool pad = static_cast<unsigned char>(value.front()) & 0x80;
  der += static_cast<char>(kDerInteger);
  der += static_cast<char>(value.size() + (pad ? 1 : 0));
  if (pad)
    der += '\0';
  der.append(value);
}

}  // namespace

std::string ParseUpdateKey(std::string_view text) {
  std::string xy;
  if (!StartsWithNoCase(text, kUpdateKeyPrefix))
    return {};
  text.remove_prefix(kUpdateKeyPrefix.size());
  if (!HexToBytes(text, xy) || xy.size() != 2 * kP256ValueBytes)
    return {};
  return xy;
}

std::string UpdateKeyText(std::string_view xy) {
  std::string text(kUpdateKeyPrefix);
  for (const char byte : xy)
    text += HexText(static_cast<unsigned char>(byte), 2);
  return LowerCaseAscii(text);
}

std::string EcdsaSignatureFromDer(std::string_view der) {
  if (der.size() < 2 || static_cast<unsigned char>(der[0]) != kDerSequence ||
      static_cast<size_t>(static_cast<unsigned char>(der[1])) != der.size() - 2)
    return {};
  std::string rs;
  size_t pos = 2;
  if (!ReadDerInteger(der, pos, rs) || !ReadDerInteger(der, pos, rs) || pos != der.size())
    return {};
  return rs;
}

std::string EcdsaSignatureToDer(std::string_view rs) {
  std::string body;
  AppendDerInteger(rs.substr(0, kP256ValueBytes), body);
  AppendDerInteger(rs.substr(kP256ValueBytes), body);
  return std::string(1, static_cast<char>(kDerSequence)) + static_cast<char>(body.size()) + body;
}

std::string SignatureFileName(std::string_view infoName) {
  return std::string(infoName) + ".sig";
}

}  // namespace orvane::pack
