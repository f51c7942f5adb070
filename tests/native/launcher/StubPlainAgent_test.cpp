#include "launcher/StubPlainAgent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

StubIdentity Id(bool agent, const char* own, const char* agentName) {
  return StubIdentity{agent, own, agentName, std::string("C:\\P\\") + own};
}

TEST(StubPlainAgentTest, StartsTheXAgentUnlessOneRunsOrTheNameDiffers) {
  struct Case {
    StubIdentity id;
    bool running;
    const char* restartMark;
    bool start;
  };
  const Case cases[] = {
      {Id(true, "Foo.exe", "Foo.exe"), false, "", true},
      {Id(true, "Foo.exe", "Foo.exe"), true, "", false},
      // The restart starts a new X_ agent although one runs; only "99" does.
      {Id(true, "Foo.exe", "Foo.exe"), true, "99", true},
      {Id(true, "Foo.exe", "Foo.exe"), true, "099", false},
      {Id(true, "Foo.exe", "Foo.exe"), true, "1", false},
      {Id(true, "Foo.exe", "Foo.exe"), false, "7", true},
      // The own name must be the agent file name (trimmed, any case).
      {Id(true, " foo.EXE ", "Foo.exe"), false, "", true},
      {Id(true, "Bar.exe", "Foo.exe"), false, "", false},
      {Id(true, "Bar.exe", "Foo.exe"), true, "99", false},
      // Without the agent flag there is nothing to check.
      {Id(false, "Bar.exe", "Foo.exe"), true, "", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShouldStartXAgent(c.id, c.running, c.restartMark), c.start)
        << c.id.ownName << " running=" << c.running << " mark=" << c.restartMark;
  }
}

TEST(StubPlainAgentTest, XAgentCommandLineCarriesTheOverrideTextAndTheDelay) {
  const struct {
    const char* tail;
    const char* commandLine;
  } cases[] = {
      // The path holds a blank: quoted, so that nothing else can run as "C:\P".
      {"", "\"C:\\P Q\\X_Foo.exe\""},
      {"/STOP=0", "\"C:\\P Q\\X_Foo.exe\""},
      {"/TRANSIENT=|1|0|255|", "\"C:\\P Q\\X_Foo.exe\" /TRANSIENTx=|1|0|255|"},
      {"/DELAY=30", "\"C:\\P Q\\X_Foo.exe\" /SleepX=30"},
      // Both, in this order whatever their order on the command line; the
      // delay is handed on as it is.
      {"/delay = abc /_ZZ=99 /WAIT=10 /TRANSIENT=|1|",
       "\"C:\\P Q\\X_Foo.exe\" /TRANSIENTx=|1| /SleepX=abc"},
      {"/TRANSIENT= /DELAY=", "\"C:\\P Q\\X_Foo.exe\""},
      // Only /TRANSIENT= itself is handed on, not an X_ agent's /TRANSIENTx=.
      {"/TRANSIENTx=|1|", "\"C:\\P Q\\X_Foo.exe\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(XAgentCommandLine("C:\\P Q\\X_Foo.exe", c.tail), c.commandLine) << c.tail;
  // Without a blank the path stays as it is.
  EXPECT_EQ(XAgentCommandLine("C:\\PQ\\X_Foo.exe", "/DELAY=1"), "C:\\PQ\\X_Foo.exe /SleepX=1");
}

// Records what reaches the agent log and the X_ agent's window, in order:
// "trace: ..." and "post: KIND value clientMessage".
class Recorder final : public AgentRequestSink {
 public:
  bool windowFound = true;
  std::vector<std::string> events;

  bool Post(const AgentRequest& r) override {
    static const char* const kNames[] = {"ShutDown", "LocalMsg", "ForceCheck"};
    if (!r.trace.empty())
      events.push_back("trace: " + std::string(r.trace));
    events.push_back(std::string("post: ") + kNames[static_cast<int>(r.kind)] + " " +
                     std::to_string(r.value) + " " + std::to_string(r.clientMessage));
    return windowFound;
  }
};

TEST(StubPlainAgentTest, RequestsFromTheCommandTailAreTracedThenPosted) {
  const std::string stop = "trace: PostProcessMessage(wm_ShutDown) to: C:\\P\\X_Foo.exe";
  const std::string local = "trace: PostProcessMessage(wm_LocalMsg) to: C:\\P\\X_Foo.exe - ";
  const std::string check =
      "trace: PostProcessMessage(wm_AgentMsg) to: C:\\P\\X_Foo.exe - AU_PerformUpdateCycle ";
  struct Case {
    const char* tail;
    bool xFileExists;
    bool xExeIsRunning;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"", true, true, {}},
      {"/STOP=0", true, true, {stop, "post: ShutDown 0 0"}},
      {"/STOP=5", true, false, {stop, "post: ShutDown 5 0"}},
      {"/STOP=-1", true, true, {}},
      {"/STOP=abc", true, true, {}},
      {"/STOP=0", false, true, {}},  // no X_ file: nothing is sent
      {"/WM_MSG=4660:77", true, true, {local + ":4660:77:", "post: LocalMsg 4660 77"}},
      {"/WM_MSG=4660", true, true, {local + ":4660:", "post: LocalMsg 4660 0"}},
      {"/WM_MSG=x:9:8", true, true, {local + ":x:9:8:", "post: LocalMsg 0 9"}},
      {"/WM_MSG=", true, true, {}},
      {"/TEST=0", true, false, {check + "(0)", "post: ForceCheck 0 0"}},
      // An X_ agent started only for the check ends two ticks later.
      {"/TEST=1", true, false, {check + "(1)", "post: ForceCheck 1 0", "post: ShutDown 2 0"}},
      {"/TEST=2", true, true, {check + "(2)", "post: ForceCheck 2 0"}},
      // All of them, in their order whatever the order of the switches.
      {"/TEST=7 /wm_msg = 1:2 /Stop=3",
       true,
       false,
       {stop, "post: ShutDown 3 0", local + ":1:2:", "post: LocalMsg 1 2", check + "(7)",
        "post: ForceCheck 7 0", "post: ShutDown 2 0"}},
      {"/TEST=1 /WM_MSG=1:2 /STOP=3", false, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    Recorder recorder;
    EXPECT_EQ(
        ForwardAgentRequests(c.tail, "C:\\P\\X_Foo.exe", c.xFileExists, c.xExeIsRunning, recorder),
        !c.events.empty());
    EXPECT_EQ(recorder.events, c.events);
  }
}

TEST(StubPlainAgentTest, NothingCountsAsPostedWhenTheWindowIsMissing) {
  Recorder recorder;
  recorder.windowFound = false;
  EXPECT_FALSE(ForwardAgentRequests("/STOP=0 /TEST=1", "C:\\X_Foo.exe", true, false, recorder));
  EXPECT_EQ(recorder.events.size(), 5u) << "every request is still tried";
}

}  // namespace
}  // namespace orvane
