// BytesRate: the one-line progress text of a download, such as
// "3.2/10.5 MB   -   87.65 KB/Sec".
//
// TBytesRate keeps the tick counts and chunk sizes of the last five reads and
// turns the running byte counts into "done/total" (in bytes, KB or MB) and a
// transfer rate averaged over the last four chunks. The rate is recomputed at
// most every 500 ms, so a fast loop over small chunks does not spend its time
// formatting floating-point text. The millisecond clock comes in from outside
// (the system tick count in the launcher), so the rules run anywhere.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

class TBytesRate {
 public:
  // The millisecond clock, implemented by the caller, which keeps it alive
  // as long as the meter.
  class Clock {
   public:
    // The tick count; only differences matter, and it may wrap.
    virtual uint32_t Now() = 0;

   protected:
    ~Clock() = default;
  };

  // Totals above these many bytes are shown in KB or in MB.
  static constexpr int64_t kKbThreshold = 102400;
  static constexpr int64_t kMbThreshold = 10485760;
  // Samples kept; the rate covers the newest kWindow - 1 chunks.
  static constexpr size_t kWindow = 5;
  // Shortest time between two rate computations.
  static constexpr uint32_t kRefreshMs = 500;

  // With `mbFlag` sizes are shown in MB, else with `kbFlag` in KB, else in
  // bytes. Starts reset.
  TBytesRate(bool kbFlag, bool mbFlag, Clock& clock);

  // The meter of a download of `length` bytes: KB above kKbThreshold, MB
  // above kMbThreshold.
  static TBytesRate ForLength(int64_t length, Clock& clock);

  // Forgets every sample and the rate.
  void Reset();

  // Takes one read of `chunkBytes` (0 for a failed or empty read) that
  // brought the count to `bytesDone` of `totalLength`, and returns the
  // progress text: "D/L BytesArr", "D/L KB" or "D/L MB" (sizes with one
  // decimal and thousands separators), followed by "   -   R KB/Sec" once a
  // rate is known. The first rate needs five reads after a reset.
  std::string Update(int64_t totalLength, int64_t bytesDone, int64_t chunkBytes);

  // The last computed rate ("20.00"), empty before the first computation.
  const std::string& RateText() const { return rateText_; }

 private:
  std::string ProgressPart(int64_t totalLength, int64_t bytesDone) const;

  Clock* clock_;  // a pointer, so that meters can be assigned
  bool kbFlag_ = false;
  bool mbFlag_ = false;
  std::array<uint32_t, kWindow> ticks_{};  // oldest first
  std::array<int64_t, kWindow> bytes_{};   // oldest first
  std::string rateText_;
  uint32_t lastRefresh_ = 0;
};

}  // namespace orvane
