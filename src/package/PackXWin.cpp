// PackXWin: the Windows side of TGFileInfo: reading a package from a file
// and asking the drive for its allocation unit.
#include "package/PackXWin.h"

#include <windows.h>

#include <string>

#include "util/Handles.h"

namespace orvane {
namespace {

class FileSource final : public pack::ByteSource {
 public:
  FileSource(FileHandle file, uint64_t size) : file_(std::move(file)), size_(size) {}

  uint64_t Size() const override { return size_; }

  bool ReadAt(uint64_t offset, void* buffer, size_t count) const override {
    if (offset > size_ || count > size_ - offset)
      return false;
    auto* out = static_cast<uint8_t*>(buffer);
    while (count > 0) {
      // ReadFile takes 32-bit counts; large reads go in pieces. The offset
      // travels with each read (one call instead of a seek and a read).
      const DWORD piece = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD got = 0;
      if (!::ReadFile(file_.get(), out, piece, &got, &at) || got == 0)
        return false;
      out += got;
      offset += got;
      count -= got;
    }
    return true;
  }

 private:
  FileHandle file_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<pack::ByteSource> OpenFileSource(std::string_view fileName) {
  const std::string name(fileName);
  FileHandle file(::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return nullptr;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
    return nullptr;
  return std::make_unique<FileSource>(std::move(file), static_cast<uint64_t>(size.QuadPart));
}

TGFileInfo ReadPackageInfo(std::string_view fileName) {
  const std::unique_ptr<pack::ByteSource> source = OpenFileSource(fileName);
  if (!source)
    return TGFileInfo();
  return TGFileInfo(*source);
}

double SpaceRequiredOnDrive(const TGFileInfo& package, std::string_view path) {
  const std::string root(path.substr(0, 3));
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  uint64_t unit = 0;
  if (::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                          &totalClusters)) {
    unit = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
  }
  return package.SpaceRequiredForCluster(unit);
}

}  // namespace orvane
