#include "harness/TestPaths.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "util/Handles.h"

namespace orvane::test {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void DeleteTreeForTest(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..")
        continue;
      const std::string path = dir + "\\" + name;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteTreeForTest(path);
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          ::RemoveDirectoryA(path.c_str());
        else
          ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
  }
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace

std::string BuildDir() {
  return Env("ORVANE_WIN_BUILD_DIR");
}
std::string SourceDir() {
  return Env("ORVANE_WIN_SOURCE_DIR");
}
// Under Wine the tests run from the superbuild's win64 tree; a native
// Windows build names its own folders through the environment.
std::string StubExe() {
  const std::string own = Env("ORVANE_STUB_EXE");
  return own.empty() ? BuildDir() + "\\win64\\src\\Stub.exe" : own;
}

std::string TestBinDir() {
  const std::string own = Env("ORVANE_TEST_BIN_DIR");
  return own.empty() ? BuildDir() + "\\win64\\tests" : own;
}

std::string TempFolder() {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof temp, temp);
  return temp;
}

std::string ScratchDir(const std::string& name) {
  const std::string root = TempFolder() + "orvane-tests";
  ::CreateDirectoryA(root.c_str(), nullptr);
  const std::string dir = root + "\\" + name;
  DeleteTreeForTest(dir);
  ::CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return {};
  std::string data;
  char buf[65536];
  DWORD n = 0;
  while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
    data.append(buf, n);
  ::CloseHandle(h);
  return data;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
         written == bytes.size();
}

uint32_t FileDosDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  FILETIME local{};
  WORD date = 0;
  WORD time = 0;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToDosDateTime(&local, &date, &time))
    return 0;
  return static_cast<uint32_t>(date) << 16 | time;
}

std::string WindowText(HWND window) {
  const LRESULT length = ::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT got =
      ::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(got));
  return text;
}

}  // namespace orvane::test
