// Utils: switch reader, own file and system folders, version resources,
// library loading and Windows identification.
#include "util/Utils.h"

#include <vector>

#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsSwitch.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace orvane {

bool IsAnsiLeadByte(unsigned char byte) {
  return ::IsDBCSLeadByte(byte) != FALSE;
}

namespace {

// A folder the system could not name stays empty: a lone "\" would stand
// for the root of the current drive.
std::string WithTrailingBackslash(std::string_view path, bool add) {
  if (path.empty())
    return {};
  return NormalizeTrailingBackslash(path, add, IsAnsiLeadByte);
}

// Calls `query(buffer, size)` — a system call that returns the length it
// wrote, or the size it needs when the buffer is too small — until the
// answer fits.
template <class Query>
std::string QueryPath(Query query) {
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    const UINT length = query(&buffer[0], static_cast<UINT>(buffer.size()));
    if (length == 0)
      return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.assign(static_cast<size_t>(length) + 1, '\0');
  }
}

// The executable's path as GetModuleFileNameA gives it.
std::string AnsiModuleFileName() {
  // GetModuleFileNameA returns the buffer size (and cuts the name) when the
  // buffer is too small, so grow until the answer is shorter than the buffer.
  std::string buffer(MAX_PATH + 1, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (length == 0)
      return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768)
      return {};
    buffer.assign(buffer.size() * 2, '\0');
  }
}

// Room for the longest path the wide functions give.
constexpr DWORD kWidePathRoom = 32768;
using WidePath = std::vector<wchar_t>;

// The first `length` characters of `wide` in the ANSI code page when every
// one has its own code there; false otherwise. A best-fit replacement (a
// letter written without its accent) is refused: it would name another file
// or none.
bool ToAnsiWithoutLoss(const wchar_t* wide, DWORD length, std::string& ansi) {
  const int wideLength = static_cast<int>(length);
  const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, nullptr, 0,
                                         nullptr, nullptr);
  if (size <= 0)
    return false;
  ansi.assign(static_cast<size_t>(size), '\0');
  BOOL usedDefault = FALSE;
  return ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, wideLength, &ansi[0], size,
                               nullptr, &usedDefault) == size &&
         !usedDefault;
}

// A path for the ANSI functions that names the same file as `wide` (a wide
// function's answer of `length` characters, 0 when it failed): the path
// itself when the ANSI code page holds it, else its short (8.3) form, whose
// names are plain ASCII wherever the volume keeps them. Empty when neither
// converts (or the system has no wide functions, as Windows 9x): the caller
// then takes the ANSI function's own answer, "?" and all, and the file that
// cannot be opened is reported under that name.
std::string AnsiPathOf(const WidePath& wide, DWORD length) {
  std::string ansi;
  if (length == 0 || length >= wide.size())
    return {};
  if (ToAnsiWithoutLoss(wide.data(), length, ansi))
    return ansi;
  WidePath shortPath(kWidePathRoom);
  const DWORD shortLength = ::GetShortPathNameW(wide.data(), shortPath.data(), kWidePathRoom);
  if (shortLength > 0 && shortLength < kWidePathRoom &&
      ToAnsiWithoutLoss(shortPath.data(), shortLength, ansi))
    return ansi;
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------
// Switch reader

std::string CommandTail() {
  // The command line's program name is converted like GetModuleFileNameA's
  // answer, not shortened like OwnPath's, so that one finds the other.
  return CommandTail(::GetCommandLineA(), AnsiModuleFileName());
}

std::string GetSwitch(std::string_view name, std::string_view defaultValue) {
  return GetSwitch(std::string_view(CommandTail()), name, defaultValue);
}

int64_t GetSwitchInt(std::string_view name, int64_t defaultValue) {
  return GetSwitchInt(std::string_view(CommandTail()), name, defaultValue);
}

bool HasSwitch(std::string_view name) {
  return HasSwitch(std::string_view(CommandTail()), name);
}

// ---------------------------------------------------------------------------
// Own file and system folders

std::string OwnPath() {
  WidePath wide(kWidePathRoom);
  const std::string path =
      AnsiPathOf(wide, ::GetModuleFileNameW(nullptr, wide.data(), kWidePathRoom));
  return path.empty() ? AnsiModuleFileName() : path;
}

std::string OwnFileName() {
  return FileNamePart(OwnPath(), IsAnsiLeadByte);
}

std::string OwnFileNameNoExt() {
  return NameWithoutExtension(OwnPath(), false, IsAnsiLeadByte);
}

std::string OwnDir(bool trailingBackslash) {
  return WithTrailingBackslash(DirectoryPart(OwnPath(), IsAnsiLeadByte), trailingBackslash);
}

std::string WindowsDir(bool trailingBackslash) {
  return WithTrailingBackslash(
      QueryPath([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); }),
      trailingBackslash);
}

std::string SystemDir(bool trailingBackslash) {
  return WithTrailingBackslash(
      QueryPath([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); }),
      trailingBackslash);
}

std::string TempDir(bool trailingBackslash) {
  WidePath wide(kWidePathRoom);
  std::string path = AnsiPathOf(wide, ::GetTempPathW(kWidePathRoom, wide.data()));
  if (path.empty()) {
    path = QueryPath(
        [](char* buffer, UINT size) { return static_cast<UINT>(::GetTempPathA(size, buffer)); });
  }
  return WithTrailingBackslash(path, trailingBackslash);
}

// ---------------------------------------------------------------------------
// Library loading

void RestrictDllSearchToSystem() {
  // SetDefaultDllDirectories exists from Windows 8 (and Windows 7 with
  // KB2533623); where it is missing, SetDllDirectoryA("") still removes the
  // current directory from the search order.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (HMODULE kernel = ::GetModuleHandleA("kernel32.dll")) {
    if (auto set = ProcAs<SetDefaultDllDirectoriesFn>(
            ::GetProcAddress(kernel, "SetDefaultDllDirectories"))) {
      set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
  }
  ::SetDllDirectoryA("");
}

Module LoadSystemLibrary(std::string_view name) {
  // Only a bare file name: "..\\x.dll" would leave the System folder.
  if (name.empty() || name.find_first_of("\\/:") != std::string_view::npos)
    return Module();
  const std::string system = SystemDir(false);
  if (system.empty())
    return Module();
  const std::string path = system + "\\" + std::string(name);
  // The altered search path makes the library's own dependencies come from
  // the System folder as well.
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (reinterpret_cast<uintptr_t>(module) < 33)
    return Module();
  return Module(module);
}

LibraryProc GetProcFromLibrary(std::string_view library, std::string_view procName) {
  LibraryProc result;
  result.module = LoadSystemLibrary(library);
  if (result.module) {
    result.proc = ::GetProcAddress(result.module.get(), std::string(procName).c_str());
  }
  return result;
}

// ---------------------------------------------------------------------------
// Version resources

namespace {

// version.dll is not a KnownDLL, so importing it would let the loader take a
// copy planted beside the launcher; it is loaded from the System folder.
class VersionApi {
 public:
  VersionApi() : module_(LoadSystemLibrary("version.dll")) {
    if (!module_)
      return;
    sizeOf_ = Lookup<SizeFn>("GetFileVersionInfoSizeA");
    infoOf_ = Lookup<InfoFn>("GetFileVersionInfoA");
    query_ = Lookup<QueryFn>("VerQueryValueA");
  }

  bool ok() const { return sizeOf_ && infoOf_ && query_; }

  // The version block of `file`, or an error text in `error`.
  bool ReadBlock(const std::string& file, std::vector<char>& block, std::string& error) const {
    if (!ok()) {
      error = "version.dll is not available";
      return false;
    }
    DWORD ignored = 0;
    const DWORD size = sizeOf_(file.c_str(), &ignored);
    if (size == 0) {
      error = GetLastErrorText();
      return false;
    }
    block.assign(size < kMinBlock ? kMinBlock : size, '\0');
    if (!infoOf_(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
      error = GetLastErrorText();
      return false;
    }
    return true;
  }

  // The value at `subBlock`, or null with `length` 0.
  const void* Query(const std::vector<char>& block, const char* subBlock, UINT& length) const {
    void* value = nullptr;
    length = 0;
    // VerQueryValueA takes a non-const block but does not change it.
    if (!query_(const_cast<char*>(block.data()), subBlock, &value, &length))
      return nullptr;
    return length == 0 ? nullptr : value;
  }

 private:
  static constexpr DWORD kMinBlock = 16384;
  using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
  using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

  template <class Fn>
  Fn Lookup(const char* name) const {
    return ProcAs<Fn>(::GetProcAddress(module_.get(), name));
  }

  Module module_;
  SizeFn sizeOf_ = nullptr;
  InfoFn infoOf_ = nullptr;
  QueryFn query_ = nullptr;
};

std::string FinishVersion(std::string version, int width, int count) {
  if (width > 1 || count < 4)
    return NormalizeVersion(version, width, count);
  return version;
}

// Takes the version text out of a version block; on failure gives "" and
// names what the block lacks in `fault`.
using VersionExtractor = std::string (*)(const VersionApi& api, const std::vector<char>& block,
                                         const char*& fault);

// The version text `extract` takes from the version block of `file` (the
// own executable when empty); a failure is reported under `method` and
// gives "".
std::string ReadVersion(std::string_view file, const char* method, VersionExtractor extract,
                        int width, int count) {
  const std::string path = file.empty() ? OwnPath() : std::string(file);
  const VersionApi api;
  std::vector<char> block;
  std::string error;
  if (!api.ReadBlock(path, block, error)) {
    ReportException(error, method, path);
    return {};
  }
  const char* fault = nullptr;
  std::string version = extract(api, block, fault);
  if (fault) {
    ReportException(fault, method, path);
    return {};
  }
  return FinishVersion(std::move(version), width, count);
}

std::string FileVersionOf(const VersionApi& api, const std::vector<char>& block,
                          const char*& fault) {
  UINT length = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(api.Query(block, "\\", length));
  if (!fixed || length < sizeof(VS_FIXEDFILEINFO)) {
    fault = "no fixed file information";
    return {};
  }
  return Cat({DecimalText(HIWORD(fixed->dwFileVersionMS)), ".",
              DecimalText(LOWORD(fixed->dwFileVersionMS)), ".",
              DecimalText(HIWORD(fixed->dwFileVersionLS)), ".",
              DecimalText(LOWORD(fixed->dwFileVersionLS))});
}

std::string ProductVersionOf(const VersionApi& api, const std::vector<char>& block,
                             const char*& fault) {
  UINT length = 0;
  const auto* translation =
      static_cast<const WORD*>(api.Query(block, "\\VarFileInfo\\Translation", length));
  if (!translation || length < 2 * sizeof(WORD)) {
    fault = "no translation";
    return {};
  }
  const std::string subBlock = Cat({"\\StringFileInfo\\", HexText(translation[0], 4),
                                    HexText(translation[1], 4), "\\ProductVersion"});
  const auto* value = static_cast<const char*>(api.Query(block, subBlock.c_str(), length));
  if (!value) {
    fault = "no ProductVersion";
    return {};
  }
  // The length counts the terminating zero when there is one.
  std::string version(value, strnlen(value, length));
  for (char& c : version) {
    if (c == ',')
      c = '.';
  }
  return version;
}

}  // namespace

std::string GetExeVersion(std::string_view file, int width, int count) {
  return ReadVersion(file, "Utils.GetExeVersion()", FileVersionOf, width, count);
}

std::string GetProductVersion(std::string_view file, int width, int count) {
  return ReadVersion(file, "Utils.GetProductVersion()", ProductVersionOf, width, count);
}

// ---------------------------------------------------------------------------
// Windows identification

namespace {

OsVersionRecord ReadOsVersionRecord() {
  OsVersionRecord record;
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    // Systems before NT 4 SP6 know only the short record.
    info = OSVERSIONINFOEXA{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
      return record;
  }
  record.platformId = info.dwPlatformId;
  record.version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
  record.servicePack =
      Trim(std::string(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion)));
  record.productType = info.wProductType;
  if (OsVersionMayBeUnderReported(record.version)) {
    record.version =
        CorrectOsVersion(record.version, GetProductVersion(SystemDir(true) + "kernel32.dll"));
  }
  return record;
}

}  // namespace

const OsVersionRecord& GetOsVersionRecord() {
  static const OsVersionRecord record = ReadOsVersionRecord();
  return record;
}

bool IsNT() {
  return GetOsVersionRecord().platformId == kPlatformNT;
}

bool IsXP() {
  // 0: not yet determined, 1: no, 2: yes.
  static uint8_t state = 0;
  if (state == 0)
    state = (IsNT() && GetOSVersion() == "5.1") ? 2 : 1;
  return state == 2;
}

bool IsWin8OrLater() {
  const OsVersionRecord& record = GetOsVersionRecord();
  return IsWindows8OrLater(record.platformId, record.version);
}

bool IsServer() {
  const uint8_t type = GetOsVersionRecord().productType;
  return ::GetSystemMetrics(SM_SERVERR2) != 0 || type == VER_NT_DOMAIN_CONTROLLER ||
         type == VER_NT_SERVER;
}

bool IsWin64() {
#ifdef _WIN64
  return true;
#else
  static const bool wow64 = [] {
    // IsWow64Process is missing before XP SP2; such systems are 32-bit.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel)
      return false;
    auto isWow64 = ProcAs<IsWow64ProcessFn>(::GetProcAddress(kernel, "IsWow64Process"));
    BOOL result = FALSE;
    return isWow64 && isWow64(::GetCurrentProcess(), &result) && result;
  }();
  return wow64;
#endif
}

namespace {

const OsIdentity& CachedOsIdentity() {
  static const OsIdentity identity = [] {
    const OsVersionRecord& record = GetOsVersionRecord();
    OsFacts facts;
    facts.platformId = record.platformId;
    facts.version = record.version;
    facts.is64BitWindows = IsWin64();
    facts.isServer = IsServer();
    return IdentifyOs(facts);
  }();
  return identity;
}

}  // namespace

std::string GetOSVersion() {
  return CachedOsIdentity().version;
}
std::string GetOSName() {
  return CachedOsIdentity().name;
}
uint32_t GetOSCode() {
  return CachedOsIdentity().code;
}
std::string GetServicePack() {
  return GetOsVersionRecord().servicePack;
}

}  // namespace orvane
