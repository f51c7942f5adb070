// ZProgBar: progress reporting of downloads, and the two bars of the main
// window that show it.
//
// A download tells a TProgBar reporter to start with a range, to advance one
// step per chunk, and which file it fetches; the reporter forwards these
// events to the sink it was created with, yielding to the message queue
// around each one so that the single GUI thread keeps painting and stays
// responsive. The process has one reporter, created on first use, whose sink
// drives the main window's main bar (one step per chunk) and its activity bar
// (cycling through six positions, so the user sees movement even when the
// main bar moves slowly).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "agent/BytesRate.h"
#include "util/Files.h"

namespace orvane {

// Sink event kinds.
constexpr int kProgressRange = 0;    // set the range 0..maximum, the position and the step
constexpr int kProgressStep = 1;     // advance one step
constexpr int kProgressAdvance = 2;  // advance `position` steps at once

// Receives a reporter's events; implemented by the caller, which keeps it
// alive as long as the reporter.
class ProgressSink {
 public:
  virtual void Report(int kind, int maximum, int position, int step, std::string_view text) = 0;

 protected:
  ~ProgressSink() = default;
};

class TProgBar {
 public:
  explicit TProgBar(ProgressSink& sink);
  // The finishing event: Report(kProgressRange, 0, 0, 1, ""), which empties the bars.
  ~TProgBar();
  TProgBar(const TProgBar&) = delete;
  TProgBar& operator=(const TProgBar&) = delete;

  // Report(kProgressRange, maximum, position, 1, "").
  void Start(int position, int maximum);
  // Report(kProgressStep, 0, 0, 0, text).
  void Step(std::string_view text);
  // Many steps in one event, for transfers that read far more than a step
  // between two serves of the message queue: Report(kProgressAdvance, 0,
  // steps, 0, text); one step is a Step.
  void Advance(int steps, std::string_view text);
  // The name of the file being fetched; the bars have no use for it, so only
  // the message queue is served.
  void SetName(std::string_view text);

 private:
  void Send(int kind, int maximum, int position, int step, std::string_view text);

  ProgressSink& sink_;
};

// The process-wide reporter, created on the first call with a sink that
// calls ProgressBarSink, and kept for the life of the process.
TProgBar& ProgressReporter();

// The two bars ProgressBarSink drives: the main window's, set by the window
// when it creates them (null: the events go nowhere).
void SetProgressBars(HWND mainBar, HWND activityBar);

// Drives the main window's bars, with messages sent synchronously:
// kProgressRange ranges the main bar 0..maximum (a 32-bit range, so that the
// bar of a file beyond 512 MB does not wrap) with the given position and
// step, and resets the activity bar to 0..5 at 0; kProgressStep steps the
// main bar and moves the activity bar to the next of the positions 1, 2, 3,
// 4, 5, 0 (a process-wide counter); kProgressAdvance moves the main bar on
// by `position` steps and the activity bar as one step does.
// The text is ignored.
void ProgressBarSink(int kind, int maximum, int position, int step, std::string_view text);

// ProgressBarSink as the extraction engine's progress (one process-wide
// object): Kind, Max and Step are passed on (Position as the position); Min
// and the cancel flag are not used.
ExtractionProgress& ProgressBarExtractionSink();

// A transfer meter for a download of `contentLength` bytes (KB above 100 KB,
// MB above 10 MB) on the system tick count.
TBytesRate MakeTransferMeter(int64_t contentLength);

}  // namespace orvane
