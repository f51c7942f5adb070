// OutputFiles: temporary names, commit and clean-up.
#include "OutputFiles.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace orvane::stubpack {

OutputFiles::~OutputFiles() {
  for (Entry& entry : files_) {
    entry.file.reset();
    if (!entry.committed)
      RemoveFile(entry.temporary);
  }
}

std::FILE* OutputFiles::Create(const std::string& finalPath, std::string* error) {
#ifdef _WIN32
  const int pid = _getpid();
#else
  const int pid = static_cast<int>(getpid());
#endif
  Entry entry;
  entry.final = finalPath;
  entry.temporary = finalPath + ".stubpack-" + std::to_string(pid) + ".tmp";
  entry.file = OpenFile(entry.temporary, "w+b", error);
  if (!entry.file)
    return nullptr;
  files_.push_back(std::move(entry));
  return files_.back().file.get();
}

bool OutputFiles::Close(size_t index, std::string* error) {
  std::FILE* file = files_[index].file.release();
  if (file == nullptr)
    return true;
  const bool failed = std::ferror(file) != 0;
  errno = 0;
  const bool closed = std::fclose(file) == 0;
  if (!failed && closed)
    return true;
  if (error != nullptr)
    *error = errno != 0 ? std::strerror(errno) : "write error";
  return false;
}

bool OutputFiles::Commit(std::string* error) {
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!Close(i, error))
      return false;
  }
  for (Entry& entry : files_) {
    std::string reason;
    if (!RenameReplacing(entry.temporary, entry.final, &reason)) {
      if (error != nullptr)
        *error = "cannot rename '" + entry.temporary + "' to '" + entry.final + "': " + reason;
      for (Entry& done : files_) {
        if (done.committed)
          RemoveFile(done.final);
        done.committed = false;
      }
      return false;
    }
    entry.committed = true;
  }
  return true;
}

}  // namespace orvane::stubpack
