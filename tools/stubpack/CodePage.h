// CodePage: language texts from the project file's UTF-8 into the 8-bit
// Windows code page the launcher shows them in.
//
// The launcher draws its texts through the "A" functions of Windows, so a
// text is stored as bytes of the code page that belongs to the language's
// font character set (the `Charset` key: 0 is Western, 1252; 204 Cyrillic,
// 1251; 128 Japanese, 932 ...). A character that code page lacks would be
// drawn as "?" or as another character, so the conversion refuses it rather
// than replacing it; a text that is not UTF-8 (a project saved in a legacy
// encoding) is refused too, because its bytes cannot be told apart from
// UTF-8 reliably.
//
// On Linux the conversion is glibc's iconv, on Windows the system's own
// MultiByteToWideChar / WideCharToMultiByte without best-fit mappings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::stubpack {

// The Windows code page of a font character set: 0 ANSI 1252, 238 EASTEUROPE
// 1250, 204 RUSSIAN 1251, 161 GREEK 1253, 162 TURKISH 1254, 177 HEBREW 1255,
// 178 ARABIC 1256, 186 BALTIC 1257, 163 VIETNAMESE 1258, 222 THAI 874,
// 128 SHIFTJIS 932, 134 GB2312 936, 129 HANGUL 949, 136 CHINESEBIG5 950.
// 0 for any other character set (DEFAULT, SYMBOL, OEM ...): those have no
// code page of their own.
int CodePageOfCharset(int charset);

// The character sets CodePageOfCharset knows, for messages: "0, 238, 204, ...".
std::string KnownCharsets();

// Where `text` stops being UTF-8 (a stray byte, a sequence cut short, an
// overlong form, a surrogate, a value above U+10FFFF); npos when it is UTF-8.
size_t FirstNonUtf8Byte(std::string_view text);

// Converts the UTF-8 `text` into `codePage`. Text of ASCII characters only
// comes back unchanged, whatever the code page (also 0). False, with `error`
// saying why ("'€' (U+20AC) cannot be shown in code page 1251", "byte 0xE4
// after 'Entpack' is not UTF-8"), when the text is not UTF-8 or holds a
// character the code page cannot show exactly; `out` is then unspecified.
bool Utf8ToCodePage(std::string_view text, int codePage, std::string& out, std::string& error);

// A text given on the command line, as UTF-8: on Windows a program's
// command line arrives in the ANSI code page, elsewhere it is used as it is.
std::string CommandLineTextToUtf8(std::string_view text);

}  // namespace orvane::stubpack
