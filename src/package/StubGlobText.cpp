// StubGlobText: the scrambled text form. Scrambling and unscrambling are the
// same XOR pass, as the mask depends only on the position and the key.
#include "package/StubGlobText.h"

#include <cstdint>

namespace orvane {
namespace {

// XORs body character i (from 1) with (i + k) mod 256, k changing its sign
// after every character: (i - k) for even i.
std::string XorBody(std::string_view body, unsigned char keyChar) {
  std::string out(body);
  int32_t k = keyChar;
  for (size_t i = 1; i <= out.size(); ++i) {
    const uint8_t mask = static_cast<uint8_t>(static_cast<int64_t>(i % 256) + k);
    out[i - 1] = static_cast<char>(static_cast<uint8_t>(out[i - 1]) ^ mask);
    k = -k;
  }
  return out;
}

}  // namespace

std::string UnscrambleText(std::string_view text) {
  if (text.substr(0, kScrambledPrefix.size()) != kScrambledPrefix)
    return std::string(text);
  text.remove_prefix(kScrambledPrefix.size());
  if (text.empty())
    return std::string();
  const unsigned char key = static_cast<unsigned char>(text[0]);
  return XorBody(text.substr(1), key);
}

std::string ScrambleText(std::string_view plain, char keyChar) {
  std::string out(kScrambledPrefix);
  out += keyChar;
  out += XorBody(plain, static_cast<unsigned char>(keyChar));
  return out;
}

}  // namespace orvane
