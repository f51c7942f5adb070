// The agent's actions on a check that called for one: the update cycle,
// the hand-over to a fresh agent after an installation, and the inform
// dialog about a new version.
#include <string>

#include "agent/StubAU.h"
#include "agent/StubAUFiles.h"
#include "package/PackFormat.h"
#include "ui/StubInformDlg.h"
#include "ui/StubInformDlgRules.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/Process.h"
#include "util/ProcessViewer.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"
#include "vars/OrvaneBridge.h"

namespace orvane {

using namespace std::literals;

namespace {

void Marker(std::string_view name, int number) {
  ConsolePidLine(Cat({" ==== "sv, name, "-"sv, DecimalText(number), " ===="}));
}

UpdateTexts ReadUpdateTexts(const OriginalFile& original) {
  UpdateTexts texts;
  texts.s11 = original.GetAgentString("s11"sv);
  texts.s12 = original.GetAgentString("s12"sv);
  texts.s13 = original.GetAgentString("s13"sv);
  texts.s14 = original.GetAgentString("s14"sv);
  texts.s16 = original.GetAgentString("s16"sv);
  texts.s17 = original.GetAgentString("s17"sv);
  texts.s18 = original.GetAgentString("s18"sv);
  texts.s19 = original.GetAgentString("s19"sv);
  texts.s20 = original.GetAgentString("s20"sv);
  return texts;
}

// A notice: a statement the user must take note of (a box without a close
// command) when forced, otherwise a question; true for going on.
bool ConfirmNotice(const std::string& notice, bool force) {
  if (force) {
    AgentAttention(kMsgOwnerNoClose, notice);
    return true;
  }
  return AgentYesNo(kMsgOwnerHeading, notice);
}

// The product's running program, from the update information's path with
// the installed product's folders. The agent acts only on a program inside
// the product's folder or its own: the information comes from the network,
// and its path must not make the agent end, or start, any other program.
std::string ProductProgram(const OriginalFile& original, const InfoFile& info) {
  SetInstallFolders(original.GetTargetDir(), original.GetSharedDir(), original.GetAuxiliaryDir());
  const std::string product = Trim(ExpandVariables(info.GetRunningProcess(), "\\"sv, true, true));
  const std::string target = ExpandVariables(original.GetTargetDir(), ""sv, true, true);
  if (product.empty() || IsInsideFolder(product, target) || IsInsideFolder(product, AgentFolder()))
    return product;
  AgentLog(
      "ATTENTION: the running process lies outside the product's folder and is left "
      "alone: " +
      product);
  return {};
}

// Shuts the product down by `method`; the console markers 8 (after the
// action) and 9 (after the wait).
void ShutDownProduct(const std::string& product, ShutDownMethod method,
                     const OriginalFile& original) {
  bool wait = true;
  switch (method) {
    case ShutDownMethod::MessageBox: {
      const std::string text =
          ReplaceProgName(original.GetAgentString("s15"sv), FileNamePart(product));
      while (IsProcessRunning(product))
        AgentAttention(kMsgOwnerHeading, text);
      break;
    }
    case ShutDownMethod::Close:
      CloseProcessWindow(product, true, 0);
      break;
    case ShutDownMethod::Quit:
      QuitProcessWindow(product, true);
      break;
    case ShutDownMethod::Terminate:
      TerminateProcessByFile(product, true);
      break;
    case ShutDownMethod::None:
      wait = false;
      break;
    case ShutDownMethod::Unknown:
      break;
  }
  Marker("PerformAutoUpdate"sv, 8);
  if (wait)
    WaitProcessEnd(product, 0);
  Marker("PerformAutoUpdate"sv, 9);
}

bool RunUpdateCycle() {
  AgentState& agent = Agent();
  AgentHost& host = AgentHostRef();
  const OriginalFile original = AgentOriginalFile();
  const InfoFile info = AgentInfoFile();
  const TransientOverrides& overrides = agent.overrides;
  const bool byUser = agent.checkMode == kCheckByUser;

  Marker("PerformAutoUpdate"sv, 4);
  const std::string location = info.GetDownloadURL_UPDATE();
  const std::string updateName = FileNamePart(info.GetNameOfUpdateFile());
  if (location.empty() || updateName.empty())
    return false;
  Marker("PerformAutoUpdate"sv, 5);

  const UpdateTexts texts = ReadUpdateTexts(original);
  const std::string programName = info.GetProgramName();
  const bool confirmInstall = info.GetRequestConfirmationBeforeInstall(overrides);
  if (info.GetRequestConfirmationBeforeDownload(overrides) && !byUser) {
    const bool downloadForce = info.GetRequestConfirmationBeforeDownloadForce(overrides);
    const std::string notice = FirstNotice(texts, confirmInstall, downloadForce, programName);
    if (!ConfirmNotice(notice, downloadForce))
      return false;
    YieldWait(500);
  }

  Marker("PerformAutoUpdate"sv, 6);
  agent.phase = kPhaseDownloading;
  host.NotifyClient(kNotifyFileDownload, 1);
  std::string error;
  const bool downloaded = DownloadFileAU(location, updateName, kFileUpdate, error);
  host.NotifyClient(kNotifyFileDownload, 2);
  const std::string updateFile = LocalCopyPath(updateName);

  bool ok = downloaded;
  if (ok && confirmInstall && !byUser) {
    const bool installForce = info.GetRequestConfirmationBeforeInstallForce(overrides);
    ok = ConfirmNotice(SecondNotice(texts, installForce, programName), installForce);
  }
  YieldWait(100);
  if (!ok) {
    // A declined installation leaves no downloaded installer behind.
    if (downloaded)
      ::DeleteFileA(updateFile.c_str());
    return false;
  }
  Marker("PerformAutoUpdate"sv, 7);

  const std::string product = ProductProgram(original, info);
  const bool wasRunning = !product.empty() && IsProcessRunning(product);
  const std::string method = info.GetShutDownMethod();
  AgentLog(Cat({"Shut Down Process() - START  ("sv, product, ")  Method: "sv, method}));
  if (!product.empty())
    ShutDownProduct(product, ShutDownMethodFromText(method), original);
  AgentLog("Shut Down Process() - END"sv);
  const bool shutDown = wasRunning && !IsProcessRunning(product);
  const bool restart = info.GetRestartProcess(overrides) && shutDown;

  agent.phase = kPhaseInstalling;
  host.NotifyClient(kNotifyInstall, 1);
  Marker("PerformAutoUpdate"sv, 10);
  const bool installed = host.RunUpdateSetup(updateFile, OriginalInfoFileSwitch(info.Path()),
                                             !info.GetBackgroundUpdate(overrides));
  Marker("PerformAutoUpdate"sv, 11);
  host.NotifyClient(kNotifyInstall, 2);

  if (installed)
    original.SetVersionOriginal(info.GetVersionNew());
  ::DeleteFileA(updateFile.c_str());

  bool answer = true;
  if (installed && (info.GetInformFinish(overrides) || byUser)) {
    if (restart)
      answer = AgentYesNo(kMsgOwnerPlain, ClosingNotice(texts, true, programName));
    else
      AgentAttention(kMsgOwnerPlain, ClosingNotice(texts, false, programName));
  }
  Marker("PerformAutoUpdate"sv, 12);
  ConsolePidLine(Cat({" "sv, BoolText(restart), " "sv, BoolText(answer), " >"sv, product, "<"}));
  if (restart && answer)
    RunProgram(ProgramPathForCommandLine(product), SW_SHOW);
  Marker("PerformAutoUpdate"sv, 13);
  return installed;
}

int ClampedSize(int64_t value) {
  if (value < 0)
    return 0;
  return value > 32767 ? 32767 : static_cast<int>(value);
}

bool RunInform() {
  AgentState& agent = Agent();
  AgentHost& host = AgentHostRef();
  const OriginalFile original = AgentOriginalFile();
  const InfoFile info = AgentInfoFile();

  Marker("PerformAutoInform"sv, 1);
  const std::string location = info.GetDownloadURL_UPDATE();
  const std::string informName = FileNamePart(info.GetNameOfInformFile());
  if (location.empty() || informName.empty())
    return false;
  Marker("PerformAutoInform"sv, 2);
  agent.phase = kPhaseDownloading;
  host.NotifyClient(kNotifyFileDownload, 1);
  std::string error;
  const bool ok = DownloadFileAU(location, informName, kFileInform, error);
  host.NotifyClient(kNotifyFileDownload, 2);
  if (!ok)
    return false;

  Marker("PerformAutoInform"sv, 3);
  std::string token;
  std::string message;
  pack::ParseTokenLine(ReadFilePart(LocalCopyPath(informName)), token, message);
  // Unsigned information may only lead to a web page; the link of signed
  // information is the vendor's and may be any.
  std::string link = Trim(info.GetDownloadURL_INFORM());
  if (!link.empty() && !IsWebAddress(link) && host.OwnPackage().GetUpdateKey().empty()) {
    AgentLog("ATTENTION: the inform link is not a web address and is not offered: " +
             ShortenForDisplay(link));
    link.clear();
  }
  const bool shown = ShowInformDialog(
      host.MainWindow(), original.GetAgentString("s34"sv), original.GetAgentString("s35"sv),
      message, link, ClampedSize(info.GetAutoInformW()), ClampedSize(info.GetAutoInformH()),
      original.GetMsgBoxFontName(), original.GetMsgBoxFontSize(), original.GetMsgBoxCharset());
  if (shown)
    original.SetVersionOriginal(info.GetVersionNew());
  return shown;
}

}  // namespace

bool PerformAutoUpdate() {
  AgentLog("PerformAutoUpdate() - START"sv);
  const bool installed = RunUpdateCycle();
  AgentLog(Cat({"PerformAutoUpdate() - END    Result="sv, BoolText(installed)}));
  return installed;
}

void ReStartAutoUpdateExe() {
  AgentLog(".. ReStartAutoUpdateExe() - Start"sv);
  const AgentState& agent = Agent();
  if (agent.remainingLifetime <= 0) {
    AgentHost& host = AgentHostRef();
    const std::string command = RestartAgentCommandLine(
        AgentFolder(), host.OwnPackage().GetAgentFileName(), agent.overrides);
    AgentLog(Cat({".. WinExec - "sv, command}));
    // Not WinExec: that would wait until the new agent reads its messages,
    // which it does only after its ten-second wait, and this agent's window
    // would still be there when the new one looks for it.
    RunProgram(command, SW_HIDE);
    YieldWait(1000);
    AgentLog(".. PostMessage(WM_DESTROY)"sv);
    ::PostMessageA(host.MainWindow(), WM_DESTROY, 0, 0);
  }
  AgentLog(".. ReStartAutoUpdateExe() - End"sv);
}

bool PerformAutoInform() {
  AgentLog("PerformAutoInform() - START "sv);
  const bool shown = RunInform();
  Marker("PerformAutoInform"sv, 4);
  AgentLog(Cat({"PerformAutoInform() - END "sv, BoolText(shown)}));
  return shown;
}

}  // namespace orvane
