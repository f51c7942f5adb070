// ZDebugText: the portable rules of the console trace and the agent log —
// buffering into pieces, line formats and the log file name. The Windows
// device in ZDebug forwards what these produce.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Collects console output in a 128-byte buffer and hands it to a sink when
// the buffer is full and on every flush, so a line longer than the buffer
// arrives in pieces of at most 128 bytes.
class ConsoleBuffer {
 public:
  static constexpr size_t kCapacity = 128;

  // Where the pieces go; implemented by the buffer's owner, which keeps it
  // alive as long as the buffer.
  class Sink {
   public:
    virtual void Forward(std::string_view piece) = 0;

   protected:
    ~Sink() = default;
  };

  explicit ConsoleBuffer(Sink& sink) : sink_(sink) {}

  void Write(std::string_view text);
  void Flush();

 private:
  Sink& sink_;
  char buffer_[kCapacity] = {};
  size_t count_ = 0;
};

// Every CR LF, lone CR and lone LF turned into CR LF (the debug file's form).
std::string NormalizeLineBreaks(std::string_view text);

// " --- " followed by " [ Method = m ] ", " [ Remark = r ] ", " [ ErrMsg = e ] ",
// each only when its text is not empty.
std::string ExceptionReportLine(std::string_view error, std::string_view method,
                                std::string_view remark);

// The agent log's file for an executable path: "X_" + name (unless the name
// already begins with "X_", case-sensitive) with the extension ".log", in the
// executable's folder.
std::string AgentLogPath(std::string_view ownPath);

// "dd/mm/yy HH:NN:SS" with the given date and time separators.
std::string AgentLogStamp(int year, int month, int day, int hour, int minute, int second,
                          std::string_view dateSeparator, std::string_view timeSeparator);

// Stamp + " " + thread id left-padded with blanks to 5 characters (never cut)
// + prefix + message.
std::string AgentLogLine(std::string_view stamp, uint32_t threadId, std::string_view prefix,
                         std::string_view message);

}  // namespace orvane
