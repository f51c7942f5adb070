// The checks a build plan passes before anything is written.
#include "BuildPlan.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvane::stubpack {
namespace {

BuildPlan ValidPlan() {
  BuildPlan plan;
  plan.stub = "stub.exe";
  plan.output = "out.exe";
  plan.files.push_back({"a.exe", "setup.exe", true, "/Q", Origin{"p.ini", 5}});
  plan.files.push_back({"b.txt", "readme.txt", false, "", Origin{"p.ini", 6}});
  return plan;
}

void SetFlag(BuildPlan& plan, Flag flag, bool on) {
  plan.flags[static_cast<size_t>(flag)] = on;
}

struct PlanCase {
  const char* name;
  std::function<void(BuildPlan&)> change;
  const char* error;    // expected error text, or null
  const char* warning;  // expected warning text, or null
};

const PlanCase kPlanCases[] = {
    {"a valid plan", [](BuildPlan&) {}, nullptr, nullptr},
    {"no stub", [](BuildPlan& s) { s.stub.clear(); }, "no launcher stub", nullptr},
    {"no output", [](BuildPlan& s) { s.output.clear(); }, "no output file", nullptr},
    {"no files", [](BuildPlan& s) { s.files.clear(); }, "no files to pack", nullptr},
    {"no start entry", [](BuildPlan& s) { s.files[0].isStart = false; }, "no start entry", nullptr},
    {"two start entries", [](BuildPlan& s) { s.files[1].isStart = true; },
     "a second start entry 'readme.txt' (the first is 'setup.exe' at p.ini:5)", nullptr},
    {"one start file in two pieces",
     [](BuildPlan& s) {
       s.files.push_back({"a2.exe", "SETUP.EXE", true, "/Q", {}});
     },
     nullptr, "appends this file"},
    {"a name given twice", [](BuildPlan& s) { s.files[1].name = "SETUP.exe"; },
     "with a different start mark", nullptr},
    {"a name outside the folder", [](BuildPlan& s) { s.files[1].name = "..\\x.dll"; },
     "entry name '..\\x.dll' has a folder part", nullptr},
    // COM with a superscript one (byte B9 of the Western ANSI code page).
    {"a port name with a superscript digit", [](BuildPlan& s) { s.files[1].name = "COM\xB9.txt"; },
     "is a Windows device name", nullptr},
    {"start arguments with the list separator",
     [](BuildPlan& s) { s.files[0].startArguments = "/a|b"; }, "contains '|'", nullptr},
    {"an internet setup with files", [](BuildPlan& s) { SetFlag(s, Flag::kInternetSetup, true); },
     "carries no files", nullptr},
    {"an internet setup without a download location",
     [](BuildPlan& s) {
       s.files.clear();
       SetFlag(s, Flag::kInternetSetup, true);
     },
     "InternetSetup needs [Download]", nullptr},
    {"a complete internet setup",
     [](BuildPlan& s) {
       s.files.clear();
       SetFlag(s, Flag::kInternetSetup, true);
       SetFlag(s, Flag::kConfirmDownload, true);
       s.download = DownloadSettings{true, "http://h/d", "full.exe", false, "tok", "1", "", "", {}};
     },
     nullptr, nullptr},
    {"a download block without a token",
     [](BuildPlan& s) {
       s.download = DownloadSettings{true, "http://h", "f.exe", false, "", "", "", "", {}};
     },
     "[Download] needs a Token", nullptr},
    {"a download size that is not a number",
     [](BuildPlan& s) {
       s.download = DownloadSettings{true, "", "", false, "t", "12k", "", "", {}};
     },
     "is not a number of bytes", nullptr},
    {"a download location with the separator",
     [](BuildPlan& s) {
       s.download = DownloadSettings{true, "http://a|b", "", false, "t", "", "", "", {}};
     },
     "[Download] Location contains '|'", nullptr},
    {"a download file name with a folder part",
     [](BuildPlan& s) {
       s.download = DownloadSettings{true, "http://h", "..\\x.exe", false, "t", "", "", "", {}};
     },
     "[Download] FileName '..\\x.exe'", nullptr},
    {"a download SHA-256 of 63 digits",
     [](BuildPlan& s) {
       s.download = DownloadSettings{true, "", "", false, "t", "", "", std::string(63, 'a'), {}};
     },
     "[Download] Sha256 'aaa", nullptr},
    {"an agent copy without an agent name",
     [](BuildPlan& s) { SetFlag(s, Flag::kAgentCopy, true); },
     "AgentCopy needs [Internet] AgentFile", nullptr},
    {"an agent without a product token",
     [](BuildPlan& s) {
       s.internet = InternetSettings{true, "http://u", "p.info", "agent.exe", "", false, {}, {}};
     },
     "needs a ProductToken", nullptr},
    {"an agent name with a folder",
     [](BuildPlan& s) {
       s.internet = InternetSettings{true, "", "", "bin\\agent.exe", "t", false, {}, {}};
     },
     "AgentFile 'bin\\agent.exe' has a folder part", nullptr},
    {"a product token of 241 bytes",
     [](BuildPlan& s) {
       s.internet = InternetSettings{true, "", "", "", std::string(241, 't'), false, {}, {}};
     },
     "longer than 240 bytes", nullptr},
    {"a product token of 240 bytes",
     [](BuildPlan& s) {
       s.internet = InternetSettings{true, "", "", "", std::string(240, 't'), false, {}, {}};
     },
     nullptr, nullptr},
    {"a language text with a block separator",
     [](BuildPlan& s) {
       s.languages.push_back({"English",
                              {{"s0",
                                "a\x01"
                                "b"}},
                              {}});
     },
     "byte 0, 1 or 2", nullptr},
    {"a language given twice",
     [](BuildPlan& s) {
       s.languages.push_back({"English", {}, {}});
       s.languages.push_back({" english", {}, {}});
     },
     "is given twice", nullptr},
    {"a key given twice in a language",
     [](BuildPlan& s) {
       s.languages.push_back({"English", {{"s1", "a"}, {"S1", "b"}}, {}});
     },
     "key S1 is given twice", nullptr},
    {"a key the launcher does not read",
     [](BuildPlan& s) {
       s.languages.push_back({"English", {{"Title", "a"}, {"s35", "b"}}, {}});
     },
     nullptr, "reads no language key 'Title'"},
    {"a font size that is not a number",
     [](BuildPlan& s) {
       s.languages.push_back({"English", {{"FontSize", "big"}}, {}});
     },
     nullptr, "reads it as 8"},
    {"a separate first volume that must not relaunch",
     [](BuildPlan& s) {
       s.firstVolume = FirstVolume::kSeparate001;
       SetFlag(s, Flag::kRelaunchFromTemp, false);
     },
     "FirstVolume=001 needs RelaunchFromTemp", nullptr},
    {"a separate first volume", [](BuildPlan& s) { s.firstVolume = FirstVolume::kSeparate001; },
     nullptr, nullptr},
    {"an entry size beyond 1 GiB", [](BuildPlan& s) { s.maxEntrySize = (uint64_t{1} << 30) + 1; },
     "MaxEntrySize", nullptr},
    {"an agent copy from an installer whose name does not end with .exe",
     [](BuildPlan& s) {
       s.output = "setup.bin";
       SetFlag(s, Flag::kAgentCopy, true);
       s.internet = InternetSettings{true, "", "", "agent.exe", "t", false, {}, {}};
     },
     nullptr, "AgentCopy has no effect"},
    {"confirmation without an internet setup",
     [](BuildPlan& s) { SetFlag(s, Flag::kConfirmDownload, true); }, nullptr,
     "ConfirmDownload has no effect"},
};

TEST(StubpackPlanCheck, FindsFaultsBeforeAnythingIsWritten) {
  for (const PlanCase& c : kPlanCases) {
    SCOPED_TRACE(c.name);
    BuildPlan plan = ValidPlan();
    c.change(plan);
    Problems problems;
    CheckBuildPlan(plan, problems);
    std::string errors, warnings;
    for (const Problem& p : problems)
      (p.warning ? warnings : errors) += p.what + "\n";
    if (c.error == nullptr) {
      EXPECT_EQ(errors, "");
    } else {
      EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
    }
    if (c.warning == nullptr) {
      EXPECT_EQ(warnings, "");
    } else {
      EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
    }
  }
}

TEST(StubpackPlanCheck, NamesFlagsBothWays) {
  for (size_t i = 0; i < kFlagCount; ++i) {
    Flag flag;
    ASSERT_TRUE(FlagFromName(FlagName(static_cast<Flag>(i)), flag));
    EXPECT_EQ(static_cast<size_t>(flag), i);
  }
  Flag flag;
  EXPECT_TRUE(FlagFromName("activitybar", flag));
  EXPECT_EQ(flag, Flag::kActivityBar);
  EXPECT_FALSE(FlagFromName("MoreVolumes", flag));
}

}  // namespace
}  // namespace orvane::stubpack
