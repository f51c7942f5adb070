// HeaderBlocks: the texts of the language, internet and download blocks.
#pragma once

#include <string>
#include <vector>

#include "BuildPlan.h"

namespace orvane::stubpack {

// 02 [01 name 01 key=value 01 ... 01] 02 ... : one per-language list per
// language, in the order given; the empty text when there is none, so that
// the launcher uses its built-in texts. Values are stored in the code page of
// their language's Charset (LanguageTexts.h).
std::string MakeLanguageBlock(const std::vector<Language>& languages);

// |InfoUrl|InfoFile|AgentFile|token|RunHidden| with the product token
// scrambled; without internet settings the placeholder
// |http:|.info|.exe|token|0| (the token of an empty text).
std::string MakeInternetBlock(const InternetSettings& internet);

// |Location|FileName|SkipLocalCopy|token|size| with the token scrambled,
// and with a SHA-256 the sixth field, its digits in lowercase: |...|size|sha|.
// Without one the block keeps its five fields, as launchers that read five
// fields expect.
std::string MakeDownloadBlock(const DownloadSettings& download, const std::string& size);

// The stored form of a plain token. The same token gives the same text, so
// that builds are reproducible; `field` tells the product token (0) from the
// download token (1) so that equal texts do not look alike.
std::string ScrambledToken(const std::string& plain, int field);

}  // namespace orvane::stubpack
