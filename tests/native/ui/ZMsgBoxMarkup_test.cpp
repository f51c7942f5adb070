// The message box's window-free rules: the mark-up, the owner codes and
// flags, the kind heading, button sets and keyboard choices, the text-area
// measurement with its width tries, and the geometry.
#include "ui/ZMsgBoxMarkup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

// ---------------------------------------------------------------------------
// Mark-up

struct EscapeCase {
  const char* name;
  std::string in;
  std::string out;
};

TEST(ZMsgBoxMarkupEscapes, ExpandsEscapesAndLineTags) {
  const EscapeCase cases[] = {
      {"double backslash n breaks the line", "a\\\\nb", "a\r\nb"},
      {"double backslash t is a tab", "a\\\\tb", "a\tb"},
      {"every occurrence", "\\\\n\\\\n", "\r\n\r\n"},
      {"single backslash n stays", "a\\nb", "a\\nb"},
      {"single backslash t stays", "a\\tb", "a\\tb"},
      {"escapes are case-sensitive", "a\\\\Nb\\\\Tc", "a\\\\Nb\\\\Tc"},
      {"three backslashes keep the first", "\\\\\\n", "\\\r\n"},
      {"paragraph tag in any case", "x<p>y<P>z", "x\r\ny\r\nz"},
      {"tab tag in any case", "<t>a<T>", "\ta\t"},
      {"tags produce no new escapes", "\\\\<P>n", "\\\\\r\nn"},
      {"leading <<b> opens bold", "<<b>Head</b>", "<b>Head</b>"},
      {"leading <<b> after the tags", "<<b>E</b><P><P>m<P>", "<b>E</b>\r\n\r\nm\r\n"},
      {"<<b> elsewhere stays", "x<<b>y", "x<<b>y"},
      {"leading <<B> is not the heading form", "<<B>x", "<<B>x"},
      {"three angle brackets stay", "<<<b>x", "<<<b>x"},
      {"bold tags untouched", "<B>x</B>", "<B>x</B>"},
      {"empty", "", ""},
  };
  for (const EscapeCase& c : cases)
    EXPECT_EQ(ExpandMarkupEscapes(c.in), c.out) << c.name;
}

struct BoldCase {
  const char* name;
  std::string in;
  std::string plain;
  std::vector<BoldRange> bold;
};

TEST(ZMsgBoxMarkupBold, SplitsBoldSpansFromThePlainText) {
  const BoldCase cases[] = {
      {"one span", "<B>Hello</B> World", "Hello World", {{0, 5}}},
      {"any case", "<b>Hi</B> <B>there</b>", "Hi there", {{0, 2}, {3, 8}}},
      {"span inside", "a <b>b</b> c", "a b c", {{2, 3}}},
      {"no closing tag: nothing bold", "<B>open only", "open only", {}},
      {"stray close before open: removed, span plain", "</B>a<B>b</B>", "ab", {}},
      {"stray close after a span", "<B>a</B>b</b>", "ab", {{0, 1}}},
      // Spans do not nest: the outer span keeps the offsets it had when it
      // was taken out, before the inner "<B>" went.
      {"nested spans keep their first offsets", "<B>a<B>b</B>c</B>", "abc", {{0, 5}, {1, 3}}},
      {"empty span is not recorded", "<B></B>x<B>y</B>", "xy", {{1, 2}}},
      {"empty span at the end", "ab<b></b>", "ab", {}},
      {"no tags", "plain text", "plain text", {}},
      {"angle brackets that are no tags", "a < b > c <Bold>", "a < b > c <Bold>", {}},
  };
  for (const BoldCase& c : cases) {
    const MarkedUpText out = SplitBoldMarkup(c.in);
    EXPECT_EQ(out.plain, c.plain) << c.name;
    EXPECT_EQ(out.bold, c.bold) << c.name;
  }
}

TEST(ZMsgBoxMarkupConvert, ConvertsBothStagesInOrder) {
  const BoldCase cases[] = {
      {"bold word, paragraph, second word", "<B>First</B><P>Second", "First\r\nSecond", {{0, 5}}},
      {"mixed case tags", "<b>First</B><p>Second", "First\r\nSecond", {{0, 5}}},
      {"offsets count CR LF as two", "a<P><B>b</B>", "a\r\nb", {{3, 4}}},
      {"heading form", "<<b>ERROR</b><P><P>text<P>", "ERROR\r\n\r\ntext\r\n", {{0, 5}}},
      {"tab inside bold", "<B>a<T>b</B>", "a\tb", {{0, 3}}},
      {"the disk prompt",
       "Please insert <B>DISK #2</B> and press OK to continue",
       "Please insert DISK #2 and press OK to continue",
       {{14, 21}}},
  };
  for (const BoldCase& c : cases) {
    const MarkedUpText out = ConvertMarkup(c.in);
    EXPECT_EQ(out.plain, c.plain) << c.name;
    EXPECT_EQ(out.bold, c.bold) << c.name;
  }
}

TEST(ZMsgBoxMarkupConvert, LongTextsKeepTheirSpanOffsets) {
  // Offsets beyond 65535 characters still point at the span.
  const std::string filler(70000, 'x');
  const MarkedUpText out = ConvertMarkup(filler + "<B>end</B>");
  ASSERT_EQ(out.bold.size(), 1u);
  EXPECT_EQ(out.bold[0].start, 70000);
  EXPECT_EQ(out.bold[0].end, 70003);
  EXPECT_EQ(out.plain.substr(70000), "end");
}

// ---------------------------------------------------------------------------
// Owner, flags, heading

TEST(ZMsgBoxOwner, DecodesOwnerCodesAndCompletesFlags) {
  struct Case {
    uintptr_t owner;
    int charset;
    uint32_t flags;
    bool heading, closeDisabled, activeOwner;
    uint32_t completed;
  };
  const Case cases[] = {
      {0, 0, 0x10, true, false, true, 0x10},        {1, 0, 0x24, false, false, true, 0x24},
      {2, 0, 0x30, false, true, true, 0x10000030},  {3, 0, 0x21, false, false, false, 0x21},
      {0x1234, 1, 0, false, false, false, 0},       {0, 177, 0x10, true, false, true, 0x180010},
      {1, 178, 0x24, false, false, true, 0x180024}, {2, 177, 0, false, true, true, 0x10180000},
      {1, 176, 0, false, false, true, 0},           {1, 186, 0, false, false, true, 0},
  };
  for (const Case& c : cases) {
    const OwnerChoice choice = DecodeOwner(c.owner);
    EXPECT_EQ(choice.heading, c.heading) << c.owner;
    EXPECT_EQ(choice.closeDisabled, c.closeDisabled) << c.owner;
    EXPECT_EQ(choice.activeWindowIsOwner, c.activeOwner) << c.owner;
    EXPECT_EQ(CompleteFlags(c.flags, c.owner, c.charset), c.completed)
        << c.owner << " charset " << c.charset;
  }
}

TEST(ZMsgBoxHeading, UpperCasesOnlyTheEnglishKindWords) {
  const std::pair<const char*, const char*> cases[] = {
      {"Error", "ERROR"},
      {"Attention", "ATTENTION"},
      {"Confirm", "CONFIRM"},
      {"Fehler", "Fehler"},
      {"error", "error"},  // the kind words compare with case
      {"Achtung!", "Achtung!"},
      {"Err", "ERR"},  // any part of the word list
      {"Error Report", "Error Report"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithKindHeading("msg", c.first), std::string("<<b>") + c.second + "</b><P><P>msg<P>")
        << c.first;
  }
  const MarkedUpText shown = ConvertMarkup(WithKindHeading("Bad <B>CRC</B>!", "Error"));
  EXPECT_EQ(shown.plain, "ERROR\r\n\r\nBad CRC!\r\n");
  EXPECT_EQ(shown.bold, (std::vector<BoldRange>{{0, 5}, {13, 16}}));
}

TEST(ZMsgBoxHeading, EmptyCaptionTakesTheKindDefault) {
  EXPECT_EQ(KindCaption(MsgKind::Error, ""), "Error");
  EXPECT_EQ(KindCaption(MsgKind::Attention, ""), "Attention");
  EXPECT_EQ(KindCaption(MsgKind::Confirm, ""), "Confirm");
  EXPECT_EQ(KindCaption(MsgKind::Confirm, "Bestätigen"), "Bestätigen");
}

TEST(ZMsgBoxIcon, ChoosesTheSystemIconFromTheIconBits) {
  const std::pair<uint32_t, int> cases[] = {
      {0x00, 0}, {0x10, 32513}, {0x20, 32514},       {0x30, 32515},     {0x40, 32516},
      {0x50, 0}, {0xF0, 0},     {0x10000F24, 32514}, {0x180F34, 32515},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IconIdFromFlags(c.first), c.second) << std::hex << c.first;
}

// ---------------------------------------------------------------------------
// Buttons

TEST(ZMsgBoxButtons, ButtonSetsHaveTheirCaptionsAndResults) {
  struct Case {
    uint32_t flags;
    std::vector<std::string> captions;
    std::vector<int> results;
  };
  const Case cases[] = {
      {0x0, {"&OK"}, {1}},
      {0x1, {"&OK", "&Cancel"}, {1, 2}},
      {0x2, {"&Abort", "&Retry", "&Ignore"}, {3, 4, 5}},
      {0x3, {"&Yes", "&No", "&Cancel"}, {6, 7, 2}},
      {0x4, {"&Yes", "&No"}, {6, 7}},
      {0x5, {"&Retry", "&Cancel"}, {4, 2}},
      {0x6, {}, {}},
      {0xF, {}, {}},
      {0x10000F34, {"&Yes", "&No"}, {6, 7}},  // other bits do not matter
  };
  for (const Case& c : cases) {
    const std::vector<MsgButton> buttons = ButtonsFromFlags(c.flags, kDefaultButtonList);
    std::vector<std::string> captions;
    std::vector<int> results;
    for (const MsgButton& b : buttons) {
      captions.push_back(b.caption);
      results.push_back(b.result);
    }
    EXPECT_EQ(captions, c.captions) << std::hex << c.flags;
    EXPECT_EQ(results, c.results) << std::hex << c.flags;
  }
}

TEST(ZMsgBoxButtons, CaptionsComeFromTheListByPosition) {
  struct Case {
    const char* list;
    uint32_t flags;
    std::vector<std::string> captions;
  };
  const Case cases[] = {
      {"|&Ja|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|",
       0x3,
       {"&Ja", "&Nein", "&Abbrechen"}},
      {"*A*B*C*D*E*F*G*", 0x2, {"E", "F", "G"}},
      // Missing and empty fields keep the default caption.
      {"|&Oui|&Annuler|", 0x4, {"&Yes", "&No"}},
      {"|&Oui||&Oui!|", 0x1, {"&Oui", "&Cancel"}},
      {"", 0x5, {"&Retry", "&Cancel"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> captions;
    for (const MsgButton& b : ButtonsFromFlags(c.flags, c.list))
      captions.push_back(b.caption);
    EXPECT_EQ(captions, c.captions) << c.list;
  }
}

TEST(ZMsgBoxButtons, IndexesWrapAroundTheButtonCount) {
  struct Case {
    int index, count, wrapped;
  };
  const Case cases[] = {
      {0, 2, 0},  {1, 2, 1},  {2, 2, 0},  {3, 3, 0},  {-1, 3, 2}, {-2, 3, 1},
      {-2, 2, 0}, {-2, 1, 0}, {15, 1, 0}, {15, 2, 1}, {0, 0, -1}, {-2, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WrapButtonIndex(c.index, c.count), c.wrapped) << c.index << " of " << c.count;

  // Default-button bits: index 2 in a two-button box is the leftmost button.
  EXPECT_EQ(DefaultButtonIndex(0x204, 2), 0);
  EXPECT_EQ(DefaultButtonIndex(0x104, 2), 1);
  EXPECT_EQ(DefaultButtonIndex(0x203, 3), 2);
  EXPECT_EQ(DefaultButtonIndex(0xF02, 3), 0);
  EXPECT_EQ(DefaultButtonIndex(0x100, 0), -1);
}

TEST(ZMsgBoxKeys, AltCharacterChoosesByTheSecondCaptionCharacter) {
  const std::vector<std::string> ync = {"&Yes", "&No", "&Cancel"};
  struct Case {
    std::vector<std::string> captions;
    char ch, upper;
    int chosen;
  };
  const Case cases[] = {
      {ync, 'y', 'Y', 0},
      {ync, 'n', 'N', 1},
      {ync, 'C', 'C', 2},
      {ync, 'x', 'X', -1},
      {{"&Retry", "&Reset"}, 'r', 'R', 0},                  // the leftmost match wins
      {{"&yes", "&No"}, 'Y', 'Y', -1},                      // the caption's case counts
      {{"&", "&N"}, 'n', 'N', 1},                           // a one-character caption never matches
      {{"&\xC4\xE0", "&\xCD\xE5\xF2"}, '\xE4', '\xC4', 0},  // code-page upper case
      {{}, 'y', 'Y', -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ButtonForAltChar(c.captions, c.ch, c.upper), c.chosen) << c.ch;
}

TEST(ZMsgBoxKeys, LetterKeyChoosesByTheCharacterAfterTheAmpersand) {
  const std::vector<std::string> ync = {"&Yes", "&No", "&Cancel"};
  struct Case {
    std::vector<std::string> captions;
    int key;
    int chosen;
  };
  const Case cases[] = {
      {ync, 'Y', 0},
      {ync, 'N', 1},
      {ync, 'C', 2},
      {ync, 'Q', -1},
      {{"&yes", "&no"}, 'Y', 0},   // compared in upper case
      {{"OK", "Cancel"}, 'O', 0},  // no "&": the first character
      {{"E&xit", "&Exit"}, 'X', 0},
      {{"E&xit", "&Exit"}, 'E', 1},
      {{"&Retry", "&Reset"}, 'R', 1},  // the rightmost match wins
      {{"OK&", "&Cancel"}, 'O', -1},   // nothing after the "&"
      {{"", "&Cancel"}, 'C', 1},
      {{"&Abort", "&Retry", "&Ignore"}, 0x61, -1},  // numeric keypad 1 is no letter
      {{"&Abort", "&Retry", "&Ignore"}, 0x72, -1},  // F3 is no letter
      {{"&1", "&2"}, '1', -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ButtonForLetterKey(c.captions, c.key), c.chosen) << c.key;
}

// ---------------------------------------------------------------------------
// Text area and geometry

TEST(ZMsgBoxMeasure, LineHeightAddsOneForMsPGothic) {
  EXPECT_EQ(MsgLineHeight(13, 0, "Tahoma"), 13);
  EXPECT_EQ(MsgLineHeight(13, 2, "Tahoma"), 15);
  EXPECT_EQ(MsgLineHeight(13, 2, "MS PGothic"), 16);
  EXPECT_EQ(MsgLineHeight(13, 0, "  ms pgothic "), 14);
  EXPECT_EQ(MsgLineHeight(13, 0, "MS Gothic"), 13);
}

// Each character 7 pixels wide, except 'W' (650), 'M' (1300), 'x' (100)
// and 'y' (99); every line measured is noted.
class FakeTextExtent final : public TextExtent {
 public:
  int ExtentOf(std::string_view line) override {
    lines.emplace_back(line);
    int extent = 0;
    for (char ch : line)
      extent += ch == 'W' ? 650 : ch == 'M' ? 1300 : ch == 'x' ? 100 : ch == 'y' ? 99 : 7;
    return extent;
  }

  std::vector<std::string> lines;
};

TEST(ZMsgBoxMeasure, MeasuresLinesAgainstTheWidthLimit) {
  struct Case {
    const char* name;
    std::string text;
    int width, lines;
  };
  const Case cases[] = {
      {"empty text is one line of a blank", "", 17, 1},
      {"one line", "abc", 31, 1},
      {"widest line plus 10", "abc\r\nabcdef", 52, 2},
      {"empty last line not counted", "abc\r\nde\r\n", 31, 2},
      {"empty lines inside count", "abc\r\n\r\nz", 31, 3},
      {"lone line feed does not split", "ab\ncd", 45, 1},
      {"1300-pixel line: 600 wide, 3 lines", "M", 600, 3},
      {"650-pixel line: 2 lines", "W", 600, 2},
      {"exactly 600 pixels starts a second line", "xxxxxx", 600, 2},
      {"599 pixels stays one line", "xxxxxy", 600, 1},
      {"500 pixels is 510 wide", "xxxxx", 510, 1},
      {"long and short lines", "M\r\nab\r\nW", 600, 6},
  };
  for (const Case& c : cases) {
    FakeTextExtent extent;
    const Size2 size = MeasureMsgText(c.text, 13, extent);
    EXPECT_EQ(size.width, c.width) << c.name;
    EXPECT_EQ(size.height, c.lines * 13) << c.name;
  }
}

TEST(ZMsgBoxMeasure, MeasuresEachLineWithoutItsLineBreak) {
  FakeTextExtent extent;
  MeasureMsgText("one\r\ntwo\r\n\r\nthree\r\n", 10, extent);
  EXPECT_EQ(extent.lines, (std::vector<std::string>{"one", "two", "", "three"}));
}

TEST(ZMsgBoxWidthTries, WidensBoldTextUntilItFitsTheMeasuredHeight) {
  // A control whose text needs `needed` pixels to keep `lines` lines; at
  // narrower widths it wraps into one more line.
  class Control final : public TextAreaResizer {
   public:
    Control(int needed, int lineHeight, int lines)
        : needed_(needed), lineHeight_(lineHeight), lines_(lines) {}
    Size2 ResizeTo(int width) override {
      tried.push_back(width);
      return {width + 4, (width >= needed_ ? lines_ : lines_ + 1) * lineHeight_};
    }
    std::vector<int> tried;

   private:
    int needed_;
    int lineHeight_;
    int lines_;
  };
  struct Case {
    const char* name;
    int needed;
    bool hasBold;
    int width;
    std::vector<int> tried;
  };
  const Size2 measured{200, 26};
  const Case cases[] = {
      {"no bold: measured + 10, no tries", 9999, false, 210, {}},
      {"bold that fits at once", 150, true, 200, {200}},
      {"bold needing 25 more pixels", 225, true, 230, {200, 210, 220, 230}},
      {"fits at the last try", 400, true, 400, {200, 210, 220, 230, 240, 250, 260,
                                                270, 280, 290, 300, 310, 320, 330,
                                                340, 350, 360, 370, 380, 390, 400}},
      // All 21 tries fail: the widest asked width (400 + 4) plus 10.
      {"never fits", 401, true, 414, {200, 210, 220, 230, 240, 250, 260, 270, 280, 290, 300,
                                      310, 320, 330, 340, 350, 360, 370, 380, 390, 400}},
  };
  for (const Case& c : cases) {
    Control control(c.needed, 13, 2);
    const int width = FitTextAreaWidth(measured, c.hasBold, control);
    EXPECT_EQ(width, c.width) << c.name;
    EXPECT_EQ(control.tried, c.tried) << c.name;
  }
}

TEST(ZMsgBoxWidthTries, AnAskedHeightEqualToTheMeasuredOneFits) {
  // A control that asks for exactly the measured height at any width.
  class Control final : public TextAreaResizer {
   public:
    Size2 ResizeTo(int width) override {
      ++calls;
      return {width, 39};
    }
    int calls = 0;
  } control;
  const int width = FitTextAreaWidth({300, 39}, true, control);
  EXPECT_EQ(width, 300);
  EXPECT_EQ(control.calls, 1);
}

TEST(ZMsgBoxGeometry, WindowSizeHasMarginsAndAMinimumWidth) {
  const FrameMetrics frame{4, 4, 19};
  struct Case {
    Size2 text;
    Size2 window;
  };
  const Case cases[] = {
      // w < 200: horizontal margin 64; h < 39: vertical margin 45.
      {{100, 13}, {360, 13 + 36 + 90 + 8 + 19}},
      {{199, 38}, {199 + 54 + 128 + 8, 38 + 36 + 90 + 8 + 19}},
      {{200, 39}, {360, 39 + 36 + 64 + 8 + 19}},
      {{230, 39}, {360, 39 + 36 + 64 + 8 + 19}},
      {{300, 39}, {300 + 54 + 64 + 8, 39 + 36 + 64 + 8 + 19}},
      {{610, 117}, {610 + 54 + 64 + 8, 117 + 36 + 64 + 8 + 19}},
      {{0, 0}, {360, 36 + 90 + 8 + 19}},
  };
  for (const Case& c : cases) {
    const Size2 window = MsgWindowSize(c.text, frame);
    EXPECT_EQ(window.width, c.window.width) << c.text.width << "x" << c.text.height;
    EXPECT_EQ(window.height, c.window.height) << c.text.width << "x" << c.text.height;
    EXPECT_GE(window.width, 360);
  }
}

TEST(ZMsgBoxGeometry, WindowIsCentredInTheWorkArea) {
  struct Case {
    Size2 window;
    Rect2 work;
    bool shift;
    int left, top;
  };
  const Case cases[] = {
      {{360, 164}, {0, 0, 1280, 1024}, false, 460, 430},
      {{360, 165}, {0, 0, 1281, 1024}, false, 460, 429},    // halves truncated
      {{360, 164}, {100, 30, 1280, 994}, false, 560, 445},  // work area offset
      {{360, 164}, {0, 0, 301, 100}, false, -29, -32},      // toward zero, not down
      {{360, 164}, {0, 0, 1280, 1024}, true, 610, 580},     // developer shift
  };
  for (const Case& c : cases) {
    const Rect2 rect = MsgWindowRect(c.window, c.work, c.shift);
    EXPECT_EQ(rect.left, c.left);
    EXPECT_EQ(rect.top, c.top);
    EXPECT_EQ(rect.width, c.window.width);
    EXPECT_EQ(rect.height, c.window.height);
  }
}

TEST(ZMsgBoxGeometry, TextAreaSitsRightOfTheBandAboveTheStrip) {
  struct Case {
    Size2 client, text;
    Rect2 area;
  };
  const Case cases[] = {
      {{354, 139}, {110, 13}, {54 + 95, 45, 110, 139 - 45 - 39}},
      {{355, 141}, {110, 14}, {54 + 95, 45, 110, 141 - 45 - 39}},
      {{728, 217}, {610, 117}, {54 + 32, 32, 610, 217 - 32 - 39}},
  };
  for (const Case& c : cases) {
    const Rect2 area = MsgTextAreaRect(c.client, c.text);
    EXPECT_EQ(area.left, c.area.left);
    EXPECT_EQ(area.top, c.area.top);
    EXPECT_EQ(area.width, c.area.width);
    EXPECT_EQ(area.height, c.area.height);
  }
}

TEST(ZMsgBoxGeometry, ButtonsTouchFromTheRightInTheStrip) {
  const Size2 client{354, 139};
  const int tops = 139 - 29;
  const int lefts3[] = {354 - 80 - 140, 354 - 80 - 70, 354 - 80};
  for (int i = 0; i < 3; ++i) {
    const Rect2 r = MsgButtonRect(client, i, 3);
    EXPECT_EQ(r.left, lefts3[i]);
    EXPECT_EQ(r.top, tops);
    EXPECT_EQ(r.width, 70);
    EXPECT_EQ(r.height, 23);
  }
  EXPECT_EQ(MsgButtonRect(client, 0, 1).left, 354 - 80);
}

}  // namespace
}  // namespace orvane
