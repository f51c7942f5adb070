// ShellDirRules: the pure path rules behind the shell folders of ShellDir.h.
//
// Each folder starts from the shell's answer for its folder id and falls
// back, while that answer names no existing folder, to paths built from
// other folders: the profile under the Windows folder, the user and
// all-users folders, the Windows folder itself. What the system reports
// (the two shell calls, whether a folder exists, the Windows folder, the
// registered owner, the code page's lead bytes) comes through
// ShellDirSystem, so the rules run natively against fixed answers.
#pragma once

#include <string>
#include <string_view>

#include "util/PathText.h"
#include "vars/ShellDir.h"

namespace orvane {

// Folder ids of the shell (CSIDL values).
constexpr int kCsidlPrograms = 0x0002;
constexpr int kCsidlPersonal = 0x0005;
constexpr int kCsidlStartMenu = 0x000B;
constexpr int kCsidlDesktopDirectory = 0x0010;
constexpr int kCsidlCommonStartMenu = 0x0016;
constexpr int kCsidlCommonPrograms = 0x0017;
constexpr int kCsidlCommonDesktopDirectory = 0x0019;
constexpr int kCsidlAppData = 0x001A;
constexpr int kCsidlLocalAppData = 0x001C;
constexpr int kCsidlCommonAppData = 0x0023;
constexpr int kCsidlCommonDocuments = 0x002E;
// Added to a folder id: the shell creates the folder when it is missing.
constexpr int kCsidlFlagCreate = 0x8000;

// What the rules ask of the system.
class ShellDirSystem {
 public:
  virtual ~ShellDirSystem() = default;
  // SHGetFolderPathA of SHFolder.dll for `csidl` (flags included); empty
  // when the library, the entry or the call fails.
  virtual std::string FolderPath(int csidl) = 0;
  // SHGetSpecialFolderPathA of shell32.dll for `csidl`, without creating
  // the folder; empty when the library, the entry or the call fails.
  virtual std::string SpecialFolderPath(int csidl) = 0;
  // Whether `path` (never empty) names an existing directory.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // The Windows folder as the system gives it.
  virtual std::string WindowsFolder() = 0;
  // The registered owner name ("<UserName>").
  virtual std::string RegisteredOwner() = 0;
  // The code page's lead-byte test; null for a single-byte code page.
  virtual LeadBytePredicate LeadByte() = 0;
};

// The last step of every folder: one trailing backslash removed, unless the
// text has at most 2 characters or the byte before the backslash is a lead
// byte (then it is the trail byte of a character); with `add`, one backslash
// appended unless the text already ends with a backslash that is a
// separator. So with `add` the result ends with exactly one separator.
std::string ShellFolderTrailingBackslash(std::string_view path, bool add,
                                         LeadBytePredicate isLeadByte);

// The folder that holds `path`: its folder part without the trailing
// backslash ("C:\Users\bob" gives "C:\Users", "C:\Users" gives "C:"). A
// trailing backslash of `path` itself is dropped first, so "C:\Users\bob\"
// gives "C:\Users" too. Empty when `path` has no folder part.
std::string ParentFolder(std::string_view path, LeadBytePredicate isLeadByte);

// The per-user profile folder of old systems: "<Windows>\Profiles\<owner>"
// when that exists, else the Windows folder; then the trailing-backslash
// rule with `trailingBackslash`.
std::string ProfileFallback(ShellDirSystem& system, bool trailingBackslash);

// `folder` by its rules (see the ShellFolder getters of ShellDir.h).
std::string ShellFolderPath(ShellDirSystem& system, ShellFolder folder, bool trailingBackslash);

}  // namespace orvane
