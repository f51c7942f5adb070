// StubAURules: the pure decisions of the auto-update agent, apart from the
// files, windows and downloads they are made about, so that they run natively
// against plain values.
//
// - The agent's state and its tick handler: one tick counts, ends the agent
//   when its lifetime runs out, asks the schedule whether a check is due and
//   runs it. The tick reaches the system through AgentTickServices.
// - The schedule: whether a check is due from the interval and the time of
//   the last check.
// - The eligibility staircase: whether fresh update information calls for
//   action, with the reason code and text.
// - The texts the agent assembles from the product's strings: the notices of
//   the update cycle, the question before a check, the report of a check the
//   user asked for, the download failure messages.
// - The shut-down method named by the update information, and the command
//   lines with which the agent starts the product and its successor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "package/StubGlobRules.h"

namespace orvane {

// ---------------------------------------------------------------------------
// Agent state

// Initial tick counter: the first check is considered at the fourth tick.
constexpr int32_t kAgentInitialTickCounter = -3;
// Remaining lifetime that never runs out.
constexpr int32_t kAgentUnlimitedLifetime = -1;

// Check modes.
constexpr int kCheckScheduled = 0;
constexpr int kCheckByUser = 1;         // asked for by the user: answered with messages
constexpr int kCheckByUserPending = 2;  // asked for; becomes kCheckByUser at the next tick

// Agent phases, as a client reads them.
constexpr int kPhaseIdle = 0;
constexpr int kPhaseChecking = 1;
constexpr int kPhaseDownloading = 2;
constexpr int kPhaseInstalling = 3;

struct AgentState {
  int checkMode = kCheckScheduled;
  // Counts ticks; checks are considered once it is 1 or more after a tick's increment.
  int32_t tickCounter = kAgentInitialTickCounter;
  // Ticks until the agent quits; kAgentUnlimitedLifetime for never.
  int32_t remainingLifetime = kAgentUnlimitedLifetime;
  bool scheduledChecksOn = true;
  bool forceCheck = false;
  bool infoOnlyRequest = false;
  bool busy = false;  // the tick handler runs (further ticks are no-ops)
  int phase = kPhaseIdle;
  bool testMode = false;
  std::string testUrl;
  uint32_t lastTestModeCall = 0;  // system tick count (ms) of the last CheckTestMode
  TransientOverrides overrides;
};

// ---------------------------------------------------------------------------
// Schedule

// Check statuses.
constexpr int kShotNone = 0;
constexpr int kShotDue = 1;
constexpr int kShotOnce = 2;  // due, and the only scheduled check of this run

struct ScheduleValues {
  int64_t probeSecondsInterval = 0;  // -1 never, 0 once per run, n every n seconds
  int64_t probeSecondsLast = 0;
  int64_t secondsNow = 0;
  bool testMode = false;  // checks every 5 seconds
};

// Whether a check is due (kShotNone, kShotDue, kShotOnce) and clears the
// force flag. Only with scheduled checks on or a forced check: due once
// `secondsNow` has reached the last check + the interval (5 seconds in test
// mode); an interval of 0 makes it the run's one check, -1 never; a forced
// check is always due.
int GetShotTimeStatus(AgentState& state, const ScheduleValues& schedule);

// ---------------------------------------------------------------------------
// Tick handler

// What a tick does to the world; implemented by the agent (and by tests).
class AgentTickServices {
 public:
  virtual void SetMsgBoxFontFromProduct() = 0;
  virtual void PostQuit() = 0;
  virtual void Console(std::string_view text) = 0;  // a console trace line
  // Reads the test mode (from the registry at most every 30 s unless forced).
  virtual void CheckTestMode(bool force) = 0;
  virtual ScheduleValues ReadSchedule() = 0;
  // The question before a check; false when the user declined it.
  virtual bool AskBeforeCheck() = 0;
  virtual void PerformShot() = 0;
  virtual void JustDownloadInfoFile() = 0;

 protected:
  ~AgentTickServices() = default;
};

// One timer tick. Re-entered ticks (while a check pumps messages) do
// nothing. An info-only request fetches the ".info" file and nothing else.
// Otherwise: a pending check asked for by the user becomes one and restarts
// the counter; at a remaining lifetime of 0 the agent quits, a lifetime of 0
// or more counts down (coming to rest at -1); the counter goes up and, from
// 1 on, the schedule decides whether to check (asking first when the user
// asked for the check or the override says so). The phase is idle after it.
void RunAgentTick(AgentState& state, AgentTickServices& services);

// ---------------------------------------------------------------------------
// Eligibility

// Reason codes: the number of tests passed.
constexpr int kEligibleInfoMissing = 0;
constexpr int kEligibleNoOriginal = 1;
constexpr int kEligibleTooEarly = 2;
constexpr int kEligibleNotHigher = 3;
constexpr int kEligibleNotValidFor = 4;
constexpr int kEligibleSizeError = 5;
constexpr int kEligibleOk = 6;

struct EligibilityValues {
  bool infoDownloaded = false;
  // From the installed-setup record.
  int64_t versionOriginal = 0;
  int64_t originalStamp = 0;
  int64_t reAskSecondsLast = 0;
  int64_t reAskSecondsInterval = 0;
  // From the update information.
  int64_t newStamp = 0;
  int64_t versionNew = 0;
  std::string validVersions;
  // The agent.
  bool checkByUser = false;
  int64_t secondsNow = 0;
};

// The re-ask time has come: an interval above 0 has passed since the last
// time (64-bit, wrapping like the stored values).
bool ReAskDue(int64_t secondsNow, int64_t reAskSecondsLast, int64_t reAskSecondsInterval);

// The installed version is one the update is valid for: `validVersions`
// empty, or ",<version>," a part of "," + validVersions + "," (exact text:
// no blanks are ignored).
bool VersionValid(std::string_view validVersions, int64_t versionOriginal);

// The staircase without its last step: the code reached before the size
// test (at most kEligibleSizeError). Versions and stamps compare as the
// signed 32-bit numbers they are.
int EligibilityCodeBeforeSize(const EligibilityValues& values);

// The file on the server has the announced size: the two differ by less than
// 100 bytes (as 32-bit numbers; -1 stands for "no size").
bool SizeMatches(int64_t actualSize, int64_t expectedSize);

// The reason text of a code ("Error downloading .INFO file" ... "OK"); empty
// outside 0..6.
std::string_view EligibilityReason(int code);

// ---------------------------------------------------------------------------
// Texts

// `text` with every "PROG_NAME" (letter case matters) replaced by `programName`.
std::string ReplaceProgName(std::string_view text, std::string_view programName);

// The agent's strings the update cycle assembles.
struct UpdateTexts {
  std::string s11, s12, s13, s14, s16, s17, s18, s19, s20;
};

// The notice before the download: s11, then s13 (install confirmation on) or
// s12; with the forced download notice s19 or s18 instead.
std::string FirstNotice(const UpdateTexts& texts, bool confirmInstall, bool downloadForce,
                        std::string_view programName);
// The notice before the installation: s14, or s20 with the forced install notice.
std::string SecondNotice(const UpdateTexts& texts, bool installForce, std::string_view programName);
// The closing notice: s16, and with the restart question s16 + s17.
std::string ClosingNotice(const UpdateTexts& texts, bool withRestartQuestion,
                          std::string_view programName);

// The question before a check: s22 + s23 + s24, s23 left out for a location
// that is a local path (shorter than 2 characters or ":" second), and the
// test-mode note appended in test mode.
std::string AskBeforeCheckText(std::string_view s22, std::string_view s23, std::string_view s24,
                               std::string_view location, bool testMode,
                               std::string_view programName);

// The answer to a check the user asked for when nothing was done: s21, in
// developer mode with "(code - reason)" below.
std::string NothingToDoText(std::string_view s21, bool developerMode, int code);

// Why a fetched update or inform file whose SHA-256 is `actual` is not the
// one the signed update information pins with `expected`; empty when it is
// (case does not matter). A missing or malformed `expected` pins nothing, so
// the file is refused as well.
std::string PinnedHashFault(std::string_view expected, std::string_view actual);

// The message for an update or inform file that could not be fetched: s3
// after an abort; s4 + the source for a local or network path; s5 + the
// source otherwise.
std::string DownloadFailureText(std::string_view s3, std::string_view s4, std::string_view s5,
                                bool aborted, std::string_view source);

// A location that is a folder path, not a URL: a drive path ("C:...") or a
// UNC path ("\\...").
bool IsFolderLocation(std::string_view location);

// ---------------------------------------------------------------------------
// Shut-down

enum class ShutDownMethod {
  MessageBox,  // "Issue a Message Box": ask the user until the product has ended
  Close,       // "Using WM_CLOSE"
  Quit,        // "Using WM_QUIT"
  Terminate,   // "Using Terminate Process"
  None,        // "Don't Shut Down": no action and no wait
  Unknown,     // any other text: no action, but the wait
};

// The method a ShutDownMethod text names (the whole text, letter case matters).
ShutDownMethod ShutDownMethodFromText(std::string_view text);

// ---------------------------------------------------------------------------
// Command lines

// The successor agent: the agent program file in `agentFolder` (with a
// trailing backslash), quoted when it holds a blank, then
// " /_ZZ=99 /WAIT=10 /TRANSIENT=" and the override text.
std::string RestartAgentCommandLine(std::string_view agentFolder, std::string_view agentFileName,
                                    const TransientOverrides& overrides);

// The engine's extra switch naming the update information file.
std::string OriginalInfoFileSwitch(std::string_view infoFilePath);

// Whether `path` names a file inside `folder` (at any depth): the folder
// with or without a trailing backslash, compared ignoring the letter case of
// ASCII letters, then at least one more name, and no "." or ".." part
// anywhere. An empty folder holds nothing.
bool IsInsideFolder(std::string_view path, std::string_view folder);

// Test mode is on for the day stored with it: "TestMode" exactly "1" and
// "TestModeDate" today's date stamp.
bool TestModeOn(std::string_view testMode, std::string_view testModeDate,
                std::string_view todayStamp);

}  // namespace orvane
