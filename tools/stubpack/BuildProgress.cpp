// BuildProgress: the text of the progress line and the terminal check.
#include "BuildProgress.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orvane::stubpack {

std::string ProgressLine(uint64_t packed, uint64_t total) {
  const uint64_t percent = total == 0 ? 100 : packed * 100 / total;
  return "stubpack: " + std::to_string(packed / 1000000) + "/" + std::to_string(total / 1000000) +
         " MB packed (" + std::to_string(percent) + " %)";
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

void ProgressDisplay::Show(uint64_t packed, uint64_t total) {
  std::string line = ProgressLine(packed, total);
  if (line == shown_)
    return;
  std::fputs(("\r" + line).c_str(), stream_);
  std::fflush(stream_);
  shown_ = std::move(line);
}

void ProgressDisplay::Finish() {
  if (!shown_.empty())
    std::fputs("\n", stream_);
  shown_.clear();
}

}  // namespace orvane::stubpack
