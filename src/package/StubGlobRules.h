// StubGlobRules: the pure rules behind the setup-information settings of
// StubGlob.h: how integer and switch values are read, the seconds scale of
// the agent's times and the readable text written beside them, and the
// agent's transient override list with its text form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// ---------------------------------------------------------------------------
// Values

// An integer key: a 64-bit decimal number (blanks around and a sign
// allowed); `def` when the text is empty or anything else.
int64_t IniIntegerValue(std::string_view text, int64_t def);

// A switch key is on exactly when its text is "1"; "yes", "true", " 1" and
// "01" are off.
bool IniSwitchValue(std::string_view text);

// ---------------------------------------------------------------------------
// Times
//
// The keys whose names contain "Seconds" count whole seconds from
// 30 December 1899 00:00 local time.

// A moment (days since 30 December 1899, the fraction being the time of day;
// see DateText.h) in seconds, rounded to the nearest second. Moments beyond
// the calendar's limits are clamped to them; not-a-number counts as 0.
int64_t SecondsFromMoment(double moment);

// The readable companion text of a seconds value: "DD-MON-YYYY HH:NN:SS"
// with the month as JAN..DEC, for the day count seconds / 86400 clamped to
// 0..10,000,000. 3,712,000,000 gives "15-AUG-2017 23:06:40".
std::string SecondsCompanionText(int64_t seconds);

// ---------------------------------------------------------------------------
// Transient overrides
//
// The agent keeps one byte per overridable switch (and one for its own
// question before a check, which has no key). 255 leaves the decision to the
// ".info" file; any other value sets the switch, on exactly when it is 1.

enum class Override : size_t {
  AskBeforeCheck = 0,
  RequestConfirmationBeforeDownload = 1,
  RequestConfirmationBeforeInstall = 2,
  BackgroundUpdate = 3,
  InformFinish = 4,
  RestartProcess = 5,
  RequestConfirmationBeforeDownloadForce = 6,
  RequestConfirmationBeforeInstallForce = 7,
};

constexpr uint8_t kOverrideUnset = 255;
constexpr size_t kOverrideCount = 8;

struct TransientOverrides {
  std::array<uint8_t, kOverrideCount> fields{kOverrideUnset, kOverrideUnset, kOverrideUnset,
                                             kOverrideUnset, kOverrideUnset, kOverrideUnset,
                                             kOverrideUnset, kOverrideUnset};

  uint8_t Get(Override which) const { return fields[static_cast<size_t>(which)]; }
  void Set(Override which, uint8_t value) { fields[static_cast<size_t>(which)] = value; }
  // The agent's question before a check is asked only when its byte is 1.
  bool AskBeforeCheck() const { return Get(Override::AskBeforeCheck) == 1; }
};

// An overridable switch: `fileValue` (the ".info" key as read) decides when
// `override` is 255; otherwise the switch is on exactly when it is 1.
bool OverridableSwitch(uint8_t override, std::string_view fileValue);

// "|" followed by each field in decimal and a "|": "|255|1|255|255|255|255|255|255|".
std::string OverrideText(const TransientOverrides& overrides);

// Reads an override text back into `overrides`: fields 0 to 7 of the list
// (its first character is the separator), in order. A field that is missing
// or not a number from 0 to 255 keeps the current value.
void ReadOverrideText(std::string_view text, TransientOverrides& overrides);

}  // namespace orvane
