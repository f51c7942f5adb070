#include "util/Files.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "util/FilesText.h"
#include "util/Handles.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

// Writes `data` with WriteFile calls of at most `chunk` bytes; stops at a
// failed or empty write. Returns the bytes written.
uint64_t WriteAll(HANDLE file, std::string_view data) {
  uint64_t done = 0;
  while (done < data.size()) {
    const uint64_t rest = data.size() - done;
    const DWORD ask = static_cast<DWORD>(rest < kSaveFileMaxChunk ? rest : kSaveFileMaxChunk);
    DWORD written = 0;
    if (!::WriteFile(file, data.data() + done, ask, &written, nullptr) || written == 0)
      break;
    done += written;
  }
  return done;
}

// Whether `path` is a folder; its attributes go to `attributes`.
bool IsFolder(const std::string& path, DWORD* attributes) {
  const DWORD found = ::GetFileAttributesA(path.c_str());
  if (attributes)
    *attributes = found;
  return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY);
}

// `folder` (with or without its trailing backslash) is a junction, mount
// point or folder link.
bool IsLinkedFolder(const std::string& folder) {
  if (folder.empty())
    return false;
  std::string path = NormalizeTrailingBackslash(folder, false, IsAnsiLeadByte);
  if (path.size() == 2 && path[1] == ':')
    path += '\\';  // "C:" alone would name the drive's current folder
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string DecimalHandle(HANDLE handle) {
  return DecimalText(reinterpret_cast<intptr_t>(handle));
}

}  // namespace

// ---------------------------------------------------------------------------
// Positions and sizes

int64_t FileSeek64(HANDLE file, int origin, int64_t offset) {
  static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (origin < 0 || origin > 2)
    return -1;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(file, distance, &position, kMethods[origin]))
    return -1;
  return position.QuadPart;
}

int64_t FileSize64(HANDLE file) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file, &size))
    return -1;
  return size.QuadPart;
}

int64_t FileSizeByName(const std::string& path) {
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA(path.c_str(), &found));
  if (!search)
    return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(found.nFileSizeHigh) << 32) |
                              found.nFileSizeLow);
}

// ---------------------------------------------------------------------------
// Reading and writing

std::string ReadFilePart(const std::string& path, int64_t maxLength, bool trim, int64_t offset) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return {};
  const int64_t size = FileSize64(file.get());
  if (offset < 0 || offset >= size)
    return {};
  int64_t wanted = size - offset;
  if (maxLength > 0 && maxLength < wanted)
    wanted = maxLength;
  if (static_cast<uint64_t>(wanted) > std::string().max_size() ||
      FileSeek64(file.get(), 0, offset) != offset)
    return {};
  std::string data;
  data.resize(static_cast<size_t>(wanted));
  size_t got = 0;
  while (got < data.size()) {
    const size_t rest = data.size() - got;
    const DWORD ask = static_cast<DWORD>(rest < kSaveFileMaxChunk ? rest : kSaveFileMaxChunk);
    DWORD read = 0;
    if (!::ReadFile(file.get(), &data[got], ask, &read, nullptr) || read == 0)
      break;
    got += read;
  }
  if (got < data.size())
    return {};
  return trim ? Trim(data) : data;
}

void SetFileDosDate(HANDLE file, DosDateTime date) {
  FILETIME local;
  FILETIME utc;
  if (!::DosDateTimeToFileTime(HIWORD(date), LOWORD(date), &local) ||
      !::LocalFileTimeToFileTime(&local, &utc))
    return;
  ::SetFileTime(file, nullptr, nullptr, &utc);
}

FileHandle OpenFileForWriting(const std::string& path, bool append, bool* existed) {
  FileHandle file(::CreateFileA(
      path.c_str(), GENERIC_WRITE, append ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ,
      nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  // Both ways of opening report a file that was there already.
  if (existed != nullptr)
    *existed = file && ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (file && append && FileSeek64(file.get(), 2, 0) < 0)
    file.reset();
  return file;
}

DosDateTime FileDosDateTime(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return 0;
  FILETIME written{};
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (!::GetFileTime(file.get(), nullptr, nullptr, &written) ||
      !::FileTimeToLocalFileTime(&written, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return (static_cast<DosDateTime>(date) << 16) | time;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  return IsFolder(path, nullptr);
}

bool CreateFolderPath(const std::string& folder) {
  if (folder.empty())
    return false;
  for (size_t pos = folder.find('\\'); pos != std::string::npos; pos = folder.find('\\', pos + 1)) {
    const std::string part = folder.substr(0, pos);
    // Roots such as "C:" and the "\\server\share" prefix are not folders to create.
    if (part.empty() || part.back() == ':' || part.back() == '\\')
      continue;
    ::CreateDirectoryA(part.c_str(), nullptr);
  }
  if (::CreateDirectoryA(folder.c_str(), nullptr))
    return true;
  const DWORD error = ::GetLastError();
  if (FolderExists(folder))
    return true;
  ::SetLastError(error);
  return false;
}

bool SaveFile(const std::string& path, std::string_view data, DosDateTime date, bool append,
              ExtractionProgress* progress) {
  FileHandle file = OpenFileForWriting(path, append);
  const auto length = static_cast<int64_t>(data.size());
  int64_t written = 0;
  if (SaveFileWritesInChunks(length, progress != nullptr)) {
    bool cancel = false;
    if (progress)
      progress->Progress(0, 0, length, &cancel, 1, 0);
    const int64_t chunk = SaveFileChunkSize(length);
    while (file && written < length && !cancel) {
      const int64_t rest = length - written;
      const DWORD ask = static_cast<DWORD>(rest < chunk ? rest : chunk);
      DWORD done = 0;
      if (!::WriteFile(file.get(), data.data() + written, ask, &done, nullptr) || done == 0)
        break;
      written += done;
      if (progress)
        progress->Progress(0, 0, length, &cancel, 1, written);
    }
  } else if (file && length > 0) {
    DWORD done = 0;
    if (::WriteFile(file.get(), data.data(), static_cast<DWORD>(length), &done, nullptr))
      written = done;
  }
  // A file that could not be opened has not received its (possibly empty) data.
  const bool complete = file && written == length;
  if (complete && date != 0)
    SetFileDosDate(file.get(), date);
  return complete;
}

bool AppendLine(const std::string& path, std::string_view text, bool addLineBreak,
                DosDateTime date) {
  FileHandle file = OpenFileForWriting(path, true);
  if (!file)
    return false;
  bool complete = WriteAll(file.get(), text) == text.size();
  if (complete && addLineBreak)
    complete = WriteAll(file.get(), "\r\n") == 2;
  if (date != 0)
    SetFileDosDate(file.get(), date);
  return complete;
}

// ---------------------------------------------------------------------------
// Free space

double DiskFree(const std::string& path) {
  using GetDiskFreeSpaceExFn =
      BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  // Looked up once: absent on the first releases of Windows 95. kernel32 is
  // mapped into every process, so its handle needs no loading or freeing.
  static enum { kNotAsked, kAbsent, kPresent } extended = kNotAsked;
  static GetDiskFreeSpaceExFn query = nullptr;
  if (extended == kNotAsked) {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel)
      query = ProcAs<GetDiskFreeSpaceExFn>(::GetProcAddress(kernel, "GetDiskFreeSpaceExA"));
    extended = query ? kPresent : kAbsent;
  }

  const std::string root = DiskFreeRoot(path, extended == kPresent, IsAnsiLeadByte);
  if (root.empty())
    return 0;
  if (extended == kPresent) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    if (query(root.c_str(), &available, &total, &free))
      return static_cast<double>(available.QuadPart);
    if (query(DriveRootOf(path).c_str(), &available, &total, &free))
      return static_cast<double>(available.QuadPart);
    return 0;
  }
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD clusters = 0;
  if (!::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters))
    return 0;
  return static_cast<double>(freeClusters) * sectorsPerCluster * bytesPerSector;
}

// ---------------------------------------------------------------------------
// Deleting

bool DeleteFiles(const std::string& mask, bool clearAttributes) {
  const std::string folder = DirectoryPart(mask, IsAnsiLeadByte);
  // A folder that is a link (a junction planted under a predictable name)
  // would lead the deletion elsewhere.
  if (IsLinkedFolder(folder))
    return false;
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA(mask.c_str(), &found));
  if (!search)
    return false;
  bool matched = false;
  do {
    const TreeEntryAction action = TreeEntryActionFor(found.cFileName, found.dwFileAttributes);
    if (action != TreeEntryAction::kDeleteFile && action != TreeEntryAction::kDeleteLink)
      continue;
    matched = true;
    const std::string path = folder + found.cFileName;
    if (clearAttributes && action == TreeEntryAction::kDeleteFile)
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // DeleteFileA removes a file link itself, never its target.
    ::DeleteFileA(path.c_str());
  } while (::FindNextFileA(search.get(), &found));
  return matched;
}

namespace {

void EmptyFolder(const std::string& folder, bool clearAttributes, ExtractionProgress* progress,
                 bool& cancel) {
  // The folder may have been swapped for a link since it was listed: never
  // work inside a link.
  DWORD attributes = 0;
  if (!IsFolder(folder, &attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return;
  DeleteFiles(folder + "\\*.*", clearAttributes);
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA((folder + "\\*.*").c_str(), &found));
  if (!search)
    return;
  do {
    const TreeEntryAction action = TreeEntryActionFor(found.cFileName, found.dwFileAttributes);
    if (action == TreeEntryAction::kSkip)
      continue;
    if (cancel)
      break;
    if (action == TreeEntryAction::kDescend || action == TreeEntryAction::kRemoveLink) {
      const std::string path = folder + "\\" + found.cFileName;
      if (action == TreeEntryAction::kDescend)
        EmptyFolder(path, clearAttributes, progress, cancel);
      if (cancel)
        break;  // cancelled inside: this folder is not empty, and nothing more is reported
      if (progress)
        progress->Progress(1, 0, 0, &cancel, 0, 0);
      // Removes an emptied folder, or a junction or folder link itself.
      ::RemoveDirectoryA(path.c_str());
    }
    YieldWait(10);
  } while (::FindNextFileA(search.get(), &found));
}

}  // namespace

bool DeleteTree(const std::string& folder, bool clearAttributes, ExtractionProgress* progress) {
  DWORD attributes = 0;
  if (!IsFolder(folder, &attributes))
    return false;
  // A folder that is itself a link is removed as a link; its target stays.
  bool cancel = false;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    EmptyFolder(folder, clearAttributes, progress, cancel);
  ::RemoveDirectoryA(folder.c_str());
  return ::GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// ---------------------------------------------------------------------------
// CD

bool EjectMedium(const std::string& path) {
  if (path.empty())
    return false;
  const char drive = DriveRootOf(path)[0];
  if (drive < 'A' || drive > 'Z')
    return false;
  if (::GetDriveTypeA(DriveRootOf(path).c_str()) != DRIVE_CDROM)
    return false;
  std::string device = "\\\\.\\";
  device += drive;
  device += ':';
  FileHandle volume(::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
  ConsoleLine("EjectCD-2: " + device + " " + DecimalHandle(volume.get()));
  if (!volume) {
    volume.reset(::CreateFileA(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
    ConsoleLine("EjectCD-3: " + device + " " + DecimalHandle(volume.get()));
  }
  if (!volume)
    return false;
  DWORD returned = 0;
  return ::DeviceIoControl(volume.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0,
                           &returned, nullptr) != FALSE;
}

// ---------------------------------------------------------------------------
// Self-deletion

namespace {

constexpr char kScriptName[] = "_DEL_ME_.BAT";

// Creates `path` anew with `text`. Whatever has the name already (perhaps a
// link that someone planted in the shared Temp folder to have an elevated
// process overwrite another file) is deleted first, and the file is created
// only when the name is then free.
bool WriteNewFile(const std::string& path, std::string_view text) {
  ::DeleteFileA(path.c_str());
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteAll(file.get(), text) == text.size();
}

std::string ShortPath(const std::string& path) {
  const DWORD needed = ::GetShortPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0)
    return path;
  std::string result(needed, '\0');
  const DWORD length = ::GetShortPathNameA(path.c_str(), &result[0], needed);
  if (length == 0 || length >= needed)
    return path;
  result.resize(length);
  return result;
}

// cmd reads a batch file in the console's (OEM) code page, not the ANSI one
// the paths come in. Converts exactly, without best-fit look-alikes ("–" must
// not become "-", which would name another file); false when a character
// has no OEM form.
bool AnsiToOem(const std::string& ansi, std::string& oem) {
  if (ansi.empty()) {
    oem.clear();
    return true;
  }
  const int wideLength = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                               static_cast<int>(ansi.size()), nullptr, 0);
  if (wideLength <= 0)
    return false;
  // A vector, not std::wstring: the wide string class alone adds 35 KB to
  // the launcher.
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()),
                        wide.data(), wideLength);
  BOOL usedDefault = FALSE;
  const int oemLength = ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                              wideLength, nullptr, 0, nullptr, &usedDefault);
  if (oemLength <= 0 || usedDefault)
    return false;
  oem.assign(static_cast<size_t>(oemLength), '\0');
  ::WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, &oem[0], oemLength,
                        nullptr, &usedDefault);
  return !usedDefault;
}

// The three paths as the script spells them, in OEM; with `shortNames` by
// their 8.3 names. The script file must exist while its short name is asked
// for, so a placeholder is written and deleted again.
struct ScriptPaths {
  std::string script;
  std::string exe;
  std::string folder;
};
bool SpellScriptPaths(const std::string& scriptPath, const std::string& exePath,
                      const std::string& exeFolder, bool shortNames, ScriptPaths& spelled) {
  if (!shortNames)
    return AnsiToOem(scriptPath, spelled.script) && AnsiToOem(exePath, spelled.exe) &&
           AnsiToOem(exeFolder, spelled.folder);
  if (!WriteNewFile(scriptPath, "ABC\r\n"))
    return false;
  const bool converted = AnsiToOem(ShortPath(scriptPath), spelled.script) &&
                         AnsiToOem(ShortPath(exePath), spelled.exe) &&
                         AnsiToOem(ShortPath(exeFolder), spelled.folder);
  ::DeleteFileA(scriptPath.c_str());
  return converted;
}

// Starts the script through cmd.exe from the System folder: /d skips the
// AutoRun commands of the registry, /v:off keeps "!" literal whatever the
// registry says about delayed expansion, and the script is named relative to
// the current folder (Temp), so the command line holds no user-chosen text.
// Idle priority keeps the wait loop from competing with anything.
bool StartScript(const std::string& tempFolder, const std::string& scriptPath) {
  const std::string system = SystemDir(true);
  if (!system.empty()) {
    const std::string program = system + "cmd.exe";
    std::string commandLine = "cmd.exe /d /v:off /c .\\";
    commandLine += kScriptName;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    if (::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                         CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS, nullptr, tempFolder.c_str(),
                         &startup, &started)) {
      KernelObject process(started.hProcess);
      KernelObject thread(started.hThread);
      return true;
    }
  }
  // Systems without cmd.exe run batch files through their own shell.
  const std::string quoted = "\"" + scriptPath + "\"";
  return ::WinExec(quoted.c_str(), SW_HIDE) > 31;
}

}  // namespace

bool DeleteMySelf(bool removeFolder, bool shortNames) {
  const std::string tempFolder = TempDir(false);
  const std::string scriptPath = TempDir(true) + kScriptName;
  const std::string exePath = OwnPath();
  const std::string exeFolder = OwnDir(false);
  ConsoleLine("[ExeName]  [" + exePath + "]");
  if (tempFolder.empty() || exePath.empty())
    return false;

  // A name the OEM code page cannot spell may still have a short name it can.
  ScriptPaths spelled;
  if (!SpellScriptPaths(scriptPath, exePath, exeFolder, shortNames, spelled) &&
      (shortNames || !SpellScriptPaths(scriptPath, exePath, exeFolder, true, spelled)))
    return false;
  const std::string text =
      SelfDeleteScript(spelled.exe, spelled.folder, spelled.script, removeFolder);
  if (text.empty())
    return false;

  ::SetCurrentDirectoryA(tempFolder.c_str());
  if (!WriteNewFile(scriptPath, text))
    return false;
  return StartScript(tempFolder, scriptPath);
}

}  // namespace orvane
