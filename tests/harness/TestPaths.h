// Paths of the build as a Windows test sees them under Wine, and small file
// and window helpers of the tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvane::test {

// Windows form of the build and source trees (from the harness environment).
std::string BuildDir();
std::string SourceDir();
// The launcher of the 64-bit test build.
std::string StubExe();
// The folder of the test programs and helper binaries (planted.dll, loadprobe.exe).
std::string TestBinDir();
// The Temp folder with its trailing backslash, as the launcher sees it.
std::string TempFolder();

// A fresh, empty folder for one test, below the Temp folder.
std::string ScratchDir(const std::string& name);
// Copies a file; returns false on failure.
bool CopyFileTo(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);
// The whole content of a file, or empty.
std::string ReadWholeFile(const std::string& path);
// The modification time of a file as a local DOS date-time,
// (date << 16) | time; 0 when it cannot be read.
uint32_t FileDosDate(const std::string& path);
// The text of a window or control (of any process).
std::string WindowText(HWND window);
// Writes `bytes` as the whole file; true when all of them were written.
bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace orvane::test
