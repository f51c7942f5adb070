// Utils: the launcher's small Windows services.
//
// The switch reader over the process's own command line; the program's own
// file and the Windows, System and Temp folders; version resources; loading
// libraries from the System folder only; the identity of the running Windows
// edition; a few system facts (registered owner, domain, last error text);
// window helpers; and the message pump (YieldX, YieldWait) that every long
// operation of the single-threaded launcher runs on.
//
// Nothing here shows anything to the user or throws: failures come back as
// empty text, false or a default. The text rules behind these services
// (trimming, paths, version normalisation, the calendar, switch parsing,
// edition names) are portable and live in UtilsText.h, PathText.h,
// NumberText.h, DateText.h, UtilsSwitch.h and UtilsOs.h; the clock and the
// random numbers they may need come from here.
//
// Utils.cpp holds the switch reader, paths, version resources, library
// loading and Windows identification; UtilsSystem.cpp the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/Handles.h"
#include "util/UtilsOs.h"

namespace orvane {

// ---------------------------------------------------------------------------
// Switch reader over the process's own command line (GetCommandLineA).

// The command line without the program's own name, trimmed.
std::string CommandTail();
// Value of the switch `name` ("/WAIT=" or "WAIT"): `defaultValue` when the
// switch is absent, empty when it is present without a value; trimmed.
std::string GetSwitch(std::string_view name, std::string_view defaultValue = {});
// GetSwitch(name) as a decimal integer; `defaultValue` when empty or not a number.
int64_t GetSwitchInt(std::string_view name, int64_t defaultValue);
// Presence of a value-less switch such as "/hide".
bool HasSwitch(std::string_view name);

// ---------------------------------------------------------------------------
// The program's own file and the system folders.

// Full path of the running executable.
std::string OwnPath();
// File-name part of OwnPath ("Stub.exe").
std::string OwnFileName();
// File-name part of OwnPath without its last extension ("Stub").
std::string OwnFileNameNoExt();
// Each folder with or without one trailing backslash, as asked; the
// system's answer is taken whole, however long. Empty (also with the
// backslash asked for) when the system cannot name the folder.
std::string OwnDir(bool trailingBackslash);
std::string WindowsDir(bool trailingBackslash);
std::string SystemDir(bool trailingBackslash);
std::string TempDir(bool trailingBackslash);

// ---------------------------------------------------------------------------
// Version resources. Both return empty text on failure and report it to the
// console trace under "Utils.GetExeVersion()" / "Utils.GetProductVersion()".
// With width > 1 or count < 4 the result is normalised (NormalizeVersion).

// "a.b.c.d" from the fixed file information of `file` (empty: the own file).
std::string GetExeVersion(std::string_view file = {}, int width = 1, int count = 4);
// The "ProductVersion" string of the first translation, commas as dots
// (empty `file`: the own file).
std::string GetProductVersion(std::string_view file, int width = 1, int count = 4);

// ---------------------------------------------------------------------------
// Loading libraries. The launcher runs elevated from folders such as
// Downloads, where anyone can leave a DLL; a library must never be taken
// from the executable's folder or the current directory.

// Whether `byte` is a lead byte of the ANSI code page (the LeadBytePredicate
// of the path rules).
bool IsAnsiLeadByte(unsigned char byte);

// Makes the System folder the only place the loader searches for libraries
// loaded by name (where the system supports it) and drops the current
// directory from the search path. Call first thing at start-up.
void RestrictDllSearchToSystem();

// Loads `name` ("version.dll") by its full path in the System folder; an
// empty owner when the load fails or `name` is not a bare file name.
Module LoadSystemLibrary(std::string_view name);

// A procedure looked up in a library loaded from the System folder. `module`
// keeps the library loaded; `proc` is null when the library or the entry is
// missing (a module handle below 33 counts as a failed load).
struct LibraryProc {
  Module module;
  FARPROC proc = nullptr;
};
LibraryProc GetProcFromLibrary(std::string_view library, std::string_view procName);

// Converts a looked-up procedure to its real type.
template <class Fn>
Fn ProcAs(FARPROC proc) {
  // Through the generic function pointer type, which converts to any other
  // without a cast-function-type warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// ---------------------------------------------------------------------------
// Windows identification. The version record is read once and cached.

struct OsVersionRecord {
  uint32_t platformId = 0;
  OsVersionNumbers version;  // corrected by kernel32.dll's product version
  std::string servicePack;   // trimmed
  uint8_t productType = 0;   // 1 workstation, 2 domain controller, 3 server
};
const OsVersionRecord& GetOsVersionRecord();

bool IsNT();
bool IsXP();
bool IsWin8OrLater();
bool IsServer();
// The system is 64-bit Windows: a 32-bit process runs under emulation, a
// 64-bit process always is on one.
bool IsWin64();
// major "." minor, e.g. "6.1".
std::string GetOSVersion();
// Edition name, e.g. "7.64"; edition bit of UtilsOs.h.
std::string GetOSName();
uint32_t GetOSCode();
std::string GetServicePack();

// ---------------------------------------------------------------------------
// System information.

// "RegisteredOwner" / "RegisteredOrganization" of the Windows installation,
// trimmed; the owner falls back to the logged-on user name.
std::string GetRegisteredOwner();
std::string GetRegisteredOrganization();
// The logged-on user name; empty on failure.
std::string GetLoggedOnUserName();
// The domain of the logged-on user's account; empty on failure.
std::string GetCurrentDomainName();
// The system's message for the calling thread's last error code.
std::string GetLastErrorText();
// The system's message for `code`, without the trailing line break; empty
// when the system has none.
std::string SystemErrorText(uint32_t code);

// ---------------------------------------------------------------------------
// Windows and screen.

// Left and top at which a window of the given size is centred in the desktop
// work area.
POINT CentreInWorkArea(int width, int height);
// End of the owner chain of `window` (the window itself when it has no owner).
HWND TopLevelOwner(HWND window);
// Class name and text of a window; empty for a null handle.
std::string WindowClassName(HWND window);
std::string WindowText(HWND window);
// `points` in screen pixels (MulDiv by the vertical pixels per inch, cached).
int PixelsFromPoints(int points);

// ---------------------------------------------------------------------------
// Message pump, clocks and random numbers.

// Dispatches every message waiting in the thread's queue, then sleeps `ms`.
// A quit message met on the way is put back, so that the thread's main loop
// still ends.
void YieldX(uint32_t ms);
// YieldX(step) at least once and until MilliSecondsNow has advanced by
// `duration` ms. Step 0 means duration / 10 within 1..25 ms. Returns the final
// MilliSecondsNow reading.
double YieldWait(uint32_t step, uint32_t duration);
// Callers that name only a duration.
inline double YieldWait(uint32_t duration) {
  return YieldWait(0, duration);
}

// Milliseconds from the high-resolution performance counter. Two clocks with
// their own scale caches: MilliSecondsNow for waits, TimingMilliSecondsNow
// for measuring durations and rates. Only differences are meaningful.
double MilliSecondsNow();
double TimingMilliSecondsNow();

// The current local date and time as a moment (DateText.h), to the
// millisecond, from GetLocalTime. The clock the stamps of DateText.h take.
double LocalMomentNow();

// A random integer in low..high inclusive, every value equally likely, for
// names nobody has taken yet (working folders); not for secrets. The numbers
// come from a generator seeded once per process from the system's random
// source (RtlGenRandom). When high < low the result is low.
int64_t RandomInRange(int64_t low, int64_t high);

// ---------------------------------------------------------------------------
// Shell and process.

// Shell "open" of `file` with the desktop as owner; true when the shell
// reports success (a value above 32).
bool RunDocument(std::string_view file, std::string_view parameters = {}, int show = SW_SHOWNORMAL);
// The environment variable "DVX" is exactly "719"; read once per process.
bool IsDeveloperMode();

// On: registers the window message "QueryCancelAutoPlay" and keeps its
// number; off: forgets it. The message box and the main window answer a
// message of that number with 1, which stops the shell's AutoPlay of an
// inserted disk.
void SetAutoPlaySuppression(bool on);
// The number kept by SetAutoPlaySuppression; 0 while it is off.
uint16_t QueryCancelAutoPlayMessage();

}  // namespace orvane
