// StubGlobRules: value rules, the seconds scale and the override list.
#include "package/StubGlobRules.h"

#include <cmath>

#include "util/DateText.h"
#include "util/NumberText.h"
#include "util/ZSUB.h"

namespace orvane {

int64_t IniIntegerValue(std::string_view text, int64_t def) {
  int64_t value = 0;
  return ParseInt64(text, value) ? value : def;
}

bool IniSwitchValue(std::string_view text) {
  return text == "1";
}

int64_t SecondsFromMoment(double moment) {
  if (std::isnan(moment))
    return 0;
  if (moment < kMinMoment)
    moment = kMinMoment;
  if (moment > kMaxMoment)
    moment = kMaxMoment;
  return std::llround(moment * 86400.0);
}

std::string SecondsCompanionText(int64_t seconds) {
  // The stamp clamps the day count to 0..10,000,000; without a clock it
  // clamps -1 too instead of reading it as "now".
  return TimeStamp(static_cast<double>(seconds) / 86400.0, " ", nullptr);
}

bool OverridableSwitch(uint8_t override, std::string_view fileValue) {
  if (override != kOverrideUnset)
    return override == 1;
  return IniSwitchValue(fileValue);
}

std::string OverrideText(const TransientOverrides& overrides) {
  std::string text = "|";
  for (uint8_t field : overrides.fields) {
    text += std::to_string(field);
    text += '|';
  }
  return text;
}

void ReadOverrideText(std::string_view text, TransientOverrides& overrides) {
  for (size_t i = 0; i < kOverrideCount; ++i) {
    int64_t value = 0;
    // A number beyond a byte is as unusable as no number at all.
    if (ParseInt64(SUB::Get(text, static_cast<int>(i)), value) && value >= 0 && value <= 255)
      overrides.fields[i] = static_cast<uint8_t>(value);
  }
}

}  // namespace orvane
