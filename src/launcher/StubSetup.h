// StubSetup: what a setup launcher does once its hidden main window is up.
//
// StartSetup is the timer handler of a setup launcher's main window; it runs
// the setup flow once: it checks the space on the Temp drive (moving to
// another fixed drive when that one is too small), asks the user when space
// is short, has the extraction engine write the package into the working
// folder, starts the setup engine that the package marks, waits for it and
// for its dialog, takes over its exit code and removes the working folder.
// RunSetup is that core; the update cycle of the agent calls it too.
//
// The engine is an outside program. It learns a rendezvous tag from its
// command line (/TH_ID=_<thread id>); it deletes the global atom
// "AutoUpdateAtomTokenByOrvane" + tag to confirm that it completed, and may
// keep a window of class ".SDialog_Class_Name." + tag open after it ended,
// which the launcher waits for.
#pragma once

#include <windows.h>

#include <string>

#include "util/Handles.h"

namespace orvane {

class TGFileInfo;

// Called on every tick of timer 1 of the main window when the agent flag is
// clear: stops the timer, runs the setup flow and posts the quit message.
void StartSetup();

// Extracts `packageFile` into `extractDir` and runs its start entry with
// `switches` (the caller's command-line text) first on the engine's command
// line. `agentName` (may be empty) names the agent copy. `foreground` shows
// the start-up window and asks questions. True when the engine confirmed
// that it completed (it deleted the rendezvous atom). The process exit code
// becomes the engine's, or the code of the failure that kept it from
// starting (StubSetupText.h); a run that is not in the foreground shows no
// box.
bool RunSetup(std::string extractDir, const std::string& packageFile, const std::string& agentName,
              const std::string& switches, bool foreground);

// The space question: nothing to ask (true) unless the package always shows
// the Temp-drive notice or the space required is not below the free space;
// then the user's OK.
bool ConfirmTempSpace(const std::string& extractDir, const TGFileInfo& package);

// The space required by the package on the drive of `dir` is below its free
// space, and `dir` exists.
bool HasEnoughSpace(const std::string& dir, const std::string& packageFile);

// The Temp folder + "SETUP_" + the low 16 bits (the time half) of the own
// executable's DOS modification date-time, in decimal; "_2", "_3", ... is
// appended while another running launcher holds the folder of that name (a
// named mutex per folder marks it as used for the life of the process). On
// the first call of the process the folder is claimed, a leftover of that
// name is deleted with its content, and the folder is created with all
// missing parents. Later calls return the cached path, whether or not the
// folder still exists. Empty when the system names no Temp folder.
std::string WorkingFolder();
// Lets another launcher take the working folder (the relaunched copy, which
// works in it once this process has gone).
void ReleaseWorkingFolder();

// Whether this run may ask anybody anything: not with /hide or a package
// that runs hidden.
bool RunsHidden();
// An error for the user: a box, or in a hidden run a trace line.
void ReportError(bool hidden, const std::string& text);

// Looks for a fixed drive among C, D and E with more free space than the
// Temp drive (probing each with a small file in X:\TEMP); true when one was
// found (now or earlier in the process).
bool FindAlternativeTempBase();
// The folder on that drive for this process: base + "_" + a random number,
// emptied and created on the first call. Empty without a base.
std::string AlternativeFolder();
// Deletes the alternative folder with its content, when there is one.
void RemoveAlternativeFolder();

// Waits (serving messages, 500 ms steps) until the process has ended; an
// empty handle ends after the first step.
void WaitForProcess(HANDLE process);

// Restyles the start-up window's label for the language (right-aligned and
// read right to left for Hebrew and Arabic), sets its font and its text.
void StyleLabel(HWND label, const std::string& text, const std::string& fontName, int charset,
                int fontSize);

// Copies the own executable as "Y_" + its name into the working folder and
// starts it hidden with the command tail and /SpanCdLvl=2
// /SpanDiskFName1="<first volume>" /OriginExe="<own path>", where the first
// volume is "<own path>.001" when that file exists, else the own path. The
// caller then ends without a window.
void RelaunchFromTemp();

}  // namespace orvane
