#include "util/ExecPipeText.h"

namespace orvane {

std::string CaptureCommandLine(std::string_view program, std::string_view parameters) {
  std::string command;
  if (program.find(' ') != std::string_view::npos && program.find('"') == std::string_view::npos)
    command.append("\"").append(program).append("\"");
  else
    command.append(program);
  if (!parameters.empty())
    command.append(" ").append(parameters);
  return command;
}

std::string CaptureStartFailureText(std::string_view systemError, std::string_view command) {
  if (command.size() > kMaxCommandLineLength)
    return "Command line is too long";
  return std::string(systemError) + " --- " + std::string(command.substr(0, 256));
}

}  // namespace orvane
