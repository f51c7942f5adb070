#include "agent/StubAURules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

// ---------------------------------------------------------------------------
// Eligibility

// A check that passes every test up to the size check.
EligibilityValues Passing() {
  EligibilityValues v;
  v.infoDownloaded = true;
  v.versionOriginal = 100;
  v.originalStamp = 7;
  v.newStamp = 8;
  v.versionNew = 101;
  v.secondsNow = 4'000'000'000;
  return v;
}

TEST(Eligibility, StopsAtTheFirstTestThatFails) {
  struct Case {
    const char* what;
    void (*change)(EligibilityValues&);
    int code;
  };
  const Case cases[] = {
      {"all pass", [](EligibilityValues&) {}, kEligibleSizeError},
      {"no .info", [](EligibilityValues& v) { v.infoDownloaded = false; }, kEligibleInfoMissing},
      {"no .original version", [](EligibilityValues& v) { v.versionOriginal = 0; },
       kEligibleNoOriginal},
      {"negative version", [](EligibilityValues& v) { v.versionOriginal = -5; },
       kEligibleNoOriginal},
      {"same stamp, no re-ask interval", [](EligibilityValues& v) { v.newStamp = v.originalStamp; },
       kEligibleTooEarly},
      {"same stamp, re-ask time not come",
       [](EligibilityValues& v) {
         v.newStamp = v.originalStamp;
         v.reAskSecondsLast = v.secondsNow - 10;
         v.reAskSecondsInterval = 10;
       },
       kEligibleTooEarly},
      {"same stamp, re-ask time passed",
       [](EligibilityValues& v) {
         v.newStamp = v.originalStamp;
         v.reAskSecondsLast = v.secondsNow - 11;
         v.reAskSecondsInterval = 10;
       },
       kEligibleSizeError},
      {"same stamp, asked for by the user",
       [](EligibilityValues& v) {
         v.newStamp = v.originalStamp;
         v.checkByUser = true;
       },
       kEligibleSizeError},
      {"equal versions, other stamp", [](EligibilityValues& v) { v.versionNew = 100; },
       kEligibleNotHigher},
      {"lower version", [](EligibilityValues& v) { v.versionNew = 99; }, kEligibleNotHigher},
      // Versions are 32-bit numbers: 2^32 + 101 is 101.
      {"32-bit versions", [](EligibilityValues& v) { v.versionNew = 4294967296LL + 50; },
       kEligibleNotHigher},
      {"valid for the installed version", [](EligibilityValues& v) { v.validVersions = "99,100"; },
       kEligibleSizeError},
      {"not valid for it", [](EligibilityValues& v) { v.validVersions = "99,1000"; },
       kEligibleNotValidFor},
  };
  for (const Case& c : cases) {
    EligibilityValues v = Passing();
    c.change(v);
    EXPECT_EQ(EligibilityCodeBeforeSize(v), c.code) << c.what;
  }
}

TEST(Eligibility, ValidVersionsAreWholeCommaSeparatedFields) {
  struct Case {
    const char* list;
    int64_t version;
    bool valid;
  };
  const Case cases[] = {
      {"", 5, true},      {"100,101", 101, true}, {"100,101", 10, false}, {"100,101", 100, true},
      {"3, 4", 4, false}, {"3,4", 4, true},       {"4", 4, true},         {"14", 4, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VersionValid(c.list, c.version), c.valid) << c.list << " / " << c.version;
}

TEST(Eligibility, SizesMatchWithinLessThan100Bytes) {
  struct Case {
    int64_t actual;
    int64_t expected;
    bool match;
  };
  const Case cases[] = {
      {1000, 1000, true},  {1099, 1000, true},
      {1100, 1000, false}, {901, 1000, true},
      {900, 1000, false},  {-1, 98, true},
      {-1, 99, false},     {-1, 0, true},
      {-1, 5000, false},   {4294967296LL + 1000, 1000, true},  // low 32 bits
  };
  for (const Case& c : cases)
    EXPECT_EQ(SizeMatches(c.actual, c.expected), c.match) << c.actual << " / " << c.expected;
}

TEST(Eligibility, ReAskIsDueOnlyAfterAPositiveInterval) {
  EXPECT_TRUE(ReAskDue(100, 50, 49));
  EXPECT_FALSE(ReAskDue(100, 50, 50));
  EXPECT_FALSE(ReAskDue(100, 0, 0));
  EXPECT_FALSE(ReAskDue(100, 200, -150));
  // A huge stored value wraps instead of overflowing.
  EXPECT_TRUE(ReAskDue(100, INT64_MAX, 2));
}

TEST(Eligibility, ReasonTexts) {
  EXPECT_EQ(EligibilityReason(0), "Error downloading .INFO file");
  EXPECT_EQ(EligibilityReason(3), "New version is not higher then old version");
  EXPECT_EQ(EligibilityReason(4), "\"Valid for version\" mismatch");
  EXPECT_EQ(EligibilityReason(6), "OK");
  EXPECT_EQ(EligibilityReason(7), "");
  EXPECT_EQ(EligibilityReason(-1), "");
}

// ---------------------------------------------------------------------------
// Schedule

TEST(Schedule, StatusFromIntervalAndLastCheck) {
  struct Case {
    const char* what;
    bool scheduledOn;
    bool force;
    int64_t interval;
    int64_t last;
    bool testMode;
    int status;
  };
  const int64_t now = 1000;
  const Case cases[] = {
      {"interval passed", true, false, 100, 900, false, kShotDue},
      {"interval not passed", true, false, 100, 901, false, kShotNone},
      {"once per run", true, false, 0, 1000, false, kShotOnce},
      {"once per run, last in the future", true, false, 0, 1001, false, kShotNone},
      {"never", true, false, -1, 0, false, kShotNone},
      {"never, forced", true, true, -1, 0, false, kShotDue},
      {"scheduled checks off", false, false, 100, 0, false, kShotNone},
      {"off, forced", false, true, 100, 999, false, kShotDue},
      {"test mode: 5 seconds", true, false, 100000, 995, true, kShotDue},
      {"test mode, 4 seconds ago", true, false, 100000, 996, true, kShotNone},
      {"test mode, once per run", true, false, 0, 995, true, kShotOnce},
  };
  for (const Case& c : cases) {
    AgentState state;
    state.scheduledChecksOn = c.scheduledOn;
    state.forceCheck = c.force;
    EXPECT_EQ(GetShotTimeStatus(state, {c.interval, c.last, now, c.testMode}), c.status) << c.what;
    EXPECT_FALSE(state.forceCheck) << c.what;
  }
}

// The agent's world as a tick sees it: the schedule's values, the user's
// answer, and a record of what the tick did.
class FakeTicks final : public AgentTickServices {
 public:
  void SetMsgBoxFontFromProduct() override {}
  void PostQuit() override { calls.push_back("quit"); }
  void Console(std::string_view) override {}
  void CheckTestMode(bool) override {}
  ScheduleValues ReadSchedule() override { return schedule; }
  bool AskBeforeCheck() override {
    calls.push_back("ask");
    return answer;
  }
  void PerformShot() override {
    calls.push_back("shot");
    schedule.probeSecondsLast = schedule.secondsNow;
  }
  void JustDownloadInfoFile() override { calls.push_back("info"); }

  // Runs `ticks` ticks one second apart; the 1-based numbers of the ticks
  // that checked.
  std::vector<int> Run(AgentState& state, int ticks) {
    std::vector<int> shots;
    for (int i = 1; i <= ticks; ++i) {
      const size_t before = calls.size();
      RunAgentTick(state, *this);
      for (size_t k = before; k < calls.size(); ++k) {
        if (calls[k] == "shot")
          shots.push_back(i);
      }
      ++schedule.secondsNow;
    }
    return shots;
  }

  ScheduleValues schedule{0, 0, 1000, false};
  bool answer = true;
  std::vector<std::string> calls;
};

TEST(AgentTick, FirstCheckAtTheFourthTickThenByInterval) {
  AgentState state;
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = 3;
  EXPECT_EQ(ticks.Run(state, 10), (std::vector<int>{4, 7, 10}));
  EXPECT_EQ(state.phase, kPhaseIdle);
  EXPECT_FALSE(state.busy);
}

TEST(AgentTick, SleepSwitchDelaysTheFirstCheck) {
  AgentState state;
  state.tickCounter = -10;  // /SleepX=10
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = 1000;
  EXPECT_EQ(ticks.Run(state, 12), std::vector<int>{11});
}

TEST(AgentTick, IntervalZeroChecksOncePerRunAndForcedChecksStillRun) {
  AgentState state;
  FakeTicks ticks;
  EXPECT_EQ(ticks.Run(state, 8), std::vector<int>{4});
  EXPECT_FALSE(state.scheduledChecksOn);
  state.forceCheck = true;  // command 31
  EXPECT_EQ(ticks.Run(state, 3), std::vector<int>{1});
}

TEST(AgentTick, IntervalMinusOneNeverChecksOnSchedule) {
  AgentState state;
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = -1;
  EXPECT_TRUE(ticks.Run(state, 8).empty());
}

TEST(AgentTick, ACheckAskedForByTheUserAsksFirstAndRestartsTheCounter) {
  AgentState state;
  state.tickCounter = 50;
  state.checkMode = kCheckByUserPending;
  state.forceCheck = true;
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = -1;
  EXPECT_EQ(ticks.Run(state, 1), std::vector<int>{1});
  EXPECT_EQ(ticks.calls, (std::vector<std::string>{"ask", "shot"}));
  EXPECT_EQ(state.tickCounter, 1);
  EXPECT_EQ(state.checkMode, kCheckScheduled);

  // Declined: no check.
  state.checkMode = kCheckByUserPending;
  state.forceCheck = true;
  ticks.answer = false;
  ticks.calls.clear();
  EXPECT_TRUE(ticks.Run(state, 1).empty());
  EXPECT_EQ(ticks.calls, std::vector<std::string>{"ask"});
}

TEST(AgentTick, OverrideZeroAsksBeforeEveryScheduledCheck) {
  AgentState state;
  state.overrides.Set(Override::AskBeforeCheck, 1);
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = 1;
  ticks.answer = false;
  EXPECT_TRUE(ticks.Run(state, 5).empty());
  EXPECT_EQ(ticks.calls, (std::vector<std::string>{"ask", "ask"}));
}

TEST(AgentTick, LifetimeCountsDownToTheQuit) {
  AgentState state;
  state.remainingLifetime = 3;
  FakeTicks ticks;
  ticks.schedule.probeSecondsInterval = -1;
  for (int i = 1; i <= 3; ++i) {
    RunAgentTick(state, ticks);
    EXPECT_TRUE(ticks.calls.empty()) << "tick " << i;
  }
  RunAgentTick(state, ticks);  // 3, 2, 1, 0: quit at the fourth
  EXPECT_EQ(ticks.calls, std::vector<std::string>{"quit"});
  EXPECT_EQ(state.remainingLifetime, -1);
  RunAgentTick(state, ticks);
  EXPECT_EQ(ticks.calls.size(), 1u) << "comes to rest at -1";
}

TEST(AgentTick, ReenteredTickAndInfoOnlyRequest) {
  AgentState state;
  FakeTicks ticks;
  state.busy = true;
  RunAgentTick(state, ticks);
  EXPECT_EQ(state.tickCounter, kAgentInitialTickCounter);

  state.busy = false;
  state.infoOnlyRequest = true;
  RunAgentTick(state, ticks);
  EXPECT_EQ(ticks.calls, std::vector<std::string>{"info"});
  EXPECT_FALSE(state.infoOnlyRequest);
  EXPECT_EQ(state.tickCounter, kAgentInitialTickCounter) << "an info-only tick does not count";
}

// ---------------------------------------------------------------------------
// Texts

TEST(AgentTexts, ProgramNameReplacedEverywhereOnce) {
  EXPECT_EQ(ReplaceProgName("PROG_NAME and PROG_NAME", "Acme"), "Acme and Acme");
  EXPECT_EQ(ReplaceProgName("prog_name", "Acme"), "prog_name");
  EXPECT_EQ(ReplaceProgName("PROG_NAME!", "PROG_NAME 2"), "PROG_NAME 2!");
  EXPECT_EQ(ReplaceProgName("x", ""), "x");
}

TEST(AgentTexts, NoticesPickTheirParts) {
  UpdateTexts t;
  t.s11 = "11 PROG_NAME ";
  t.s12 = "12";
  t.s13 = "13";
  t.s14 = "14 PROG_NAME";
  t.s16 = "16 PROG_NAME";
  t.s17 = " 17 PROG_NAME";
  t.s18 = "18";
  t.s19 = "19";
  t.s20 = "20";
  EXPECT_EQ(FirstNotice(t, false, false, "A"), "11 A 12");
  EXPECT_EQ(FirstNotice(t, true, false, "A"), "11 A 13");
  EXPECT_EQ(FirstNotice(t, false, true, "A"), "11 A 18");
  EXPECT_EQ(FirstNotice(t, true, true, "A"), "11 A 19");
  EXPECT_EQ(SecondNotice(t, false, "A"), "14 A");
  EXPECT_EQ(SecondNotice(t, true, "A"), "20");
  EXPECT_EQ(ClosingNotice(t, false, "A"), "16 A");
  // s17 is taken as it is.
  EXPECT_EQ(ClosingNotice(t, true, "A"), "16 A 17 PROG_NAME");
}

TEST(AgentTexts, QuestionBeforeACheck) {
  EXPECT_EQ(AskBeforeCheckText("a ", "b ", "c PROG_NAME", "http://x", false, "P"), "a b c P");
  EXPECT_EQ(AskBeforeCheckText("a ", "b ", "c", "C:\\updates", false, "P"), "a c");
  EXPECT_EQ(AskBeforeCheckText("a ", "b ", "c", "", false, "P"), "a c");
  EXPECT_EQ(AskBeforeCheckText("a", "b", "c", "\\\\srv\\u", true, "P"),
            "abc<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!");
}

TEST(AgentTexts, ReportsAndFailures) {
  EXPECT_EQ(NothingToDoText("No update.", false, 3), "No update.");
  EXPECT_EQ(NothingToDoText("No update.", true, 3),
            "No update.<P><P>(3 - New version is not higher then old version)   ");
  EXPECT_EQ(DownloadFailureText("s3", "s4", "s5", true, "http://x/u.exe"), "s3");
  EXPECT_EQ(DownloadFailureText("s3", "s4", "s5", false, "C:\\u\\u.exe"), "s4<P><P>C:\\u\\u.exe");
  EXPECT_EQ(DownloadFailureText("s3", "s4", "s5", false, "\\\\srv\\u.exe"),
            "s4<P><P>\\\\srv\\u.exe");
  EXPECT_EQ(DownloadFailureText("s3", "s4", "s5", false, "http://x/u.exe"),
            "s5<P><P>http://x/u.exe");
}

TEST(AgentTexts, PinnedHashDecidesOnTheWholeDigest) {
  const std::string digest(64, 'a');
  std::string other = digest;
  other[63] = 'b';
  struct Case {
    const char* what;
    std::string expected, actual, fault;  // fault: a part of the text, empty: accepted
  };
  const Case cases[] = {
      {"the same", digest, digest, ""},
      {"another case", std::string(64, 'A'), digest, ""},
      {"the last digit differs", digest, other, "its SHA-256 differs"},
      {"no hash could be computed", digest, "", "SHA-256 found: -"},
      {"nothing pinned", "", digest, "names no SHA-256"},
      {"a pin one digit short", digest.substr(1), digest.substr(1), "names no SHA-256"},
      {"a pin that is no hex", std::string(64, 'g'), std::string(64, 'g'), "names no SHA-256"},
  };
  for (const Case& c : cases) {
    const std::string fault = PinnedHashFault(c.expected, c.actual);
    if (c.fault.empty())
      EXPECT_EQ(fault, "") << c.what;
    else
      EXPECT_NE(fault.find(c.fault), std::string::npos) << c.what << ": " << fault;
  }
}

// ---------------------------------------------------------------------------
// Shut-down, paths, command lines

TEST(AgentShutDown, MethodNamedByTheWholeText) {
  struct Case {
    const char* text;
    ShutDownMethod method;
  };
  const Case cases[] = {
      {"Issue a Message Box", ShutDownMethod::MessageBox},
      {"Using WM_CLOSE", ShutDownMethod::Close},
      {"Using WM_QUIT", ShutDownMethod::Quit},
      {"Using Terminate Process", ShutDownMethod::Terminate},
      {"Don't Shut Down", ShutDownMethod::None},
      {"Using WM_CLOSE ", ShutDownMethod::Unknown},
      {"using wm_close", ShutDownMethod::Unknown},
      {"", ShutDownMethod::Unknown},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShutDownMethodFromText(c.text), c.method) << '"' << c.text << '"';
}

TEST(AgentShutDown, OnlyProgramsInsideTheProductFolder) {
  struct Case {
    const char* path;
    const char* folder;
    bool inside;
  };
  const Case cases[] = {
      {"C:\\Acme\\acme.exe", "C:\\Acme", true},
      {"C:\\Acme\\acme.exe", "C:\\Acme\\", true},
      {"c:\\acme\\BIN\\acme.exe", "C:\\Acme", true},
      {"C:\\AcmeTools\\x.exe", "C:\\Acme", false},
      {"C:\\Acme\\..\\Windows\\explorer.exe", "C:\\Acme", false},
      {"C:\\Acme\\.\\acme.exe", "C:\\Acme", false},
      {"C:\\Acme\\", "C:\\Acme", false},
      {"C:\\Acme", "C:\\Acme", false},
      {"C:\\Windows\\explorer.exe", "C:\\Acme", false},
      {"explorer.exe", "C:\\Acme", false},
      {"C:\\Acme\\acme.exe", "", false},
      {"\\\\srv\\share\\acme\\a.exe", "\\\\srv\\share\\acme", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsInsideFolder(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
}

TEST(AgentCommandLines, SuccessorAgentAndEngineSwitch) {
  TransientOverrides overrides;
  overrides.Set(Override::RequestConfirmationBeforeDownload, 1);
  EXPECT_EQ(RestartAgentCommandLine("C:\\Acme\\", "Acme_AU.exe", overrides),
            "C:\\Acme\\Acme_AU.exe /_ZZ=99 /WAIT=10 /TRANSIENT=|255|1|255|255|255|255|255|255|");
  EXPECT_EQ(RestartAgentCommandLine("C:\\Program Files\\Acme\\", "Acme_AU.exe", {}),
            "\"C:\\Program Files\\Acme\\Acme_AU.exe\" /_ZZ=99 /WAIT=10 "
            "/TRANSIENT=|255|255|255|255|255|255|255|255|");
  EXPECT_EQ(OriginalInfoFileSwitch("C:\\Acme\\acme.info"),
            "/OriginalInfoFile=\"C:\\Acme\\acme.info\"");
}

TEST(AgentTestMode, OnOnlyForTheDayItWasSet) {
  EXPECT_TRUE(TestModeOn("1", "10-DEC-2026", "10-DEC-2026"));
  EXPECT_FALSE(TestModeOn("1", "09-DEC-2026", "10-DEC-2026"));
  EXPECT_FALSE(TestModeOn("1", "", "10-DEC-2026"));
  EXPECT_FALSE(TestModeOn("yes", "10-DEC-2026", "10-DEC-2026"));
  EXPECT_FALSE(TestModeOn(" 1", "10-DEC-2026", "10-DEC-2026"));
}

}  // namespace
}  // namespace orvane
