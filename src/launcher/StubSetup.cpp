#include "launcher/StubSetup.h"

#include <cstdint>

#include "agent/ZProgBar.h"
#include "launcher/StubSetupInternet.h"
#include "launcher/StubSetupText.h"
#include "launcher/StubWin.h"
#include "launcher/StubWinMain.h"
#include "package/LangStringsWin.h"
#include "package/PackX.h"
#include "package/PackXWin.h"
#include "package/StubGlob.h"
#include "package/UnPack.h"
#include "ui/ZMsgBox.h"
#include "util/Files.h"
#include "util/PathText.h"
#include "util/Process.h"
#include "util/ProcessViewer.h"
#include "util/Registry.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

constexpr const char* kAtomPrefix = "AutoUpdateAtomTokenByOrvane";
constexpr const char* kDialogClassPrefix = ".SDialog_Class_Name.";

// The extraction's boxes: errors in the launcher's default look, the volume
// prompt in the package's language. A hidden run shows none of them: nobody
// may be there to answer, so errors go to the trace and the exit code, and
// a volume that is not there ends the run.
class PackageBoxes final : public ExtractionBoxes {
 public:
  PackageBoxes(bool hidden, int charset, std::string buttons, std::string caption)
      : hidden_(hidden),
        charset_(charset),
        buttons_(std::move(buttons)),
        caption_(std::move(caption)) {}
  void ShowError(const std::string& text) override { ReportError(hidden_, text); }
  bool AskForVolume(const std::string& text) override {
    if (hidden_) {
      ConsoleLine("Hidden run, volume not there: " + text);
      return false;
    }
    return MsgOkCancel(0, text, caption_, buttons_, charset_);
  }

 private:
  bool hidden_;
  int charset_;
  std::string buttons_;
  std::string caption_;
};

// A random decimal number from 10000 to 100000, for folder names nobody has
// taken yet.
std::string RandomFolderNumber() {
  return std::to_string(RandomInRange(10000, 100000));
}

bool IsFixedDrive(char letter) {
  const char root[] = {letter, ':', '\\', '\0'};
  return ::GetDriveTypeA(root) == DRIVE_FIXED;
}

// The extractions of this process may go to another drive.
std::string& AlternativeBase() {
  static std::string base;
  return base;
}

// The registry may ask for every further volume.
bool ForcePrompt() {
  return ReadRegString("HKEY_CURRENT_USER\\Software\\Dellomir\\Orvane\\SpanDisk", "ForcePrompt",
                       "0") == "1";
}

std::string ThreadTag() {
  return "_" + std::to_string(::GetCurrentThreadId());
}

// Deletes a link file the installed product named, once the engine has
// replaced it.
void RemoveShortcut(bool wanted, const std::string& link) {
  if (wanted && !link.empty() && FileExists(link))
    ::DeleteFileA(link.c_str());
}

// Starts the engine of the extracted package and waits for it, its dialog
// and its confirmation; the engine's exit code becomes the process's. True
// when the engine deleted the rendezvous atom.
bool Launch(const std::string& extractDir, const std::string& startEntry,
            const std::string& switches, bool foreground) {
  const std::string tag = ThreadTag();
  EngineLaunch launch;
  launch.extractDir = extractDir;
  launch.startEntry = startEntry;
  launch.switches = switches;
  launch.threadTag = tag;
  launch.ownPath = OwnPath();
  launch.agent = Startup().identity.agentFlag;
  const std::string command = EngineCommandLine(launch);

  // The engine may change these keys; read them before it runs.
  const OriginalFile original(GetOriginalFilePath(OwnPackage()));
  const std::string startUpLink = original.GetStartUpLink();
  const std::string updateLink = original.GetCheckforNewUpdateLink();

  ConsolePidLine(" ==== WinExec(Engine.exe) >>" + command + "<<");
  const std::string atomName = kAtomPrefix + tag;
  ::GlobalAddAtomA(atomName.c_str());
  const UniqueHandle<NullableHandleTraits> engine =
      RunProgram(command, foreground ? SW_SHOW : SW_HIDE);
  if (!engine) {
    const std::string error = GetLastErrorText();
    ::GlobalDeleteAtom(::GlobalFindAtomA(atomName.c_str()));
    SetProcessExitCode(kExitStartFailed);
    ReportError(!foreground, ShortenForDisplay(command) +
                                 "<P><P>The setup program cannot be started.<P><P>" + error);
    return false;
  }
  ::ShowWindow(MainWindow(), SW_HIDE);
  YieldWait(1000);
  WaitForProcess(engine.get());
  DWORD exitCode = 0;
  if (!::GetExitCodeProcess(engine.get(), &exitCode))
    exitCode = 0;
  SetProcessExitCode(exitCode);

  WaitWhileWindowExists(kDialogClassPrefix + tag, "");
  YieldWait(1000);

  const ATOM atom = ::GlobalFindAtomA(atomName.c_str());
  const bool confirmed = atom == 0;
  if (!confirmed)
    ::GlobalDeleteAtom(atom);
  if (confirmed) {
    const InfoFile info(GetInfoFilePath(OwnPackage()));
    RemoveShortcut(info.GetRemoveStartUpShortcut(), startUpLink);
    RemoveShortcut(info.GetRemoveCheckForNewUpdateShortcut(), updateLink);
  }
  return confirmed;
}

}  // namespace

void ReportError(bool hidden, const std::string& text) {
  if (hidden)
    ConsoleLine("Hidden run, error: " + text);
  else
    MsgError(0, text);
}

bool RunsHidden() {
  return HasSwitch("/hide") || OwnPackage().GetRunHidden();
}

namespace {

// The mutex that tells other launchers that this one uses its working folder.
UniqueHandle<NullableHandleTraits>& WorkingFolderClaim() {
  static UniqueHandle<NullableHandleTraits> claim;
  return claim;
}

// Takes `folder` for this process unless another launcher holds it. A
// folder that nobody holds is a leftover and may be emptied.
bool ClaimWorkingFolder(const std::string& folder) {
  const std::string name = WorkingFolderMutexName(folder);
  UniqueHandle<NullableHandleTraits> mutex(::CreateMutexA(nullptr, FALSE, name.c_str()));
  // No handle: a launcher of another user or level holds it, so the folder
  // is taken just the same.
  if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS)
    return false;
  WorkingFolderClaim() = std::move(mutex);
  return true;
}

}  // namespace

std::string WorkingFolder() {
  static const std::string folder = [] {
    const std::string temp = TempDir(true);
    if (temp.empty())
      return std::string();  // never a relative path: it would name the current folder
    const uint32_t stamp = FileDosDateTime(OwnPath()) & 0xFFFFu;
    // Two installers built at the same time of day share the first name; the
    // one that comes second must not empty the folder the first one's engine
    // runs from.
    std::string path;
    bool claimed = false;
    for (int attempt = 1; attempt <= 1000 && !claimed; ++attempt) {
      path = temp + WorkingFolderName(stamp, attempt);
      claimed = ClaimWorkingFolder(path);
    }
    // Only a folder nobody uses may be a leftover to empty.
    if (claimed && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
      DeleteTree(path, true);
    CreateFolderPath(path);
    return path;
  }();
  return folder;
}

void ReleaseWorkingFolder() {
  WorkingFolderClaim().reset();
}

bool FindAlternativeTempBase() {
  std::string& base = AlternativeBase();
  if (!base.empty())
    return true;
  double freeBytes[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    const char letter = static_cast<char>('C' + i);
    if (!IsFixedDrive(letter))
      continue;
    std::string probe = std::string(1, letter) + ":\\TEMP";
    // An existing TEMP folder is not ours to delete: probe below it.
    if (FolderExists(probe))
      probe += "\\TEMP" + RandomFolderNumber();
    CreateFolderPath(probe);
    const std::string file = probe + "\\~aa.tmp";
    SaveFile(file, "aa");
    if (FileExists(file))
      freeBytes[i] = DiskFree(probe);
    // Whatever the probe left behind goes, written or not.
    DeleteTree(probe, false);
  }
  const std::string temp = TempDir(true);
  const char tempLetter =
      temp.empty() ? '\0' : static_cast<char>(UpperCaseAscii(temp.substr(0, 1))[0]);
  const char better = BetterTempDrive(freeBytes, tempLetter);
  if (better != 0) {
    base = std::string(1, better) + ":\\TEMP";
    if (FolderExists(base + "\\TEMP"))
      base += "\\TEMP";
  }
  return !base.empty();
}

std::string AlternativeFolder() {
  static std::string folder;
  if (folder.empty() && !AlternativeBase().empty()) {
    folder = AlternativeBase() + "_" + RandomFolderNumber();
    if (::GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
      DeleteTree(folder, false);
    CreateFolderPath(folder);
  }
  return folder;
}

void RemoveAlternativeFolder() {
  if (!AlternativeBase().empty())
    DeleteTree(AlternativeFolder(), false);
}

void WaitForProcess(HANDLE process) {
  for (;;) {
    YieldWait(500);
    DWORD code = 0;
    if (process == nullptr || !::GetExitCodeProcess(process, &code) || code != STILL_ACTIVE)
      return;
  }
}

void StyleLabel(HWND label, const std::string& text, const std::string& fontName, int charset,
                int fontSize) {
  if (label == nullptr)
    return;
  const bool rightToLeft = IsRightToLeftCharset(charset);
  ::SetWindowLongPtrA(label, GWL_EXSTYLE, rightToLeft ? WS_EX_RTLREADING : 0);
  ::SetWindowLongPtrA(label, GWL_STYLE,
                      WS_CHILD | WS_VISIBLE | (rightToLeft ? static_cast<LONG>(SS_RIGHT) : 0));
  LOGFONTA font{};
  font.lfHeight = -PixelsFromPoints(fontSize);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = static_cast<BYTE>(charset);
  lstrcpynA(font.lfFaceName, fontName.c_str(), LF_FACESIZE);
  // The label keeps the font for the rest of the process; the previous one
  // is released once the label no longer uses it.
  static HFONT current = nullptr;
  const HFONT created = ::CreateFontIndirectA(&font);
  ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(created), FALSE);
  if (current != nullptr)
    ::DeleteObject(current);
  current = created;
  ::SetWindowTextA(label, text.c_str());
}

bool HasEnoughSpace(const std::string& dir, const std::string& packageFile) {
  const double required = SpaceRequiredOnDrive(ReadPackageInfo(packageFile), dir);
  return required < DiskFree(dir) && FolderExists(dir);
}

bool ConfirmTempSpace(const std::string& extractDir, const TGFileInfo& package) {
  const std::string drive =
      extractDir.empty() ? std::string() : UpperCaseAscii(extractDir.substr(0, 1)) + ":";
  const double required = SpaceRequiredOnDrive(package, extractDir);
  const double available = DiskFree(extractDir);
  std::string text;
  if (package.GetShowTempNotice())
    text = GetLangString(package, "s2");
  if (required >= available)
    text = GetLangString(package, "s3");
  if (text.empty())
    return true;
  const std::string message =
      SpaceMessage(text, GetLangString(package, "s4"), GetLangString(package, "s5"),
                   GetLangString(package, "s6"), drive, required, available);
  return MsgOkCancel(0, message, GetLangString(package, "Confirm"),
                     GetLangString(package, "BtnText"), GetCharset(package));
}

bool RunSetup(std::string extractDir, const std::string& packageFile, const std::string& agentName,
              const std::string& switches, bool foreground) {
  const TGFileInfo package = ReadPackageInfo(packageFile);
  bool confirmed = false;
  if (package.GetActivityBar())
    ::ShowWindow(ActivityBar(), SW_SHOW);
  StyleLabel(MainLabel(), GetLangString(package, "s1"), GetFontName(package), GetCharset(package),
             GetFontSize(package));
  if (!HasEnoughSpace(extractDir, packageFile) && FindAlternativeTempBase())
    extractDir = AlternativeFolder();
  ConsoleLine(std::string("========= ForegroundOp=") + (foreground ? "TRUE" : "FALSE") +
              " ==========");
  if (foreground && !ConfirmTempSpace(extractDir, package)) {
    SetProcessExitCode(kExitCancelled);
  } else {
    const std::string buttons = GetLangString(package, "BtnText");
    const int charset = GetCharset(package);
    if (foreground)
      ::ShowWindow(MainWindow(), SW_SHOW);
    YieldWait(1, 1000);
    PackageBoxes boxes(!foreground, charset, buttons, GetLangString(package, "Attention"));
    const ExtractionOutcome outcome =
        ExtractPackage(packageFile, extractDir, agentName, ForcePrompt(), boxes,
                       GetLangString(package, "s8"), &ProgressBarExtractionSink());
    YieldWait(1000);
    const uint32_t extractionCode = ExtractionExitCode(outcome, !foreground);
    SetProcessExitCode(extractionCode);
    ConsoleLine("Extraction exit code: " + std::to_string(extractionCode));
    if (!outcome.startEntry.empty())
      confirmed = Launch(extractDir, outcome.startEntry, switches, foreground);
    // The checksum box belongs to a package that could be read and was not
    // cancelled.
    if (extractionCode == kExitChecksum && foreground)
      MsgError(0, GetLangString(package, "s7"), GetLangString(package, "Error"), buttons, charset);
  }
  RemoveAlternativeFolder();
  return confirmed;
}

void StartSetup() {
  ::KillTimer(MainWindow(), kMainTimerId);
  ConsoleLine("StartSetup() --- Start");
  const TGFileInfo& own = OwnPackage();
  const std::string agentName = own.GetAgentCopy() ? own.GetAgentFileName() : std::string();
  const bool hidden = RunsHidden();
  if (own.GetInternetSetup()) {
    StartInternetSetup(agentName);
  } else {
    std::string packageFile = GetSwitch("/SpanDiskFName1=");
    if (packageFile.empty())
      packageFile = OwnPath();
    RunSetup(WorkingFolder(), packageFile, agentName, CommandTail(), !hidden);
  }
  // The engine's files can stay locked for a moment after it has ended (the
  // system letting go of its image, a virus scanner): the folder is tried
  // again for up to three seconds, so that nothing is left in Temp.
  const std::string workingFolder = WorkingFolder();
  for (int tries = 0;
       !DeleteTree(workingFolder, false) && FolderExists(workingFolder) && tries < 15; ++tries)
    YieldWait(200);
  ::PostQuitMessage(0);
  ConsoleLine("StartSetup() --- End");
}

void RelaunchFromTemp() {
  const std::string ownPath = OwnPath();
  const std::string copy = WorkingFolder() + "\\Y_" + OwnFileName();
  ::CopyFileA(ownPath.c_str(), copy.c_str(), FALSE);
  // The first volume is NAME.001 where there is one; otherwise the installer
  // itself holds it (a one-file installer, or one whose later volumes lie
  // beside it), and the copy must read the installer the user started.
  const std::string separateFirstVolume = ownPath + ".001";
  const std::string firstVolume = FileExists(separateFirstVolume) ? separateFirstVolume : ownPath;
  const std::string command =
      ProgramPathForCommandLine(copy) + " " + RelaunchSwitches(CommandTail(), firstVolume, ownPath);
  // The copy works in this folder: it must find it free.
  ReleaseWorkingFolder();
  ::WinExec(command.c_str(), SW_HIDE);
}

}  // namespace orvane
