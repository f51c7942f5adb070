// Tests of the signed-update formats: the update key's text and the strict
// DER reading of an ECDSA signature, which the agent applies to a ".sig"
// file from the network before the system sees it.
#include "package/UpdateSignature.h"

#include <gtest/gtest.h>

#include <string>

#include "util/NumberText.h"

namespace orvane::pack {
namespace {

std::string Bytes(std::string_view hex) {
  std::string bytes;
  EXPECT_TRUE(HexToBytes(hex, bytes)) << hex;
  return bytes;
}

std::string Repeat(std::string_view hex, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += hex;
  return out;
}

TEST(UpdateKey, TextRoundTripsAndRefusesWhatIsNotAKey) {
  std::string xy;
  for (int i = 0; i < 64; ++i)
    xy += static_cast<char>(0xC0 + i);
  const std::string text = UpdateKeyText(xy);
  EXPECT_EQ(text.substr(0, 11), "ecdsa-p256:");
  EXPECT_EQ(text.size(), 11u + 128u);
  EXPECT_EQ(ParseUpdateKey(text), xy);
  EXPECT_EQ(ParseUpdateKey("ECDSA-P256:" + Repeat("AB", 64)), std::string(64, '\xAB'));

  const std::string refused[] = {
      "",
      Repeat("ab", 64),                        // no prefix
      "ecdsa-p384:" + Repeat("ab", 64),        // another curve
      "ecdsa-p256:" + Repeat("ab", 63),        // short
      "ecdsa-p256:" + Repeat("ab", 65),        // long
      "ecdsa-p256:" + Repeat("ab", 63) + "a",  // odd digit count
      "ecdsa-p256:" + Repeat("ab", 63) + "zz",
  };
  for (const std::string& text : refused)
    EXPECT_EQ(ParseUpdateKey(text), "") << text;
}

TEST(EcdsaSignatureDer, ReadsStrictDer) {
  const std::string r = Repeat("11", 32);
  const std::string s = Repeat("22", 32);
  struct Case {
    const char* what;
    std::string der;
    std::string rs;  // empty: refused
  };
  const Case cases[] = {
      {"plain",
       "3044"
       "0220" +
           r + "0220" + s,
       r + s},
      {"high bit padded",
       "3046"
       "022100" +
           Repeat("81", 32) + "022100" + Repeat("ff", 32),
       Repeat("81", 32) + Repeat("ff", 32)},
      {"short values",
       "3006"
       "020101"
       "02017f",
       Repeat("00", 31) + "01" + Repeat("00", 31) + "7f"},
      {"zero is read (the system refuses it)",
       "3006"
       "020100"
       "020101",
       Repeat("00", 32) + Repeat("00", 31) + "01"},
      {"negative",
       "3006"
       "020181"
       "020101",
       ""},
      {"not minimal",
       "3007"
       "02020001"
       "020101",
       ""},
      {"33 significant bytes",
       "3047"
       "022101" +
           r + "0220" + s,
       ""},
      {"empty integer",
       "3005"
       "0200"
       "020101",
       ""},
      {"trailing byte",
       "3045"
       "0220" +
           r + "0220" + s + "00",
       ""},
      {"bytes after the sequence",
       "3044"
       "0220" +
           r + "0220" + s + "00",
       ""},
      {"sequence too long",
       "3046"
       "0220" +
           r + "0220" + s,
       ""},
      {"one integer",
       "3022"
       "0220" +
           r,
       ""},
      {"three integers",
       "3009"
       "020101"
       "020101"
       "020101",
       ""},
      {"wrong outer tag",
       "3144"
       "0220" +
           r + "0220" + s,
       ""},
      {"wrong inner tag",
       "3044"
       "0420" +
           r + "0220" + s,
       ""},
      {"long-form length",
       "308144"
       "0220" +
           r + "0220" + s,
       ""},
      {"integer past the end",
       "3006"
       "020101"
       "020501",
       ""},
      {"nothing", "", ""},
      {"only a tag", "30", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HexDump(EcdsaSignatureFromDer(Bytes(c.der))), HexDump(Bytes(c.rs))) << c.what;
  }
}

TEST(EcdsaSignatureDer, WritesWhatItReads) {
  const std::string values[] = {
      Repeat("00", 31) + "01",  // one byte
      Repeat("80", 32),         // high bit: a zero byte first
      Repeat("00", 4) + Repeat("7f", 28),
      Repeat("ff", 32),
  };
  for (const std::string& r : values) {
    for (const std::string& s : values) {
      const std::string rs = Bytes(r + s);
      const std::string der = EcdsaSignatureToDer(rs);
      EXPECT_LE(der.size(), 72u);
      EXPECT_EQ(EcdsaSignatureFromDer(der), rs) << r << " " << s;
    }
  }
  EXPECT_EQ(
      HexDump(EcdsaSignatureToDer(Bytes(Repeat("00", 31) + "05" + Repeat("ff", 32))), false, ""),
      "3026020105022100" + std::string(64, 'F'));
}

}  // namespace
}  // namespace orvane::pack
