// Builds installers for the tests with the Windows build of stubpack.
#pragma once

#include <string>
#include <vector>

namespace orvane::test {

// The Windows stubpack of this build.
std::string StubpackExe();

// Runs "stubpack build" with the given arguments (each quoted as needed by
// the caller); returns stubpack's exit code, or -1 when it did not run.
int RunStubpackBuild(const std::vector<std::string>& arguments);

// Runs stubpack with `arguments` (a command and its arguments, quoted as
// needed by the caller) and returns what it printed (stdout and stderr);
// `exitCode` gets its exit code, -1 when it did not run.
std::string RunStubpack(const std::string& arguments, int* exitCode);
// Runs "stubpack inspect FILE", as RunStubpack.
std::string RunStubpackInspect(const std::string& file, int* exitCode);

// A small file with the given content, for packages; returns its path.
std::string WriteTestFile(const std::string& path, const std::string& content);

}  // namespace orvane::test
