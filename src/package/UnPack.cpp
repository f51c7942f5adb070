#include "package/UnPack.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <new>

#include "launcher/ZDebug.h"
#include "package/PackX.h"
#include "package/UnPackWalk.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/Utils.h"

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
  Win32ExtractionSystem(int charset, const std::string& buttons, const std::string& caption)
      : charset_(charset), buttons_(buttons), caption_(caption) {}

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

  void ShowError(const std::string& text) override { MsgError(0, text); }
  bool AskForVolume(const std::string& text) override {
    return MsgOkCancel(0, text, caption_, buttons_, charset_);
  }
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
  int charset_;
  std::string buttons_;
  std::string caption_;
  uint64_t lastPump_ = 0;
};

}  // namespace

void ExtractPackage(const std::string& packageFile, const std::string& targetDir,
                    const std::string& agentName, std::string& startEntry, bool alwaysAskForVolume,
                    int charset, const std::string& buttons, const std::string& caption,
                    const std::string& diskPrompt, const ExtractionProgress& progress,
                    bool& checksumOk) {
  startEntry.clear();
  checksumOk = false;
  Win32ExtractionSystem system(charset, buttons, caption);
  ExtractionRequest request;
  request.packageFile = packageFile;
  request.targetDir = targetDir;
  request.agentName = agentName;
  request.alwaysAskForVolume = alwaysAskForVolume;
  request.diskPrompt = diskPrompt;
  request.progress = progress;
  try {
    const ExtractionOutcome outcome = RunExtraction(system, request);
    startEntry = outcome.startEntry;
    checksumOk = outcome.checksumOk;
  } catch (const std::bad_alloc&) {
    // Buffers are bounded; this is a system out of memory. Nothing is started.
    startEntry.clear();
    checksumOk = true;  // the package was not found bad; this message is the only one
    MsgError(0, packageFile + "<P><P>Not enough memory to extract the setup files.");
  }
}

}  // namespace orvane
