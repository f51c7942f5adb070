// SHA-256 against the NIST example messages and against digests of messages
// around the padding boundaries, whatever the pieces its input comes in.
#include "Sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "package/PackFormat.h"

namespace orvane::stubpack {
namespace {

std::string DigestInPieces(const std::string& message, size_t pieceSize) {
  Sha256 sha;
  for (size_t at = 0; at < message.size(); at += pieceSize)
    sha.Update(std::string_view(message).substr(at, pieceSize));
  return Sha256Text(sha.Finish());
}

TEST(StubpackSha256, GivesTheNistDigests) {
  struct Case {
    const char* name;
    std::string message;
    const char* digest;
  };
  const Case cases[] = {
      {"the empty message", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"448 bits, two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"one million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Sha256Text(c.message), c.digest);
    // The setup file is read in pieces that are not whole blocks.
    EXPECT_EQ(DigestInPieces(c.message, 4099), c.digest);
  }
}

TEST(StubpackSha256, GivesOneDigestWhateverThePiecesAroundThePadding) {
  // Byte i is (37 i + 11) mod 256; the digests come from another
  // implementation. A message of 55 bytes leaves room for the padding's 1
  // bit and the length in its block, one of 56 needs a second block.
  struct Case {
    size_t length;
    const char* digest;
  };
  const Case cases[] = {
      {1, "e7cf46a078fed4fafd0b5e3aff144802b853f8ae459a4f0c14add3314b7cc3a6"},
      {55, "2900465fcb533e05a158fd2b3be0e5e3b03740d83060aa3580e0d98a96bf2384"},
      {56, "31454ff48ef36af2f08fd511bdc37d9d5855ac23e992e5ff5445cb6b7674a674"},
      {57, "bcc0a5d3791b985b7550e04ca660a6c63a589ba1edd2283c8e110e5b515df124"},
      {63, "5f6401b96532c36de4e65beec0409b69b1d181864c8009b7a04f43e5d56350d1"},
      {64, "94eb5de4943613fd048dc93393ab06877405faa39c11f53e9386083339833e7e"},
      {65, "fc518669b6eb4b4dd91827ecacef86689c725bd5bab888fd3b26dbb196eec954"},
      {119, "b0dc41b1a384e2f1203f0351b38fbeaafceef577ce1191d5bfc25da39f721eae"},
      {120, "5df24dd802ac26132ce608dcb5f09841eef039ee0f152acf98d26d17fe4e88e6"},
      {127, "0fe729ff19257bd6fec853acc2ea355f6b34b58e6c0f684c3e188fcdfcd9baae"},
      {128, "0aedd4856f8eba0963627336ad5144a9a7dbe12498e6066f0165fc97d8ddee4c"},
      {129, "4f1757ae4bffbae86d775b831765b75af154d52f7deaa46dd378051a2d3ad57f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string message(c.length, '\0');
    for (size_t i = 0; i < c.length; ++i)
      message[i] = static_cast<char>((i * 37 + 11) % 256);
    EXPECT_EQ(Sha256Text(message), c.digest);
    for (size_t pieceSize : {1, 3, 7, 55, 56, 63, 64})
      EXPECT_EQ(DigestInPieces(message, pieceSize), c.digest) << "pieces of " << pieceSize;
    for (size_t split = 0; split <= c.length; ++split) {
      Sha256 sha;
      sha.Update(std::string_view(message).substr(0, split));
      sha.Update(std::string_view(message).substr(split));
      EXPECT_EQ(Sha256Text(sha.Finish()), c.digest) << "split at " << split;
    }
  }
}

TEST(StubpackSha256, StartsOverAfterTheDigest) {
  Sha256 sha;
  sha.Update("some earlier file");
  sha.Finish();
  sha.Update("abc");
  EXPECT_EQ(Sha256Text(sha.Finish()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(StubpackSha256, KnowsTheTextOfADigest) {
  const std::string good = "0123456789abcdefABCDEF0123456789abcdef0123456789abcdef0123456789";
  ASSERT_EQ(good.size(), 64u);
  EXPECT_TRUE(pack::IsSha256Text(good));
  for (const std::string& bad :
       {std::string(), good.substr(1), good + "0", "g" + good.substr(1), " " + good.substr(1),
        good.substr(0, 63) + '\0', "0x" + good.substr(2)}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(pack::IsSha256Text(bad));
  }
}

}  // namespace
}  // namespace orvane::stubpack
