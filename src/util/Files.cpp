#include "util/Files.h"

#include <windows.h>

#include "util/Handles.h"

namespace orvane {

bool AppendText(const std::string& path, std::string_view bytes) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  LARGE_INTEGER zero{};
  if (!::SetFilePointerEx(file.get(), zero, nullptr, FILE_END))
    return false;
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() > 0x10000 ? 0x10000 : bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0)
      return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool AppendLine(const std::string& path, std::string_view text) {
  std::string line(text);
  line += "\r\n";
  return AppendText(path, line);
}

}  // namespace orvane
