// Stub: the entry point of the launcher.
#include <windows.h>

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
