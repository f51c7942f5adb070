// Json: writer and string escaping.
#include "Json.h"

#include <cstdio>

namespace orvane::stubpack {
namespace {

// Windows-1252 at 0x80-0x9F; the five unassigned bytes keep their Latin-1
// value (C1 controls), as Windows itself maps them.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (u >= 0x20 && u < 0x7F) {
      out += c;
      continue;
    }
    const unsigned code = u >= 0x80 && u < 0xA0 ? kCp1252High[u - 0x80] : u;
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", code);
    out += escape;
  }
  return out + "\"";
}

void JsonWriter::NewLine() {
  out_ += '\n';
  out_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!empty_.empty()) {
    if (!empty_.back())
      out_ += ',';
    empty_.back() = false;
    NewLine();
  }
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ += JsonQuote(name);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  empty_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  const bool wasEmpty = empty_.back();
  empty_.pop_back();
  if (!wasEmpty)
    NewLine();
  out_ += bracket;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  out_ += JsonQuote(text);
}

void JsonWriter::StringUtf16(std::u16string_view text) {
  BeforeValue();
  out_ += '"';
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out_ += static_cast<char>(c);
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
    out_ += escape;
  }
  out_ += '"';
}

void JsonWriter::Number(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Unsigned(uint64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

}  // namespace orvane::stubpack
