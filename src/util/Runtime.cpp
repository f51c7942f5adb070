// Runtime: what the launcher takes from the C++ runtime instead of its
// defaults, so that no exception machinery is linked in.
//
// operator new ends the process through the fatal path when memory runs
// out. The library's helpers that would raise std::length_error and friends
// (they are reached only through invalid arguments, an impossible state for
// the launcher) are redirected at link time (ld's --wrap, see
// cmake/Layers.cmake) to the functions below, which end through the fatal
// path too. Without them every package would carry the exception runtime,
// the unwinder and a second string implementation.
#include <cstdlib>
#include <new>

#include "util/Fatal.h"

namespace {

// A request for 0 bytes still gets a block of its own.
void* TryAllocate(std::size_t size) noexcept {
  return std::malloc(size != 0 ? size : 1);
}

void* Allocate(std::size_t size) {
  void* p = TryAllocate(size);
  if (p == nullptr)
    orvane::FatalOutOfMemory();
  return p;
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return TryAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return TryAllocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

// Targets of the link-time redirection of the library's error helpers.
extern "C" {
[[noreturn]] void __wrap__ZSt17__throw_bad_allocv() {
  orvane::FatalOutOfMemory();
}
[[noreturn]] void __wrap__ZSt28__throw_bad_array_new_lengthv() {
  orvane::FatalOutOfMemory();
}
[[noreturn]] void __wrap__ZSt20__throw_length_errorPKc(const char* what) {
  orvane::FatalInternalError(what != nullptr ? what : "length error");
}
[[noreturn]] void __wrap__ZSt19__throw_logic_errorPKc(const char* what) {
  orvane::FatalInternalError(what != nullptr ? what : "logic error");
}
[[noreturn]] void __wrap__ZSt20__throw_out_of_rangePKc(const char* what) {
  orvane::FatalInternalError(what != nullptr ? what : "out of range");
}
[[noreturn]] void __wrap__ZSt24__throw_out_of_range_fmtPKcz(const char* format, ...) {
  orvane::FatalInternalError(format != nullptr ? format : "out of range");
}
[[noreturn]] void __wrap__ZSt24__throw_invalid_argumentPKc(const char* what) {
  orvane::FatalInternalError(what != nullptr ? what : "invalid argument");
}
[[noreturn]] void __wrap__ZSt25__throw_bad_function_callv() {
  orvane::FatalInternalError("bad function call");
}
}
