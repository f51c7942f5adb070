// PathText: the portable path texts of unit Utils.
//
// The parts of a Windows path (file name, folder, name without extension),
// its trailing backslash, and a program path as the start of a command line,
// all on 8-bit ANSI text. In a double-byte code page the trail byte of a
// character may look like "\"; where that matters the caller passes the code
// page's lead-byte test (IsDBCSLeadByte on Windows), the tests pass fixed
// ones. Nothing here asks the file system.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Tells whether a byte is a lead byte of the ANSI code page (IsDBCSLeadByte on
// Windows). A null predicate means a single-byte code page.
using LeadBytePredicate = bool (*)(unsigned char);

// Removes one trailing backslash when the path is longer than 2 characters
// and the byte before the backslash is not a lead byte; a path that is exactly
// "\" becomes empty. With `add`, then appends a backslash unless the result
// already ends with one that is a separator (so the result ends with exactly
// one). "C:\" gives "C:" (with `add`: "C:\"); "C\" stays "C\".
std::string NormalizeTrailingBackslash(std::string_view path, bool add,
                                       LeadBytePredicate isLeadByte = nullptr);

// File-name part: the text after the last "\" or ":" (the drive separator).
// Trail bytes of double-byte characters are never taken for separators.
std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte = nullptr);

// Directory part including its trailing separator: everything up to and
// including the last "\" or ":"; empty when the path has none.
std::string DirectoryPart(std::string_view path, LeadBytePredicate isLeadByte = nullptr);

// File-name part without its last extension ("a.b.c" gives "a.b"); with
// `all`, without every extension ("a.b.c" gives "a").
std::string NameWithoutExtension(std::string_view path, bool all,
                                 LeadBytePredicate isLeadByte = nullptr);

// A program path as the start of a command line: quoted when it holds a
// blank, so that the system cannot take "C:\Program" of
// "C:\Program Files\x.exe" for the program; as it is otherwise.
std::string ProgramPathForCommandLine(std::string_view path);

// Untrusted text (an entry name from a package, a path) made short enough to
// show in a message box: a text longer than 2 * `keep` + 3 bytes becomes its
// first `keep` and last `keep` bytes joined by "..."; a shorter one stays as
// it is, so the result is never longer than the text. It counts bytes, not
// characters: this layer knows no code page, and in a double-byte code page
// a cut may split a character, which then shows as one wrong character.
std::string ShortenForDisplay(std::string_view text, size_t keep = 40);

}  // namespace orvane
