// procprobe: a program for the process and window tests to find, steer and
// end. Every mode ends by itself after two minutes (exit code 3), so that a
// failed test leaves nothing running for long.
//
//   procprobe window TITLE [stubborn|deaf|hang] [life=MS]
//       A visible main window titled TITLE (class "OrvaneProcProbe") with two
//       visible titled dialogs it owns. WM_CLOSE ends it with 0; "stubborn"
//       ignores WM_CLOSE (a WM_QUIT still ends it, with the quit's wParam),
//       "deaf" ignores WM_QUIT too, "hang" stops answering messages at once.
//       life=MS closes the window after MS milliseconds.
//   procprobe wait EVENT
//       No window at all; sets the named event EVENT.ready when that exists,
//       then runs until the named event EVENT is set (exit 0).
//   procprobe console CODE [SLEEP_MS] [EXTRA_BYTES]
//       Writes "out:" and OEM text (bytes above 127) to standard output and
//       "err:" and OEM text to standard error, then EXTRA_BYTES more "x" to
//       standard output, sleeps SLEEP_MS and exits with CODE.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kLifetimeMs = 120000;
constexpr UINT_PTR kLifeTimer = 1;
constexpr UINT_PTR kCapTimer = 2;
bool g_stubborn = false;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kCapTimer)
        ::ExitProcess(3);
      ::KillTimer(window, kLifeTimer);
      ::DestroyWindow(window);
      return 0;
    case WM_CLOSE:
      if (!g_stubborn)
        ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

HWND Create(const std::string& title, HWND owner, DWORD style) {
  return ::CreateWindowExA(0, "OrvaneProcProbe", title.c_str(), style, 100, 100, 300, 200, owner,
                           nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

int RunWindow(int argc, char** argv) {
  if (argc < 3)
    return 2;
  const std::string title = argv[2];
  bool deaf = false;
  bool hang = false;
  UINT life = 0;
  for (int i = 3; i < argc; ++i) {
    g_stubborn = g_stubborn || std::strcmp(argv[i], "stubborn") == 0;
    deaf = deaf || std::strcmp(argv[i], "deaf") == 0;
    hang = hang || std::strcmp(argv[i], "hang") == 0;
    if (std::strncmp(argv[i], "life=", 5) == 0)
      life = static_cast<UINT>(std::strtoul(argv[i] + 5, nullptr, 10));
  }
  g_stubborn = g_stubborn || deaf;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ProbeProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "OrvaneProcProbe";
  windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  ::RegisterClassA(&windowClass);
  HWND main = Create(title, nullptr, WS_OVERLAPPEDWINDOW);
  // The main window shows last: once it is visible, every window is there.
  ::ShowWindow(Create(title + " dialog 1", main, WS_POPUP | WS_CAPTION), SW_SHOWNOACTIVATE);
  ::ShowWindow(Create(title + " dialog 2", main, WS_POPUP | WS_CAPTION), SW_SHOWNOACTIVATE);
  ::ShowWindow(main, SW_SHOWNORMAL);
  if (hang) {
    ::Sleep(kLifetimeMs);
    return 3;
  }
  ::SetTimer(main, kCapTimer, kLifetimeMs, nullptr);
  if (life > 0)
    ::SetTimer(main, kLifeTimer, life, nullptr);
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 && !deaf)
      return static_cast<int>(message.wParam);
    if (got == -1)
      return 4;
    if (got > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
}

void WriteAll(HANDLE handle, const std::string& text) {
  DWORD written = 0;
  ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  const std::string mode = argv[1];
  if (mode == "window")
    return RunWindow(argc, argv);
  if (mode == "wait" && argc > 2) {
    HANDLE stop = ::CreateEventA(nullptr, TRUE, FALSE, argv[2]);
    // Tells a waiting test that the program is up (its modules loaded).
    if (HANDLE ready =
            ::OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(argv[2]) + ".ready").c_str()))
      ::SetEvent(ready);
    return ::WaitForSingleObject(stop, kLifetimeMs) == WAIT_OBJECT_0 ? 0 : 3;
  }
  if (mode == "console" && argc > 2) {
    // OEM (code page 437) letters: a-umlaut o-umlaut u-umlaut, A-umlaut O-umlaut.
    WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE), "out:\x84\x94\x81\r\n");
    WriteAll(::GetStdHandle(STD_ERROR_HANDLE), "err:\x8E\x99\r\n");
    if (argc > 4)
      WriteAll(::GetStdHandle(STD_OUTPUT_HANDLE),
               std::string(std::strtoul(argv[4], nullptr, 10), 'x'));
    if (argc > 3)
      ::Sleep(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    return std::atoi(argv[2]);
  }
  return 2;
}
