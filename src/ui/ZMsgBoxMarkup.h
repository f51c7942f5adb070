// ZMsgBoxMarkup: the rules of the launcher's message box that need no window.
//
// Every user-visible message of the launcher is written in a small mark-up:
//   "\\n" (backslash, backslash, n) and "<P>" break the line (CR LF),
//   "\\t" and "<T>" are a TAB, "<B>" ... "</B>" is a bold span;
// the tags match in any case, the escapes only as written. The conversion runs
// in two stages: ExpandMarkupEscapes turns the escapes and the line and tab
// tags into characters, SplitBoldMarkup takes the bold tags out and records
// where the bold spans lie.
//
// The rest of this unit is what the box (ZMsgBox.h) decides from its
// arguments and from sizes it has measured: the owner code and flags word,
// the kind heading, the button set with captions and results, keyboard
// choices, the text-area size with its width tries, and the window geometry.
// The flags word follows the system message box:
//   bits 0-3 button set, 4-7 icon, 8-11 default button, 19 right-aligned
//   text, 20 right-to-left reading, 28 Close command disabled.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// ---------------------------------------------------------------------------
// Mark-up

// A bold span of the plain text: character offsets, start inclusive, end
// exclusive. Offsets count CR LF as two characters, as the rich-edit control
// of the box does.
struct BoldRange {
  int start = 0;
  int end = 0;
  bool operator==(const BoldRange& other) const { return start == other.start && end == other.end; }
};

struct MarkedUpText {
  std::string plain;
  std::vector<BoldRange> bold;
};

// Stage 1, in this order: "\\n" -> CR LF, "\\t" -> TAB (both case-sensitive,
// a single backslash stays as it is), "<P>" -> CR LF, "<T>" -> TAB (any
// case), and a leading "<<b>" loses its first character (so it opens bold).
std::string ExpandMarkupEscapes(std::string_view text);

// Stage 2: repeatedly takes out the first "<B>" (any case) and the first
// "</B>" that follows it, recording the span between them; a "<B>" without
// a later "</B>" makes nothing bold. Every "</B>" left over is removed.
// Spans do not nest: each is fixed when it is taken out and not corrected for
// tags removed afterwards. Empty spans are not recorded.
MarkedUpText SplitBoldMarkup(std::string_view text);

// Both stages.
MarkedUpText ConvertMarkup(std::string_view text);

// ---------------------------------------------------------------------------
// Owner, flags, heading

// The owner argument of the box is a code or a window handle.
constexpr uintptr_t kMsgOwnerHeading = 0;  // kind heading; the active window owns the box
constexpr uintptr_t kMsgOwnerPlain = 1;    // no heading; the active window owns the box
constexpr uintptr_t kMsgOwnerNoClose = 2;  // as 1, and the Close command is disabled
// 3 and above: the owner window's handle, no heading.

constexpr uint32_t kMsgButtonSetMask = 0xF;
constexpr uint32_t kMsgIconMask = 0xF0;
constexpr uint32_t kMsgDefaultButtonMask = 0xF00;
constexpr uint32_t kMsgRightAligned = 0x80000;
constexpr uint32_t kMsgRtlReading = 0x100000;
constexpr uint32_t kMsgNoClose = 0x10000000;

// Results, as the system message box's.
constexpr int kMsgResultNone = 0;  // closed without a button
constexpr int kMsgResultOk = 1;
constexpr int kMsgResultCancel = 2;
constexpr int kMsgResultAbort = 3;
constexpr int kMsgResultRetry = 4;
constexpr int kMsgResultIgnore = 5;
constexpr int kMsgResultYes = 6;
constexpr int kMsgResultNo = 7;

// Character sets whose text reads right to left.
constexpr int kHebrewCharset = 177;
constexpr int kArabicCharset = 178;

struct OwnerChoice {
  bool heading = false;              // code 0
  bool closeDisabled = false;        // code 2
  bool activeWindowIsOwner = false;  // codes 0-2; otherwise `owner` is the handle
};
OwnerChoice DecodeOwner(uintptr_t owner);

// The flags as the box uses them: bit 28 added for owner code 2, bits 19 and
// 20 added for a Hebrew or Arabic character set.
uint32_t CompleteFlags(uint32_t flags, uintptr_t owner, int charset);

// The message text with the kind heading of owner code 0: the caption, in
// upper case when it is one of the English kind words (any substring of
// "|Error|Attention|Confirm|", compared with case), as a bold first line,
// then an empty line, the message and a final line break.
std::string WithKindHeading(std::string_view text, std::string_view caption);

// Kinds of the front ends and their default captions.
enum class MsgKind { Error = 0, Attention = 1, Confirm = 2 };
constexpr std::string_view kDefaultKindCaptions = "|Error|Attention|Confirm|";
// `caption`, or the default caption of `kind` when it is empty.
std::string KindCaption(MsgKind kind, std::string_view caption);

// The system icon id of the icon bits (32513 stop, 32514 question, 32515
// exclamation, 32516 information); 0 for the program's own icon.
int IconIdFromFlags(uint32_t flags);

// ---------------------------------------------------------------------------
// Buttons

constexpr std::string_view kDefaultButtonList = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

struct MsgButton {
  std::string caption;
  int result = 0;
};

// The buttons of the button-set bits, left to right, with their captions
// from `buttonList` (fields by position: 0 OK, 1 Cancel, 2 Yes, 3 No,
// 4 Abort, 5 Retry, 6 Ignore). A field that is missing or empty in
// `buttonList` takes the default caption. Sets 6 to 15 have no buttons.
std::vector<MsgButton> ButtonsFromFlags(uint32_t flags, std::string_view buttonList);

// Index `index` wrapped into 0..count-1 (a negative index counts from the
// right); -1 when there are no buttons.
int WrapButtonIndex(int index, int count);
// The default button's index: the default-button bits wrapped by the count.
int DefaultButtonIndex(uint32_t flags, int count);

// Alt + `ch`: the leftmost button whose caption has at least 2 characters
// and whose second character is `ch` or `chUpper` (the upper-case form of
// `ch`, which depends on the code page); -1 when none.
int ButtonForAltChar(const std::vector<std::string>& captions, char ch, char chUpper);
// A letter key (virtual key 'A'..'Z'): the rightmost button whose caption
// character after its first "&" (its first character when it has none)
// equals the letter without regard to ASCII case; -1 when none or when the
// key is not a letter.
int ButtonForLetterKey(const std::vector<std::string>& captions, int virtualKey);

// ---------------------------------------------------------------------------
// Text area and geometry (pixels)

struct Size2 {
  int width = 0;
  int height = 0;
};

constexpr int kMsgMaxTextWidth = 600;
constexpr int kMsgWidthTries = 21;

// Height of a text line in the box font; one more for "MS PGothic", whose
// lines otherwise touch.
int MsgLineHeight(int tmHeight, int tmExternalLeading, std::string_view faceName);

// Measures a line of text in the box font; implemented by the box (on its
// device context) and by tests.
class TextExtent {
 public:
  // The line's width in pixels.
  virtual int ExtentOf(std::string_view line) = 0;

 protected:
  ~TextExtent() = default;
};

// The measured size of the plain text: each CR LF-separated line (an empty
// last line excepted; an empty text counts as " ") is `extent.ExtentOf(line)`
// pixels wide; width is the widest line + 10, at most 600; a line counts one
// line height per started 600 pixels of its extent.
Size2 MeasureMsgText(std::string_view plain, int lineHeight, TextExtent& extent);

// The text-area control as FitTextAreaWidth tries widths on it; implemented
// by the box and by tests.
class TextAreaResizer {
 public:
  // Sizes the control to `width` and returns the size it then asks for.
  virtual Size2 ResizeTo(int width) = 0;

 protected:
  ~TextAreaResizer() = default;
};

// The width of the text area. Without bold text: measured width + 10. With
// bold text (wider than measured), tries widths measured + 10 x i for i = 0
// to 20 through `textArea.ResizeTo(width)`; the first try whose asked height
// is not above the measured height wins. When none does, the widest asked
// width + 10.
int FitTextAreaWidth(Size2 measured, bool hasBold, TextAreaResizer& textArea);

struct Rect2 {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct FrameMetrics {
  int cxFrame = 0;
  int cyFrame = 0;
  int cyCaption = 0;
};

// The box window's size for a text area of `textArea` (w x h): margins 32
// (64 horizontally when w < 200, 45 vertically when h < 39), a 54-pixel band,
// a 36-pixel button strip; never narrower than 360.
Size2 MsgWindowSize(Size2 textArea, const FrameMetrics& frame);

// The window centred in `workArea` (halves truncated toward zero), moved by
// 150 right and down when `developerShift`.
Rect2 MsgWindowRect(Size2 window, const Rect2& workArea, bool developerShift);

// The text that moves the box aside in developer mode.
constexpr std::string_view kDeveloperShiftText = "Do you want to store the new Entry in";

// The text area in a client area of `client` (cw x ch): centred right of the
// band and above the button strip, stretched down to 3 pixels above the strip.
Rect2 MsgTextAreaRect(Size2 client, Size2 textArea);

constexpr int kMsgButtonWidth = 70;
constexpr int kMsgButtonHeight = 23;
// Button `index` of `count` (left to right) in a client area of `client`:
// the rightmost starts 80 pixels from the right edge, the others touch it.
Rect2 MsgButtonRect(Size2 client, int index, int count);

}  // namespace orvane
