// The auto-update agent of an installed product between updates, as its
// users meet it: the schedule and its checks, the information dialog about a
// new version, the check a user asks for, the test mode of the vendor's
// testers, the commands and notifications of the product's own programs, and
// what the agent does when the update information cannot be fetched. The
// product (version 1) is really installed with its agent; the vendor's files
// lie on the test web server or in the test-mode folder (AgentFixture.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "harness/AgentFixture.h"
#include "harness/ClientWindow.h"
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

constexpr char kInformClass[] = "ZRichEditBox";
constexpr char kBoxClass[] = "ZMsgBox";
constexpr UINT kClientMessage = WM_APP + 23;
constexpr WPARAM kNotifyAgentWindow = 50;
constexpr WPARAM kNotifyAgentMessage = 51;
constexpr DWORD kBoxTimeoutMs = 30000;

// What the product's ".original" says to keep the agent from checking on its
// own: checks come only when a test asks for one.
const IniValues kNoScheduledChecks = {{"OriginalSetup.ProbeSecondsInterval", "-1"}};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Local seconds since 30 December 1899, the scale of the agent's schedule.
int64_t SecondsNow() {
  SYSTEMTIME base{};
  base.wYear = 1899;
  base.wMonth = 12;
  base.wDay = 30;
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  FILETIME baseTime{};
  FILETIME nowTime{};
  ::SystemTimeToFileTime(&base, &baseTime);
  ::SystemTimeToFileTime(&now, &nowTime);
  const auto ticks = [](const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (ticks(nowTime) - ticks(baseTime)) / 10000000;
}

int64_t ToInt64(const std::optional<std::string>& text) {
  return text ? std::strtoll(text->c_str(), nullptr, 10) : INT64_MIN;
}

// The lines of the current X_ agent that contain `part`.
size_t CountTrace(const AgentFixture& product, const std::string& part, DWORD pid = 0) {
  const std::vector<std::string> lines = product.TraceOf(pid);
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                           [&](const std::string& l) { return Has(l, part); }));
}

bool WaitForLog(const AgentFixture& product, const std::string& part, DWORD timeoutMs) {
  return test::PumpUntil([&] { return Has(product.AgentLog(), part); }, timeoutMs);
}

// Waits until the current X_ agent has traced a tick after the `seen` ones.
bool WaitForTickAfter(const AgentFixture& product, size_t seen) {
  return test::PumpUntil([&] { return product.TickCounts().size() > seen; }, 10000);
}

bool AgentShowsABox(const AgentFixture& product) {
  return !test::TopLevelWindows(product.XAgentPid(), kBoxClass, true).empty();
}

// The window with the keyboard focus in the thread of `window`, or null.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                                : nullptr;
}

HWND Child(HWND parent, const char* className) {
  return ::FindWindowExA(parent, nullptr, className, nullptr);
}

// The ZRichEditBox's text control: its one child that is not the button.
HWND InformText(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (::lstrcmpiA(name, "Button") != 0)
      return child;
  }
  return nullptr;
}

// The client program of the product that the agent notifies.
class Client : public test::ClientWindow {
 public:
  Client() : ClientWindow(kClientMessage) {}
  // Registers with the agent through the plain agent and waits for the
  // agent's answer (its window and its message number).
  bool Register(AgentFixture& product) {
    product.RunAgent(test::ClientSwitch(window(), message()));
    return test::PumpUntil([&] { return codes.size() >= 2; }, 10000);
  }
};

// The program the shell starts for web addresses ("http"), for the current
// user as Windows reads it, and in the machine's classes, which is what
// Wine's shell reads (it does not merge the user's classes into
// HKEY_CLASSES_ROOT). Put back as it was when the object goes.
class ScopedUrlHandler {
 public:
  ScopedUrlHandler(const std::string& scheme, const std::string& command)
      : schemeKey_("Software\\Classes\\" + scheme) {
    const std::string commandKey = schemeKey_ + "\\shell\\open\\command";
    for (Saved& saved : saved_) {
      HKEY opened = nullptr;
      saved.created =
          ::RegOpenKeyExA(saved.root, schemeKey_.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS;
      if (opened != nullptr)
        ::RegCloseKey(opened);
      saved.previous = ReadDefault(saved.root, commandKey);
      ok_ = WriteDefault(saved.root, commandKey, command) && ok_;
    }
  }
  ~ScopedUrlHandler() {
    const std::string commandKey = schemeKey_ + "\\shell\\open\\command";
    for (const Saved& saved : saved_) {
      if (saved.created) {
        ::RegDeleteTreeA(saved.root, schemeKey_.c_str());
      } else if (saved.previous) {
        WriteDefault(saved.root, commandKey, *saved.previous);
      } else {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(saved.root, commandKey.c_str(), 0, KEY_SET_VALUE, &opened) ==
            ERROR_SUCCESS) {
          const RegKey key(opened);
          ::RegDeleteValueA(key.get(), nullptr);
        }
      }
    }
  }
  ScopedUrlHandler(const ScopedUrlHandler&) = delete;
  ScopedUrlHandler& operator=(const ScopedUrlHandler&) = delete;
  bool ok() const { return ok_; }

 private:
  struct Saved {
    HKEY root;
    bool created = false;
    std::optional<std::string> previous;
  };

  static std::optional<std::string> ReadDefault(HKEY root, const std::string& keyPath) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
      return std::nullopt;
    const RegKey key(opened);
    char value[2048] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                           &size) != ERROR_SUCCESS)
      return std::nullopt;
    return std::string(value);
  }
  static bool WriteDefault(HKEY root, const std::string& keyPath, const std::string& value) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                          nullptr) != ERROR_SUCCESS)
      return false;
    const RegKey key(opened);
    return ::RegSetValueExA(key.get(), nullptr, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }

  std::string schemeKey_;
  Saved saved_[2] = {{HKEY_CURRENT_USER, false, std::nullopt},
                     {HKEY_LOCAL_MACHINE, false, std::nullopt}};
  bool ok_ = true;
};

// ---------------------------------------------------------------------------
// The information dialog instead of an update

TEST(AutoUpdateAgentInform, ShowsTheNewVersionAndOffersOnlyAWebLink) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  const std::string message = "Version 2 of Acme Demo is out: faster, smaller, friendlier.";
  struct Case {
    const char* what;
    std::string link;  // empty: the product's own program
    bool offered;      // a button opens it
  };
  const Case cases[] = {
      {"a web page", "", true},
      {"a program", "product", false},
      {"a network path", "\\\\127.0.0.1\\share\\acme-setup.exe", false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AgentFixture product("aua-inform-" + std::to_string(n++));
    ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
    std::string link = c.link;
    if (link.empty())
      link = product.WebUrl() + "/whats-new.html";
    else if (link == "product")
      link = product.ProductExe();
    ASSERT_TRUE(product.PublishInformFile(message));
    const IniValues inform = {{"General.AutoInform", "1"}, {"AutoInform.DownloadURL_INFORM", link}};
    ASSERT_TRUE(product.PublishInfo(inform));
    // The web browser of this machine: the product stand-in, which records
    // the address it was given (and is ended with the product's processes).
    const std::string browserRecord = product.BuildDir() + "\\browser.record";
    const ScopedUrlHandler browser("http", test::Quote(product.ProductExe()) + " /Record=" +
                                               test::Quote(browserRecord) + " \"%1\"");
    ASSERT_TRUE(browser.ok());

    // The one check of this run comes at the first tick: the dialog.
    ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
    HWND dialog = product.WaitForWindow(kInformClass, kBoxTimeoutMs);
    ASSERT_NE(dialog, nullptr) << product.viewer().Text() << product.AgentLog();
    EXPECT_EQ(test::WindowText(dialog), "New Version");
    HWND text = InformText(dialog);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(Has(test::WindowText(text), message)) << test::WindowText(text);
    HWND button = Child(dialog, "Button");
    EXPECT_EQ(button != nullptr, c.offered);
    EXPECT_EQ(Has(product.AgentLog(), "ATTENTION: the inform link is not a web address"),
              !c.offered)
        << product.AgentLog();

    if (button != nullptr) {
      EXPECT_EQ(test::WindowText(button), "Download");
      // The button has the focus: the space bar presses it.
      ASSERT_TRUE(test::PumpUntil([&] { return FocusOf(dialog) == button; }, 10000));
      test::PressKey(dialog, VK_SPACE);
    } else {
      ::PostMessageA(dialog, WM_CLOSE, 0, 0);  // the close box
    }
    ASSERT_TRUE(test::PumpUntil([&] { return !::IsWindow(dialog); }, 10000));
    ASSERT_TRUE(WaitForLog(product, "PerformAutoInform() - END TRUE", 10000)) << product.AgentLog();
    // The shell has started what it opened by now.
    EXPECT_EQ(product.ProductProcesses().empty(), !c.offered);
    if (c.offered) {
      ASSERT_TRUE(
          test::PumpUntil([&] { return !test::ReadProductRecord(browserRecord).empty(); }, 10000));
      const test::ProductEvent opened = test::ReadProductRecord(browserRecord).front();
      EXPECT_EQ(opened.kind, "start");
      EXPECT_TRUE(Has(opened.commandLine, link)) << opened.commandLine;
    } else {
      EXPECT_FALSE(test::FileExists(browserRecord));
      EXPECT_FALSE(test::FileExists(product.ProductRecordFile()));
    }
    EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "2");

    // The vendor renews the information (a new stamp) without a new
    // version: a check the product asks for does not announce version 2 again.
    ASSERT_TRUE(product.PublishInfo(test::Merged(inform, {{"NewSetup.Stamp", "102"}})));
    const size_t decided = CountTrace(product, " GetOkToPerformAU=");
    product.SendAgentCommand(31, 0);
    ASSERT_TRUE(test::PumpUntil([&] { return CountTrace(product, " GetOkToPerformAU=") > decided; },
                                20000));
    EXPECT_EQ(CountTrace(product, " GetOkToPerformAU=3"), 1u) << product.viewer().Text();
    EXPECT_EQ(CountTrace(product, " ==== PerformAutoInform-1 ===="), 1u);
    EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "2");
  }
}

TEST(AutoUpdateAgentInform, AnInformFileOfAnotherProductIsReportedAndDeleted) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("aua-inform-token");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  ASSERT_TRUE(product.PublishInformFile("Version 2 is out.", {}, "another-product-token"));
  ASSERT_TRUE(product.PublishInfo({{"General.AutoInform", "1"}}));

  ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
  const std::optional<AgentBox> box = product.WaitForBox(kBoxTimeoutMs);
  ASSERT_TRUE(box) << product.viewer().Text() << product.AgentLog();
  EXPECT_TRUE(Has(box->text, "Bad Secret Token!")) << box->text;
  ASSERT_TRUE(product.Answer(*box, VK_RETURN));
  ASSERT_TRUE(WaitForLog(product, "PerformAutoInform() - END FALSE", 10000)) << product.AgentLog();

  EXPECT_EQ(product.WaitForWindow(kInformClass, 0), nullptr) << "no dialog";
  EXPECT_FALSE(test::FileExists(product.ProductDir() + "\\" + product.names().informFile));
  EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "1");
  EXPECT_FALSE(Has(product.AgentLog(), "another-product-token")) << "a token is never logged";
}

// ---------------------------------------------------------------------------
// A check the user asks for (/TEST=2)

// The question before a check the user asked for, as the default texts of
// the fixture's ".original" give it.
void ExpectCheckQuestion(const AgentBox& box, bool web, bool testMode) {
  EXPECT_TRUE(Has(box.text, "[s22] Acme Demo looks for a new version.")) << box.text;
  EXPECT_EQ(Has(box.text, "[s23] It connects to the Internet for that."), web) << box.text;
  EXPECT_TRUE(Has(box.text, "[s24] Look now?")) << box.text;
  EXPECT_EQ(Has(box.text, "PLEASE NOTE - You are now running in Test Mode!"), testMode) << box.text;
}

TEST(AutoUpdateAgentUserCheck, AsksFirstAndSaysWhenThereIsNothingNew) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("aua-usercheck");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  ASSERT_TRUE(product.PublishInfo({{"NewSetup.VersionNew", "1"}}));  // nothing new
  ASSERT_TRUE(product.WriteOriginal(kNoScheduledChecks));
  ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();

  struct Case {
    int answer;
    bool checks;  // the agent fetches the information and answers
  };
  for (const Case& c : {Case{'N', false}, Case{'Y', true}}) {
    SCOPED_TRACE(c.answer == 'Y' ? "Yes" : "No");
    const size_t fired = CountTrace(product, " Fire ");
    const std::optional<std::string> lastCheck =
        product.OriginalValue("OriginalSetup.ProbeSecondsLast");
    ASSERT_TRUE(product.RunAgent("/TEST=2").finished);
    const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
    ASSERT_TRUE(question) << product.viewer().Text();
    ExpectCheckQuestion(*question, true, false);
    ASSERT_TRUE(product.Answer(*question, c.answer));
    if (c.checks) {
      const std::optional<AgentBox> answer = product.WaitForBox(kBoxTimeoutMs);
      ASSERT_TRUE(answer) << product.viewer().Text();
      EXPECT_TRUE(Has(answer->text, "[s21] No new version of Acme Demo is available."))
          << answer->text;
      ASSERT_TRUE(product.Answer(*answer, VK_RETURN));
    }
    ASSERT_TRUE(WaitForTickAfter(product, product.TickCounts().size()));
    EXPECT_EQ(CountTrace(product, " Fire "), fired + (c.checks ? 1 : 0));
    EXPECT_EQ(product.OriginalValue("OriginalSetup.ProbeSecondsLast") != lastCheck, c.checks);
    EXPECT_FALSE(AgentShowsABox(product));
  }
  EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "1");
}

TEST(AutoUpdateAgentUserCheck, WithoutARunningAgentOneIsStartedForTheCheckAndEnds) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("aua-usercheck-start");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  ASSERT_TRUE(product.PublishInfo({{"NewSetup.VersionNew", "1"}}));
  ASSERT_TRUE(product.WriteOriginal(kNoScheduledChecks));

  ASSERT_TRUE(product.RunAgent("/TEST=2").finished);
  ASSERT_TRUE(product.WaitForXAgent()) << product.viewer().Text();
  const DWORD pid = product.XAgentPid();
  KernelObject process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
  ASSERT_TRUE(process);
  const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
  ASSERT_TRUE(question) << product.viewer().Text() << product.AgentLog();
  ExpectCheckQuestion(*question, true, false);
  ASSERT_TRUE(product.Answer(*question, 'Y'));
  const std::optional<AgentBox> answer = product.WaitForBox(kBoxTimeoutMs);
  ASSERT_TRUE(answer) << product.viewer().Text();
  EXPECT_TRUE(Has(answer->text, "[s21] No new version of Acme Demo is available.")) << answer->text;
  ASSERT_TRUE(product.Answer(*answer, VK_RETURN));

  // Nobody stops it: it ends two ticks after the check.
  ASSERT_TRUE(test::PumpUntil(
      [&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 20000))
      << product.viewer().Text();
  const std::vector<int> ticks = product.TickCounts(pid);
  ASSERT_GE(ticks.size(), 3u) << product.viewer().Text();
  EXPECT_EQ(std::vector<int>(ticks.end() - 3, ticks.end()), (std::vector<int>{1, 2, 3}))
      << product.viewer().Text();
  EXPECT_EQ(CountTrace(product, " Fire ", pid), 1u);
  EXPECT_TRUE(product.XAgentProcesses().empty());
}

// ---------------------------------------------------------------------------
// Test mode

TEST(AutoUpdateAgentTestMode, OnlyTodaysTestModeTakesTheFilesFromTheTestFolder) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  struct Case {
    int dayOffset;        // of TestModeDate
    bool testMode;        // the agent runs in test mode
    const char* version;  // the version it installs
  };
  for (const Case& c : {Case{0, true, "3"}, Case{-1, false, "2"}}) {
    SCOPED_TRACE("TestModeDate " + test::DateStamp(c.dayOffset));
    AgentFixture product("aua-testmode" + std::to_string(-c.dayOffset));
    ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
    // Version 2 for everybody on the web server, version 3 for the testers.
    ASSERT_TRUE(product.PublishUpdate(2));
    ASSERT_TRUE(product.PublishInfo());
    ASSERT_TRUE(product.PublishUpdate(3, product.TestModeDir()));
    ASSERT_TRUE(product.PublishInfo({{"NewSetup.VersionNew", "3"}, {"NewSetup.Stamp", "103"}},
                                    product.TestModeDir()));
    ASSERT_TRUE(product.WriteOriginal(kNoScheduledChecks));
    const test::ScopedTestMode mode(product.TestModeDir(), "1", test::DateStamp(c.dayOffset));
    ASSERT_TRUE(mode.ok());
    ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();

    ASSERT_TRUE(product.RunAgent("/TEST=2").finished);
    const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
    ASSERT_TRUE(question) << product.viewer().Text();
    // The test folder is a local path: the question does not mention the Internet.
    ExpectCheckQuestion(*question, !c.testMode, c.testMode);
    ASSERT_TRUE(product.Answer(*question, 'Y'));
    // The user who asked is told when the update is in.
    const std::optional<AgentBox> done = product.WaitForBox(60000);
    ASSERT_TRUE(done) << product.viewer().Text() << product.AgentLog();
    EXPECT_TRUE(Has(done->text, "[s16] Acme Demo has been updated.")) << done->text;
    ASSERT_TRUE(product.Answer(*done, VK_RETURN));
    ASSERT_TRUE(WaitForLog(product, "PerformAutoUpdate() - END    Result=TRUE", 10000))
        << product.viewer().Text() << product.AgentLog();

    EXPECT_EQ(test::ReadWholeFile(product.ProductDir() + "\\version.txt"), c.version);
    EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), c.version);
    EXPECT_EQ(test::ReadIniValue(product.InfoFile(), "NewSetup.VersionNew"), c.version);
    const std::string log = product.AgentLog();
    EXPECT_EQ(Has(log, "TestMode=TRUE"), c.testMode) << log;
    EXPECT_EQ(Has(log, "Download START: " + product.TestModeDir() + "\\acme.info"), c.testMode)
        << log;
    EXPECT_EQ(Has(log, "Download END:   " + product.WebUrl() + "/acme-update.exe"), !c.testMode)
        << log;
  }
}

// ---------------------------------------------------------------------------
// The remaining lifetime

TEST(AutoUpdateAgentLifetime, EndsAtTheFourthTickAfterALifetimeOfThree) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  struct Case {
    const char* how;
    bool throughPlainAgent;  // /STOP=3, else command 30 with 3
  };
  int n = 0;
  for (const Case& c : {Case{"command 30", false}, Case{"/STOP=3", true}}) {
    SCOPED_TRACE(c.how);
    AgentFixture product("aua-lifetime-" + std::to_string(n++));
    ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
    ASSERT_TRUE(product.PublishInfo({{"NewSetup.VersionNew", "1"}}));
    ASSERT_TRUE(product.WriteOriginal(kNoScheduledChecks));
    ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
    KernelObject process(::OpenProcess(SYNCHRONIZE, FALSE, product.XAgentPid()));
    ASSERT_TRUE(process);
    Client client;
    ASSERT_TRUE(client.Register(product));

    // The lifetime is set while the agent waits for the user's answer to
    // the question before a check, so that the ticks after it are known.
    ASSERT_TRUE(product.RunAgent("/TEST=2").finished);
    const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
    ASSERT_TRUE(question) << product.viewer().Text();
    if (c.throughPlainAgent)
      ASSERT_TRUE(product.RunAgent("/STOP=3").finished);
    else
      EXPECT_EQ(product.SendAgentCommand(30, 3), 0);
    const size_t ticksBefore = product.TickCounts().size();
    ASSERT_TRUE(product.Answer(*question, 'N'));

    ASSERT_TRUE(test::PumpUntil(
        [&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, 20000))
        << product.viewer().Text();
    EXPECT_EQ(product.TickCounts().size() - ticksBefore, 4u) << product.viewer().Text();
    test::PumpUntil([&] { return client.codes.size() >= 3; }, 5000);
    EXPECT_EQ(client.codes, (std::vector<WPARAM>{kNotifyAgentWindow, kNotifyAgentMessage, 43}));
    EXPECT_EQ(client.values.back(), 0);
  }
}

// ---------------------------------------------------------------------------
// Commands, queries and notifications of the product's programs

TEST(AutoUpdateAgentClient, QueriesAndWritesUseTheProductsFiles) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("aua-client-commands");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  ASSERT_TRUE(product.PublishUpdate(2));
  ASSERT_TRUE(product.PublishInfo());
  // No check due: the last one lies in the future (year 2185).
  ASSERT_TRUE(product.WriteOriginal({{"OriginalSetup.ProbeSecondsInterval", "3600"},
                                     {"OriginalSetup.ProbeSecondsLast", "9000000000"},
                                     {"OriginalSetup.ReAskSecondsInterval", "86400"},
                                     {"OriginalSetup.ReAskSecondsLast", "3888003661"}}));
  ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
  Client client;
  ASSERT_TRUE(client.Register(product));
  EXPECT_EQ(client.values,
            (std::vector<LPARAM>{reinterpret_cast<LPARAM>(product.XAgentWindow()), 1125}));

  // The queries answer the low 32 bits of what the files hold (the ".info"
  // is not there yet).
  struct Query {
    WPARAM code;
    uint32_t answer;
  };
  for (const Query& q : {Query{4, 1}, Query{5, 0}, Query{7, 0}, Query{8, 3600}, Query{9, 86400},
                         Query{10, static_cast<uint32_t>(9000000000LL)}, Query{11, 3888003661u}}) {
    EXPECT_EQ(static_cast<uint32_t>(product.SendAgentCommand(q.code, 0)), q.answer)
        << "query " << q.code;
  }

  // The writes land in the ".original"; values travel as 32-bit numbers.
  struct Write {
    WPARAM code;
    int32_t value;
    const char* key;
    const char* text;
    const char* readable;  // the companion key's value, or null
  };
  const Write writes[] = {
      {12, -1, "ProbeSecondsInterval", "-1", nullptr},  // no checks on schedule
      {13, 3600, "ReAskSecondsInterval", "3600", nullptr},
      {14, 1728003661, "ProbeSecondsLast", "1728003661", "03-OCT-1954 01:01:01"},
      {15, 86399, "ReAskSecondsLast", "86399", "30-DEC-1899 23:59:59"},
  };
  for (const Write& w : writes) {
    SCOPED_TRACE(w.key);
    EXPECT_EQ(product.SendAgentCommand(w.code, w.value), 0);
    EXPECT_EQ(product.OriginalValue(std::string("OriginalSetup.") + w.key), w.text);
    EXPECT_EQ(static_cast<int32_t>(product.SendAgentCommand(w.code - 4, 0)), w.value);
    if (w.readable != nullptr) {
      EXPECT_EQ(product.OriginalValue(std::string("OriginalSetup.__") + w.key), w.readable);
    }
  }

  // Command 32: the ".info" only; the client hears of the fetch, nothing else happens.
  EXPECT_EQ(product.SendAgentCommand(32, 0), 0);
  ASSERT_TRUE(test::PumpUntil([&] { return client.codes.size() >= 4; }, 20000))
      << product.viewer().Text();
  EXPECT_EQ(std::vector<WPARAM>(client.codes.begin() + 2, client.codes.end()),
            (std::vector<WPARAM>{40, 40}));
  EXPECT_EQ(std::vector<LPARAM>(client.values.begin() + 2, client.values.end()),
            (std::vector<LPARAM>{1, 2}));
  EXPECT_EQ(product.SendAgentCommand(5, 0), 2);
  EXPECT_TRUE(test::FileExists(product.InfoFile()));
  EXPECT_FALSE(test::FileExists(product.ProductDir() + "\\" + product.names().updateFile));
  EXPECT_EQ(test::ReadWholeFile(product.ProductDir() + "\\version.txt"), "1");
  EXPECT_EQ(product.SendAgentCommand(4, 0), 1);
  EXPECT_EQ(product.OriginalValue("OriginalSetup.ProbeSecondsLast"), "1728003661")
      << "fetching the information is no check";
  EXPECT_EQ(CountTrace(product, " Fire "), 0u);

  // Command 20 with 1: the agent asks before a check on schedule (once per
  // run from now on); No leaves everything as it is.
  EXPECT_EQ(product.SendAgentCommand(20, 1), 0);
  EXPECT_EQ(product.SendAgentCommand(12, 0), 0);
  const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
  ASSERT_TRUE(question) << product.viewer().Text();
  ExpectCheckQuestion(*question, true, false);
  ASSERT_TRUE(product.Answer(*question, 'N'));
  ASSERT_TRUE(WaitForTickAfter(product, product.TickCounts().size()));
  EXPECT_EQ(CountTrace(product, " Fire "), 0u);
  EXPECT_EQ(product.OriginalValue("OriginalSetup.ProbeSecondsLast"), "1728003661");
  EXPECT_EQ(client.codes.size(), 4u);
  EXPECT_EQ(test::ReadWholeFile(product.ProductDir() + "\\version.txt"), "1");
}

TEST(AutoUpdateAgentClient, HearsEachStageOfAnUpdateCheck) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture product("aua-client-update");
  ASSERT_TRUE(product.InstallVersion1()) << product.viewer().Text();
  ASSERT_TRUE(product.PublishUpdate(2));
  ASSERT_TRUE(product.PublishInfo());
  ASSERT_TRUE(product.WriteOriginal(kNoScheduledChecks));
  ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
  Client client;
  ASSERT_TRUE(client.Register(product));

  // A check the product asks for (command 31): the update is fetched and
  // installed, then the agent hands over to a fresh one and its loop ends.
  EXPECT_EQ(product.SendAgentCommand(31, 0), 0);
  ASSERT_TRUE(test::PumpUntil([&] { return client.codes.size() >= 9; }, 60000))
      << product.viewer().Text() << product.AgentLog();
  EXPECT_EQ(client.codes, (std::vector<WPARAM>{kNotifyAgentWindow, kNotifyAgentMessage, 40, 40, 41,
                                               41, 42, 42, 43}));
  EXPECT_EQ(std::vector<LPARAM>(client.values.begin() + 2, client.values.end()),
            (std::vector<LPARAM>{1, 2, 1, 2, 1, 2, 0}));
  EXPECT_EQ(test::ReadWholeFile(product.ProductDir() + "\\version.txt"), "2");
  EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "2");
}

// ---------------------------------------------------------------------------
// The update information cannot be fetched

TEST(AutoUpdateAgentInfoFailure, IsLoggedOnScheduleAndShownToTheUserWhoAsked) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  struct Case {
    const char* what;
    std::string infoUrl;    // the installation's update location
    const char* errorText;  // in the box of a check the user asked for
  };
  const Case cases[] = {
      {"server down", "http://127.0.0.1:1/acme", "Unable to open Internet Connection"},
      {"error page", test::WebFaultUrl(test::WebFault::ErrorPage, "aua-info-1"),
       "404 File Not Found..."},
      {"not on the server", test::WebHttpUrl("aua-info-2"), "404 File Not Found..."},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AgentFixture product("aua-info-" + std::to_string(n++));
    ASSERT_TRUE(product.InstallVersion1(c.infoUrl)) << product.viewer().Text();

    // The check of this run, at the first tick: logged, no box.
    const int64_t before = SecondsNow();
    ASSERT_TRUE(product.StartAgent()) << product.viewer().Text();
    ASSERT_TRUE(WaitForLog(product, "GetOkToPerformAU = 0 - ", 30000)) << product.AgentLog();
    ASSERT_TRUE(WaitForTickAfter(product, product.TickCounts().size()));
    const int64_t after = SecondsNow();
    const int64_t lastCheck = ToInt64(product.OriginalValue("OriginalSetup.ProbeSecondsLast"));
    EXPECT_GE(lastCheck, before);
    EXPECT_LE(lastCheck, after);
    EXPECT_FALSE(AgentShowsABox(product));
    EXPECT_EQ(CountTrace(product, " Fire "), 1u) << "one check, not one per tick";

    // The user asks: the reason is shown.
    ASSERT_TRUE(product.RunAgent("/TEST=2").finished);
    const std::optional<AgentBox> question = product.WaitForBox(kBoxTimeoutMs);
    ASSERT_TRUE(question) << product.viewer().Text();
    ExpectCheckQuestion(*question, true, false);
    ASSERT_TRUE(product.Answer(*question, 'Y'));
    const std::optional<AgentBox> error = product.WaitForBox(kBoxTimeoutMs);
    ASSERT_TRUE(error) << product.viewer().Text();
    EXPECT_TRUE(Has(error->text, c.errorText)) << error->text;
    EXPECT_TRUE(Has(error->text, c.infoUrl + "/acme.info")) << error->text;
    ASSERT_TRUE(product.Answer(*error, VK_RETURN));
    EXPECT_EQ(product.OriginalValue("OriginalSetup.VersionOriginal"), "1");
  }
}

}  // namespace
}  // namespace orvane
