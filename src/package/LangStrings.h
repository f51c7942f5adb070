// LangStrings: the texts the launcher shows, looked up by key with built-in
// defaults, in two stores with their own key spaces:
//
// 1. The language block of the package: a delimited list (separator 0x02)
//    of per-language lists (separator 0x01) whose field 0 is the language's
//    name ("English") and whose other fields are key=value pairs. It carries
//    the launcher's own messages (s0 to s12) and the message-box words and
//    font (BtnText, Error, Attention, Confirm, Charset, FontSize, FontName).
// 2. The [AutoUpdate] and [MsgBox] sections of the installed product's
//    ".original" file, read by the OriginalFile readers of StubGlob.h with
//    the defaults of this unit: the auto-update agent's texts and its
//    message-box words.
//
// The language is chosen once per process from the thread locale's language
// (table of SLangId.h): the per-language list of that name, else the only
// language of a one-language block, else English. Texts carry the mark-up of
// the message box ("<P>", "<B>", "<T>") and placeholders in angle brackets
// that the caller replaces.
//
// The rules are portable and take the block text and the system language
// name as parameters; LangStringsWin.h adds the thread locale, the
// process-wide cache and the TGFileInfo front ends.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

constexpr char kLanguageBlockSeparator = '\x02';
constexpr char kLanguageListSeparator = '\x01';
// Stands for "no language found" in place of a per-language list.
constexpr std::string_view kNoLanguage = "*";

// ---------------------------------------------------------------------------
// Choosing the language

// The per-language list of `languageBlock` whose name (field 0) equals `name`,
// both trimmed, ignoring case; the first one in stored order. When none does
// and the block holds exactly one language, that one whatever its name.
// Otherwise kNoLanguage. An empty name, and an empty per-language list, match
// nothing.
std::string FindLanguage(std::string_view languageBlock, std::string_view name);

// The per-language list used on a system whose language is
// `systemLanguageName`: FindLanguage of that name, and when that finds none,
// FindLanguage of "English" (which may again be kNoLanguage).
std::string ChooseLanguage(std::string_view languageBlock, std::string_view systemLanguageName);

// The value of `key` in a chosen per-language list: the text after
// 0x01 + key + "=" (no second "=" when `key` already ends with one) up to the
// next 0x01, found without regard to case after every blank directly before
// an "=" has been removed from the list (so "S1 =x" is read for "s1"). A key
// present with an empty value gives the empty text; an absent key, or a list
// of fewer than 2 characters (kNoLanguage), gives `def`.
std::string LanguageListValue(std::string_view languageList, std::string_view key,
                              std::string_view def);

// ---------------------------------------------------------------------------
// Built-in texts

// Default of a key of the package's language block: s0 to s12 (s9 is not
// used), BtnText, Attention, Confirm, Error, Charset, FontSize, FontName.
// Empty for every other key. Keys compare without regard to case.
std::string_view LangDefault(std::string_view key);

// Default of a key of the [AutoUpdate] section of the ".original" file:
// s3, s4, s5 and s31 to s35 have one; every other key (s2, s11 to s24 ...)
// gives the empty text.
std::string_view AgentDefault(std::string_view key);

// Message-box words and font, the same in both stores.
constexpr std::string_view kDefaultButtons = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";
constexpr std::string_view kDefaultError = "Error";
constexpr std::string_view kDefaultConfirm = "Confirm";
constexpr std::string_view kDefaultAttention = "Attention";
constexpr int kDefaultCharset = 0;
constexpr int kDefaultFontSize = 8;
constexpr std::string_view kDefaultFontName = "Tahoma";

// A character set or font size as stored: a decimal integer (blanks around
// and a sign allowed), `def` for anything else, also beyond the int range.
int LangIntValue(std::string_view text, int def);

}  // namespace orvane
