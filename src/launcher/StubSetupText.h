// StubSetupText: the portable rules of the setup flow: the engine's command
// line, the space message and its sizes, the choice of another drive when
// the Temp drive is too small, the relaunched copy's switches, the exit
// codes and the names of the working folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "package/UnPackWalk.h"

namespace orvane {

// The exit codes of a setup launcher. A setup engine that ran gives its own
// exit code, passed on unchanged; every failure before it has its own code,
// those of Windows installers where one fits, so that a deployment tool
// running the installer unattended can tell what happened. Out of memory
// and internal faults end with the codes of util/Fatal.h (8 and 1359).
enum LauncherExitCode : uint32_t {
  kExitChecksum = 23,          // ERROR_CRC: a volume failed its checksum ("Bad CRC!")
  kExitWriteFailed = 29,       // ERROR_WRITE_FAULT: the working folder or a file was not written
  kExitCancelled = 1602,       // ERROR_INSTALL_USEREXIT: the user cancelled a question or prompt
  kExitStartFailed = 1603,     // ERROR_INSTALL_FAILURE: nothing to start, or the start failed
  kExitVolumeMissing = 1612,   // ERROR_INSTALL_SOURCE_ABSENT: a hidden run missed a volume,
                               // or the setup file could not be downloaded
  kExitAlreadyRunning = 1618,  // ERROR_INSTALL_ALREADY_RUNNING: this installer runs already
  kExitNoPackage = 1619,       // ERROR_INSTALL_PACKAGE_OPEN_FAILED: no readable package
  kExitDamaged = 1620,         // ERROR_INSTALL_PACKAGE_INVALID: the package is damaged, or a
                               // downloaded setup file is not this installer's
};
// The source of the setup files is not there: a failed download.
constexpr LauncherExitCode kExitDownloadFailed = kExitVolumeMissing;
// A setup file that is not the one this installer names.
constexpr LauncherExitCode kExitWrongSetupFile = kExitDamaged;

// The exit code for an extraction that leaves nothing to start (0 when it
// leaves a start entry). A cancelled volume prompt of a hidden run is a
// missing volume: nobody was asked.
uint32_t ExtractionExitCode(const ExtractionOutcome& outcome, bool hidden);

// The working folder's name for `attempt` (1, 2, ...): "SETUP_<stamp>", then
// "SETUP_<stamp>_2", ... for when another launcher uses the first.
std::string WorkingFolderName(uint32_t stamp, int attempt);

// The name of the mutex a launcher holds while it uses the working folder
// `folder`: the same for every spelling of the path that differs only in
// ASCII letter case, and free of backslashes, which object names cannot hold.
std::string WorkingFolderMutexName(std::string_view folder);

// A size in MB with 1 decimal above 10 MB, 2 from 1 to 10 MB, 3 below 1 MB
// (also for 0); negative sizes count as 0. 5.5 MB gives "5.50".
std::string FormatMB(double bytes);

// Removes the first occurrence of `name` (case-sensitive) and its value: the
// characters from there up to the next "/" (or the end). The blank in front
// of it stays.
std::string RemoveSwitch(std::string_view commandLine, std::string_view name);

// What the engine is started with.
struct EngineLaunch {
  std::string extractDir;  // the folder the package went to
  std::string startEntry;  // "name", or "name*extra arguments"
  std::string switches;    // the launcher's own command tail
  std::string threadTag;   // "_" + the thread id
  std::string ownPath;     // the launcher that runs
  bool agent = false;      // the launcher is an auto-update agent
};

// The engine's command line: the extraction folder with one trailing
// backslash and the entry's name (quoted only when it holds a blank); the switches, then the
// entry's own arguments; " /TH_ID=" + tag; " /OriginExe=\"own path\"" unless
// the line already names one; " /AutoUpdateProg" for agents; finally
// /SpanCdLvl= and /SpanDiskFName1= (the relaunch's own switches) removed.
std::string EngineCommandLine(const EngineLaunch& launch);

// The space notice or warning: `text` (s2 or s3) + s4 + s5 + s6 with
// <DRIVE>, <SPACE_REQ> and <SPACE_AVAIL> filled in everywhere.
std::string SpaceMessage(std::string_view text, std::string_view s4, std::string_view s5,
                         std::string_view s6, std::string_view drive, double required,
                         double available);

// The drive with the most free space among C, D and E (`freeBytes[0..2]`; 0
// for a drive that is not a usable fixed drive), the earlier letter on a
// tie; 0 when that is the Temp folder's drive `tempLetter` or no drive has
// any space.
char BetterTempDrive(const double freeBytes[3], char tempLetter);

// The relaunched copy's switches: the command tail, then /SpanCdLvl=2,
// /SpanDiskFName1= (the package's first volume) and /OriginExe= (own path),
// quoted.
std::string RelaunchSwitches(std::string_view commandTail, std::string_view firstVolume,
                             std::string_view ownPath);

// ---------------------------------------------------------------------------
// Internet setup

// The download question: `s11` with every "<SIZE>" replaced by the download
// size (`sizeText`, a decimal number of bytes; 0 when it is none) in MB
// (FormatMB).
std::string DownloadQuestion(std::string_view s11, std::string_view sizeText);

// Where a setup file beside the launcher would lie: `folder` with exactly one
// trailing backslash, then `fileName`.
std::string LocalSetupPath(std::string_view folder, std::string_view fileName);

// The agent copy of a launcher image `data`: cut to its package end when
// less than 10000 bytes follow it (a signature or fill bytes after the small
// package of an internet launcher; a longer tail stays), then the agent flag
// set to 1: the byte before the trailer's 4-byte length, 5 bytes before the
// package end (the image's end when it has no package-end pointer).
std::string AgentCopyImage(std::string data);

// What a setup file's SHA-256 `actual` says against the `expected` value of
// the package: empty when they are the same (case does not matter), else the
// error text for the file `path`.
std::string Sha256MismatchText(std::string_view expected, std::string_view actual,
                               std::string_view path);

}  // namespace orvane
