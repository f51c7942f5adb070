#include "harness/AgentFixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "harness/EngineRecord.h"
#include "harness/LauncherWatch.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"
#include "package/PackFormat.h"

namespace orvane::test {

namespace {

constexpr char kProductClass[] = "OrvaneDemoProduct";
constexpr char kBoxClass[] = "ZMsgBox";
constexpr char kTestModeKey[] = "Software\\Dellomir\\Orvane\\AutoUpdate";
constexpr const char* kTestModeValues[] = {"TestMode", "TestModeDate", "TestModeURL"};

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The folder's short form when its long form has a blank: the engine's
// switches travel inside one argument of stubpack's command line.
std::string WithoutBlanks(const std::string& folder) {
  if (folder.find(' ') == std::string::npos)
    return folder;
  char shortPath[MAX_PATH * 2] = {};
  const DWORD n = ::GetShortPathNameA(folder.c_str(), shortPath, sizeof shortPath);
  return n > 0 && n < sizeof shortPath ? std::string(shortPath, n) : folder;
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                              data.nFileSizeLow);
}

bool Contains(const std::vector<DWORD>& ids, DWORD id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

DWORD OwnerOf(HWND window) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  return owner;
}

// The value after `key` up to the next blank (or the end with `toEnd`).
std::string Field(const std::string& line, const std::string& key, bool toEnd = false) {
  const size_t at = line.find(key);
  if (at == std::string::npos)
    return {};
  const size_t start = at + key.size();
  return toEnd ? line.substr(start) : line.substr(start, line.find(' ', start) - start);
}

}  // namespace

// ---------------------------------------------------------------------------
// INI files

IniValues Merged(IniValues base, const IniValues& changes) {
  for (const auto& [key, value] : changes) {
    if (value)
      base[key] = value;
    else
      base.erase(key);
  }
  return base;
}

std::string IniText(const IniValues& values) {
  std::string text;
  std::string section;
  for (const auto& [sectionKey, value] : values) {
    if (!value)
      continue;
    const size_t dot = sectionKey.find('.');
    const std::string thisSection = sectionKey.substr(0, dot);
    if (thisSection != section || text.empty()) {
      text += (text.empty() ? "[" : "\r\n[") + thisSection + "]\r\n";
      section = thisSection;
    }
    text += sectionKey.substr(dot + 1) + "=" + *value + "\r\n";
  }
  return text;
}

std::optional<std::string> ReadIniValue(const std::string& file, const std::string& sectionKey) {
  const size_t dot = sectionKey.find('.');
  if (dot == std::string::npos)
    return std::nullopt;
  const std::string section = sectionKey.substr(0, dot);
  const std::string key = sectionKey.substr(dot + 1);
  static const char kMissing[] = "\x01missing\x01";
  std::string value(32768, '\0');
  const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, &value[0],
                                             static_cast<DWORD>(value.size()), file.c_str());
  value.resize(n);
  if (value == kMissing)
    return std::nullopt;
  return value;
}

// ---------------------------------------------------------------------------
// The product stand-in

std::string ProductStandInExe() {
  return TestBinDir() + "\\..\\tools\\product\\product.exe";
}

std::vector<ProductEvent> ReadProductRecord(const std::string& path) {
  std::vector<ProductEvent> events;
  const std::string text = ReadWholeFile(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ProductEvent event;
    event.kind = line.substr(0, line.find(' '));
    if (event.kind == "start") {
      event.pid = static_cast<DWORD>(std::strtoul(Field(line, " pid=").c_str(), nullptr, 10));
      event.version = Field(line, " version=");
      event.commandLine = Field(line, " cmdline=", true);
    } else {
      event.reason = Field(line, " reason=", true);
    }
    if (!event.kind.empty())
      events.push_back(event);
  }
  return events;
}

// ---------------------------------------------------------------------------
// Test mode

std::string DateStamp(int dayOffset) {
  static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  FILETIME asFileTime{};
  ::SystemTimeToFileTime(&now, &asFileTime);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = asFileTime.dwLowDateTime;
  ticks.HighPart = asFileTime.dwHighDateTime;
  ticks.QuadPart += static_cast<int64_t>(dayOffset) * 24 * 3600 * 10000000LL;
  asFileTime.dwLowDateTime = ticks.LowPart;
  asFileTime.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME day{};
  ::FileTimeToSystemTime(&asFileTime, &day);
  const std::string dd = std::to_string(day.wDay);
  return (dd.size() < 2 ? "0" + dd : dd) + "-" + kMonths[(day.wMonth + 11) % 12] + "-" +
         std::to_string(day.wYear);
}

ScopedTestMode::ScopedTestMode(const std::string& url, const std::string& mode,
                               const std::string& date) {
  HKEY opened = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kTestModeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &opened, nullptr) != ERROR_SUCCESS)
    return;
  const RegKey key(opened);
  const std::string values[] = {mode, date, url};
  ok_ = true;
  for (size_t i = 0; i < 3; ++i) {
    ok_ = ::RegSetValueExA(key.get(), kTestModeValues[i], 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(values[i].c_str()),
                           static_cast<DWORD>(values[i].size() + 1)) == ERROR_SUCCESS &&
          ok_;
  }
}

ScopedTestMode::~ScopedTestMode() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kTestModeKey, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
    return;
  const RegKey key(opened);
  for (const char* name : kTestModeValues)
    ::RegDeleteValueA(key.get(), name);
}

// ---------------------------------------------------------------------------
// The installed product and its agent

AgentFixture::AgentFixture(const std::string& name, ProductNames names)
    : names_(std::move(names)), webFolderName_(name) {
  const std::string scratch = TempFolder() + "orvane-tests\\" + name;
  productDir_ = scratch + "\\product";
  // Left over from an interrupted earlier run: they would hold the files.
  EndProcessesRunning(XAgentExe());
  EndProcessesRunning(AgentExe());
  EndProcessesRunning(ProductExe());
  scratchDir_ = ScratchDir(name);
  buildDir_ = scratchDir_ + "\\build";
  testModeDir_ = scratchDir_ + "\\testmode";
  for (const std::string& dir : {productDir_, buildDir_, testModeDir_})
    ::CreateDirectoryA(dir.c_str(), nullptr);
  webDir_ = WebDocFile(webFolderName_);
  if (!webDir_.empty()) {
    RemoveTree(webDir_);
    ::CreateDirectoryA(webDir_.c_str(), nullptr);
  }
}

AgentFixture::~AgentFixture() {
  for (KernelObject& product : products_) {
    if (::WaitForSingleObject(product.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(product.get(), 0xDEAD);
      ::WaitForSingleObject(product.get(), 5000);
    }
  }
  // The agents and products the agent started from the product folder.
  EndProcessesRunning(XAgentExe());
  EndProcessesRunning(AgentExe());
  EndProcessesRunning(ProductExe());
  PumpMessages();
  // Wine may release an ended program's file a moment after the process has
  // gone; the next test's plain agent must be able to write its X_ copy.
  const std::string xAgent = XAgentExe();
  PumpUntil([&] { return ::DeleteFileA(xAgent.c_str()) || !FileExists(xAgent); }, 10000);
  RemoveTree(scratchDir_);
  if (!webDir_.empty())
    RemoveTree(webDir_);
}

std::string AgentFixture::ProductExe() const {
  return productDir_ + "\\product.exe";
}
std::string AgentFixture::ProductRecordFile() const {
  return productDir_ + "\\product.record";
}
std::string AgentFixture::AgentExe() const {
  return productDir_ + "\\" + names_.agentFile;
}
std::string AgentFixture::XAgentExe() const {
  return productDir_ + "\\X_" + names_.agentFile;
}
std::string AgentFixture::XAgentClass() const {
  return ".AutoUpdate.X_" + WithoutExtension(names_.agentFile);
}
std::string AgentFixture::AgentLogFile() const {
  return productDir_ + "\\X_" + WithoutExtension(names_.agentFile) + ".log";
}
std::string AgentFixture::InfoFile() const {
  return productDir_ + "\\" + names_.infoFile;
}
std::string AgentFixture::OriginalFile() const {
  const std::string info = names_.infoFile;
  return productDir_ + "\\" + info.substr(0, info.find('.')) + ".original";
}
std::string AgentFixture::WebUrl() const {
  return WebHttpUrl(webFolderName_);
}
std::string AgentFixture::EngineRecordFile() const {
  return buildDir_ + "\\update.record";
}

// --- Installation and the vendor's files -----------------------------------

bool AgentFixture::BuildInstaller(int version, const std::string& output,
                                  const std::string& infoUrl, const std::string& token) const {
  const std::string dir = buildDir_ + "\\v" + std::to_string(version);
  ::CreateDirectoryA(dir.c_str(), nullptr);
  const std::string engine = dir + "\\engine.exe";
  const std::string product = dir + "\\product.exe";
  if (!CopyFileTo(EngineExe(), engine) || !CopyFileTo(ProductStandInExe(), product))
    return false;
  const std::string versionTxt = WriteTestFile(dir + "\\version.txt", std::to_string(version));
  // The engine installs into the product folder; the update's runs are
  // recorded. The update's window (an update in the foreground) stays briefly.
  std::string engineArguments = "/Install=" + WithoutBlanks(productDir_) + " /ShowMs=300";
  if (version >= 2)
    engineArguments += " /Record=" + WithoutBlanks(buildDir_) + "\\update.record";
  return RunStubpackBuild(
             {"--stub",
              Quote(StubExe()),
              "-o",
              Quote(output),
              "--file",
              Quote(engine + "=engine.exe*" + engineArguments),
              "--file",
              Quote(product),
              "--file",
              Quote(versionTxt),
              "--flag",
              "AgentCopy",
              "--flag",
              "AgentLog",
              "--set",
              Quote("Internet.InfoUrl=" + (infoUrl.empty() ? WebUrl() : infoUrl)),
              "--set",
              Quote("Internet.InfoFile=" + names_.infoFile),
              "--set",
              Quote("Internet.AgentFile=" + names_.agentFile),
              "--set",
              Quote("Internet.ProductToken=" + (token.empty() ? names_.productToken : token)),
              !updateKeyBase_.empty() ? "--set " + Quote("Internet.UpdateKey=" + UpdatePubFile())
                                      : ""}) == 0 &&
         FileExists(output);
}

bool AgentFixture::InstallVersion1(const std::string& infoUrl) {
  const std::string installer = buildDir_ + "\\setup-v1.exe";
  if (!BuildInstaller(1, installer, infoUrl))
    return false;
  const ProcessResult run = RunProcess(Quote(installer) + " /hide", 120000);
  return run.finished && run.exitCode == 0 && FileExists(ProductExe()) &&
         ReadWholeFile(productDir_ + "\\version.txt") == "1" && FileExists(AgentExe()) &&
         WriteOriginal();
}

IniValues AgentFixture::DefaultOriginal() const {
  return {
      {"OriginalSetup.VersionOriginal", "1"},
      {"OriginalSetup.Stamp", "100"},
      {"OriginalSetup.ProbeSecondsInterval", "0"},
      {"OriginalSetup.ProbeSecondsLast", "0"},
      {"OriginalSetup.ReAskSecondsInterval", "0"},
      {"OriginalSetup.ReAskSecondsLast", "0"},
      {"OriginalSetup.ProgramName", names_.programName},
      {"Directories.TargetDir", productDir_},
      {"AutoUpdate.s11", "[s11] A new version of PROG_NAME is available."},
      {"AutoUpdate.s12", "[s12] It will be downloaded and installed."},
      {"AutoUpdate.s13", "[s13] Download it now?"},
      {"AutoUpdate.s14", "[s14] The update of PROG_NAME has been downloaded. Install it now?"},
      {"AutoUpdate.s15", "[s15] Please close PROG_NAME."},
      {"AutoUpdate.s16", "[s16] PROG_NAME has been updated."},
      {"AutoUpdate.s17", "[s17] Start it again now?"},
      {"AutoUpdate.s18", "[s18] It will be downloaded now."},
      {"AutoUpdate.s19",
       "[s19] It will be downloaded now; you will be asked before it is installed."},
      {"AutoUpdate.s20", "[s20] The update of PROG_NAME will be installed now."},
      {"AutoUpdate.s21", "[s21] No new version of PROG_NAME is available."},
      {"AutoUpdate.s22", "[s22] PROG_NAME looks for a new version."},
      {"AutoUpdate.s23", "[s23] It connects to the Internet for that."},
      {"AutoUpdate.s24", "[s24] Look now?"},
  };
}

IniValues AgentFixture::DefaultInfo() const {
  return {
      {"NewSetup.VersionNew", "2"},
      {"NewSetup.Stamp", "101"},
      {"NewSetup.DownloadURL_UPDATE", WebUrl()},
      {"NewSetup.NameOfUpdateFile", names_.updateFile},
      {"NewSetup.SizeOfUpdateFile", std::to_string(updateSize_)},
      {"NewSetup.ProgramName", names_.programName},
      {"NewSetup.RunningProcess", ProductExe()},
      {"NewSetup.ShutDownMethod", "Using WM_CLOSE"},
      {"NewSetup.RequestConfirmationBeforeDownload", "0"},
      {"NewSetup.RequestConfirmationBeforeDownloadForce", "0"},
      {"NewSetup.RequestConfirmationBeforeInstall", "0"},
      {"NewSetup.RequestConfirmationBeforeInstallForce", "0"},
      {"NewSetup.BackgroundUpdate", "0"},
      {"NewSetup.RestartProcess", "0"},
      {"NewSetup.InformFinish", "0"},
      {"General.AutoInform", "0"},
      {"AutoInform.NameOfInformFile", names_.informFile},
      {"AutoInform.SizeOfInformFile", std::to_string(informSize_)},
      {"AutoInform.DownloadURL_INFORM", WebUrl() + "/download.html"},
  };
}

bool AgentFixture::WriteOriginal(const IniValues& changes) const {
  return WriteBytes(OriginalFile(), IniText(Merged(DefaultOriginal(), changes)));
}

bool AgentFixture::PublishInfo(const IniValues& changes, const std::string& folder) const {
  const std::string dir = folder.empty() ? webDir_ : folder;
  return !dir.empty() &&
         WriteBytes(dir + "\\" + names_.infoFile, IniText(Merged(DefaultInfo(), changes)));
}

bool AgentFixture::PublishUpdate(int version, const std::string& folder, const std::string& token) {
  const std::string dir = folder.empty() ? webDir_ : folder;
  const std::string output = dir + "\\" + names_.updateFile;
  if (dir.empty() || !BuildInstaller(version, output, {}, token))
    return false;
  updateSize_ = FileSize(output);
  return true;
}

bool AgentFixture::PublishInformFile(const std::string& message, const std::string& folder,
                                     const std::string& token) {
  const std::string dir = folder.empty() ? webDir_ : folder;
  // The token line: a leading field, the scrambled token, two fields the
  // agent skips, then the message.
  const std::string text = "OrvaneInform|" +
                           pack::ScrambleToken(token.empty() ? names_.productToken : token, 7) +
                           "|2|" + DateStamp() + "|" + message;
  const std::string path = dir + "\\" + names_.informFile;
  if (dir.empty() || !WriteBytes(path, text))
    return false;
  informSize_ = static_cast<int64_t>(text.size());
  return true;
}

bool AgentFixture::UseUpdateKey(const std::string& base) {
  updateKeyBase_ = base;
  if (!FileExists(UpdateKeyFile()) || !FileExists(UpdatePubFile())) {
    int exitCode = -1;
    RunStubpack("keygen --out " + Quote(base), &exitCode);
  }
  if (!FileExists(UpdateKeyFile()) || !FileExists(UpdatePubFile()))
    updateKeyBase_.clear();
  return !updateKeyBase_.empty();
}

std::string AgentFixture::UpdateKeyFile() const {
  return updateKeyBase_ + ".key";
}

std::string AgentFixture::UpdatePubFile() const {
  return updateKeyBase_ + ".pub";
}

std::string AgentFixture::SignInfo(const std::string& options, int* exitCode,
                                   const std::string& folder, const std::string& key) const {
  const std::string dir = folder.empty() ? webDir_ : folder;
  return RunStubpack("sign-update --key " + Quote(key.empty() ? UpdateKeyFile() : key) + " " +
                         Quote(dir + "\\" + names_.infoFile) + " " + options,
                     exitCode);
}

std::optional<std::string> AgentFixture::OriginalValue(const std::string& sectionKey) const {
  return ReadIniValue(OriginalFile(), sectionKey);
}

// --- The product --------------------------------------------------------------

DWORD AgentFixture::StartProduct(const std::string& switches) {
  std::string commandLine = Quote(ProductExe());
  if (!switches.empty())
    commandLine += " " + switches;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        productDir_.c_str(), &startup, &info))
    return 0;
  products_.emplace_back(info.hProcess);
  KernelObject thread(info.hThread);
  const DWORD pid = info.dwProcessId;
  return PumpUntil([&] { return ProductWindow(pid) != nullptr; }, 20000) ? pid : 0;
}

std::vector<DWORD> AgentFixture::ProductProcesses() const {
  return ProcessesRunning(ProductExe());
}

HWND AgentFixture::ProductWindow(DWORD pid) const {
  const std::vector<HWND> windows = TopLevelWindows(pid, kProductClass, true);
  return windows.empty() ? nullptr : windows.front();
}

bool AgentFixture::CloseProduct(DWORD pid) const {
  HWND window = ProductWindow(pid);
  return window != nullptr && ::PostMessageA(window, WM_CLOSE, 0, 0);
}

std::vector<ProductEvent> AgentFixture::ProductEvents() const {
  return ReadProductRecord(ProductRecordFile());
}

// --- The agent ------------------------------------------------------------------

ProcessResult AgentFixture::RunAgent(const std::string& switches) {
  return RunProcess(Quote(AgentExe()) + (switches.empty() ? "" : " " + switches), 60000);
}

bool AgentFixture::StartAgent(const std::string& switches) {
  const ProcessResult run = RunAgent(switches);
  return run.finished && WaitForXAgent();
}

bool AgentFixture::WaitForXAgent(DWORD timeoutMs, DWORD otherThan) {
  return PumpUntil(
      [&] {
        for (DWORD pid : XAgentProcesses()) {
          if (pid == otherThan)
            continue;
          const std::vector<HWND> windows = TopLevelWindows(pid, XAgentClass(), false);
          if (!windows.empty()) {
            xAgentPid_ = pid;
            xAgentWindow_ = windows.front();
            return true;
          }
        }
        return false;
      },
      timeoutMs);
}

std::vector<DWORD> AgentFixture::XAgentProcesses() const {
  return ProcessesRunning(XAgentExe());
}

bool AgentFixture::StopAgent(DWORD timeoutMs) {
  RunAgent("/STOP=0");
  return PumpUntil([&] { return XAgentProcesses().empty(); }, timeoutMs);
}

LRESULT AgentFixture::SendAgentCommand(WPARAM subCode, LPARAM value) const {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(xAgentWindow_, kAgentMessage, subCode, value, SMTO_NORMAL, 10000,
                             &answer))
    return 0;
  return static_cast<LRESULT>(answer);
}

std::vector<std::string> AgentFixture::TraceOf(DWORD pid) const {
  const std::string prefix = std::to_string(pid == 0 ? xAgentPid_ : pid) + " ";
  std::vector<std::string> lines;
  for (const std::string& line : viewer_.Lines()) {
    if (StartsWith(line, prefix))
      lines.push_back(line.substr(prefix.size() - 1));
  }
  return lines;
}

std::vector<int> AgentFixture::TickCounts(DWORD pid) const {
  const std::string key = " AutoUpdateTimerCount=";
  std::vector<int> counts;
  for (const std::string& line : TraceOf(pid)) {
    if (StartsWith(line, key))
      counts.push_back(std::atoi(line.c_str() + key.size()));
  }
  return counts;
}

bool AgentFixture::WaitForTrace(const std::string& part, DWORD timeoutMs, DWORD pid) const {
  return PumpUntil(
      [&] {
        const std::vector<std::string> lines = pid == 0 ? viewer_.Lines() : TraceOf(pid);
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
          return line.find(part) != std::string::npos;
        });
      },
      timeoutMs);
}

std::string AgentFixture::AgentLog() const {
  return ReadWholeFile(AgentLogFile());
}

// --- What the agent shows -------------------------------------------------------------

std::optional<AgentBox> AgentFixture::WaitForBox(DWORD timeoutMs) {
  std::optional<AgentBox> found;
  PumpUntil(
      [&] {
        // A handle of a box that has gone may come back for a new one.
        boxesSeen_.erase(std::remove_if(boxesSeen_.begin(), boxesSeen_.end(),
                                        [](HWND box) { return !::IsWindow(box); }),
                         boxesSeen_.end());
        const std::vector<HWND> boxes = TopLevelWindows(0, kBoxClass, true);
        if (boxes.empty())
          return false;
        const std::vector<DWORD> agents = XAgentProcesses();
        for (HWND box : boxes) {
          if (!Contains(agents, OwnerOf(box)) ||
              std::find(boxesSeen_.begin(), boxesSeen_.end(), box) != boxesSeen_.end())
            continue;
          // Read once its loop takes messages.
          DWORD_PTR ignored = 0;
          ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
          const BoxSeen seen = ReadBox(box);
          boxesSeen_.push_back(box);
          found = AgentBox{box, seen.caption, seen.text};
          return true;
        }
        return false;
      },
      timeoutMs);
  return found;
}

bool AgentFixture::Answer(const AgentBox& box, int key) const {
  PressKey(box.window, key);
  return PumpUntil([&] { return !::IsWindow(box.window) || !::IsWindowVisible(box.window); },
                   10000);
}

HWND AgentFixture::WaitForWindow(const std::string& className, DWORD timeoutMs) const {
  HWND found = nullptr;
  PumpUntil(
      [&] {
        const std::vector<HWND> windows = TopLevelWindows(0, className, true);
        if (windows.empty())
          return false;
        const std::vector<DWORD> agents = XAgentProcesses();
        for (HWND window : windows) {
          if (Contains(agents, OwnerOf(window))) {
            found = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

std::string ClientSwitch(HWND client, UINT message) {
  return "/WM_MSG=" + std::to_string(reinterpret_cast<uintptr_t>(client)) + ":" +
         std::to_string(message);
}

// --- KeptInstallation -----------------------------------------------------------

KeptInstallation::~KeptInstallation() {
  if (!dir_.empty())
    RemoveTree(dir_);
}

bool KeptInstallation::Keep(const std::string& productDir) {
  dir_ = TempFolder() + "orvane-tests\\" + name_;
  RemoveTree(dir_);
  ::CreateDirectoryA(dir_.c_str(), nullptr);
  names_.clear();
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA((productDir + "\\*").c_str(), &found));
  if (search) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        names_.emplace_back(found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
  }
  kept_ = !names_.empty() && CopyAll(productDir, dir_);
  return kept_;
}

bool KeptInstallation::PutBack(const std::string& productDir) const {
  return CopyAll(dir_, productDir);
}

bool KeptInstallation::CopyAll(const std::string& from, const std::string& to) const {
  return std::all_of(names_.begin(), names_.end(), [&](const std::string& name) {
    return CopyFileTo(from + "\\" + name, to + "\\" + name);
  });
}

}  // namespace orvane::test
