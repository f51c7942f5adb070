// The auto-update agent's update cycle as the product's users meet it:
// version 1 of the product is installed with its agent, the product runs,
// the vendor offers version 2 on the test web server, and the agent (started
// as the installation starts it, first check at the first tick) decides,
// asks, downloads, shuts the product down, installs through the setup
// engine, tells the user, restarts the product and hands over to a fresh
// agent. Each case checks what the user sees (boxes, the product's windows)
// and what is left on disk (version.txt, the ".original", the update file,
// the engine's record).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "harness/AgentFixture.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/LauncherWatch.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::AgentBox;
using test::AgentFixture;
using test::IniValues;
using test::ProductEvent;

constexpr DWORD kCycleMs = 90000;  // a check with download and installation

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Whether a line of `text` contains both `a` and `b`.
bool HasLineWith(const std::string& text, const std::string& a, const std::string& b) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(start, end - start);
    if (Has(line, a) && Has(line, b))
      return true;
    start = end + 1;
  }
  return false;
}

std::string VersionTxt(const AgentFixture& p) {
  return test::ReadWholeFile(p.ProductDir() + "\\version.txt");
}

std::string UpdateCopy(const AgentFixture& p) {
  return p.ProductDir() + "\\" + p.names().updateFile;
}

size_t CountKind(const std::vector<ProductEvent>& events, const std::string& kind) {
  return static_cast<size_t>(std::count_if(events.begin(), events.end(),
                                           [&](const ProductEvent& e) { return e.kind == kind; }));
}

// One product for every test: the tests run one after the other, and the
// same folders let the installation of version 1 be reused (below).
constexpr char kName[] = "au-cycle";

// Version 1 in the product folder with the default ".original": installed by
// its installer the first time, its files put back afterwards.
bool InstallVersion1(AgentFixture& p) {
  static test::KeptInstallation installed(std::string(kName) + "-v1");
  if (!installed.kept())
    return p.InstallVersion1() && installed.Keep(p.ProductDir());
  return installed.PutBack(p.ProductDir()) && VersionTxt(p) == "1" &&
         test::FileExists(p.ProductExe()) && test::FileExists(p.AgentExe()) && p.WriteOriginal();
}

// Version 1 installed, version 2 published with the product's token (or
// `token`), the ".info" from the defaults with `info`, the ".original" with
// `original`. `sizeOffset` shifts the announced size of the update file.
void Prepare(AgentFixture& p, const IniValues& info, const IniValues& original = {},
             int sizeOffset = 0, const std::string& token = {}) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  ASSERT_TRUE(InstallVersion1(p)) << p.viewer().Text();
  ASSERT_TRUE(p.PublishUpdate(2, {}, token));
  IniValues changes = info;
  if (sizeOffset != 0) {
    const long long size = std::stoll(*p.DefaultInfo().at("NewSetup.SizeOfUpdateFile"));
    changes["NewSetup.SizeOfUpdateFile"] = std::to_string(size + sizeOffset);
  }
  ASSERT_TRUE(p.PublishInfo(changes));
  ASSERT_TRUE(p.WriteOriginal(original));
}

bool WaitForLog(const AgentFixture& p, const std::string& part, DWORD timeoutMs = kCycleMs) {
  return test::PumpUntil([&] { return Has(p.AgentLog(), part); }, timeoutMs);
}

// A box the user expects: parts of its text, parts it must not show, its
// caption and the key that answers it. `closeProductFirst`: the user closes
// the product before answering.
struct Reply {
  std::vector<std::string> shows;
  int key = VK_RETURN;
  std::string caption;
  std::vector<std::string> hides = {};
  bool closeProductFirst = false;
};

void AnswerBoxes(AgentFixture& p, DWORD productPid, const std::vector<Reply>& replies) {
  for (const Reply& reply : replies) {
    const std::optional<AgentBox> box = p.WaitForBox(kCycleMs);
    ASSERT_TRUE(box) << "no box showing " << reply.shows.front() << "\n" << p.AgentLog();
    for (const std::string& part : reply.shows)
      EXPECT_TRUE(Has(box->text, part)) << box->text;
    for (const std::string& part : reply.hides)
      EXPECT_FALSE(Has(box->text, part)) << box->text;
    EXPECT_EQ(box->caption, reply.caption) << box->text;
    if (reply.closeProductFirst) {
      ASSERT_TRUE(p.CloseProduct(productPid));
      ASSERT_TRUE(test::PumpUntil([&] { return p.ProductProcesses().empty(); }, 10000));
    }
    ASSERT_TRUE(p.Answer(*box, reply.key)) << box->text;
  }
}

// The end of the cycle: its result in the agent log, no box left over, and
// what it left on disk.
void ExpectCycleEnd(AgentFixture& p, bool installed) {
  ASSERT_TRUE(WaitForLog(p, "PerformAutoUpdate() - END")) << p.AgentLog() << p.viewer().Text();
  const std::string log = p.AgentLog();
  EXPECT_TRUE(Has(
      log, std::string("PerformAutoUpdate() - END    Result=") + (installed ? "TRUE" : "FALSE")))
      << log;
  EXPECT_FALSE(p.WaitForBox(0)) << "no box after the cycle";
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), installed ? "2" : "1");
  if (installed) {
    EXPECT_EQ(VersionTxt(p), "2");
  }
  EXPECT_FALSE(test::FileExists(UpdateCopy(p))) << "the update file is not left behind";
}

// ---------------------------------------------------------------------------
// 1. The check decides: nothing to do, or the update.

struct DecisionCase {
  const char* name;
  IniValues info;
  IniValues original;
  int sizeOffset;
  const char* logLine;  // "GetOkToPerformAU = N - <reason>"
};

void PrintTo(const DecisionCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoUpdateCycleDecision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(AutoUpdateCycleDecision, ActsOnlyOnAnEligibleUpdate) {
  const DecisionCase& c = GetParam();
  AgentFixture p(kName);
  ASSERT_NO_FATAL_FAILURE(Prepare(p, c.info, c.original, c.sizeOffset));
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_TRUE(WaitForLog(p, "GetOkToPerformAU = ")) << p.AgentLog();
  EXPECT_TRUE(Has(p.AgentLog(), c.logLine)) << p.AgentLog();
  const bool acts = Has(c.logLine, "= 6 - OK");
  if (acts) {
    ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, true));
    EXPECT_EQ(p.OriginalValue("OriginalSetup.Stamp"), "101") << "the update's stamp is kept";
    return;
  }
  // The tick that checked is over once the next one counts.
  ASSERT_TRUE(test::PumpUntil([&] { return p.TickCounts().size() >= 2; }, 20000));
  const std::string log = p.AgentLog();
  EXPECT_FALSE(Has(log, "PerformAutoUpdate")) << log;
  EXPECT_FALSE(HasLineWith(log, "Download START: ", p.names().updateFile))
      << "nothing is downloaded\n"
      << log;
  EXPECT_FALSE(test::FileExists(UpdateCopy(p)));
  EXPECT_TRUE(test::ReadEngineRecords(p.EngineRecordFile()).empty()) << "no engine run";
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), "1");
  EXPECT_EQ(VersionTxt(p), "1");
  EXPECT_EQ(p.ProductProcesses(), std::vector<DWORD>{productPid}) << "the product runs on";
  EXPECT_EQ(p.ProductEvents().size(), 1u) << test::ReadWholeFile(p.ProductRecordFile());
  EXPECT_FALSE(p.WaitForBox(0));
}

const DecisionCase kDecisionCases[] = {
    {"NotHigher",
     {{"NewSetup.VersionNew", "1"}},
     {},
     0,
     "GetOkToPerformAU = 3 - New version is not higher then old version"},
    // ",1," is not a field of ",11,21,".
    {"ValidVersionsMismatch",
     {{"NewSetup.ValidVersions", "11,21"}},
     {},
     0,
     "GetOkToPerformAU = 4 - \"Valid for version\" mismatch"},
    {"Size100Over", {}, {}, 100, "GetOkToPerformAU = 5 - Download file size error"},
    // The update already offered (its stamp stored), no re-ask interval.
    {"SameStampNoReAsk",
     {},
     {{"OriginalSetup.Stamp", "101"}},
     0,
     "GetOkToPerformAU = 2 - Too early for retesting"},
    {"SameStampReAskPassed",
     {},
     {{"OriginalSetup.Stamp", "101"}, {"OriginalSetup.ReAskSecondsInterval", "60"}},
     0,
     "GetOkToPerformAU = 6 - OK"},
    {"Size99Over", {{"NewSetup.ValidVersions", "2,1"}}, {}, 99, "GetOkToPerformAU = 6 - OK"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateCycleDecision, ::testing::ValuesIn(kDecisionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 2. The questions before download and installation.

struct ConfirmCase {
  const char* name;
  IniValues info;
  std::vector<Reply> replies;
  bool installed;
};

void PrintTo(const ConfirmCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoUpdateCycleConfirm : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(AutoUpdateCycleConfirm, AsksAsConfiguredAndInstallsOnlyOnYes) {
  const ConfirmCase& c = GetParam();
  AgentFixture p(kName);
  ASSERT_NO_FATAL_FAILURE(Prepare(p, c.info));
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_NO_FATAL_FAILURE(AnswerBoxes(p, productPid, c.replies));
  ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, c.installed));
  const std::vector<test::EngineRecord> runs = test::ReadEngineRecords(p.EngineRecordFile());
  const std::vector<ProductEvent> events = p.ProductEvents();
  if (!c.installed) {
    EXPECT_TRUE(runs.empty()) << "nothing is run";
    EXPECT_EQ(VersionTxt(p), "1");
    EXPECT_EQ(p.ProductProcesses(), std::vector<DWORD>{productPid}) << "the product runs on";
    EXPECT_EQ(events.size(), 1u);
    return;
  }
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(Has(runs[0].commandLine, "/AutoUpdateProg")) << runs[0].commandLine;
  EXPECT_TRUE(Has(runs[0].commandLine, "/OriginalInfoFile=\"" + p.InfoFile() + "\""))
      << runs[0].commandLine;
  EXPECT_EQ(runs[0].atom, "deleted");
  const bool background = c.info.count("NewSetup.BackgroundUpdate") != 0;
  EXPECT_EQ(runs[0].show, background ? SW_HIDE : SW_SHOW);
  // Shut down by the default method, not started again.
  ASSERT_EQ(events.size(), 2u) << test::ReadWholeFile(p.ProductRecordFile());
  EXPECT_EQ(events[1].kind, "end");
  EXPECT_EQ(events[1].reason, "WM_CLOSE");
}

const char kConfirm[] = "Confirm";
const char kAttention[] = "Attention";
const std::string kS11 = "[s11] A new version of Acme Demo is available.";
const std::string kS12 = "[s12] It will be downloaded and installed.";
const std::string kS13 = "[s13] Download it now?";
const std::string kS14 = "[s14] The update of Acme Demo has been downloaded. Install it now?";
const std::string kS18 = "[s18] It will be downloaded now.";
const std::string kS19 =
    "[s19] It will be downloaded now; you will be asked before it is installed.";
const std::string kS20 = "[s20] The update of Acme Demo will be installed now.";

const ConfirmCase kConfirmCases[] = {
    {"DownloadNo",
     {{"NewSetup.RequestConfirmationBeforeDownload", "1"}},
     {{{kS11, kS12}, 'N', kConfirm, {kS13}}},
     false},
    {"DownloadYes",
     {{"NewSetup.RequestConfirmationBeforeDownload", "1"}},
     {{{kS11, kS12}, 'Y', kConfirm}},
     true},
    {"InstallNo",
     {{"NewSetup.RequestConfirmationBeforeInstall", "1"}},
     {{{kS14}, 'N', kConfirm}},
     false},
    {"InstallYesInBackground",
     {{"NewSetup.RequestConfirmationBeforeInstall", "1"}, {"NewSetup.BackgroundUpdate", "1"}},
     {{{kS14}, 'Y', kConfirm}},
     true},
    {"BothYes",
     {{"NewSetup.RequestConfirmationBeforeDownload", "1"},
      {"NewSetup.RequestConfirmationBeforeInstall", "1"}},
     {{{kS11, kS13}, 'Y', kConfirm, {kS12}}, {{kS14}, 'Y', kConfirm}},
     true},
    // Forced: a statement to take note of, no question.
    {"DownloadForce",
     {{"NewSetup.RequestConfirmationBeforeDownload", "1"},
      {"NewSetup.RequestConfirmationBeforeDownloadForce", "1"}},
     {{{kS11, kS18}, VK_RETURN, kAttention, {kS12, kS13}}},
     true},
    {"DownloadForceThenInstallQuestion",
     {{"NewSetup.RequestConfirmationBeforeDownload", "1"},
      {"NewSetup.RequestConfirmationBeforeDownloadForce", "1"},
      {"NewSetup.RequestConfirmationBeforeInstall", "1"}},
     {{{kS11, kS19}, VK_RETURN, kAttention, {kS13}}, {{kS14}, 'Y', kConfirm}},
     true},
    {"InstallForce",
     {{"NewSetup.RequestConfirmationBeforeInstall", "1"},
      {"NewSetup.RequestConfirmationBeforeInstallForce", "1"}},
     {{{kS20}, VK_RETURN, kAttention, {kS14}}},
     true},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateCycleConfirm, ::testing::ValuesIn(kConfirmCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 3. The running product: shut down by the configured method, started again.

struct ShutDownCase {
  const char* name;
  const char* method;           // ShutDownMethod as written in the ".info"
  const char* productSwitches;  // /IgnoreClose, /IgnoreQuit; nullptr: not running
  IniValues info;               // RestartProcess, InformFinish
  std::vector<Reply> replies;
  const char* endReason;  // the product's end line; "" terminated; nullptr runs on
  const char* ignored;    // the product's "ignored" line, or ""
  bool installed;
  bool restarted;  // a new product process with version 2
};

void PrintTo(const ShutDownCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoUpdateCycleShutDown : public ::testing::TestWithParam<ShutDownCase> {};

TEST_P(AutoUpdateCycleShutDown, EndsTheProductByItsMethodAndStartsItAgain) {
  const ShutDownCase& c = GetParam();
  AgentFixture p(kName);
  IniValues info = c.info;
  info["NewSetup.ShutDownMethod"] = c.method;
  ASSERT_NO_FATAL_FAILURE(Prepare(p, info));
  const DWORD productPid = c.productSwitches ? p.StartProduct(c.productSwitches) : 0;
  ASSERT_EQ(productPid != 0, c.productSwitches != nullptr);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_NO_FATAL_FAILURE(AnswerBoxes(p, productPid, c.replies));
  ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, c.installed));
  const std::string log = p.AgentLog();
  std::string method = c.method;  // as the agent reads it: without the quotes
  if (method.front() == '"')
    method = method.substr(1, method.size() - 2);
  EXPECT_TRUE(
      Has(log, "Shut Down Process() - START  (" + p.ProductExe() + ")  Method: " + method + "\r\n"))
      << log;
  // The engine ran; product.exe was replaced exactly when the product had gone.
  const std::vector<test::EngineRecord> runs = test::ReadEngineRecords(p.EngineRecordFile());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].atom, c.installed ? "deleted" : "kept");
  EXPECT_EQ(std::count(runs[0].copied.begin(), runs[0].copied.end(), "product.exe"),
            c.installed ? 1 : 0);

  if (c.restarted) {
    ASSERT_TRUE(test::PumpUntil([&] { return CountKind(p.ProductEvents(), "start") == 2; }, 20000))
        << test::ReadWholeFile(p.ProductRecordFile());
  }
  const std::vector<ProductEvent> events = p.ProductEvents();
  const std::vector<DWORD> running = p.ProductProcesses();
  if (productPid == 0) {
    EXPECT_TRUE(events.empty()) << "not started: it did not run before";
    EXPECT_TRUE(running.empty());
    return;
  }
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].pid, productPid);
  EXPECT_EQ(CountKind(events, "ignored"), *c.ignored ? 1u : 0u)
      << test::ReadWholeFile(p.ProductRecordFile());
  if (*c.ignored) {
    EXPECT_EQ(std::find_if(events.begin(), events.end(),
                           [](const ProductEvent& e) { return e.kind == "ignored"; })
                  ->reason,
              c.ignored);
  }
  if (c.endReason == nullptr) {
    EXPECT_EQ(running, std::vector<DWORD>{productPid}) << "the product runs on";
    EXPECT_EQ(CountKind(events, "end"), 0u);
    EXPECT_EQ(CountKind(events, "start"), 1u);
    return;
  }
  // The first product process has gone, by its end line or without one.
  EXPECT_TRUE(std::find(running.begin(), running.end(), productPid) == running.end());
  const auto end = std::find_if(events.begin(), events.end(),
                                [](const ProductEvent& e) { return e.kind == "end"; });
  if (*c.endReason) {
    ASSERT_NE(end, events.end()) << test::ReadWholeFile(p.ProductRecordFile());
    EXPECT_EQ(end->reason, c.endReason);
  } else {
    EXPECT_EQ(end, events.end()) << "terminated: no end line";
  }
  if (c.restarted) {
    const ProductEvent& again = events.back();
    EXPECT_EQ(again.kind, "start");
    EXPECT_NE(again.pid, productPid);
    EXPECT_EQ(again.version, "2");
    EXPECT_EQ(running, std::vector<DWORD>{again.pid});
  } else {
    EXPECT_EQ(CountKind(events, "start"), 1u) << test::ReadWholeFile(p.ProductRecordFile());
    EXPECT_TRUE(running.empty()) << "not started again";
  }
}

const std::string kS15 = "[s15] Please close product.exe.";
const std::string kS16 = "[s16] Acme Demo has been updated.";
const std::string kS17 = "[s17] Start it again now?";
const IniValues kRestart = {{"NewSetup.RestartProcess", "1"}};
const IniValues kInformFinish = {{"NewSetup.InformFinish", "1"}};
const IniValues kRestartAndInform = {{"NewSetup.RestartProcess", "1"},
                                     {"NewSetup.InformFinish", "1"}};

const ShutDownCase kShutDownCases[] = {
    // The box comes back for as long as the product runs; the user closes
    // it. The closing box (InformFinish) then shows s16 alone: no restart is
    // due.
    {"MessageBoxInformFinish",
     "Issue a Message Box",
     "",
     kInformFinish,
     {{{kS15}, VK_RETURN, kAttention},
      {{kS15}, VK_RETURN, kAttention, {}, true},
      {{kS16}, VK_RETURN, kAttention, {kS17}}},
     "WM_CLOSE",
     "",
     true,
     false},
    {"CloseAndRestart", "Using WM_CLOSE", "", kRestart, {}, "WM_CLOSE", "", true, true},
    {"Quit", "Using WM_QUIT", "", {}, {}, "WM_QUIT", "", true, false},
    {"Terminate", "Using Terminate Process", "", kRestart, {}, "", "", true, true},
    // Not shut down: product.exe cannot be replaced, nothing counts as
    // installed, nothing is restarted.
    {"DontShutDown", "Don't Shut Down", "", kRestart, {}, nullptr, "", false, false},
    // The method's whole text counts: nothing is sent (then the wait).
    {"UnknownMethod", "\"Using WM_CLOSE \"", "", kRestart, {}, nullptr, "", false, false},
    {"CloseIgnored",
     "Using WM_CLOSE",
     "/IgnoreClose",
     kRestart,
     {},
     nullptr,
     "WM_CLOSE",
     false,
     false},
    // A product that did not run is not started: no restart is due, and
    // the closing box shows s16 alone.
    {"NotRunning",
     "Using WM_CLOSE",
     nullptr,
     kRestartAndInform,
     {{{kS16}, VK_RETURN, kAttention, {kS17}}},
     "",
     "",
     true,
     false},
    // A restart due: the closing box asks; No means no restart.
    {"InformFinishRestartYes",
     "Using WM_CLOSE",
     "",
     kRestartAndInform,
     {{{kS16, kS17}, 'Y', kConfirm}},
     "WM_CLOSE",
     "",
     true,
     true},
    {"InformFinishRestartNo",
     "Using WM_CLOSE",
     "",
     kRestartAndInform,
     {{{kS16, kS17}, 'N', kConfirm}},
     "WM_CLOSE",
     "",
     true,
     false},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateCycleShutDown, ::testing::ValuesIn(kShutDownCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 4. After an installation the agent hands over to a fresh one.

TEST(AutoUpdateCycleHandOver, AFreshAgentTakesOverAfterTheInstallation) {
  AgentFixture p(kName);
  ASSERT_NO_FATAL_FAILURE(Prepare(p, {}));
  ASSERT_NE(p.StartProduct(), 0u);
  // Override field 3 (BackgroundUpdate) travels to the fresh agent.
  const std::string overrides = "|255|255|255|1|255|255|255|255|";
  ASSERT_TRUE(p.StartAgent("/DELAY=0 /TRANSIENT=" + overrides)) << p.viewer().Text();
  const DWORD oldAgent = p.XAgentPid();

  ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, true));
  const std::vector<test::EngineRecord> runs = test::ReadEngineRecords(p.EngineRecordFile());
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].show, SW_HIDE) << "the override made it a background update";

  // The plain agent waits 10 s, renews the X_ agent and starts it.
  ASSERT_TRUE(p.WaitForXAgent(60000, oldAgent)) << p.AgentLog() << p.viewer().Text();
  EXPECT_NE(p.XAgentPid(), oldAgent);
  EXPECT_FALSE(::IsWindowVisible(p.XAgentWindow()));
  const std::vector<DWORD> agents = p.XAgentProcesses();
  EXPECT_EQ(agents, std::vector<DWORD>{p.XAgentPid()}) << "the old agent has ended";
  const std::string log = p.AgentLog();
  EXPECT_TRUE(
      Has(log, ".. WinExec - " + p.AgentExe() + " /_ZZ=99 /WAIT=10 /TRANSIENT=" + overrides))
      << log;
  EXPECT_TRUE(Has(log, ".. PostMessage(WM_DESTROY)")) << log;
  // The fresh agent checks at once and finds the update already handled.
  ASSERT_TRUE(p.WaitForTrace(" GetOkToPerformAU=", 30000, p.XAgentPid())) << p.viewer().Text();
  EXPECT_TRUE(WaitForLog(p, "GetOkToPerformAU = 2 - Too early for retesting", 10000))
      << p.AgentLog();
  EXPECT_EQ(test::ReadEngineRecords(p.EngineRecordFile()).size(), 1u) << "installed once";
  ASSERT_TRUE(p.StopAgent());
}

// ---------------------------------------------------------------------------
// 5. An update that is not the product's, or no update at all.

enum class Source { OtherToken, NotFound, ErrorPage, ServerDown };

struct RejectCase {
  const char* name;
  Source source;
  bool confirmDownload;        // RequestConfirmationBeforeDownload
  std::vector<Reply> replies;  // after the question before the download
  std::string logLine;         // <URL>: the update's URL
};

void PrintTo(const RejectCase& c, std::ostream* os) {
  *os << c.name;
}

std::string WithUrl(std::string text, const std::string& url) {
  const size_t at = text.find("<URL>");
  if (at != std::string::npos)
    text.replace(at, 5, url);
  return text;
}

class AutoUpdateCycleReject : public ::testing::TestWithParam<RejectCase> {};

TEST_P(AutoUpdateCycleReject, InstallsNothingThatIsNotTheProductsUpdate) {
  const RejectCase& c = GetParam();
  const std::string name = kName;
  AgentFixture p(name);
  IniValues info;
  if (c.confirmDownload)
    info["NewSetup.RequestConfirmationBeforeDownload"] = "1";
  // The size check passes for a missing file (size -1) and for the error
  // page (132 bytes) alike.
  if (c.source != Source::OtherToken)
    info["NewSetup.SizeOfUpdateFile"] = "50";
  std::string location;
  switch (c.source) {
    case Source::OtherToken:
      break;
    case Source::NotFound:
      location = test::WebFaultUrl(test::WebFault::NotFound, name);
      break;
    case Source::ErrorPage:
      location = test::WebFaultUrl(test::WebFault::ErrorPage, name);
      break;
    case Source::ServerDown:
      location = "http://127.0.0.1:9/" + name;  // nothing listens there
      break;
  }
  if (!location.empty())
    info["NewSetup.DownloadURL_UPDATE"] = location;
  ASSERT_NO_FATAL_FAILURE(
      Prepare(p, info, {}, 0, c.source == Source::OtherToken ? "another-product-token" : ""));
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  std::vector<Reply> replies = c.replies;
  if (c.confirmDownload)
    replies.insert(replies.begin(), Reply{{kS11}, 'Y', kConfirm});
  const std::string url = location + "/" + p.names().updateFile;
  for (Reply& reply : replies) {
    for (std::string& part : reply.shows)
      part = WithUrl(part, url);
  }
  ASSERT_NO_FATAL_FAILURE(AnswerBoxes(p, productPid, replies));
  ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, false));
  const std::string log = p.AgentLog();
  EXPECT_TRUE(Has(log, WithUrl(c.logLine, url))) << log;
  // Without the question before the download a failed download is only logged.
  EXPECT_EQ(Has(log, "ATTENTION: "), c.confirmDownload && c.source != Source::OtherToken) << log;
  EXPECT_TRUE(test::ReadEngineRecords(p.EngineRecordFile()).empty()) << "nothing is run";
  EXPECT_EQ(VersionTxt(p), "1");
  EXPECT_EQ(p.ProductProcesses(), std::vector<DWORD>{productPid}) << "the product runs on";
  EXPECT_EQ(p.ProductEvents().size(), 1u);
}

const char kError[] = "Error";

// An HTML page in place of the update counts as a "not found" page.
const std::string kNotFoundText = "404 File Not Found...";
const std::string kNotFoundLog = "ERROR: <B>404 File Not Found...</B><P><P>URL:  <URL>.";

const RejectCase kRejectCases[] = {
    {"OtherToken",
     Source::OtherToken,
     false,
     {{{"Bad Secret Token!"}, VK_RETURN, kError}},
     "ERROR: Bad Secret Token!"},
    {"NotFound", Source::NotFound, false, {}, kNotFoundLog},
    {"NotFoundAsked",
     Source::NotFound,
     true,
     {{{"Unable to Download File!", "<URL>"}, VK_RETURN, kAttention}},
     "ATTENTION: Unable to Download File!<P><P><URL>"},
    {"ErrorPage",
     Source::ErrorPage,
     false,
     {{{kNotFoundText, "URL:  <URL>."}, VK_RETURN, kError}},
     kNotFoundLog},
    {"ServerDownAsked",
     Source::ServerDown,
     true,
     {{{"Unable to Download File!", "<URL>"}, VK_RETURN, kAttention}},
     "ATTENTION: Unable to Download File!<P><P><URL>"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateCycleReject, ::testing::ValuesIn(kRejectCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 6. A running process named outside the product's folder.

TEST(AutoUpdateCycleOutside, LeavesAProgramOutsideTheProductFolderRunning) {
  AgentFixture p(kName);
  const std::string otherDir = p.BuildDir() + "\\elsewhere";
  const std::string other = otherDir + "\\product.exe";
  ASSERT_NO_FATAL_FAILURE(Prepare(p, {{"NewSetup.RunningProcess", other},
                                      {"NewSetup.ShutDownMethod", "Using Terminate Process"},
                                      {"NewSetup.RestartProcess", "1"}}));
  ASSERT_TRUE(::CreateDirectoryA(otherDir.c_str(), nullptr));
  ASSERT_TRUE(test::CopyFileTo(test::ProductStandInExe(), other));
  std::string commandLine = test::Quote(other);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               otherDir.c_str(), &startup, &started));
  const KernelObject otherProcess(started.hProcess);
  const KernelObject otherThread(started.hThread);
  struct EndAtExit {
    HANDLE process;
    ~EndAtExit() {
      ::TerminateProcess(process, 0xDEAD);
      ::WaitForSingleObject(process, 5000);
    }
  } endAtExit{started.hProcess};
  const std::string otherRecord = otherDir + "\\product.record";
  ASSERT_TRUE(test::PumpUntil([&] { return test::FileExists(otherRecord); }, 20000));
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  // The product in its folder does not run: the update is installed.
  ASSERT_NO_FATAL_FAILURE(ExpectCycleEnd(p, true));
  EXPECT_TRUE(Has(p.AgentLog(),
                  "ATTENTION: the running process lies outside the product's folder and is "
                  "left alone: " +
                      other))
      << p.AgentLog();
  EXPECT_EQ(::WaitForSingleObject(otherProcess.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the program elsewhere runs on";
  const std::vector<ProductEvent> events = test::ReadProductRecord(otherRecord);
  ASSERT_EQ(events.size(), 1u) << test::ReadWholeFile(otherRecord);
  EXPECT_EQ(events[0].kind, "start");
  EXPECT_EQ(test::ProcessesRunning(other).size(), 1u) << "and is not started again";
  EXPECT_TRUE(p.ProductProcesses().empty());
}

}  // namespace
}  // namespace orvane
