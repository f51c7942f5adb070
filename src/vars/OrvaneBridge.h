// OrvaneBridge: variable expansion with the values of this machine.
//
// The setup engine and its setup-info files name folders and facts about the
// machine through variables in angle brackets ("<InstallDir>\app.exe",
// "<WinDir>", "<Date=6>"); the auto-update agent tells this unit the three
// installation folders of its product and turns such a stored path into a
// real one. The rules are portable (OrvaneBridgeText.h); this unit supplies
// the values from Windows: the local clock and locale, the user, computer and
// domain names, the system and shell folders, the registry and the file
// system.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Stores the application, common and auxiliary folders of the product, the
// values of "<InstallDir>", "<InstallCommonDir>" and "<InstallAuxDir>" (and
// of "<Application Folder>", "<Common Folder>", "<Auxiliary Folder>") for
// the rest of the process. All three are empty until it is called.
void SetInstallFolders(std::string_view applicationFolder, std::string_view commonFolder,
                       std::string_view auxiliaryFolder);

// `text` with its variables expanded (see ExpandVariablesText): `suffix` is
// appended to a folder followed by more path ("\"), `foldRelativeParts`
// turns a text or list field with "\.." or "..\" into a full path, and
// `expandFolders` expands the folder variables besides the general ones.
// Nothing fails: a value the system cannot give is empty.
std::string ExpandVariables(std::string_view text, std::string_view suffix, bool foldRelativeParts,
                            bool expandFolders);

}  // namespace orvane
