// FileIo: the builder's access to files and folders, on Linux and Windows.
//
// Paths are 8-bit strings as the user typed them (ANSI on Windows); sizes and
// offsets are 64-bit. Failures come back as an error text (strerror-style)
// and never as exceptions.
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "package/PackFormat.h"

namespace orvane::stubpack {

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != nullptr)
      std::fclose(file);
  }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens with fopen semantics ("rb", "wb", "r+b"); null on failure, with the
// reason in `error`.
UniqueFile OpenFile(const std::string& path, const char* mode, std::string* error);

bool SeekFile(std::FILE* file, uint64_t offset);
// The size of an open file; false when the system does not tell.
bool FileSizeOf(std::FILE* file, uint64_t& size);

// What a path names, symbolic links followed.
enum class FileKind { kMissing, kRegular, kFolder, kDevice, kPipe, kSocket, kOther };
// "a folder", "a device" ... for messages (kRegular: "a regular file").
const char* FileKindText(FileKind kind);

// Facts about a path, from the file system (symbolic links followed).
struct FileFacts {
  bool exists = false;
  bool isDirectory = false;
  FileKind kind = FileKind::kMissing;
  uint64_t size = 0;
  int64_t modified = 0;  // seconds since 1970-01-01 00:00 UTC
};
FileFacts StatFile(const std::string& path);

// The identity of a file or folder: the same for every path that names it
// ("x", "./x", a hard or symbolic link). Device and inode on Linux, volume
// serial number and file index on Windows.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t index = 0;
  auto operator<=>(const FileIdentity&) const = default;
};
// False when the path names nothing (or cannot be examined).
bool IdentityOf(const std::string& path, FileIdentity& identity);

// The names in a folder (not "." and ".."), sorted by byte value; false and
// an error text when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::string* error);

// Moves `from` to `to`, replacing `to` when it exists.
bool RenameReplacing(const std::string& from, const std::string& to, std::string* error);
// Deletes a file; true when it is gone (also when it never existed).
bool RemoveFile(const std::string& path);

// Creates `folder` and every missing folder above it; `created` lists the
// folders made, outermost first. On failure removes what it made and gives
// the reason in `error`.
bool CreateFolders(const std::string& folder, std::vector<std::string>& created,
                   std::string* error);
// Removes the folders of a CreateFolders list, innermost first, as far as
// they are empty.
void RemoveFolders(const std::vector<std::string>& folders);

// Reads a whole file (for the launcher stub and the project file).
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error);

// Creates `path` with `bytes`; fails when it already exists, so nothing is
// ever overwritten. With `ownerOnly` only the current user may read or
// write it (mode 0600; on Windows an access list for the owner alone). A
// partly written file is removed.
bool WriteNewFile(const std::string& path, std::string_view bytes, bool ownerOnly,
                  std::string* error);
// Replaces the contents of `path` with `bytes` through a temporary file
// beside it, so that a failure leaves the old contents.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error);

// Converts seconds since 1970 (UTC) to a DOS date-time of the UTC clock:
// date in the high 16 bits, time in the low 16 bits, seconds halved. A DOS
// date-time carries no time zone, and the launcher sets it as the local time
// of the machine that installs; taking it from the builder's local time
// would make the installer depend on the zone it was built in. In UTC every
// build gives the same bytes, and an extracted file shows the UTC clock time
// of its source on every machine. Moments before 1980 give
// 1980-01-01 00:00:00, moments after 2107 give 2107-12-31 23:59:58, the
// range a DOS date can hold.
uint32_t DosDateTimeFromUnix(int64_t seconds);

// The folder part of a path including its separator ("a/b/c.ini" gives
// "a/b/"), empty when there is none. Both "/" and "\" separate on Windows;
// only "/" elsewhere.
std::string FolderOf(std::string_view path);
// The file-name part of a path.
std::string BaseNameOf(std::string_view path);
// `path` as given when it is absolute, else `base` + `path`. On Linux a "\"
// in a project path is taken as a folder separator, so that a project file
// written on Windows builds here too.
std::string ResolvePath(std::string_view base, std::string_view path);
bool IsAbsolutePath(std::string_view path);

// A ByteSource over an open file; reads with 64-bit positions.
class FileSource final : public pack::ByteSource {
 public:
  // Null when the file cannot be opened; the reason goes to `error`.
  static std::unique_ptr<FileSource> Open(const std::string& path, std::string* error);
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override;

 private:
  FileSource(UniqueFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
  UniqueFile file_;
  uint64_t size_;
};

}  // namespace orvane::stubpack
