#include "agent/BytesRate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane {
namespace {

// A clock the test sets before each read.
class FakeClock final : public TBytesRate::Clock {
 public:
  uint32_t now = 0;
  uint32_t Now() override { return now; }
};

TEST(BytesRateProgressPart, UnitFollowsTheLengthOfTheDownload) {
  struct Case {
    int32_t length;
    int32_t done;
    const char* expected;
  } cases[] = {
      {0, 0, "0/0 BytesArr"},
      {-1, 4096, "4096/-1 BytesArr"},  // server gave no length
      {102400, 51200, "51200/102400 BytesArr"},
      {102401, 51200, "50.0/100.0 KB"},
      {5000000, 5000000, "4,882.8/4,882.8 KB"},
      {10485760, 5242880, "5,120.0/10,240.0 KB"},
      {10485761, 5242880, "5.0/10.0 MB"},
      {2147483647, 1073741824, "1,024.0/2,048.0 MB"},
  };
  for (const Case& c : cases) {
    FakeClock clock;
    TBytesRate meter = TBytesRate::ForLength(c.length, clock);
    EXPECT_EQ(meter.Update(c.length, c.done, 0), c.expected) << "length " << c.length;
  }
}

TEST(BytesRateProgressPart, MbFlagWinsOverKbFlag) {
  FakeClock clock;
  EXPECT_EQ(TBytesRate(true, true, clock).Update(3355443, 1048576, 0), "1.0/3.2 MB");
  EXPECT_EQ(TBytesRate(false, true, clock).Update(3355443, 1048576, 0), "1.0/3.2 MB");
  EXPECT_EQ(TBytesRate(true, false, clock).Update(3355443, 1048576, 0), "1,024.0/3,276.8 KB");
}

// Each step: the clock at the read, the chunk, and the whole text expected
// (the total stays 100000 bytes, the count grows by the chunk).
struct Step {
  uint32_t tick;
  int32_t chunk;
  const char* rate;  // expected rate part, "" for none
};

struct RateCase {
  const char* name;
  std::vector<Step> steps;
};

std::string Expected(int32_t done, const char* rate) {
  std::string text = std::to_string(done) + "/100000 BytesArr";
  if (*rate != '\0')
    text += std::string("   -   ") + rate + " KB/Sec";
  return text;
}

TEST(BytesRateRate, AveragedOverTheLastFourChunksAndRefreshedAtMostEvery500Ms) {
  const RateCase cases[] = {
      {"40960 bytes over four reads spanning 2000 ms",
       {{1000, 0, ""},
        {1500, 10240, ""},
        {2000, 10240, ""},
        {2500, 10240, ""},
        {3000, 10240, "20.00"}}},
      {"the oldest chunk marks only the start of the span",
       {{1000, 99999, ""},
        {1500, 10240, ""},
        {2000, 10240, ""},
        {2500, 10240, ""},
        {3000, 10240, "20.00"}}},
      {"kept until more than 500 ms have passed since the last computation",
       {{1000, 0, ""},
        {1500, 10240, ""},
        {2000, 10240, ""},
        {2500, 10240, ""},
        {3000, 10240, "20.00"},
        {3100, 0, "20.00"},
        {3500, 0, "20.00"},       // exactly 500 ms: not yet
        {3501, 1024, "10.99"}}},  // 11264 bytes in 1001 ms
      {"a zero oldest tick counts as a window not yet filled",
       {{0, 0, ""},
        {600, 1024, ""},
        {1200, 1024, ""},
        {1800, 1024, ""},
        {2400, 1024, ""},
        {3000, 1024, "1.67"}}},  // 4096 bytes in 2400 ms
      {"the first computation also needs 500 ms since tick 0",
       {{100, 0, ""},
        {200, 1024, ""},
        {300, 1024, ""},
        {400, 1024, ""},
        {500, 1024, ""},
        {600, 1024, "10.00"}}},  // 4096 bytes in 400 ms
      {"no rate from a span of 0 ms",
       {{7000, 0, ""}, {7000, 512, ""}, {7000, 512, ""}, {7000, 512, ""}, {7000, 512, ""}}},
      {"the tick count wraps around",
       {{4294966196u, 0, ""},
        {4294966696u, 10240, ""},
        {4294967196u, 10240, ""},
        {400, 10240, ""},
        {900, 10240, "20.00"}}},
  };
  for (const RateCase& c : cases) {
    FakeClock clock;
    TBytesRate meter(false, false, clock);
    int32_t done = 0;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      clock.now = step.tick;
      done += step.chunk;
      EXPECT_EQ(meter.Update(100000, done, step.chunk), Expected(done, step.rate))
          << c.name << ", read " << i + 1;
      EXPECT_EQ(meter.RateText(), step.rate) << c.name << ", read " << i + 1;
    }
  }
}

TEST(BytesRateRate, ResetForgetsTheSamplesAndTheRate) {
  FakeClock clock;
  TBytesRate meter(false, false, clock);
  for (uint32_t tick : {1000u, 1500u, 2000u, 2500u, 3000u}) {
    clock.now = tick;
    meter.Update(100, 50, 10);
  }
  ASSERT_FALSE(meter.RateText().empty());

  meter.Reset();
  EXPECT_EQ(meter.RateText(), "");
  for (uint32_t tick : {4000u, 4500u, 5000u, 5500u}) {
    clock.now = tick;
    EXPECT_EQ(meter.Update(100, 50, 10), "50/100 BytesArr") << tick;
  }
  clock.now = 6000;
  EXPECT_EQ(meter.Update(100, 50, 10), "50/100 BytesArr   -   0.02 KB/Sec");
}

}  // namespace
}  // namespace orvane
