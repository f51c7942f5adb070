#include "util/ZDebug.h"

#include <windows.h>

#include "util/Files.h"
#include "util/NumberText.h"
#include "util/Utils.h"
#include "util/ZDebugDevice.h"

namespace orvane {

// ---- console device ---------------------------------------------------------

ConsoleDevice::ConsoleDevice(uint8_t mode, std::string debugFile)
    : mode_(mode),
      debugFile_(std::move(debugFile)),
      viewerMessage_(::RegisterWindowMessageA(kViewerMessage)),
      buffer_(*this) {}

ConsoleDevice& ConsoleDevice::Instance() {
  static ConsoleDevice device(kShippedMode, kDebugFile);
  return device;
}

void ConsoleDevice::Write(std::string_view text) {
  CriticalSectionLock hold(lock_);
  buffer_.Write(text);
}

void ConsoleDevice::Flush() {
  CriticalSectionLock hold(lock_);
  buffer_.Flush();
}

void ConsoleDevice::Forward(std::string_view piece) {
  if (mode_ == 1 || mode_ == 2)
    AppendLine(debugFile_, NormalizeLineBreaks(piece), false, 0);
  if (mode_ != 0 && mode_ != 2)
    return;
  const HWND viewer = ::FindWindowA(kViewerClass, nullptr);
  if (!viewer)
    return;
  // The viewer reads the atom's name while it handles the message, so the
  // message is sent, not posted. A viewer that hangs must not hang the
  // launcher: give up on it after a few seconds.
  const std::string name(piece);
  GlobalAtom atom(::GlobalAddAtomA(name.c_str()));
  if (!atom)
    return;
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutA(viewer, viewerMessage_, kViewerWParam, static_cast<LPARAM>(atom.get()),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &ignored);
}

void ConsoleWrite(std::string_view text) {
  ConsoleDevice::Instance().Write(text);
}

void ConsoleFlush() {
  ConsoleDevice::Instance().Flush();
}

void ConsoleLine(std::string_view text) {
  ConsoleDevice& device = ConsoleDevice::Instance();
  std::string line(text);
  line += "\r\n";
  device.Write(line);
  device.Flush();
}

void ConsolePidLine(std::string_view text) {
  std::string line = DecimalText(::GetCurrentProcessId());
  line += text;
  ConsoleLine(line);
}

void ReportException(std::string_view error, std::string_view method, std::string_view remark) {
  ConsoleLine(ExceptionReportLine(error, method, remark));
}

// ---- agent log ----------------------------------------------------------------

namespace {

struct AgentLogState {
  bool traceOn = false;
  std::string prefix = "   ";
  std::string path;  // computed on first use
};

AgentLogState& LogState() {
  static AgentLogState state;
  return state;
}

std::string LocaleText(LCTYPE type, const char* fallback) {
  char buf[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) <= 1)
    return fallback;
  return buf;
}

}  // namespace

void SetTraceOn(bool on) {
  LogState().traceOn = on;
}
bool TraceOn() {
  return LogState().traceOn;
}
void SetLogPrefix(std::string_view prefix) {
  LogState().prefix.assign(prefix);
}

void AgentLog(std::string_view message) {
  AgentLogState& state = LogState();
  if (!state.traceOn)
    return;
  if (state.path.empty())
    state.path = AgentLogPath(OwnPath());
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const std::string stamp =
      AgentLogStamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                    LocaleText(LOCALE_SDATE, "/"), LocaleText(LOCALE_STIME, ":"));
  AppendLine(state.path, AgentLogLine(stamp, ::GetCurrentThreadId(), state.prefix, message), true,
             0);
}

}  // namespace orvane
