// FilesText: the portable rules behind unit Files.
//
// How SaveFile cuts data into chunks, which root DiskFree asks the system
// about, what DeleteTree does with each folder entry (links are removed, never
// followed), and the text of the self-deletion script. Nothing here touches
// the system; the Windows side (Files.cpp) feeds in what it found.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/PathText.h"

namespace orvane {

// Progress of a long file operation, shared with the extraction engine. The
// caller implements it and passes a pointer; null means no progress is
// reported.
class ExtractionProgress {
 public:
  // Kind, Min, Max, a cancel flag the callee may set (null where there is
  // nothing to cancel), Step, Position.
  virtual void Progress(int kind, int64_t min, int64_t max, bool* cancel, int step,
                        int64_t position) = 0;

 protected:
  ~ExtractionProgress() = default;
};

// DOS date-time as the package stores it: date in the high word, time in the
// low word, local time. 0 means "no date".
using DosDateTime = uint32_t;

// ---------------------------------------------------------------------------
// Writing a file in chunks

// The largest single write of SaveFile.
constexpr int64_t kSaveFileMaxChunk = 1048576;

// SaveFile writes in chunks when it reports progress or when the data is
// larger than one maximal chunk; otherwise in one call.
bool SaveFileWritesInChunks(int64_t length, bool hasCallback);

// Chunk size for data of `length` bytes: min(length, 1024) when a tenth of
// the length is at most 1024, otherwise min(length / 10, 1 MiB). So mid-sized
// data goes in about ten steps and no write exceeds 1 MiB.
int64_t SaveFileChunkSize(int64_t length);

// ---------------------------------------------------------------------------
// Free space

// The folder whose free space stands for the drive or share of `path`.
// Slashes count as backslashes. With the extended query (which takes any
// folder), a path of three or more characters is cut after its fourth
// backslash ("\\server\share\dir" gives "\\server\share\"); the root always
// ends with a backslash, which the system requires for a share. Without the
// extended query, or for a shorter path, the root is the upper-case first
// character + ":\". Empty for an empty path. Trail bytes of double-byte
// characters are never taken for backslashes.
std::string DiskFreeRoot(std::string_view path, bool extendedQuery,
                         LeadBytePredicate isLeadByte = nullptr);

// The upper-case first character + ":\"; empty for an empty path.
std::string DriveRootOf(std::string_view path);

// ---------------------------------------------------------------------------
// Deleting folder trees

// File attribute bits as the system reports them in a directory listing.
constexpr uint32_t kAttributeReadOnly = 0x1;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeReparsePoint = 0x400;

// What a tree deletion does with one entry of a listing. A reparse point (a
// junction, a mount point or a symbolic link) may point anywhere, also to
// folders the launcher must never touch; it is removed itself and never
// followed, and its attributes are never changed (that could reach the
// target).
enum class TreeEntryAction {
  kSkip,        // "." and ".."
  kDeleteFile,  // a plain file: attributes may be cleared, then deleted
  kDeleteLink,  // a file link: the link is deleted as it is
  kRemoveLink,  // a folder link or junction: the link is removed, not entered
  kDescend,     // a real sub-folder: emptied recursively, then removed
};
TreeEntryAction TreeEntryActionFor(std::string_view name, uint32_t attributes);

// ---------------------------------------------------------------------------
// Self-deletion script

// `path` between double quotes for a line of a batch script. Inside quotes
// cmd takes blanks, "&", "^", "(", ")" and "!" (delayed expansion off)
// literally, but still expands "%" in a batch file, so every "%" is doubled.
std::string BatchQuotedPath(std::string_view path);

// The self-deletion script, each line ending with CR LF:
//   :START
//   DEL "<exe>"
//   IF exist "<exe>" GOTO START
//   RD "<folder>"           (only with `removeFolder`)
//   DEL "<script>"
// The RD line is left out when `folder` is a drive or share root. Empty when
// any path is empty or holds a character that no file name can contain and
// that would change the meaning of the script (double quote, wildcard, line
// break, NUL); the caller then writes no script at all.
std::string SelfDeleteScript(std::string_view exePath, std::string_view folder,
                             std::string_view scriptPath, bool removeFolder);

// A drive root ("C:", "C:\") or share root ("\\server\share"), which cannot
// be removed.
bool IsRootFolder(std::string_view folder);

// ---------------------------------------------------------------------------
// Names

// Whether Windows maps `name` to a device (CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM0-9, LPT0-9 and COM/LPT with the superscript digits 1-3 of the
// Western ANSI code page), with or without an extension, in every folder.
bool IsReservedDeviceName(std::string_view name);

}  // namespace orvane
