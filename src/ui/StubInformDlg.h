// StubInformDlg: the information dialog.
//
// A resizable window that shows a longer text in a read-only rich-edit
// control (RICHED32.DLL, loaded from the System folder; a text starting with
// "{\rtf" is shown formatted, without its embedded objects) and, when a link
// is given, one centred button in a grey strip at the bottom that opens the
// link with the shell and closes the window. The auto-update agent announces
// a new version with it. Unlike the message box (ZMsgBox.h) the text is not
// read as mark-up. Layout, fonts and the text clean-up are in
// StubInformDlgRules.h.
//
// The dialog runs its own message loop on the calling thread and dispatches
// every message of the thread while it is open, so the thread's other
// windows keep working; the owner stays enabled. A quit message that arrives
// meanwhile closes the dialog and is posted again for the thread's main
// loop.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

// Shows the dialog, or opens the link at once:
// - the link is trimmed first;
// - text empty, link not: the link is opened with the shell (default verb,
//   the desktop as owner, SW_SHOW) and no window is shown; true;
// - text not empty: the dialog (titled `title`, `width` x `height` pixels,
//   centred on the screen, owned by `owner` when that is a window) is shown
//   until the user closes it with the close box, Alt+F4 or the button
//   (captioned `buttonCaption`; present only with a link); true;
// - both empty: nothing; false. False too when the window or its text
//   control cannot be made: nothing was shown.
// Whether the shell could open the link does not change the result.
// The button takes the language font (`fontName`, `fontSize` points,
// `charset`), the text a 15-pixel font in the same character set, in
// "Verdana" instead of "Tahoma" (InformTextFontFace).
//
// The link is handed to the shell as it is: a program, a document or a web
// address. The dialog does not judge it; a caller with a link it has not
// verified checks it first (IsWebAddress of StubInformDlgRules.h) and passes
// an empty link when it must not be opened.
bool ShowInformDialog(HWND owner, const std::string& title, const std::string& buttonCaption,
                      const std::string& text, const std::string& link, int width, int height,
                      const std::string& fontName, int fontSize, int charset);

}  // namespace orvane
