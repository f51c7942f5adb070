// Helpers of the stubpack tests: a temporary folder, a fake launcher stub,
// and an extraction that follows the launcher's reading of a package on its
// own (written from the format, not from the builder or the inspector), so
// that round trips check the builder against an independent reader.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Cli.h"
#include "package/PackFormat.h"

namespace orvane::stubpack::test {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/stubpack-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
  }
  ~TempDir() { RemoveTree(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Every name in the folder (not recursive), sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path_.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
          names.push_back(name);
      }
      closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  static void RemoveTree(const std::string& path) {
    if (path.empty())
      return;
    if (DIR* dir = opendir(path.c_str())) {
      while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
          continue;
        const std::string child = path + "/" + name;
        struct stat info;
        if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
          RemoveTree(child);
        else
          unlink(child.c_str());
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  }

  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
      bytes.append(buffer, got);
    std::fclose(file);
  }
  return bytes;
}

// Bytes that do not compress.
inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Text that compresses well.
inline std::string TextBytes(size_t size) {
  std::string text;
  for (int line = 1; text.size() < size; ++line)
    text += "line " + std::to_string(line) + " of the readme\r\n";
  text.resize(size);
  return text;
}

// A launcher image as far as the package format cares: "MZ" at 0, the PE
// header pointer at 0x3C naming offset 256, "PE\0\0" there, a zero
// package-end pointer slot and a recognisable body.
inline std::string FakeStub(size_t size = 2048) {
  std::string stub(size, '\0');
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[0x3C] = 0x00;
  stub[0x3D] = 0x01;
  std::memcpy(&stub[256], "PE\0\0", 4);
  for (size_t i = 512; i < size; ++i)
    stub[i] = static_cast<char>(i * 7);
  return stub;
}

inline uint32_t Load32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

inline void Store32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

inline bool InflateAll(const std::string& payload, std::string& out) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK)
    return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(payload.data()));
  stream.avail_in = static_cast<uInt>(payload.size());
  char buffer[65536];
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END;
}

// What the launcher would write into its extraction folder.
struct Extraction {
  bool ok = false;
  std::string error;
  std::map<std::string, std::string> files;  // by name; entries of one name appended
  std::map<std::string, uint32_t> dates;
  std::string startEntry;  // the name field of the "*" entry
  int volumes = 0;
  int entries = 0;
};

// Walks the volumes of `firstVolume` as the extraction engine does: for each
// volume its trailer and checksum, blocks from its package start until no
// more than 74 bytes remain before the package end, header blocks counted
// across volumes, then the next volume while flag bit 1 is set.
inline Extraction ExtractLikeLauncher(const std::string& firstVolume) {
  Extraction result;
  std::string base = firstVolume;
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".001") == 0)
    base.resize(base.size() - 4);
  std::string path = firstVolume;
  int blocks = 0;
  for (int number = 1;; ++number) {
    const std::string bytes = ReadBytes(path);
    if (bytes.empty()) {
      result.error = "missing volume " + path;
      return result;
    }
    ++result.volumes;
    const pack::MemorySource source(bytes);
    const pack::Trailer trailer = pack::ReadTrailer(source);
    const uint32_t sum = pack::ComputePackageChecksum(source, trailer.trailerLength);
    if (!pack::ChecksumAccepted(sum, trailer.checksum)) {
      result.error = "bad checksum in " + path;
      return result;
    }
    uint64_t end = bytes.size();
    if (pack::IsPeImage(source)) {
      const uint64_t pointer =
          pack::ReadPackageEndPointer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      if (pointer > 0)
        end = pointer;
    }
    if (!trailer.IsPackage()) {
      result.error = "no package in " + path;
      return result;
    }
    uint64_t offset = trailer.packageStart;
    do {
      if (offset + 4 > end) {
        result.error = "block past the end";
        return result;
      }
      const int32_t length = static_cast<int32_t>(Load32(bytes, offset));
      const uint64_t size = length < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(length))
                                       : static_cast<uint64_t>(length);
      if (offset + 4 + size > end) {
        result.error = "block past the end";
        return result;
      }
      const std::string payload = bytes.substr(offset + 4, size);
      offset += 4 + size;
      if (++blocks <= trailer.headerBlockCount)
        continue;
      ++result.entries;
      std::string entry;
      if (length > 0) {
        if (!InflateAll(payload, entry)) {
          result.error = "bad zlib stream";
          return result;
        }
      } else {
        entry = payload;
      }
      const size_t zero = entry.find('\0');
      const std::string header = zero == std::string::npos ? std::string() : entry.substr(0, zero);
      if (header.empty())
        continue;
      const pack::EntryHeader parsed = pack::ParseEntryHeader(header);
      if (parsed.isStart)
        result.startEntry = parsed.name + "*" + parsed.startArguments;
      result.files[parsed.name] += entry.substr(zero + 1);
      result.dates[parsed.name] = parsed.dosDateTime;
    } while (end - offset > pack::kTrailerSize);
    if (!trailer.HasFlag(pack::kFlagMoreVolumes))
      break;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%03d", number + 1);
    path = base + suffix;
  }
  result.ok = true;
  return result;
}

// One stubpack command line run in this process: its exit code and what it
// printed.
struct CliRun {
  int code = 0;
  std::string out;
  std::string err;
};

inline std::string Drain(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text.append(buffer, got);
  std::fclose(file);
  return text;
}

inline CliRun Call(const std::vector<std::string>& args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliRun run;
  run.code = RunCli(args, out, err);
  run.out = Drain(out);
  run.err = Drain(err);
  return run;
}

}  // namespace orvane::stubpack::test
