// AgentFixture: an installed product with its auto-update agent, for the
// scenario tests of the agent, set up the way a vendor and a user would:
//
//   - version 1 of the product (the product stand-in, tools/product, with
//     version.txt "1") is really installed: a stubpack-built installer with
//     AgentCopy, AgentLog and an [Internet] block is run hidden; the launcher
//     writes its agent copy beside the extracted files and the stand-in
//     engine (/Install=) copies them all, the agent included, into the
//     product folder;
//   - the product's ".original" file (the agent's record of what is
//     installed) and the vendor's ".info" file are written from a few values
//     over sensible defaults, so that a test states only what matters;
//   - the update (version 2: the same product with version.txt "2") and an
//     inform file are published on the test web server (nginx) in a folder of
//     this fixture, or in the test-mode folder;
//   - the product and the agent run as processes: the plain agent is started
//     as the installation's shortcut starts it, the X_ agent it starts is
//     found by its file and its hidden window; boxes the agent shows are
//     found, read and answered by key as a user answers them;
//   - every process started here, or started by the agent from the product
//     folder (the X_ agent, a restarted agent or product), is ended by its
//     process id when the fixture goes; its folders are removed.
//
// Waits pump this thread's messages, so that the fixture's debug viewer (and
// a test's ClientWindow) receive what the agent sends meanwhile.
//
// Layout (N = the name given to the constructor):
//   %TEMP%\orvane-tests\N\product\    the installation: product.exe,
//                                     version.txt, the agent (Acme_AU.exe),
//                                     acme.original, and what the agent adds
//                                     (X_Acme_AU.exe, X_Acme_AU.log, acme.info,
//                                     product.record)
//   %TEMP%\orvane-tests\N\build\      installers and their ingredients
//   %TEMP%\orvane-tests\N\testmode\   the folder for test mode (TestModeURL)
//   <web root>\N\                     the update location on the web server
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"
#include "util/Handles.h"

namespace orvane::test {

// ---------------------------------------------------------------------------
// INI files from values

// Values of an INI file by "Section.Key" (the section ends at the first
// dot). A missing value (std::nullopt) leaves the key out of the file.
using IniValues = std::map<std::string, std::optional<std::string>>;

// `base` with `changes` laid over it: a change replaces the value of its
// key or, when it is std::nullopt, removes the key.
IniValues Merged(IniValues base, const IniValues& changes);
// The file text: sections and keys in the order of the map, CR LF lines.
std::string IniText(const IniValues& values);
// A value as the system's profile reader reads it from `file`, or
// std::nullopt when the key is not there.
std::optional<std::string> ReadIniValue(const std::string& file, const std::string& sectionKey);

// ---------------------------------------------------------------------------
// The product stand-in

// The product stand-in of this build (tools/product).
std::string ProductStandInExe();

// One line of the product stand-in's record.
struct ProductEvent {
  std::string kind;         // "start", "ignored" or "end"
  DWORD pid = 0;            // start
  std::string version;      // start: what version.txt said
  std::string commandLine;  // start: the command line it was started with
  std::string reason;       // ignored, end: WM_CLOSE, WM_QUIT, WM_DESTROY
};
// The events of a record file, oldest first.
std::vector<ProductEvent> ReadProductRecord(const std::string& path);

// ---------------------------------------------------------------------------
// Test mode

// The local date `dayOffset` days from today as DD-MON-YYYY (05-JAN-2011),
// the form of the TestModeDate value.
std::string DateStamp(int dayOffset = 0);

// The agent's test mode in the current user's registry (the test prefix's,
// under Wine): HKCU\Software\Dellomir\Orvane\AutoUpdate values TestMode,
// TestModeDate and TestModeURL, set while the object lives and deleted when
// it goes. The agent re-reads them at its next check.
class ScopedTestMode {
 public:
  explicit ScopedTestMode(const std::string& url, const std::string& mode = "1",
                          const std::string& date = DateStamp());
  ~ScopedTestMode();
  ScopedTestMode(const ScopedTestMode&) = delete;
  ScopedTestMode& operator=(const ScopedTestMode&) = delete;
  bool ok() const { return ok_; }  // the three values were written

 private:
  bool ok_ = false;
};

// ---------------------------------------------------------------------------
// The installed product and its agent

// The names one product's installers carry.
struct ProductNames {
  std::string agentFile = "Acme_AU.exe";
  std::string infoFile = "acme.info";  // the ".original" is "acme.original"
  std::string productToken = "acme-product-token";
  std::string programName = "Acme Demo";
  std::string updateFile = "acme-update.exe";
  std::string informFile = "acme-inform.txt";
};

// A message box of the agent as the user sees it.
struct AgentBox {
  HWND window = nullptr;
  std::string caption;
  std::string text;  // the text of its text area (mark-up rendered)
};

// Message numbers a client program uses with the agent.
constexpr UINT kAgentMessage = 1125;  // wm_AgentMsg: sub-code in wParam, value in lParam

class AgentFixture {
 public:
  // `name` names the scratch folder and the web folder; it must differ
  // between tests that may run at the same time. Processes left running by
  // an interrupted earlier run of the same name are ended first.
  explicit AgentFixture(const std::string& name, ProductNames names = {});
  // Ends every process of the product folder (agents, product) by its id,
  // then removes the folders.
  ~AgentFixture();
  AgentFixture(const AgentFixture&) = delete;
  AgentFixture& operator=(const AgentFixture&) = delete;

  const ProductNames& names() const { return names_; }
  // The console trace of every launcher of the test (the agents' too).
  DebugViewer& viewer() { return viewer_; }

  // Where things are.
  const std::string& ProductDir() const { return productDir_; }
  std::string ProductExe() const;         // ProductDir\product.exe
  std::string ProductRecordFile() const;  // ProductDir\product.record
  std::string AgentExe() const;           // ProductDir\Acme_AU.exe, the plain agent
  std::string XAgentExe() const;          // ProductDir\X_Acme_AU.exe
  std::string XAgentClass() const;        // ".AutoUpdate.X_Acme_AU"
  std::string AgentLogFile() const;       // ProductDir\X_Acme_AU.log
  std::string InfoFile() const;           // ProductDir\acme.info, the agent's copy
  std::string OriginalFile() const;       // ProductDir\acme.original
  const std::string& BuildDir() const { return buildDir_; }
  // The folder for test mode (TestModeURL), created empty.
  const std::string& TestModeDir() const { return testModeDir_; }
  // The update location on the web server: its folder (a Windows path) and
  // its HTTP URL (no trailing slash). Empty URL: the web servers are down.
  const std::string& WebDir() const { return webDir_; }
  std::string WebUrl() const;
  // The record of the update's engine runs (EngineRecord.h reads it).
  std::string EngineRecordFile() const;

  // --- Installation and the vendor's files -------------------------------

  // Builds installer `version` into `output`: the product stand-in,
  // version.txt with `version`, and the stand-in engine as its start entry
  // with /Install=ProductDir (and, from version 2 on, /Record=
  // EngineRecordFile()); flags AgentCopy and AgentLog; [Internet] InfoUrl
  // `infoUrl` (empty: WebUrl()), InfoFile, AgentFile and ProductToken
  // `token` (empty: the product's). True when stubpack built it.
  bool BuildInstaller(int version, const std::string& output, const std::string& infoUrl = {},
                      const std::string& token = {}) const;
  // Installs version 1 into ProductDir: builds its installer, runs it hidden,
  // and writes the default ".original". True when the product, its
  // version.txt and the agent are in place.
  bool InstallVersion1(const std::string& infoUrl = {});

  // The defaults: what the installation and the vendor would write.
  // ".original": VersionOriginal 1, Stamp 100, every Seconds key 0 (a check
  // once per agent run, the first one at the first tick with /DELAY=0),
  // ProgramName, TargetDir = ProductDir, and texts s11 to s24 that name
  // their key ("[s15] Please close PROG_NAME.") so that a box tells which
  // text it shows.
  IniValues DefaultOriginal() const;
  // ".info": VersionNew 2, Stamp 101, DownloadURL_UPDATE = WebUrl(), the
  // update file's name and published size, ProgramName, RunningProcess =
  // ProductExe(), ShutDownMethod "Using WM_CLOSE", the seven switches "0",
  // AutoInform 0, and the inform file's name, published size and a link.
  IniValues DefaultInfo() const;
  // Writes the ".original" from the defaults with `changes`.
  bool WriteOriginal(const IniValues& changes = {}) const;
  // Publishes the ".info" from the defaults with `changes` into `folder`
  // (empty: WebDir()).
  bool PublishInfo(const IniValues& changes = {}, const std::string& folder = {}) const;
  // Publishes installer `version` as the update file into `folder` (empty:
  // WebDir()), with the product token or `token`; its size becomes the
  // default SizeOfUpdateFile.
  bool PublishUpdate(int version = 2, const std::string& folder = {},
                     const std::string& token = {});
  // Publishes the inform file: a token line with the product token (or
  // `token`) and `message` (mark-up as the inform dialog shows it) into
  // `folder` (empty: WebDir()); its size becomes the default SizeOfInformFile.
  bool PublishInformFile(const std::string& message, const std::string& folder = {},
                         const std::string& token = {});
  // --- Signed update information -------------------------------------------

  // The vendor's key pair `base`.key and `base`.pub, made with "stubpack
  // keygen" unless both are there; from then on every installer built here
  // carries the public key as its update key. True when both files are there.
  bool UseUpdateKey(const std::string& base);
  // The private and the public key file of MakeUpdateKey.
  std::string UpdateKeyFile() const;
  std::string UpdatePubFile() const;
  // Runs "stubpack sign-update --key KEY INFO" with `options` (--update
  // FILE ...) on the ".info" in `folder` (empty: WebDir()) with `key`
  // (empty: UpdateKeyFile()); stubpack's output, `exitCode` its exit code.
  std::string SignInfo(const std::string& options, int* exitCode, const std::string& folder = {},
                       const std::string& key = {}) const;

  // A value of the ".original" as the agent left it.
  std::optional<std::string> OriginalValue(const std::string& sectionKey) const;

  // --- The product ----------------------------------------------------------

  // Starts ProductExe() with `switches` (/IgnoreClose, /IgnoreQuit) and
  // waits until its window is shown; its process id, 0 on failure.
  DWORD StartProduct(const std::string& switches = {});
  // The ids of the processes that run ProductExe() now.
  std::vector<DWORD> ProductProcesses() const;
  // The visible main window of product process `pid`, or null.
  HWND ProductWindow(DWORD pid) const;
  // Closes the product's window as the user does (WM_CLOSE); false when
  // process `pid` shows none.
  bool CloseProduct(DWORD pid) const;
  std::vector<ProductEvent> ProductEvents() const;

  // --- The agent ------------------------------------------------------------

  // Runs the plain agent with `switches` until it has ended.
  ProcessResult RunAgent(const std::string& switches);
  // Starts the agent as the product's installation does (the plain agent,
  // /DELAY=0 by default: the first check comes at the first tick) and waits
  // for the X_ agent's window. True when an X_ agent runs.
  bool StartAgent(const std::string& switches = "/DELAY=0");
  // Waits for an X_ agent process other than `otherThan` with its window (a
  // restarted agent is a new process: pass the old XAgentPid()); true when
  // one was found in time, which XAgentPid() and XAgentWindow() then name.
  bool WaitForXAgent(DWORD timeoutMs = 30000, DWORD otherThan = 0);
  DWORD XAgentPid() const { return xAgentPid_; }
  HWND XAgentWindow() const { return xAgentWindow_; }
  // The ids of the processes that run XAgentExe() now.
  std::vector<DWORD> XAgentProcesses() const;
  // Asks the X_ agent to end through the plain agent (/STOP=0) and waits
  // until no X_ agent runs; true when none runs.
  bool StopAgent(DWORD timeoutMs = 30000);
  // Sends the agent message to the X_ agent's window; its answer.
  LRESULT SendAgentCommand(WPARAM subCode, LPARAM value) const;

  // The console trace lines of process `pid` (0: the current X_ agent),
  // without the process id.
  std::vector<std::string> TraceOf(DWORD pid = 0) const;
  // The " AutoUpdateTimerCount=" values of process `pid` (0: the current X_
  // agent), in order.
  std::vector<int> TickCounts(DWORD pid = 0) const;
  // Waits until a line of process `pid` (0: any process) contains `part`.
  bool WaitForTrace(const std::string& part, DWORD timeoutMs, DWORD pid = 0) const;
  // The agent log as it is now.
  std::string AgentLog() const;

  // --- What the agent shows ---------------------------------------------------

  // Waits for the next visible message box of an X_ agent that this fixture
  // has not returned before and reads it once it takes messages;
  // std::nullopt on time-out.
  std::optional<AgentBox> WaitForBox(DWORD timeoutMs);
  // Answers `box` with a key press ('Y', 'N', 'O', 'C', VK_RETURN,
  // VK_ESCAPE) and waits until it has gone; false when it stays.
  bool Answer(const AgentBox& box, int key) const;
  // Waits for a visible top-level window of class `className` of an X_
  // agent (the inform dialog: "ZRichEditBox"); null on time-out.
  HWND WaitForWindow(const std::string& className, DWORD timeoutMs) const;

 private:
  ProductNames names_;
  std::string scratchDir_;
  std::string productDir_;
  std::string buildDir_;
  std::string testModeDir_;
  std::string webDir_;
  std::string webFolderName_;
  int64_t updateSize_ = 0;
  int64_t informSize_ = 0;
  std::string updateKeyBase_;  // empty: installers carry no update key
  DebugViewer viewer_;
  std::vector<KernelObject> products_;  // the product processes started here
  DWORD xAgentPid_ = 0;
  HWND xAgentWindow_ = nullptr;
  std::vector<HWND> boxesSeen_;
};

// The files an installation left in a product folder, kept from the first
// installation of a test process in the folder `name` of the tests' scratch
// folder and put back for every later test (a test changes or replaces
// them): the installer runs once per process, not once per test. The folder
// goes with the object.
class KeptInstallation {
 public:
  explicit KeptInstallation(std::string name) : name_(std::move(name)) {}
  ~KeptInstallation();
  KeptInstallation(const KeptInstallation&) = delete;
  KeptInstallation& operator=(const KeptInstallation&) = delete;

  bool Keep(const std::string& productDir);
  bool kept() const { return kept_; }
  bool PutBack(const std::string& productDir) const;

 private:
  bool CopyAll(const std::string& from, const std::string& to) const;

  std::string name_;
  std::string dir_;
  std::vector<std::string> names_;
  bool kept_ = false;
};

// "/WM_MSG=<window>:<message>": registers a client window with the agent.
std::string ClientSwitch(HWND client, UINT message);

}  // namespace orvane::test
