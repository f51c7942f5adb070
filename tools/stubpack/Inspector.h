// Inspector: reads an installer (or a .001 first volume) the way the
// launcher does and reports what it finds: trailers, header blocks, entries
// across all volumes, checksums, and every fault with its offset.
//
// The trailer and header blocks come from the launcher's own reader
// (ReadTrailer, ReadPackageHeader, TGFileInfo); the blocks are walked as the
// extraction engine walks them (counted across volumes from each volume's
// package start while 75 bytes or more remain before its package end), and
// compressed entries are inflated piece by piece to learn their real size.
// Tokens are only verified, never shown.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BuildPlan.h"
#include "PeResources.h"
#include "package/PackFormat.h"

namespace orvane::stubpack {

struct VolumeInfo {
  int number = 0;
  std::string path;
  uint64_t fileSize = 0;
  bool launcherImage = false;
  uint64_t endPointer = 0;  // 0: none
  uint64_t packageEnd = 0;  // the pointer, or the file size
  uint64_t trailerOffset = 0;
  uint32_t storedTrailerLength = 0;    // the last 4 bytes of the package
  uint8_t storedHeaderBlockCount = 0;  // as stored (0 reads as 2)
  pack::Trailer trailer;
  uint32_t computedChecksum = 0;
  bool checksumAccepted = false;
  int entryCount = 0;
  // Authenticode certificate table named by the PE header (0: none).
  uint64_t certificateOffset = 0;
  uint64_t certificateSize = 0;
};

struct BlockInfo {
  uint64_t offset = 0;
  uint32_t length = 0;
};

struct EntryInfo {
  int volume = 0;
  uint64_t offset = 0;       // of the length field
  int32_t storedLength = 0;  // > 0: compressed
  uint64_t payloadSize = 0;  // |length|
  uint64_t dataSize = 0;     // the file's bytes in this entry
  std::string header;        // the text before the first zero byte
  pack::EntryHeader parsed;
  bool readable = false;  // inflated (or read) to its end
};

struct LanguageInfo {
  std::string name;
  std::vector<std::pair<std::string, std::string>> strings;
};

struct InspectReport {
  std::string path;
  std::vector<VolumeInfo> volumes;
  std::vector<BlockInfo> headerBlocks;
  std::vector<LanguageInfo> languages;

  bool internetPlaceholder = false;
  std::string infoUrl, infoFile, agentFile;
  bool productTokenValid = false;
  bool runHidden = false;
  // The fingerprint of the update key (UpdateSigning.h); empty without a key.
  std::string updateKeyFingerprint;

  bool hasDownload = false;
  std::string downloadLocation, downloadFileName, downloadSize;
  bool skipLocalCopy = false;
  bool downloadTokenValid = false;
  // The setup file's SHA-256 (field 5) as stored; empty when the block names
  // none, as blocks of five fields do.
  std::string downloadSha256;

  // The launcher's icon sizes and version resource (hasResources: the first
  // volume is a launcher image whose resource tree could be read).
  bool hasResources = false;
  ResourceSummary resources;

  std::vector<EntryInfo> entries;
  Problems problems;               // errors make the package damaged
  std::vector<std::string> notes;  // facts worth knowing that are not faults

  bool Damaged() const { return HasErrors(problems); }
  const VolumeInfo* First() const { return volumes.empty() ? nullptr : &volumes.front(); }
};

InspectReport Inspect(const std::string& path);

// "2024-05-17 13:45:30" for a DOS date-time; fields out of range are shown as
// they are, followed by " (invalid)".
std::string DosDateTimeText(uint32_t dosDateTime);

}  // namespace orvane::stubpack
