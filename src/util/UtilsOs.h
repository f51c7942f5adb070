// UtilsOs: naming the running Windows edition.
//
// Pure rules over the numbers of the system's version record: the version
// text ("6.1"), the edition name ("7", "2008R2.64", ...) and the edition's bit
// in the OS code, plus the correction of the version that Windows 8 and later
// under-report to programs that do not declare them. The Windows side
// (Utils) reads the record, kernel32's product version, the 64-bit and server
// flags, and caches the result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Platform ids of the version record.
constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWindows9x = 1;
constexpr uint32_t kPlatformNT = 2;

// OS code: one bit per known edition; 0 is Win32s.
constexpr uint32_t kOsWin32s = 0;
constexpr uint32_t kOs95 = 1;  // also any other 9x version
constexpr uint32_t kOs98 = 2;
constexpr uint32_t kOsMe = 4;
constexpr uint32_t kOsNT = 8;  // also any NT version not listed
constexpr uint32_t kOs2000 = 16;
constexpr uint32_t kOsXP = 32;
constexpr uint32_t kOs2003 = 64;
constexpr uint32_t kOsVista = 128;
constexpr uint32_t kOsXP64 = 256;
constexpr uint32_t kOsVista64 = 512;
constexpr uint32_t kOs7 = 1024;
constexpr uint32_t kOs7_64 = 2048;
constexpr uint32_t kOs2008 = 4096;
constexpr uint32_t kOs2008_64 = 8192;
constexpr uint32_t kOs2008R2_64 = 16384;
constexpr uint32_t kOs8 = 32768;
constexpr uint32_t kOs8_64 = 65536;
constexpr uint32_t kOs2012_64 = 131072;
constexpr uint32_t kOs81 = 262144;
constexpr uint32_t kOs81_64 = 524288;
constexpr uint32_t kOs2012R2_64 = 1048576;
constexpr uint32_t kOs10 = 2097152;
constexpr uint32_t kOs10_64 = 4194304;

struct OsVersionNumbers {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
};

struct OsFacts {
  uint32_t platformId = kPlatformNT;
  OsVersionNumbers version;
  bool is64BitWindows = false;  // the process runs under 32-bit emulation on 64-bit Windows
  bool isServer = false;
};

struct OsIdentity {
  std::string version;  // major "." minor, e.g. "6.1", "4.90", "10.0"
  std::string name;     // e.g. "XP", "7.64", "2012R2.64"; empty for an unknown platform
  uint32_t code = 0;    // the edition's bit; 0 for Win32s and unknown platforms
};

// Version text, name and code of an edition. On Windows 9x, version 4.10 with
// build 3000 is Windows ME and is reported as "4.90" (only the low word of
// the build counts there: its high word repeats the version). Server names
// exist only up to version 6.3, so a Windows 10 server is named as its
// desktop edition.
OsIdentity IdentifyOs(const OsFacts& facts);

// True when the reported version may be lower than the real one: Windows 8.1
// and later report 6.2 to programs that do not declare them, so any report of
// 6.2 or higher is checked against kernel32's product version.
bool OsVersionMayBeUnderReported(const OsVersionNumbers& reported);

// The reported version corrected by kernel32.dll's product version text
// ("10.0.19041.1": the first three dot- or comma-separated fields are major,
// minor, build). The text is used only for reports of 6.2 or higher, only
// when its first three fields are numbers, and only when it is not lower than
// the reported version; otherwise the reported version stays.
OsVersionNumbers CorrectOsVersion(const OsVersionNumbers& reported,
                                  std::string_view kernel32ProductVersion);

// Windows 8 or later: the NT platform with a version of at least 6.2.
bool IsWindows8OrLater(uint32_t platformId, const OsVersionNumbers& version);

}  // namespace orvane
