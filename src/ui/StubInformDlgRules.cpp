// StubInformDlgRules: layout, fonts, link and rich-text rules of the
// information dialog.
#include "ui/StubInformDlgRules.h"

#include <algorithm>
#include <cstddef>

#include "util/UtilsText.h"

namespace orvane {

// ---------------------------------------------------------------------------
// Geometry

InformLayout InformDialogLayout(int cw, int ch, bool hasLink) {
  InformLayout layout;
  layout.hasButton = hasLink;
  const int textHeight = hasLink ? ch - kInformStripHeight : ch;
  layout.text = {kInformTextLeft, 0, std::max(0, cw - kInformTextLeft), std::max(0, textHeight)};
  if (!hasLink)
    return layout;
  // The button is centred in the strip: 9 pixels above and below it, plus
  // the strip's line at the top.
  const int stripTop = ch - kInformStripHeight;
  layout.button = {(cw - kInformButtonWidth) / 2,
                   stripTop + (kInformStripHeight - kInformButtonHeight) / 2 + 1,
                   kInformButtonWidth, kInformButtonHeight};
  layout.stripLine = {0, stripTop, std::max(0, cw), 1};
  layout.strip = {0, stripTop + 1, std::max(0, cw), kInformStripHeight - 1};
  return layout;
}

Rect2 InformWindowRect(int screenWidth, int screenHeight, int width, int height) {
  return {(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
}

// ---------------------------------------------------------------------------
// Fonts

std::string InformTextFontFace(std::string_view languageFace) {
  const bool tahoma = languageFace.size() == 6 && StartsWithNoCase(languageFace, "Tahoma");
  if (languageFace.empty() || tahoma)
    return "Verdana";
  return std::string(languageFace);
}

// ---------------------------------------------------------------------------
// Links

bool IsWebAddress(std::string_view link) {
  for (const char c : link) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F || c == '\\')
      return false;
  }
  size_t rest = 0;
  if (StartsWithNoCase(link, "http://"))
    rest = 7;
  else if (StartsWithNoCase(link, "https://"))
    rest = 8;
  else
    return false;
  const std::string_view afterScheme = link.substr(rest);
  const std::string_view authority = afterScheme.substr(0, afterScheme.find_first_of("/?#"));
  const size_t at = authority.rfind('@');
  const std::string_view host = at == std::string_view::npos ? authority : authority.substr(at + 1);
  return !host.empty() && host.front() != ':';
}

// ---------------------------------------------------------------------------
// Rich text

bool IsRichText(std::string_view text) {
  return StartsWithNoCase(text, "{\\rtf") || StartsWithNoCase(text, "{\\urtf");
}

namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A control word at `at` (a backslash and a letter): its name, its numeric
// parameter, and where it ends (after the one blank that may close it).
struct ControlWord {
  std::string_view name;
  bool hasParameter = false;
  bool negative = false;
  size_t parameter = 0;  // saturated, never more than the text's size
  size_t end = 0;
};

ControlWord ReadControlWord(std::string_view text, size_t at) {
  ControlWord word;
  size_t i = at + 1;
  while (i < text.size() && IsLetter(text[i]))
    ++i;
  word.name = text.substr(at + 1, i - at - 1);
  if (i < text.size() && text[i] == '-' && i + 1 < text.size() && IsDigit(text[i + 1])) {
    word.negative = true;
    ++i;
  }
  while (i < text.size() && IsDigit(text[i])) {
    word.hasParameter = true;
    const size_t digit = static_cast<size_t>(text[i] - '0');
    word.parameter = word.parameter > text.size() / 10
                         ? text.size()
                         : std::min(text.size(), word.parameter * 10 + digit);
    ++i;
  }
  if (i < text.size() && text[i] == ' ')
    ++i;
  word.end = i;
  return word;
}

bool IsObjectWord(std::string_view name) {
  return name == "object" || name == "objdata";
}

// Where the token at `at` ends: a control word (with the binary data that
// follows "\binN"), a control symbol ("\{", "\}", "\\", "\*", ...), or one
// byte. Never beyond the end of the text.
size_t TokenEnd(std::string_view text, size_t at) {
  if (text[at] != '\\' || at + 1 >= text.size())
    return at + 1;
  if (!IsLetter(text[at + 1]))
    return at + 2;
  const ControlWord word = ReadControlWord(text, at);
  if (word.name == "bin" && !word.negative)
    return word.end + std::min(word.parameter, text.size() - word.end);
  return word.end;
}

// Skips carriage returns and line feeds, which rich text ignores between
// tokens.
size_t SkipLineBreaks(std::string_view text, size_t at) {
  while (at < text.size() && (text[at] == '\r' || text[at] == '\n'))
    ++at;
  return at;
}

// Whether an object destination starts at `at`: \object or \objdata, or
// "\*" followed by one of them.
bool ObjectDestinationAt(std::string_view text, size_t at) {
  if (text.substr(at).starts_with("\\*"))
    at = SkipLineBreaks(text, at + 2);
  if (at + 1 >= text.size() || text[at] != '\\' || !IsLetter(text[at + 1]))
    return false;
  return IsObjectWord(ReadControlWord(text, at).name);
}

// The position of the closing brace of the group the scan is in at `at`
// (nested groups are passed over), or the end of the text when it has none.
size_t GroupEnd(std::string_view text, size_t at) {
  int nested = 0;
  while (at < text.size()) {
    if (text[at] == '}') {
      if (nested == 0)
        return at;
      --nested;
    } else if (text[at] == '{') {
      ++nested;
    }
    at = TokenEnd(text, at);
  }
  return text.size();
}

}  // namespace

std::string WithoutEmbeddedObjects(std::string_view text) {
  if (!IsRichText(text))
    return std::string(text);
  std::string kept;
  kept.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    if (text[at] == '{' && ObjectDestinationAt(text, SkipLineBreaks(text, at + 1))) {
      // The whole group, braces included.
      at = std::min(text.size(), GroupEnd(text, at + 1) + 1);
      continue;
    }
    if (text[at] == '\\' && ObjectDestinationAt(text, at)) {
      // The rest of the group; its closing brace is kept.
      at = GroupEnd(text, at);
      continue;
    }
    const size_t end = TokenEnd(text, at);
    kept.append(text.substr(at, end - at));
    at = end;
  }
  return kept;
}

}  // namespace orvane
