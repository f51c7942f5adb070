// The information dialog's window-free rules: the layout of text, button
// and strip, the window position, the text font's face, which links are web
// addresses, and the removal of embedded objects from a rich text.
#include "ui/StubInformDlgRules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace orvane {
namespace {

auto Tie(const Rect2& r) {
  return std::make_tuple(r.left, r.top, r.width, r.height);
}

::testing::AssertionResult SameRect(const Rect2& actual, const Rect2& expected) {
  if (Tie(actual) == Tie(expected))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "{" << actual.left << ", " << actual.top << ", " << actual.width << ", "
         << actual.height << "} instead of {" << expected.left << ", " << expected.top << ", "
         << expected.width << ", " << expected.height << "}";
}

// ---------------------------------------------------------------------------
// Geometry

TEST(StubInformDlgLayout, PlacesTextButtonAndStripForTheClientArea) {
  struct Case {
    const char* name;
    int cw, ch;
    bool link;
    Rect2 text, button, stripLine, strip;
  };
  const Case cases[] = {
      {"with a link: strip of 43 at the bottom, button 33 above the bottom",
       344,
       322,
       true,
       {3, 0, 341, 279},
       {92, 289, 160, 25},
       {0, 279, 344, 1},
       {0, 280, 344, 42}},
      {"without a link: the text fills the client area from x = 3",
       344,
       322,
       false,
       {3, 0, 341, 322},
       {},
       {},
       {}},
      {"odd width: the button's half is truncated",
       345,
       100,
       true,
       {3, 0, 342, 57},
       {92, 67, 160, 25},
       {0, 57, 345, 1},
       {0, 58, 345, 42}},
      {"narrower than the button: its left truncated toward zero",
       1,
       43,
       true,
       {3, 0, 0, 0},
       {-79, 10, 160, 25},
       {0, 0, 1, 1},
       {0, 1, 1, 42}},
      {"lower than the strip: the text is 0 high, never negative",
       200,
       30,
       true,
       {3, 0, 197, 0},
       {20, -3, 160, 25},
       {0, -13, 200, 1},
       {0, -12, 200, 42}},
      {"empty client area", 0, 0, false, {3, 0, 0, 0}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const InformLayout layout = InformDialogLayout(c.cw, c.ch, c.link);
    EXPECT_EQ(layout.hasButton, c.link);
    EXPECT_TRUE(SameRect(layout.text, c.text));
    EXPECT_TRUE(SameRect(layout.button, c.button));
    EXPECT_TRUE(SameRect(layout.stripLine, c.stripLine));
    EXPECT_TRUE(SameRect(layout.strip, c.strip));
  }
}

TEST(StubInformDlgLayout, ButtonStaysCentredAndThirtyThreeAboveTheBottomAtAnySize) {
  for (int cw = 160; cw <= 1200; cw += 97) {
    for (int ch = 43; ch <= 900; ch += 89) {
      SCOPED_TRACE(std::to_string(cw) + " x " + std::to_string(ch));
      const Rect2 button = InformDialogLayout(cw, ch, true).button;
      EXPECT_EQ(button.top, ch - 33);
      const int rightGap = cw - (button.left + button.width);
      EXPECT_TRUE(rightGap == button.left || rightGap == button.left + 1);
      EXPECT_EQ(InformDialogLayout(cw, ch, true).text.height + kInformStripHeight, ch);
    }
  }
}

TEST(StubInformDlgLayout, WindowIsCentredWithHalvesTruncatedTowardZero) {
  struct Case {
    const char* name;
    int screenWidth, screenHeight, width, height;
    Rect2 rect;
  };
  const Case cases[] = {
      {"default size", 1024, 768, 360, 360, {332, 204, 360, 360}},
      {"odd differences", 1025, 769, 360, 361, {332, 204, 360, 361}},
      {"larger than the screen", 800, 600, 1001, 603, {-100, -1, 1001, 603}},
      {"as large as the screen", 800, 600, 800, 600, {0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(
        SameRect(InformWindowRect(c.screenWidth, c.screenHeight, c.width, c.height), c.rect));
  }
}

// ---------------------------------------------------------------------------
// Fonts

TEST(StubInformDlgFont, TextFaceIsVerdanaInsteadOfTahomaOrNothing) {
  const struct {
    const char* face;
    const char* text;
  } cases[] = {
      {"Tahoma", "Verdana"},
      {"", "Verdana"},
      {"tahoma", "Verdana"},
      {"TAHOMA", "Verdana"},
      {"Arial", "Arial"},
      {"Tahoma Bold", "Tahoma Bold"},
      {"MS Sans Serif", "MS Sans Serif"},
      {"Tahom", "Tahom"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(InformTextFontFace(c.face), c.text) << "face \"" << c.face << "\"";
}

// ---------------------------------------------------------------------------
// Links

TEST(StubInformDlgLink, OnlyAbsoluteHttpAndHttpsAddressesAreWebAddresses) {
  const struct {
    const char* link;
    bool web;
  } cases[] = {
      {"http://example.com", true},
      {"https://example.com/download/new.exe?v=2#top", true},
      {"HTTP://X", true},
      {"hTTpS://x", true},
      {"http://127.0.0.1:8080/", true},
      {"http://user@host/x", true},
      {"http://[::1]/", true},
      {"http://host?x", true},
      // No host, or no host before the port.
      {"http://", false},
      {"https://", false},
      {"https:", false},
      {"http:///path", false},
      {"http://?q", false},
      {"http://#f", false},
      {"http://user@/x", false},
      {"http://:80/", false},
      // Not the form of a web address.
      {"http:\\\\host", false},
      {"http:/host", false},
      {"http//host", false},
      {"httpx://host", false},
      {"ftp://host/x", false},
      {"www.example.com", false},
      // Programs, files and other schemes.
      {"\\\\srv\\share\\x.exe", false},
      {"C:\\x.exe", false},
      {"C:/x.exe", false},
      {"notepad.exe", false},
      {"file:///C:/x", false},
      {"mailto:a@b.c", false},
      {"javascript:alert(1)", false},
      {"", false},
      // Blanks and control characters anywhere (the caller trims first).
      {" http://x", false},
      {"http://x ", false},
      {"http://x/a b", false},
      {"http://x/\ta", false},
      {"http://x/\x7f", false},
      {"http://x\\evil/", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsWebAddress(c.link), c.web) << "link \"" << c.link << "\"";
  EXPECT_FALSE(IsWebAddress(std::string("http://x\0y", 10)));
}

// ---------------------------------------------------------------------------
// Rich text

TEST(StubInformDlgRichText, RemovesObjectGroupsAndKeepsEverythingElse) {
  const struct {
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      {"plain text is untouched", "hello {\\object x}", "hello {\\object x}"},
      {"empty text", "", ""},
      {"object group with its braces", "{\\rtf1 a{\\object\\objemb x}b}", "{\\rtf1 ab}"},
      {"nested groups inside the object",
       "{\\rtf1 x{\\object{\\*\\objclass Word}{\\*\\objdata 01{02}03}{\\result{\\pict 00}}}y}",
       "{\\rtf1 xy}"},
      {"escaped braces and backslash inside the object", "{\\rtf1 x{\\object \\} \\{ \\\\}y}",
       "{\\rtf1 xy}"},
      {"escaped braces outside stay", "{\\rtf1 a\\{b\\}c\\\\}", "{\\rtf1 a\\{b\\}c\\\\}"},
      {"a left-over objdata group", "{\\rtf1 a{\\*\\objdata 0102}b}", "{\\rtf1 ab}"},
      {"line breaks before the word", "{\\rtf1 a{\r\n\\*\r\n\\objdata 01}b{\n\\object 2}c}",
       "{\\rtf1 abc}"},
      {"object later in a group: to the group's end",
       "{\\rtf1 {\\fs20 hi\\object\\objemb{\\*\\objdata 01}}z}", "{\\rtf1 {\\fs20 hi}z}"},
      {"objdata later in a group, with its star", "{\\rtf1 {\\fs20 hi\\*\\objdata 01}z}",
       "{\\rtf1 {\\fs20 hi}z}"},
      {"a blank before the word", "{\\rtf1 { \\object x}b}", "{\\rtf1 { }b}"},
      {"object in the document's own group", "{\\rtf1 a\\object b{c}d}e", "{\\rtf1 a}e"},
      {"pictures and look-alike words stay",
       "{\\rtf1 {\\pict\\wmetafile8 0102}{\\objectx a}{\\objemb b}\\objattph c}",
       "{\\rtf1 {\\pict\\wmetafile8 0102}{\\objectx a}{\\objemb b}\\objattph c}"},
      {"the other rich-text start and any case", "{\\urtf1 {\\object x}}", "{\\urtf1 }"},
      {"upper-case start", "{\\RTF1 {\\object x}}", "{\\RTF1 }"},
      {"several objects", "{\\rtf1 {\\object 1}a{\\object 2}b{\\object 3}}", "{\\rtf1 ab}"},
      // Binary runs are data: their braces and words do not count.
      {"a brace in an object's binary run", "{\\rtf1 a{\\object\\bin1 }b}c}", "{\\rtf1 ac}"},
      {"a brace in a binary run without the blank", "{\\rtf1 a{\\object\\bin1}}b}c}",
       "{\\rtf1 ab}c}"},
      {"an object word in a picture's binary run", "{\\rtf1 {\\pict\\bin7 \\object}z}",
       "{\\rtf1 {\\pict\\bin7 \\object}z}"},
      {"a negative binary length is no run", "{\\rtf1 {\\object\\bin-1 }x}", "{\\rtf1 x}"},
      // Cut or unbalanced texts.
      {"cut in an object group", "{\\rtf1 a{\\object{\\*\\objdata 01", "{\\rtf1 a"},
      {"cut right after the word", "{\\rtf1 a{\\object", "{\\rtf1 a"},
      {"huge binary length in an object", "{\\rtf1 a{\\object\\bin999999 }}}}", "{\\rtf1 a"},
      {"binary length beyond any number", "{\\rtf1 a\\bin99999999999999999999999 xyz}",
       "{\\rtf1 a\\bin99999999999999999999999 xyz}"},
      {"ends in a backslash", "{\\rtf1 a\\", "{\\rtf1 a\\"},
      {"ends in an opening brace", "{\\rtf1 a{", "{\\rtf1 a{"},
      {"ends in a star", "{\\rtf1 a{\\*", "{\\rtf1 a{\\*"},
      {"ends in half a word", "{\\rtf1 a{\\obj", "{\\rtf1 a{\\obj"},
      {"stray closing braces", "{\\rtf1 a}}}{\\object x}b", "{\\rtf1 a}}}b"},
      {"only the start", "{\\rtf", "{\\rtf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WithoutEmbeddedObjects(c.in), c.out);
  }
}

// Every cut of a document with objects, pictures and escapes: no object
// word survives and nothing is added.
TEST(StubInformDlgRichText, NoCutOfADocumentKeepsAnObject) {
  const std::string document =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0 New \\{version\\} \\\\ ready.\\par\r\n"
      "{\\object\\objemb\\objw100{\\*\\objclass Package}{\\*\\objdata 0105000002\\bin2 }{}"
      "{\\result{\\pict\\wmetafile8 0102}}}\r\n"
      "{\\b Download} it.{\\fs20 x\\*\\objdata 99}{\\pict\\bin3 {{{}\\par}";
  for (size_t length = 0; length <= document.size(); ++length) {
    SCOPED_TRACE(length);
    const std::string cut = document.substr(0, length);
    const std::string kept = WithoutEmbeddedObjects(cut);
    EXPECT_LE(kept.size(), cut.size());
    EXPECT_EQ(kept.find("\\object"), std::string::npos);
    EXPECT_EQ(kept.find("\\objdata"), std::string::npos);
    EXPECT_EQ(kept.find("Package"), std::string::npos);
  }
  EXPECT_EQ(WithoutEmbeddedObjects(document),
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}\\f0 New \\{version\\} \\\\ ready.\\par\r\n"
            "\r\n{\\b Download} it.{\\fs20 x}{\\pict\\bin3 {{{}\\par}");
}

}  // namespace
}  // namespace orvane
