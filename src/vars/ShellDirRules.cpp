// ShellDirRules: the fallback chains of the shell folders.
#include "vars/ShellDirRules.h"

namespace orvane {

namespace {

class Rules {
 public:
  explicit Rules(ShellDirSystem& system) : system_(system), lead_(system.LeadByte()) {}

  bool Exists(const std::string& path) { return !path.empty() && system_.DirectoryExists(path); }

  std::string Finish(std::string_view path, bool add) {
    return ShellFolderTrailingBackslash(path, add, lead_);
  }

  std::string Parent(std::string_view path) { return ParentFolder(path, lead_); }

  std::string Windows(bool add) { return Finish(system_.WindowsFolder(), add); }

  std::string Profile(bool add) {
    std::string profile = Windows(true) + "Profiles\\" + system_.RegisteredOwner();
    if (!Exists(profile))
      profile = system_.WindowsFolder();
    return Finish(profile, add);
  }

  std::string Known(int csidl) { return system_.FolderPath(csidl | kCsidlFlagCreate); }

  // The folder above the documents folder (the user's profile). With `twoUp`
  // the one above that (the folder of all profiles), when it exists.
  std::string AboveDocuments(bool twoUp) {
    std::string path = Known(kCsidlPersonal);
    if (Exists(path)) {
      path = Parent(path);
      if (twoUp && Exists(path))
        path = Parent(path);
    }
    return Exists(path) ? path : Profile(false);
  }

  std::string AllUsers() {
    std::string path = Known(kCsidlCommonAppData);
    if (Exists(path))
      path = Parent(path);
    return Exists(path) ? path : Windows(false);
  }

  // The shell's known folder, else `below` in the profile (`inProfile`) or
  // in the Windows folder.
  std::string KnownOr(int csidl, bool inProfile, const char* below) {
    std::string path = Known(csidl);
    if (Exists(path))
      return path;
    return (inProfile ? Profile(true) : Windows(true)) + below;
  }

  // The shell's special folder, else `below` in the user's profile (only
  // when `perUser`) when that exists, else `below` in the all-users folder.
  std::string SpecialOr(int csidl, bool perUser, const char* below) {
    std::string path = system_.SpecialFolderPath(csidl);
    if (Exists(path))
      return path;
    if (perUser) {
      path = Finish(AboveDocuments(false), true) + below;
      if (Exists(path))
        return path;
    }
    return Finish(AllUsers(), true) + below;
  }

  std::string Path(ShellFolder folder) {
    switch (folder) {
      case ShellFolder::kDocumentsAndSettingsDir:
        return AboveDocuments(true);
      case ShellFolder::kUserDir:
        return AboveDocuments(false);
      case ShellFolder::kAllUsersDir:
        return AllUsers();
      case ShellFolder::kUserLocalAppDataDir:
        return KnownOr(kCsidlLocalAppData, true, "Application Data");
      case ShellFolder::kUserAppDataDir:
        return KnownOr(kCsidlAppData, true, "Application Data");
      case ShellFolder::kAllUsersAppDataDir:
        return KnownOr(kCsidlCommonAppData, false, "Application Data");
      case ShellFolder::kMyDocumentsDir:
        return KnownOr(kCsidlPersonal, true, "My Documents");
      case ShellFolder::kAllUsersDocumentsDir:
        return KnownOr(kCsidlCommonDocuments, false, "Documents");
      case ShellFolder::kUserStartMenuDir:
        return SpecialOr(kCsidlStartMenu, true, "Start Menu");
      case ShellFolder::kAllUsersStartMenuDir:
        return SpecialOr(kCsidlCommonStartMenu, false, "Start Menu");
      case ShellFolder::kUserStartProgramMenuDir:
        return SpecialOr(kCsidlPrograms, true, "Start Menu\\Programs");
      case ShellFolder::kAllUsersStartProgramMenuDir:
        return SpecialOr(kCsidlCommonPrograms, false, "Start Menu\\Programs");
      case ShellFolder::kUserDesktopDir:
        return SpecialOr(kCsidlDesktopDirectory, true, "Desktop");
      case ShellFolder::kAllUsersDesktopDir:
        return SpecialOr(kCsidlCommonDesktopDirectory, false, "Desktop");
    }
    return std::string();
  }

 private:
  ShellDirSystem& system_;
  LeadBytePredicate lead_;
};

}  // namespace

std::string ShellFolderTrailingBackslash(std::string_view path, bool add,
                                         LeadBytePredicate isLeadByte) {
  // NormalizeTrailingBackslash empties a lone "\"; here a text of at most 2
  // characters keeps what it has.
  if (path == "\\")
    return std::string(path);
  return NormalizeTrailingBackslash(path, add, isLeadByte);
}

std::string ParentFolder(std::string_view path, LeadBytePredicate isLeadByte) {
  const std::string folder = ShellFolderTrailingBackslash(path, false, isLeadByte);
  return ShellFolderTrailingBackslash(DirectoryPart(folder, isLeadByte), false, isLeadByte);
}

std::string ProfileFallback(ShellDirSystem& system, bool trailingBackslash) {
  return Rules(system).Profile(trailingBackslash);
}

std::string ShellFolderPath(ShellDirSystem& system, ShellFolder folder, bool trailingBackslash) {
  Rules rules(system);
  return rules.Finish(rules.Path(folder), trailingBackslash);
}

}  // namespace orvane
