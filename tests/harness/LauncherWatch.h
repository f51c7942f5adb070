// LauncherWatch: runs a launcher as a user would and records what the user
// would have seen: its main window, its message boxes (answered by key
// presses, as a user answers them), the engine's dialog window, the exit
// code. Also the scratch folders the scenario tests build installers in.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace orvane::test {

// Removes `dir` with everything in it.
void RemoveTree(const std::string& dir);

// The scratch folder of a test, removed when the test ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name);
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct BoxSeen {
  std::string caption;
  std::string text;
  bool mainWindowVisible = false;  // while the box was up
};

// What the user would have seen of one launcher run.
struct LauncherRun {
  bool started = false;
  bool finished = false;
  DWORD exitCode = 0;
  DWORD mainThread = 0;  // the thread of the main window (the setup's thread)
  bool mainWindowFound = false;
  bool mainWindowShown = false;
  bool atomSeen = false;  // the rendezvous atom of the main thread existed
  std::vector<BoxSeen> boxes;
  std::string dialogClass;              // the engine's dialog window, when one was seen
  bool dialogGoneWhileRunning = false;  // it disappeared before the launcher ended
  bool dialogAtEnd = false;             // it still existed when the launcher had ended
};

// The key that answers a box ('O' for OK, 'C' for Cancel).
using Answer = std::function<int(const BoxSeen&)>;
// Called on every look at the running launcher with its main window (null
// until it exists), for a test that acts on it meanwhile.
using WatchTick = std::function<void(HWND mainWindow)>;

// The visible (or all) top-level windows of class `className` of process
// `pid` (0: any process).
std::vector<HWND> TopLevelWindows(DWORD pid, const std::string& className, bool visibleOnly);

// The class of an engine dialog window that exists now, or empty.
std::string EngineDialogClass();

// The box's caption and the text of its text area (its one child that is no button).
BoxSeen ReadBox(HWND box);

// A key press as the keyboard sends it to the window that has the focus in
// the box's thread; the box's own loop translates it.
void PressKey(HWND box, int key);

// Starts `exe` with `switches`, watches it until it has ended (ending it by
// its handle after `timeoutMs`) and answers its boxes with `answer` (Escape
// without one).
LauncherRun RunLauncher(const std::string& exe, const std::string& switches,
                        const Answer& answer = {}, DWORD timeoutMs = 90000,
                        const WatchTick& tick = {});

// RunLauncher under another locale: Wine takes a process's locale from its
// Unix environment, which a Windows parent cannot change for its Windows
// children, so the launcher is started through Wine's loader (WINELOADER) as
// a Unix program with LC_ALL=`unixLocale` ("de_DE.UTF-8"; Wine needs no
// host locale of that name). The harness's WINEDLLOVERRIDES does not reach
// it. The launcher is then watched as RunLauncher does.
LauncherRun RunLauncherInLocale(const std::string& unixLocale, const std::string& exe,
                                const std::string& switches, const Answer& answer = {},
                                DWORD timeoutMs = 90000, const WatchTick& tick = {});

// Watches the running launcher `process` (id `pid`, started from `exe`; a
// handle that may wait, query and terminate) as RunLauncher does.
LauncherRun WatchLauncher(HANDLE process, DWORD pid, const std::string& exe,
                          const Answer& answer = {}, DWORD timeoutMs = 90000,
                          const WatchTick& tick = {});

}  // namespace orvane::test
