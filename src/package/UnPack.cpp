#include "package/UnPack.h"

#include <windows.h>

#include <memory>

#include "package/PackX.h"
#include "package/PackXWin.h"
#include "util/Fatal.h"
#include "util/Files.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(FileHandle file) : file_(std::move(file)) {}

  bool Write(const void* data, size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
      // WriteFile takes 32-bit counts; the walk writes at most 1 MiB at a time.
      const DWORD piece = size > kSaveFileMaxChunk ? static_cast<DWORD>(kSaveFileMaxChunk)
                                                   : static_cast<DWORD>(size);
      DWORD done = 0;
      if (!::WriteFile(file_.get(), bytes, piece, &done, nullptr) || done == 0)
        return false;
      bytes += done;
      size -= done;
    }
    return true;
  }

  void SetDate(DosDateTime date) override { SetFileDosDate(file_.get(), date); }

 private:
  FileHandle file_;
};

class Win32ExtractionSystem final : public ExtractionSystem {
 public:
  explicit Win32ExtractionSystem(ExtractionBoxes& boxes) : boxes_(boxes) {}

  bool FileExists(const std::string& path) override { return orvane::FileExists(path); }
  std::unique_ptr<pack::ByteSource> OpenVolume(const std::string& path) override {
    return OpenFileSource(path);
  }
  bool CreateFolderPath(const std::string& folder) override {
    return orvane::CreateFolderPath(folder);
  }
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append,
                                         bool* existed) override {
    FileHandle file = OpenFileForWriting(path, append, existed);
    if (!file)
      return nullptr;
    return std::make_unique<Win32OutputFile>(std::move(file));
  }
  DosDateTime FileDate(const std::string& path) override { return FileDosDateTime(path); }
  int64_t FileSize(const std::string& path) override { return FileSizeByName(path); }
  double DiskFree(const std::string& path) override { return orvane::DiskFree(path); }
  std::string LastErrorText() override { return GetLastErrorText(); }

  void ShowError(const std::string& text) override { boxes_.ShowError(text); }
  bool AskForVolume(const std::string& text) override { return boxes_.AskForVolume(text); }
  void EjectMedium(const std::string& path) override { orvane::EjectMedium(path); }
  void SuppressAutoPlay() override { SetAutoPlaySuppression(true); }

  // The walk asks after every 64 KiB read and every inflate call; serving
  // the queue every 10 ms keeps the window just as alive and spares tens
  // of thousands of queue look-ups on a large package.
  void Pump() override {
    const uint64_t now = ::GetTickCount64();
    if (now - lastPump_ < 10)
      return;
    lastPump_ = now;
    YieldX(0);
  }
  void Wait(uint32_t ms) override { YieldWait(ms); }
  uint64_t TickCount() override { return ::GetTickCount64(); }
  void Trace(const std::string& line) override { ConsoleLine(line); }
  void TracePid(const std::string& line) override { ConsolePidLine(line); }
  int CountWriteFailure() override {
    static int failures = 0;
    return ++failures;
  }

 private:
  ExtractionBoxes& boxes_;
  uint64_t lastPump_ = 0;
};

}  // namespace

ExtractionOutcome ExtractPackage(const std::string& packageFile, const std::string& targetDir,
                                 const std::string& agentName, bool alwaysAskForVolume,
                                 ExtractionBoxes& boxes, const std::string& diskPrompt,
                                 ExtractionProgress* progress) {
  Win32ExtractionSystem system(boxes);
  ExtractionRequest request;
  request.packageFile = packageFile;
  request.targetDir = targetDir;
  request.agentName = agentName;
  request.alwaysAskForVolume = alwaysAskForVolume;
  request.diskPrompt = diskPrompt;
  request.progress = progress;
  // Buffers are bounded: running out of memory here is the system's, and
  // ends the launcher with this text; nothing is started.
  const OutOfMemoryText outOfMemory(packageFile +
                                    "<P><P>Not enough memory to extract the setup files.");
  return RunExtraction(system, request);
}

}  // namespace orvane
