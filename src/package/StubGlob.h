// StubGlob: the settings of an installed product's auto-update agent, kept
// in two INI files in the folder of the running launcher:
//
// - the update information file (".info"), published by the product's maker
//   and fetched by the agent: what the newest update is, where it lies and
//   how to install it ([NewSetup], [General], [AutoInform]);
// - the installed-setup record (".original"), kept with the installed
//   product: the agent's schedule, the version and stamp it installed, the
//   product's folders and shortcuts, and the agent's texts ([OriginalSetup],
//   [Directories], [UnInstall], [MsgBox], [AutoUpdate]). The agent writes
//   only the schedule times, the stamp and the version.
//
// Each file is a small object holding its path; every reader reads the file
// afresh (nothing is cached), is named after its key and gives the key's
// default when the file, the key or its value is missing. Integer keys are
// 64-bit decimal numbers, switches are on only for "1" (StubGlobRules.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "package/StubGlobRules.h"

namespace orvane {

class TGFileInfo;

// The two files of the own package: the folder of the running executable +
// its GetInfoFileName / GetOriginalFileName.
std::string GetInfoFilePath(const TGFileInfo& own);
std::string GetOriginalFilePath(const TGFileInfo& own);

// The current local time in seconds since 30 December 1899 00:00.
int64_t SecondsNow();

// The installed-setup record (".original").
class OriginalFile {
 public:
  explicit OriginalFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // [OriginalSetup]; the times in seconds (see StubGlobRules.h). Default 0.
  int64_t GetProbeSecondsInterval() const;
  int64_t GetProbeSecondsLast() const;
  int64_t GetReAskSecondsInterval() const;
  int64_t GetReAskSecondsLast() const;
  int64_t GetVersionOriginal() const;
  int64_t GetStamp() const;
  std::string GetProgramName() const;

  // The writers return false when the file cannot be written. The two "Last"
  // writers also write the moment as readable text under "__" + the key
  // (true only when both keys were written).
  bool SetProbeSecondsInterval(int64_t seconds) const;
  bool SetProbeSecondsLast(int64_t seconds) const;
  bool SetReAskSecondsInterval(int64_t seconds) const;
  bool SetReAskSecondsLast(int64_t seconds) const;
  bool SetVersionOriginal(int64_t version) const;
  bool SetStamp(int64_t stamp) const;

  // [Directories]
  std::string GetTargetDir() const;
  std::string GetSharedDir() const;
  std::string GetAuxiliaryDir() const;

  // [UnInstall]
  std::string GetStartUpLink() const;
  std::string GetCheckforNewUpdateLink() const;

  // [MsgBox]: the agent's message-box words and font; the defaults of
  // LangStrings.h ("|&OK|&Cancel|...|", "Error", "Confirm", "Attention", 0,
  // "Tahoma", 8). Texts are used as read.
  std::string GetMsgBoxButtons() const;
  std::string GetMsgBoxError() const;
  std::string GetMsgBoxConfirm() const;
  std::string GetMsgBoxAttention() const;
  int GetMsgBoxCharset() const;
  std::string GetMsgBoxFontName() const;
  int GetMsgBoxFontSize() const;

  // [AutoUpdate] `key` (s2 ... s35), as read; `def` when absent or empty.
  std::string GetAgentString(std::string_view key, std::string_view def) const;
  // With the built-in text of `key` (AgentDefault) as the default.
  std::string GetAgentString(std::string_view key) const;

 private:
  std::string path_;
};

// The update information file (".info").
class InfoFile {
 public:
  explicit InfoFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

  // [NewSetup]
  std::string GetDownloadURL_UPDATE() const;
  std::string GetNameOfUpdateFile() const;
  int64_t GetSizeOfUpdateFile() const;
  std::string GetSha256OfUpdateFile() const;
  std::string GetShutDownMethod() const;
  std::string GetRunningProcess() const;
  std::string GetProgramName() const;
  int64_t GetVersionNew() const;
  int64_t GetStamp() const;
  std::string GetValidVersions() const;
  bool GetRemoveStartUpShortcut() const;
  bool GetRemoveCheckForNewUpdateShortcut() const;

  // [NewSetup] switches that the agent's transient overrides can replace:
  // the override's byte decides unless it is 255, then the file does.
  bool GetRequestConfirmationBeforeDownload(const TransientOverrides& overrides) const;
  bool GetRequestConfirmationBeforeDownloadForce(const TransientOverrides& overrides) const;
  bool GetRequestConfirmationBeforeInstall(const TransientOverrides& overrides) const;
  bool GetRequestConfirmationBeforeInstallForce(const TransientOverrides& overrides) const;
  bool GetBackgroundUpdate(const TransientOverrides& overrides) const;
  bool GetRestartProcess(const TransientOverrides& overrides) const;
  bool GetInformFinish(const TransientOverrides& overrides) const;

  // [General] AutoInform: 1 asks only to inform the user; any other value
  // (default 0) means an update.
  int64_t GetAutoInform() const;
  bool IsAutoInform() const { return GetAutoInform() == 1; }

  // [AutoInform]
  std::string GetDownloadURL_INFORM() const;
  std::string GetNameOfInformFile() const;
  int64_t GetSizeOfInformFile() const;
  std::string GetSha256OfInformFile() const;
  int64_t GetAutoInformW() const;  // default 360
  int64_t GetAutoInformH() const;  // default 360

 private:
  bool Switch(std::string_view key, Override which, const TransientOverrides& overrides) const;

  std::string path_;
};

}  // namespace orvane
