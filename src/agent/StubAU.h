// StubAU: the auto-update agent of an installed product.
//
// An X_ agent keeps a hidden main window whose one-second timer calls
// AgentTick, and other programs steer it through the agent message of that
// window, which AgentCommand answers. This unit holds the agent's
// process-wide state, the command dispatcher and the tick handler.
//
// The tick handler counts ticks and ends the agent when its remaining
// lifetime runs out; the scheduled check (".info" download, eligibility,
// update or inform) joins it with the update cycle.
#pragma once

#include <windows.h>

#include <cstdint>

#include "package/PackX.h"
#include "package/StubGlobRules.h"

namespace orvane {

// Initial tick counter: the first check is considered at the fourth tick.
constexpr int32_t kAgentInitialTickCounter = -3;
// Remaining lifetime that never runs out.
constexpr int32_t kAgentUnlimitedLifetime = -1;

struct AgentState {
  // 0 scheduled check; 1 asked for by the user; 2 asked for, 1 from the next tick.
  int checkMode = 0;
  // Counts ticks; checks are considered once it is 1 or more after a tick's increment.
  int32_t tickCounter = kAgentInitialTickCounter;
  // Ticks until the agent quits; kAgentUnlimitedLifetime for never.
  int32_t remainingLifetime = kAgentUnlimitedLifetime;
  bool scheduledChecksOn = true;
  bool forceCheck = false;
  bool infoOnlyRequest = false;
  bool busy = false;  // the tick handler runs (further ticks are no-ops)
  // 0 idle, 1 checking, 2 downloading the update or inform file, 3 installing.
  int phase = 0;
  TransientOverrides overrides;
};

// The agent state of the process.
AgentState& Agent();

// Sub-codes of the agent message (wParam); the value travels in lParam.
enum AgentCommandCode : WPARAM {
  kAgentReadVersionOriginal = 4,
  kAgentReadVersionNew = 5,
  kAgentReadPhase = 7,
  kAgentReadProbeInterval = 8,
  kAgentReadReAskInterval = 9,
  kAgentReadProbeLast = 10,
  kAgentReadReAskLast = 11,
  kAgentWriteProbeInterval = 12,
  kAgentWriteReAskInterval = 13,
  kAgentWriteProbeLast = 14,
  kAgentWriteReAskLast = 15,
  kAgentSetOverrideFirst = 20,  // 20 to 25: transient override fields 0 to 5
  kAgentSetOverrideLast = 25,
  kAgentSetLifetime = 30,
  kAgentForceCheck = 31,
  kAgentInfoOnly = 32,
};

// Answers the agent message: reads and writes the schedule of the product's
// ".original" file (interval and last-check times; reads give the low 32
// bits, writes take the value sign-extended from 32 bits), reads the
// installed and the newest version and the agent phase, sets the transient
// overrides (low byte of the value), the remaining lifetime, a forced check
// (the value 2 makes it a check asked for by the user) and an info-only
// request. Commands answer 0, as does every unknown sub-code. The files are
// those of `ownPackage`, the agent's own package.
LRESULT AgentCommand(const TGFileInfo& ownPackage, WPARAM subCode, LPARAM value);

// The tick handler: at a remaining lifetime of 0 it posts the quit message;
// a lifetime of 0 or more is decremented (so it comes to rest at -1); the
// tick counter is incremented and traced. Re-entered ticks (while the
// handler pumps messages) do nothing.
void AgentTick();

}  // namespace orvane
