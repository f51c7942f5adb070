// StubRole: which of the four process roles the running executable plays,
// and the instance key (its main window's class name) that keeps a second
// process of the same role from doing the work twice.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

enum class StubRole {
  PlainAgent,     // the agent under its own name: starts/steers the X_ agent
  XAgent,         // "X_" + agent name: the hidden agent window
  Relaunch,       // a setup launcher on spanned media that reruns from Temp
  SetupLauncher,  // everything else (also the relaunched copy)
};

struct StubIdentity {
  bool agentFlag = false;     // the own package says "agent"
  std::string ownName;        // N: file-name part of the own executable
  std::string agentFileName;  // G: the agent file name the package names
  std::string ownPath;        // full path of the own executable
};

bool ThisIsPlainAgent(const StubIdentity& id);
bool ThisIsXAgent(const StubIdentity& id);

// spanCdLevel: value of /SpanCdLvl= (1 when absent); relaunchFlag: trailer
// flag bit 2 of the own package.
StubRole ChooseStubRole(const StubIdentity& id, long long spanCdLevel, bool relaunchFlag);

// ".AutoUpdate." + N without extension for an agent; the own path otherwise.
std::string InstanceKey(const StubIdentity& id);

// The X_ agent's window class: ".AutoUpdate.X_" + G without extension.
std::string XAgentWindowClass(const StubIdentity& id);

}  // namespace orvane
