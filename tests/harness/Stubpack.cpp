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

std::string RunStubpackInspect(const std::string& file, int* exitCode) {
  return RunStubpack("inspect " + Quote(file), exitCode);
}

std::string RunStubpack(const std::string& arguments, int* exitCode) {
  *exitCode = -1;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    return {};
  KernelObject reader(readEnd);
  KernelObject writer(writeEnd);
  ::SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writer.get();
  startup.hStdError = writer.get();
  PROCESS_INFORMATION info{};
  std::string commandLine = Quote(StubpackExe()) + " " + arguments;
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
    return {};
  KernelObject process(info.hProcess);
  ::CloseHandle(info.hThread);
  writer.reset();  // the pipe ends when the child's copy closes
  std::string output;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    output.append(buffer, got);
  ::WaitForSingleObject(process.get(), 60000);
  DWORD code = 0;
  if (::GetExitCodeProcess(process.get(), &code))
    *exitCode = static_cast<int>(code);
  return output;
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
