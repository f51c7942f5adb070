// Files: file utilities of the launcher (writing, appending, deleting).
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Appends `text` + CR LF to the file, creating it when missing. The file is
// opened with sharing allowed and closed again, so several processes can log
// to it. Returns false when the file cannot be opened or written.
bool AppendLine(const std::string& path, std::string_view text);

// Appends `bytes` as they are (no line break added).
bool AppendText(const std::string& path, std::string_view bytes);

}  // namespace orvane
