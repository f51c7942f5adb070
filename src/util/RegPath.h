// RegPath: the text side of registry reads.
//
// The launcher names every registry value by a key path written as text
// ("HKEY_LOCAL_MACHINE\SOFTWARE\..." or "HKLM\SOFTWARE\...") and always reads
// it back as text. This unit splits such a path into a root key and a subkey
// and turns the raw bytes of a value into the text the callers see. It has no
// Windows dependency, so the numeric root keys and value types below carry
// the same values as the Windows definitions; the Windows reader (Registry.h)
// turns a root number into its predefined key handle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Predefined root keys, numerically equal to HKEY_CLASSES_ROOT and friends.
using RegRootKey = uint32_t;
constexpr RegRootKey kRegClassesRoot = 0x80000000u;
constexpr RegRootKey kRegCurrentUser = 0x80000001u;
constexpr RegRootKey kRegLocalMachine = 0x80000002u;
constexpr RegRootKey kRegUsers = 0x80000003u;
constexpr RegRootKey kRegCurrentConfig = 0x80000005u;
constexpr RegRootKey kRegDynData = 0x80000006u;

// Value types, numerically equal to REG_SZ and friends.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegDwordBigEndian = 5;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Root key for a root name, after trimming blanks and ignoring case:
// "HKEY_CLASSES_ROOT"/"HKCR", "HKEY_CURRENT_USER"/"HKCU",
// "HKEY_LOCAL_MACHINE"/"HKLM", "HKEY_USERS"/"HKU",
// "HKEY_CURRENT_CONFIG"/"HKCC", "HKEY_DYN_DATA"/"HKDD".
// Any other name gives kRegCurrentUser.
RegRootKey RegRootFromName(std::string_view name);

struct RegPathParts {
  RegRootKey root = kRegCurrentUser;
  std::string subKey;
};

// Splits a trimmed key path. A path starting with "HK" (any case) names its
// root before the first backslash (or is all root when it has none); any
// other path is, whole, a subkey of HKEY_CURRENT_USER.
RegPathParts SplitRegPath(std::string_view keyPath);

// Text of a value of the given type whose data are `bytes` (exactly the size
// the registry reported):
// - REG_DWORD of exactly 4 bytes: the little-endian value as unsigned decimal;
// - REG_MULTI_SZ of more than 2 bytes: trailing zero bytes dropped, every
//   remaining zero byte (the separator between strings) written as "<0>";
// - anything else: the bytes up to the first zero byte, or all of them when
//   there is none. REG_EXPAND_SZ stays unexpanded.
std::string ConvertRegValue(uint32_t type, std::string_view bytes);

}  // namespace orvane
