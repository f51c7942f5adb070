#include "agent/BytesRate.h"

#include "util/NumberText.h"

namespace orvane {

TBytesRate::TBytesRate(bool kbFlag, bool mbFlag, Clock& clock)
    : clock_(&clock), kbFlag_(kbFlag), mbFlag_(mbFlag) {
  Reset();
}

TBytesRate TBytesRate::ForLength(int64_t length, Clock& clock) {
  return TBytesRate(length > kKbThreshold, length > kMbThreshold, clock);
}

void TBytesRate::Reset() {
  ticks_.fill(0);
  bytes_.fill(0);
  rateText_.clear();
  lastRefresh_ = 0;
}

std::string TBytesRate::ProgressPart(int64_t totalLength, int64_t bytesDone) const {
  if (mbFlag_) {
    return SizeText(bytesDone, kMegabyte, 1, true) + "/" +
           SizeText(totalLength, kMegabyte, 1, true) + " MB";
  }
  if (kbFlag_) {
    return SizeText(bytesDone, kKilobyte, 1, true) + "/" +
           SizeText(totalLength, kKilobyte, 1, true) + " KB";
  }
  return DecimalText(bytesDone) + "/" + DecimalText(totalLength) + " BytesArr";
}

std::string TBytesRate::Update(int64_t totalLength, int64_t bytesDone, int64_t chunkBytes) {
  std::string text = ProgressPart(totalLength, bytesDone);

  const uint32_t now = clock_->Now();
  for (size_t i = 0; i + 1 < kWindow; ++i) {
    ticks_[i] = ticks_[i + 1];
    bytes_[i] = bytes_[i + 1];
  }
  ticks_[kWindow - 1] = now;
  bytes_[kWindow - 1] = chunkBytes;

  // Unsigned differences stay right across a wrap of the tick count.
  const uint32_t elapsed = now - ticks_[0];
  int64_t bytes = 0;  // the oldest sample only marks the start of the span
  for (size_t i = 1; i < kWindow; ++i)
    bytes += bytes_[i];

  // A zero oldest tick means the window has not been filled since the reset.
  if (ticks_[0] != 0 && elapsed != 0 && now - lastRefresh_ > kRefreshMs) {
    lastRefresh_ = now;
    const double rate = static_cast<double>(bytes) / (elapsed / 1000.0) / 1024.0;
    rateText_ = FloatText(rate, 2, false);
  }

  if (!rateText_.empty())
    text += "   -   " + rateText_ + " KB/Sec";
  return text;
}

}  // namespace orvane
