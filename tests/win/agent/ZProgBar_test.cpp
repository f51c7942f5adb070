// The progress reporter and the bar sink inside the test process: the
// events a reporter hands to its sink, the message-queue service around
// them, and what the sink does to the real progress bars of a main window.
#include "agent/ZProgBar.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "agent/InetHTTPAbort.h"
#include "launcher/StubWinMain.h"

namespace orvane {
namespace {

struct Event {
  int kind;
  int maximum;
  int position;
  int step;
  std::string text;
  bool operator==(const Event& o) const {
    return kind == o.kind && maximum == o.maximum && position == o.position && step == o.step &&
           text == o.text;
  }
};

void PrintTo(const Event& e, std::ostream* os) {
  *os << "{" << e.kind << ", " << e.maximum << ", " << e.position << ", " << e.step << ", \""
      << e.text << "\"}";
}

// Counts the messages posted to a window of this thread as they are dispatched.
class QueueProbe {
 public:
  static constexpr UINT kMessage = WM_APP + 5;
  QueueProbe() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &QueueProbe::WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvaneTestQueueProbe";
    ::RegisterClassA(&windowClass);
    window_ = ::CreateWindowExA(0, "OrvaneTestQueueProbe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dispatched_));
  }
  ~QueueProbe() { ::DestroyWindow(window_); }
  QueueProbe(const QueueProbe&) = delete;
  QueueProbe& operator=(const QueueProbe&) = delete;

  void Post() { ::PostMessageA(window_, kMessage, 0, 0); }
  int dispatched() const { return dispatched_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMessage) {
      ++*reinterpret_cast<int*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
  }

  HWND window_ = nullptr;
  int dispatched_ = 0;
};

// Records the events a reporter hands on; with a probe, notes how many of
// its messages were dispatched and posts one more, which must be dispatched
// before the reporter returns.
class RecordingSink final : public ProgressSink {
 public:
  explicit RecordingSink(QueueProbe* probe = nullptr) : probe_(probe) {}

  void Report(int kind, int maximum, int position, int step, std::string_view text) override {
    events.push_back({kind, maximum, position, step, std::string(text)});
    if (probe_) {
      dispatchedBefore.push_back(probe_->dispatched());
      probe_->Post();
    }
  }

  std::vector<Event> events;
  std::vector<int> dispatchedBefore;

 private:
  QueueProbe* probe_;
};

TEST(ProgBarReporter, HandsStartStepAndFinishToItsSink) {
  RecordingSink sink;
  std::vector<Event>& events = sink.events;
  {
    TProgBar reporter(sink);
    reporter.Start(1, 11);
    reporter.Step("1.0/10.0 KB");
    reporter.SetName("setup.exe");
    reporter.Step("2.0/10.0 KB   -   20.00 KB/Sec");
    EXPECT_EQ(events, (std::vector<Event>{{0, 11, 1, 1, ""},
                                          {1, 0, 0, 0, "1.0/10.0 KB"},
                                          {1, 0, 0, 0, "2.0/10.0 KB   -   20.00 KB/Sec"}}));
    events.clear();
  }
  // Destroying the reporter empties the bars.
  EXPECT_EQ(events, (std::vector<Event>{{0, 0, 0, 1, ""}}));
}

TEST(ProgBarReporter, ServesTheMessageQueueBeforeAndAfterEachEvent) {
  QueueProbe probe;
  RecordingSink sink(&probe);
  const std::vector<int>& seenBySink = sink.dispatchedBefore;
  TProgBar reporter(sink);

  probe.Post();
  reporter.Start(0, 10);
  EXPECT_EQ(seenBySink, std::vector<int>{1});
  EXPECT_EQ(probe.dispatched(), 2);

  probe.Post();
  reporter.Step("x");
  EXPECT_EQ(seenBySink, (std::vector<int>{1, 3}));
  EXPECT_EQ(probe.dispatched(), 4);

  probe.Post();
  reporter.SetName("file");
  EXPECT_EQ(seenBySink.size(), 2u);  // no sink call
  EXPECT_EQ(probe.dispatched(), 5);
}

TEST(ProgBarReporter, TheProcessHasOneReporter) {
  EXPECT_EQ(&ProgressReporter(), &ProgressReporter());
}

TEST(ProgBarMeter, TransferMeterUnitsFollowTheLength) {
  struct Case {
    int32_t length;
    const char* expected;
  } cases[] = {
      {102400, "0/102400 BytesArr"},
      {102401, "0.0/100.0 KB"},
      {10485760, "0.0/10,240.0 KB"},
      {10485761, "0.0/10.0 MB"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MakeTransferMeter(c.length).Update(c.length, 0, 0), c.expected) << c.length;
}

// The bars of a main window of this process.
class ProgBarSink : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateMainWindow();
    ASSERT_NE(window_, nullptr);
    ::KillTimer(window_, kMainTimerId);
  }
  void TearDown() override {
    ::DestroyWindow(window_);
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    HTTP_SetAbort(false);
  }

  static int Position(HWND bar) { return static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0)); }
  static int Low(HWND bar) { return static_cast<int>(::SendMessageA(bar, PBM_GETRANGE, TRUE, 0)); }
  static int High(HWND bar) {
    return static_cast<int>(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  }

  HWND window_ = nullptr;
};

TEST_F(ProgBarSink, RangeEventSetsTheMainBarAndResetsTheActivityBar) {
  struct Case {
    int maximum;
    int position;
    int step;
    int high;  // the range as the bar keeps it
  } cases[] = {
      {11, 1, 1, 11},         {0, 0, 1, 0},          // the finishing event empties the bar
      {65535, 7, 1, 65535},   {70000, 3, 1, 70000},  // the bar of a file beyond 512 MB
      {524289, 9, 1, 524289},                        // 4 GiB in 8192-byte steps
      {10, 0, 3, 10},
  };
  for (const Case& c : cases) {
    ::SendMessageA(ActivityBar(), PBM_SETPOS, 4, 0);
    ProgressBarSink(kProgressRange, c.maximum, c.position, c.step, "ignored");
    EXPECT_EQ(Low(MainBar()), 0) << c.maximum;
    EXPECT_EQ(High(MainBar()), c.high) << c.maximum;
    EXPECT_EQ(Position(MainBar()), std::min(c.position, c.high)) << c.maximum;
    EXPECT_EQ(Low(ActivityBar()), 0) << c.maximum;
    EXPECT_EQ(High(ActivityBar()), 5) << c.maximum;
    EXPECT_EQ(Position(ActivityBar()), 0) << c.maximum;
  }
  // The step of the last range event drives the main bar.
  ProgressBarSink(kProgressStep, 0, 0, 0, {});
  EXPECT_EQ(Position(MainBar()), 3);
}

TEST_F(ProgBarSink, StepsAdvanceTheMainBarAndCycleTheActivityBarThroughSixPositions) {
  ProgressBarSink(kProgressRange, 20, 1, 1, {});
  std::vector<int> activity;
  for (int i = 0; i < 13; ++i) {
    ProgressBarSink(kProgressStep, 0, 0, 0, "text");
    activity.push_back(Position(ActivityBar()));
  }
  EXPECT_EQ(Position(MainBar()), 14);
  // The counter lives for the process: each step shows the next of 0..5.
  for (size_t i = 0; i < activity.size(); ++i) {
    EXPECT_GE(activity[i], 0);
    EXPECT_LE(activity[i], 5);
    if (i > 0) {
      EXPECT_EQ(activity[i], (activity[i - 1] + 1) % 6) << i;
    }
  }
  // Period six: from a counter at 0, seven steps show 1, 2, 3, 4, 5, 0, 1.
  EXPECT_EQ(activity[6], activity[0]);
}

TEST_F(ProgBarSink, AdvanceMovesManyStepsAndTheActivityBarOne) {
  ProgressBarSink(kProgressRange, 70000, 1, 1, {});
  ProgressReporter().Advance(40000, "40000 steps");
  EXPECT_EQ(Position(MainBar()), 40001);
  const int activity = Position(ActivityBar());
  ProgressReporter().Advance(1, "one");
  EXPECT_EQ(Position(MainBar()), 40002);
  EXPECT_EQ(Position(ActivityBar()), (activity + 1) % 6);
  ProgressReporter().Advance(0, "none");
  EXPECT_EQ(Position(MainBar()), 40002);
  EXPECT_EQ(Position(ActivityBar()), (activity + 1) % 6);
  ProgressReporter().Advance(3, "three");
  EXPECT_EQ(Position(MainBar()), 40005);
  EXPECT_EQ(Position(ActivityBar()), (activity + 2) % 6);
}

TEST_F(ProgBarSink, ReporterAndExtractionCallbackDriveTheSameBars) {
  ProgressReporter().Start(1, 6);
  EXPECT_EQ(High(MainBar()), 6);
  EXPECT_EQ(Position(MainBar()), 1);
  ProgressReporter().Step("chunk");
  EXPECT_EQ(Position(MainBar()), 2);

  // The extraction engine: Kind 0 with Max, then one step per file.
  ExtractionProgress& progress = ProgressBarExtractionSink();
  progress.Progress(0, 0, 0, nullptr, 1, 0);
  EXPECT_EQ(High(MainBar()), 0);
  progress.Progress(0, 0, 4, nullptr, 1, 0);
  EXPECT_EQ(High(MainBar()), 4);
  EXPECT_EQ(Position(MainBar()), 0);
  progress.Progress(1, 0, 0, nullptr, 0, 0);
  progress.Progress(1, 0, 0, nullptr, 0, 0);
  EXPECT_EQ(Position(MainBar()), 2);
}

}  // namespace
}  // namespace orvane
