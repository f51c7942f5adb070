// ShellDir: the per-user and all-users shell folders (profile, application
// data, documents, Start menu, programs menu, desktop) that the folder
// variables of OrvaneBridge name.
//
// Each getter asks the shell first (SHGetFolderPathA of SHFolder.dll or
// SHGetSpecialFolderPathA of shell32.dll, both loaded from the System folder)
// and falls back, folder by folder, to paths built from other folders, so
// that it gives an answer where the shell has no answer or the folder does
// not exist. The fallback rules are pure path rules (ShellDirRules.h).
#pragma once

#include <string>

namespace orvane {

// The folders, named after their variables ("<UserDir>", ...).
enum class ShellFolder {
  kDocumentsAndSettingsDir,
  kUserDir,
  kAllUsersDir,
  kUserLocalAppDataDir,
  kUserAppDataDir,
  kAllUsersAppDataDir,
  kMyDocumentsDir,
  kAllUsersDocumentsDir,
  kUserStartMenuDir,
  kAllUsersStartMenuDir,
  kUserStartProgramMenuDir,
  kAllUsersStartProgramMenuDir,
  kUserDesktopDir,
  kAllUsersDesktopDir,
};

// The folder with exactly one trailing backslash when `trailingBackslash`,
// else with none (a text of at most 2 characters, or one whose last
// backslash follows a DBCS lead byte, keeps what it has). It may name a
// folder that does not exist.
std::string GetShellFolder(ShellFolder folder, bool trailingBackslash);

}  // namespace orvane
