#include "util/FileHash.h"

#include <windows.h>

#include <vector>

#include "util/Handles.h"
#include "util/NumberText.h"
#include "util/Utils.h"

namespace orvane {

namespace {

using BcryptHandle = void*;
using NtStatus = LONG;
using OpenAlgorithmFn = NtStatus(WINAPI*)(BcryptHandle*, const wchar_t*, const wchar_t*, ULONG);
using CloseAlgorithmFn = NtStatus(WINAPI*)(BcryptHandle, ULONG);
using CreateHashFn = NtStatus(WINAPI*)(BcryptHandle, BcryptHandle*, UCHAR*, ULONG, UCHAR*, ULONG,
                                       ULONG);
using HashDataFn = NtStatus(WINAPI*)(BcryptHandle, UCHAR*, ULONG, ULONG);
using FinishHashFn = NtStatus(WINAPI*)(BcryptHandle, UCHAR*, ULONG, ULONG);
using DestroyHashFn = NtStatus(WINAPI*)(BcryptHandle);

constexpr ULONG kSha256Bytes = 32;
constexpr DWORD kReadBytes = 1u << 20;

bool Succeeded(NtStatus status) {
  return status >= 0;
}

struct BcryptApi {
  Module module;
  OpenAlgorithmFn openAlgorithm = nullptr;
  CloseAlgorithmFn closeAlgorithm = nullptr;
  CreateHashFn createHash = nullptr;
  HashDataFn hashData = nullptr;
  FinishHashFn finishHash = nullptr;
  DestroyHashFn destroyHash = nullptr;

  bool Complete() const {
    return openAlgorithm && closeAlgorithm && createHash && hashData && finishHash && destroyHash;
  }
};

const BcryptApi& Api() {
  static const BcryptApi api = [] {
    BcryptApi loaded;
    loaded.module = LoadSystemLibrary("bcrypt.dll");
    if (const HMODULE m = loaded.module.get()) {
      loaded.openAlgorithm =
          ProcAs<OpenAlgorithmFn>(::GetProcAddress(m, "BCryptOpenAlgorithmProvider"));
      loaded.closeAlgorithm =
          ProcAs<CloseAlgorithmFn>(::GetProcAddress(m, "BCryptCloseAlgorithmProvider"));
      loaded.createHash = ProcAs<CreateHashFn>(::GetProcAddress(m, "BCryptCreateHash"));
      loaded.hashData = ProcAs<HashDataFn>(::GetProcAddress(m, "BCryptHashData"));
      loaded.finishHash = ProcAs<FinishHashFn>(::GetProcAddress(m, "BCryptFinishHash"));
      loaded.destroyHash = ProcAs<DestroyHashFn>(::GetProcAddress(m, "BCryptDestroyHash"));
    }
    return loaded;
  }();
  return api;
}

// An open SHA-256 provider and one hash object of it.
class Sha256Hash {
 public:
  Sha256Hash() {
    const BcryptApi& api = Api();
    if (!api.Complete() || !Succeeded(api.openAlgorithm(&algorithm_, L"SHA256", nullptr, 0))) {
      algorithm_ = nullptr;
      return;
    }
    if (!Succeeded(api.createHash(algorithm_, &hash_, nullptr, 0, nullptr, 0, 0)))
      hash_ = nullptr;
  }
  ~Sha256Hash() {
    if (hash_)
      Api().destroyHash(hash_);
    if (algorithm_)
      Api().closeAlgorithm(algorithm_, 0);
  }
  Sha256Hash(const Sha256Hash&) = delete;
  Sha256Hash& operator=(const Sha256Hash&) = delete;

  bool valid() const { return hash_ != nullptr; }
  bool Add(const char* data, DWORD size) {
    return Succeeded(
        Api().hashData(hash_, reinterpret_cast<UCHAR*>(const_cast<char*>(data)), size, 0));
  }
  bool Finish(std::string& digest) {
    digest.assign(kSha256Bytes, '\0');
    return Succeeded(
        Api().finishHash(hash_, reinterpret_cast<UCHAR*>(&digest[0]), kSha256Bytes, 0));
  }

 private:
  BcryptHandle algorithm_ = nullptr;
  BcryptHandle hash_ = nullptr;
};

}  // namespace

std::string Sha256OfFile(const std::string& path, std::string* error) {
  Sha256Hash hash;
  if (!hash.valid()) {
    *error = "The system cannot compute SHA-256 (bcrypt.dll).";
    return {};
  }
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    *error = GetLastErrorText();
    return {};
  }
  std::vector<char> buffer(kReadBytes);
  ULONGLONG lastServe = ::GetTickCount64();
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer.data(), kReadBytes, &got, nullptr)) {
      *error = GetLastErrorText();
      return {};
    }
    if (got == 0)
      break;
    if (!hash.Add(buffer.data(), got)) {
      *error = "The system cannot compute SHA-256 (bcrypt.dll).";
      return {};
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now - lastServe >= 10) {
      lastServe = now;
      YieldX(0);
    }
  }
  std::string digest;
  if (!hash.Finish(digest)) {
    *error = "The system cannot compute SHA-256 (bcrypt.dll).";
    return {};
  }
  std::string hex;
  for (unsigned char byte : digest)
    hex += HexText(byte, 2);
  return hex;
}

}  // namespace orvane
