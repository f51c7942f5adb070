// Handles: small move-only owners for Win32 handles.
//
// Every handle the launcher acquires lives in one of these, so that it is
// released on every path out of the function that acquired it.
#pragma once

#include <windows.h>

#include <utility>

namespace orvane {

// Traits: `Type`, `Invalid()` and `Close(Type)`.
template <class Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept : value_(Traits::Invalid()) {}
  explicit UniqueHandle(Type value) noexcept : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other)
      reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(Type value = Traits::Invalid()) noexcept {
    Type old = std::exchange(value_, value);
    if (old != Traits::Invalid())
      Traits::Close(old);
  }

 private:
  Type value_;
};

struct KernelHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct NullableHandleTraits {  // processes, threads, events: NULL
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::FindClose(h); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::DeleteObject(h); }
};
struct GlobalAtomTraits {
  using Type = ATOM;
  static Type Invalid() noexcept { return 0; }
  static void Close(Type a) noexcept { ::GlobalDeleteAtom(a); }
};

using FileHandle = UniqueHandle<KernelHandleTraits>;
using KernelObject = UniqueHandle<NullableHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;
using FindHandle = UniqueHandle<FindTraits>;
using GdiObject = UniqueHandle<GdiObjectTraits>;
using GlobalAtom = UniqueHandle<GlobalAtomTraits>;

// A device context from GetDC: of a window's client area, or of the screen
// for a null window; released with ReleaseDC for the same window.
class DeviceContext {
 public:
  DeviceContext() noexcept = default;
  explicit DeviceContext(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  DeviceContext(DeviceContext&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  DeviceContext& operator=(DeviceContext&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = other.window_;
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;
  ~DeviceContext() { reset(); }

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (HDC old = std::exchange(dc_, nullptr))
      ::ReleaseDC(window_, old);
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// A critical section that lives as long as its owner.
class CriticalSection {
 public:
  CriticalSection() { ::InitializeCriticalSection(&cs_); }
  ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void Enter() { ::EnterCriticalSection(&cs_); }
  void Leave() { ::LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace orvane
