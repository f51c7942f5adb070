// The agent's fetches: DownloadFileAU for the three kinds of file, the
// product-token check of what it fetched, the signature and hash checks of a
// package with an update key, and the eligibility decision with its size
// check of the file on the server.
#include <string>

#include "agent/InetHTTP.h"
#include "agent/StubAU.h"
#include "agent/StubAUFiles.h"
#include "agent/ZProgBar.h"
#include "package/PackFormat.h"
#include "package/PackXWin.h"
#include "package/UpdateSignature.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/SystemCrypto.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"
#include "util/ZDebugText.h"

namespace orvane {

using namespace std::literals;

namespace {

constexpr std::string_view kBadTokenText = "Bad Secret Token!";

bool SameNameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

std::string_view LabelKey(int kind) {
  if (kind == kFileInfo)
    return "s31";
  return kind == kFileUpdate ? "s32" : "s33";
}

// The three-second progress shown for a file taken from a folder, so that the
// user who was asked before the download sees it happen.
void ShowCopyProgress() {
  ProgressBarSink(kProgressRange, 10, 0, 1, {});
  for (int i = 0; i < 10; ++i) {
    ProgressBarSink(kProgressStep, 0, 0, 0, {});
    YieldWait(300);
  }
  ProgressBarSink(kProgressRange, 0, 0, 0, {});
}

// The size of `name` at `location` for the size check: the file's when the
// location is a folder holding it, else the server's (not in test mode);
// -1 when neither tells. `tried` gets the path or URL asked last.
int64_t SizeAtLocation(const std::string& location, const std::string& name, bool testMode,
                       std::string& tried) {
  tried = Cat({location, "\\"sv, name});
  if (FileExists(tried))
    return FileSizeByName(tried);
  std::string connectionError;
  if (testMode || !HTTP_InternetConnected(connectionError))
    return -1;
  tried = Cat({location, "/"sv, name});
  return HTTP_GetFileSize(tried);
}

// The ".sig" file beside the ".info" file `name` at `from` (a folder or a
// URL), into `der`; false with `error` set when there is none.
bool FetchSignature(const std::string& from, const std::string& name, std::string& der,
                    std::string& source, std::string& error) {
  const std::string sigName = pack::SignatureFileName(name);
  source = Cat({from, "\\"sv, sigName});
  if (FileExists(source)) {
    if (FileSizeByName(source) <= static_cast<int64_t>(pack::kSignatureFileLimit))
      der = ReadFilePart(source);
  } else if (Agent().testMode || IsFolderLocation(from)) {
    error = "File not Found!";
  } else {
    source = Cat({from, "/"sv, sigName});
    HTTP_DownloadFile(nullptr, source, {}, &der, nullptr, error);
    if (error.empty())
      error = HTTP_NotFoundText({}, der, source, {});
  }
  return error.empty();
}

// Why the ".info" bytes `data`, fetched as `name` from `from`, may not be
// used; empty when their signature is by the package's update key
// `keyText`. A key the launcher cannot read confirms nothing.
std::string InfoSignatureFault(const std::string& from, const std::string& name,
                               const std::string& data, const std::string& keyText) {
  const std::string key = pack::ParseUpdateKey(keyText);
  if (key.empty())
    return "The installer's update key cannot be read; no update information is accepted.";
  std::string der;
  std::string source;
  std::string error;
  if (!FetchSignature(from, name, der, source, error))
    return Cat({"The update information is not signed: "sv, source, " - "sv, error});
  const std::string signature = pack::EcdsaSignatureFromDer(der);
  if (signature.empty())
    return Cat({"The signature file is not an ECDSA signature: "sv, source});
  if (!VerifyP256Signature(key, data, signature, &error)) {
    if (error.empty())
      error =
          Cat({"The signature does not match the update information (changed, or signed "
               "with another key): "sv,
               source});
    return error;
  }
  return {};
}

// Why the fetched update or inform file `localCopy` may not be used; empty
// when the verified update information pins its SHA-256.
std::string PinnedFileFault(const std::string& localCopy, int kind) {
  const InfoFile info = AgentInfoFile();
  const std::string expected =
      kind == kFileUpdate ? info.GetSha256OfUpdateFile() : info.GetSha256OfInformFile();
  std::string error;
  const std::string actual = Sha256OfFile(localCopy, &error);
  std::string fault = PinnedHashFault(expected, actual);
  if (!fault.empty() && !error.empty())
    fault.append("<P>"sv).append(error);
  return fault;
}

}  // namespace

std::string AgentFolder() {
  return OwnDir(true);
}

OriginalFile AgentOriginalFile() {
  return OriginalFile(GetOriginalFilePath(AgentHostRef().OwnPackage()));
}

InfoFile AgentInfoFile() {
  return InfoFile(GetInfoFilePath(AgentHostRef().OwnPackage()));
}

std::string LocalCopyPath(const std::string& name) {
  if (!pack::EntryNameFault(name).empty())
    return {};
  const TGFileInfo& own = AgentHostRef().OwnPackage();
  const std::string ownName = OwnFileName();
  const std::string agentName = own.GetAgentFileName();
  const std::string own_files[] = {
      ownName,
      agentName,
      "X_" + agentName,
      own.GetInfoFileName(),
      own.GetOriginalFileName(),
      FileNamePart(AgentLogPath(OwnPath())),
  };
  for (const std::string& file : own_files) {
    if (!file.empty() && SameNameNoCase(name, file))
      return {};
  }
  return AgentFolder() + name;
}

bool SameProductToken(const std::string& localFile, int kind) {
  const std::string ownToken = AgentHostRef().OwnPackage().GetProductToken(true);
  if (localFile.empty() || ownToken.empty())
    return false;
  if (kind == kFileUpdate)
    return ReadPackageInfo(localFile).GetProductToken(true) == ownToken;
  if (kind == kFileInform) {
    std::string token;
    std::string rest;
    pack::ParseTokenLine(ReadFilePart(localFile), token, rest);
    return token == ownToken;
  }
  return false;
}

bool DownloadFileAU(const std::string& location, const std::string& fileName, int kind,
                    std::string& error) {
  AgentState& agent = Agent();
  AgentHost& host = AgentHostRef();
  const InfoFile info = AgentInfoFile();
  const OriginalFile original = AgentOriginalFile();

  bool result = false;
  error.clear();
  std::string data;
  std::string localCopy;
  const std::string name = FileNamePart(fileName);
  const std::string from = agent.testMode ? agent.testUrl : location;
  std::string source = Cat({from, "\\"sv, name});
  ConsolePidLine(Cat({" DownloadFileAU: "sv, source}));
  AgentLog(Cat({"TestMode="sv, BoolText(agent.testMode)}));
  AgentLog(Cat({"Download START: "sv, source}));

  // Without a name (a package without an update location, a ".info" that
  // names no file) there is nothing to fetch.
  if (name.empty()) {
    error = "No file to fetch"s;
    AgentLog(Cat({"ERROR: "sv, error}));
    return false;
  }
  // An update or inform file goes only where the agent may write it.
  std::string copyPath;
  if (kind != kFileInfo) {
    copyPath = LocalCopyPath(name);
    if (copyPath.empty()) {
      error =
          "The update information names a file the agent may not write: " + ShortenForDisplay(name);
      AgentLog(Cat({"ERROR: "sv, error}));
      AgentLog(Cat({"Download END:   "sv, source}));
      return false;
    }
  }

  const bool confirmDownload = info.GetRequestConfirmationBeforeDownload(agent.overrides);
  const bool showWindow = kind == kFileUpdate && confirmDownload && agent.checkMode != kCheckByUser;
  HWND window = host.MainWindow();
  if (showWindow)
    ::ShowWindow(window, SW_SHOW);
  host.StyleLabel(original.GetAgentString(LabelKey(kind)), original.GetMsgBoxFontName(),
                  original.GetMsgBoxCharset(), original.GetMsgBoxFontSize());

  std::string connectionError;
  if (FileExists(source)) {
    if (kind == kFileInfo) {
      // As from a server: a settings file larger than the limit is refused.
      if (FileSizeByName(source) > static_cast<int64_t>(kMemoryDownloadLimit))
        error = HTTP_TooLargeText(source);
      else
        data = ReadFilePart(source);
    } else if (FileSizeByName(source) > 0) {
      localCopy = copyPath;
      // A test folder that is the agent's own folder already holds the copy.
      if (!SameNameNoCase(source, localCopy) &&
          !::CopyFileA(source.c_str(), localCopy.c_str(), FALSE)) {
        error = Cat({"Cannot copy "sv, source, ": "sv, GetLastErrorText()});
      }
      if (showWindow && error.empty())
        ShowCopyProgress();
    }
  } else if (!agent.testMode && HTTP_InternetConnected(connectionError)) {
    YieldWait(500);
    source = Cat({from, "/"sv, name});
    if (kind != kFileInfo)
      localCopy = copyPath;
    HTTP_SetAbort(false);
    HTTP_DownloadFile(agent.checkMode == kCheckByUser ? window : nullptr, source, localCopy,
                      kind == kFileInfo ? &data : nullptr, &ProgressReporter(), error);
    YieldWait(500);
  } else if (kind != kFileInfo) {
    // Nothing to fetch: no file in the folder and no way to the network.
    error = agent.testMode ? "File not Found!" : connectionError;
    if (error.empty())
      error = "No connection to the Internet.";
  }
  if (showWindow)
    ::ShowWindow(window, SW_HIDE);
  AgentLog(Cat({"Download END:   "sv, source}));

  const std::string keyText = host.OwnPackage().GetUpdateKey();
  if (kind == kFileInfo) {
    if (error.empty() && !data.empty())
      error = HTTP_NotFoundText({}, data, source, {});
    result = error.empty() && !data.empty();
    if (result && !keyText.empty()) {
      error = InfoSignatureFault(from, name, data, keyText);
      result = error.empty();
      AgentLog(result ? "Signature OK"s : Cat({"ERROR: "sv, error}));
    }
    // Only information the vendor's key confirms replaces the local copy.
    if (result || keyText.empty())
      SaveFile(AgentFolder() + name, data);
    if (!error.empty() && error.front() == '3')
      error.clear();
    return result;
  }

  if (error.empty() && (localCopy.empty() || !FileExists(localCopy)))
    error = "File not Found!";
  if (error.empty()) {
    // A package with an update key runs or shows only the file the verified
    // information pins by its SHA-256.
    const std::string fault = !SameProductToken(localCopy, kind) ? std::string(kBadTokenText)
                              : keyText.empty()                  ? std::string()
                                                                 : PinnedFileFault(localCopy, kind);
    result = fault.empty();
    if (!result) {
      const std::string text = HTTP_NotFoundText(localCopy, {}, source, fault);
      ::DeleteFileA(localCopy.c_str());
      AgentLog(Cat({"ERROR: "sv, text}));
      AgentError(text);
    }
  } else {
    AgentLog(Cat({"ERROR: "sv, error}));
    if (source.size() > 2 && confirmDownload) {
      const std::string message =
          DownloadFailureText(original.GetAgentString("s3"sv), original.GetAgentString("s4"sv),
                              original.GetAgentString("s5"sv), HTTP_IsAborted(), source);
      AgentLog(Cat({"ATTENTION: "sv, message}));
      AgentAttention(kMsgOwnerHeading, message);
    }
  }
  return result;
}

bool GetOkToPerformAU(bool infoDownloaded, int& code, std::string& text) {
  const AgentState& agent = Agent();
  const OriginalFile original = AgentOriginalFile();
  const InfoFile info = AgentInfoFile();
  EligibilityValues values;
  values.infoDownloaded = infoDownloaded;
  values.versionOriginal = original.GetVersionOriginal();
  values.originalStamp = original.GetStamp();
  values.reAskSecondsLast = original.GetReAskSecondsLast();
  values.reAskSecondsInterval = original.GetReAskSecondsInterval();
  values.newStamp = info.GetStamp();
  values.versionNew = info.GetVersionNew();
  values.validVersions = info.GetValidVersions();
  values.checkByUser = agent.checkMode == kCheckByUser;
  values.secondsNow = SecondsNow();

  code = EligibilityCodeBeforeSize(values);
  if (code == kEligibleSizeError) {
    int64_t expected = info.GetSizeOfUpdateFile();
    std::string name = info.GetNameOfUpdateFile();
    if (info.IsAutoInform()) {
      name = info.GetNameOfInformFile();
      expected = info.GetSizeOfInformFile();
    }
    name = FileNamePart(name);
    const std::string location = agent.testMode ? agent.testUrl : info.GetDownloadURL_UPDATE();
    std::string tried;
    const int64_t actual = SizeAtLocation(location, name, agent.testMode, tried);
    if (SizeMatches(actual, expected)) {
      code = kEligibleOk;
    } else {
      AgentLog(Cat({"  InfoSize="sv, DecimalText(expected)}));
      AgentLog(Cat({"  HttpSize="sv, DecimalText(actual)}));
      AgentLog(Cat({"  URL="sv, tried}));
    }
  }
  text = std::string(EligibilityReason(code));
  const std::string codeText = DecimalText(code);
  ConsolePidLine(Cat({" GetOkToPerformAU="sv, codeText}));
  AgentLog(Cat({"GetOkToPerformAU = "sv, codeText, " - "sv, text}));
  return code == kEligibleOk;
}

}  // namespace orvane
