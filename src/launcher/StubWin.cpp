#include "launcher/StubWin.h"

#include <windows.h>

#include "agent/StubAU.h"
#include "launcher/StubPlainAgent.h"
#include "launcher/StubSetup.h"
#include "launcher/StubSetupText.h"
#include "launcher/StubWinMain.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "package/PackXWin.h"
#include "ui/ZMsgBox.h"
#include "util/Fatal.h"
#include "util/Files.h"
#include "util/NumberText.h"
#include "util/Process.h"
#include "util/ProcessViewer.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

uint32_t g_exitCode = 0;

// The fatal path tells the user in the launcher's own error box; a hidden
// run only traces it, since a box there would wait for nobody.
class LauncherFatalReporter final : public FatalReporter {
 public:
  void ShowFatal(const std::string& text) override { ReportError(hidden, text); }
  bool hidden = false;
};

// Opens the own package and takes from it what the role choice needs. An
// executable without a package reads as a setup launcher with all flags clear.
void OpenOwnPackage(StartupState& state) {
  state.identity.ownPath = OwnPath();
  state.identity.ownName = OwnFileName();
  state.ownPackage = std::make_unique<TGFileInfo>(ReadPackageInfo(state.identity.ownPath));
  const TGFileInfo& package = *state.ownPackage;
  state.identity.agentFlag = package.GetAgentFlag();
  state.identity.agentFileName = package.GetAgentFileName();
  state.relaunchFlag = package.GetRelaunchFromTemp();
  SetTraceOn(package.GetAgentFlag() && package.GetAgentLog());
}

bool TopLevelWindowExists(const std::string& className) {
  return ::FindWindowA(className.c_str(), nullptr) != nullptr;
}

// The X_ agent's file: "X_" + the own name, beside the own executable.
std::string XAgentPath() {
  return OwnDir(true) + "X_" + Startup().identity.ownName;
}

// The bodies of the roles. The setup launcher and the X_ agent run the main
// window; the X_ agent reads its test mode first.
//
// The plain agent ("CreateAndRun_X_Exe()"): writes the X_ copy of itself and
// starts it hidden, unless an X_ agent runs already (/_ZZ=99, the restart,
// starts one anyway). Copy and start failures are not reported. When the
// plain agent was given switches, it waits up to 3 seconds for the X_
// process to appear, so that the requests it forwards next find it.
void RunPlainAgent() {
  const StartupState& state = Startup();
  AgentLog("CreateAndRun_X_Exe() --- Start");
  const std::string restartMark = GetSwitch("/_ZZ=", "");
  ConsolePidLine(" CreateAndRun_X_Exe-1 " + restartMark);
  if (ShouldStartXAgent(state.identity, state.xExeIsRunning, restartMark)) {
    ConsolePidLine(" CreateAndRun_X_Exe-2");
    const int64_t wait = GetSwitchInt("/WAIT=", 0);
    AgentLog("Wait " + ZeroPad(static_cast<int32_t>(wait), 1) + " SEC");
    if (wait > 0)  // at most what a 32-bit millisecond count holds
      YieldWait(static_cast<uint32_t>(wait < 4000000 ? wait : 4000000) * 1000u);

    const std::string x = XAgentPath();
    ::CopyFileA(state.identity.ownPath.c_str(), x.c_str(), FALSE);
    AgentLog("Create X_ File ");
    const std::string tail = CommandTail();
    const std::string commandLine = XAgentCommandLine(x, tail);
    AgentLog("WinExec: " + commandLine);
    ::WinExec(commandLine.c_str(), SW_HIDE);

    if (!tail.empty()) {
      const DWORD start = ::GetTickCount();
      do {
        YieldWait(200);
        if (IsProcessRunning(x))
          break;
      } while (::GetTickCount() - start <= 3000);
    }
  }
  AgentLog("CreateAndRun_X_Exe() --- End");
}

// The X_ copy is written afresh by every plain agent that starts one, so it
// removes itself when it ends (its folder is the product's and stays).
//
// It takes the override text its plain agent handed on (/TRANSIENTx=), so
// that overrides set by the product survive the agent's restart after an
// update.
void RunXAgent() {
  const std::string transient = GetSwitch("/TRANSIENTx=", "");
  if (!transient.empty())
    ReadOverrideText(transient, Agent().overrides);
  AgentLog("CheckTestMode");
  CheckTestMode(true);
  AgentLog("WinMain");
  RunMainWindow();
  AgentLog("DeleteMySelf");
  DeleteMySelf(false, false);
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

// The plain agent's requests go to the agent log and, as private messages,
// to the main window of the process that runs the X_ agent's file.
class XAgentPoster final : public AgentRequestSink {
 public:
  explicit XAgentPoster(const std::string& xPath) : xPath_(xPath) {}

  bool Post(const AgentRequest& request) override {
    if (!request.trace.empty())
      AgentLog(request.trace);
    UINT message = wm_ShutDown;
    WPARAM wParam = static_cast<WPARAM>(request.value);
    LPARAM lParam = 0;
    if (request.kind == AgentRequestKind::LocalMsg) {
      message = wm_LocalMsg;
      lParam = static_cast<LPARAM>(request.clientMessage);
    } else if (request.kind == AgentRequestKind::ForceCheck) {
      message = wm_AgentMsg;
      wParam = kAgentForceCheck;
      lParam = static_cast<LPARAM>(request.value);
    }
    // The X_ agent's own window, known by its class: while the agent shows a
    // box, that box scores as the process's main window and would swallow
    // the request (a /STOP= would be lost).
    const DWORD pid = FindProcessId(xPath_, false, false);
    const std::string windowClass = XAgentWindowClass(Startup().identity);
    for (HWND window = ::FindWindowExA(nullptr, nullptr, windowClass.c_str(), nullptr);
         window != nullptr && pid != 0;
         window = ::FindWindowExA(nullptr, window, windowClass.c_str(), nullptr)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == pid)
        return ::PostMessageA(window, message, wParam, lParam) != 0;
    }
    return PostToProcessWindow(xPath_, false, message, wParam, lParam);
  }

 private:
  const std::string& xPath_;
};

// The plain agent forwards the requests of its command line to the X_
// agent's main window (messages to an X_ agent without a window are
// dropped) and reads a /TRANSIENTx= override text. True when at least one
// message was posted.
bool HandleParamOK(bool xExeIsRunning) {
  AgentLog("HandleParamOK() --- Start");
  const std::string x = XAgentPath();
  XAgentPoster poster(x);
  const bool posted = ForwardAgentRequests(CommandTail(), x, FileExists(x), xExeIsRunning, poster);
  const std::string transient = GetSwitch("/TRANSIENTx=", "");
  if (!transient.empty())
    ReadOverrideText(transient, Agent().overrides);
  AgentLog("HandleParamOK() --- End");
  return posted;
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

  // A running instance of the same role owns the work; this one only traces
  // and, as an installer, says that it installed nothing.
  const StubRole role = ChooseStubRole(id, GetSwitchInt("/SpanCdLvl=", 1), state.relaunchFlag);
  if (TopLevelWindowExists(state.instanceKey)) {
    if (role == StubRole::SetupLauncher || role == StubRole::Relaunch) {
      ConsolePidLine(" This installer runs already.");
      SetProcessExitCode(kExitAlreadyRunning);
    }
  } else {
    switch (role) {
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
  static LauncherFatalReporter fatalReporter;
  SetFatalReporter(&fatalReporter);
  pack::SeedUnverifiedTokenNumbers(static_cast<uint64_t>(RandomInRange(INT64_MIN, INT64_MAX)));
  const std::string commandLine = ::GetCommandLineA();
  ConsolePidLine(" ==== STUB START ====> " + commandLine + "<");

  StartupState& state = Startup();
  OpenOwnPackage(state);
  fatalReporter.hidden = RunsHidden();
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
