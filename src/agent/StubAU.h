// StubAU: the auto-update agent of an installed product.
//
// An X_ agent keeps a hidden main window whose one-second timer calls
// AgentTick, and other programs steer it through the agent message of that
// window, which AgentCommand answers. A tick decides by the schedule whether
// to check ("shot"): fetch the update information (".info") from the update
// location into the agent's folder, let the eligibility staircase decide
// whether it calls for action, then run the update cycle (download, ask,
// shut the product down, install through the setup flow, restart) or show
// the information dialog. The decisions themselves are in StubAURules.
//
// The agent lives below the launcher: the main window, the client
// notifications and the setup flow come in through AgentHost, which the
// launcher sets before the window runs.
//
// The agent owns only its own files: the local copies of the update and
// inform files it fetched into its folder, the ".info" copy and the schedule
// keys of the ".original" file. A name from the update information never
// reaches outside the agent's folder and never names one of the agent's own
// program, settings or log files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "agent/StubAURules.h"
#include "package/PackX.h"

namespace orvane {

// What the agent needs of the program around it.
class AgentHost {
 public:
  // The running launcher's own package.
  virtual const TGFileInfo& OwnPackage() = 0;
  // The hidden main window (it carries the label and the bars).
  virtual HWND MainWindow() = 0;
  // Posts a notification to the registered client (nothing without one).
  virtual void NotifyClient(WPARAM code, LPARAM stage) = 0;
  // Styles the main window's label and sets its text.
  virtual void StyleLabel(const std::string& text, const std::string& fontName, int charset,
                          int fontSize) = 0;
  // Installs `packageFile` through the setup flow in the working folder with
  // `switches` first on the engine's command line, then deletes the working
  // folder; true when the engine confirmed the installation.
  virtual bool RunUpdateSetup(const std::string& packageFile, const std::string& switches,
                              bool foreground) = 0;

 protected:
  ~AgentHost() = default;
};

// Codes posted to the client (wParam), with their value in lParam.
enum ClientNotification : WPARAM {
  kNotifyInfoDownload = 40,  // 1 begins, 2 ends: the agent downloads the ".info" file
  kNotifyFileDownload = 41,  // 1, 2: the agent downloads an update or inform file
  kNotifyInstall = 42,       // 1, 2: the agent installs an update
  kNotifyLoopEnded = 43,     // 0: the message loop has ended, the process finishes
  kNotifyAgentWindow = 50,   // the main window handle: answer to wm_LocalMsg
  kNotifyAgentMessage = 51,  // wm_AgentMsg: answer to wm_LocalMsg
};

// Set once before the agent's window runs.
void SetAgentHost(AgentHost& host);

// The agent state of the process.
AgentState& Agent();

// Sub-codes of the agent message (wParam); the value travels in lParam.
enum AgentCommandCode : WPARAM {
  kAgentReadVersionOriginal = 4,
  kAgentReadVersionNew = 5,
  kAgentReadPhase = 7,
  kAgentReadProbeInterval = 8,
  kAgentReadReAskInterval = 9,
  kAgentReadProbeLast = 10,
  kAgentReadReAskLast = 11,
  kAgentWriteProbeInterval = 12,
  kAgentWriteReAskInterval = 13,
  kAgentWriteProbeLast = 14,
  kAgentWriteReAskLast = 15,
  kAgentSetOverrideFirst = 20,  // 20 to 25: transient override fields 0 to 5
  kAgentSetOverrideLast = 25,
  kAgentSetLifetime = 30,
  kAgentForceCheck = 31,
  kAgentInfoOnly = 32,
};

// Answers the agent message: reads and writes the schedule of the product's
// ".original" file (interval and last-check times; reads give the low 32
// bits, writes take the value sign-extended from 32 bits), reads the
// installed and the newest version and the agent phase, sets the transient
// overrides (low byte of the value), the remaining lifetime, a forced check
// (the value 2 makes it a check asked for by the user) and an info-only
// request. Commands answer 0, as does every unknown sub-code. The files are
// those of `ownPackage`, the agent's own package.
LRESULT AgentCommand(const TGFileInfo& ownPackage, WPARAM subCode, LPARAM value);

// The tick handler (RunAgentTick with the agent's services).
void AgentTick();

// Reads the test mode from HKCU\Software\Dellomir\Orvane\AutoUpdate when
// forced or 30 seconds after the last call; returns it.
bool CheckTestMode(bool force);

// One check: fetch the ".info" file, decide, then inform or update; a check
// the user asked for ends with a message when nothing was done.
void PerformShot();
// Fetches the ".info" file only.
bool JustDownloadInfoFile();

// Whether the fetched information calls for action now; `code` and `text`
// give the reason (StubAURules).
bool GetOkToPerformAU(bool infoDownloaded, int& code, std::string& text);

// Kinds of file DownloadFileAU fetches.
constexpr int kFileInfo = 1;
constexpr int kFileUpdate = 2;
constexpr int kFileInform = 3;

// Fetches `fileName` (its file-name part) from `location`, a folder or a
// URL (the test folder in test mode), into the agent's folder: the ".info"
// file is taken into memory and written there; update and inform files must
// carry the product's token, otherwise they are deleted and reported. True
// when the file is there and good; `error` holds the download's error.
bool DownloadFileAU(const std::string& location, const std::string& fileName, int kind,
                    std::string& error);

// Whether the local copy `localFile` of an update (kind 2: a package) or
// inform file (kind 3: a token line) carries the running package's product
// token.
bool SameProductToken(const std::string& localFile, int kind);

// The update cycle; true when the update's setup ran successfully.
bool PerformAutoUpdate();
// Starts the agent program file again (it renews this X_ agent) and ends this one.
void ReStartAutoUpdateExe();
// Shows the inform dialog for the new version; true when it was shown.
bool PerformAutoInform();

}  // namespace orvane
