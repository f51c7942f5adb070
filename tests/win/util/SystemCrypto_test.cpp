// The system's crypto under Wine: SHA-256 of files against the standard's
// vectors, and ECDSA P-256 checks of a signature OpenSSL made
// (`openssl dgst -sha256 -sign`), which the agent relies on to refuse
// changed or foreign update information.
#include "util/SystemCrypto.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "package/UpdateSignature.h"
#include "util/NumberText.h"

namespace orvane {
namespace {

std::string Bytes(std::string_view hex) {
  std::string bytes;
  EXPECT_TRUE(HexToBytes(hex, bytes, "")) << hex;
  return bytes;
}

TEST(SystemCryptoSha256, HashesFilesAsTheStandardSays) {
  const std::string dir = test::ScratchDir("system-crypto");
  struct Case {
    std::string content;
    const char* sha256;
  };
  const Case cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    const std::string path = test::WriteTestFile(dir + "\\data.bin", c.content);
    std::string error;
    EXPECT_EQ(Sha256OfFile(path, &error), c.sha256) << c.content.size();
    EXPECT_EQ(error, "");
  }
  std::string error;
  EXPECT_EQ(Sha256OfFile(dir + "\\missing.bin", &error), "");
  EXPECT_NE(error, "");
}

// A key pair and a signature made by OpenSSL.
const std::string kMessage = "The update information, signed.\n";
const std::string kSignatureDer =
    "304402203eff87dec405fba2ca7e8ec7ca48d44a46d686e05bcf65589e98cf3b8529545d02207028fbaae435a6c4"
    "d08149ffefe13aba31a991d34d7c352425257414b8031a5e";
const std::string kKey =
    "c462bd75ec4618b2c12c465d72efa8c5ed264ffb15cc09689173e4e94d94122508fc1e2f89ffbd68a701a89eddc0"
    "a986af20007a0e39053c397decf599e6498e";
const std::string kOtherKey =
    "58990dd1928688e747866f7175cbc95036dcf9f7738eb051fb88417f0ea8e6093441688a61978e77b2fd3ef092e6"
    "4963b8ec1c5310729d2110b6a90b59a02b62";

TEST(SystemCryptoVerify, AcceptsOnlyTheSignatureOfTheseBytesByThisKey) {
  const std::string rs = pack::EcdsaSignatureFromDer(Bytes(kSignatureDer));
  ASSERT_EQ(rs.size(), 64u);
  std::string changedMessage = kMessage;
  changedMessage[4] ^= 1;
  std::string changedR = rs;
  changedR[31] ^= 1;
  std::string changedS = rs;
  changedS[63] ^= 1;
  struct Case {
    const char* what;
    std::string key, message, signature;
    bool valid;
  };
  const Case cases[] = {
      {"as signed", kKey, kMessage, rs, true},
      {"one bit of the message changed", kKey, changedMessage, rs, false},
      {"a byte more", kKey, kMessage + " ", rs, false},
      {"another key", kOtherKey, kMessage, rs, false},
      {"r changed", kKey, kMessage, changedR, false},
      {"s changed", kKey, kMessage, changedS, false},
      {"r and s zero", kKey, kMessage, std::string(64, '\0'), false},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(VerifyP256Signature(Bytes(c.key), c.message, c.signature, &error), c.valid) << c.what;
    EXPECT_EQ(error, "") << c.what;
  }
}

TEST(SystemCryptoVerify, RefusesWhatIsNoKeyOrSignature) {
  const std::string rs = pack::EcdsaSignatureFromDer(Bytes(kSignatureDer));
  std::string error;
  // Windows refuses to import the point; Wine imports it and the check fails.
  std::string offCurve = Bytes(kKey);
  offCurve[63] ^= 1;
  EXPECT_FALSE(VerifyP256Signature(offCurve, kMessage, rs, &error));
  struct Case {
    const char* what;
    std::string key, signature;
  };
  const Case cases[] = {
      {"a short key", Bytes(kKey).substr(1), rs},
      {"a short signature", Bytes(kKey), rs.substr(1)},
  };
  for (const Case& c : cases) {
    error.clear();
    EXPECT_FALSE(VerifyP256Signature(c.key, kMessage, c.signature, &error)) << c.what;
    EXPECT_NE(error, "") << c.what;
  }
}

}  // namespace
}  // namespace orvane
