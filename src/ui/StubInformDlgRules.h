// StubInformDlgRules: the rules of the information dialog (StubInformDlg.h)
// that need no window.
//
// The dialog shows a longer text (plain or rich text) in a read-only
// rich-edit control and, when a link is given, one centred button in a grey
// strip at the bottom. This unit computes where those go for a client area,
// which fonts and window position the dialog takes, which links count as web
// addresses, and how a downloaded rich text is cleaned of embedded objects
// before the control reads it.
#pragma once

#include <string>
#include <string_view>

#include "ui/ZMsgBoxMarkup.h"

namespace orvane {

// ---------------------------------------------------------------------------
// Geometry

// The button strip at the bottom (when there is a link): its height, and the
// button's size inside it.
constexpr int kInformStripHeight = 43;
constexpr int kInformButtonWidth = 160;
constexpr int kInformButtonHeight = 25;
// The text control's distance from the left edge.
constexpr int kInformTextLeft = 3;

// Where the dialog's parts go in a client area of cw x ch (client
// coordinates). Without a link the text fills the client area from
// x = kInformTextLeft and there is neither button nor strip (the rectangles
// of both are then empty). Sizes never come out negative: a client area too
// small for a part leaves it 0 wide or high.
struct InformLayout {
  bool hasButton = false;
  Rect2 text;
  Rect2 button;
  // Painting: the 1-pixel dark line at the top of the strip, then the strip
  // filled in the button-face colour down to the bottom.
  Rect2 stripLine;
  Rect2 strip;
};
InformLayout InformDialogLayout(int cw, int ch, bool hasLink);

// The place of a window of `width` x `height` centred on a screen of
// `screenWidth` x `screenHeight`: left and top are the halves of the
// differences, truncated toward zero (negative when the window is larger
// than the screen).
Rect2 InformWindowRect(int screenWidth, int screenHeight, int width, int height);

// ---------------------------------------------------------------------------
// Fonts

// The cell height of the text font, in pixels.
constexpr int kInformTextFontHeight = 15;

// The face of the text font: "Verdana" when the language's face is "Tahoma"
// (in any case) or empty, else the language's face. The button keeps the
// language's face.
std::string InformTextFontFace(std::string_view languageFace);

// ---------------------------------------------------------------------------
// Links and texts

// Whether `link` is an absolute web address: "http://" or "https://" (the
// scheme in any case) followed by a non-empty host (the part before the
// first "/", "?" or "#", after any "user@" and before any ":port"), with no
// control character, blank or backslash anywhere. Anything else (a program,
// a file or UNC path, "file:", "javascript:", "mailto:", a bare host) is
// not. The link is taken as it is: a leading or trailing blank makes it no
// web address, so a caller that did not trim fails safe (the dialog itself
// trims the link before it uses it).
bool IsWebAddress(std::string_view link);

// Whether `text` may be taken as rich text by the rich-edit control: it
// starts with "{\rtf" or "{\urtf", in any case (the wider reading is the
// safer one for the clean-up below).
bool IsRichText(std::string_view text);

// `text` without embedded objects. A plain text (IsRichText false) comes
// back unchanged. In a rich text every group whose first control word is
// \object or \objdata (also after "\*") is removed with its braces, and a
// \object or \objdata met later in a group drops everything from it (and
// from a "\*" right before it) to that group's closing brace, which stays:
// the control reads such a destination to the end of its group. Everything
// else, pictures included, is kept byte for byte. Escaped braces and
// backslashes ("\{", "\}", "\\") do not count as braces, the N bytes of
// binary data after "\binN" are passed over unread, and an unbalanced or
// cut text never makes the scan read past its end (an object group left
// open runs to the end of the text and is dropped).
std::string WithoutEmbeddedObjects(std::string_view text);

}  // namespace orvane
