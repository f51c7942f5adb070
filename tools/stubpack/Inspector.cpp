// Inspector: the launcher's reading of a package, with every fault located.
#include "Inspector.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

#include "EntryCodec.h"
#include "FileIo.h"
#include "UpdateSigning.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "util/Crc32.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane::stubpack {
namespace {

// A header longer than this is not a header: the entry is reported damaged.
constexpr size_t kMaxHeaderBytes = 64 * 1024;
// Volumes are numbered with three or four digits.
constexpr int kMaxVolumes = 9999;

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool Read32(const pack::ByteSource& file, uint64_t offset, uint32_t& value) {
  uint8_t bytes[4];
  if (!file.ReadAt(offset, bytes, 4))
    return false;
  value = Load32(bytes);
  return true;
}

std::string At(const VolumeInfo& volume, uint64_t offset) {
  std::string where = "offset " + std::to_string(offset);
  return volume.number > 1 ? volume.path + " " + where : where;
}

class Walker {
 public:
  explicit Walker(InspectReport& report) : report_(report) {}

  void Run() {
    std::string path = report_.path;
    for (int number = 1; number <= kMaxVolumes; ++number) {
      bool more = false;
      if (!WalkVolume(number, path, more) || !more)
        break;
      path = pack::VolumeFileName(report_.path, number + 1);
    }
    CheckWhole();
  }

 private:
  void Error(std::string what, std::string where) {
    report_.problems.push_back({false, std::move(what), std::move(where)});
  }
  void Warning(std::string what, std::string where) {
    report_.problems.push_back({true, std::move(what), std::move(where)});
  }

  // The certificate table of a PE image: data directory 4 of its optional
  // header, whose "address" is a file offset.
  static void FindCertificate(const pack::ByteSource& file, VolumeInfo& volume) {
    uint32_t peOffset = 0;
    uint8_t sig[4];
    if (!Read32(file, 0x3C, peOffset) || !file.ReadAt(peOffset, sig, 4) ||
        std::string_view(reinterpret_cast<const char*>(sig), 4) != std::string_view("PE\0\0", 4))
      return;
    const uint64_t optional = uint64_t{peOffset} + 24;
    uint8_t magic[2];
    if (!file.ReadAt(optional, magic, 2))
      return;
    const unsigned kind = magic[0] | magic[1] << 8;
    const uint64_t directories = optional + (kind == 0x20B ? 112 : 96);
    uint32_t count = 0;
    if ((kind != 0x10B && kind != 0x20B) || !Read32(file, directories - 4, count) || count < 5)
      return;
    uint32_t offset = 0, size = 0;
    if (Read32(file, directories + 32, offset) && Read32(file, directories + 36, size) &&
        size != 0) {
      volume.certificateOffset = offset;
      volume.certificateSize = size;
    }
  }

  bool WalkVolume(int number, const std::string& path, bool& more) {
    std::string error;
    std::unique_ptr<FileSource> file = FileSource::Open(path, &error);
    if (!file) {
      if (number == 1)
        Error("cannot open '" + path + "': " + error, "");
      else
        Error("volume " + std::to_string(number) + " '" + path + "' cannot be read (" + error +
                  "); the previous volume says another one follows",
              "");
      return false;
    }
    report_.volumes.push_back(VolumeInfo{});
    VolumeInfo& volume = report_.volumes.back();
    volume.number = number;
    volume.path = path;
    volume.fileSize = file->Size();
    volume.launcherImage = pack::IsPeImage(*file);
    if (volume.launcherImage) {
      uint8_t head[pack::kPeHeaderOffset];
      if (file->ReadAt(0, head, sizeof head))
        volume.endPointer = pack::ReadPackageEndPointer(head, sizeof head);
      FindCertificate(*file, volume);
    }
    volume.packageEnd = volume.endPointer > 0 ? volume.endPointer : volume.fileSize;
    if (volume.endPointer > volume.fileSize) {
      Error("the package-end pointer (" + std::to_string(volume.endPointer) +
                ") lies beyond the end of the file (" + std::to_string(volume.fileSize) + ")",
            At(volume, pack::kEndPointerHighOffset));
      return false;
    }
    if (volume.packageEnd < pack::kTrailerSize) {
      Error("no package: the file is shorter than a trailer", At(volume, 0));
      return false;
    }
    volume.trailer = pack::ReadTrailer(*file);
    Read32(*file, volume.packageEnd - 4, volume.storedTrailerLength);
    volume.trailerOffset =
        volume.packageEnd - std::min<uint64_t>(volume.storedTrailerLength, volume.packageEnd);
    if (!volume.trailer.IsPackage()) {
      Error("no package: no trailer with the package magic 0x4A3B2C1D ends at " +
                std::to_string(volume.packageEnd) + " (the stored trailer length is " +
                std::to_string(volume.storedTrailerLength) + ")",
            At(volume, volume.trailerOffset));
      return false;
    }
    file->ReadAt(volume.trailerOffset + 1, &volume.storedHeaderBlockCount, 1);
    if (volume.storedTrailerLength < pack::kTrailerSize)
      Warning("a short trailer of " + std::to_string(volume.storedTrailerLength) +
                  " bytes: the fields from its offset " +
                  std::to_string(volume.storedTrailerLength - 4) + " on read as 0",
              At(volume, volume.trailerOffset));
    else if (volume.storedTrailerLength > pack::kTrailerSize)
      Warning("a trailer of " + std::to_string(volume.storedTrailerLength) +
                  " bytes: the launcher reads its first 70 bytes and ignores the rest",
              At(volume, volume.trailerOffset));
    volume.computedChecksum = pack::ComputePackageChecksum(*file, volume.trailer.trailerLength);
    volume.checksumAccepted =
        pack::ChecksumAccepted(volume.computedChecksum, volume.trailer.checksum);
    if (!volume.checksumAccepted)
      Error("checksum mismatch in volume " + std::to_string(number) + ": stored " +
                std::to_string(volume.trailer.checksum) + ", computed " +
                std::to_string(volume.computedChecksum) + "; the launcher stops with \"Bad CRC!\"",
            At(volume, volume.trailerOffset + 16));
    if (volume.certificateSize != 0 && volume.certificateOffset < volume.packageEnd)
      Warning("the certificate table (offset " + std::to_string(volume.certificateOffset) +
                  ") starts inside the package; the package-end pointer should lie before it",
              At(volume, pack::kEndPointerHighOffset));
    WalkBlocks(*file, volume);
    more = volume.trailer.HasFlag(pack::kFlagMoreVolumes);
    if (number == 1 && volume.launcherImage)
      ReadResources(*file, volume);
    if (number == 1)
      ReadHeader(*file);
    return true;
  }

  // The launcher in front of the package: its resources are what Explorer
  // and the elevation prompt show.
  void ReadResources(const pack::ByteSource& file, const VolumeInfo& volume) {
    constexpr uint64_t kMaxLauncherSize = uint64_t{64} << 20;
    const uint64_t size = std::min<uint64_t>(volume.trailer.packageStart, kMaxLauncherSize);
    std::string image(static_cast<size_t>(size), '\0');
    std::string error;
    if (size != 0 && file.ReadAt(0, &image[0], image.size()))
      report_.hasResources = ReadResourceSummary(image, report_.resources, error);
  }

  void WalkBlocks(const pack::ByteSource& file, VolumeInfo& volume) {
    const uint64_t end = volume.packageEnd;
    const uint64_t trailerStart = volume.trailerOffset;
    uint64_t offset = volume.trailer.packageStart;
    if (offset > trailerStart) {
      Error("the package start (" + std::to_string(offset) + ") lies after the trailer (" +
                std::to_string(trailerStart) + ")",
            At(volume, volume.trailerOffset + 4));
      return;
    }
    const int headerCount = volume.trailer.headerBlockCount;
    int blocksHere = 0;
    while (end - offset >= pack::kMinBytesForEntry) {
      uint32_t raw = 0;
      if (offset + 4 > trailerStart || !Read32(file, offset, raw)) {
        Error("a block length at " + std::to_string(offset) + " runs into the trailer",
              At(volume, offset));
        return;
      }
      const int32_t length = static_cast<int32_t>(raw);
      const uint64_t size =
          length < 0 ? uint64_t{0} - static_cast<int64_t>(length) : static_cast<uint64_t>(length);
      if (size > trailerStart - offset - 4) {
        Error("block " + std::to_string(blockCount_ + 1) + " claims " + std::to_string(size) +
                  " bytes, but only " + std::to_string(trailerStart - offset - 4) +
                  " remain before the trailer",
              At(volume, offset));
        return;
      }
      ++blockCount_;
      ++blocksHere;
      if (blockCount_ <= headerCount) {
        if (volume.number == 1)
          report_.headerBlocks.push_back({offset, raw});
      } else {
        ReadEntry(file, volume, offset, length, size);
      }
      offset += 4 + size;
    }
    if (blocksHere == 0)
      Warning("volume " + std::to_string(volume.number) + " holds no block", At(volume, offset));
    const uint64_t left = trailerStart - offset;
    if (left != 0)
      Warning(std::to_string(left) + " bytes between the last block and the trailer",
              At(volume, offset));
  }

  // The entry's file bytes against its check value, as the launcher checks
  // them: `crc` covers what was read already (all of a compressed entry, the
  // first bytes of a stored one).
  void CheckCrc(const pack::ByteSource& file, const EntryInfo& entry, uint64_t offset,
                int32_t length, uint32_t crc, const std::string& where) {
    const std::string number = std::to_string(report_.entries.size() + 1);
    if (entry.parsed.crcMalformed) {
      Error("entry " + number + " has a malformed check value; the launcher stops there", where);
      return;
    }
    if (!entry.parsed.hasCrc)
      return;
    if (length <= 0) {
      const uint64_t dataStart = offset + 4 + entry.header.size() + 1;
      crc = 0;
      std::vector<uint8_t> piece(1 << 20);
      for (uint64_t done = 0; done < entry.dataSize;) {
        const size_t count =
            static_cast<size_t>(std::min<uint64_t>(piece.size(), entry.dataSize - done));
        if (!file.ReadAt(dataStart + done, piece.data(), count)) {
          Error("entry " + number + " cannot be read", where);
          return;
        }
        crc = Crc32Update(crc, piece.data(), count);
        done += count;
      }
    }
    if (crc != entry.parsed.crc)
      Error("entry " + number + " ('" + entry.parsed.name +
                "'): its file bytes do not have the CRC-32 its header names; the launcher "
                "refuses the package there",
            where);
  }

  void ReadEntry(const pack::ByteSource& file, VolumeInfo& volume, uint64_t offset, int32_t length,
                 uint64_t size) {
    EntryInfo entry;
    entry.volume = volume.number;
    entry.offset = offset;
    entry.storedLength = length;
    entry.payloadSize = size;
    ++volume.entryCount;
    const std::string where = At(volume, offset);
    // The entry up to its first zero byte is the header; the rest is data.
    bool headerDone = false;
    uint64_t total = 0;
    uint32_t crc = 0;  // of the file bytes seen so far
    auto collect = [&](const uint8_t* bytes, size_t count) {
      total += count;
      size_t i = 0;
      for (; i < count && !headerDone; ++i) {
        if (bytes[i] == 0)
          headerDone = true;
        else if (entry.header.size() <= kMaxHeaderBytes)
          entry.header += static_cast<char>(bytes[i]);
      }
      if (headerDone)
        crc = Crc32Update(crc, bytes + i, count - i);
    };
    if (length > 0) {
      const InflateOutcome outcome = InflateFrom(file, offset + 4, size, collect);
      entry.readable = outcome.ok;
      if (!outcome.ok)
        Error("entry " + std::to_string(report_.entries.size() + 1) +
                  " cannot be inflated: " + outcome.error + "; the launcher stops there",
              where);
      else if (outcome.consumed < size)
        Warning("entry " + std::to_string(report_.entries.size() + 1) + " has " +
                    std::to_string(size - outcome.consumed) +
                    " bytes after its zlib stream, which the launcher ignores",
                where);
    } else {
      std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(size, kMaxHeaderBytes + 2)));
      entry.readable = file.ReadAt(offset + 4, head.data(), head.size());
      collect(head.data(), head.size());
      total = size;
    }
    if (!headerDone) {
      entry.header.clear();
      if (entry.readable && total > kMaxHeaderBytes)
        Error("entry " + std::to_string(report_.entries.size() + 1) +
                  " has no zero byte in its first 64 KiB, so no readable header",
              where);
      else if (entry.readable)
        Warning("entry " + std::to_string(report_.entries.size() + 1) +
                    " has no zero byte: the launcher writes no file for it",
                where);
    }
    if (headerDone && entry.header.size() > kMaxHeaderBytes) {
      Error("entry " + std::to_string(report_.entries.size() + 1) +
                " has a header longer than 64 KiB",
            where);
      entry.header.clear();
      headerDone = false;
    }
    if (headerDone)
      entry.dataSize = total - entry.header.size() - 1;
    entry.parsed = pack::ParseEntryHeader(entry.header);
    if (headerDone && entry.readable)
      CheckCrc(file, entry, offset, length, crc, where);
    if (headerDone && entry.header.empty())
      Warning("entry " + std::to_string(report_.entries.size() + 1) +
                  " has an empty header: the launcher writes no file for it",
              where);
    if (!entry.header.empty()) {
      const std::string fault = pack::EntryNameFault(entry.parsed.name);
      std::string startFault;
      pack::StartEntryOf(entry.header, &startFault);
      if (!fault.empty())
        Error("entry name '" + entry.parsed.name + "' " + fault +
                  (entry.parsed.name.find_first_of("\\/:") != std::string::npos
                       ? " (it could be written outside the extraction folder)"
                       : ""),
              where);
      else if (!startFault.empty())
        Error("entry header '" + entry.header + "' " + startFault +
                  " (the launcher would start a program outside the extraction folder)",
              where);
    }
    report_.entries.push_back(std::move(entry));
  }

  void ReadHeader(const pack::ByteSource& file) {
    const pack::PackageHeader header = pack::ReadPackageHeader(file);
    const TGFileInfo info(header);
    const int count = header.trailer.headerBlockCount;
    if (static_cast<int>(report_.headerBlocks.size()) < count)
      Error("the package has " + std::to_string(report_.headerBlocks.size()) + " of its " +
                std::to_string(count) + " header blocks",
            "");
    ReadLanguages(header.languageBlock);
    report_.infoUrl = info.GetInfoUrl();
    report_.infoFile = SUB::Get(header.internetBlock, 1);
    report_.agentFile = info.GetAgentFileName();
    report_.runHidden = info.GetRunHidden();
    report_.internetPlaceholder =
        report_.infoUrl == "http:" && report_.infoFile == ".info" && report_.agentFile == ".exe";
    pack::DescrambleToken(info.GetProductToken(false), &report_.productTokenValid);
    if (const std::string key = info.GetUpdateKey(); !key.empty()) {
      p256::PublicKey q;
      if (PublicKeyOfUpdateKey(key, q))
        report_.updateKeyFingerprint = KeyFingerprint(q);
      else
        Error("the internet block's update key '" + key +
                  "' is not a P-256 public key; the agent accepts no update information",
              "offset " + std::to_string(report_.headerBlocks[1].offset));
    }
    report_.hasDownload = count >= 3 && static_cast<int>(report_.headerBlocks.size()) >= 3;
    if (report_.hasDownload) {
      report_.downloadLocation = info.GetDownloadLocation();
      report_.downloadFileName = info.GetDownloadFileName();
      report_.skipLocalCopy = info.GetSkipLocalCopy();
      report_.downloadSize = info.GetDownloadSize();
      pack::DescrambleToken(info.GetDownloadToken(false), &report_.downloadTokenValid);
      report_.downloadSha256 = info.GetDownloadSha256();
      if (!report_.downloadSha256.empty() && !pack::IsSha256Text(report_.downloadSha256))
        Error("the download block's SHA-256 '" + report_.downloadSha256 +
                  "' is not 64 hexadecimal digits; the launcher refuses to run this internet setup",
              "offset " + std::to_string(report_.headerBlocks[2].offset));
    }
  }

  void ReadLanguages(const std::string& block) {
    if (block.empty())
      return;
    const int count = SUB::Count(block);
    if (count == 0)
      Warning("the language block is not a list of languages; the launcher uses its own texts",
              report_.headerBlocks.empty()
                  ? ""
                  : "offset " + std::to_string(report_.headerBlocks[0].offset));
    for (int i = 0; i < count; ++i) {
      const std::string list = SUB::Get(block, i);
      LanguageInfo language;
      language.name = SUB::Get(list, 0);
      const int fields = SUB::Count(list);
      for (int f = 1; f < fields; ++f) {
        const std::string pair = SUB::Get(list, f);
        const size_t equals = pair.find('=');
        if (equals == std::string::npos)
          language.strings.emplace_back(pair, std::string());
        else
          language.strings.emplace_back(Trim(pair.substr(0, equals)), pair.substr(equals + 1));
      }
      report_.languages.push_back(std::move(language));
    }
  }

  void CheckWhole() {
    const VolumeInfo* first = report_.First();
    if (first == nullptr || !first->trailer.IsPackage())
      return;
    if (first->trailer.fileCount != report_.entries.size())
      Warning("the trailer counts " + std::to_string(first->trailer.fileCount) +
                  " entries, the package holds " + std::to_string(report_.entries.size()) +
                  " (the launcher uses the count only for its progress bar)",
              "offset " + std::to_string(first->trailerOffset + 8));
    std::set<std::string> starts;
    for (const EntryInfo& entry : report_.entries) {
      if (entry.parsed.isStart)
        starts.insert(UpperCaseAscii(entry.parsed.name) + '*' + entry.parsed.startArguments);
    }
    const bool internetSetup = first->trailer.internetSetup != 0;
    if (internetSetup && !report_.entries.empty())
      Warning(
          "an internet setup that carries files: the launcher downloads its setup file "
          "and does not extract them",
          "");
    if (starts.size() > 1)
      Warning("more than one start entry; the launcher starts the last one it extracts", "");
    const bool relaunch = first->trailer.HasFlag(pack::kFlagRelaunch);
    if (report_.entries.empty() && relaunch && !internetSetup) {
      const std::string firstVolume = report_.path + ".001";
      if (StatFile(firstVolume).exists)
        report_.notes.push_back("the files are in '" + firstVolume +
                                "', which the relaunched launcher reads; inspect that file");
      else
        Warning("no entries here, and no '" + firstVolume + "' beside it", "");
    } else if (starts.empty() && !internetSetup && !report_.Damaged()) {
      Warning("no start entry: the launcher extracts the files but starts nothing", "");
    }
    if (first->endPointer == 0 && first->launcherImage)
      report_.notes.push_back(
          "no package-end pointer: a signature appended to this file would hide the package");
  }

  InspectReport& report_;
  int blockCount_ = 0;
};

}  // namespace

std::string DosDateTimeText(uint32_t dosDateTime) {
  const unsigned date = dosDateTime >> 16;
  const unsigned time = dosDateTime & 0xFFFF;
  const unsigned year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
  const unsigned hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute,
                second);
  const bool valid =
      month >= 1 && month <= 12 && day >= 1 && hour < 24 && minute < 60 && second < 60;
  return valid ? std::string(text) : std::string(text) + " (invalid)";
}

InspectReport Inspect(const std::string& path) {
  InspectReport report;
  report.path = path;
  Walker(report).Run();
  return report;
}

}  // namespace orvane::stubpack
