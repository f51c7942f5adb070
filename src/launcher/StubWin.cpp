#include "launcher/StubWin.h"

#include <windows.h>

#include "launcher/StubSetup.h"
#include "launcher/StubWinMain.h"
#include "launcher/ZDebug.h"
#include "util/Files.h"
#include "util/Utils.h"
#include "util/UtilsText.h"

namespace orvane {

namespace {

uint32_t g_exitCode = 0;

// Opens the own package and takes from it what the role choice needs. An
// executable without a package reads as a setup launcher with all flags clear.
void OpenOwnPackage(StartupState& state) {
  state.identity.ownPath = OwnPath();
  state.identity.ownName = OwnFileName();
  state.ownPackage = std::make_unique<TGFileInfo>(TGFileInfo::Create(state.identity.ownPath));
  const TGFileInfo& package = *state.ownPackage;
  state.identity.agentFlag = package.GetAgentFlag();
  state.identity.agentFileName = package.GetAgentFileName();
  state.relaunchFlag = package.GetRelaunchFromTemp();
  SetTraceOn(package.GetAgentFlag() && package.GetAgentLog());
}

bool TopLevelWindowExists(const std::string& className) {
  return ::FindWindowA(className.c_str(), nullptr) != nullptr;
}

// The bodies of the roles. The setup launcher and the X_ agent run the main
// window; the plain agent's copying and forwarding and the X_ agent's test
// mode and self-deletion arrive with the agent; until then those steps only
// trace and end cleanly.
void RunPlainAgent() {
  AgentLog("CreateAndRun_X_Exe() --- Start");
  AgentLog("CreateAndRun_X_Exe() --- End");
}

void RunXAgent() {
  AgentLog("CheckTestMode");
  AgentLog("WinMain");
  RunMainWindow();
  AgentLog("DeleteMySelf");
}

void RunRelaunch() {
  AgentLog("RelaunchFromTemp");
  RelaunchFromTemp();
}

// The relaunched copy (/SpanCdLvl=2) runs from the working folder and removes
// itself and that folder once it has ended.
void RunSetupLauncher() {
  RunMainWindow();
  if (GetSwitchInt("/SpanCdLvl=", 1) == 2)
    DeleteMySelf(true, false);
}

void HandleParamOK(bool /*xExeIsRunning*/) {
  AgentLog("HandleParamOK() --- Start");
  AgentLog("HandleParamOK() --- End");
}

}  // namespace

StartupState& Startup() {
  static StartupState state;
  return state;
}

const TGFileInfo& OwnPackage() {
  static const TGFileInfo empty;
  const StartupState& state = Startup();
  return state.ownPackage ? *state.ownPackage : empty;
}

void SetProcessExitCode(uint32_t code) {
  g_exitCode = code;
}
uint32_t ProcessExitCode() {
  return g_exitCode;
}

void DoRunStubWin() {
  StartupState& state = Startup();
  const StubIdentity& id = state.identity;
  AgentLog("DoRunStubWin() --- Start");
  state.instanceKey = InstanceKey(id);
  state.xExeIsRunning = TopLevelWindowExists(XAgentWindowClass(id));
  AgentLog("X_ExeIsRunning=" + BoolText(state.xExeIsRunning));
  AgentLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(ThisIsPlainAgent(id)));
  AgentLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(ThisIsXAgent(id)));

  // A running instance of the same role owns the work; this one only traces.
  if (!TopLevelWindowExists(state.instanceKey)) {
    switch (ChooseStubRole(id, GetSwitchInt("/SpanCdLvl=", 1), state.relaunchFlag)) {
      case StubRole::PlainAgent:
        RunPlainAgent();
        break;
      case StubRole::XAgent:
        RunXAgent();
        break;
      case StubRole::Relaunch:
        RunRelaunch();
        break;
      case StubRole::SetupLauncher:
        RunSetupLauncher();
        break;
    }
  }
  if (ThisIsPlainAgent(id))
    HandleParamOK(state.xExeIsRunning);
  AgentLog("DoRunStubWin() --- End");
}

uint32_t RunStub() {
  const std::string commandLine = ::GetCommandLineA();
  ConsolePidLine(" ==== STUB START ====> " + commandLine + "<");

  StartupState& state = Startup();
  OpenOwnPackage(state);
  if (ThisIsXAgent(state.identity))
    SetLogPrefix(" X ");

  AgentLog("");
  AgentLog("");
  AgentLog("=== START === " + state.identity.ownPath);
  AgentLog("CommandLine=" + commandLine);
  AgentLog("Agent Version=" + GetExeVersion(state.identity.ownPath, 1, 4));
  ConsolePidLine(" ==== ThisIs_AutoUpdateProg=" + BoolText(state.identity.agentFlag));

  DoRunStubWin();
  state.ownPackage.reset();

  ConsolePidLine(" ==== STUB END ====> " + commandLine + "<");
  ConsoleLine("");
  AgentLog("=== EXIT === " + state.identity.ownPath);
  AgentLog("");
  return ProcessExitCode();
}

}  // namespace orvane
