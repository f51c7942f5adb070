#include "harness/LauncherWatch.h"

#include <set>

#include "harness/LauncherProcess.h"
#include "harness/ScopedEnv.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane::test {

namespace {

constexpr char kAtomPrefix[] = "AutoUpdateAtomTokenByOrvane";
constexpr char kDialogClassPrefix[] = ".SDialog_Class_Name.";

struct WindowsOf {
  DWORD pid;
  std::string className;
  bool visibleOnly;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowsOf*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if ((search->pid == 0 || owner == search->pid) &&
      ::lstrcmpiA(WindowClassName(window).c_str(), search->className.c_str()) == 0 &&
      (!search->visibleOnly || ::IsWindowVisible(window)))
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
  const std::string className = WindowClassName(window);
  if (className.compare(0, sizeof kDialogClassPrefix - 1, kDialogClassPrefix) == 0)
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(className);
  return TRUE;
}

}  // namespace

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..")
        continue;
      const std::string path = dir + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(dir.c_str());
}

ScratchFolder::ScratchFolder(const std::string& name) : path_(ScratchDir(name)) {}

std::vector<HWND> TopLevelWindows(DWORD pid, const std::string& className, bool visibleOnly) {
  WindowsOf search{pid, className, visibleOnly, {}};
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The class of an engine dialog window that exists now, or empty.
std::string EngineDialogClass() {
  std::vector<std::string> classes;
  ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&classes));
  return classes.empty() ? std::string() : classes.front();
}

// The box's caption and the text of its text area (its one child that is no button).
BoxSeen ReadBox(HWND box) {
  BoxSeen seen;
  seen.caption = WindowText(box);
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::lstrcmpiA(WindowClassName(child).c_str(), "Button") != 0)
      seen.text = WindowText(child);
  }
  return seen;
}

// A key press as the keyboard sends it to the window that has the focus in
// the box's thread; the box's own loop translates it.
void PressKey(HWND box, int key) {
  HWND target = box;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &info) && info.hwndFocus)
    target = info.hwndFocus;
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(key), 0) & 0xFF) << 16;
  ::PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(key), 1 | scan);
  ::PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(key),
                 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

LauncherRun RunLauncher(const std::string& exe, const std::string& switches, const Answer& answer,
                        DWORD timeoutMs, const WatchTick& tick) {
  LauncherRun run;
  std::string commandLine = Quote(exe);
  if (!switches.empty())
    commandLine += " " + switches;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return run;
  KernelObject process(info.hProcess);
  KernelObject thread(info.hThread);
  return WatchLauncher(process.get(), info.dwProcessId, exe, answer, timeoutMs, tick);
}

LauncherRun RunLauncherInLocale(const std::string& unixLocale, const std::string& exe,
                                const std::string& switches, const Answer& answer, DWORD timeoutMs,
                                const WatchTick& tick) {
  LauncherRun run;
  char loader[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA("WINELOADER", loader, sizeof loader);
  if (length == 0 || length >= sizeof loader || loader[0] != '/')
    return run;
  // Z: is the Unix root.
  std::string loaderPath = std::string("Z:") + loader;
  for (char& ch : loaderPath) {
    if (ch == '/')
      ch = '\\';
  }
  // The loader finds its companions beside the path in its argv[0].
  std::string commandLine = Quote(loader) + " " + Quote(exe);
  if (!switches.empty())
    commandLine += " " + switches;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  {
    // Wine hands a Unix program the Windows environment as its own.
    const ScopedEnv locale("LC_ALL", unixLocale.c_str());
    if (!::CreateProcessA(loaderPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info))
      return run;
  }
  // A Unix program gives no Windows handles to wait on (Wine may still fill
  // them in); the launcher is found by its file instead.
  KernelObject unixProcess(info.hProcess);
  KernelObject unixThread(info.hThread);
  DWORD pid = 0;
  if (!PumpUntil(
          [&] {
            const std::vector<DWORD> ids = ProcessesRunning(exe);
            pid = ids.empty() ? 0 : ids.front();
            return pid != 0;
          },
          30000))
    return run;
  KernelObject process(::OpenProcess(
      SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
  if (!process)
    return run;
  return WatchLauncher(process.get(), pid, exe, answer, timeoutMs, tick);
}

LauncherRun WatchLauncher(HANDLE process, DWORD pid, const std::string& exe, const Answer& answer,
                          DWORD timeoutMs, const WatchTick& tick) {
  LauncherRun run;
  run.started = true;
  HWND mainWindow = nullptr;
  std::set<HWND> answered;
  bool dialogUp = false;
  const bool ended = PumpUntil(
      [&] {
        if (::WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
          return true;
        // The main window's class is the installer's full path.
        if (mainWindow == nullptr) {
          const auto windows = TopLevelWindows(pid, exe, false);
          if (!windows.empty()) {
            mainWindow = windows.front();
            run.mainWindowFound = true;
            run.mainThread = ::GetWindowThreadProcessId(mainWindow, nullptr);
          }
        }
        if (mainWindow != nullptr && ::IsWindowVisible(mainWindow))
          run.mainWindowShown = true;
        if (tick)
          tick(mainWindow);
        if (run.mainThread != 0 && !run.atomSeen) {
          const std::string atom = kAtomPrefix + ("_" + std::to_string(run.mainThread));
          run.atomSeen = ::GlobalFindAtomA(atom.c_str()) != 0;
        }
        for (HWND box : TopLevelWindows(pid, "ZMsgBox", true)) {
          if (answered.count(box) != 0)
            continue;
          // Answered once its loop takes messages.
          DWORD_PTR ignored = 0;
          ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
          BoxSeen seen = ReadBox(box);
          seen.mainWindowVisible = mainWindow != nullptr && ::IsWindowVisible(mainWindow);
          run.boxes.push_back(seen);
          answered.insert(box);
          PressKey(box, answer ? answer(seen) : VK_ESCAPE);
        }
        const std::string dialog = EngineDialogClass();
        if (!dialog.empty()) {
          run.dialogClass = dialog;
          dialogUp = true;
        } else if (dialogUp) {
          run.dialogGoneWhileRunning = true;
          dialogUp = false;
        }
        return false;
      },
      timeoutMs);
  if (!ended) {
    ::TerminateProcess(process, 0xDEAD);
    ::WaitForSingleObject(process, 5000);
    return run;
  }
  PumpMessages();  // trace sent just before the end
  run.finished = true;
  run.dialogAtEnd = !EngineDialogClass().empty();
  ::GetExitCodeProcess(process, &run.exitCode);
  return run;
}

}  // namespace orvane::test
