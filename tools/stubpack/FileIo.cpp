// FileIo: stdio for contents, and the few calls that differ between the
// systems (64-bit positions, file facts, folder listing and creation,
// replacing rename).
#include "FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>

#include <sddl.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orvane::stubpack {
namespace {

std::string ErrnoText() {
  return std::strerror(errno);
}

#ifdef _WIN32
std::string LastErrorText() {
  char* text = nullptr;
  const DWORD code = GetLastError();
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length != 0 && text != nullptr ? std::string(text, length) : "error";
  if (text != nullptr)
    LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == '.'))
    result.pop_back();
  return result + " (" + std::to_string(code) + ")";
}

// The SID of the user this process runs as, as text ("S-1-5-21-...").
bool CurrentUserSid(std::string& sid, std::string* error) {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == 0) {
    *error = LastErrorText();
    return false;
  }
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  char* text = nullptr;
  const bool ok =
      size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) != 0 &&
      ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text) != 0;
  if (!ok)
    *error = LastErrorText();
  CloseHandle(token);
  if (text != nullptr) {
    sid = text;
    LocalFree(text);
  }
  return ok;
}
#endif

FileKind KindOfMode(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return FileKind::kRegular;
    case S_IFDIR:
      return FileKind::kFolder;
    case S_IFCHR:
#ifdef S_IFBLK
    case S_IFBLK:
#endif
      return FileKind::kDevice;
#ifdef S_IFIFO
    case S_IFIFO:
      return FileKind::kPipe;
#endif
#ifdef S_IFSOCK
    case S_IFSOCK:
      return FileKind::kSocket;
#endif
    default:
      return FileKind::kOther;
  }
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

}  // namespace

UniqueFile OpenFile(const std::string& path, const char* mode, std::string* error) {
  errno = 0;
  UniqueFile file(std::fopen(path.c_str(), mode));
  if (!file && error != nullptr)
    *error = ErrnoText();
  return file;
}

bool SeekFile(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX))
    return false;
#ifdef _WIN32
  return _fseeki64(file, static_cast<int64_t>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool FileSizeOf(std::FILE* file, uint64_t& size) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0)
    return false;
  const int64_t end = _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0)
    return false;
  const int64_t end = ftello(file);
#endif
  if (end < 0)
    return false;
  size = static_cast<uint64_t>(end);
  return true;
}

const char* FileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::kMissing:
      return "missing";
    case FileKind::kRegular:
      return "a regular file";
    case FileKind::kFolder:
      return "a folder";
    case FileKind::kDevice:
      return "a device";
    case FileKind::kPipe:
      return "a named pipe";
    case FileKind::kSocket:
      return "a socket";
    case FileKind::kOther:
      break;
  }
  return "not a regular file";
}

FileFacts StatFile(const std::string& path) {
  FileFacts facts;
#ifdef _WIN32
  struct _stat64 info;
  if (_stat64(path.c_str(), &info) != 0)
    return facts;
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return facts;
#endif
  facts.exists = true;
  facts.isDirectory = (info.st_mode & S_IFMT) == S_IFDIR;
  facts.kind = KindOfMode(info.st_mode);
  facts.size = info.st_size < 0 ? 0 : static_cast<uint64_t>(info.st_size);
  facts.modified = static_cast<int64_t>(info.st_mtime);
  return facts;
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
#ifdef _WIN32
  // FILE_FLAG_BACKUP_SEMANTICS opens folders too; no access right is needed
  // to read the file index.
  HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known)
    return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.index = uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
#else
  struct stat info;
  if (stat(path.c_str(), &info) != 0)
    return false;
  identity.device = static_cast<uint64_t>(info.st_dev);
  identity.index = static_cast<uint64_t>(info.st_ino);
#endif
  return true;
}

bool ListFolder(const std::string& folder, std::vector<std::string>& names, std::string* error) {
  names.clear();
  const std::string where = folder.empty() ? std::string(".") : folder;
#ifdef _WIN32
  WIN32_FIND_DATAA data;
  std::string pattern = where;
  if (!IsSeparator(pattern.back()))
    pattern += '\\';
  pattern += '*';
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    if (error != nullptr)
      *error = LastErrorText();
    return false;
  }
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..")
      names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
#else
  DIR* dir = opendir(where.c_str());
  if (dir == nullptr) {
    if (error != nullptr)
      *error = ErrnoText();
    return false;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(dir);
#endif
  std::sort(names.begin(), names.end());
  return true;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0)
    return true;
  if (error != nullptr)
    *error = LastErrorText();
  return false;
#else
  if (std::rename(from.c_str(), to.c_str()) == 0)
    return true;
  if (error != nullptr)
    *error = ErrnoText();
  return false;
#endif
}

bool WriteNewFile(const std::string& path, std::string_view bytes, bool ownerOnly,
                  std::string* error) {
#ifdef _WIN32
  // Protected (no inherited entries), full access for the current user only.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  std::string user;
  if (ownerOnly &&
      (!CurrentUserSid(user, error) ||
       !ConvertStringSecurityDescriptorToSecurityDescriptorA(
           ("D:P(A;;FA;;;" + user + ")").c_str(), SDDL_REVISION_1, &descriptor, nullptr))) {
    if (error->empty())
      *error = LastErrorText();
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, ownerOnly ? &attributes : nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (descriptor != nullptr)
    LocalFree(descriptor);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastErrorText();
    return false;
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
      written == bytes.size();
  if (!ok)
    *error = LastErrorText();
  if (CloseHandle(file) == 0 && ok) {
    *error = LastErrorText();
    RemoveFile(path);
    return false;
  }
#else
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0644);
  if (fd < 0) {
    *error = ErrnoText();
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += static_cast<size_t>(n);
    else
      *error = ErrnoText();
  }
  if (close(fd) != 0 && ok) {
    *error = ErrnoText();
    ok = false;
  }
#endif
  if (!ok)
    RemoveFile(path);
  return ok;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error) {
  const std::string temporary = path + ".stubpack-new";
  RemoveFile(temporary);
  if (!WriteNewFile(temporary, bytes, false, error))
    return false;
  if (RenameReplacing(temporary, path, error))
    return true;
  RemoveFile(temporary);
  return false;
}

bool RemoveFile(const std::string& path) {
  if (std::remove(path.c_str()) == 0)
    return true;
  return !StatFile(path).exists;
}

bool CreateFolders(const std::string& folder, std::vector<std::string>& created,
                   std::string* error) {
  created.clear();
  std::string path = folder;
  while (!path.empty() && IsSeparator(path.back()) && path.size() > 1)
    path.pop_back();
  // The missing folders, innermost first; a drive ("C:") or the root ends
  // the walk.
  std::vector<std::string> missing;
  while (!path.empty() && !StatFile(path).exists) {
#ifdef _WIN32
    if (path.size() == 2 && path[1] == ':')
      break;
#endif
    missing.push_back(path);
    const std::string parent = FolderOf(path);
    path = parent;
    while (path.size() > 1 && IsSeparator(path.back()))
      path.pop_back();
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
#ifdef _WIN32
    const bool made = CreateDirectoryA(it->c_str(), nullptr) != 0;
#else
    const bool made = mkdir(it->c_str(), 0777) == 0;
#endif
    if (!made) {
      if (error != nullptr) {
#ifdef _WIN32
        *error = "cannot create folder '" + *it + "': " + LastErrorText();
#else
        *error = "cannot create folder '" + *it + "': " + ErrnoText();
#endif
      }
      RemoveFolders(created);
      created.clear();
      return false;
    }
    created.push_back(*it);
  }
  return true;
}

void RemoveFolders(const std::vector<std::string>& folders) {
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
#ifdef _WIN32
    RemoveDirectoryA(it->c_str());
#else
    rmdir(it->c_str());
#endif
  }
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
  // fopen opens a folder on Linux, and its "size" is then far beyond 2 GiB.
  if (StatFile(path).isDirectory) {
    if (error != nullptr)
      *error = "it is a folder, not a file";
    return false;
  }
  UniqueFile file = OpenFile(path, "rb", error);
  if (!file)
    return false;
  uint64_t size = 0;
  if (!FileSizeOf(file.get(), size) || !SeekFile(file.get(), 0)) {
    if (error != nullptr)
      *error = "cannot tell its size";
    return false;
  }
  if (size > (uint64_t{1} << 31)) {
    if (error != nullptr)
      *error = "larger than 2 GiB";
    return false;
  }
  bytes.resize(static_cast<size_t>(size));
  if (size != 0 && std::fread(&bytes[0], 1, bytes.size(), file.get()) != bytes.size()) {
    if (error != nullptr)
      *error = std::ferror(file.get()) ? ErrnoText() : "it ended early";
    return false;
  }
  return true;
}

uint32_t DosDateTimeFromUnix(int64_t seconds) {
  constexpr uint32_t kEarliest = (0x21u << 16);  // 1980-01-01 00:00:00
  constexpr uint32_t kLatest =
      ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);  // 2107-12-31 23:59:58
  constexpr int64_t kFirst = 315532800;       // 1980-01-01 00:00:00 UTC
  constexpr int64_t kAfterLast = 4354819200;  // 2108-01-01 00:00:00 UTC
  if (seconds < kFirst)
    return kEarliest;
  if (seconds >= kAfterLast)
    return kLatest;
  // The calendar date of a day count, by whole eras of 400 years from
  // 0000-03-01, so that February comes last and leap days need no case.
  const int64_t days = seconds / 86400 + 719468;
  const int64_t secondOfDay = seconds % 86400;
  const int64_t era = days / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // 0 = March
  const int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  const int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const uint32_t date = static_cast<uint32_t>((year - 1980) << 9 | month << 5 | day);
  const uint32_t time = static_cast<uint32_t>(
      (secondOfDay / 3600) << 11 | (secondOfDay / 60 % 60) << 5 | (secondOfDay % 60) / 2);
  return date << 16 | time;
}

std::string FolderOf(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1]))
      return std::string(path.substr(0, i));
  }
  return std::string();
}

std::string BaseNameOf(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1]) || path[i - 1] == '\\')
      return std::string(path.substr(i));
  }
  return std::string(path);
}

bool IsAbsolutePath(std::string_view path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':')
    return true;
  return !path.empty() && IsSeparator(path[0]);
#else
  return !path.empty() && path[0] == '/';
#endif
}

std::string ResolvePath(std::string_view base, std::string_view path) {
  std::string result(path);
#ifndef _WIN32
  std::replace(result.begin(), result.end(), '\\', '/');
#endif
  if (IsAbsolutePath(result) || base.empty())
    return result;
  std::string joined(base);
  if (!IsSeparator(joined.back()))
    joined += '/';
  return joined + result;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path, std::string* error) {
  if (StatFile(path).isDirectory) {
    if (error != nullptr)
      *error = "it is a folder";
    return nullptr;
  }
  UniqueFile file = OpenFile(path, "rb", error);
  if (!file)
    return nullptr;
  uint64_t size = 0;
  if (!FileSizeOf(file.get(), size)) {
    if (error != nullptr)
      *error = "cannot tell its size";
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(std::move(file), size));
}

bool FileSource::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  if (offset > size_ || count > size_ - offset)
    return false;
  if (count == 0)
    return true;
  if (!SeekFile(file_.get(), offset))
    return false;
  return std::fread(buffer, 1, count, file_.get()) == count;
}

}  // namespace orvane::stubpack
