// ZMsgBox: the launcher's own modal message box.
//
// Every user-visible message goes through it: errors, disk prompts, the
// temp-space and download questions, the auto-update questions. The text is
// written in the mark-up of ZMsgBoxMarkup.h and shown in a read-only
// rich-edit control (RICHED32.DLL, loaded from the System folder) beside a
// blue band with an icon, above a strip of up to three buttons whose
// captions come from the language strings. The flags word and the results
// are those of the system message box (ZMsgBoxMarkup.h); the box adds a kind
// heading, a time-out and a mode without a Close command.
//
// The box runs its own message loop on the calling thread; it takes every
// message of the thread, so the thread's other windows keep working while
// the window that was active is disabled. Keys: Alt + the character after
// "&" of a caption, that letter alone, arrows and Tab move the default
// button, Enter chooses the focused button, Escape closes with result 0.
//
// Whatever its text, a box lies inside the work area of its monitor; a text
// too large for it scrolls. A box shows at most the first and last 32 KB of
// its text, and of a word (a run without blank or line break) longer than
// 1027 bytes its first and last 512 joined by "...". Texts from a
// package are shortened before they go into a message (ShortenForDisplay,
// util/PathText.h).
//
// One box per request: a box asked for while another is open (from a window
// procedure re-entered by the open box's loop, a timer, a posted message) is
// shown on top of it and runs its own loop; each box keeps its own state, so
// the boxes are answered last-opened first and each caller gets its own
// answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/ZMsgBoxMarkup.h"

namespace orvane {

// The owner argument: an owner code (kMsgOwnerHeading, kMsgOwnerPlain,
// kMsgOwnerNoClose of ZMsgBoxMarkup.h; 0, 1 or 2) or a window handle.
struct MsgOwner {
  constexpr MsgOwner(int code) : value(static_cast<uintptr_t>(code)) {}  // NOLINT: implicit
  MsgOwner(HWND window) : value(reinterpret_cast<uintptr_t>(window)) {}  // NOLINT: implicit
  uintptr_t value;
};

// Shows a box and returns its result (kMsgResult... of ZMsgBoxMarkup.h; 0
// when closed without a button). `buttons` is a button list ("BtnText"),
// `charset` the language's character set (Hebrew and Arabic read right to
// left), `flags` the flags word, `timeoutMs` > 0 closes the box after that
// time with the result of its leftmost button. Waits 100 ms, pumping
// messages, after the box has closed.
int ShowMsgBox(MsgOwner owner, std::string_view text, std::string_view caption,
               std::string_view buttons, int charset, uint32_t flags, int timeoutMs);

// Front ends. An empty button list means the default captions, an empty
// caption the kind's word ("Error", "Attention", "Confirm").
// OK with the stop icon.
void MsgError(MsgOwner owner, std::string_view text, std::string_view caption = {},
              std::string_view buttons = {}, int charset = 0);
// OK with the exclamation icon.
void MsgAttention(MsgOwner owner, std::string_view text, std::string_view caption = {},
                  std::string_view buttons = {}, int charset = 0, int timeoutMs = 0);
// Yes/No with the question icon; true for Yes.
bool MsgYesNo(MsgOwner owner, std::string_view text, std::string_view caption = {},
              std::string_view buttons = {}, int charset = 0, int timeoutMs = 0);
// OK/Cancel with the question icon; true for OK.
bool MsgOkCancel(MsgOwner owner, std::string_view text, std::string_view caption = {},
                 std::string_view buttons = {}, int charset = 0);

// The font of the boxes opened from now on (initially "Tahoma", 8 points,
// DEFAULT_CHARSET): face and character set are always replaced, the size
// only when it is not 0.
void SetMsgBoxFont(std::string_view faceName, int pointSize, int charset);

}  // namespace orvane
