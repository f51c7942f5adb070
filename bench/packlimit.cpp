// packlimit INSTALLER OUTDIR: the benchmark's lower bound for extraction.
//
// A plain extractor of an Orvane package: it finds the file entries with the
// shared package reader, inflates each entry as a stream through 1 MiB
// buffers (stored entries are copied) and writes the files into OUTDIR (which
// must exist), appending the entries of one name into one file and setting
// each file's modification time from its DOS date. It does what the
// launcher's extraction has to do and nothing more, single-threaded, so its
// time is what the machine needs for the work: the limit the launcher's
// extraction is compared with.
//
// Built natively it is the limit of the Linux machine. Built for Windows
// (MinGW) and run under Wine it pays the same costs of Wine's file system
// layer as the launcher does, which tells those costs apart from the
// launcher's own.
//
// Prints: bytes=<file bytes written> files=<n> entries=<n> ms=<elapsed>. The
// time runs from opening the installer to closing the last file. Exit code 1
// on any fault (damaged package, write error).
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "package/PackFormat.h"

namespace {

namespace pack = orvane::pack;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "packlimit: %s\n", what.c_str());
  std::exit(1);
}

#ifdef _WIN32

std::string LastError() {
  return "Windows error " + std::to_string(::GetLastError());
}

class FileSource final : public pack::ByteSource {
 public:
  explicit FileSource(const char* path) : path_(path) {
    file_ = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (file_ == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file_, &size))
      Fail("cannot open " + path_ + ": " + LastError());
    size_ = static_cast<uint64_t>(size.QuadPart);
  }
  ~FileSource() override { ::CloseHandle(file_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD done = 0;
      const DWORD piece = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
      if (!::ReadFile(file_, out, piece, &done, &at) || done == 0)
        return false;
      out += done;
      offset += done;
      count -= done;
    }
    return true;
  }

 private:
  std::string path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
};

// One output file: created (or, for a later entry of its name, continued),
// written, stamped with its DOS date, closed.
class OutFile {
 public:
  bool Open(const std::string& path, bool append) {
    file_ = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                          append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
      return false;
    LARGE_INTEGER zero{};
    return !append || ::SetFilePointerEx(file_, zero, nullptr, FILE_END);
  }
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  // Bytes written, -1 on failure.
  long long Write(const uint8_t* data, size_t size) {
    DWORD done = 0;
    return ::WriteFile(file_, data, static_cast<DWORD>(size), &done, nullptr) ? done : -1;
  }
  void SetTime(uint32_t dos) {
    FILETIME local{};
    FILETIME utc{};
    if (::DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos), &local) &&
        ::LocalFileTimeToFileTime(&local, &utc))
      ::SetFileTime(file_, nullptr, nullptr, &utc);
  }
  bool Close() {
    const bool ok = ::CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    return ok;
  }
  static std::string Error() { return LastError(); }
  static constexpr char kSeparator = '\\';

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

#else

class FileSource final : public pack::ByteSource {
 public:
  explicit FileSource(const char* path) : path_(path) {
    fd_ = ::open(path, O_RDONLY);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0)
      Fail("cannot open " + path_ + ": " + std::strerror(errno));
    size_ = static_cast<uint64_t>(info.st_size);
  }
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
      const ssize_t n = ::pread(fd_, out, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        return false;
      out += n;
      offset += static_cast<uint64_t>(n);
      count -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Local DOS date-time to a time_t (the builder wrote local time).
time_t FromDosDateTime(uint32_t dos) {
  std::tm parts{};
  parts.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  parts.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  parts.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  parts.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  parts.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  parts.tm_sec = static_cast<int>(dos & 0x1F) * 2;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

// One output file: created (or, for a later entry of its name, continued),
// written, stamped with its DOS date, closed.
class OutFile {
 public:
  bool Open(const std::string& path, bool append) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0644);
    return fd_ >= 0;
  }
  bool IsOpen() const { return fd_ >= 0; }
  // Bytes written, -1 on failure.
  long long Write(const uint8_t* data, size_t size) {
    for (;;) {
      const ssize_t n = ::write(fd_, data, size);
      if (n >= 0 || errno != EINTR)
        return n;
    }
  }
  void SetTime(uint32_t dos) {
    const time_t stamp = FromDosDateTime(dos);
    const struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
    ::futimens(fd_, times);
  }
  bool Close() {
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }
  static std::string Error() { return std::strerror(errno); }
  static constexpr char kSeparator = '/';

 private:
  int fd_ = -1;
};

#endif

// The receiving end of one entry's bytes: the header up to its zero byte,
// then the file's bytes.
class EntrySink {
 public:
  EntrySink(const std::string& outDir, std::set<std::string>& seen, uint64_t& bytes)
      : outDir_(outDir), seen_(seen), bytes_(bytes) {}

  void Put(const uint8_t* data, size_t size) {
    if (!out_.IsOpen()) {
      const void* zero = std::memchr(data, 0, size);
      const size_t take =
          zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - data) : size;
      header_.append(reinterpret_cast<const char*>(data), take);
      if (!zero)
        return;
      Open();
      data += take + 1;
      size -= take + 1;
    }
    while (size > 0) {
      const long long n = out_.Write(data, size);
      if (n <= 0)
        Fail("cannot write " + path_ + ": " + OutFile::Error());
      data += n;
      size -= static_cast<size_t>(n);
      bytes_ += static_cast<uint64_t>(n);
    }
  }

  void Close() {
    if (!out_.IsOpen())
      Fail("entry without its header's end: " + header_);
    out_.SetTime(entry_.dosDateTime);
    if (!out_.Close())
      Fail("cannot close " + path_ + ": " + OutFile::Error());
  }

 private:
  void Open() {
    entry_ = pack::ParseEntryHeader(header_);
    if (entry_.name.empty() || entry_.name.find('/') != std::string::npos ||
        entry_.name.find('\\') != std::string::npos || entry_.name == "..")
      Fail("bad entry name: " + header_);
    path_ = outDir_ + OutFile::kSeparator + entry_.name;
    // Later entries of a name continue its file.
    const bool first = seen_.insert(entry_.name).second;
    if (!out_.Open(path_, !first))
      Fail("cannot create " + path_ + ": " + OutFile::Error());
  }

  const std::string& outDir_;
  std::set<std::string>& seen_;
  uint64_t& bytes_;
  std::string header_;
  pack::EntryHeader entry_;
  std::string path_;
  OutFile out_;
};

constexpr size_t kChunk = 1 << 20;

void Extract(const FileSource& file, uint64_t offset, uint64_t length, bool compressed,
             EntrySink& sink, std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
  if (!compressed) {
    while (length > 0) {
      const size_t n = length < kChunk ? static_cast<size_t>(length) : kChunk;
      if (!file.ReadAt(offset, in.data(), n))
        Fail("stored entry runs past the end at offset " + std::to_string(offset));
      sink.Put(in.data(), n);
      offset += n;
      length -= n;
    }
    return;
  }
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK)
    Fail("inflateInit failed");
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (stream.avail_in == 0) {
      if (length == 0)
        Fail("zlib stream ends early at offset " + std::to_string(offset));
      const size_t n = length < kChunk ? static_cast<size_t>(length) : kChunk;
      if (!file.ReadAt(offset, in.data(), n))
        Fail("entry runs past the end at offset " + std::to_string(offset));
      offset += n;
      length -= n;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(n);
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END)
      Fail("zlib rejects the data before offset " + std::to_string(offset));
    sink.Put(out.data(), out.size() - stream.avail_out);
  }
  inflateEnd(&stream);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: packlimit INSTALLER OUTDIR\n");
    return 2;
  }
  const std::string outDir = argv[2];
  const auto start = std::chrono::steady_clock::now();

  const FileSource file(argv[1]);
  const pack::PackageHeader header = pack::ReadPackageHeader(file);
  if (!header.trailer.IsPackage())
    Fail(std::string("no package in ") + argv[1]);
  if (header.trailer.HasFlag(pack::kFlagMoreVolumes))
    Fail("packages of several volumes are not handled");
  uint8_t image[256] = {};
  file.ReadAt(0, image, sizeof image);
  uint64_t packageEnd = pack::ReadPackageEndPointer(image, sizeof image);
  if (packageEnd == 0)
    packageEnd = file.Size();
  const uint64_t entriesEnd = packageEnd - header.trailer.trailerLength;

  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  std::set<std::string> seen;
  uint64_t bytes = 0;
  uint32_t entries = 0;
  uint64_t position = header.trailer.packageStart;
  while (entries < header.trailer.fileCount && position + pack::kMinBytesForEntry <= packageEnd) {
    uint8_t word[4];
    if (!file.ReadAt(position, word, 4))
      Fail("cannot read the entry at offset " + std::to_string(position));
    int32_t stored = 0;
    std::memcpy(&stored, word, 4);  // little-endian, as this machine
    const uint64_t length = static_cast<uint64_t>(stored < 0 ? -static_cast<int64_t>(stored)
                                                             : static_cast<int64_t>(stored));
    position += 4;
    if (length > entriesEnd - position)
      Fail("entry longer than the package at offset " + std::to_string(position));
    EntrySink sink(outDir, seen, bytes);
    Extract(file, position, length, stored > 0, sink, in, out);
    sink.Close();
    position += length;
    ++entries;
  }
  if (entries != header.trailer.fileCount)
    Fail("found " + std::to_string(entries) + " entries, the trailer counts " +
         std::to_string(header.trailer.fileCount));

  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("bytes=%llu files=%zu entries=%u ms=%.1f\n", static_cast<unsigned long long>(bytes),
              seen.size(), entries, ms);
  return 0;
}
