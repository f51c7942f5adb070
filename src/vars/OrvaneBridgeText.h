// OrvaneBridgeText: the rules of variable expansion, without the system.
//
// A text names folders and facts about the machine through variables in
// angle brackets ("<InstallDir>", "<WinDir>", "<Date=6>", ...); the setup
// engine stores paths in this form and the auto-update agent turns them back
// into real paths. This unit holds the whole expansion; every value it needs
// comes from a BridgeSystem, which OrvaneBridge.cpp implements with Windows
// and the tests with fixed values. A value is asked for only when its
// variable occurs in the text.
//
// Names are found without regard to (ASCII) case and every occurrence is
// replaced; the variables are handled one after the other in a fixed order,
// so a value that contains a later variable's name is expanded again by the
// later step. Names that are not variables stay in the text unchanged.
#pragma once

#include <string>
#include <string_view>

#include "util/DateText.h"
#include "vars/ShellDir.h"

namespace orvane {

// The values the expansion takes from the machine. Folders may come with or
// without a trailing backslash; the expansion removes it.
class BridgeSystem {
 public:
  // The current local date and time.
  virtual LocalDateTime LocalNow() = 0;
  // The locale's date and time separators and full month name (month 1..12).
  virtual std::string DateSeparator() = 0;
  virtual std::string TimeSeparator() = 0;
  virtual std::string MonthName(int month) = 0;

  // The logged-on user, the registered owner (defaulting to the logged-on
  // user) and organisation of the Windows installation, the computer and the
  // domain of the logged-on user's account; empty when unknown.
  virtual std::string LoggedOnUserName() = 0;
  virtual std::string RegisteredOwner() = 0;
  virtual std::string RegisteredOrganization() = 0;
  virtual std::string ComputerName() = 0;
  virtual std::string DomainName() = 0;

  // The Windows, System and Temp folders, the running program's folder and
  // the origin folder (the folder of the installer that started it).
  virtual std::string WindowsFolder() = 0;
  virtual std::string SystemFolder() = 0;
  virtual std::string TempFolder() = 0;
  virtual std::string OwnFolder() = 0;
  virtual std::string OriginFolder() = 0;
  virtual std::string ShellFolderPath(ShellFolder folder) = 0;

  // A registry value as text (default registry view), empty when missing.
  virtual std::string RegistryValue(std::string_view keyPath, std::string_view valueName) = 0;
  // The full path of `path` against the current folder, single and double
  // dots folded; `path` itself when the system cannot tell.
  virtual std::string FullPath(std::string_view path) = 0;
  virtual bool FolderExists(std::string_view path) = 0;
  // Whether `byte` is a lead byte of the ANSI code page.
  virtual bool IsLeadByte(unsigned char byte) = 0;

 protected:
  ~BridgeSystem() = default;
};

// The three installation folders of the product the expansion works for.
struct InstallFolders {
  std::string application;
  std::string common;
  std::string auxiliary;
};

// The text with its variables replaced:
// - always the general variables (the date, user, company, computer and
//   domain names, and the names this program has no value for);
// - with `expandFolders`, the folder variables; a folder followed by more
//   path gets `suffix` appended (the agent passes "\"), and doubled
//   backslashes the folders brought in are collapsed afterwards;
// - with `foldRelativeParts`, a text holding "\.." or "..\" becomes its full
//   path; in a list delimited by "," or "|" (SUB) each such field does.
std::string ExpandVariablesText(std::string_view text, std::string_view suffix,
                                bool foldRelativeParts, bool expandFolders,
                                const InstallFolders& install, BridgeSystem& system);

// English month names ("January".."December"; empty outside 1..12), for a
// system that cannot name them.
std::string_view EnglishMonthName(int month);

}  // namespace orvane
