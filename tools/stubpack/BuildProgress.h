// BuildProgress: the line that shows how far a build has packed the files,
// updated in place on a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvane::stubpack {

// "stubpack: 123/456 MB packed (27 %)": megabytes of 1000000 bytes, rounded
// down, and the whole percent reached (100 % for nothing to pack).
std::string ProgressLine(uint64_t packed, uint64_t total);

// True when `stream` is a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Writes the progress line to `stream`, over itself, only when its text
// changes; Finish ends the line when one was written.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(std::FILE* stream) : stream_(stream) {}
  void Show(uint64_t packed, uint64_t total);
  void Finish();

 private:
  std::FILE* stream_;
  std::string shown_;
};

}  // namespace orvane::stubpack
