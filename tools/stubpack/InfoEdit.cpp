// InfoEdit: a line walk over the file that finds a section's extent and a
// key's line.
#include "InfoEdit.h"

#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

// One line of the file: [begin, contentEnd) without its ending, which runs
// to end.
struct Line {
  size_t begin = 0;
  size_t contentEnd = 0;
  size_t end = 0;
};

Line LineAt(std::string_view text, size_t begin) {
  Line line{begin, text.size(), text.size()};
  const size_t newline = text.find('\n', begin);
  if (newline != std::string_view::npos) {
    line.end = newline + 1;
    line.contentEnd = newline > begin && text[newline - 1] == '\r' ? newline - 1 : newline;
  }
  return line;
}

// The name of a section header line, or nothing when the line is none.
std::optional<std::string_view> SectionName(std::string_view content) {
  const std::string_view trimmed = TrimView(content);
  if (trimmed.empty() || trimmed.front() != '[')
    return std::nullopt;
  const size_t close = trimmed.find(']');
  if (close == std::string_view::npos)
    return std::nullopt;
  return TrimView(trimmed.substr(1, close - 1));
}

// Where a key's line and its section are, as offsets into the text.
struct Place {
  bool sectionFound = false;
  bool keyFound = false;
  size_t valueBegin = 0;           // the key's line: after its "="
  size_t valueEnd = 0;             // the key's line: before its ending
  size_t insertAt = 0;             // a missing key: after the section's last non-blank line
  bool insertNeedsEnding = false;  // that line (the file's last) has no ending
};

Place Find(std::string_view text, std::string_view section, std::string_view key) {
  Place place;
  bool inSection = false;
  for (size_t pos = 0; pos < text.size();) {
    const Line line = LineAt(text, pos);
    pos = line.end;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    if (const auto name = SectionName(content)) {
      if (inSection)
        break;
      inSection = !place.sectionFound && SameTextTrim(*name, section);
      if (inSection) {
        place.sectionFound = true;
        place.insertAt = line.end;
        place.insertNeedsEnding = line.end == line.contentEnd;
      }
      continue;
    }
    if (!inSection || TrimView(content).empty())
      continue;
    place.insertAt = line.end;
    place.insertNeedsEnding = line.end == line.contentEnd;
    const size_t equals = content.find('=');
    if (equals != std::string_view::npos && SameTextTrim(content.substr(0, equals), key)) {
      place.keyFound = true;
      place.valueBegin = line.begin + equals + 1;
      place.valueEnd = line.contentEnd;
      return place;
    }
  }
  return place;
}

std::string_view LineEnding(std::string_view text) {
  return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

}  // namespace

std::optional<std::string> ReadInfoValue(std::string_view text, std::string_view section,
                                         std::string_view key) {
  const Place place = Find(text, section, key);
  if (!place.keyFound)
    return std::nullopt;
  return std::string(TrimView(text.substr(place.valueBegin, place.valueEnd - place.valueBegin)));
}

std::string SetInfoValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
  const Place place = Find(text, section, key);
  const std::string_view ending = LineEnding(text);
  std::string out;
  if (place.keyFound) {
    out.append(text.substr(0, place.valueBegin));
    out.append(value);
    out.append(text.substr(place.valueEnd));
    return out;
  }
  const std::string keyLine = std::string(key) + "=" + std::string(value) + std::string(ending);
  if (place.sectionFound) {
    out.append(text.substr(0, place.insertAt));
    if (place.insertNeedsEnding)
      out.append(ending);
    out.append(keyLine);
    out.append(text.substr(place.insertAt));
    return out;
  }
  out.append(text);
  if (!out.empty() && out.back() != '\n')
    out.append(ending);
  out.append("[").append(section).append("]").append(ending).append(keyLine);
  return out;
}

}  // namespace orvane::stubpack
