// Registry: ReadRegString over RegOpenKeyExA / RegQueryValueExA.
#include "util/Registry.h"

#include <windows.h>

#include <vector>

#include "util/Handles.h"
#include "util/RegPath.h"

namespace orvane {
namespace {

// Values are read into a buffer of this size; longer ones give the default.
constexpr DWORD kValueBufferSize = 10241;

// The predefined keys are 32-bit constants sign-extended to pointer width,
// exactly as the system headers define HKEY_LOCAL_MACHINE and friends.
HKEY PredefinedKey(RegRootKey root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

}  // namespace

std::string ReadRegString(std::string_view keyPath, std::string_view valueName,
                          std::string_view defaultValue, bool use64BitView) {
  const RegPathParts parts = SplitRegPath(keyPath);
  const REGSAM access = use64BitView ? (KEY_READ | KEY_WOW64_64KEY) : KEY_READ;

  HKEY opened = nullptr;
  if (::RegOpenKeyExA(PredefinedKey(parts.root), parts.subKey.c_str(), 0, access, &opened) !=
      ERROR_SUCCESS) {
    return std::string(defaultValue);
  }
  const RegKey key(opened);

  const std::string name(valueName);
  std::vector<char> buffer(kValueBufferSize);
  DWORD type = REG_NONE;
  DWORD size = kValueBufferSize;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
    return std::string(defaultValue);
  }
  // The reported size is never trusted beyond the buffer.
  if (size > kValueBufferSize)
    size = kValueBufferSize;
  return ConvertRegValue(type, std::string_view(buffer.data(), size));
}

}  // namespace orvane
