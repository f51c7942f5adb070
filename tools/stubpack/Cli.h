// Cli: the stubpack command line.
//
//   stubpack build [PROJECT.ini] [options]   build an installer
//   stubpack inspect FILE [--json]           report the package of FILE
//   stubpack keygen --out NAME               make an update-signing key pair
//   stubpack sign-update --key NAME.key INFO [--update FILE] [--inform FILE]
//                        [--pub NAME.pub]    pin the files of INFO and sign it
//   stubpack help | --version
//
// Exit codes: 0 success; 1 a build that failed, or a file that is not a
// sound package; 2 a command line that cannot be understood. Messages go to
// the error stream as "stubpack: error: WHAT (WHERE)".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orvane::stubpack {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs one command; `args` excludes the program name.
int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace orvane::stubpack
