// UnPackWalk: the extraction engine's walk over volumes and entries, apart
// from the system.
//
// The walk reads the volumes of a package one after the other (the first
// volume is the launcher or NAME.001, the next ones NAME.002, NAME.003, ...),
// checks each volume's checksum, asks for a volume that is not there, and
// writes every file entry into the target folder, inflating compressed
// entries as a stream so that memory stays small whatever the entry size. It
// reports progress, counts write failures, notes the entry to start, and can
// write an auto-update agent copy of the launcher (the first volume's image
// and header blocks with a trailer of its own).
//
// Everything it needs from the system comes through ExtractionSystem, so the
// walk runs natively against a test double and in the launcher against
// Win32 (UnPack.h).
//
// Hostile packages: a volume without a trailer, an entry name that is not
// one plain file name (pack::EntryNameFault: a folder part, a drive, a
// device ...), a start entry that is not the file of its own entry
// (pack::StartEntryOf), a package start or a block that reaches into the
// trailer, a length that cannot be represented, corrupt compressed data, an
// entry whose file bytes do not have the CRC-32 its header names, or an
// entry header that never ends make the package damaged: the walk stops,
// tells the user once, and no entry is left to start. So does a file that
// could not be written: an installation from half the files cannot be
// trusted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "package/PackFormat.h"
#include "util/FilesText.h"

namespace orvane {

// A file being written by the walk.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Writes all `size` bytes at the end of the file; false when not all of
  // them were written.
  virtual bool Write(const void* data, size_t size) = 0;
  // Sets the file's modification date-time (called only when the file
  // received all its data and `date` is not 0).
  virtual void SetDate(DosDateTime date) = 0;
};

// The system as the walk sees it. Paths are ANSI.
class ExtractionSystem {
 public:
  virtual ~ExtractionSystem() = default;

  virtual bool FileExists(const std::string& path) = 0;
  // The volume opened for reading, others may read and write it; null when
  // it cannot be opened.
  virtual std::unique_ptr<pack::ByteSource> OpenVolume(const std::string& path) = 0;
  // Creates `folder` with every missing parent; false (with the system's
  // error text from LastErrorText) when the folder is not there afterwards.
  virtual bool CreateFolderPath(const std::string& folder) = 0;
  // Opens `path` for writing at its end (append, creating it when missing)
  // or replacing it; null on failure. `existed` tells whether the file was
  // there before (so the walk needs no second look-up per file).
  virtual std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append,
                                                 bool* existed) = 0;
  // The file's DOS modification date-time; 0 when it cannot be read.
  virtual DosDateTime FileDate(const std::string& path) = 0;
  virtual int64_t FileSize(const std::string& path) = 0;
  virtual double DiskFree(const std::string& path) = 0;
  // The system's text for the error of the last failed call.
  virtual std::string LastErrorText() = 0;

  // An error box (default caption and buttons).
  virtual void ShowError(const std::string& text) = 0;
  // The volume prompt with the caller's caption, buttons and charset; true
  // for OK.
  virtual bool AskForVolume(const std::string& text) = 0;
  virtual void EjectMedium(const std::string& path) = 0;
  // Keeps the shell's AutoPlay from starting while disks are changed.
  virtual void SuppressAutoPlay() = 0;

  // Serves the thread's window messages once.
  virtual void Pump() = 0;
  // Waits `ms` while serving messages.
  virtual void Wait(uint32_t ms) = 0;
  virtual uint64_t TickCount() = 0;
  virtual void Trace(const std::string& line) = 0;
  // Trace line starting with the process id.
  virtual void TracePid(const std::string& line) = 0;
  // Adds one to the process-wide write-failure counter; its new value.
  virtual int CountWriteFailure() = 0;
};

struct ExtractionRequest {
  std::string packageFile;  // first volume: the launcher or NAME.001
  std::string targetDir;
  std::string agentName;  // only its file-name part is used; empty: no agent copy
  bool alwaysAskForVolume = false;
  std::string diskPrompt;                  // with "<DISK_NUM>" in any letter case
  ExtractionProgress* progress = nullptr;  // null: no progress reported
};

// How the walk ended. Only a walk without any failure leaves a start entry.
struct ExtractionOutcome {
  std::string startEntry;  // "name*arguments" of the entry to start, or empty
  bool checksumOk = false;
  bool cancelled = false;    // the user cancelled a volume prompt
  bool noPackage = false;    // a volume cannot be opened, or the first holds no package
  bool writeFailed = false;  // the folder or a file could not be written completely
  std::string damage;        // why the package cannot be used; empty when it can
};

ExtractionOutcome RunExtraction(ExtractionSystem& system, const ExtractionRequest& request);

// The prompt for volume `number`: every "<DISK_NUM>", in any letter case,
// replaced by the number.
std::string FillDiskPrompt(std::string_view prompt, int number);

// The details of a write failure: the system's error text, the data size,
// the size of the file now on disk and the free bytes of its drive.
std::string WriteFailureDetails(std::string_view errorText, int64_t dataSize, int64_t fileSize,
                                double bytesFree);

}  // namespace orvane
