#include "agent/ZProgBar.h"

#include <windows.h>

#include <commctrl.h>

#include "util/Utils.h"

namespace orvane {

namespace {

// One pass of message dispatching followed by a 1 ms sleep.
void YieldOnce() {
  YieldWait(0, 0);
}

// The activity bar's positions run 0..5.
constexpr int kActivityLast = 5;
int32_t g_activityCounter = 0;

HWND g_mainBar = nullptr;
HWND g_activityBar = nullptr;

// The main window's bars as a reporter's sink and as the extraction's
// progress; no state of its own, so one object serves the whole process.
class ProgressBars final : public ProgressSink, public ExtractionProgress {
 public:
  void Report(int kind, int maximum, int position, int step, std::string_view text) override {
    ProgressBarSink(kind, maximum, position, step, text);
  }
  void Progress(int kind, int64_t /*min*/, int64_t max, bool* /*cancel*/, int step,
                int64_t position) override {
    ProgressBarSink(kind, static_cast<int>(max), static_cast<int>(position), step, {});
  }
};

ProgressBars g_progressBars;

class SystemTickClock final : public TBytesRate::Clock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(::GetTickCount()); }
};

SystemTickClock g_tickClock;

}  // namespace

TProgBar::TProgBar(ProgressSink& sink) : sink_(sink) {}

TProgBar::~TProgBar() {
  Send(kProgressRange, 0, 0, 1, {});
}

void TProgBar::Start(int position, int maximum) {
  Send(kProgressRange, maximum, position, 1, {});
}

void TProgBar::Step(std::string_view text) {
  Send(kProgressStep, 0, 0, 0, text);
}

void TProgBar::Advance(int steps, std::string_view text) {
  if (steps == 1)
    Step(text);
  else if (steps > 1)
    Send(kProgressAdvance, 0, steps, 0, text);
}

void TProgBar::SetName(std::string_view /*text*/) {
  YieldOnce();
}

void TProgBar::Send(int kind, int maximum, int position, int step, std::string_view text) {
  YieldOnce();
  sink_.Report(kind, maximum, position, step, text);
  YieldOnce();
}

TProgBar& ProgressReporter() {
  // Never destroyed: a finishing event at process exit would talk to windows
  // that are already gone.
  static TProgBar* reporter = new TProgBar(g_progressBars);
  return *reporter;
}

void SetProgressBars(HWND mainBar, HWND activityBar) {
  g_mainBar = mainBar;
  g_activityBar = activityBar;
}

void ProgressBarSink(int kind, int maximum, int position, int step, std::string_view /*text*/) {
  const HWND mainBar = g_mainBar;
  const HWND activityBar = g_activityBar;
  if (kind == kProgressRange) {
    ::SendMessageA(mainBar, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
    ::SendMessageA(mainBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    ::SendMessageA(mainBar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
    ::SendMessageA(activityBar, PBM_SETRANGE, 0, MAKELPARAM(0, kActivityLast));
    ::SendMessageA(activityBar, PBM_SETPOS, 0, 0);
    ::SendMessageA(activityBar, PBM_SETSTEP, 1, 0);
  } else if (kind == kProgressStep || kind == kProgressAdvance) {
    if (kind == kProgressStep)
      ::SendMessageA(mainBar, PBM_STEPIT, 0, 0);
    else
      ::SendMessageA(mainBar, PBM_DELTAPOS, static_cast<WPARAM>(position), 0);
    ++g_activityCounter;
    if (g_activityCounter > kActivityLast)
      g_activityCounter = 0;
    ::SendMessageA(activityBar, PBM_SETPOS, static_cast<WPARAM>(g_activityCounter), 0);
  }
}

ExtractionProgress& ProgressBarExtractionSink() {
  return g_progressBars;
}

TBytesRate MakeTransferMeter(int64_t contentLength) {
  return TBytesRate::ForLength(contentLength, g_tickClock);
}

}  // namespace orvane
