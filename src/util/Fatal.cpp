#include "util/Fatal.h"

#include <windows.h>

#include <cstdlib>
#include <utility>

namespace orvane {

namespace {

FatalReporter* g_reporter = nullptr;
const OutOfMemoryText* g_outOfMemoryText = nullptr;
bool g_ending = false;

// Memory set aside at start-up and given back when memory runs out, so that
// the message box can still be built.
void* g_reserve = std::malloc(64 * 1024);

constexpr char kOutOfMemoryDefault[] = "Not enough memory to run the setup.";

[[noreturn]] void ShowAndExit(const char* text, unsigned exitCode) {
  // A second fatal event while the first is shown (the box itself found no
  // memory) ends the process at once.
  if (g_ending)
    ::ExitProcess(exitCode);
  g_ending = true;
  std::free(g_reserve);
  g_reserve = nullptr;
  if (g_reporter != nullptr)
    g_reporter->ShowFatal(text);
  else
    ::MessageBoxA(nullptr, text, "Setup", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ::ExitProcess(exitCode);
}

}  // namespace

void SetFatalReporter(FatalReporter* reporter) {
  g_reporter = reporter;
}

OutOfMemoryText::OutOfMemoryText(std::string text)
    : text_(std::move(text)), outer_(g_outOfMemoryText) {
  g_outOfMemoryText = this;
}

OutOfMemoryText::~OutOfMemoryText() {
  g_outOfMemoryText = outer_;
}

void FatalOutOfMemory() {
  ShowAndExit(
      g_outOfMemoryText != nullptr ? g_outOfMemoryText->text().c_str() : kOutOfMemoryDefault,
      kFatalExitOutOfMemory);
}

void FatalInternalError(std::string_view what) {
  // No allocation: memory may be what is short.
  char text[160] = "Internal error: ";
  size_t used = sizeof "Internal error: " - 1;
  for (char c : what) {
    if (used + 1 >= sizeof text)
      break;
    text[used++] = c;
  }
  text[used] = '\0';
  ShowAndExit(text, kFatalExitInternal);
}

}  // namespace orvane
