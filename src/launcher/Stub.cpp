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
