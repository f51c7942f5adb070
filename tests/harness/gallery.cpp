// gallery: opens the launcher's windows one after the other so that
// scripts/screenshots can photograph them from outside.
//
//   gallery.exe SHOTS_DIR boxes|rtl|startup
//
// For each picture it prints "SHOT name left top right bottom" (the window's
// screen rectangle) once the window is on the screen and painted, then waits
// until SHOTS_DIR\name.done exists and closes the window. "DONE" ends the
// output. "rtl" is the Hebrew box; run it under a Hebrew code page.
#include <windows.h>

#include <commctrl.h>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "agent/ZProgBar.h"
#include "launcher/StubWinMain.h"
#include "ui/ZMsgBox.h"
#include "util/Utils.h"

namespace {

using namespace orvane;

std::string shotsDir;

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Announce(const char* name, HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  std::printf("SHOT %s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right, rect.bottom);
  std::fflush(stdout);
}

std::string DoneFile(const char* name) {
  return shotsDir + "\\" + name + ".done";
}

BOOL CALLBACK FindBoxWindow(HWND window, LPARAM result) {
  if (WindowClassName(window) == "ZMsgBox" && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindBox(DWORD thread) {
  HWND found = nullptr;
  ::EnumThreadWindows(thread, FindBoxWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs `show` (which opens a box on this thread) while a second thread waits
// for the box, announces it and closes it once its picture is taken.
void Shoot(const char* name, const std::function<void()>& show) {
  const DWORD thread = ::GetCurrentThreadId();
  std::atomic<bool> returned{false};
  std::thread photographer([&] {
    HWND box = nullptr;
    for (int i = 0; i < 1000 && !box; ++i) {
      ::Sleep(10);
      box = FindBox(thread);
    }
    if (!box)
      return;
    // Back from a sent message means the box's loop runs; then let it paint.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    ::Sleep(400);
    Announce(name, box);
    for (int i = 0; i < 6000 && !Exists(DoneFile(name)); ++i)
      ::Sleep(10);
    ::PostMessageA(box, WM_CLOSE, 0, 0);
  });
  show();
  returned = true;
  photographer.join();
}

void ShootBoxes() {
  Shoot("error", [] {
    MsgError(0, "Bad CRC!<P>This indicates that your setup file might be corrupted...");
  });
  Shoot("attention",
        [] { MsgAttention(0, "Please insert <B>DISK #2</B> and press OK to continue"); });
  Shoot("yes-no", [] {
    MsgYesNo(0,
             "Orvane will extract files to your Temp Drive (C:)<P>"
             "<P>Estimated space required on your Temp drive is: <T>  48.5 MB<P>"
             "Free space available on your Temp drive is: <T>  2,048 MB<P>"
             "<P>Continue with Setup?<P>");
  });
  Shoot("ok-cancel-long", [] {
    MsgOkCancel(0,
                "<b>INTERNET DOWNLOAD</b><p><p>Orvane will download the Setup File from the "
                "Internet...<p>Please make sure your Internet connection is properly set.<p><p>"
                "The download runs in the installer's small progress window, which shows the size "
                "already fetched and the transfer rate; closing that window stops the download, "
                "and the part that was already fetched is removed from your computer again.<p><p>"
                "Continue with Setup?<p><P>Size: 48.5 MB<P>");
  });
}

void ShootRightToLeft() {
  // Window captions take the code page's character set, as on a Hebrew
  // Windows, so that a face with Hebrew letters draws them.
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const NONCLIENTMETRICSA saved = metrics;
  metrics.lfCaptionFont.lfCharSet = DEFAULT_CHARSET;
  ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  // Hebrew in code page 1255, as a Hebrew language block would carry it.
  constexpr int kHebrew = 177;
  SetMsgBoxFont("Tahoma", 8, kHebrew);
  const char* text =
      "\xE4\xFA\xE5\xEB\xF0\xE4 \xFA\xE7\xEC\xF5 \xF7\xE1\xF6\xE9\xED \xEC\xEB\xE5\xF0\xEF "
      "\xE4\xE6\xEE\xF0\xE9 (C:)<P><P>"
      "\xF0\xF4\xE7 \xF0\xE3\xF8\xF9:<T>48.5 MB<P>"
      "\xF0\xF4\xE7 \xF4\xF0\xE5\xE9:<T>2,048 MB<P><P>"
      "<B>\xE4\xE0\xED \xEC\xE4\xEE\xF9\xE9\xEA \xE1\xE4\xFA\xF7\xF0\xE4?</B>";
  const char* caption = "\xE0\xE9\xF9\xE5\xF8";
  const char* buttons =
      "|&\xE0\xE9\xF9\xE5\xF8|&\xE1\xE9\xE8\xE5\xEC|&\xEB\xEF|&\xEC\xE0|&\xE1\xE8\xEC"
      "|&\xF0\xF1\xE4 \xF9\xE5\xE1|&\xE4\xFA\xF2\xEC\xED|";
  Shoot("right-to-left", [&] { MsgYesNo(0, text, caption, buttons, kHebrew); });
  ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof saved,
                          const_cast<NONCLIENTMETRICSA*>(&saved), 0);
}

void ShootStartupWindow() {
  HWND window = CreateMainWindow();
  if (!window)
    return;
  // The first tick would start the setup flow; the picture needs none.
  ::KillTimer(window, kMainTimerId);
  ::SetWindowTextA(MainLabel(), "Extracting Files...");
  ::ShowWindow(ActivityBar(), SW_SHOW);
  ::ShowWindow(window, SW_SHOW);
  // Half way: 100 of 200 on the main bar, the activity bar three steps on.
  ProgressBarSink(kProgressRange, 200, 97, 1, "");
  for (int i = 0; i < 3; ++i)
    ProgressBarSink(kProgressStep, 0, 0, 0, "");
  YieldWait(10, 400);
  Announce("startup", window);
  while (!Exists(DoneFile("startup")))
    YieldX(10);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: gallery SHOTS_DIR boxes|rtl|startup\n");
    return 2;
  }
  shotsDir = argv[1];
  const std::string which = argv[2];
  if (which == "boxes")
    ShootBoxes();
  else if (which == "rtl")
    ShootRightToLeft();
  else if (which == "startup")
    ShootStartupWindow();
  std::printf("DONE\n");
  std::fflush(stdout);
  // The start-up window is left as it is: ending its loop would remove the
  // launcher's working folder.
  ::ExitProcess(0);
}
