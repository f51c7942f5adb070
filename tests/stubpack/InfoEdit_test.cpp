// The ".info" rewrite: values are found as the system's profile reader finds
// them, and every byte but the value's stays as it was.
#include "InfoEdit.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::stubpack {
namespace {

TEST(InfoEdit, SetsValuesKeepingEveryOtherByte) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"replaces the value only",
       "; vendor notes\r\n[NewSetup]\r\nNameOfUpdateFile = acme.exe\r\nSha256OfUpdateFile = old  "
       "\r\nStamp=3\r\n",
       "; vendor notes\r\n[NewSetup]\r\nNameOfUpdateFile = acme.exe\r\nSha256OfUpdateFile =NEW\r\n"
       "Stamp=3\r\n"},
      {"key and section in another case, blanks around them",
       "  [ newsetup ]  \nsha256ofupdatefile=old\n", "  [ newsetup ]  \nsha256ofupdatefile=NEW\n"},
      {"only the first of two keys, as the reader takes the first",
       "[NewSetup]\nSha256OfUpdateFile=a\nSha256OfUpdateFile=b\n",
       "[NewSetup]\nSha256OfUpdateFile=NEW\nSha256OfUpdateFile=b\n"},
      {"only the first of two sections", "[NewSetup]\nA=1\n[NewSetup]\nSha256OfUpdateFile=b\n",
       "[NewSetup]\nA=1\nSha256OfUpdateFile=NEW\n[NewSetup]\nSha256OfUpdateFile=b\n"},
      {"a missing key after the section's last line, not after the blank lines",
       "[NewSetup]\r\nStamp=3\r\n\r\n[AutoInform]\r\nX=1\r\n",
       "[NewSetup]\r\nStamp=3\r\nSha256OfUpdateFile=NEW\r\n\r\n[AutoInform]\r\nX=1\r\n"},
      {"a missing key at the end of a file without a last line ending", "[NewSetup]\nStamp=3",
       "[NewSetup]\nStamp=3\nSha256OfUpdateFile=NEW\n"},
      {"a key in another section is not taken", "[General]\nSha256OfUpdateFile=x\n[NewSetup]\n",
       "[General]\nSha256OfUpdateFile=x\n[NewSetup]\nSha256OfUpdateFile=NEW\n"},
      {"a commented line is not the key", "[NewSetup]\n;Sha256OfUpdateFile=x\n",
       "[NewSetup]\n;Sha256OfUpdateFile=x\nSha256OfUpdateFile=NEW\n"},
      {"a missing section at the end, with the file's line ending", "[General]\r\nA=1",
       "[General]\r\nA=1\r\n[NewSetup]\r\nSha256OfUpdateFile=NEW\r\n"},
      {"an empty file", "", "[NewSetup]\nSha256OfUpdateFile=NEW\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SetInfoValue(c.before, "NewSetup", "Sha256OfUpdateFile", "NEW"), c.after) << c.what;
}

TEST(InfoEdit, ReadsWhatTheReaderWouldRead) {
  const std::string text =
      "[General]\r\nNameOfUpdateFile=wrong.exe\r\n[NewSetup]\r\n  nameofupdatefile =  acme.exe  "
      "\r\nEmpty=\r\n[AutoInform]\r\n";
  EXPECT_EQ(ReadInfoValue(text, "NewSetup", "NameOfUpdateFile"), "acme.exe");
  EXPECT_EQ(ReadInfoValue(text, "newsetup", "Empty"), "");
  EXPECT_EQ(ReadInfoValue(text, "NewSetup", "Missing"), std::nullopt);
  EXPECT_EQ(ReadInfoValue(text, "AutoInform", "NameOfUpdateFile"), std::nullopt);
  EXPECT_EQ(ReadInfoValue(text, "Missing", "NameOfUpdateFile"), std::nullopt);
}

}  // namespace
}  // namespace orvane::stubpack
