// ZMsgBoxMarkup: mark-up conversion and the window-free rules of the box.
#include "ui/ZMsgBoxMarkup.h"

#include <algorithm>

#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

char UpperAscii(char ch) {
  return (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// Every occurrence of `pattern` (ASCII, matched without regard to case when
// asked) replaced, scanning left to right over the text as it was.
std::string ReplaceEvery(std::string_view text, std::string_view pattern,
                         std::string_view replacement, bool ignoreCase) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (;;) {
    const size_t at = FindFrom(text, pattern, from, ignoreCase);
    if (at == std::string_view::npos)
      break;
    out.append(text.substr(from, at - from));
    out.append(replacement);
    from = at + pattern.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Mark-up

std::string ExpandMarkupEscapes(std::string_view text) {
  std::string out = ReplaceEvery(text, "\\\\n", kLineBreak, false);
  out = ReplaceEvery(out, "\\\\t", "\t", false);
  out = ReplaceEvery(out, "<P>", kLineBreak, true);
  out = ReplaceEvery(out, "<T>", "\t", true);
  // "<<b>" at the very start stands for "<b>" (a heading line may be written
  // so); elsewhere its "<" is a literal character.
  if (out.compare(0, 4, "<<b>") == 0)
    out.erase(0, 1);
  return out;
}

MarkedUpText SplitBoldMarkup(std::string_view text) {
  MarkedUpText result;
  std::string& plain = result.plain;
  plain.assign(text);
  // Tags are found on an upper-cased copy that is kept in step with the text.
  std::string shadow = UpperCaseAscii(plain);
  for (;;) {
    const size_t open = shadow.find("<B>");
    if (open == std::string::npos)
      break;
    plain.erase(open, 3);
    shadow.erase(open, 3);
    const size_t close = shadow.find("</B>");
    // A "</B>" at the place of the removed "<B>" closes an empty span.
    if (close == std::string::npos || close < open)
      continue;
    plain.erase(close, 4);
    shadow.erase(close, 4);
    if (close > open)
      result.bold.push_back({static_cast<int>(open), static_cast<int>(close)});
  }
  for (size_t stray; (stray = shadow.find("</B>")) != std::string::npos;) {
    plain.erase(stray, 4);
    shadow.erase(stray, 4);
  }
  return result;
}

MarkedUpText ConvertMarkup(std::string_view text) {
  return SplitBoldMarkup(ExpandMarkupEscapes(text));
}

// ---------------------------------------------------------------------------
// Owner, flags, heading

OwnerChoice DecodeOwner(uintptr_t owner) {
  OwnerChoice choice;
  choice.heading = owner == kMsgOwnerHeading;
  choice.closeDisabled = owner == kMsgOwnerNoClose;
  choice.activeWindowIsOwner = owner <= kMsgOwnerNoClose;
  return choice;
}

uint32_t CompleteFlags(uint32_t flags, uintptr_t owner, int charset) {
  if (DecodeOwner(owner).closeDisabled)
    flags |= kMsgNoClose;
  if (charset == kHebrewCharset || charset == kArabicCharset)
    flags |= kMsgRightAligned | kMsgRtlReading;
  return flags;
}

std::string WithKindHeading(std::string_view text, std::string_view caption) {
  std::string heading(caption);
  if (kDefaultKindCaptions.find(caption) != std::string_view::npos)
    heading = UpperCaseAscii(heading);
  std::string out = "<<b>";
  out += heading;
  out += "</b><P><P>";
  out += text;
  out += "<P>";
  return out;
}

std::string KindCaption(MsgKind kind, std::string_view caption) {
  if (!caption.empty())
    return std::string(caption);
  return SUB::Get(kDefaultKindCaptions, static_cast<int>(kind));
}

int IconIdFromFlags(uint32_t flags) {
  switch ((flags & kMsgIconMask) >> 4) {
    case 1:
      return 32513;  // IDI_HAND
    case 2:
      return 32514;  // IDI_QUESTION
    case 3:
      return 32515;  // IDI_EXCLAMATION
    case 4:
      return 32516;  // IDI_ASTERISK
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------
// Buttons

namespace {

struct ButtonSlot {
  int field;
  int result;
};

// Left to right, per button set 0..5.
constexpr ButtonSlot kSet0[] = {{0, kMsgResultOk}};
constexpr ButtonSlot kSet1[] = {{0, kMsgResultOk}, {1, kMsgResultCancel}};
constexpr ButtonSlot kSet2[] = {{4, kMsgResultAbort}, {5, kMsgResultRetry}, {6, kMsgResultIgnore}};
constexpr ButtonSlot kSet3[] = {{2, kMsgResultYes}, {3, kMsgResultNo}, {1, kMsgResultCancel}};
constexpr ButtonSlot kSet4[] = {{2, kMsgResultYes}, {3, kMsgResultNo}};
constexpr ButtonSlot kSet5[] = {{5, kMsgResultRetry}, {1, kMsgResultCancel}};

struct ButtonSetRow {
  const ButtonSlot* slots;
  int count;
};
constexpr ButtonSetRow kButtonSets[] = {{kSet0, 1}, {kSet1, 2}, {kSet2, 3},
                                        {kSet3, 3}, {kSet4, 2}, {kSet5, 2}};

}  // namespace

std::vector<MsgButton> ButtonsFromFlags(uint32_t flags, std::string_view buttonList) {
  std::vector<MsgButton> buttons;
  const uint32_t set = flags & kMsgButtonSetMask;
  if (set >= sizeof kButtonSets / sizeof kButtonSets[0])
    return buttons;
  const ButtonSetRow& row = kButtonSets[set];
  for (int i = 0; i < row.count; ++i) {
    const ButtonSlot& slot = row.slots[i];
    MsgButton button;
    button.caption = SUB::Get(buttonList, slot.field, SUB::Get(kDefaultButtonList, slot.field));
    button.result = slot.result;
    buttons.push_back(std::move(button));
  }
  return buttons;
}

int WrapButtonIndex(int index, int count) {
  if (count <= 0)
    return -1;
  const int wrapped = index % count;
  return wrapped < 0 ? wrapped + count : wrapped;
}

int DefaultButtonIndex(uint32_t flags, int count) {
  return WrapButtonIndex(static_cast<int>((flags & kMsgDefaultButtonMask) >> 8), count);
}

int ButtonForAltChar(const std::vector<std::string>& captions, char ch, char chUpper) {
  for (size_t i = 0; i < captions.size(); ++i) {
    const std::string& caption = captions[i];
    if (caption.size() >= 2 && (caption[1] == ch || caption[1] == chUpper))
      return static_cast<int>(i);
  }
  return -1;
}

int ButtonForLetterKey(const std::vector<std::string>& captions, int virtualKey) {
  if (virtualKey < 'A' || virtualKey > 'Z')
    return -1;
  const char letter = static_cast<char>(virtualKey);
  for (size_t i = captions.size(); i-- > 0;) {
    const std::string& caption = captions[i];
    const size_t amp = caption.find('&');
    const size_t at = amp == std::string::npos ? 0 : amp + 1;
    if (at < caption.size() && UpperAscii(caption[at]) == letter)
      return static_cast<int>(i);
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Text area and geometry

int MsgLineHeight(int tmHeight, int tmExternalLeading, std::string_view faceName) {
  return tmHeight + tmExternalLeading + (SameTextTrim(faceName, "MS PGothic") ? 1 : 0);
}

Size2 MeasureMsgText(std::string_view plain, int lineHeight, TextExtent& extent) {
  if (plain.empty())
    plain = " ";
  Size2 size;
  size_t from = 0;
  for (;;) {
    const size_t end = plain.find(kLineBreak, from);
    const std::string_view line =
        plain.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    const bool last = end == std::string_view::npos;
    if (!(last && line.empty())) {
      const int pixels = std::max(0, extent.ExtentOf(line));
      size.width = std::max(size.width, pixels + 10);
      size.height += (pixels / kMsgMaxTextWidth + 1) * lineHeight;
    }
    if (last)
      break;
    from = end + kLineBreak.size();
  }
  size.width = std::min(size.width, kMsgMaxTextWidth);
  return size;
}

int FitTextAreaWidth(Size2 measured, bool hasBold, TextAreaResizer& textArea) {
  if (!hasBold)
    return measured.width + 10;
  int widest = measured.width;
  for (int i = 0; i < kMsgWidthTries; ++i) {
    const int width = measured.width + 10 * i;
    const Size2 asked = textArea.ResizeTo(width);
    if (asked.height <= measured.height)
      return width;
    widest = std::max(widest, asked.width);
  }
  return widest + 10;
}

Size2 MsgWindowSize(Size2 textArea, const FrameMetrics& frame) {
  const int marginX = textArea.width < 200 ? 64 : 32;
  const int marginY = textArea.height < 39 ? 45 : 32;
  Size2 window;
  window.width = std::max(360, textArea.width + 54 + 2 * marginX + 2 * frame.cxFrame);
  window.height = textArea.height + 36 + 2 * marginY + 2 * frame.cyFrame + frame.cyCaption;
  return window;
}

Rect2 MsgWindowRect(Size2 window, const Rect2& workArea, bool developerShift) {
  Rect2 rect;
  rect.left = workArea.left + (workArea.width - window.width) / 2;
  rect.top = workArea.top + (workArea.height - window.height) / 2;
  rect.width = window.width;
  rect.height = window.height;
  if (developerShift) {
    rect.left += 150;
    rect.top += 150;
  }
  return rect;
}

Rect2 MsgTextAreaRect(Size2 client, Size2 textArea) {
  Rect2 rect;
  rect.left = 54 + (client.width - 54 - textArea.width) / 2;
  rect.top = (client.height - 36 - textArea.height) / 2;
  rect.width = textArea.width;
  rect.height = client.height - rect.top - 39;
  return rect;
}

Rect2 MsgButtonRect(Size2 client, int index, int count) {
  Rect2 rect;
  rect.left = client.width - 80 - kMsgButtonWidth * (count - 1 - index);
  rect.top = client.height - 36 + (36 - kMsgButtonHeight) / 2 + 1;
  rect.width = kMsgButtonWidth;
  rect.height = kMsgButtonHeight;
  return rect;
}

}  // namespace orvane
