#include "harness/Stubpack.h"

#include <windows.h>

#include "harness/LauncherProcess.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"

namespace orvane::test {

std::string StubpackExe() {
  return TestBinDir() + "\\..\\tools\\stubpack\\stubpack.exe";
}

int RunStubpackBuild(const std::vector<std::string>& arguments) {
  std::string commandLine = Quote(StubpackExe()) + " build -q";
  for (const auto& a : arguments)
    commandLine += " " + a;
  const ProcessResult result = RunProcess(commandLine, 120000);
  if (!result.finished)
    return -1;
  return static_cast<int>(result.exitCode);
}

std::string WriteTestFile(const std::string& path, const std::string& content) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file)
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  return path;
}

}  // namespace orvane::test
