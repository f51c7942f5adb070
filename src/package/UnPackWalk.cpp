#include "package/UnPackWalk.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "package/ZLibOpen.h"
#include "util/Crc32.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {

namespace {

// Reads from a volume go in pieces of this size, with the messages served
// after each, so the start-up window stays alive on slow media.
constexpr size_t kReadChunk = 65536;
// Output goes to the file in pieces of up to this size (SaveFile's largest write).
constexpr size_t kWriteChunk = 1048576;
// An entry header longer than this (file name, date and start arguments) is
// not one a builder wrote.
constexpr size_t kMaxEntryHeader = 65536;

int32_t DecodeInt32(const uint8_t* bytes) {
  const uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 |
                         static_cast<uint32_t>(bytes[3]) << 24;
  int32_t result;
  std::memcpy(&result, &value, sizeof result);
  return result;
}

class Walk;

// Receives one entry's bytes as they are inflated: the header up to the
// first zero byte, then the file's data, which goes straight to the file.
class EntryWriter {
 public:
  explicit EntryWriter(Walk& walk) : walk_(walk) {}
  // False when the entry makes the package damaged.
  bool Accept(const uint8_t* data, size_t size);
  // False when the file's bytes are not the ones the header's check value
  // names: the package is damaged.
  bool Finish();

 private:
  bool StartFile();

  enum class State { kHeader, kData, kFailed, kNothing };
  Walk& walk_;
  State state_ = State::kHeader;
  std::string header_;
  std::string path_;
  std::unique_ptr<OutputFile> file_;
  DosDateTime date_ = 0;
  pack::EntryHeader entry_;
  uint32_t crc_ = 0;
  int64_t dataSize_ = 0;
  std::string errorText_;
};

class Walk {
 public:
  Walk(ExtractionSystem& system, const ExtractionRequest& request)
      : system_(system),
        request_(request),
        input_(new uint8_t[kReadChunk]),
        output_(new uint8_t[kWriteChunk]) {}

  ExtractionOutcome Run();

 private:
  friend class EntryWriter;

  void Progress(int kind, int64_t max) {
    if (request_.progress)
      request_.progress->Progress(kind, 0, max, nullptr, 1, 0);
  }
  // Records why the package is damaged (the first reason counts); false, so
  // callers can return it.
  bool Damage(const std::string& reason) {
    if (outcome_.damage.empty())
      outcome_.damage = reason;
    return false;
  }
  bool ReadBlock(const pack::ByteSource& volume, uint64_t offset, uint8_t* buffer, size_t count);
  bool ExtractEntries(const pack::ByteSource& volume, const pack::Trailer& trailer, uint64_t end);
  bool ProcessEntry(const pack::ByteSource& volume, uint64_t offset, int32_t length);
  bool InflateEntry(const pack::ByteSource& volume, uint64_t offset, uint64_t length,
                    EntryWriter& writer);
  bool CopyStoredEntry(const pack::ByteSource& volume, uint64_t offset, uint64_t length,
                       EntryWriter& writer);
  void WriteAgentCopy(const pack::ByteSource& volume);
  bool AskForNextVolume(const std::string& next, int number);

  ExtractionSystem& system_;
  const ExtractionRequest& request_;
  ExtractionOutcome outcome_;
  // Not zeroed: every byte is written before it is used.
  std::unique_ptr<uint8_t[]> input_;
  std::unique_ptr<uint8_t[]> output_;
  uint64_t blockCount_ = 0;
  uint64_t headerEnd_ = 0;
  std::string volumeName_;
};

bool EntryWriter::Accept(const uint8_t* data, size_t size) {
  if (state_ == State::kHeader) {
    const void* zero = std::memchr(data, 0, size);
    const size_t headerPart =
        zero == nullptr ? size : static_cast<size_t>(static_cast<const uint8_t*>(zero) - data);
    if (header_.size() + headerPart > kMaxEntryHeader)
      return walk_.Damage("an entry header does not end");
    header_.append(reinterpret_cast<const char*>(data), headerPart);
    if (zero == nullptr)
      return true;
    data += headerPart + 1;
    size -= headerPart + 1;
    if (!StartFile())
      return false;
  }
  if (state_ == State::kData || state_ == State::kFailed) {
    dataSize_ += static_cast<int64_t>(size);
    if (entry_.hasCrc)
      crc_ = Crc32Update(crc_, data, size);
  }
  if (state_ == State::kData && size > 0 && !file_->Write(data, size)) {
    errorText_ = walk_.system_.LastErrorText();
    state_ = State::kFailed;
  }
  return true;
}

bool EntryWriter::StartFile() {
  if (header_.empty()) {
    state_ = State::kNothing;
    return true;
  }
  entry_ = pack::ParseEntryHeader(header_);
  const pack::EntryHeader& entry = entry_;
  std::string problem = pack::EntryNameFault(entry.name);
  if (problem.empty() && entry.crcMalformed)
    problem = "has a malformed check value";
  if (problem.empty()) {
    // The last entry that names a start entry wins.
    const std::string start = pack::StartEntryOf(header_, &problem);
    if (!start.empty())
      walk_.outcome_.startEntry = start;
  }
  if (!problem.empty())
    return walk_.Damage("The entry \"" + ShortenForDisplay(entry.name) + "\" " + problem + ".");
  date_ = entry.dosDateTime;
  path_ = walk_.request_.targetDir + "\\" + entry.name;
  bool existed = false;
  file_ = walk_.system_.OpenOutput(path_, true, &existed);
  if (file_) {
    state_ = State::kData;
  } else {
    errorText_ = walk_.system_.LastErrorText();
    state_ = State::kFailed;
    existed = walk_.system_.FileExists(path_);
  }
  // One step for every file that was not there before its entry.
  if (!existed)
    walk_.Progress(1, 0);
  return true;
}

bool EntryWriter::Finish() {
  // Without a zero byte the whole entry was header text: nothing to write.
  if (state_ == State::kHeader || state_ == State::kNothing)
    return true;
  if (entry_.hasCrc && crc_ != entry_.crc) {
    file_.reset();
    return walk_.Damage("The file \"" + ShortenForDisplay(entry_.name) +
                        "\" is damaged: its bytes are not the ones the package was built with.");
  }
  if (state_ == State::kData) {
    if (date_ != 0)
      file_->SetDate(date_);
    file_.reset();
    return true;
  }
  file_.reset();
  walk_.outcome_.writeFailed = true;
  if (walk_.system_.CountWriteFailure() == 1)
    walk_.system_.ShowError(
        ShortenForDisplay(path_) + "<P><P>Unable to save Extracted File!<P><P>" +
        WriteFailureDetails(errorText_, dataSize_, walk_.system_.FileSize(path_),
                            walk_.system_.DiskFree(path_)));
  return true;
}

bool Walk::ReadBlock(const pack::ByteSource& volume, uint64_t offset, uint8_t* buffer,
                     size_t count) {
  while (count > 0) {
    const size_t piece = count < kReadChunk ? count : kReadChunk;
    if (!volume.ReadAt(offset, buffer, piece))
      return false;
    system_.Pump();
    offset += piece;
    buffer += piece;
    count -= piece;
  }
  return true;
}

bool Walk::InflateEntry(const pack::ByteSource& volume, uint64_t offset, uint64_t length,
                        EntryWriter& writer) {
  ZInflater inflater;
  size_t filled = 0;
  for (;;) {
    if (inflater.InputLeft() == 0) {
      if (length == 0)
        return Damage("The compressed data of an entry ends early.");
      const size_t piece = length < kReadChunk ? static_cast<size_t>(length) : kReadChunk;
      if (!ReadBlock(volume, offset, input_.get(), piece))
        return Damage("The volume cannot be read.");
      offset += piece;
      length -= piece;
      inflater.SetInput(input_.get(), piece);
    }
    size_t produced = 0;
    const ZInflater::Status status =
        inflater.Inflate(output_.get() + filled, kWriteChunk - filled, &produced);
    filled += produced;
    if (status == ZInflater::Status::kError)
      return Damage("The compressed data of an entry is corrupt (" + inflater.ErrorText() + ").");
    const bool ended = status == ZInflater::Status::kEnd;
    if (filled == kWriteChunk || ended) {
      if (!writer.Accept(output_.get(), filled))
        return false;
      filled = 0;
    }
    system_.Pump();
    if (ended)
      return true;  // bytes after the end of the stream are not part of the entry
  }
}

bool Walk::CopyStoredEntry(const pack::ByteSource& volume, uint64_t offset, uint64_t length,
                           EntryWriter& writer) {
  while (length > 0) {
    const size_t piece = length < kWriteChunk ? static_cast<size_t>(length) : kWriteChunk;
    if (!ReadBlock(volume, offset, output_.get(), piece))
      return Damage("The volume cannot be read.");
    if (!writer.Accept(output_.get(), piece))
      return false;
    offset += piece;
    length -= piece;
  }
  return true;
}

bool Walk::ProcessEntry(const pack::ByteSource& volume, uint64_t offset, int32_t length) {
  EntryWriter writer(*this);
  const bool sound = length > 0
                         ? InflateEntry(volume, offset, static_cast<uint64_t>(length), writer)
                         : CopyStoredEntry(volume, offset, uint64_t{0} - length, writer);
  return sound && writer.Finish();
}

bool Walk::ExtractEntries(const pack::ByteSource& volume, const pack::Trailer& trailer,
                          uint64_t end) {
  // Every block lies between the package start and the trailer.
  const uint64_t limit = trailer.position;
  uint64_t offset = trailer.packageStart;
  if (offset > limit)
    return Damage("The package starts after its trailer.");
  // A trailer plus at least one byte must remain before the package end.
  while (offset < end && end - offset >= pack::kMinBytesForEntry) {
    system_.Pump();
    uint8_t lengthBytes[4];
    if (limit - offset < sizeof lengthBytes)
      return Damage("A block length runs into the trailer.");
    if (!volume.ReadAt(offset, lengthBytes, sizeof lengthBytes))
      return Damage("The volume cannot be read.");
    const int32_t length = DecodeInt32(lengthBytes);
    if (length == std::numeric_limits<int32_t>::min())
      return Damage("A block has an impossible length.");
    const uint64_t size =
        length < 0 ? uint64_t{0} - static_cast<int64_t>(length) : static_cast<uint64_t>(length);
    if (size > limit - offset - 4)
      return Damage("A block reaches into the trailer.");
    const uint64_t payload = offset + 4;
    offset = payload + size;
    ++blockCount_;
    if (blockCount_ == trailer.headerBlockCount)
      headerEnd_ = offset;
    if (blockCount_ > trailer.headerBlockCount && !ProcessEntry(volume, payload, length))
      return false;
  }
  return true;
}

void Walk::WriteAgentCopy(const pack::ByteSource& volume) {
  const std::string agentFile = FileNamePart(request_.agentName);
  if (agentFile.empty() || !pack::EntryNameFault(agentFile).empty())
    return;
  if (!EndsWithNoCase(request_.packageFile, ".exe") &&
      !EndsWithNoCase(request_.packageFile, ".exe.001"))
    return;
  // The copy needs the launcher image with its package-end pointer slot.
  if (headerEnd_ < pack::kPeHeaderOffset)
    return;
  pack::Trailer trailer = pack::ReadTrailer(volume);
  trailer.agentFlag = 1;
  trailer.trailerLength = pack::kTrailerSize;
  const auto record = pack::EncodeTrailer(trailer);

  const std::string path = request_.targetDir + "\\" + agentFile;
  bool existed = false;
  std::unique_ptr<OutputFile> copy = system_.OpenOutput(path, false, &existed);
  bool complete = copy != nullptr;
  for (uint64_t offset = 0; complete && offset < headerEnd_;) {
    const uint64_t left = headerEnd_ - offset;
    const size_t piece = left < kWriteChunk ? static_cast<size_t>(left) : kWriteChunk;
    if (!ReadBlock(volume, offset, output_.get(), piece)) {
      complete = false;
      break;
    }
    // The copy is read from its own end: no package-end pointer.
    if (offset == 0)
      pack::WritePackageEndPointer(output_.get(), piece, 0);
    complete = copy->Write(output_.get(), piece);
    offset += piece;
  }
  complete = complete && copy->Write(record.data(), record.size());
  if (complete) {
    const DosDateTime date = system_.FileDate(request_.packageFile);
    if (date != 0)
      copy->SetDate(date);
  }
  copy.reset();
  system_.TracePid(" New AU-Agent: " + path);
}

bool Walk::AskForNextVolume(const std::string& next, int number) {
  bool answer = true;
  if (!request_.alwaysAskForVolume && system_.FileExists(next))
    return true;
  system_.EjectMedium(next);
  do {
    answer = system_.AskForVolume(FillDiskPrompt(request_.diskPrompt, number));
    system_.Wait(500);
  } while (!system_.FileExists(next) && answer);
  return answer;
}

ExtractionOutcome Walk::Run() {
  const uint64_t started = system_.TickCount();
  std::string current = request_.packageFile;
  int number = 1;
  Progress(0, 0);
  bool proceed = true;
  while (proceed && outcome_.damage.empty()) {
    volumeName_ = current;
    const std::unique_ptr<pack::ByteSource> volume =
        system_.FileExists(current) ? system_.OpenVolume(current) : nullptr;
    if (!volume) {
      outcome_.noPackage = true;
      Damage("The file cannot be opened: " + system_.LastErrorText());
      break;
    }
    const pack::Trailer trailer = pack::ReadTrailer(*volume);
    if (number == 1)
      system_.Trace("FileInfo.FilesCount=" + std::to_string(trailer.fileCount));
    // Without its trailer nothing of a volume can be trusted, its flags
    // least of all: they would ask for volumes that do not exist.
    if (!trailer.IsPackage()) {
      outcome_.noPackage = number == 1;
      Damage(number == 1 ? "No setup package ends this file, or the end of its package is damaged."
                         : "This volume holds no part of a setup package.");
      break;
    }
    const uint32_t computed = pack::ComputePackageChecksum(*volume, trailer.trailerLength);
    outcome_.checksumOk = pack::ChecksumAccepted(computed, trailer.checksum);
    if (!outcome_.checksumOk)
      break;
    uint64_t end = volume->Size();
    uint8_t pointer[8];
    if (pack::IsPeImage(*volume) &&
        volume->ReadAt(pack::kEndPointerHighOffset, pointer, sizeof pointer)) {
      uint8_t image[pack::kPeHeaderOffset] = {};
      std::memcpy(image + pack::kEndPointerHighOffset, pointer, sizeof pointer);
      const uint64_t packageEnd = pack::ReadPackageEndPointer(image, sizeof image);
      // A pointer beyond the file cannot be the package end; the trailer
      // reader has already ignored it.
      if (packageEnd > 0 && packageEnd <= end)
        end = packageEnd;
    }
    system_.Trace("FileLen=" + std::to_string(end));
    if (number == 1)
      Progress(0, trailer.fileCount);
    if (!system_.CreateFolderPath(request_.targetDir)) {
      // Nothing can be written: one box, not one per file.
      outcome_.writeFailed = true;
      system_.ShowError(ShortenForDisplay(request_.targetDir) +
                        "<P><P>Unable to create Directory!<P><P>" + system_.LastErrorText());
      break;
    }
    if (!ExtractEntries(*volume, trailer, end))
      break;
    if (number == 1)
      WriteAgentCopy(*volume);
    if (!trailer.HasFlag(pack::kFlagMoreVolumes))
      break;
    system_.SuppressAutoPlay();
    ++number;
    const std::string next = pack::VolumeFileName(request_.packageFile, number);
    proceed = AskForNextVolume(next, number);
    Progress(1, 0);
    current = next;
  }
  if (!proceed)
    outcome_.cancelled = true;
  if (!outcome_.damage.empty()) {
    const char* what =
        outcome_.noPackage ? "The setup files cannot be read." : "The setup package is damaged.";
    system_.ShowError(ShortenForDisplay(volumeName_) + "<P><P>" + what +
                      " Nothing will be installed.<P><P>" + outcome_.damage);
  }
  // Only a complete, sound extraction may start anything.
  if (!proceed || !outcome_.damage.empty() || outcome_.writeFailed || !outcome_.checksumOk)
    outcome_.startEntry.clear();
  system_.Trace("UnCompressTime: " + std::to_string(system_.TickCount() - started) + " MS");
  system_.Trace("");
  system_.Wait(500);
  return outcome_;
}

}  // namespace

ExtractionOutcome RunExtraction(ExtractionSystem& system, const ExtractionRequest& request) {
  return Walk(system, request).Run();
}

std::string FillDiskPrompt(std::string_view prompt, int number) {
  static constexpr std::string_view kPlaceholder = "<DISK_NUM>";
  const std::string upper = UpperCaseAscii(prompt);
  const std::string value = std::to_string(number);
  std::string filled;
  size_t from = 0;
  for (size_t at = upper.find(kPlaceholder); at != std::string::npos;
       at = upper.find(kPlaceholder, from)) {
    filled.append(prompt.substr(from, at - from));
    filled += value;
    from = at + kPlaceholder.size();
  }
  filled.append(prompt.substr(from));
  return filled;
}

std::string WriteFailureDetails(std::string_view errorText, int64_t dataSize, int64_t fileSize,
                                double bytesFree) {
  const double free = bytesFree > 0 ? bytesFree : 0;
  std::string text(errorText);
  text += "<P>  Data Size: <T>" + std::to_string(dataSize) + " Bytes<P>";
  text += "  File Size:  <T>" + std::to_string(fileSize) + " Bytes<P>";
  text += "  Bytes Free: <T>" + FixedText(free - std::fmod(free, 1.0), 0) + " Bytes";
  return text;
}

}  // namespace orvane
