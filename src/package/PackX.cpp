// PackX: the portable part of TGFileInfo, the answers read from the trailer
// and the header block texts.
#include "package/PackX.h"

#include "util/PathText.h"
#include "util/ZSUB.h"

namespace orvane {

TGFileInfo::TGFileInfo(const pack::ByteSource& file) : header_(pack::ReadPackageHeader(file)) {}

double TGFileInfo::SpaceRequiredForCluster(uint64_t clusterBytes) const {
  if (!IsPackage())
    return 0.0;
  return static_cast<double>(header_.trailer.spaceTable[pack::SpaceTableIndex(clusterBytes)]);
}

std::string TGFileInfo::GetInfoUrl() const {
  return SUB::Get(header_.internetBlock, 0);
}

std::string TGFileInfo::GetInfoFileName() const {
  return FileNamePart(SUB::Get(header_.internetBlock, 1));
}

std::string TGFileInfo::GetOriginalFileName() const {
  return NameWithoutExtension(SUB::Get(header_.internetBlock, 1), true) + ".original";
}

std::string TGFileInfo::GetAgentFileName() const {
  return SUB::Get(header_.internetBlock, 2);
}

std::string TGFileInfo::GetProductToken(bool descramble) const {
  const std::string token = SUB::Get(header_.internetBlock, 3);
  return descramble ? pack::DescrambleToken(token) : token;
}

bool TGFileInfo::GetRunHidden() const {
  return SUB::Get(header_.internetBlock, 4) == "1";
}

std::string TGFileInfo::GetUpdateKey() const {
  return SUB::Get(header_.internetBlock, 5);
}

std::string TGFileInfo::GetDownloadLocation() const {
  return SUB::Get(header_.downloadBlock, 0);
}

std::string TGFileInfo::GetDownloadFileName() const {
  return SUB::Get(header_.downloadBlock, 1);
}

bool TGFileInfo::GetSkipLocalCopy() const {
  return SUB::Get(header_.downloadBlock, 2) == "1";
}

std::string TGFileInfo::GetDownloadToken(bool descramble) const {
  const std::string token = SUB::Get(header_.downloadBlock, 3);
  return descramble ? pack::DescrambleToken(token) : token;
}

std::string TGFileInfo::GetDownloadSize() const {
  return SUB::Get(header_.downloadBlock, 4);
}

std::string TGFileInfo::GetDownloadSha256() const {
  return SUB::Get(header_.downloadBlock, 5);
}

bool TGFileInfo::SameDownloadToken(const TGFileInfo& other) const {
  bool mineVerified = false;
  bool otherVerified = false;
  const std::string mine = pack::DescrambleToken(GetDownloadToken(false), &mineVerified);
  const std::string theirs = pack::DescrambleToken(other.GetDownloadToken(false), &otherVerified);
  return mineVerified && otherVerified && mine == theirs;
}

}  // namespace orvane
