// PackFormat: the layout of an Orvane package, shared by the launcher's reader
// and the stubpack builder, and the small algorithms that belong to it
// (trailer location, header blocks, entry headers and names, checksum,
// tokens).
//
// A package is appended to a copy of the launcher (or spread over the
// launcher and volume files). All integers are little-endian; text is ANSI.
//
//   first volume (the launcher, or NAME.001)          later volumes (NAME.002 ...)
//   +-------------------------------------------+     +------------------------------+
//   | 0    "MZ" DOS header + stub               |     | (anything before start)      |
//   | 248  package-end pointer, HIGH 32 bits    |     | package start:               |
//   | 252  package-end pointer, LOW 32 bits     |     |   file entries ...           |
//   | 256  "PE\0\0" header ... launcher image   |     | trailer (74 bytes)           |
//   +-------------------------------------------+     +------------------------------+
//   | package start:                            |
//   |   u32 length + language block             |     file entry:
//   |   u32 length + internet block             |       i32 L, then |L| bytes:
//   |  [u32 length + download block]            |       L > 0: a zlib stream (RFC 1950)
//   |   file entries ...                        |       L <= 0: stored as they are
//   | trailer (74 bytes), ends with its length  |     the (inflated) bytes are:
//   +-------------------------------------------+       entry header "|name|dosdate|",
//   | [zero padding + certificate table]        |       one zero byte, the file's bytes
//   +-------------------------------------------+
//
// The package-end pointer (0: none) marks where the package ends when other
// data, such as an Authenticode certificate, follows it; without a pointer
// the package ends at the end of the file. The trailer ends at package end;
// its last 4 bytes hold its length (74).
//
// Trailer (74 bytes):
//   0 u8 format (1)            1 u8 header block count (0 reads as 2)   2 u16 reserved
//   4 u32 package start        8 u32 file count       12 u32 magic 0x4A3B2C1D
//  16 u32 checksum (1234: none computed)               20 8 bytes reserved
//  28 u32[9] space table       64 u8 reserved          65 u8 flags
//  66 u8 internet setup        67 u8 confirm download  68 u8 agent copy
//  69 u8 agent flag            70 u32 trailer length (74)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::pack {

constexpr uint32_t kTrailerMagic = 0x4A3B2C1D;
constexpr uint32_t kTrailerSize = 74;
constexpr uint32_t kNoChecksum = 1234;
// Files larger than this are not checksummed (the result is kNoChecksum).
constexpr uint64_t kChecksumMaxFileSize = 51200;
constexpr uint64_t kPeHeaderOffset = 256;
constexpr uint64_t kEndPointerHighOffset = 248;
constexpr uint64_t kEndPointerLowOffset = 252;
constexpr size_t kSpaceTableEntries = 9;
// File entries are read while at least this many bytes remain before the
// package end (a trailer plus one byte).
constexpr uint64_t kMinBytesForEntry = 75;

// Separators of the header blocks.
constexpr char kLanguageBlockSeparator = '\x02';
constexpr char kLanguageSeparator = '\x01';
constexpr char kListSeparator = '|';

// Trailer flag bits (offset 65).
enum TrailerFlag : uint8_t {
  kFlagShowTempNotice = 0x01,  // always show the temp-drive notice before extracting
  kFlagMoreVolumes = 0x02,     // another volume follows this one
  kFlagRelaunch = 0x04,        // rerun from the Temp folder before setting up
  kFlagActivityBar = 0x08,     // show the start-up window's activity bar while extracting
  kFlagAgentLog = 0x10,        // agent copies write their log file
};

struct Trailer {
  uint8_t format = 0;
  uint8_t headerBlockCount = 0;
  uint16_t reserved0 = 0;
  uint32_t packageStart = 0;
  uint32_t fileCount = 0;
  uint32_t magic = 0;
  uint32_t checksum = 0;
  std::array<uint8_t, 8> reserved20{};
  std::array<uint32_t, kSpaceTableEntries> spaceTable{};
  uint8_t reserved64 = 0;
  uint8_t flags = 0;
  uint8_t internetSetup = 0;
  uint8_t confirmDownload = 0;
  uint8_t agentCopy = 0;
  uint8_t agentFlag = 0;
  uint32_t trailerLength = 0;
  // Where the stored trailer begins in its file (the package end minus the
  // stored length); blocks of the package end at or before it. Set by
  // ReadTrailer, 0 for the zero trailer.
  uint64_t position = 0;

  bool IsPackage() const { return magic == kTrailerMagic; }
  bool HasFlag(TrailerFlag flag) const { return (flags & flag) != 0; }
};

// The 74 stored bytes of a trailer, and back. Decoding takes up to 74 bytes;
// fields beyond `size` stay zero.
std::array<uint8_t, kTrailerSize> EncodeTrailer(const Trailer& trailer);
Trailer DecodeTrailer(const uint8_t* bytes, size_t size);

// Random access to the bytes of a package file (a file, a memory buffer).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `count` bytes at `offset`; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t count) const = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit MemorySource(std::string_view bytes) : MemorySource(bytes.data(), bytes.size()) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// "MZ" at 0 and "PE" at 256: the launcher image test.
bool IsPeImage(const ByteSource& file);

// The package-end pointer of a launcher image held in memory (high word at
// 248, low word at 252); 0 when there is none or the image is too short.
uint64_t ReadPackageEndPointer(const uint8_t* image, size_t size);
// Stores the pointer in an image of at least 256 bytes (the builder's side).
void WritePackageEndPointer(uint8_t* image, size_t size, uint64_t packageEnd);

// Locates and reads the trailer: through the package-end pointer of a
// launcher image when there is one, otherwise from the end of the file. A
// stored length below 74 leaves the later fields zero; the length field then
// holds min(74, stored length). Header block count 0 reads as 2. A file that
// has no readable trailer gives a zero trailer: shorter than 4 bytes, a
// package-end pointer beyond the file, a stored length below 4 or reaching
// before the start of the file.
Trailer ReadTrailer(const ByteSource& file);

// What the reader keeps of a package: the trailer (its packageStart advanced
// past the header blocks, to the first file entry) and the three header
// block texts (empty when absent). Never fails: a missing or foreign package
// gives empty texts; a block that does not fit in the file is not read and
// ends the reading of header blocks.
struct PackageHeader {
  Trailer trailer;
  std::string languageBlock;
  std::string internetBlock;
  std::string downloadBlock;
};
PackageHeader ReadPackageHeader(const ByteSource& file);

// The index of the space-table entry for an allocation unit of `clusterBytes`
// (0 below 512 bytes, 8 from 64 KiB up; 0 for a failed query, passed as 0).
size_t SpaceTableIndex(uint64_t clusterBytes);

// The package checksum of a volume file (see the trailer's checksum field).
uint32_t ComputePackageChecksum(const ByteSource& file, uint32_t trailerLength);
// A volume is accepted when the values are equal or either is kNoChecksum.
bool ChecksumAccepted(uint32_t computed, uint32_t stored);

// Token descrambling. A token that does not verify gives a decimal number
// that differs from every other unverified result of this process (within
// 99999 calls), so that two bad tokens never compare equal; `verified`
// tells which case it was.
std::string DescrambleToken(std::string_view text, bool* verified = nullptr);
// Where the unverified numbers of DescrambleToken start and how they step
// (0..99998, in an order that depends on the seed), so that they differ
// between runs. Portable code draws no random numbers: the launcher passes
// one of the system's (RandomInRange) once at start-up, before any token is
// read. Unseeded, the numbers count up from 0.
void SeedUnverifiedTokenNumbers(uint64_t seed);
// The builder's side: a stored form of `plain` that DescrambleToken verifies
// and decodes back to `plain`. `seed` varies the padding and key bytes.
// `plain` must be at most 240 bytes.
std::string ScrambleToken(std::string_view plain, uint32_t seed);

// The inform file's token line: unscrambled when it begins with
// "Scrambled=01"; field 1 descrambled as the token, the text after the
// fourth "|" as the rest. Missing separators leave the missing parts empty
// (an empty token field descrambles to an unverified number).
void ParseTokenLine(std::string_view text, std::string& token, std::string& rest);

// A file entry's header: "|name|dosdate|" where a "*" marks the entry the
// launcher starts, and text after the "*" in the name field is extra
// command-line text for it. A third field "crc=" and 8 hex digits holds the
// CRC-32 (Crc32.h) of the entry's file bytes, which the launcher checks as
// it writes them; readers that know two fields pass over it. A third field
// that begins with "crc=" but holds no such value makes the entry damaged;
// any other third field is ignored.
struct EntryHeader {
  std::string name;            // a file name in the extraction folder
  uint32_t dosDateTime = 0;    // date in the high 16 bits, time in the low 16
  bool isStart = false;        // the header holds a "*"
  std::string startArguments;  // text after the "*" in the name field
  bool hasCrc = false;         // the header holds a check value
  bool crcMalformed = false;   // its third field begins with "crc=" but is no check value
  uint32_t crc = 0;
};
EntryHeader ParseEntryHeader(std::string_view header);
std::string MakeEntryHeader(const EntryHeader& entry);

// The start entry an entry header names, "name*arguments", or empty when the
// header holds no "*". The launcher starts the program part (before the
// "*") from its extraction folder, so it must be the file this very entry
// writes: a "*" outside the name field, or a program part that differs from
// the entry's name, makes `fault` say why and the package damaged.
std::string StartEntryOf(std::string_view header, std::string* fault);

// Why `name` cannot be an entry name, or empty when it can. The launcher
// writes every entry straight into its extraction folder and creates no
// sub-folder, so a name is one plain Windows file name: not empty, at most
// 255 bytes, not "." or "..", no folder separator, no ':' (drive, data
// stream), no control character or any of < > " | ? *, no trailing dot or
// blank (Windows drops them), no leading blank, not a reserved device name.
// The builder refuses such names, the inspector reports them, and the
// launcher treats a package that holds one as damaged.
std::string EntryNameFault(std::string_view name);

// Whether `text` is a SHA-256 as the download block stores it: 64
// hexadecimal digits, in either case (the builder writes lower case).
bool IsSha256Text(std::string_view text);

// Names of the volumes: the first volume's path with a trailing ".001"
// removed, then "." and the number in three digits (four from 1000).
std::string VolumeFileName(std::string_view firstVolumePath, int number);

}  // namespace orvane::pack
