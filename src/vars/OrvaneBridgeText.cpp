// Variable expansion, step by step: the general variables, the folder
// variables in their fixed order, the collapsing of the backslashes the
// folders brought in, and the folding of relative parts.
#include "vars/OrvaneBridgeText.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "util/NumberText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {

namespace {

constexpr size_t npos = std::string::npos;

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool HasRelativePart(std::string_view text) {
  return text.find("\\..") != npos || text.find("..\\") != npos;
}

// 2000-01-01 00:00 as a moment.
constexpr double kMoment2000 = 36526.0;

std::string DateCodeText(char code, const LocalDateTime& now, BridgeSystem& system) {
  const std::string dd = ZeroPad(now.day, 2);
  const std::string mm = ZeroPad(now.month, 2);
  const std::string yy = ZeroPad(now.year % 100, 2);
  const std::string yyyy = ZeroPad(now.year, 4);
  switch (code) {
    case '#': {
      const std::string separator = system.DateSeparator();
      return dd + separator + system.MonthName(now.month) + separator + yyyy;
    }
    case '0': {
      // The date part of a moment counts days linearly; the time of day is
      // added separately, because before 1899-12-30 the fraction of a moment
      // runs the other way.
      const double day = MomentFromLocalTime(now.year, now.month, now.day, 0, 0, 0, 0);
      const double time =
          (((now.hour * 60.0 + now.minute) * 60.0 + now.second) * 1000.0 + now.millisecond) /
          86400000.0;
      return DecimalText(static_cast<int64_t>(std::fabs(day + time - kMoment2000)));
    }
    case '1':
      return dd + "-" + mm + "-" + yy;
    case '2':
      return mm + "-" + dd + "-" + yy;
    case '3':
      return yy + "-" + mm + "-" + dd;
    case '4':
      return dd + "-" + mm + "-" + yyyy;
    case '5':
      return mm + "-" + dd + "-" + yyyy;
    case '6':
      return yyyy + "-" + mm + "-" + dd;
    case '7': {
      const std::string separator = system.TimeSeparator();
      return yyyy + "-" + mm + "-" + dd + " " + ZeroPad(now.hour, 2) + separator +
             ZeroPad(now.minute, 2) + separator + ZeroPad(now.second, 2);
    }
    default:
      return {};
  }
}

// The text being expanded, with the operations of the steps.
class Expansion {
 public:
  Expansion(std::string_view text, std::string_view suffix, BridgeSystem& system)
      : text_(text), suffix_(suffix), system_(system) {}

  std::string& Text() { return text_; }

  bool Has(std::string_view name) const { return FindFrom(text_, name, 0, true) != npos; }

  // Every occurrence of `name` replaced by `value`; the inserted values are
  // not searched again.
  void Put(std::string_view name, std::string_view value) {
    size_t at = FindFrom(text_, name, 0, true);
    if (at == npos)
      return;
    std::string result;
    size_t from = 0;
    while (at != npos) {
      result.append(text_, from, at - from);
      result.append(value);
      from = at + name.size();
      at = FindFrom(text_, name, from, true);
    }
    result.append(text_, from, npos);
    text_ = std::move(result);
  }

  // A folder variable: its value without a trailing backslash, plus the
  // suffix when the first occurrence is followed by more path. It is not
  // followed by more path when it ends the text, when a blank follows (a
  // command line's next argument), or when the character that starts and
  // ends the text follows it (the delimiter of a "|"-list or the closing
  // quote of a quoted path).
  void PutFolder(std::string_view name, std::string_view folder) {
    const size_t at = FindFrom(text_, name, 0, true);
    if (at == npos)
      return;
    std::string value = Folder(folder);
    const size_t after = at + name.size();
    const char edge = text_.front();
    const bool morePath =
        after < text_.size() && text_[after] != ' ' &&
        !(edge == text_.back() && text_[after] == edge && edge != '<' && !IsAsciiLetter(edge));
    if (morePath)
      value += suffix_;
    Put(name, value);
  }

  // A folder without its trailing backslash; the backslash stays in a text
  // of at most 2 characters ("\", "C\") and after a lead byte, where it is
  // the second byte of a character.
  std::string Folder(std::string_view folder) const {
    std::string result(folder);
    if (result.size() > 2 && result.back() == '\\' &&
        !system_.IsLeadByte(static_cast<unsigned char>(result[result.size() - 2]))) {
      result.pop_back();
    }
    return result;
  }

  void ExpandDate() {
    static constexpr std::string_view kDate = "<Date=";
    const size_t at = FindFrom(text_, kDate, 0, true);
    if (at == npos)
      return;
    const size_t code = at + kDate.size();
    if (text_.find('>', code) == npos)
      return;
    const char c = text_[code];
    if (c != '#' && (c < '0' || c > '7'))
      return;
    // A ">" lies after the code, so the code and the character after it
    // (normally that ">") are both there.
    text_.replace(at, kDate.size() + 2, DateCodeText(c, system_.LocalNow(), system_));
  }

  void ExpandGeneral() {
    ExpandDate();
    if (Has("<LoggedUserName>"))
      Put("<LoggedUserName>", Trim(system_.LoggedOnUserName()));
    if (Has("<UserName>"))
      Put("<UserName>", Trim(system_.RegisteredOwner()));
    if (Has("<CompanyName>"))
      Put("<CompanyName>", Trim(system_.RegisteredOrganization()));
    if (Has("<ComputerName>"))
      Put("<ComputerName>", Trim(system_.ComputerName()));
    if (Has("<CurrentDomainName>"))
      Put("<CurrentDomainName>", system_.DomainName());
    // This program records no exit code and no disk space requirement, and
    // has no source for what a user entered or for the project's names.
    Put("<LastExecutableExitCode>", "0");
    Put("<ReqFreeDiskSpaceMB>", "0");
    static constexpr std::string_view kNoValue[] = {
        "<EnteredUserName>",   "<EnteredCompanyName>", "<EnteredStartProgramMenu>",
        "<VendorCompanyName>", "<ProjectName>",        "<ProgramDescriptiveName>",
        "<ProgramVersion>",    "<SelectedLanguage>",
    };
    for (std::string_view name : kNoValue)
      Put(name, {});
  }

  // The 16-bit system folder: the System folder without its last "32" when
  // that exists, else the Windows folder's "System" when that exists, else
  // the System folder.
  std::string System16Folder() {
    const std::string system = Folder(system_.SystemFolder());
    std::string cut = system;
    const size_t at = LastPos(cut, "32");
    if (at != npos)
      cut.erase(at, 2);
    if (system_.FolderExists(cut))
      return cut;
    const std::string windowsSystem = Folder(system_.WindowsFolder()) + "\\System";
    if (system_.FolderExists(windowsSystem))
      return windowsSystem;
    return system;
  }

  std::string FontFolder() {
    const std::string fonts = Folder(system_.RegistryValue(kUserShellFolders, "Fonts"));
    if (system_.FolderExists(fonts))
      return fonts;
    return Folder(system_.WindowsFolder()) + "\\Fonts";
  }

  // The folders a folder variable may name, beside the shell folders.
  enum class Source : unsigned char {
    kWindows,
    kSystem,
    kSystem16,
    kStartMenu,
    kProgramFiles,
    kCommonFiles,
    kFonts,
    kOwn,
    kOrigin,
    kTemp,
  };
  struct NamedFolder {
    std::string_view name;
    Source source;
  };

  std::string FolderOf(Source source) {
    switch (source) {
      case Source::kWindows:
        return system_.WindowsFolder();
      case Source::kSystem:
        return system_.SystemFolder();
      case Source::kSystem16:
        return System16Folder();
      case Source::kStartMenu:
        return system_.RegistryValue(kUserShellFolders, "Start Menu");
      case Source::kProgramFiles:
        return system_.RegistryValue(kCurrentVersion, "ProgramFilesDir");
      case Source::kCommonFiles:
        return system_.RegistryValue(kCurrentVersion, "CommonFilesDir");
      case Source::kFonts:
        return FontFolder();
      case Source::kOwn:
        return system_.OwnFolder();
      case Source::kOrigin:
        return system_.OriginFolder();
      case Source::kTemp:
        return system_.TempFolder();
    }
    return {};
  }

  // Each variable of the table that the text holds, in the table's order.
  template <size_t N>
  void PutFolders(const NamedFolder (&table)[N]) {
    for (const NamedFolder& folder : table) {
      if (Has(folder.name))
        PutFolder(folder.name, FolderOf(folder.source));
    }
  }

  void ExpandFolders(const InstallFolders& install) {
    const std::string snapshot = text_;
    BridgeSystem& s = system_;
    Put("<UnInstallExePath>", {});  // no uninstaller is known to this program
    if (Has("<RunTimeDir_")) {
      // The runtime folders are never defined in this program: every one of
      // them is empty.
      std::string name = "<RunTimeDir_0>";
      for (char n = '1'; n <= '8'; ++n) {
        name[12] = n;
        PutFolder(name, {});
      }
    }
    PutFolder("<Application Folder>", install.application);
    PutFolder("<Common Folder>", install.common);
    PutFolder("<Auxiliary Folder>", install.auxiliary);
    static constexpr NamedFolder kLongNames[] = {
        {"<Windows Directory>", Source::kWindows},
        {"<System Directory>", Source::kSystem},
        {"<System16 Directory>", Source::kSystem16},
    };
    PutFolders(kLongNames);
    // A text that names a folder by its long name is absolute already: the
    // installation folder variables in it are markers and go.
    if (text_ != snapshot) {
      Put("<InstallDir>", {});
      Put("<InstallCommonDir>", {});
      Put("<InstallAuxDir>", {});
    }
    Put("<AbsoluteDir>", {});
    PutFolder("<InstallDir>", install.application);
    PutFolder("<InstallCommonDir>", install.common);
    PutFolder("<InstallAuxDir>", install.auxiliary);
    Put("<AbsoluteDir>", {});
    static constexpr NamedFolder kSystemFolders[] = {
        {"<WinDir>", Source::kWindows},
        {"<WinSysDir>", Source::kSystem},
        {"<WinSys32Dir>", Source::kSystem},
        {"<WinSys16Dir>", Source::kSystem16},
    };
    PutFolders(kSystemFolders);
    ExpandDrives(install);
    static constexpr NamedFolder kOtherFolders[] = {
        {"<StartMenuDir>", Source::kStartMenu},
        {"<ProgramFilesDir>", Source::kProgramFiles},
        {"<CommonFilesDir>", Source::kCommonFiles},
        {"<FontDir>", Source::kFonts},
        {"<SrcDir>", Source::kOwn},
        {"<OriginDir>", Source::kOrigin},
        {"<TempDir>", Source::kTemp},
        {"<ServiceDir>", Source::kOwn},
    };
    PutFolders(kOtherFolders);
    static constexpr struct {
      std::string_view name;
      ShellFolder folder;
    } kShellFolders[] = {
        {"<UserDir>", ShellFolder::kUserDir},
        {"<UserAppDataDir>", ShellFolder::kUserAppDataDir},
        {"<UserLocalAppDataDir>", ShellFolder::kUserLocalAppDataDir},
        {"<MyDocumentsDir>", ShellFolder::kMyDocumentsDir},
        {"<UserStartMenuDir>", ShellFolder::kUserStartMenuDir},
        {"<UserStartProgramMenuDir>", ShellFolder::kUserStartProgramMenuDir},
        {"<UserDesktopDir>", ShellFolder::kUserDesktopDir},
        {"<DocumentsAndSettingsDir>", ShellFolder::kDocumentsAndSettingsDir},
        {"<AllUsersDir>", ShellFolder::kAllUsersDir},
        {"<AllUsersAppDataDir>", ShellFolder::kAllUsersAppDataDir},
        {"<AllUsersDocumentsDir>", ShellFolder::kAllUsersDocumentsDir},
        {"<AllUsersStartMenuDir>", ShellFolder::kAllUsersStartMenuDir},
        {"<AllUsersStartProgramMenuDir>", ShellFolder::kAllUsersStartProgramMenuDir},
        {"<AllUsersDesktopDir>", ShellFolder::kAllUsersDesktopDir},
    };
    for (const auto& shell : kShellFolders) {
      if (Has(shell.name))
        PutFolder(shell.name, s.ShellFolderPath(shell.folder));
    }
    if (text_ != snapshot)
      Collapse();
  }

  // "C:\" and "C:" of the installation, Windows, System and origin folders.
  void ExpandDrives(const InstallFolders& install) {
    static constexpr std::string_view kNames[4][2] = {
        {"<InstallDrive>", "<InstallDisk>"},
        {"<WinDrive>", "<WinDisk>"},
        {"<WinSysDrive>", "<WinSysDisk>"},
        {"<OriginDrive>", "<OriginDisk>"},
    };
    std::string folders[4];
    bool known[4] = {};
    for (size_t length = 3; length >= 2; --length) {
      for (size_t i = 0; i < 4; ++i) {
        const std::string_view name = kNames[i][3 - length];
        if (!Has(name))
          continue;
        if (!known[i]) {
          folders[i] = Folder(i == 0   ? std::string_view(install.application)
                              : i == 1 ? system_.WindowsFolder()
                              : i == 2 ? system_.SystemFolder()
                                       : system_.OriginFolder());
          known[i] = true;
        }
        Put(name, std::string_view(folders[i]).substr(0, length));
      }
    }
  }

  // Collapses the doubled backslashes that joining a folder and a path with
  // the suffix leaves. The first character is never touched and a pair that
  // ends the text stays. A pair stays also after a lead byte (the backslash
  // is then the second byte of a character) and after the character that
  // starts and ends the text, so that a network path keeps its leading pair
  // at the start of the text, of a list's field or of a quoted path.
  void Collapse() {
    if (text_.size() <= 2)
      return;
    const char first = text_.front();
    const bool enclosed = first == text_.back();
    std::string rest = text_.substr(1);
    for (size_t at = rest.size() - 2; at-- > 0;) {
      if (rest[at] != '\\' || rest[at + 1] != '\\')
        continue;
      const char before = at == 0 ? first : rest[at - 1];
      if (system_.IsLeadByte(static_cast<unsigned char>(before)) || (enclosed && before == first))
        continue;
      rest.erase(at, 1);
    }
    text_.resize(1);
    text_ += rest;
  }

  // A text with "\.." or "..\" made a full path; in a SUB list delimited by
  // "," or "|", each field with one.
  void Fold() {
    if (!HasRelativePart(text_))
      return;
    const char first = text_.front();
    if ((first == ',' || first == '|') && text_.back() == first) {
      const int count = SUB::Count(text_);
      for (int i = 0; i < count; ++i) {
        const std::string field = SUB::Get(text_, i);
        if (HasRelativePart(field))
          text_ = SUB::Set(text_, i, system_.FullPath(field));
      }
      return;
    }
    text_ = system_.FullPath(text_);
  }

 private:
  static constexpr std::string_view kCurrentVersion =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  static constexpr std::string_view kUserShellFolders =
      "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

  std::string text_;
  std::string_view suffix_;
  BridgeSystem& system_;
};

}  // namespace

std::string ExpandVariablesText(std::string_view text, std::string_view suffix,
                                bool foldRelativeParts, bool expandFolders,
                                const InstallFolders& install, BridgeSystem& system) {
  Expansion expansion(text, suffix, system);
  if (text.find('<') != npos) {
    expansion.ExpandGeneral();
    if (expandFolders)
      expansion.ExpandFolders(install);
  }
  if (foldRelativeParts)
    expansion.Fold();
  return std::move(expansion.Text());
}

std::string_view EnglishMonthName(int month) {
  static constexpr std::string_view kMonths[] = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December",
  };
  return month >= 1 && month <= 12 ? kMonths[month - 1] : std::string_view();
}

}  // namespace orvane
