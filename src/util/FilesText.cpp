#include "util/FilesText.h"

#include <algorithm>

#include "util/UtilsText.h"

namespace orvane {

bool SaveFileWritesInChunks(int64_t length, bool hasCallback) {
  return hasCallback || length > kSaveFileMaxChunk;
}

int64_t SaveFileChunkSize(int64_t length) {
  const int64_t tenth = length / 10;
  if (tenth <= 1024)
    return std::min<int64_t>(length, 1024);
  return std::min<int64_t>(tenth, kSaveFileMaxChunk);
}

std::string DriveRootOf(std::string_view path) {
  if (path.empty())
    return {};
  char drive = path[0];
  if (drive >= 'a' && drive <= 'z')
    drive = static_cast<char>(drive - 'a' + 'A');
  std::string root(1, drive);
  root += ":\\";
  return root;
}

std::string DiskFreeRoot(std::string_view path, bool extendedQuery, LeadBytePredicate isLeadByte) {
  if (!extendedQuery || path.size() < 3)
    return DriveRootOf(path);
  std::string root(path);
  std::replace(root.begin(), root.end(), '/', '\\');
  int backslashes = 0;
  bool endsWithSeparator = false;
  for (size_t i = 0; i < root.size(); ++i) {
    const auto byte = static_cast<unsigned char>(root[i]);
    if (isLeadByte && isLeadByte(byte) && i + 1 < root.size()) {
      ++i;  // the trail byte may equal '\'
      endsWithSeparator = false;
      continue;
    }
    endsWithSeparator = byte == '\\';
    if (endsWithSeparator && ++backslashes == 4) {
      root.resize(i + 1);
      return root;
    }
  }
  if (!endsWithSeparator)
    root += '\\';
  return root;
}

TreeEntryAction TreeEntryActionFor(std::string_view name, uint32_t attributes) {
  if (name.empty() || name == "." || name == "..")
    return TreeEntryAction::kSkip;
  const bool folder = (attributes & kAttributeDirectory) != 0;
  const bool link = (attributes & kAttributeReparsePoint) != 0;
  if (folder)
    return link ? TreeEntryAction::kRemoveLink : TreeEntryAction::kDescend;
  return link ? TreeEntryAction::kDeleteLink : TreeEntryAction::kDeleteFile;
}

std::string BatchQuotedPath(std::string_view path) {
  std::string quoted = "\"";
  for (const char c : path) {
    quoted += c;
    if (c == '%')
      quoted += '%';
  }
  quoted += '"';
  return quoted;
}

bool IsRootFolder(std::string_view folder) {
  if (folder.size() > 1 && folder.back() == '\\')
    folder.remove_suffix(1);
  if (folder.empty() || folder == "\\")
    return true;
  if (folder.size() == 2 && folder[1] == ':')
    return true;
  if (folder.size() >= 2 && folder[0] == '\\' && folder[1] == '\\')
    return std::count(folder.begin() + 2, folder.end(), '\\') <= 1;
  return false;
}

namespace {

// Characters that no Windows path contains and that would change what a
// script line does: a quote would end the quoting, a wildcard would widen
// DEL, a line break would start a new command.
bool UsableInScript(std::string_view path) {
  return !path.empty() && path.find_first_of(std::string_view("\"*?\r\n\0", 6)) == path.npos;
}

}  // namespace

std::string SelfDeleteScript(std::string_view exePath, std::string_view folder,
                             std::string_view scriptPath, bool removeFolder) {
  if (!UsableInScript(exePath) || !UsableInScript(scriptPath))
    return {};
  if (removeFolder && !UsableInScript(folder))
    return {};
  const std::string exe = BatchQuotedPath(exePath);
  std::string script = ":START\r\n";
  script += "DEL " + exe + "\r\n";
  script += "IF exist " + exe + " GOTO START\r\n";
  if (removeFolder && !IsRootFolder(folder))
    script += "RD " + BatchQuotedPath(folder) + "\r\n";
  script += "DEL " + BatchQuotedPath(scriptPath) + "\r\n";
  return script;
}

bool IsReservedDeviceName(std::string_view name) {
  // Windows maps these names, with any extension, to devices in every folder.
  const std::string stem = UpperCaseAscii(Trim(name.substr(0, name.find('.'))));
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
      stem == "CONOUT$")
    return true;
  if (stem.size() != 4 || (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0))
    return false;
  // Windows also takes the superscript digits one, two and three (bytes B9,
  // B2 and B3 of the Western ANSI code page) as port numbers.
  const auto digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace orvane
