// product: the stand-in for an installed product, for the auto-update agent's
// tests and the demo. The agent shuts "the running product" down before an
// update and may start it again afterwards; this program shows what it was
// asked to do and what happened to it.
//
// It shows one visible main window titled "Orvane demo product <version>",
// <version> being the first line of version.txt beside the executable ("1"
// when there is none), so an update that brings a new version.txt shows in
// the title and the record. The window closes on WM_CLOSE and the message
// loop ends on WM_QUIT, as an ordinary program's do.
//
// Switches (names ignore case; a value may be quoted, "C:\a b\p.record"):
//   /Record=<file>   the record file (default: product.record beside the exe)
//   /IgnoreClose     record a WM_CLOSE and stay open (a product that will not close)
//   /IgnoreQuit      record a WM_QUIT and keep the message loop running
//
// The record: one line per event, each ending in "\n", appended:
//   start pid=<pid> version=<version> cmdline=<GetCommandLineA as it is>
//   ignored reason=<WM_CLOSE | WM_QUIT>
//   end reason=<WM_CLOSE | WM_QUIT | WM_DESTROY (the window went without a WM_CLOSE)>
// A process that is terminated writes no end line: that is how a test tells
// a termination from an orderly end.
#include <windows.h>

#include <string>
#include <vector>

#include "common/StandInArgs.h"
#include "util/Handles.h"

namespace {

using orvane::FileHandle;
using orvane::standin::FolderOf;
using orvane::standin::ModulePath;
using orvane::standin::SameName;
using orvane::standin::SplitWords;

const char kClassName[] = "OrvaneDemoProduct";

struct Options {
  std::string record;
  bool ignoreClose = false;
  bool ignoreQuit = false;
};

// What ended the program; empty while it runs.
std::string g_endReason;
Options g_options;

Options ReadOptions(const std::string& commandLine, const std::string& folder) {
  Options o;
  o.record = folder + "\\product.record";
  const std::vector<std::string> words = SplitWords(commandLine);
  // The first word is the program; words that are no switches are ignored.
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() < 2 || w[0] != '/')
      continue;
    const size_t eq = w.find('=');
    const std::string name = w.substr(1, eq == std::string::npos ? std::string::npos : eq - 1);
    if (SameName(name, "Record") && eq != std::string::npos)
      o.record = w.substr(eq + 1);
    else if (SameName(name, "IgnoreClose"))
      o.ignoreClose = true;
    else if (SameName(name, "IgnoreQuit"))
      o.ignoreQuit = true;
  }
  return o;
}

// The first line of version.txt beside the program, without blanks around
// it; "1" when the file is missing or says nothing.
std::string ReadVersion(const std::string& folder) {
  FileHandle file(::CreateFileA((folder + "\\version.txt").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  std::string text;
  char buffer[256];
  DWORD got = 0;
  if (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
    text.assign(buffer, got);
  text = text.substr(0, text.find_first_of("\r\n"));
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return "1";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Appends one line in one write, so that lines of several copies of the
// program sharing the record do not mix.
void Record(const std::string& line) {
  FileHandle file(::CreateFileA(g_options.record.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string text = line + "\n";
  DWORD written = 0;
  if (file)
    ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Ended(const char* reason) {
  if (g_endReason.empty())
    g_endReason = reason;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      RECT client;
      ::GetClientRect(window, &client);
      HWND text =
          ::CreateWindowExA(0, "STATIC", static_cast<const char*>(create->lpCreateParams),
                            WS_CHILD | WS_VISIBLE | SS_CENTER, 10, client.bottom / 2 - 10,
                            client.right - 20, 20, window, nullptr, create->hInstance, nullptr);
      ::SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
      return 0;
    }
    case WM_CLOSE:
      if (g_options.ignoreClose) {
        Record("ignored reason=WM_CLOSE");
        return 0;
      }
      Ended("WM_CLOSE");
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      Ended("WM_DESTROY");
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::string folder = FolderOf(ModulePath());
  g_options = ReadOptions(::GetCommandLineA(), folder);
  const std::string version = ReadVersion(folder);
  Record("start pid=" + std::to_string(::GetCurrentProcessId()) + " version=" + version +
         " cmdline=" + ::GetCommandLineA());

  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  const std::string title = "Orvane demo product " + version;
  const std::string text = title + " (process " + std::to_string(::GetCurrentProcessId()) + ")";
  HWND window = nullptr;
  if (::RegisterClassA(&wc)) {
    window = ::CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 420, 160, nullptr, nullptr, instance,
                               const_cast<char*>(text.c_str()));
  }
  if (!window) {
    Record("end reason=no window");
    return 1;
  }
  // Always visible, however it was started: the agent looks for a product
  // window the user can see.
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);

  MSG m;
  for (;;) {
    const BOOL got = ::GetMessageA(&m, nullptr, 0, 0);
    if (got == -1) {
      Ended("GetMessage failed");
      break;
    }
    if (got == 0) {
      // The quit message the closed window posted, or one from outside.
      if (!g_endReason.empty())
        break;
      if (g_options.ignoreQuit) {
        Record("ignored reason=WM_QUIT");
        continue;
      }
      Ended("WM_QUIT");
      break;
    }
    ::TranslateMessage(&m);
    ::DispatchMessageA(&m);
  }
  Record("end reason=" + g_endReason);
  return 0;
}
