// zdebugview PROGRAM [ARGS...]: a console debug viewer. Owns a ".ZDebug."
// window, starts the program, prints every piece of console trace the
// program sends while it runs, and exits with the program's exit code.
#include <cstdio>
#include <string>

#include "harness/DebugViewer.h"
#include "harness/LauncherProcess.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zdebugview PROGRAM [ARGS...]\n");
    return 2;
  }
  std::string commandLine = orvane::test::Quote(argv[1]);
  for (int i = 2; i < argc; ++i)
    commandLine += std::string(" ") + argv[i];
  orvane::test::DebugViewer viewer;
  viewer.OnPiece([](const std::string& piece) {
    std::fwrite(piece.data(), 1, piece.size(), stdout);
    std::fflush(stdout);
  });
  const auto result = orvane::test::RunProcess(commandLine, 600000);
  if (!result.started) {
    std::fprintf(stderr, "zdebugview: cannot start %s\n", argv[1]);
    return 2;
  }
  std::printf("[zdebugview] exit code %lu%s\n", static_cast<unsigned long>(result.exitCode),
              result.finished ? "" : " (timed out, ended)");
  return static_cast<int>(result.exitCode);
}
