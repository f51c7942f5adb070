// ZDebug: the launcher's two invisible diagnostic channels.
//
// The console trace goes, through a 128-byte buffered device, to a running
// debug-viewer window (class ".ZDebug.") as global atoms carried by the
// registered message ".Z_DebugMsg.", and in the debug-file mode to
// C:\ProgramData\_zdebug.txt. The agent log is a text file beside the
// executable, written only when the own package switches tracing on.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Console trace. Writes never fail towards the caller; without a viewer the
// text is dropped at once.
void ConsoleWrite(std::string_view text);
// `text` followed by CR LF, then flushed.
void ConsoleLine(std::string_view text);
// The process id in decimal immediately followed by `text` (which starts with a blank).
void ConsolePidLine(std::string_view text);
void ConsoleFlush();

// Agent log.
void SetTraceOn(bool on);
bool TraceOn();
void SetLogPrefix(std::string_view prefix);
void AgentLog(std::string_view message);

// " --- " + " [ Method = ... ] " + " [ Remark = ... ] " + " [ ErrMsg = ... ] " to the console.
void ReportException(std::string_view error, std::string_view method, std::string_view remark = {});

}  // namespace orvane
