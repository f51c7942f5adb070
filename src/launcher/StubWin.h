// StubWin: the program start and end, and the choice of the process role.
//
// One executable plays four roles (setup launcher, relaunched copy, plain
// agent, X_ agent); RunStub writes the start traces, opens the own package,
// lets DoRunStubWin pick and run the role, and writes the end traces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "launcher/StubRole.h"
#include "package/PackX.h"

namespace orvane {

// Process-wide start-up state, set before the role is chosen.
struct StartupState {
  // The package of the own executable, opened at start and released just
  // before the process ends.
  std::unique_ptr<TGFileInfo> ownPackage;
  StubIdentity identity;                   // N, G, own path and the agent flag
  bool relaunchFlag = false;               // trailer flag bit 2: rerun from Temp on spanned media
  std::string instanceKey = "OrvaneStub";  // replaced by DoRunStubWin before use
  bool xExeIsRunning = false;
};
StartupState& Startup();

// The own package; an empty package before start-up and after its release.
const TGFileInfo& OwnPackage();

// The exit code the process ends with (0 unless the setup flow stores the
// setup engine's exit code).
void SetProcessExitCode(uint32_t code);
uint32_t ProcessExitCode();

// The whole run: start traces, own package, role, end traces. Returns the
// process exit code.
uint32_t RunStub();

// Sets the instance key, checks for a running instance of the same role and
// runs the role.
void DoRunStubWin();

}  // namespace orvane
