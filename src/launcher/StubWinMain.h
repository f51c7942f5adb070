// StubWinMain: the launcher's main window and its message loop ("WinMain").
//
// Every launcher process that does real work (the setup launcher, the
// relaunched copy, the X_ agent) owns one top-level window whose class is its
// instance key. It starts hidden; for a setup it becomes the small start-up
// window (icon, one line of text, a progress bar and a small activity bar);
// for an agent it stays hidden and receives the private messages through
// which other programs steer the agent. Its one-second timer drives the rest:
// the first tick starts the setup flow, every tick runs the agent's tick
// handler. Its message loop is the program's only one; long operations pump
// the same thread's queue and so re-enter the window procedure.
//
// Client notifications: a program that sent wm_LocalMsg with its window and
// a message number receives that message posted with a code in wParam and a
// value in lParam (the ClientNotification codes).
#pragma once

#include <windows.h>

#include <cstdint>

#include "agent/StubAU.h"

namespace orvane {

// ---------------------------------------------------------------------------
// Messages, notifications, timer

// Private messages of the main window.
constexpr UINT wm_ShutDown = 1123;  // wParam n: the agent's remaining lifetime := n ticks
constexpr UINT wm_LocalMsg = 1124;  // wParam client window, lParam client message
constexpr UINT wm_AgentMsg = 1125;  // wParam sub-code, lParam value; result: the answer

// The codes posted to the client are the agent's ClientNotification (agent/StubAU.h).

constexpr UINT_PTR kMainTimerId = 1;
constexpr UINT kMainTimerMs = 1000;

// ---------------------------------------------------------------------------
// Geometry (client coordinates of the children, in pixels)

constexpr int kMainWindowWidth = 492;
constexpr int kMainWindowHeight = 110;
constexpr char kMainCaptionDefault[] = "Orvane Installation Suite";

struct ChildBounds {
  int x;
  int y;
  int width;
  int height;
};

// Hebrew (177) and Arabic (178) are written right to left.
bool IsRightToLeftCharset(int charset);
// The label starts at x 122 for right-to-left scripts, else at 70.
ChildBounds LabelBounds(int charset);
ChildBounds MainBarBounds();
// The activity bar sits at the left end (x 70) for right-to-left scripts,
// else at the right end (x 416).
ChildBounds ActivityBarBounds(int charset);

// ---------------------------------------------------------------------------
// Process-wide window state (null handles and zeros before the window exists)

HWND MainWindow();
HWND MainLabel();
HWND MainBar();
HWND ActivityBar();
// Set by DestroyMainWindow; the message loop ends after the dispatch that set it.
bool WindowDestroyed();
// The client registered by wm_LocalMsg (null and 0 when none).
HWND ClientWindow();
UINT ClientMessage();

// ---------------------------------------------------------------------------
// "WinMain" and its steps

// The whole life of the main window: CreateMainWindow, then (when the window
// exists) hide it and RunMainLoop, then EndMainWindow. Returns when the loop
// has ended.
void RunMainWindow();

// Takes /SleepX= (n >= 0 starts the agent's tick counter at -n), initialises
// the common controls, registers the window class under the instance key and
// creates the hidden main window, 492 x 110 and centred in the work area,
// with the caption s0 of the own package; its creation builds the label, the
// two bars and timer 1. Sets the message-box font from the package. Resets
// the window state first. Null when the window cannot be created.
HWND CreateMainWindow();

// Gets, translates and dispatches messages until the quit message arrives or
// a dispatch has destroyed the main window.
void RunMainLoop();

// After the loop: stops timer 1, aborts any download, frees the HTTP library
// and notifies the client with kNotifyLoopEnded.
void EndMainWindow();

// The window procedure.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Destroy handler: aborts downloads, removes the working folder, posts the
// quit message (exit code 0) and sets the destroyed flag.
void DestroyMainWindow();

// Close handler: true (close) when a download was already aborted; otherwise
// aborts it and returns false, so the first close request only stops a
// download and a second one closes the window.
bool CloseMainWindow();

// Fills the client area with the button-face colour and draws the icon
// "MainIcon" at (18, 20).
void PaintMainWindow(HWND window);

// Posts the client message with wParam `code` and lParam `value` when both a
// client window and a client message are registered; otherwise nothing.
void NotifyClient(WPARAM code, LPARAM value);

}  // namespace orvane
