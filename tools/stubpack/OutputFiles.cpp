// OutputFiles: temporary names, commit and clean-up.
#include "OutputFiles.h"

#include <cerrno>
#include <cstring>

#include "SignalCleanup.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace orvane::stubpack {

namespace {

// The reason a file of this path must not be replaced, or empty when it is a
// regular file or missing.
std::string NotReplaceable(const std::string& path) {
  const FileKind kind = StatFile(path).kind;
  if (kind == FileKind::kMissing || kind == FileKind::kRegular)
    return std::string();
  return "it is " + std::string(FileKindText(kind)) +
         ", not a regular file (stubpack replaces only regular files)";
}

}  // namespace

void OutputFiles::Forget(Entry& entry) {
  ForgetOnSignal(entry.signalTicket);
  entry.signalTicket = kNoTicket;
}

OutputFiles::~OutputFiles() {
  for (Entry& entry : files_) {
    entry.file.reset();
    if (!entry.committed) {
      RemoveFile(entry.temporary);
      Forget(entry);
    }
  }
}

std::string OutputFiles::TemporaryPathOf(const std::string& finalPath) {
#ifdef _WIN32
  const int pid = _getpid();
#else
  const int pid = static_cast<int>(getpid());
#endif
  return finalPath + ".stubpack-" + std::to_string(pid) + ".tmp";
}

std::FILE* OutputFiles::Create(const std::string& finalPath, std::string* error) {
  Entry entry;
  entry.final = finalPath;
  entry.temporary = TemporaryPathOf(finalPath);
  for (const std::string* path : {&entry.final, &entry.temporary}) {
    const std::string reason = NotReplaceable(*path);
    if (!reason.empty()) {
      if (error != nullptr)
        *error =
            (path == &entry.temporary ? "its temporary file '" + entry.temporary + "': " : "") +
            reason;
      return nullptr;
    }
  }
  // Recorded before the file exists, so that no moment leaves it unrecorded.
  entry.signalTicket = RemoveOnSignal(entry.temporary);
  entry.file = OpenFile(entry.temporary, "w+b", error);
  if (!entry.file) {
    Forget(entry);
    return nullptr;
  }
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
  // A signal waits until every file has its final name (or none has).
  const SignalsHeld held;
  for (Entry& entry : files_) {
    // Something may have taken the final name since the file was created.
    std::string reason = NotReplaceable(entry.final);
    if (reason.empty() && RenameReplacing(entry.temporary, entry.final, &reason)) {
      entry.committed = true;
      Forget(entry);
      continue;
    }
    if (error != nullptr)
      *error = "cannot rename '" + entry.temporary + "' to '" + entry.final + "': " + reason;
    for (Entry& done : files_) {
      if (done.committed)
        RemoveFile(done.final);
      done.committed = false;
    }
    return false;
  }
  return true;
}

}  // namespace orvane::stubpack
