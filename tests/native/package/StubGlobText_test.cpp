// Tests of the "Scrambled=01" text form.
#include "package/StubGlobText.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

using namespace std::string_literals;

TEST(StubGlobUnscramble, UndoesTheKeyedXorOfEachPosition) {
  // Key "A" (65): character 1 is XORed with 1 + 65 = 66, character 2 with
  // 2 - 65 = -63 (193 as a byte), character 3 with 3 + 65 = 68.
  const std::string scrambled = "Scrambled=01A"s + static_cast<char>('x' ^ 66) +
                                static_cast<char>('y' ^ 193) + static_cast<char>('z' ^ 68);
  EXPECT_EQ(UnscrambleText(scrambled), "xyz");
  EXPECT_EQ(ScrambleText("xyz", 'A'), scrambled);
}

TEST(StubGlobUnscramble, LeavesOtherTextsAloneAndHandlesTheBareForms) {
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {"plain text", "plain text"},
      {"", ""},
      {"Scrambled=0", "Scrambled=0"},            // not the whole prefix
      {"scrambled=01Kabc", "scrambled=01Kabc"},  // the prefix's letter case matters
      {" Scrambled=01Kabc", " Scrambled=01Kabc"},
      {"Scrambled=01", ""},   // the prefix alone, no key character: nothing
      {"Scrambled=01K", ""},  // a key and an empty body
  };
  for (const Case& c : cases)
    EXPECT_EQ(UnscrambleText(c.text), c.expected) << c.text;
}

TEST(StubGlobUnscramble, RoundTripsEveryKeyAndLongTexts) {
  std::string all;
  for (int i = 0; i < 256; ++i)
    all += static_cast<char>(i);
  const std::string longText = all + all + all;  // positions past 256 wrap the mask
  for (int key = 0; key < 256; ++key) {
    const char k = static_cast<char>(key);
    EXPECT_EQ(UnscrambleText(ScrambleText(longText, k)), longText) << key;
    EXPECT_EQ(UnscrambleText(ScrambleText("|x|token|a|b|rest", k)), "|x|token|a|b|rest") << key;
  }
  // The body differs from the plain text: the form really scrambles.
  EXPECT_NE(ScrambleText("abcdef", 'K').substr(13), "abcdef");
}

}  // namespace
}  // namespace orvane
