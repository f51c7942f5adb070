// StubGlobText: the "Scrambled=01" text form of the setup-information files
// and of the inform file's token line.
//
// A scrambled text is the prefix "Scrambled=01", one key character k, then
// the body: body character i (counted from 1) is the plain character XOR
// ((i + k) mod 256) for odd i and XOR ((i - k) mod 256) for even i.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

constexpr std::string_view kScrambledPrefix = "Scrambled=01";

// The plain form of `text`: unchanged when it does not begin with the prefix
// (letter case matters); the empty text when it is the prefix alone, without
// a key character.
std::string UnscrambleText(std::string_view text);

// The scrambled form of `plain` with key character `keyChar` (33..122 in
// files written by the vendor's tools; any byte works). UnscrambleText gives
// `plain` back.
std::string ScrambleText(std::string_view plain, char keyChar);

}  // namespace orvane
