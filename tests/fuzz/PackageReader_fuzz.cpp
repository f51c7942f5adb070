// Fuzz target of the package reader: any bytes as a package file. The reader
// must not read outside the input (the memory source refuses such reads, and
// a request larger than the whole input traps), must not allocate a header
// block larger than the input, and must not crash or hang in the trailer,
// header-block, checksum, token and entry-header code. The seed corpus holds
// small valid packages of the usual and the odd layouts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/PackFormat.h"
#include "package/PackX.h"
#include "util/ZSUB.h"

namespace {

using namespace orvane;

// The input as a package file. MemorySource refuses every read outside the
// input. The reader probes a few fixed offsets with reads of at most 8 bytes
// (the image test, the package-end pointer, length words), which a tiny input
// refuses; any larger request for more bytes than the whole input can only
// come from a length taken from the file without a check, so it traps.
class GuardedSource final : public pack::ByteSource {
 public:
  GuardedSource(const uint8_t* data, size_t size) : memory_(data, size), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
    if (count > size_ && count > kLargestProbe)
      __builtin_trap();
    return memory_.ReadAt(offset, buffer, count);
  }

 private:
  static constexpr size_t kLargestProbe = 8;
  pack::MemorySource memory_;
  size_t size_;
};

void Check(bool condition) {
  if (!condition)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const GuardedSource file(data, size);

  // No header block larger than the input is ever allocated.
  const pack::PackageHeader header = pack::ReadPackageHeader(file);
  Check(header.languageBlock.size() <= size);
  Check(header.internetBlock.size() <= size);
  Check(header.downloadBlock.size() <= size);
  Check(header.languageBlock.size() + header.internetBlock.size() + header.downloadBlock.size() <=
        size);
  if (!header.languageBlock.empty() || !header.internetBlock.empty())
    Check(header.trailer.IsPackage());
  Check(header.trailer.trailerLength <= pack::kTrailerSize);

  const pack::Trailer trailer = pack::ReadTrailer(file);
  Check(trailer.magic == header.trailer.magic && trailer.flags == header.trailer.flags);

  const TGFileInfo info(header);
  (void)info.GetShowTempNotice();
  (void)info.GetRelaunchFromTemp();
  (void)info.GetActivityBar();
  (void)info.GetAgentLog();
  (void)info.GetInternetSetup();
  (void)info.GetConfirmDownload();
  (void)info.GetAgentCopy();
  (void)info.GetAgentFlag();
  (void)info.GetInfoUrl();
  (void)info.GetInfoFileName();
  (void)info.GetOriginalFileName();
  (void)info.GetAgentFileName();
  (void)info.GetProductToken(true);
  (void)info.GetRunHidden();
  (void)info.GetDownloadLocation();
  (void)info.GetDownloadFileName();
  (void)info.GetSkipLocalCopy();
  (void)info.GetDownloadToken(true);
  (void)info.GetDownloadSize();
  // A token matches only when it verifies: an empty one never does.
  Check(!info.SameDownloadToken(info) || !info.GetDownloadToken(false).empty());
  for (uint64_t cluster : {uint64_t{0}, uint64_t{512}, uint64_t{4096}, uint64_t{1} << 20})
    (void)info.SpaceRequiredForCluster(cluster);

  (void)pack::ComputePackageChecksum(file, header.trailer.trailerLength);
  (void)pack::ComputePackageChecksum(file, trailer.trailerLength ^ 0xFFFF);
  (void)pack::ReadPackageEndPointer(data, size);
  if (pack::IsPeImage(file))
    Check(size >= 258);

  // Tokens: every field of the two "|" blocks, and the whole input as text.
  for (const std::string* block : {&header.internetBlock, &header.downloadBlock}) {
    const int count = SUB::Count(*block);
    for (int i = 0; i < count && i < 16; ++i) {
      bool verified = false;
      const std::string plainToken = pack::DescrambleToken(SUB::Get(*block, i), &verified);
      Check(plainToken.size() <= size);
    }
  }
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  bool verified = false;
  const std::string decoded = pack::DescrambleToken(text, &verified);
  if (verified)
    Check(decoded.size() <= size / 2);
  std::string token;
  std::string rest;
  pack::ParseTokenLine(text, token, rest);
  Check(rest.size() <= size);

  // Entry headers: the input up to its first zero byte, as the extraction
  // engine splits an entry.
  const size_t zero = text.find('\0');
  const pack::EntryHeader entry =
      pack::ParseEntryHeader(zero == std::string_view::npos ? text : text.substr(0, zero));
  Check(entry.name.size() + entry.startArguments.size() <= size);
  return 0;
}
