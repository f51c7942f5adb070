// engine: a stand-in setup engine for the demo and the tests.
//
// The launcher extracts this program from its package into a working folder
// and starts it as
//   <folder>\engine.exe <switches> /TH_ID=_<n> /OriginExe="<launcher>" [/AutoUpdateProg]
// It confirms the installation by deleting the global atom
// "AutoUpdateAtomTokenByOrvane" + TH_ID, and its exit code becomes the
// launcher's. Because the launcher deletes the working folder afterwards,
// the engine can write down what it was given and what it found there.
//
// Switches (names ignore case; a value may be quoted, "C:\a b\r.txt"):
//   /Record=<file>   append a record (below) to that file
//   /NoHash          leave out the file hashes of the record
//   /ExitCode=<n>    exit with n (default 0)
//   /KeepAtom        do not delete the atom: the installation stays unconfirmed
//                    (as it does when /Install could not copy a file)
//   /RunMs=<ms>      stay alive that long, pumping messages, before exiting
//   /DialogMs=<ms>   keep a window of class ".SDialog_Class_Name." + TH_ID open
//                    that long after this process has ended. A window dies
//                    with its thread, so a second copy of the engine
//                    (/DialogChild=<ms>) owns it; this one waits until the
//                    window exists and then exits.
//   /Install=<dir>   the demo: copy every file of the engine's folder (its
//                    sub-folders too, the engine itself excepted) into <dir>,
//                    then, unless started hidden, report it in a small window
//                    that closes after /ShowMs=<ms> (default 4000). A failed
//                    copy makes the exit code 1 when /ExitCode gives none.
// Every window takes the show state of STARTUPINFO (hidden with /hide).
//
// The record: lines of `key=value`, each ending in "\n" only, in this order:
//   cmdline=<GetCommandLineA as it is>
//   show=<STARTUPINFO.wShowWindow>
//   cwd=<current folder>
//   folder=<folder of the engine, no trailing "\">
//   atom=<deleted | kept (/KeepAtom, or a failed /Install) | missing (no such atom)>
//   exit=<the exit code>
//   install=<target folder>                  only with /Install, then per file:
//   copied=<relative path>  or  copyfailed=<relative path>|<Win32 error code>
//   file=<relative path>|<size>|<dosdate>|<crc>   one per file of the folder
//   end
// File lines are sorted by path ("\" separates folders); <dosdate> is the
// modification time as a local DOS date-time, (date << 16) | time, in decimal;
// <crc> is the CRC-32 of the bytes (zlib's, 8 lower-case hex digits), "-"
// with /NoHash and "?" when the file could not be read. Records of several
// runs follow each other in one file.
#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/StandInArgs.h"
#include "util/Handles.h"

namespace {

using orvane::FileHandle;
using orvane::FindHandle;
using orvane::KernelObject;
using orvane::standin::FolderOf;
using orvane::standin::ModulePath;
using orvane::standin::SameName;
using orvane::standin::SplitWords;

const char kTitle[] = "Orvane demo engine";

struct Options {
  std::string thId;
  std::string record;
  std::string install;
  bool noHash = false;
  bool keepAtom = false;
  bool dialogChild = false;
  UINT exitCode = 0;
  DWORD runMs = 0;
  DWORD dialogMs = 0;
  DWORD showMs = 4000;
};

DWORD Milliseconds(const std::string& value) {
  return static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
}

Options ReadOptions(const std::string& commandLine) {
  Options o;
  const std::vector<std::string> words = SplitWords(commandLine);
  // The first word is the program; words that are no switches are ignored.
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() < 2 || w[0] != '/')
      continue;
    const size_t eq = w.find('=');
    const std::string name = w.substr(1, eq == std::string::npos ? std::string::npos : eq - 1);
    const std::string value = eq == std::string::npos ? std::string() : w.substr(eq + 1);
    if (SameName(name, "TH_ID"))
      o.thId = value;
    else if (SameName(name, "Record"))
      o.record = value;
    else if (SameName(name, "Install"))
      o.install = value;
    else if (SameName(name, "NoHash"))
      o.noHash = true;
    else if (SameName(name, "KeepAtom"))
      o.keepAtom = true;
    else if (SameName(name, "ExitCode"))
      o.exitCode = static_cast<UINT>(std::strtoll(value.c_str(), nullptr, 10));
    else if (SameName(name, "RunMs"))
      o.runMs = Milliseconds(value);
    else if (SameName(name, "DialogMs"))
      o.dialogMs = Milliseconds(value);
    else if (SameName(name, "ShowMs"))
      o.showMs = Milliseconds(value);
    else if (SameName(name, "DialogChild")) {
      o.dialogChild = true;
      o.dialogMs = Milliseconds(value);
    }
  }
  return o;
}

std::string CurrentFolder() {
  const DWORD n = ::GetCurrentDirectoryA(0, nullptr);
  std::string dir(n, '\0');
  dir.resize(::GetCurrentDirectoryA(n, &dir[0]));
  return dir;
}

// ---------------------------------------------------------------------------
// The folder's files

struct FoundFile {
  std::string relative;
  uint64_t size = 0;
  FILETIME written{};
};

void ListFiles(const std::string& root, const std::string& relative, std::vector<FoundFile>& out) {
  const std::string dir = relative.empty() ? root : root + "\\" + relative;
  WIN32_FIND_DATAA fd;
  FindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &fd));
  if (!find)
    return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..")
      continue;
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListFiles(root, path, out);
    } else {
      out.push_back({path, (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow,
                     fd.ftLastWriteTime});
    }
  } while (::FindNextFileA(find.get(), &fd));
}

std::vector<FoundFile> FilesBelow(const std::string& root) {
  std::vector<FoundFile> files;
  ListFiles(root, {}, files);
  std::sort(files.begin(), files.end(),
            [](const FoundFile& a, const FoundFile& b) { return a.relative < b.relative; });
  return files;
}

uint32_t LocalDosDateTime(const FILETIME& written) {
  FILETIME local;
  WORD date = 0;
  WORD time = 0;
  if (!::FileTimeToLocalFileTime(&written, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return (static_cast<uint32_t>(date) << 16) | time;
}

// CRC-32 of the file's bytes, read in chunks (setup files can be large).
std::string Crc32Hex(const std::string& path) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file)
    return "?";
  std::vector<Bytef> chunk(1 << 20);
  uLong crc = ::crc32(0, nullptr, 0);
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
      return "?";
    if (got == 0)
      break;
    crc = ::crc32(crc, chunk.data(), got);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(crc));
  return hex;
}

// ---------------------------------------------------------------------------
// The demo installation

struct InstallReport {
  std::vector<std::string> copied;
  std::vector<std::string> failed;  // "<relative path>|<Win32 error>"
};

// Creates a folder and every missing folder above it.
void CreateFolders(const std::string& path) {
  for (size_t at = path.find_first_of("\\/", 1); at != std::string::npos;
       at = path.find_first_of("\\/", at + 1))
    ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  ::CreateDirectoryA(path.c_str(), nullptr);
}

InstallReport Install(const std::string& folder, const std::vector<FoundFile>& files,
                      const std::string& ownPath, const std::string& target) {
  InstallReport report;
  for (const FoundFile& f : files) {
    const std::string from = folder + "\\" + f.relative;
    if (::lstrcmpiA(from.c_str(), ownPath.c_str()) == 0)
      continue;
    const std::string to = target + "\\" + f.relative;
    CreateFolders(FolderOf(to));
    if (::CopyFileA(from.c_str(), to.c_str(), FALSE))
      report.copied.push_back(f.relative);
    else
      report.failed.push_back(f.relative + "|" + std::to_string(::GetLastError()));
  }
  return report;
}

// ---------------------------------------------------------------------------
// The confirmation and the record

// An installation that could not copy every file is not confirmed: a real
// engine that failed does not tell the launcher it completed.
std::string ConfirmInstallation(const Options& o, bool installFailed) {
  const ATOM atom = ::GlobalFindAtomA(("AutoUpdateAtomTokenByOrvane" + o.thId).c_str());
  if (!atom)
    return "missing";
  if (o.keepAtom || installFailed)
    return "kept";
  ::GlobalDeleteAtom(atom);
  return "deleted";
}

void AppendRecord(const Options& o, const STARTUPINFOA& startup, const std::string& folder,
                  const std::vector<FoundFile>& files, const std::string& atom, UINT exitCode,
                  const InstallReport& install) {
  std::string r;
  r += "cmdline=" + std::string(::GetCommandLineA()) + "\n";
  r += "show=" + std::to_string(startup.wShowWindow) + "\n";
  r += "cwd=" + CurrentFolder() + "\n";
  r += "folder=" + folder + "\n";
  r += "atom=" + atom + "\n";
  r += "exit=" + std::to_string(exitCode) + "\n";
  if (!o.install.empty()) {
    r += "install=" + o.install + "\n";
    for (const std::string& name : install.copied)
      r += "copied=" + name + "\n";
    for (const std::string& failure : install.failed)
      r += "copyfailed=" + failure + "\n";
  }
  for (const FoundFile& f : files) {
    r += "file=" + f.relative + "|" + std::to_string(f.size) + "|" +
         std::to_string(LocalDosDateTime(f.written)) + "|" +
         (o.noHash ? std::string("-") : Crc32Hex(folder + "\\" + f.relative)) + "\n";
  }
  r += "end\n";
  // One write per record, so records of engines running side by side do not mix.
  FileHandle file(::CreateFileA(o.record.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file)
    ::WriteFile(file.get(), r.data(), static_cast<DWORD>(r.size()), &written, nullptr);
}

// ---------------------------------------------------------------------------
// Windows

constexpr UINT_PTR kCloseTimer = 1;

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      RECT client;
      ::GetClientRect(window, &client);
      const auto font = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
      HWND text = ::CreateWindowExA(
          WS_EX_CLIENTEDGE, "EDIT", static_cast<const char*>(create->lpCreateParams),
          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 10, 10,
          client.right - 20, client.bottom - 56, window, nullptr, create->hInstance, nullptr);
      HWND ok = ::CreateWindowExA(
          0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
          client.right - 95, client.bottom - 38, 85, 28, window,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), create->hInstance, nullptr);
      ::SendMessageA(text, WM_SETFONT, font, FALSE);
      ::SendMessageA(ok, WM_SETFONT, font, FALSE);
      ::SetFocus(ok);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        ::DestroyWindow(window);
      return 0;
    case WM_TIMER:
      if (wParam == kCloseTimer)
        ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

// Shows a window of the given class with a text until the user closes it or
// `ms` have passed.
void RunMessageWindow(const std::string& className, const std::string& text, int show, DWORD ms) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  wc.lpfnWndProc = MessageWindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className.c_str();
  if (!::RegisterClassA(&wc))
    return;
  const int width = 480;
  const int height = 300;
  HWND window = ::CreateWindowExA(
      0, className.c_str(), kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
      (::GetSystemMetrics(SM_CXSCREEN) - width) / 2, (::GetSystemMetrics(SM_CYSCREEN) - height) / 2,
      width, height, nullptr, nullptr, instance, const_cast<char*>(text.c_str()));
  if (!window)
    return;
  ::ShowWindow(window, show);
  ::SetTimer(window, kCloseTimer, ms, nullptr);
  MSG m;
  while (::GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageA(window, &m))
      continue;
    ::TranslateMessage(&m);
    ::DispatchMessageA(&m);
  }
}

std::string DialogClass(const std::string& thId) {
  return ".SDialog_Class_Name." + thId;
}

// Starts the copy that owns the dialog window and waits until the window
// exists and is shown, so that whoever looks for it after this process has
// ended finds it as it will stay.
void StartDialogChild(const std::string& ownPath, const Options& o, const STARTUPINFOA& own) {
  std::string commandLine = "\"" + ownPath + "\" /DialogChild=" + std::to_string(o.dialogMs) +
                            " /TH_ID=\"" + o.thId + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = (own.dwFlags & STARTF_USESHOWWINDOW) ? own.wShowWindow : SW_SHOWNORMAL;
  // The copy's current folder is the system folder, so that it does not
  // hold on to the working folder that the launcher deletes.
  char systemDir[MAX_PATH + 1] = {};
  ::GetSystemDirectoryA(systemDir, sizeof systemDir);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, systemDir,
                        &startup, &info))
    return;
  KernelObject process(info.hProcess);
  KernelObject thread(info.hThread);
  const std::string className = DialogClass(o.thId);
  for (int i = 0; i < 1500 && !::FindWindowA(className.c_str(), nullptr); ++i) {
    if (::WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0)
      return;
  }
  // The window exists; once the copy waits for input it has been shown too.
  ::WaitForInputIdle(process.get(), 10000);
}

void PumpMessagesFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (DWORD elapsed = 0; elapsed < ms; elapsed = ::GetTickCount() - start) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&m);
      ::DispatchMessageA(&m);
    }
  }
}

std::string InstallSummary(const std::string& target, const InstallReport& report, UINT exitCode) {
  std::string s = "Installed into " + target + "\r\n\r\n" + std::to_string(report.copied.size()) +
                  " file(s) copied:\r\n";
  for (const std::string& name : report.copied)
    s += "    " + name + "\r\n";
  if (!report.failed.empty()) {
    s += "\r\nNot copied (file|error):\r\n";
    for (const std::string& failure : report.failed)
      s += "    " + failure + "\r\n";
  }
  s += "\r\nExit code: " + std::to_string(exitCode) + "\r\n";
  return s;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const Options o = ReadOptions(::GetCommandLineA());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  const bool shownAsAsked = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
  const int show = shownAsAsked ? startup.wShowWindow : SW_SHOWDEFAULT;

  if (o.dialogChild) {
    RunMessageWindow(DialogClass(o.thId), "Finishing the setup...", show, o.dialogMs);
    return 0;
  }

  const std::string ownPath = ModulePath();
  const std::string folder = FolderOf(ownPath);
  const std::vector<FoundFile> files = FilesBelow(folder);
  InstallReport install;
  if (!o.install.empty())
    install = Install(folder, files, ownPath, o.install);
  const UINT exitCode = !install.failed.empty() && o.exitCode == 0 ? 1 : o.exitCode;

  const std::string atom = ConfirmInstallation(o, !install.failed.empty());
  if (!o.record.empty())
    AppendRecord(o, startup, folder, files, atom, exitCode, install);

  if (!o.install.empty() && show != SW_HIDE)
    RunMessageWindow("OrvaneDemoEngine", InstallSummary(o.install, install, exitCode), show,
                     o.showMs);
  if (o.runMs > 0)
    PumpMessagesFor(o.runMs);
  if (o.dialogMs > 0)
    StartDialogChild(ownPath, o, startup);
  return static_cast<int>(exitCode);
}
