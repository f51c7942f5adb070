// Files: the launcher's file and folder operations.
//
// 64-bit positions and sizes, reading part of a file, writing a whole byte
// string in chunks with its date, appending to a log, the free space of a
// drive or share, deleting files and folder trees, ejecting a CD, and the
// self-deletion of the launcher through a batch script in the Temp folder.
// Paths are 8-bit ANSI. Nothing here shows anything to the user or throws:
// failures come back as empty text, 0 (or -1 for positions) or false. Long
// loops pump the thread's window messages.
//
// The launcher runs with administrator rights and deletes folders in Temp
// whose names anyone can predict, so the deletions never follow a junction
// or symbolic link: a link found in a tree is removed itself, its target is
// left alone. The portable rules (chunk sizes, free-space roots, the script
// text) live in FilesText.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "util/FilesText.h"
#include "util/Handles.h"

namespace orvane {

// Moves the file pointer; origin 0 start, 1 current, 2 end. The new position,
// or -1 when the move failed.
int64_t FileSeek64(HANDLE file, int origin, int64_t offset);
// Size of an open file, or -1 when the system cannot tell.
int64_t FileSize64(HANDLE file);
// Size of the first entry (file or folder) a directory search finds for
// `path`; 0 when nothing is found.
int64_t FileSizeByName(const std::string& path);

// Up to `maxLength` bytes (0 or less: to the end) from `offset`, read from
// the file opened shared. Empty for a missing file, an offset outside the file
// (also one equal to its size) or a short read. With `trim`, leading and
// trailing blanks and control bytes are removed.
std::string ReadFilePart(const std::string& path, int64_t maxLength = 0, bool trim = false,
                         int64_t offset = 0);

// Whether `path` names an existing file (not a folder), or an existing folder.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Opens `path` for writing: replacing the file (others may read it), or at
// its end with `append` (creating it when missing; others may read and
// write it). An invalid handle on failure. `existed` (when given) tells
// whether the file was there before.
FileHandle OpenFileForWriting(const std::string& path, bool append, bool* existed = nullptr);
// Sets the modification time of an open file to a DOS date-time (local time).
void SetFileDosDate(HANDLE file, DosDateTime date);
// The DOS modification date-time (local time) of `path`, 0 when it cannot be read.
DosDateTime FileDosDateTime(const std::string& path);
// Creates `folder` and every missing parent. True when the folder exists
// afterwards; otherwise the last error tells why.
bool CreateFolderPath(const std::string& folder);

// Writes `data` to `path`: replacing the file, or at its end with `append`
// (creating it when missing). With `progress`, or for more than 1 MiB, the
// data goes in chunks (FilesText.h): `progress` gets Kind 0, Min 0,
// Max = data length, the cancel flag, Step 1 and Position = bytes written, once
// with 0 before the first chunk and after every chunk; a set cancel flag stops
// the writing. When every byte was written and `date` is not 0, the file's
// modification time is set to it. True only when every byte was written (a
// partial file stays on disk).
bool SaveFile(const std::string& path, std::string_view data, DosDateTime date = 0,
              bool append = false, ExtractionProgress* progress = nullptr);

// Writes `text` (plus CR LF with `addLineBreak`) at the end of the file,
// creating it when missing; the file is opened shared and closed again, so
// several processes can log to it. Sets the modification time when `date` is
// not 0. True when every byte was written.
bool AppendLine(const std::string& path, std::string_view text, bool addLineBreak = true,
                DosDateTime date = 0);

// Free bytes available to the caller on the drive or share of `path`; 0 on
// failure. The extended query (GetDiskFreeSpaceExA, looked up once per
// process) is asked about the folder DiskFreeRoot names and then about the
// drive root; without it the drive's cluster counts are multiplied out.
double DiskFree(const std::string& path);

// Deletes every file (not folder) in the folder of `mask` that matches it,
// clearing its attributes first when asked (never those of a link). Nothing
// is deleted when the mask's folder is itself a link. True when at least one
// file matched.
bool DeleteFiles(const std::string& mask, bool clearAttributes);

// Deletes `folder` with everything in it. Links inside are removed, not
// followed; when `folder` itself is a link, only the link goes. `progress`
// is called (Kind 1, zeros, the cancel flag) once per sub-folder entry; a set
// cancel flag stops the walk. Each listed entry is followed by a 10 ms wait
// that pumps messages. True only when the folder existed and is gone.
bool DeleteTree(const std::string& folder, bool clearAttributes,
                ExtractionProgress* progress = nullptr);

// Ejects the medium of the CD-ROM drive of `path`'s drive letter. False when
// the drive is not a CD-ROM drive or the eject failed. Traces "EjectCD-2: " /
// "EjectCD-3: " with the device path and handle to the console.
bool EjectMedium(const std::string& path);

// Writes "_DEL_ME_.BAT" into the Temp folder and starts it hidden: it deletes
// the running executable as soon as the process has ended, with
// `removeFolder` also the executable's (then empty) folder, and finally
// itself. With `shortNames` the script names the files by their 8.3 names.
// Makes Temp the current folder so that the own folder is not held open.
// Every path is quoted and escaped, so any legal file name works and the
// script can do nothing but these deletions; a path that cannot be written
// safely in the console's code page means no script. True when the script
// was started; the caller then ends the process.
bool DeleteMySelf(bool removeFolder, bool shortNames);

}  // namespace orvane
