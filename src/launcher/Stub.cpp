// Stub: the entry point of the launcher.
#include <windows.h>

#include <exception>
#include <new>

#include "launcher/StubWin.h"
#include "util/Utils.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before any library can be loaded: the launcher runs elevated from folders
  // where anyone may leave a DLL, so libraries come from the System folder only.
  orvane::RestrictDllSearchToSystem();
  const uint32_t exitCode = orvane::RunStub();
  ::ExitProcess(exitCode);
}

// The C++ runtime's default terminate handler prints the demangled type of an
// escaping exception, which pulls a 45 KB demangler into every package. The
// launcher has no console to print to; ending the process is all it can do.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  ::ExitProcess(3);
}
}  // namespace __gnu_cxx

// The library's helpers that raise std::length_error, std::logic_error and
// std::out_of_range build those exceptions from a reference-counted string
// type of their own, which pulls 45 KB of string code into the launcher for
// exceptions it never expects (they only come from calls with invalid
// arguments). These replacements raise a plain exception carrying the
// library's message instead; catch sites see a std::exception as before.
namespace {
class LibraryError final : public std::exception {
 public:
  explicit LibraryError(const char* what) : what_(what != nullptr ? what : "library error") {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};
}  // namespace

namespace std {
void __throw_bad_alloc() {
  throw bad_alloc();
}
void __throw_bad_array_new_length() {
  throw bad_array_new_length();
}
void __throw_length_error(const char* what) {
  throw LibraryError(what);
}
void __throw_logic_error(const char* what) {
  throw LibraryError(what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
  throw LibraryError(format);
}
}  // namespace std
