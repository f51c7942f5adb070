// StubGlob: the readers and writers of the ".info" and ".original" files.
#include "package/StubGlob.h"

#include <windows.h>

#include "package/LangStrings.h"
#include "package/PackX.h"
#include "util/DateText.h"
#include "util/Utils.h"
#include "util/UtilsIni.h"

namespace orvane {
namespace {

constexpr char kOriginalSetup[] = "OriginalSetup";
constexpr char kDirectories[] = "Directories";
constexpr char kUnInstall[] = "UnInstall";
constexpr char kMsgBox[] = "MsgBox";
constexpr char kAutoUpdate[] = "AutoUpdate";
constexpr char kNewSetup[] = "NewSetup";
constexpr char kGeneral[] = "General";
constexpr char kAutoInform[] = "AutoInform";

constexpr int64_t kDefaultInformSize = 360;

// The getters and setters below are many: with these each is one short call,
// and the views of section and key are made here once, not in every getter.
std::string ReadText(const std::string& file, const char* section, const char* key,
                     std::string_view def = {}) {
  return ReadIniString(file, section, key, def);
}
int64_t ReadNumber(const std::string& file, const char* section, const char* key, int64_t def = 0) {
  return ReadIniInt64(file, section, key, def);
}
bool WriteNumber(const std::string& file, const char* key, int64_t value) {
  return WriteIniInt64(file, kOriginalSetup, key, value);
}

// Writes a time and, under "__" + its key, the same moment as readable text.
bool WriteSeconds(const std::string& file, std::string_view key, int64_t seconds) {
  const bool value = WriteIniInt64(file, kOriginalSetup, key, seconds);
  const bool text =
      WriteIniString(file, kOriginalSetup, "__" + std::string(key), SecondsCompanionText(seconds));
  return value && text;
}

}  // namespace

std::string GetInfoFilePath(const TGFileInfo& own) {
  return OwnDir(true) + own.GetInfoFileName();
}

std::string GetOriginalFilePath(const TGFileInfo& own) {
  return OwnDir(true) + own.GetOriginalFileName();
}

int64_t SecondsNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return SecondsFromMoment(MomentFromLocalTime(now.wYear, now.wMonth, now.wDay, now.wHour,
                                               now.wMinute, now.wSecond, now.wMilliseconds));
}

// ---------------------------------------------------------------------------
// The installed-setup record

int64_t OriginalFile::GetProbeSecondsInterval() const {
  return ReadNumber(path_, kOriginalSetup, "ProbeSecondsInterval");
}
int64_t OriginalFile::GetProbeSecondsLast() const {
  return ReadNumber(path_, kOriginalSetup, "ProbeSecondsLast");
}
int64_t OriginalFile::GetReAskSecondsInterval() const {
  return ReadNumber(path_, kOriginalSetup, "ReAskSecondsInterval");
}
int64_t OriginalFile::GetReAskSecondsLast() const {
  return ReadNumber(path_, kOriginalSetup, "ReAskSecondsLast");
}
int64_t OriginalFile::GetVersionOriginal() const {
  return ReadNumber(path_, kOriginalSetup, "VersionOriginal");
}
int64_t OriginalFile::GetStamp() const {
  return ReadNumber(path_, kOriginalSetup, "Stamp");
}
std::string OriginalFile::GetProgramName() const {
  return ReadText(path_, kOriginalSetup, "ProgramName");
}

bool OriginalFile::SetProbeSecondsInterval(int64_t seconds) const {
  return WriteNumber(path_, "ProbeSecondsInterval", seconds);
}
bool OriginalFile::SetProbeSecondsLast(int64_t seconds) const {
  return WriteSeconds(path_, "ProbeSecondsLast", seconds);
}
bool OriginalFile::SetReAskSecondsInterval(int64_t seconds) const {
  return WriteNumber(path_, "ReAskSecondsInterval", seconds);
}
bool OriginalFile::SetReAskSecondsLast(int64_t seconds) const {
  return WriteSeconds(path_, "ReAskSecondsLast", seconds);
}
bool OriginalFile::SetVersionOriginal(int64_t version) const {
  return WriteNumber(path_, "VersionOriginal", version);
}
bool OriginalFile::SetStamp(int64_t stamp) const {
  return WriteNumber(path_, "Stamp", stamp);
}

std::string OriginalFile::GetTargetDir() const {
  return ReadText(path_, kDirectories, "TargetDir");
}
std::string OriginalFile::GetSharedDir() const {
  return ReadText(path_, kDirectories, "SharedDir");
}
std::string OriginalFile::GetAuxiliaryDir() const {
  return ReadText(path_, kDirectories, "AuxiliaryDir");
}

std::string OriginalFile::GetStartUpLink() const {
  return ReadText(path_, kUnInstall, "StartUpLink");
}
std::string OriginalFile::GetCheckforNewUpdateLink() const {
  return ReadText(path_, kUnInstall, "CheckforNewUpdateLink");
}

std::string OriginalFile::GetMsgBoxButtons() const {
  return ReadText(path_, kMsgBox, "BtnText", kDefaultButtons);
}
std::string OriginalFile::GetMsgBoxError() const {
  return ReadText(path_, kMsgBox, "Error", kDefaultError);
}
std::string OriginalFile::GetMsgBoxConfirm() const {
  return ReadText(path_, kMsgBox, "Confirm", kDefaultConfirm);
}
std::string OriginalFile::GetMsgBoxAttention() const {
  return ReadText(path_, kMsgBox, "Attention", kDefaultAttention);
}
int OriginalFile::GetMsgBoxCharset() const {
  return LangIntValue(ReadText(path_, kMsgBox, "CharSet"), kDefaultCharset);
}
std::string OriginalFile::GetMsgBoxFontName() const {
  return ReadText(path_, kMsgBox, "FontName", kDefaultFontName);
}
int OriginalFile::GetMsgBoxFontSize() const {
  return LangIntValue(ReadText(path_, kMsgBox, "FontSize"), kDefaultFontSize);
}

std::string OriginalFile::GetAgentString(std::string_view key, std::string_view def) const {
  return ReadIniString(path_, kAutoUpdate, key, def);
}
std::string OriginalFile::GetAgentString(std::string_view key) const {
  return GetAgentString(key, AgentDefault(key));
}

// ---------------------------------------------------------------------------
// The update information file

std::string InfoFile::GetDownloadURL_UPDATE() const {
  return ReadText(path_, kNewSetup, "DownloadURL_UPDATE");
}
std::string InfoFile::GetNameOfUpdateFile() const {
  return ReadText(path_, kNewSetup, "NameOfUpdateFile");
}
int64_t InfoFile::GetSizeOfUpdateFile() const {
  return ReadNumber(path_, kNewSetup, "SizeOfUpdateFile");
}
std::string InfoFile::GetSha256OfUpdateFile() const {
  return ReadText(path_, kNewSetup, "Sha256OfUpdateFile");
}
std::string InfoFile::GetShutDownMethod() const {
  return ReadText(path_, kNewSetup, "ShutDownMethod");
}
std::string InfoFile::GetRunningProcess() const {
  return ReadText(path_, kNewSetup, "RunningProcess");
}
std::string InfoFile::GetProgramName() const {
  return ReadText(path_, kNewSetup, "ProgramName");
}
int64_t InfoFile::GetVersionNew() const {
  return ReadNumber(path_, kNewSetup, "VersionNew");
}
int64_t InfoFile::GetStamp() const {
  return ReadNumber(path_, kNewSetup, "Stamp");
}
std::string InfoFile::GetValidVersions() const {
  return ReadText(path_, kNewSetup, "ValidVersions");
}
bool InfoFile::GetRemoveStartUpShortcut() const {
  return IniSwitchValue(ReadText(path_, kNewSetup, "RemoveStartUpShortcut", "0"));
}
bool InfoFile::GetRemoveCheckForNewUpdateShortcut() const {
  return IniSwitchValue(ReadText(path_, kNewSetup, "RemoveCheckForNewUpdateShortcut", "0"));
}

bool InfoFile::Switch(std::string_view key, Override which,
                      const TransientOverrides& overrides) const {
  const uint8_t override = overrides.Get(which);
  // An override that decides spares the file read.
  if (override != kOverrideUnset)
    return OverridableSwitch(override, {});
  return OverridableSwitch(override, ReadIniString(path_, kNewSetup, key, "0"));
}

bool InfoFile::GetRequestConfirmationBeforeDownload(const TransientOverrides& overrides) const {
  return Switch("RequestConfirmationBeforeDownload", Override::RequestConfirmationBeforeDownload,
                overrides);
}
bool InfoFile::GetRequestConfirmationBeforeDownloadForce(
    const TransientOverrides& overrides) const {
  return Switch("RequestConfirmationBeforeDownloadForce",
                Override::RequestConfirmationBeforeDownloadForce, overrides);
}
bool InfoFile::GetRequestConfirmationBeforeInstall(const TransientOverrides& overrides) const {
  return Switch("RequestConfirmationBeforeInstall", Override::RequestConfirmationBeforeInstall,
                overrides);
}
bool InfoFile::GetRequestConfirmationBeforeInstallForce(const TransientOverrides& overrides) const {
  return Switch("RequestConfirmationBeforeInstallForce",
                Override::RequestConfirmationBeforeInstallForce, overrides);
}
bool InfoFile::GetBackgroundUpdate(const TransientOverrides& overrides) const {
  return Switch("BackgroundUpdate", Override::BackgroundUpdate, overrides);
}
bool InfoFile::GetRestartProcess(const TransientOverrides& overrides) const {
  return Switch("RestartProcess", Override::RestartProcess, overrides);
}
bool InfoFile::GetInformFinish(const TransientOverrides& overrides) const {
  return Switch("InformFinish", Override::InformFinish, overrides);
}

int64_t InfoFile::GetAutoInform() const {
  return ReadNumber(path_, kGeneral, "AutoInform");
}

std::string InfoFile::GetDownloadURL_INFORM() const {
  return ReadText(path_, kAutoInform, "DownloadURL_INFORM");
}
std::string InfoFile::GetNameOfInformFile() const {
  return ReadText(path_, kAutoInform, "NameOfInformFile");
}
int64_t InfoFile::GetSizeOfInformFile() const {
  return ReadNumber(path_, kAutoInform, "SizeOfInformFile");
}
std::string InfoFile::GetSha256OfInformFile() const {
  return ReadText(path_, kAutoInform, "Sha256OfInformFile");
}
int64_t InfoFile::GetAutoInformW() const {
  return ReadNumber(path_, kAutoInform, "AutoInformW", kDefaultInformSize);
}
int64_t InfoFile::GetAutoInformH() const {
  return ReadNumber(path_, kAutoInform, "AutoInformH", kDefaultInformSize);
}

}  // namespace orvane
