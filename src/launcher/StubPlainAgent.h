// StubPlainAgent: the portable rules of the plain agent.
//
// The plain agent is the auto-update agent under its own file name. It does
// no work itself: it writes the X_ copy beside itself and starts it hidden
// (unless an X_ agent runs already), and it passes the requests of its
// command line (/STOP=, /WM_MSG=, /TEST=) on to the X_ agent's main window
// as private messages. The Windows side (StubWin) copies, starts and posts;
// these functions decide what, and in which order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "launcher/StubRole.h"

namespace orvane {

// The /_ZZ= value with which the restarted plain agent writes and starts a
// new X_ agent although one runs.
constexpr std::string_view kRestartMark = "99";

// Whether the plain agent writes and starts the X_ agent. With the agent
// flag: not while an X_ agent runs (unless `restartMark` is exactly "99"),
// and only when the own name is the agent file name.
bool ShouldStartXAgent(const StubIdentity& id, bool xExeIsRunning, std::string_view restartMark);

// The X_ agent's command line: `xPath` (quoted when it holds a blank), then " /TRANSIENTx="
// and the value of /TRANSIENT= of the command tail `tail` when that is not
// empty, then " /SleepX=" and the value of /DELAY= when that is not empty.
std::string XAgentCommandLine(std::string_view xPath, std::string_view tail);

// A message for the X_ agent's main window.
enum class AgentRequestKind {
  ShutDown,    // wm_ShutDown: `value` is the agent's remaining lifetime in ticks
  LocalMsg,    // wm_LocalMsg: `value` is the client window, `clientMessage` its message
  ForceCheck,  // wm_AgentMsg with the forced-check command: `value` is its value
};

struct AgentRequest {
  AgentRequestKind kind = AgentRequestKind::ShutDown;
  int64_t value = 0;
  int64_t clientMessage = 0;
  std::string_view trace;  // the agent-log line before posting (empty: none)
};

// Where the requests go; implemented by the caller.
class AgentRequestSink {
 public:
  // Writes the request's trace line, then posts the request to the X_
  // agent's main window; true when the window was found and took it.
  virtual bool Post(const AgentRequest& request) = 0;

 protected:
  ~AgentRequestSink() = default;
};

// Hands the requests of the command tail `tail` for the X_ agent `xPath` to
// `sink`, in this order; nothing when the file `xPath` does not exist. True
// when at least one was posted.
//   /STOP=n (n >= 0): ShutDown n.
//   /WM_MSG=h:m (not empty): LocalMsg h, m; a missing or non-numeric part is 0.
//   /TEST=t (t >= 0): ForceCheck t; then, when no X_ agent ran at the start
//   (`xExeIsRunning` false) and t > 0, ShutDown 2 without a trace line, so
//   that an X_ agent started only for this check ends two ticks later.
bool ForwardAgentRequests(std::string_view tail, std::string_view xPath, bool xFileExists,
                          bool xExeIsRunning, AgentRequestSink& sink);

}  // namespace orvane
