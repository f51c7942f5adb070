// Fatal: the one way out of the launcher when it cannot go on.
//
// The launcher's code does not throw. Two things can still stop it in the
// middle of its work: memory running out (operator new has nothing to give)
// and an impossible state (the C++ library reporting an invalid argument).
// Both end here: the user is told in a message box, then the process ends
// with a failure code, never with 0.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Exit codes of the fatal path (the system's error numbers).
constexpr unsigned kFatalExitOutOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
constexpr unsigned kFatalExitInternal = 1359;  // ERROR_INTERNAL_ERROR

// Shows the fatal message. The launcher installs one that uses its own
// message box; without one the system's message box is used.
class FatalReporter {
 public:
  virtual void ShowFatal(const std::string& text) = 0;

 protected:
  ~FatalReporter() = default;
};

// `reporter` stays installed until replaced; null restores the system's box.
void SetFatalReporter(FatalReporter* reporter);

// The text shown when memory runs out, for as long as the scope lives (the
// extraction names the package it was extracting). Scopes nest.
class OutOfMemoryText {
 public:
  explicit OutOfMemoryText(std::string text);
  ~OutOfMemoryText();
  OutOfMemoryText(const OutOfMemoryText&) = delete;
  OutOfMemoryText& operator=(const OutOfMemoryText&) = delete;

  const std::string& text() const { return text_; }

 private:
  std::string text_;
  const OutOfMemoryText* outer_;
};

// Shows the out-of-memory message and ends the process.
[[noreturn]] void FatalOutOfMemory();
// Shows "Internal error" with `what` and ends the process.
[[noreturn]] void FatalInternalError(std::string_view what);

}  // namespace orvane
