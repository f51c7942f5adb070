// PathText: the portable path texts.
#include "util/PathText.h"

#include "util/UtilsText.h"

namespace orvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsLead(LeadBytePredicate isLeadByte, char c) {
  return isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(c));
}

// Position of the last path separator ("\" or ":"), skipping the trail byte
// of every double-byte character; npos when there is none.
size_t LastSeparator(std::string_view path, LeadBytePredicate isLeadByte) {
  size_t last = npos;
  size_t i = 0;
  while (i < path.size()) {
    const char c = path[i];
    if (IsLead(isLeadByte, c) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == ':')
      last = i;
    ++i;
  }
  return last;
}

}  // namespace

std::string NormalizeTrailingBackslash(std::string_view path, bool add,
                                       LeadBytePredicate isLeadByte) {
  std::string result(path);
  if (result == "\\") {
    result.clear();
  } else if (result.size() > 2 && result.back() == '\\' &&
             !IsLead(isLeadByte, result[result.size() - 2])) {
    result.pop_back();
  }
  if (add) {
    const bool endsWithSeparator =
        !result.empty() && result.back() == '\\' &&
        (result.size() < 2 || !IsLead(isLeadByte, result[result.size() - 2]));
    if (!endsWithSeparator)
      result += '\\';
  }
  return result;
}

std::string FileNamePart(std::string_view path, LeadBytePredicate isLeadByte) {
  const size_t sep = LastSeparator(path, isLeadByte);
  return std::string(sep == npos ? path : path.substr(sep + 1));
}

std::string DirectoryPart(std::string_view path, LeadBytePredicate isLeadByte) {
  const size_t sep = LastSeparator(path, isLeadByte);
  return sep == npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string NameWithoutExtension(std::string_view path, bool all, LeadBytePredicate isLeadByte) {
  std::string name = FileNamePart(path, isLeadByte);
  // A dot is never the trail byte of a double-byte character.
  const size_t dot = all ? name.find('.') : name.rfind('.');
  if (dot != npos)
    name.erase(dot);
  return name;
}

std::string ProgramPathForCommandLine(std::string_view path) {
  return path.find(' ') == std::string_view::npos ? std::string(path) : Quote(path);
}

std::string ShortenForDisplay(std::string_view text, size_t keep) {
  constexpr std::string_view kEllipsis = "...";
  // Compared without computing 2 * keep, which could overflow.
  if (keep >= text.size() / 2 || text.size() - 2 * keep <= kEllipsis.size())
    return std::string(text);
  std::string shown;
  shown.reserve(2 * keep + kEllipsis.size());
  shown.append(text.substr(0, keep));
  shown.append(kEllipsis);
  shown.append(text.substr(text.size() - keep));
  return shown;
}

}  // namespace orvane
