// OutputFiles: the files of one build, written under temporary names beside
// their final names and renamed only when everything was written; on failure
// (or when never committed), and when SIGINT, SIGTERM or SIGHUP ends the
// builder, nothing of the build stays behind. Only a regular file (or
// nothing) is ever replaced: a device, a pipe or a folder of the final or
// the temporary name stops the build.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FileIo.h"

namespace orvane::stubpack {

class OutputFiles {
 public:
  OutputFiles() = default;
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;
  // Removes every file of the set that was not committed.
  ~OutputFiles();

  // The temporary name of `finalPath`: FINAL.stubpack-PID.tmp.
  static std::string TemporaryPathOf(const std::string& finalPath);

  // Creates the temporary file of `finalPath` for reading and writing; null
  // with the reason in `error` when that fails.
  std::FILE* Create(const std::string& finalPath, std::string* error);
  // The temporary path of file `index` (in the order created).
  const std::string& TemporaryPath(size_t index) const { return files_[index].temporary; }
  size_t Count() const { return files_.size(); }
  // Closes file `index`; false when the last writes did not reach the disk.
  bool Close(size_t index, std::string* error);

  // Renames every file to its final name. When one rename fails, the files
  // already renamed are removed too, so that no partial installer remains.
  bool Commit(std::string* error);

 private:
  static constexpr size_t kNoTicket = SIZE_MAX;
  struct Entry {
    std::string final;
    std::string temporary;
    UniqueFile file;
    size_t signalTicket = kNoTicket;  // of the temporary file, see SignalCleanup
    bool committed = false;
  };
  // The temporary file is no longer removed on a signal (once per file).
  static void Forget(Entry& entry);
  std::vector<Entry> files_;
};

}  // namespace orvane::stubpack
