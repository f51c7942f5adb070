// stubpack: builds Orvane installers (launcher + appended package) and
// inspects existing ones. See Cli.h for the commands.
#include <cstdio>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return orvane::stubpack::RunCli(args, stdout, stderr);
}
