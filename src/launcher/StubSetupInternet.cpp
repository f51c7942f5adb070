#include "launcher/StubSetupInternet.h"

#include <windows.h>

#include "agent/InetHTTP.h"
#include "agent/ZProgBar.h"
#include "launcher/StubSetup.h"
#include "launcher/StubSetupText.h"
#include "launcher/StubWin.h"
#include "launcher/StubWinMain.h"
#include "package/LangStringsWin.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "package/PackXWin.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/NumberText.h"
#include "util/SystemCrypto.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

// The error text of a run the user declined; never shown.
constexpr const char* kDeclined = "!";
constexpr const char* kBadToken = "Bad Secret Token!";

// Why a setup file may not be run, empty when it may: its SHA-256 against
// the one the package names, then its download token. A web server's error
// page that took the file's place is named as such.
std::string SetupFileFault(const TGFileInfo& own, const std::string& packageFile,
                           const std::string& url, uint32_t* exitCode) {
  std::string fault;
  const std::string expected = own.GetDownloadSha256();
  if (!expected.empty()) {
    std::string hashError;
    const std::string actual =
        pack::IsSha256Text(expected) ? Sha256OfFile(packageFile, &hashError) : std::string();
    ConsoleLine("Setup file SHA-256: " + (actual.empty() ? std::string("-") : actual));
    fault = Sha256MismatchText(expected, actual, packageFile);
    if (!fault.empty() && !hashError.empty())
      fault += "<P><P>" + hashError;
  }
  if (fault.empty() && !own.SameDownloadToken(ReadPackageInfo(packageFile)))
    fault = kBadToken;
  if (fault.empty())
    return fault;
  *exitCode = kExitWrongSetupFile;
  const std::string notFound = HTTP_NotFoundText(packageFile, {}, url, {});
  if (!notFound.empty()) {
    *exitCode = kExitDownloadFailed;
    return notFound;
  }
  return fault;
}

// One line on how the download went, for support and for measuring.
void TraceDownloadFigures(const DownloadFigures& figures) {
  const double seconds = figures.milliseconds / 1000.0;
  const double perSecond = seconds > 0 ? figures.queueServes / seconds : 0;
  ConsoleLine("Download figures: " + DecimalText(static_cast<int64_t>(figures.bytes)) +
              " bytes in " + FloatText(figures.milliseconds, 0, false) + " ms, " +
              DecimalText(figures.reads) + " reads, message queue served " +
              DecimalText(figures.queueServes) + " times (" + FloatText(perSecond, 1, false) +
              " per second)");
}

}  // namespace

void WriteAgentCopy(const std::string& agentName) {
  // Only a plain name in the working folder: the package does not choose
  // where the launcher writes.
  if (!pack::EntryNameFault(agentName).empty()) {
    ConsoleLine("Agent copy not written, not a plain file name: " + agentName);
    return;
  }
  const std::string ownPath = OwnPath();
  const std::string image = AgentCopyImage(ReadFilePart(ownPath));
  const std::string path = WorkingFolder() + "\\" + agentName;
  if (!SaveFile(path, image, FileDosDateTime(ownPath)))
    ConsoleLine("Agent copy not written: " + path + " (" + GetLastErrorText() + ")");
  else
    ConsolePidLine(" New AU-Agent: " + path);
}

void InternetSetup(const std::string& extractDir, const std::string& source,
                   const std::string& fileName) {
  const TGFileInfo& own = OwnPackage();
  std::string error;
  uint32_t exitCode = 0;
  bool downloaded = false;
  const std::string localPath = LocalSetupPath(source, fileName);
  const std::string url = source + "/" + fileName;
  const bool hidden = RunsHidden();
  std::string packageFile;

  if (!pack::EntryNameFault(fileName).empty()) {
    // The name becomes a path in the Temp folder and beside the launcher.
    error = "The setup package is damaged: its setup file name \"" + fileName +
            "\" is not one plain file name.";
    exitCode = kExitDamaged;
  } else if (FileExists(localPath)) {
    packageFile = localPath;
    ConsoleLine("Setup file beside the launcher: " + packageFile);
  } else {
    StyleLabel(MainLabel(), GetLangString(own, "s10"), GetFontName(own), GetCharset(own),
               GetFontSize(own));
    if (own.GetConfirmDownload() && !hidden &&
        !MsgOkCancel(0, DownloadQuestion(GetLangString(own, "s11"), own.GetDownloadSize()),
                     GetLangString(own, "Confirm"), GetLangString(own, "BtnText"),
                     GetCharset(own))) {
      error = kDeclined;
      exitCode = kExitCancelled;
    }
    std::string connectionText;
    if (!HTTP_InternetConnected(connectionText)) {
      // Also after a "no": the missing connection is what the user must know.
      error = GetLangString(own, "s12");
      if (!connectionText.empty())
        error += "<P><P>" + connectionText;
      exitCode = kExitDownloadFailed;
    }
    HTTP_SetAbort(false);
    packageFile = TempDir(true) + fileName;
    if (error.empty()) {
      HTTP_DownloadFile(hidden ? nullptr : MainWindow(), url, packageFile, nullptr,
                        &ProgressReporter(), error);
      TraceDownloadFigures(HTTP_LastDownloadFigures());
      if (error.empty())
        downloaded = true;
      else
        exitCode = HTTP_IsAborted() ? kExitCancelled : kExitDownloadFailed;
    }
    YieldWait(300);
    ProgressBarSink(kProgressRange, 10, 0, 1, {});
    YieldWait(700);
  }

  if (error.empty())
    error = SetupFileFault(own, packageFile, url, &exitCode);
  if (error.empty())
    RunSetup(extractDir, packageFile, std::string(), CommandTail(), !hidden);
  else
    SetProcessExitCode(exitCode);
  if (downloaded)
    ::DeleteFileA(packageFile.c_str());
  if (!error.empty() && error != kDeclined) {
    if (hidden)
      ConsoleLine("Hidden run, error: " + error);
    else
      MsgError(0, error, GetLangString(own, "Error"), GetLangString(own, "BtnText"),
               GetCharset(own));
  }
}

void StartInternetSetup(const std::string& agentName) {
  const TGFileInfo& own = OwnPackage();
  if (!agentName.empty())
    WriteAgentCopy(agentName);
  const std::string fileName = own.GetDownloadFileName();
  std::string source = own.GetDownloadLocation();
  if (!own.GetSkipLocalCopy() && FileExists(OwnDir(true) + fileName))
    source = OwnDir(false);
  InternetSetup(WorkingFolder(), source, fileName);
}

}  // namespace orvane
