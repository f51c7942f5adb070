// PackX: TGFileInfo, the reader of one package file.
//
// An object holds what the launcher needs of a package: its trailer (with the
// package start advanced to the first file entry) and its three header block
// texts. It is built once from the bytes of the file and is immutable after
// that; it keeps no file open. A missing, foreign or damaged file gives an
// object whose texts are empty; see ReadPackageHeader for partial packages.
//
// Every answer of the object comes from its package: a file whose trailer has
// no package magic answers false to every flag and 0 for the space it needs,
// even if its last bytes happen to hold set bits where the flags would be.
//
// The language look-ups live with the language strings, not here; reading a
// file and asking a drive live in PackXWin.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "package/PackFormat.h"

namespace orvane {

class TGFileInfo {
 public:
  // The empty object: zero trailer, empty texts.
  TGFileInfo() = default;
  explicit TGFileInfo(pack::PackageHeader header) : header_(std::move(header)) {}
  // Reads the package of `file` (ReadPackageHeader).
  explicit TGFileInfo(const pack::ByteSource& file);

  // The space-table entry for an allocation unit of `clusterBytes`.
  double SpaceRequiredForCluster(uint64_t clusterBytes) const;

  const pack::Trailer& Trailer() const { return header_.trailer; }
  const std::string& LanguageBlock() const { return header_.languageBlock; }
  const std::string& InternetBlock() const { return header_.internetBlock; }
  const std::string& DownloadBlock() const { return header_.downloadBlock; }
  // The trailer's magic is right.
  bool IsPackage() const { return header_.trailer.IsPackage(); }

  // Trailer flag bits and bytes.
  bool GetShowTempNotice() const { return Flag(pack::kFlagShowTempNotice); }
  bool GetRelaunchFromTemp() const { return Flag(pack::kFlagRelaunch); }
  bool GetActivityBar() const { return Flag(pack::kFlagActivityBar); }
  bool GetAgentLog() const { return Flag(pack::kFlagAgentLog); }
  bool GetInternetSetup() const { return Byte(header_.trailer.internetSetup); }
  bool GetConfirmDownload() const { return Byte(header_.trailer.confirmDownload); }
  bool GetAgentCopy() const { return Byte(header_.trailer.agentCopy); }
  bool GetAgentFlag() const { return Byte(header_.trailer.agentFlag); }

  // Internet block.
  std::string GetInfoUrl() const;           // field 0
  std::string GetInfoFileName() const;      // file-name part of field 1
  std::string GetOriginalFileName() const;  // field 1 without path and extensions + ".original"
  std::string GetAgentFileName() const;     // field 2
  // Field 3; passed through DescrambleToken when `descramble` is set.
  std::string GetProductToken(bool descramble) const;
  bool GetRunHidden() const;  // field 4 is "1"
  // Field 5: the update key's text (UpdateSignature.h); empty without one.
  std::string GetUpdateKey() const;

  // Download block.
  std::string GetDownloadLocation() const;  // field 0
  std::string GetDownloadFileName() const;  // field 1
  bool GetSkipLocalCopy() const;            // field 2 is "1"
  // Field 3; passed through DescrambleToken when `descramble` is set.
  std::string GetDownloadToken(bool descramble) const;
  std::string GetDownloadSize() const;  // field 4, as text
  // Field 5: the SHA-256 of the setup file as 64 hexadecimal digits, empty
  // when the package names none (older packages have five fields).
  std::string GetDownloadSha256() const;

  // True when both download tokens verify and their plain texts are equal: a
  // token that does not verify matches nothing, not even itself.
  bool SameDownloadToken(const TGFileInfo& other) const;

 private:
  bool Flag(pack::TrailerFlag flag) const { return IsPackage() && header_.trailer.HasFlag(flag); }
  bool Byte(uint8_t value) const { return IsPackage() && value != 0; }

  pack::PackageHeader header_;
};

}  // namespace orvane
