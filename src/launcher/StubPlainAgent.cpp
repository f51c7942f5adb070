#include "launcher/StubPlainAgent.h"

#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsSwitch.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {

bool ShouldStartXAgent(const StubIdentity& id, bool xExeIsRunning, std::string_view restartMark) {
  if (!id.agentFlag)
    return true;
  if (xExeIsRunning && restartMark != kRestartMark)
    return false;
  return SameTextTrim(id.ownName, id.agentFileName);
}

std::string XAgentCommandLine(std::string_view xPath, std::string_view tail) {
  std::string commandLine = ProgramPathForCommandLine(xPath);
  const std::string transient = GetSwitch(tail, "/TRANSIENT=", {});
  if (!transient.empty())
    commandLine.append(" /TRANSIENTx=").append(transient);
  const std::string delay = GetSwitch(tail, "/DELAY=", {});
  if (!delay.empty())
    commandLine.append(" /SleepX=").append(delay);
  return commandLine;
}

bool ForwardAgentRequests(std::string_view tail, std::string_view xPath, bool xFileExists,
                          bool xExeIsRunning, AgentRequestSink& sink) {
  if (!xFileExists)
    return false;
  bool posted = false;
  std::string trace;
  // Starts the trace line of a message to the X_ agent.
  const auto traceFor = [&](std::string_view messageName) -> std::string& {
    return trace.assign("PostProcessMessage(").append(messageName).append(") to: ").append(xPath);
  };
  const int64_t stop = GetSwitchInt(tail, "/STOP=", -1);
  if (stop >= 0)
    posted |= sink.Post({AgentRequestKind::ShutDown, stop, 0, traceFor("wm_ShutDown")});
  std::string local = GetSwitch(tail, "/WM_MSG=", {});
  if (!local.empty()) {
    local.insert(0, 1, ':').push_back(':');
    traceFor("wm_LocalMsg").append(" - ").append(local);
    posted |= sink.Post(
        {AgentRequestKind::LocalMsg, SUB::GetInt(local, 0, 0), SUB::GetInt(local, 1, 0), trace});
  }
  const int64_t test = GetSwitchInt(tail, "/TEST=", -1);
  if (test >= 0) {
    traceFor("wm_AgentMsg")
        .append(" - AU_PerformUpdateCycle (")
        .append(ZeroPad(test, 1))
        .append(")");
    posted |= sink.Post({AgentRequestKind::ForceCheck, test, 0, trace});
    if (!xExeIsRunning && test > 0)
      posted |= sink.Post({AgentRequestKind::ShutDown, 2, 0, {}});
  }
  return posted;
}

}  // namespace orvane
