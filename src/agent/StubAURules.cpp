#include "agent/StubAURules.h"

#include "package/PackFormat.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsText.h"

namespace orvane {

using namespace std::literals;

namespace {

// The stored numbers are 32-bit where the agent compares versions and stamps.
int32_t Low32(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// 64-bit addition that wraps instead of overflowing.
int64_t WrappingSum(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

constexpr int64_t kTestModeIntervalSeconds = 5;

constexpr std::string_view kReasons[] = {
    "Error downloading .INFO file",
    "Error reading .ORIGINAL file",
    "Too early for retesting",
    "New version is not higher then old version",
    "\"Valid for version\" mismatch",
    "Download file size error",
    "OK",
};

constexpr std::string_view kTestModeNote =
    "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";

}  // namespace

// ---------------------------------------------------------------------------
// Schedule and tick

int GetShotTimeStatus(AgentState& state, const ScheduleValues& schedule) {
  int status = kShotNone;
  if (state.scheduledChecksOn || state.forceCheck) {
    const int64_t interval =
        schedule.testMode ? kTestModeIntervalSeconds : schedule.probeSecondsInterval;
    if (schedule.secondsNow >= WrappingSum(schedule.probeSecondsLast, interval))
      status = kShotDue;
    if (schedule.probeSecondsInterval == 0 && status == kShotDue)
      status = kShotOnce;
    if (schedule.probeSecondsInterval == -1)
      status = kShotNone;
    if (state.forceCheck)
      status = kShotDue;
  }
  state.forceCheck = false;
  return status;
}

void RunAgentTick(AgentState& state, AgentTickServices& services) {
  if (state.busy)
    return;
  state.busy = true;
  if (state.infoOnlyRequest) {
    services.Console("-------------- JustDownloadInfoFile ---------------");
    state.infoOnlyRequest = false;
    services.JustDownloadInfoFile();
  } else {
    services.SetMsgBoxFontFromProduct();
    state.phase = kPhaseIdle;
    if (state.checkMode == kCheckByUserPending)
      state.checkMode = kCheckByUser;
    if (state.checkMode == kCheckByUser)
      state.tickCounter = 0;
    if (state.remainingLifetime == 0)
      services.PostQuit();
    if (state.remainingLifetime >= 0)
      --state.remainingLifetime;
    if (state.tickCounter < INT32_MAX)
      ++state.tickCounter;
    services.Console(" AutoUpdateTimerCount=" + DecimalText(state.tickCounter));
    if (state.tickCounter >= 1) {
      services.CheckTestMode(false);
      int status = GetShotTimeStatus(state, services.ReadSchedule());
      services.Console(" ShotTimeStatus=" + DecimalText(status));
      if (status == kShotOnce)
        state.scheduledChecksOn = false;
      if (status >= kShotDue &&
          (state.checkMode == kCheckByUser || state.overrides.AskBeforeCheck()) &&
          !services.AskBeforeCheck())
        status = kShotNone;
      if (status >= kShotDue)
        services.PerformShot();
      if (state.checkMode == kCheckByUser)
        state.checkMode = kCheckScheduled;
    }
  }
  state.phase = kPhaseIdle;
  state.busy = false;
}

// ---------------------------------------------------------------------------
// Eligibility

bool ReAskDue(int64_t secondsNow, int64_t reAskSecondsLast, int64_t reAskSecondsInterval) {
  return secondsNow > WrappingSum(reAskSecondsLast, reAskSecondsInterval) &&
         reAskSecondsInterval > 0;
}

bool VersionValid(std::string_view validVersions, int64_t versionOriginal) {
  if (validVersions.empty())
    return true;
  std::string list;
  list.reserve(validVersions.size() + 2);
  list.append(",").append(validVersions).append(",");
  const std::string field = "," + DecimalText(Low32(versionOriginal)) + ",";
  return list.find(field) != std::string::npos;
}

int EligibilityCodeBeforeSize(const EligibilityValues& values) {
  if (!values.infoDownloaded)
    return kEligibleInfoMissing;
  if (Low32(values.versionOriginal) <= 0)
    return kEligibleNoOriginal;
  if (Low32(values.newStamp) == Low32(values.originalStamp) &&
      !ReAskDue(values.secondsNow, values.reAskSecondsLast, values.reAskSecondsInterval) &&
      !values.checkByUser)
    return kEligibleTooEarly;
  if (Low32(values.versionNew) <= Low32(values.versionOriginal))
    return kEligibleNotHigher;
  if (!VersionValid(values.validVersions, values.versionOriginal))
    return kEligibleNotValidFor;
  return kEligibleSizeError;
}

bool SizeMatches(int64_t actualSize, int64_t expectedSize) {
  // The difference of two 32-bit numbers, as the 32-bit number it wraps to.
  const int32_t difference = static_cast<int32_t>(static_cast<uint32_t>(Low32(actualSize)) -
                                                  static_cast<uint32_t>(Low32(expectedSize)));
  return difference > -100 && difference < 100;
}

std::string_view EligibilityReason(int code) {
  if (code < 0 || code > kEligibleOk)
    return {};
  return kReasons[code];
}

// ---------------------------------------------------------------------------
// Texts

std::string ReplaceProgName(std::string_view text, std::string_view programName) {
  constexpr std::string_view kPattern = "PROG_NAME";
  std::string result;
  result.reserve(text.size());
  size_t from = 0;
  for (size_t at = text.find(kPattern); at != std::string_view::npos;
       at = text.find(kPattern, from)) {
    result.append(text.substr(from, at - from)).append(programName);
    from = at + kPattern.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string FirstNotice(const UpdateTexts& texts, bool confirmInstall, bool downloadForce,
                        std::string_view programName) {
  std::string notice = texts.s11;
  if (downloadForce)
    notice += confirmInstall ? texts.s19 : texts.s18;
  else
    notice += confirmInstall ? texts.s13 : texts.s12;
  return ReplaceProgName(notice, programName);
}

std::string SecondNotice(const UpdateTexts& texts, bool installForce,
                         std::string_view programName) {
  return ReplaceProgName(installForce ? texts.s20 : texts.s14, programName);
}

std::string ClosingNotice(const UpdateTexts& texts, bool withRestartQuestion,
                          std::string_view programName) {
  std::string notice = ReplaceProgName(texts.s16, programName);
  if (withRestartQuestion)
    notice += texts.s17;
  return notice;
}

std::string AskBeforeCheckText(std::string_view s22, std::string_view s23, std::string_view s24,
                               std::string_view location, bool testMode,
                               std::string_view programName) {
  std::string text(s22);
  const bool localPath = location.size() < 2 || location[1] == ':';
  if (!localPath)
    text.append(s23);
  text.append(s24);
  if (testMode)
    text.append(kTestModeNote);
  return ReplaceProgName(text, programName);
}

std::string NothingToDoText(std::string_view s21, bool developerMode, int code) {
  std::string text(s21);
  if (developerMode) {
    text.append("<P><P>(").append(DecimalText(code)).append(" - ");
    text.append(EligibilityReason(code)).append(")   ");
  }
  return text;
}

bool IsFolderLocation(std::string_view location) {
  return (location.size() >= 2 && location[1] == ':') || location.substr(0, 2) == "\\\\";
}

std::string PinnedHashFault(std::string_view expected, std::string_view actual) {
  if (!pack::IsSha256Text(expected))
    return "The signed update information names no SHA-256 for this file.";
  if (SameTextTrim(expected, actual))
    return {};
  return Cat(
      {"The file is not the one the signed update information names: its SHA-256 "
       "differs.<P>Expected SHA-256: "sv,
       expected, "<P>SHA-256 found: "sv, actual.empty() ? "-"sv : actual});
}

std::string DownloadFailureText(std::string_view s3, std::string_view s4, std::string_view s5,
                                bool aborted, std::string_view source) {
  if (aborted)
    return std::string(s3);
  std::string text(IsFolderLocation(source) ? s4 : s5);
  return text.append("<P><P>").append(source);
}

// ---------------------------------------------------------------------------
// Shut-down and command lines

ShutDownMethod ShutDownMethodFromText(std::string_view text) {
  if (text == "Issue a Message Box")
    return ShutDownMethod::MessageBox;
  if (text == "Using WM_CLOSE")
    return ShutDownMethod::Close;
  if (text == "Using WM_QUIT")
    return ShutDownMethod::Quit;
  if (text == "Using Terminate Process")
    return ShutDownMethod::Terminate;
  if (text == "Don't Shut Down")
    return ShutDownMethod::None;
  return ShutDownMethod::Unknown;
}

std::string RestartAgentCommandLine(std::string_view agentFolder, std::string_view agentFileName,
                                    const TransientOverrides& overrides) {
  std::string path(agentFolder);
  path.append(agentFileName);
  return ProgramPathForCommandLine(path) +
         " /_ZZ=99 /WAIT=10 /TRANSIENT=" + OverrideText(overrides);
}

std::string OriginalInfoFileSwitch(std::string_view infoFilePath) {
  std::string text = "/OriginalInfoFile=\"";
  return text.append(infoFilePath).append("\"");
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
  while (!folder.empty() && folder.back() == '\\')
    folder.remove_suffix(1);
  if (folder.empty() || path.size() <= folder.size() + 1 || path[folder.size()] != '\\' ||
      !StartsWithNoCase(path, folder))
    return false;
  // No part of the path may step out of (or stay in) a folder: no "." or "..".
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '\\' && path[i] != '/')
      continue;
    const std::string_view part = path.substr(start, i - start);
    if (part == "." || part == "..")
      return false;
    start = i + 1;
  }
  return path.back() != '\\' && path.back() != '/';
}

bool TestModeOn(std::string_view testMode, std::string_view testModeDate,
                std::string_view todayStamp) {
  return testMode == "1" && testModeDate == todayStamp;
}

}  // namespace orvane
