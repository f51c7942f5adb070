// FakeExtractionSystem: the extraction walk's system as a test double. Files
// live in a map (path -> bytes), volumes are read from it, every box,
// prompt, eject, trace and progress call is recorded, and the answers to
// volume prompts come from a script.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "package/UnPackWalk.h"

namespace orvane::testpack {

class FakeExtractionSystem : public ExtractionSystem, public ExtractionProgress {
 public:
  struct ProgressCall {
    int kind;
    int64_t max;
    bool operator==(const ProgressCall& other) const {
      return kind == other.kind && max == other.max;
    }
  };

  std::map<std::string, std::string> files;
  std::map<std::string, DosDateTime> dates;
  std::vector<std::string> folders;  // folders created
  std::vector<std::string> errors;   // error boxes
  std::vector<std::string> prompts;  // volume prompts
  std::vector<std::string> ejects;
  std::vector<std::string> traces;
  std::vector<std::string> opened;  // outputs opened, in order
  std::vector<ProgressCall> progress;
  bool autoPlaySuppressed = false;
  int writeFailures = 0;
  int pumps = 0;

  // Answers of the volume prompts, in order; when they run out: Cancel.
  // `onPrompt` runs before each answer (a test puts the volume in place).
  std::vector<bool> answers;
  std::function<void(int promptIndex)> onPrompt;
  // Outputs whose path is listed here cannot be opened; writes to the
  // listed "full" paths fail.
  std::vector<std::string> unopenable;
  std::vector<std::string> full;
  bool folderCreationFails = false;

  // Streaming evidence: the bytes read from volumes so far, noted at every
  // write, and the largest single write.
  uint64_t bytesRead = 0;
  std::vector<uint64_t> bytesReadAtWrite;
  size_t largestWrite = 0;

  // The progress to hand to the walk: records Kind and Max of every call.
  ExtractionProgress* ProgressCallback() { return this; }
  void Progress(int kind, int64_t /*min*/, int64_t max, bool* /*cancel*/, int /*step*/,
                int64_t /*position*/) override {
    progress.push_back({kind, max});
  }

  bool FileExists(const std::string& path) override { return files.count(path) != 0; }

  std::unique_ptr<pack::ByteSource> OpenVolume(const std::string& path) override {
    const auto it = files.find(path);
    if (it == files.end())
      return nullptr;
    return std::make_unique<CountingSource>(it->second, bytesRead);
  }

  bool CreateFolderPath(const std::string& folder) override {
    folders.push_back(folder);
    return !folderCreationFails;
  }

  std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append,
                                         bool* existed) override {
    opened.push_back(path);
    *existed = files.count(path) != 0;
    if (std::find(unopenable.begin(), unopenable.end(), path) != unopenable.end())
      return nullptr;
    if (!append)
      files[path].clear();
    else
      files[path];
    const bool fails = std::find(full.begin(), full.end(), path) != full.end();
    return std::make_unique<Output>(*this, path, fails);
  }

  DosDateTime FileDate(const std::string& path) override {
    const auto it = dates.find(path);
    return it == dates.end() ? 0 : it->second;
  }
  int64_t FileSize(const std::string& path) override {
    const auto it = files.find(path);
    return it == files.end() ? 0 : static_cast<int64_t>(it->second.size());
  }
  double DiskFree(const std::string&) override { return 12345.75; }
  std::string LastErrorText() override { return "Disk full."; }

  void ShowError(const std::string& text) override { errors.push_back(text); }
  bool AskForVolume(const std::string& text) override {
    const int index = static_cast<int>(prompts.size());
    prompts.push_back(text);
    if (onPrompt)
      onPrompt(index);
    return index < static_cast<int>(answers.size()) && answers[index];
  }
  void EjectMedium(const std::string& path) override { ejects.push_back(path); }
  void SuppressAutoPlay() override { autoPlaySuppressed = true; }

  void Pump() override { ++pumps; }
  void Wait(uint32_t) override {}
  uint64_t TickCount() override { return 1000; }
  void Trace(const std::string& line) override { traces.push_back(line); }
  void TracePid(const std::string& line) override { traces.push_back("<pid>" + line); }
  int CountWriteFailure() override { return ++writeFailures; }

 private:
  class CountingSource final : public pack::ByteSource {
   public:
    CountingSource(const std::string& bytes, uint64_t& counter)
        : source_(bytes), counter_(counter) {}
    uint64_t Size() const override { return source_.Size(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
      counter_ += count;
      return source_.ReadAt(offset, buffer, count);
    }

   private:
    pack::MemorySource source_;
    uint64_t& counter_;
  };

  class Output final : public OutputFile {
   public:
    Output(FakeExtractionSystem& system, std::string path, bool fails)
        : system_(system), path_(std::move(path)), fails_(fails) {}
    bool Write(const void* data, size_t size) override {
      system_.bytesReadAtWrite.push_back(system_.bytesRead);
      system_.largestWrite = std::max(system_.largestWrite, size);
      if (fails_) {
        // A full disk takes part of the data.
        system_.files[path_].append(static_cast<const char*>(data), size / 2);
        return false;
      }
      system_.files[path_].append(static_cast<const char*>(data), size);
      return true;
    }
    void SetDate(DosDateTime date) override { system_.dates[path_] = date; }

   private:
    FakeExtractionSystem& system_;
    std::string path_;
    bool fails_;
  };
};

}  // namespace orvane::testpack
