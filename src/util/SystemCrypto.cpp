#include "util/SystemCrypto.h"

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
using ImportKeyPairFn = NtStatus(WINAPI*)(BcryptHandle, BcryptHandle, const wchar_t*, BcryptHandle*,
                                          UCHAR*, ULONG, ULONG);
using VerifySignatureFn = NtStatus(WINAPI*)(BcryptHandle, void*, UCHAR*, ULONG, UCHAR*, ULONG,
                                            ULONG);
using DestroyKeyFn = NtStatus(WINAPI*)(BcryptHandle);

constexpr ULONG kSha256Bytes = 32;
constexpr ULONG kP256Bytes = 32;
// BCRYPT_ECDSA_PUBLIC_P256_MAGIC: "ECS1".
constexpr ULONG kEcdsaP256PublicMagic = 0x31534345;
constexpr std::string_view kCannotHash = "The system cannot compute SHA-256 (bcrypt.dll).";
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
  ImportKeyPairFn importKeyPair = nullptr;
  VerifySignatureFn verifySignature = nullptr;
  DestroyKeyFn destroyKey = nullptr;

  bool Complete() const {
    return openAlgorithm && closeAlgorithm && createHash && hashData && finishHash && destroyHash;
  }
  bool CanVerify() const { return Complete() && importKeyPair && verifySignature && destroyKey; }
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
      loaded.importKeyPair = ProcAs<ImportKeyPairFn>(::GetProcAddress(m, "BCryptImportKeyPair"));
      loaded.verifySignature =
          ProcAs<VerifySignatureFn>(::GetProcAddress(m, "BCryptVerifySignature"));
      loaded.destroyKey = ProcAs<DestroyKeyFn>(::GetProcAddress(m, "BCryptDestroyKey"));
    }
    return loaded;
  }();
  return api;
}

// An open algorithm provider of bcrypt.
class Algorithm {
 public:
  explicit Algorithm(const wchar_t* name) {
    const BcryptApi& api = Api();
    if (!api.Complete() || !Succeeded(api.openAlgorithm(&handle_, name, nullptr, 0)))
      handle_ = nullptr;
  }
  ~Algorithm() {
    if (handle_)
      Api().closeAlgorithm(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;

  BcryptHandle get() const { return handle_; }

 private:
  BcryptHandle handle_ = nullptr;
};

// An open SHA-256 provider and one hash object of it.
class Sha256Hash {
 public:
  Sha256Hash() {
    if (!algorithm_.get() ||
        !Succeeded(Api().createHash(algorithm_.get(), &hash_, nullptr, 0, nullptr, 0, 0)))
      hash_ = nullptr;
  }
  ~Sha256Hash() {
    if (hash_)
      Api().destroyHash(hash_);
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
  Algorithm algorithm_{L"SHA256"};
  BcryptHandle hash_ = nullptr;
};

// An imported public key.
class PublicKey {
 public:
  PublicKey(BcryptHandle algorithm, std::string blob) {
    if (!Succeeded(Api().importKeyPair(algorithm, nullptr, L"ECCPUBLICBLOB", &key_,
                                       reinterpret_cast<UCHAR*>(&blob[0]),
                                       static_cast<ULONG>(blob.size()), 0)))
      key_ = nullptr;
  }
  ~PublicKey() {
    if (key_)
      Api().destroyKey(key_);
  }
  PublicKey(const PublicKey&) = delete;
  PublicKey& operator=(const PublicKey&) = delete;

  BcryptHandle get() const { return key_; }

 private:
  BcryptHandle key_ = nullptr;
};

void AppendLittleEndian32(ULONG value, std::string& out) {
  for (int i = 0; i < 4; ++i)
    out += static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string Sha256OfFile(const std::string& path, std::string* error) {
  Sha256Hash hash;
  if (!hash.valid()) {
    *error = kCannotHash;
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
      *error = kCannotHash;
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
    *error = kCannotHash;
    return {};
  }
  std::string hex;
  for (unsigned char byte : digest)
    hex += HexText(byte, 2);
  return hex;
}

bool VerifyP256Signature(std::string_view publicKey, std::string_view data,
                         std::string_view signature, std::string* error) {
  if (publicKey.size() != 2 * kP256Bytes || signature.size() != 2 * kP256Bytes) {
    *error = "The key or the signature has the wrong length.";
    return false;
  }
  Sha256Hash hash;
  std::string digest;
  const Algorithm ecdsa(L"ECDSA_P256");
  if (!Api().CanVerify() || !ecdsa.get() || !hash.valid() ||
      !hash.Add(data.data(), static_cast<DWORD>(data.size())) || !hash.Finish(digest)) {
    *error = "The system cannot check ECDSA signatures (bcrypt.dll).";
    return false;
  }
  // BCRYPT_ECCKEY_BLOB: the magic, the value length, then X and Y.
  std::string blob;
  AppendLittleEndian32(kEcdsaP256PublicMagic, blob);
  AppendLittleEndian32(kP256Bytes, blob);
  blob.append(publicKey);
  const PublicKey key(ecdsa.get(), std::move(blob));
  if (!key.get()) {
    *error = "The update key is not a point of the curve P-256.";
    return false;
  }
  std::string rs(signature);
  return Succeeded(Api().verifySignature(key.get(), nullptr, reinterpret_cast<UCHAR*>(&digest[0]),
                                         kSha256Bytes, reinterpret_cast<UCHAR*>(&rs[0]),
                                         static_cast<ULONG>(rs.size()), 0));
}

}  // namespace orvane
