#include "agent/StubAU.h"

#include <string>

#include "agent/InetHTTP.h"
#include "agent/StubAUFiles.h"
#include "package/StubGlob.h"
#include "ui/ZMsgBox.h"
#include "util/DateText.h"
#include "util/NumberText.h"
#include "util/Registry.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"

namespace orvane {

using namespace std::literals;

namespace {

constexpr char kTestModeKey[] = "HKEY_CURRENT_USER\\Software\\Dellomir\\Orvane\\AutoUpdate";
constexpr uint32_t kTestModeRereadMs = 30000;

AgentHost* g_host = nullptr;

// Times and intervals travel as their low 32 bits.
LRESULT Low32(int64_t value) {
  return static_cast<LRESULT>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

int64_t SignExtended32(LPARAM value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The services of a tick: the agent's own operations below.
class AgentTickSystem final : public AgentTickServices {
 public:
  void SetMsgBoxFontFromProduct() override {
    const OriginalFile original = AgentOriginalFile();
    SetMsgBoxFont(original.GetMsgBoxFontName(), original.GetMsgBoxFontSize(),
                  original.GetMsgBoxCharset());
  }
  void PostQuit() override { ::PostQuitMessage(0); }
  void Console(std::string_view text) override {
    // Lines that start with a blank carry the process id.
    if (!text.empty() && text.front() == ' ')
      ConsolePidLine(text);
    else
      ConsoleLine(text);
  }
  void CheckTestMode(bool force) override { orvane::CheckTestMode(force); }
  ScheduleValues ReadSchedule() override {
    const OriginalFile original = AgentOriginalFile();
    ScheduleValues schedule;
    schedule.probeSecondsInterval = original.GetProbeSecondsInterval();
    schedule.probeSecondsLast = original.GetProbeSecondsLast();
    schedule.secondsNow = SecondsNow();
    schedule.testMode = Agent().testMode;
    return schedule;
  }
  bool AskBeforeCheck() override;
  void PerformShot() override { orvane::PerformShot(); }
  void JustDownloadInfoFile() override { orvane::JustDownloadInfoFile(); }
};

bool AgentTickSystem::AskBeforeCheck() {
  const bool testMode = orvane::CheckTestMode(true);
  const std::string location =
      testMode ? Agent().testUrl : AgentHostRef().OwnPackage().GetInfoUrl();
  const OriginalFile original = AgentOriginalFile();
  return AgentYesNo(kMsgOwnerPlain, AskBeforeCheckText(original.GetAgentString("s22"sv),
                                                       original.GetAgentString("s23"sv),
                                                       original.GetAgentString("s24"sv), location,
                                                       testMode, original.GetProgramName()));
}

}  // namespace

void SetAgentHost(AgentHost& host) {
  g_host = &host;
}

AgentHost& AgentHostRef() {
  return *g_host;
}

bool HasAgentHost() {
  return g_host != nullptr;
}

void AgentError(std::string_view text) {
  const OriginalFile original = AgentOriginalFile();
  MsgError(kMsgOwnerHeading, text, original.GetMsgBoxError(), original.GetMsgBoxButtons(),
           original.GetMsgBoxCharset());
}

void AgentAttention(uintptr_t ownerCode, std::string_view text) {
  const OriginalFile original = AgentOriginalFile();
  MsgAttention(static_cast<int>(ownerCode), text, original.GetMsgBoxAttention(),
               original.GetMsgBoxButtons(), original.GetMsgBoxCharset());
}

bool AgentYesNo(uintptr_t ownerCode, std::string_view text) {
  const OriginalFile original = AgentOriginalFile();
  return MsgYesNo(static_cast<int>(ownerCode), text, original.GetMsgBoxConfirm(),
                  original.GetMsgBoxButtons(), original.GetMsgBoxCharset());
}

AgentState& Agent() {
  static AgentState state;
  return state;
}

LRESULT AgentCommand(const TGFileInfo& ownPackage, WPARAM subCode, LPARAM value) {
  AgentState& agent = Agent();
  const OriginalFile original(GetOriginalFilePath(ownPackage));
  switch (subCode) {
    case kAgentReadVersionOriginal:
      return Low32(original.GetVersionOriginal());
    case kAgentReadVersionNew:
      return Low32(InfoFile(GetInfoFilePath(ownPackage)).GetVersionNew());
    case kAgentReadPhase:
      return agent.phase;
    case kAgentReadProbeInterval:
      return Low32(original.GetProbeSecondsInterval());
    case kAgentReadReAskInterval:
      return Low32(original.GetReAskSecondsInterval());
    case kAgentReadProbeLast:
      return Low32(original.GetProbeSecondsLast());
    case kAgentReadReAskLast:
      return Low32(original.GetReAskSecondsLast());
    case kAgentWriteProbeInterval:
      original.SetProbeSecondsInterval(SignExtended32(value));
      return 0;
    case kAgentWriteReAskInterval:
      original.SetReAskSecondsInterval(SignExtended32(value));
      return 0;
    case kAgentWriteProbeLast:
      original.SetProbeSecondsLast(SignExtended32(value));
      return 0;
    case kAgentWriteReAskLast:
      original.SetReAskSecondsLast(SignExtended32(value));
      return 0;
    case kAgentSetLifetime:
      agent.remainingLifetime = static_cast<int32_t>(static_cast<uint32_t>(value));
      return 0;
    case kAgentForceCheck:
      agent.forceCheck = true;
      if (agent.tickCounter < 1)
        agent.tickCounter = 1;
      if (value == kCheckByUserPending)
        agent.checkMode = kCheckByUserPending;
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
  if (!HasAgentHost())
    return;
  AgentTickSystem system;
  RunAgentTick(Agent(), system);
}

bool CheckTestMode(bool force) {
  AgentState& agent = Agent();
  const uint32_t now = ::GetTickCount();
  if (force || now - agent.lastTestModeCall > kTestModeRereadMs) {
    const std::string today = DateStamp(-1, LocalMomentNow);
    agent.testMode = TestModeOn(ReadRegString(kTestModeKey, "TestMode"sv, "0"sv),
                                ReadRegString(kTestModeKey, "TestModeDate"sv, ""sv), today);
    agent.testUrl = ReadRegString(kTestModeKey, "TestModeURL"sv, ""sv);
  }
  agent.lastTestModeCall = now;
  return agent.testMode;
}

bool JustDownloadInfoFile() {
  AgentHost& host = AgentHostRef();
  const TGFileInfo& own = host.OwnPackage();
  host.NotifyClient(kNotifyInfoDownload, 1);
  std::string error;
  const bool ok = DownloadFileAU(own.GetInfoUrl(), own.GetInfoFileName(), kFileInfo, error);
  host.NotifyClient(kNotifyInfoDownload, 2);
  return ok;
}

void PerformShot() {
  AgentState& agent = Agent();
  AgentHost& host = AgentHostRef();
  const TGFileInfo& own = host.OwnPackage();
  ConsolePidLine(Cat({" Fire  "sv, TimeStamp(-1, " "sv, LocalMomentNow)}));
  CheckTestMode(true);

  agent.phase = kPhaseChecking;
  host.NotifyClient(kNotifyInfoDownload, 1);
  std::string error;
  const bool infoOk = DownloadFileAU(own.GetInfoUrl(), own.GetInfoFileName(), kFileInfo, error);
  host.NotifyClient(kNotifyInfoDownload, 2);

  const OriginalFile original = AgentOriginalFile();
  const int64_t now = SecondsNow();
  original.SetProbeSecondsLast(now);

  int code = 0;
  std::string reason;
  bool acted = false;
  if (GetOkToPerformAU(infoOk, code, reason)) {
    acted = true;
    ConsolePidLine(" ==== PerformShot-1 ===="sv);
    original.SetReAskSecondsLast(now);
    const InfoFile info = AgentInfoFile();
    original.SetStamp(info.GetStamp());
    if (info.IsAutoInform()) {
      PerformAutoInform();
    } else if (PerformAutoUpdate()) {
      ReStartAutoUpdateExe();
    }
    ConsolePidLine(" ==== PerformShot-2 ===="sv);
  }

  if (agent.checkMode != kCheckByUser)
    return;
  YieldWait(1000);
  ::ShowWindow(host.MainWindow(), SW_HIDE);
  if (acted)
    return;
  std::string connectionError;
  const bool connected = HTTP_InternetConnected(connectionError);
  ConsolePidLine(Cat(
      {" TestMode="sv, BoolText(agent.testMode), " InternetConnected="sv, BoolText(connected)}));
  if (!agent.testMode && !connected) {
    std::string text = original.GetAgentString("s2"sv);
    if (!connectionError.empty())
      text.append("<P><P>"sv).append(connectionError);
    AgentError(text);
  } else if (!agent.testMode && !error.empty()) {
    AgentError(error);
  } else {
    // The product's name, as in the question before the check.
    AgentAttention(kMsgOwnerPlain, NothingToDoText(ReplaceProgName(original.GetAgentString("s21"sv),
                                                                   original.GetProgramName()),
                                                   IsDeveloperMode(), code));
  }
}

}  // namespace orvane
