// PackFormat: trailer coding, the reader's location of trailer and header
// blocks, the volume checksum, token (de)scrambling, entry headers, the rule
// for entry names and volume names. Everything here treats the package as
// untrusted bytes: every length and offset is checked against the size of
// the source before anything is read or allocated, so that a damaged or
// hostile file gives an empty or partial result, never a read outside the
// file or an oversized buffer.
#include "package/PackFormat.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <vector>

#include "package/StubGlobText.h"
#include "util/FilesText.h"
#include "util/NumberText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane::pack {
namespace {

uint32_t Load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Store32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

bool Read32(const ByteSource& file, uint64_t offset, uint32_t& value) {
  uint8_t bytes[4];
  if (!file.ReadAt(offset, bytes, sizeof bytes))
    return false;
  value = Load32(bytes);
  return true;
}

// Reads up to `count` bytes at `offset`: as many as the source holds there.
size_t ReadSome(const ByteSource& file, uint64_t offset, uint8_t* buffer, size_t count) {
  const uint64_t size = file.Size();
  if (offset >= size)
    return 0;
  const uint64_t available = size - offset;
  const size_t n = available < count ? static_cast<size_t>(available) : count;
  return file.ReadAt(offset, buffer, n) ? n : 0;
}

// Where the package of `file` ends: the package-end pointer of a launcher
// image when it is set, otherwise the file size.
uint64_t PackageEnd(const ByteSource& file) {
  if (IsPeImage(file)) {
    uint8_t words[8];
    if (file.ReadAt(kEndPointerHighOffset, words, sizeof words)) {
      const uint64_t pointer =
          (static_cast<uint64_t>(Load32(words)) << 32) | static_cast<uint64_t>(Load32(words + 4));
      if (pointer > 0)
        return pointer;
    }
  }
  return file.Size();
}

int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// The unverified-token numbers: start + k * step modulo 99999 for the k-th
// call, the step coprime to 99999 so that 99999 consecutive calls give 99999
// different numbers. SeedUnverifiedTokenNumbers sets start and step.
constexpr uint32_t kUnverifiedRange = 99999;

uint32_t Gcd(uint32_t a, uint32_t b) {
  while (b != 0) {
    const uint32_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

uint32_t g_unverifiedStart = 0;
uint32_t g_unverifiedStep = 1;
std::atomic<uint32_t> g_unverifiedCalls{0};

std::string NextUnverifiedNumber() {
  const uint64_t k = g_unverifiedCalls.fetch_add(1) % kUnverifiedRange;
  return DecimalText(
      static_cast<int64_t>((g_unverifiedStart + k * g_unverifiedStep) % kUnverifiedRange));
}

}  // namespace

// ---------------------------------------------------------------------------
// Trailer record

std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& t) {
  std::array<uint8_t, kTrailerSize> b{};
  b[0] = t.format;
  b[1] = t.headerBlockCount;
  b[2] = static_cast<uint8_t>(t.reserved0);
  b[3] = static_cast<uint8_t>(t.reserved0 >> 8);
  Store32(&b[4], t.packageStart);
  Store32(&b[8], t.fileCount);
  Store32(&b[12], t.magic);
  Store32(&b[16], t.checksum);
  std::memcpy(&b[20], t.reserved20.data(), t.reserved20.size());
  for (size_t i = 0; i < kSpaceTableEntries; ++i)
    Store32(&b[28 + 4 * i], t.spaceTable[i]);
  b[64] = t.reserved64;
  b[65] = t.flags;
  b[66] = t.internetSetup;
  b[67] = t.confirmDownload;
  b[68] = t.agentCopy;
  b[69] = t.agentFlag;
  Store32(&b[70], t.trailerLength);
  return b;
}

Trailer DecodeTrailer(const uint8_t* bytes, size_t size) {
  std::array<uint8_t, kTrailerSize> b{};
  if (bytes != nullptr)
    std::memcpy(b.data(), bytes, std::min<size_t>(size, kTrailerSize));
  Trailer t;
  t.format = b[0];
  t.headerBlockCount = b[1];
  t.reserved0 = static_cast<uint16_t>(b[2] | (b[3] << 8));
  t.packageStart = Load32(&b[4]);
  t.fileCount = Load32(&b[8]);
  t.magic = Load32(&b[12]);
  t.checksum = Load32(&b[16]);
  std::memcpy(t.reserved20.data(), &b[20], t.reserved20.size());
  for (size_t i = 0; i < kSpaceTableEntries; ++i)
    t.spaceTable[i] = Load32(&b[28 + 4 * i]);
  t.reserved64 = b[64];
  t.flags = b[65];
  t.internetSetup = b[66];
  t.confirmDownload = b[67];
  t.agentCopy = b[68];
  t.agentFlag = b[69];
  t.trailerLength = Load32(&b[70]);
  return t;
}

// ---------------------------------------------------------------------------
// Byte sources

bool MemorySource::ReadAt(uint64_t offset, void* buffer, size_t count) const {
  // Written so that no sum can wrap: offset + count is never formed.
  if (offset > size_ || count > size_ - static_cast<size_t>(offset))
    return false;
  if (count > 0)
    std::memcpy(buffer, data_ + offset, count);
  return true;
}

bool IsPeImage(const ByteSource& file) {
  char mz[2];
  char pe[2];
  return file.ReadAt(0, mz, 2) && file.ReadAt(kPeHeaderOffset, pe, 2) && mz[0] == 'M' &&
         mz[1] == 'Z' && pe[0] == 'P' && pe[1] == 'E';
}

uint64_t ReadPackageEndPointer(const uint8_t* image, size_t size) {
  if (image == nullptr || size < kPeHeaderOffset)
    return 0;
  return (static_cast<uint64_t>(Load32(image + kEndPointerHighOffset)) << 32) |
         static_cast<uint64_t>(Load32(image + kEndPointerLowOffset));
}

void WritePackageEndPointer(uint8_t* image, size_t size, uint64_t packageEnd) {
  if (image == nullptr || size < kPeHeaderOffset)
    return;
  Store32(image + kEndPointerHighOffset, static_cast<uint32_t>(packageEnd >> 32));
  Store32(image + kEndPointerLowOffset, static_cast<uint32_t>(packageEnd));
}

// ---------------------------------------------------------------------------
// Reader

Trailer ReadTrailer(const ByteSource& file) {
  // The trailer must lie inside the file and hold at least its length word;
  // a pointer beyond the file, a stored length below 4 or one that reaches
  // before the file's start give the zero trailer.
  const uint64_t end = PackageEnd(file);
  uint32_t length = 0;
  if (end < 4 || end > file.Size() || !Read32(file, end - 4, length))
    return Trailer{};
  if (length < 4 || length > end)
    return Trailer{};
  const uint32_t n = std::min(kTrailerSize, length);
  uint8_t bytes[kTrailerSize] = {};
  if (!file.ReadAt(end - length, bytes, n - 4))
    return Trailer{};
  Trailer trailer = DecodeTrailer(bytes, n - 4);
  trailer.trailerLength = n;
  trailer.position = end - length;
  if (trailer.headerBlockCount == 0)
    trailer.headerBlockCount = 2;
  return trailer;
}

PackageHeader ReadPackageHeader(const ByteSource& file) {
  PackageHeader header;
  header.trailer = ReadTrailer(file);
  if (!header.trailer.IsPackage())
    return header;
  std::string* blocks[] = {&header.languageBlock, &header.internetBlock, &header.downloadBlock};
  const size_t count = std::min<size_t>(header.trailer.headerBlockCount, 3);
  const uint64_t size = file.Size();
  uint64_t position = header.trailer.packageStart;
  for (size_t i = 0; i < count; ++i) {
    // A block is read only when its length word and all its bytes lie inside
    // the file; the first one that does not ends the header blocks, leaving
    // it and the later ones empty and the package start after the last block
    // read.
    uint32_t length = 0;
    if (!Read32(file, position, length))
      break;
    const uint64_t dataStart = position + 4;
    if (length > size - dataStart)  // dataStart <= size after the read above
      break;
    const uint64_t next = dataStart + length;
    if (next > std::numeric_limits<uint32_t>::max())
      break;
    std::string text(length, '\0');
    if (length > 0 && !file.ReadAt(dataStart, text.data(), length))
      break;
    *blocks[i] = std::move(text);
    position = next;
    header.trailer.packageStart = static_cast<uint32_t>(next);
  }
  return header;
}

size_t SpaceTableIndex(uint64_t clusterBytes) {
  size_t index = 0;
  for (size_t i = 1; i < kSpaceTableEntries; ++i) {
    if (clusterBytes >= (uint64_t{1} << (8 + i)))
      index = i;
  }
  return index;
}

// ---------------------------------------------------------------------------
// Checksum

uint32_t ComputePackageChecksum(const ByteSource& file, uint32_t trailerLength) {
  const uint64_t fileSize = file.Size();
  if (fileSize > kChecksumMaxFileSize)
    return kNoChecksum;
  // Both counts stay small here (at most 51200 and 2^32), so signed 64-bit
  // arithmetic holds every value R takes, negative ones included.
  int64_t counted = static_cast<int64_t>(fileSize);
  uint64_t offset = 0;
  uint32_t low = 0;
  bool usePointer = false;
  if (IsPeImage(file) && Read32(file, kEndPointerLowOffset, low) && low > 0) {
    counted = low;
    usePointer = true;
  }
  int64_t remaining = counted - static_cast<int64_t>(trailerLength);
  if (usePointer) {
    remaining -= 512;
    offset = 512;
  }
  constexpr size_t kChunk = 4096;
  uint8_t chunk[kChunk];
  uint32_t sum = 0;
  for (;;) {
    const size_t got = ReadSome(file, offset, chunk, kChunk);
    offset += got;
    for (size_t i = 0; i + 4 <= got; i += 4) {
      remaining -= 4;
      if (remaining > 4)
        sum += Load32(chunk + i);
    }
    if (remaining > 4)
      sum += kNoChecksum;
    if (got < kChunk)
      break;
  }
  return sum;
}

bool ChecksumAccepted(uint32_t computed, uint32_t stored) {
  return computed == stored || computed == kNoChecksum || stored == kNoChecksum;
}

// ---------------------------------------------------------------------------
// Tokens

void SeedUnverifiedTokenNumbers(uint64_t seed) {
  g_unverifiedStart = static_cast<uint32_t>(seed % kUnverifiedRange);
  uint32_t step = static_cast<uint32_t>(1 + seed / kUnverifiedRange % (kUnverifiedRange - 1));
  while (Gcd(step, kUnverifiedRange) != 1)
    step = step % (kUnverifiedRange - 1) + 1;
  g_unverifiedStep = step;
}

std::string DescrambleToken(std::string_view text, bool* verified) {
  if (verified != nullptr)
    *verified = false;
  std::vector<uint8_t> b;
  b.reserve(text.size() / 2);
  for (size_t i = 0; i + 2 <= text.size(); i += 2) {
    const int high = HexDigitValue(static_cast<unsigned char>(text[i] - 50));
    const int low = HexDigitValue(static_cast<unsigned char>(text[i + 1] - 50));
    b.push_back(high < 0 || low < 0 ? 255 : static_cast<uint8_t>(high * 16 + low));
  }
  const size_t n = b.size();
  if (n <= 4)
    return NextUnverifiedNumber();
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i != n - 2)
      sum = static_cast<uint8_t>(sum + b[i]);
  }
  if (sum != b[n - 2])
    return NextUnverifiedNumber();
  const uint8_t key = b[0] ^ b[n - 1];
  for (size_t i = 1; i + 1 < n; ++i)
    b[i] ^= key;
  const size_t p = b[1];
  const size_t q = b[2];
  // Paddings that leave no room for the payload: the token does not decode.
  if (p + q + 4 > n)
    return NextUnverifiedNumber();
  if (verified != nullptr)
    *verified = true;
  const size_t length = n - p - q - 4;
  return std::string(reinterpret_cast<const char*>(b.data() + p + 3), length);
}

std::string ScrambleToken(std::string_view plain, uint32_t seed) {
  // A small generator (xorshift) drives the paddings and the key bytes.
  uint32_t state = seed * 2654435761u + 0x9E3779B9u;
  if (state == 0)
    state = 1;
  auto next = [&state]() -> uint8_t {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<uint8_t>(state >> 24);
  };
  const size_t length = std::min<size_t>(plain.size(), 240);
  const size_t p = next() % 8;      // leading padding
  const size_t q = 1 + next() % 8;  // the trailing padding is q - 1 bytes
  const size_t n = p + q + 4 + length;
  std::vector<uint8_t> b(n);
  b[0] = next();
  b[n - 1] = next();
  const uint8_t key = b[0] ^ b[n - 1];
  b[1] = static_cast<uint8_t>(p) ^ key;
  b[2] = static_cast<uint8_t>(q) ^ key;
  for (size_t i = 0; i < p; ++i)
    b[3 + i] = next();
  for (size_t i = 0; i < length; ++i)
    b[p + 3 + i] = static_cast<uint8_t>(plain[i]) ^ key;
  for (size_t i = p + 3 + length; i < n - 2; ++i)
    b[i] = next();
  uint8_t sum = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i != n - 2)
      sum = static_cast<uint8_t>(sum + b[i]);
  }
  b[n - 2] = sum;
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(2 * n);
  for (uint8_t byte : b) {
    text += static_cast<char>(kHex[byte >> 4] + 50);
    text += static_cast<char>(kHex[byte & 15] + 50);
  }
  return text;
}

void ParseTokenLine(std::string_view text, std::string& token, std::string& rest) {
  // Missing separators leave the missing parts empty; the token field is
  // always passed through DescrambleToken, so a line without one never
  // matches a product token.
  const std::string line = UnscrambleText(text);
  const std::string_view view(line);
  size_t bars[4];
  size_t found = 0;
  for (size_t i = 0; i < view.size() && found < 4; ++i) {
    if (view[i] == kListSeparator)
      bars[found++] = i;
  }
  std::string_view field;
  if (found >= 1) {
    const size_t start = bars[0] + 1;
    const size_t stop = found >= 2 ? bars[1] : view.size();
    field = view.substr(start, stop - start);
  }
  token = DescrambleToken(field);
  rest = found >= 4 ? std::string(view.substr(bars[3] + 1)) : std::string();
}

// ---------------------------------------------------------------------------
// Entries and volumes

EntryHeader ParseEntryHeader(std::string_view header) {
  EntryHeader entry;
  entry.isStart = header.find('*') != std::string_view::npos;
  const std::string name = SUB::Get(header, 0);
  const size_t star = name.find('*');
  if (star == std::string::npos) {
    entry.name = name;
  } else {
    entry.name = name.substr(0, star);
    entry.startArguments = name.substr(star + 1);
  }
  // A date that is not a number, or does not fit in 32 bits, reads as 0.
  const int64_t date = SUB::GetInt(header, 1, 0);
  if (date >= 0 && date <= int64_t{std::numeric_limits<uint32_t>::max()})
    entry.dosDateTime = static_cast<uint32_t>(date);
  constexpr std::string_view kCrcPrefix = "crc=";
  const std::string check = SUB::Get(header, 2);
  if (check.compare(0, kCrcPrefix.size(), kCrcPrefix) == 0) {
    std::string bytes;
    entry.hasCrc = check.size() == kCrcPrefix.size() + 8 &&
                   HexToBytes(std::string_view(check).substr(kCrcPrefix.size()), bytes, "") &&
                   bytes.size() == 4;
    entry.crcMalformed = !entry.hasCrc;
    for (const char byte : bytes)
      entry.crc = entry.crc << 8 | static_cast<unsigned char>(byte);
  }
  return entry;
}

std::string MakeEntryHeader(const EntryHeader& entry) {
  std::string header = "|" + entry.name;
  if (entry.isStart)
    header += "*" + entry.startArguments;
  header += "|";
  header += DecimalText(entry.dosDateTime);
  header += "|";
  if (entry.hasCrc)
    header += "crc=" + HexText(entry.crc, 8) + "|";
  return header;
}

std::string StartEntryOf(std::string_view header, std::string* fault) {
  fault->clear();
  if (header.find('*') == std::string_view::npos)
    return std::string();
  const std::string nameField = SUB::Get(header, 0);
  if (nameField.find('*') == std::string::npos) {
    *fault = "marks the program to start outside its name field";
    return std::string();
  }
  // The launcher trims the program part; a name with blanks around it is
  // refused by EntryNameFault, so the trimmed part must be the name itself.
  const std::string program = Trim(nameField.substr(0, nameField.find('*')));
  if (program != ParseEntryHeader(header).name) {
    *fault = "names a program to start that is not the entry's own file";
    return std::string();
  }
  return nameField;
}

std::string EntryNameFault(std::string_view name) {
  if (name.empty())
    return "is empty";
  // Windows holds at most 255 characters in one name; an ANSI byte is at
  // most one character.
  if (name.size() > 255)
    return "is longer than 255 bytes";
  if (name == "." || name == "..")
    return "names a folder, not a file";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\')
      return "has a folder part; the launcher writes every file straight into its "
             "extraction folder";
    if (c == ':')
      return "has a drive or stream part (':')";
    if (u < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
      return std::string("contains a character that Windows file names cannot hold (") +
             (u < 32 ? std::string("control character") : std::string(1, c)) + ")";
  }
  if (name.back() == ' ' || name.back() == '.')
    return "ends with a blank or a dot, which Windows drops";
  if (name.front() == ' ')
    return "begins with a blank";
  if (IsReservedDeviceName(name))
    return "is a Windows device name";
  return std::string();
}

std::string VolumeFileName(std::string_view firstVolumePath, int number) {
  std::string_view base = firstVolumePath;
  if (EndsWithNoCase(base, ".001"))
    base.remove_suffix(4);
  return std::string(base) + "." + ZeroPad(number, 3);
}

bool IsSha256Text(std::string_view text) {
  if (text.size() != 64)
    return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
      return false;
  }
  return true;
}

}  // namespace orvane::pack
