// Builder: writes an installer from a checked BuildPlan.
//
// The first volume is the launcher stub followed by the header blocks, file
// entries and the trailer; the stub's package-end pointer (bytes 248-255)
// holds the end of the package, so that a signature appended later does not
// hide it. With a volume limit the entries continue in OUTPUT.002, .003 ...
// (entries, then a trailer). With FirstVolume=001 the output is the launcher
// with the header blocks only (it relaunches itself and reads OUTPUT.001),
// and OUTPUT.001 is the first volume.
//
// Files larger than MaxEntrySize, and files that do not fit in what is left
// of a volume, are stored as several entries of the same name; the launcher
// appends them into one file. Every volume holds at most MaxVolumeSize
// bytes. Each trailer carries the package's total entry count; volumes of at
// most 51200 bytes carry their checksum, larger ones 1234.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BuildPlan.h"
#include "SpaceTable.h"

namespace orvane::stubpack {

struct EntryRecord {
  std::string name;
  int volume = 0;           // 1-based
  uint64_t dataSize = 0;    // file bytes in this entry
  uint64_t storedSize = 0;  // bytes it takes in the volume (length field included)
  bool compressed = false;
  bool isStart = false;
};

struct BuildResult {
  std::vector<std::string> outputs;  // final paths: the launcher first, then volumes
  std::vector<uint64_t> outputSizes;
  std::vector<EntryRecord> entries;
  uint64_t dataBytes = 0;
  SpaceTableValues spaceTable{};
};

// How a build runs; the installer is the same whatever these are.
struct BuildOptions {
  // Threads that compress: 0 for one per processor core.
  unsigned jobs = 0;
  // Called after each piece of a file is written: file bytes packed so far
  // and in all.
  std::function<void(uint64_t packed, uint64_t total)> progress;
};

// Builds the installer from a BuildPlan whose wildcards are expanded. It is
// checked again (CheckBuildPlan; only its errors are added here). On failure
// adds errors to `problems`, returns false and leaves no file of the build
// behind (volumes included).
bool Build(const BuildPlan& plan, BuildResult& result, Problems& problems,
           const BuildOptions& options = {});

}  // namespace orvane::stubpack
