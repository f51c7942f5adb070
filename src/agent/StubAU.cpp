#include "agent/StubAU.h"

#include <string>

#include "package/StubGlob.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

OriginalFile OwnOriginalFile(const TGFileInfo& ownPackage) {
  return OriginalFile(GetOriginalFilePath(ownPackage));
}

InfoFile OwnInfoFile(const TGFileInfo& ownPackage) {
  return InfoFile(GetInfoFilePath(ownPackage));
}

// Times and intervals travel as their low 32 bits.
LRESULT Low32(int64_t value) {
  return static_cast<LRESULT>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

int64_t SignExtended32(LPARAM value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

AgentState& Agent() {
  static AgentState state;
  return state;
}

LRESULT AgentCommand(const TGFileInfo& ownPackage, WPARAM subCode, LPARAM value) {
  AgentState& agent = Agent();
  switch (subCode) {
    case kAgentReadVersionOriginal:
      return static_cast<LRESULT>(OwnOriginalFile(ownPackage).GetVersionOriginal());
    case kAgentReadVersionNew:
      return static_cast<LRESULT>(OwnInfoFile(ownPackage).GetVersionNew());
    case kAgentReadPhase:
      return agent.phase;
    case kAgentReadProbeInterval:
      return Low32(OwnOriginalFile(ownPackage).GetProbeSecondsInterval());
    case kAgentReadReAskInterval:
      return Low32(OwnOriginalFile(ownPackage).GetReAskSecondsInterval());
    case kAgentReadProbeLast:
      return Low32(OwnOriginalFile(ownPackage).GetProbeSecondsLast());
    case kAgentReadReAskLast:
      return Low32(OwnOriginalFile(ownPackage).GetReAskSecondsLast());
    case kAgentWriteProbeInterval:
      OwnOriginalFile(ownPackage).SetProbeSecondsInterval(SignExtended32(value));
      return 0;
    case kAgentWriteReAskInterval:
      OwnOriginalFile(ownPackage).SetReAskSecondsInterval(SignExtended32(value));
      return 0;
    case kAgentWriteProbeLast:
      OwnOriginalFile(ownPackage).SetProbeSecondsLast(SignExtended32(value));
      return 0;
    case kAgentWriteReAskLast:
      OwnOriginalFile(ownPackage).SetReAskSecondsLast(SignExtended32(value));
      return 0;
    case kAgentSetLifetime:
      agent.remainingLifetime = static_cast<int32_t>(static_cast<uint32_t>(value));
      return 0;
    case kAgentForceCheck:
      agent.forceCheck = true;
      if (agent.tickCounter < 1)
        agent.tickCounter = 1;
      if (value == 2)
        agent.checkMode = 2;
      return 0;
    case kAgentInfoOnly:
      agent.infoOnlyRequest = true;
      return 0;
    default:
      if (subCode >= kAgentSetOverrideFirst && subCode <= kAgentSetOverrideLast) {
        agent.overrides.fields[subCode - kAgentSetOverrideFirst] =
            static_cast<uint8_t>(static_cast<uintptr_t>(value) & 0xFF);
      }
      return 0;
  }
}

void AgentTick() {
  AgentState& agent = Agent();
  if (agent.busy)
    return;
  agent.busy = true;
  agent.phase = 0;
  if (agent.checkMode == 2)
    agent.checkMode = 1;
  if (agent.checkMode == 1)
    agent.tickCounter = 0;
  if (agent.remainingLifetime == 0)
    ::PostQuitMessage(0);
  if (agent.remainingLifetime >= 0)
    --agent.remainingLifetime;
  ++agent.tickCounter;
  ConsolePidLine(" AutoUpdateTimerCount=" + std::to_string(agent.tickCounter));
  // The scheduled check of a tick whose counter is 1 or more joins here.
  if (agent.tickCounter >= 1 && agent.checkMode == 1)
    agent.checkMode = 0;
  agent.phase = 0;
  agent.busy = false;
}

}  // namespace orvane
