#include "util/ZDebugText.h"

#include <algorithm>
#include <cstring>

#include "util/NumberText.h"

namespace orvane {

void ConsoleBuffer::Write(std::string_view text) {
  while (!text.empty()) {
    const size_t take = std::min(kCapacity - count_, text.size());
    std::memcpy(buffer_ + count_, text.data(), take);
    count_ += take;
    text.remove_prefix(take);
    if (count_ == kCapacity)
      Flush();
  }
}

void ConsoleBuffer::Flush() {
  if (count_ == 0)
    return;
  const std::string_view piece(buffer_, count_);
  count_ = 0;  // cleared first: a sink that writes again must not see this piece twice
  sink_.Forward(piece);
}

std::string NormalizeLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ExceptionReportLine(std::string_view error, std::string_view method,
                                std::string_view remark) {
  std::string line = " --- ";
  auto item = [&line](std::string_view label, std::string_view value) {
    if (value.empty())
      return;
    line += " [ ";
    line += label;
    line += value;
    line += " ] ";
  };
  item("Method = ", method);
  item("Remark = ", remark);
  item("ErrMsg = ", error);
  return line;
}

std::string AgentLogPath(std::string_view ownPath) {
  const size_t slash = ownPath.find_last_of("\\/:");
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : ownPath.substr(0, slash + 1);
  std::string name(slash == std::string_view::npos ? ownPath : ownPath.substr(slash + 1));
  if (name.compare(0, 2, "X_") != 0)
    name.insert(0, "X_");
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos)
    name.erase(dot);
  return std::string(folder) + name + ".log";
}

std::string AgentLogStamp(int year, int month, int day, int hour, int minute, int second,
                          std::string_view dateSeparator, std::string_view timeSeparator) {
  auto two = [](int v) { return ZeroPad(((v % 100) + 100) % 100, 2); };
  std::string s;
  s += two(day);
  s += dateSeparator;
  s += two(month);
  s += dateSeparator;
  s += two(year);
  s += ' ';
  s += two(hour);
  s += timeSeparator;
  s += two(minute);
  s += timeSeparator;
  s += two(second);
  return s;
}

std::string AgentLogLine(std::string_view stamp, uint32_t threadId, std::string_view prefix,
                         std::string_view message) {
  std::string line(stamp);
  line += ' ';
  line += LeftPad(DecimalText(threadId), 5);
  line += prefix;
  line += message;
  return line;
}

}  // namespace orvane
