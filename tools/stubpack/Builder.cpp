// Builder: stub checks, entries, volumes, trailers, pointer and checksums.
#include "Builder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "EntryCodec.h"
#include "FileIo.h"
#include "HeaderBlocks.h"
#include "OutputFiles.h"
#include "ParallelEncoder.h"
#include "PeResources.h"
#include "Sha256.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

void Store32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A file written by the build that ends with a trailer.
struct WrittenFile {
  size_t output = 0;  // index in OutputFiles
  std::string path;   // final path, for messages
  uint64_t size = 0;
  uint64_t trailerOffset = 0;
  bool holdsEntries = true;  // false for a launcher that only relaunches
};

class PackageBuilder {
 public:
  PackageBuilder(const BuildPlan& plan, BuildResult& result, Problems& problems,
                 const BuildOptions& options)
      : plan_(plan), result_(result), problems_(problems), options_(options) {}

  bool Run() {
    // The checks run again here so that no caller can write an unsafe name.
    Problems checks;
    CheckBuildPlan(plan_, checks);
    const bool invalid = HasErrors(checks);
    for (Problem& problem : checks) {
      if (!problem.warning)
        problems_.push_back(std::move(problem));
    }
    if (invalid || !LoadStub() || !CheckSources() || !PrepareDownload())
      return false;
    CollectInputs();
    MakeHeader();
    if (!MakeOutputFolder())
      return false;
    if (plan_.firstVolume == FirstVolume::kSeparate001 && !WriteLauncherOnly())
      return false;
    firstVolumePath_ = plan_.firstVolume == FirstVolume::kLauncher
                           ? plan_.output
                           : pack::VolumeFileName(plan_.output + ".001", 1);
    if (!OpenVolume())
      return false;
    StartEncoder();
    for (size_t i = 0; i < plan_.files.size(); ++i) {
      if (!PackFile(i))
        return false;
    }
    if (!PlaceQueued() || !CloseVolume(false) || !Finish())
      return false;
    WarnAboutVolumes();
    if (plan_.warningsAreErrors &&
        std::any_of(problems_.begin(), problems_.end(), [](const Problem& p) { return p.warning; }))
      return false;
    std::string error;
    if (!outputs_.Commit(&error))
      return Fail(error, OutputWhere());
    createdFolders_.folders.clear();
    for (const WrittenFile& file : written_) {
      result_.outputs.push_back(file.path);
      result_.outputSizes.push_back(file.size);
    }
    return true;
  }

 private:
  struct Source {
    uint64_t size = 0;
    uint32_t dosDateTime = 0;
  };

  // A file the build reads, which no file of the build may replace.
  struct Input {
    std::string what;
    std::string path;
    std::string where;
  };

  bool Fail(std::string what, std::string where) {
    problems_.push_back({false, std::move(what), std::move(where)});
    return false;
  }

  std::string StubWhere() const { return plan_.stubOrigin.Text(); }
  std::string OutputWhere() const { return plan_.outputOrigin.Text(); }

  // "-o out/new/setup.exe" makes the missing folders of the output.
  bool MakeOutputFolder() {
    const std::string folder = FolderOf(plan_.output);
    std::string error;
    if (!folder.empty() && !CreateFolders(folder, createdFolders_.folders, &error))
      return Fail(error, OutputWhere());
    return true;
  }

  bool LoadStub() {
    if (StatFile(plan_.stub).isDirectory)
      return Fail("'" + plan_.stub + "' is a folder, not a launcher file", StubWhere());
    std::string error;
    if (!ReadWholeFile(plan_.stub, stub_, &error))
      return Fail("cannot read the launcher stub '" + plan_.stub + "': " + error, StubWhere());
    const pack::MemorySource image(stub_);
    if (!pack::IsPeImage(image))
      return Fail("'" + plan_.stub +
                      "' is not a launcher image (it needs \"MZ\" at offset 0 and \"PE\" at 256)",
                  StubWhere());
    const auto* bytes = reinterpret_cast<const uint8_t*>(stub_.data());
    if (std::any_of(bytes + pack::kEndPointerHighOffset, bytes + pack::kPeHeaderOffset,
                    [](uint8_t b) { return b != 0; }))
      return Fail("'" + plan_.stub +
                      "' is not a plain launcher: its package-end pointer (offset 248) is set, "
                      "so it already is an installer",
                  StubWhere());
    if (pack::ReadTrailer(image).IsPackage())
      return Fail("'" + plan_.stub + "' already carries a package; use the launcher as built",
                  StubWhere());
    return BrandStub();
  }

  // [Branding]: the installer's copy of the launcher carries the vendor's
  // icon and version resource; without it the launcher is copied as it is.
  bool BrandStub() {
    const BrandingSettings& settings = plan_.branding;
    if (!settings.present)
      return true;
    Branding branding;
    std::string error;
    if (!settings.iconBytes.empty() && !ParseIcoFile(settings.iconBytes, branding.icons, error))
      return Fail("[Branding] Icon '" + settings.icon + "': " + error, settings.origin.Text());
    branding.version = !settings.version.empty();
    if (branding.version) {
      ParseVersionNumbers(settings.version, branding.versionNumbers);
      branding.versionText = settings.version;
      branding.productName = settings.productName;
      branding.companyName = settings.companyName;
      branding.fileDescription = settings.fileDescription;
      branding.copyright = settings.copyright;
      branding.originalFilename = BaseNameOf(plan_.output);
      const size_t dot = branding.originalFilename.rfind('.');
      branding.internalName =
          branding.originalFilename.substr(0, dot == 0 ? std::string::npos : dot);
    }
    if (!ApplyBranding(stub_, branding, error))
      return Fail("cannot brand the launcher stub '" + plan_.stub + "': " + error,
                  settings.origin.Text());
    return true;
  }

  bool CheckSources() {
    sources_.resize(plan_.files.size());
    std::vector<ExtractedFile> extracted;
    for (size_t i = 0; i < plan_.files.size(); ++i) {
      const FileItem& item = plan_.files[i];
      const FileFacts facts = StatFile(item.source);
      if (!facts.exists)
        return Fail("file '" + item.source + "' does not exist", item.origin.Text());
      if (facts.isDirectory)
        return Fail("'" + item.source + "' is a folder, not a file", item.origin.Text());
      sources_[i].size = facts.size;
      totalBytes_ += facts.size;
      largestSource_ = std::max<uint64_t>(largestSource_, std::max<uint64_t>(facts.size, 1));
      // SOURCE_DATE_EPOCH: a fresh checkout, whose files all carry the time
      // of the checkout, packs as the tree it came from.
      const int64_t modified = plan_.sourceDateEpoch.has_value()
                                   ? std::min(facts.modified, *plan_.sourceDateEpoch)
                                   : facts.modified;
      sources_[i].dosDateTime = DosDateTimeFromUnix(modified);
      extracted.push_back({item.name, facts.size});
    }
    agentCopy_ = plan_.FlagSet(Flag::kAgentCopy) && !plan_.internet.agentFile.empty();
    extracted_ = std::move(extracted);
    return true;
  }

  // The local copy of the setup file that an internet setup downloads gives
  // the download size, name and SHA-256, and must carry the same download
  // token.
  bool PrepareDownload() {
    download_ = plan_.download;
    if (!download_.present || download_.file.empty())
      return true;
    std::string error;
    std::unique_ptr<FileSource> file = FileSource::Open(download_.file, &error);
    if (!file)
      return Fail("cannot read the setup file '" + download_.file + "': " + error,
                  download_.origin.Text());
    const TGFileInfo info(*file);
    bool verified = false;
    const std::string token = pack::DescrambleToken(info.GetDownloadToken(false), &verified);
    if (!info.IsPackage() || !verified || token != download_.token)
      return Fail("the setup file '" + download_.file +
                      "' is not a package with the same download token; the launcher would "
                      "refuse it (\"Bad Secret Token!\")",
                  download_.origin.Text());
    std::string sha256;
    if (!HashSetupFile(*file, sha256))
      return false;
    if (download_.sha256.empty())
      download_.sha256 = sha256;
    else if (LowerCaseAscii(download_.sha256) != sha256)
      return Fail("[Download] Sha256 is " + download_.sha256 + ", but the setup file '" +
                      download_.file + "' has the SHA-256 " + sha256 +
                      "; the launcher would refuse the file it downloads",
                  download_.origin.Text());
    if (download_.size.empty())
      download_.size = std::to_string(file->Size());
    if (download_.fileName.empty())
      download_.fileName = BaseNameOf(download_.file);
    return true;
  }

  bool HashSetupFile(const FileSource& file, std::string& sha256) {
    uint64_t failedAt = 0;
    if (!Sha256OfSource(file, sha256, failedAt))
      return Fail("cannot read the setup file '" + download_.file + "' at offset " +
                      std::to_string(failedAt),
                  download_.origin.Text());
    return true;
  }

  void CollectInputs() {
    const auto add = [this](const char* what, const std::string& path, std::string where) {
      FileIdentity identity;
      if (!path.empty() && IdentityOf(path, identity))
        inputs_.emplace(identity, Input{what, path, std::move(where)});
    };
    add("the launcher stub", plan_.stub, StubWhere());
    add("the project file", plan_.project, "");
    add("the setup file of [Download] File", download_.file, download_.origin.Text());
    for (const FileItem& item : plan_.files)
      add("a file to pack", item.source, item.origin.Text());
  }

  // Refuses an output file (or its temporary file) that is a file the build
  // reads, whatever path names it.
  bool CheckNotAnInput(const std::string& path) {
    for (const std::string& candidate : {path, OutputFiles::TemporaryPathOf(path)}) {
      FileIdentity identity;
      if (!IdentityOf(candidate, identity))
        continue;
      const auto found = inputs_.find(identity);
      if (found == inputs_.end())
        continue;
      const Input& input = found->second;
      return Fail("the output '" + candidate + "' is " + input.what + " '" + input.path +
                      "': the build would overwrite a file it reads; choose another output name",
                  input.where);
    }
    return true;
  }

  void MakeHeader() {
    std::vector<std::string> blocks = {MakeLanguageBlock(plan_.languages),
                                       MakeInternetBlock(plan_.internet)};
    if (download_.present)
      blocks.push_back(MakeDownloadBlock(download_, download_.size));
    for (const std::string& block : blocks) {
      uint8_t length[4];
      Store32(length, static_cast<uint32_t>(block.size()));
      blocks_.append(reinterpret_cast<const char*>(length), 4);
      blocks_ += block;
    }
    trailer_.format = 1;
    trailer_.headerBlockCount = static_cast<uint8_t>(blocks.size());
    trailer_.magic = pack::kTrailerMagic;
    trailer_.checksum = pack::kNoChecksum;
    trailer_.trailerLength = pack::kTrailerSize;
    if (plan_.FlagSet(Flag::kShowTempNotice))
      trailer_.flags |= pack::kFlagShowTempNotice;
    if (plan_.FlagSet(Flag::kRelaunchFromTemp) || plan_.firstVolume == FirstVolume::kSeparate001)
      trailer_.flags |= pack::kFlagRelaunch;
    if (plan_.FlagSet(Flag::kActivityBar))
      trailer_.flags |= pack::kFlagActivityBar;
    if (plan_.FlagSet(Flag::kAgentLog))
      trailer_.flags |= pack::kFlagAgentLog;
    trailer_.internetSetup = plan_.FlagSet(Flag::kInternetSetup) ? 1 : 0;
    trailer_.confirmDownload = plan_.FlagSet(Flag::kConfirmDownload) ? 1 : 0;
    trailer_.agentCopy = plan_.FlagSet(Flag::kAgentCopy) ? 1 : 0;
    trailer_.agentFlag = plan_.FlagSet(Flag::kAgentFlag) ? 1 : 0;
    // The agent copy the launcher writes beside the files is the launcher
    // with its header blocks and a trailer.
    if (agentCopy_)
      extracted_.push_back(
          {plan_.internet.agentFile, stub_.size() + blocks_.size() + pack::kTrailerSize});
    const SpaceTableSums sums = ComputeSpaceSums(extracted_);
    result_.spaceTable = ClampSpaceTable(sums);
    const std::string clamped = SpaceTableClampWarning(sums);
    if (!clamped.empty())
      problems_.push_back({true, clamped, ""});
    for (size_t i = 0; i < pack::kSpaceTableEntries; ++i)
      trailer_.spaceTable[i] = result_.spaceTable[i];
  }

  bool Write(const void* data, size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, file_) != size)
      return Fail(
          "cannot write '" + outputs_.TemporaryPath(current_.output) + "': " + std::strerror(errno),
          OutputWhere());
    current_.size += size;
    return true;
  }

  // Starts a file with the launcher and the header blocks.
  bool StartLauncherFile(const std::string& path) {
    if (!CheckNotAnInput(path))
      return false;
    std::string error;
    file_ = outputs_.Create(path, &error);
    if (file_ == nullptr)
      return Fail("cannot create '" + path + "': " + error, OutputWhere());
    current_ = WrittenFile{outputs_.Count() - 1, path, 0, 0};
    packageStart_ = stub_.size();
    return Write(stub_.data(), stub_.size()) && Write(blocks_.data(), blocks_.size());
  }

  bool WriteLauncherOnly() {
    if (!StartLauncherFile(plan_.output))
      return false;
    current_.holdsEntries = false;
    return EndFile(false, true);
  }

  bool OpenVolume() {
    ++volumeNumber_;
    entriesInVolume_ = 0;
    if (volumeNumber_ == 1)
      return StartLauncherFile(firstVolumePath_);
    const std::string path = pack::VolumeFileName(firstVolumePath_, volumeNumber_);
    if (!CheckNotAnInput(path))
      return false;
    std::string error;
    file_ = outputs_.Create(path, &error);
    if (file_ == nullptr)
      return Fail("cannot create volume '" + path + "': " + error, OutputWhere());
    current_ = WrittenFile{outputs_.Count() - 1, path, 0, 0};
    packageStart_ = 0;
    return true;
  }

  // Writes the trailer (and, in a launcher image, the package-end pointer).
  bool EndFile(bool moreVolumes, bool launcherImage) {
    pack::Trailer trailer = trailer_;
    trailer.packageStart = static_cast<uint32_t>(packageStart_);
    if (moreVolumes)
      trailer.flags |= pack::kFlagMoreVolumes;
    current_.trailerOffset = current_.size;
    const auto bytes = pack::EncodeTrailer(trailer);
    if (!Write(bytes.data(), bytes.size()))
      return false;
    if (launcherImage) {
      std::string head = stub_.substr(0, pack::kPeHeaderOffset);
      pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&head[0]), head.size(),
                                   current_.size);
      if (!SeekFile(file_, pack::kEndPointerHighOffset) ||
          std::fwrite(head.data() + pack::kEndPointerHighOffset, 1, 8, file_) != 8)
        return Fail("cannot write '" + outputs_.TemporaryPath(current_.output) + "'",
                    OutputWhere());
    }
    std::string error;
    if (!outputs_.Close(current_.output, &error))
      return Fail("cannot write '" + outputs_.TemporaryPath(current_.output) + "': " + error,
                  OutputWhere());
    file_ = nullptr;
    written_.push_back(current_);
    return true;
  }

  bool CloseVolume(bool moreVolumes) { return EndFile(moreVolumes, volumeNumber_ == 1); }

  uint64_t Room() const {
    if (plan_.maxVolumeSize == 0)
      return UINT64_MAX;
    const uint64_t used = current_.size + pack::kTrailerSize;
    return plan_.maxVolumeSize > used ? plan_.maxVolumeSize - used : 0;
  }

  bool WriteEntry(const FileItem& item, const EncodedEntry& entry, uint64_t dataSize) {
    uint8_t length[4];
    Store32(length, static_cast<uint32_t>(entry.length));
    if (!Write(length, 4) || !Write(entry.payload.data(), entry.payload.size()))
      return false;
    ++entriesInVolume_;
    result_.entries.push_back(
        {item.name, volumeNumber_, dataSize, entry.StoredSize(), entry.Compressed(), item.isStart});
    return true;
  }

  // Places one encoded piece of a file (`data`, its bytes, is needed only
  // with a volume limit), splitting it where a volume fills up.
  bool PlacePiece(const FileItem& item, const pack::EntryHeader& header, std::string_view data,
                  uint64_t dataSize, EncodedEntry entry) {
    const bool compress = plan_.compression == Compression::kAuto;
    for (;;) {
      const uint64_t room = Room();
      if (entry.StoredSize() <= room)
        return WriteEntry(item, entry, dataSize);
      size_t taken = 0;
      EncodedEntry part;
      if (FitEntry(header, data, compress, room, taken, part)) {
        if (!WriteEntry(item, part, taken))
          return false;
        data.remove_prefix(taken);
        dataSize = data.size();
        entry = EncodeEntry(header, data, compress);
      } else if (entriesInVolume_ == 0) {
        const uint64_t fixed = current_.size + pack::kTrailerSize;
        return Fail("MaxVolumeSize (" + std::to_string(plan_.maxVolumeSize) +
                        " bytes) leaves no room for file data in volume " +
                        std::to_string(volumeNumber_) + ": " +
                        (volumeNumber_ == 1 ? "the launcher, header blocks and trailer take "
                                            : "a trailer takes ") +
                        std::to_string(fixed) + " bytes and an entry of '" + item.name +
                        "' at least " + std::to_string(EntryHeaderText(header, {}).size() + 6),
                    "");
      }
      if (!CloseVolume(true) || !OpenVolume())
        return false;
    }
  }

  // The pieces are compressed by the encoder's workers while the files are
  // read; they are placed in the order they were read, so the package is
  // the same whatever the number of jobs. Pieces in flight are bounded, and
  // so is the memory.
  void StartEncoder() {
    const unsigned workers = WorkerCount(options_.jobs);
    const uint64_t pieceSize = std::min<uint64_t>(plan_.maxEntrySize, largestSource_);
    const size_t inFlight = workers <= 1 ? 1 : PiecesInFlight(workers, pieceSize, kPieceMemory);
    encoder_ = std::make_unique<ParallelEncoder>(
        workers, inFlight, plan_.compression == Compression::kAuto, plan_.maxVolumeSize != 0);
  }

  bool PlaceNext() {
    EncodedPiece piece = encoder_->TakeNext();
    if (!PlacePiece(plan_.files[piece.tag], piece.header, piece.data, piece.dataSize,
                    std::move(piece.entry)))
      return false;
    packedBytes_ += piece.dataSize;
    if (options_.progress)
      options_.progress(packedBytes_, totalBytes_);
    return true;
  }

  // Places every piece read so far.
  bool PlaceQueued() {
    while (encoder_->Pending() != 0) {
      if (!PlaceNext())
        return false;
    }
    return true;
  }

  bool QueuePiece(size_t index, const pack::EntryHeader& header, PieceBuffer piece) {
    while (encoder_->Full()) {
      if (!PlaceNext())
        return false;
    }
    encoder_->Submit(header, std::move(piece), index);
    return true;
  }

  // A file that cannot be read fails the build after the pieces read before
  // it are placed, as a build on one thread reports its errors.
  bool FailAfterQueued(std::string what, std::string where) {
    return PlaceQueued() && Fail(std::move(what), std::move(where));
  }

  bool PackFile(size_t index) {
    const FileItem& item = plan_.files[index];
    const Source& source = sources_[index];
    std::string error;
    UniqueFile file = OpenFile(item.source, "rb", &error);
    if (!file)
      return FailAfterQueued("cannot read '" + item.source + "': " + error, item.origin.Text());
    pack::EntryHeader entryHeader;
    entryHeader.name = item.name;
    entryHeader.dosDateTime = source.dosDateTime;
    entryHeader.isStart = item.isStart;
    entryHeader.startArguments = item.startArguments;
    const size_t pieceSize = static_cast<size_t>(
        std::min<uint64_t>(plan_.maxEntrySize, std::max<uint64_t>(source.size, 1)));
    uint64_t total = 0;
    bool first = true;
    for (;;) {
      PieceBuffer piece(entryHeader, pieceSize);
      const size_t got = std::fread(piece.Data(), 1, pieceSize, file.get());
      if (got < pieceSize && std::ferror(file.get())) {
        const int readError = errno;
        return FailAfterQueued("cannot read '" + item.source + "': " + std::strerror(readError),
                               item.origin.Text());
      }
      total += got;
      if (total > source.size)
        break;
      if (got != 0 || first) {
        piece.ShrinkData(got);
        if (!QueuePiece(index, entryHeader, std::move(piece)))
          return false;
      }
      first = false;
      if (got < pieceSize)
        break;
    }
    if (total != source.size)
      return FailAfterQueued("'" + item.source + "' changed while it was packed",
                             item.origin.Text());
    result_.dataBytes += total;
    return true;
  }

  // Trailer fields known only at the end: the entry count, then the
  // checksum of the small files.
  bool Finish() {
    for (const WrittenFile& written : written_) {
      const uint32_t count =
          written.holdsEntries ? static_cast<uint32_t>(result_.entries.size()) : 0;
      const std::string& path = outputs_.TemporaryPath(written.output);
      std::string error;
      UniqueFile file = OpenFile(path, "r+b", &error);
      uint8_t field[4];
      Store32(field, count);
      if (!file || !SeekFile(file.get(), written.trailerOffset + 8) ||
          std::fwrite(field, 1, 4, file.get()) != 4)
        return Fail("cannot update '" + path + "': " + error, OutputWhere());
      if (written.size <= pack::kChecksumMaxFileSize) {
        std::string bytes(static_cast<size_t>(written.size), '\0');
        if (std::fflush(file.get()) != 0 || !SeekFile(file.get(), 0) ||
            std::fread(&bytes[0], 1, bytes.size(), file.get()) != bytes.size())
          return Fail("cannot read back '" + path + "'", OutputWhere());
        const uint32_t sum =
            pack::ComputePackageChecksum(pack::MemorySource(bytes), pack::kTrailerSize);
        Store32(field, sum);
        if (!SeekFile(file.get(), written.trailerOffset + 16) ||
            std::fwrite(field, 1, 4, file.get()) != 4)
          return Fail("cannot update '" + path + "'", OutputWhere());
      }
      if (std::fflush(file.get()) != 0)
        return Fail("cannot update '" + path + "': " + std::strerror(errno), OutputWhere());
    }
    return true;
  }

  void WarnAboutVolumes() {
    for (const WrittenFile& file : written_) {
      if (file.size > UINT32_MAX)
        problems_.push_back({true,
                             "'" + file.path +
                                 "' is larger than 4 GiB - 1 and does not fit on FAT32 media; "
                                 "set MaxVolumeSize",
                             ""});
    }
    const std::string next = pack::VolumeFileName(firstVolumePath_, volumeNumber_ + 1);
    if (StatFile(next).exists)
      problems_.push_back({true,
                           "'" + next +
                               "' is left from an earlier build; the launcher does not read it, "
                               "but do not ship it",
                           ""});
  }

  // The output folders this build made; a build that fails removes them,
  // after its temporary files (so this member precedes `outputs_`).
  struct CreatedFolders {
    std::vector<std::string> folders;
    ~CreatedFolders() { RemoveFolders(folders); }
  };

  // What the pieces in flight may take: each its file bytes and their
  // compressed form.
  static constexpr uint64_t kPieceMemory = uint64_t{40} << 20;

  const BuildPlan& plan_;
  BuildResult& result_;
  Problems& problems_;
  const BuildOptions& options_;
  CreatedFolders createdFolders_;
  OutputFiles outputs_;
  std::string stub_;
  std::vector<Source> sources_;
  std::map<FileIdentity, Input> inputs_;
  std::vector<ExtractedFile> extracted_;
  bool agentCopy_ = false;
  DownloadSettings download_;
  std::string blocks_;  // the header blocks as stored
  pack::Trailer trailer_;
  std::string firstVolumePath_;
  std::vector<WrittenFile> written_;
  WrittenFile current_;
  std::FILE* file_ = nullptr;
  uint64_t packageStart_ = 0;
  int volumeNumber_ = 0;
  int entriesInVolume_ = 0;
  uint64_t totalBytes_ = 0;
  uint64_t packedBytes_ = 0;
  uint64_t largestSource_ = 1;
  std::unique_ptr<ParallelEncoder> encoder_;
};

}  // namespace

bool Build(const BuildPlan& plan, BuildResult& result, Problems& problems,
           const BuildOptions& options) {
  result = BuildResult{};
  return PackageBuilder(plan, result, problems, options).Run();
}

}  // namespace orvane::stubpack
