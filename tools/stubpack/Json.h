// Json: a small writer of one pretty-printed JSON document.
//
// Texts of the package are 8-bit ANSI; the writer reads their bytes 128-255
// as Windows-1252 and writes them as \u escapes, so the document is plain
// ASCII and valid UTF-8 whatever the package holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::stubpack {

class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the current object.
  void Key(std::string_view name);
  void String(std::string_view text);
  // A UTF-16 text (as Windows resources hold them), exactly.
  void StringUtf16(std::u16string_view text);
  void Number(int64_t value);
  void Unsigned(uint64_t value);
  void Bool(bool value);
  void Null();

  // Shorthands for a member of the current object.
  void Member(std::string_view name, std::string_view text) {
    Key(name);
    String(text);
  }
  void Member(std::string_view name, const char* text) {
    Key(name);
    String(text);
  }
  void Member(std::string_view name, const std::string& text) {
    Key(name);
    String(text);
  }
  void Member(std::string_view name, bool value) {
    Key(name);
    Bool(value);
  }
  void MemberNumber(std::string_view name, int64_t value) {
    Key(name);
    Number(value);
  }
  void MemberUnsigned(std::string_view name, uint64_t value) {
    Key(name);
    Unsigned(value);
  }

  // The document, ending with a line break.
  std::string Text() const { return out_ + "\n"; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void BeforeValue();
  void NewLine();

  std::string out_;
  std::vector<bool> empty_;  // per open container: nothing written in it yet
  bool afterKey_ = false;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace orvane::stubpack
