// Installers kept where the ANSI code page cannot name the path: a folder
// or a file name in Cyrillic on a Western system, or such a Temp folder.
// The installer is copied there and started through the wide-character API,
// as Explorer starts it; the stand-in engine's record tells whether the
// launcher read its own package, extracted it and started the engine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::Quote;

constexpr DWORD kRunTimeoutMs = 90000;
// The launcher's exit code is the engine's; the engine ends with this one.
constexpr DWORD kEngineExitCode = 3;
// A name that no Western ANSI code page holds.
const std::wstring kCyrillic = L"\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u043a\u0430";

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return wide;
}

// The ANSI form of `text`, or empty when the code page cannot hold it.
std::string LosslessAnsi(const std::wstring& text) {
  std::string ansi(text.size() * 2, '\0');
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                           static_cast<int>(text.size()), ansi.data(),
                                           static_cast<int>(ansi.size()), nullptr, &usedDefault);
  if (length <= 0 || usedDefault)
    return {};
  ansi.resize(static_cast<size_t>(length));
  return ansi;
}

std::wstring LongPath(const std::wstring& path) {
  std::wstring buffer(32768, L'\0');
  const DWORD length = ::GetLongPathNameW(path.c_str(), buffer.data(), 32768);
  buffer.resize(length < 32768 ? length : 0);
  return buffer;
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  FindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &found));
  if (find) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..")
        continue;
      const std::wstring path = dir + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
      }
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  ::RemoveDirectoryW(dir.c_str());
}

bool IsEmptyFolder(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  FindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &found));
  if (!find)
    return false;
  do {
    if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
      return false;
  } while (::FindNextFileW(find.get(), &found));
  return true;
}

// Sets an environment variable of this process until the object ends, so
// that a child started meanwhile inherits it; an empty value changes nothing.
class ScopedWideEnv {
 public:
  ScopedWideEnv(const wchar_t* name, const std::wstring& value) : name_(name) {
    if (value.empty())
      return;
    set_ = true;
    std::wstring buffer(32768, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, buffer.data(), 32768);
    had_ = length > 0 && length < 32768;
    old_ = buffer.substr(0, had_ ? length : 0);
    ::SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedWideEnv() {
    if (set_)
      ::SetEnvironmentVariableW(name_.c_str(), had_ ? old_.c_str() : nullptr);
  }
  ScopedWideEnv(const ScopedWideEnv&) = delete;
  ScopedWideEnv& operator=(const ScopedWideEnv&) = delete;

 private:
  std::wstring name_;
  std::wstring old_;
  bool set_ = false;
  bool had_ = false;
};

// The files in the sub-folders of `dir` (the working folders in a Temp
// folder): the CRC of each (as the engine gives it) by name.
std::map<std::string, std::string> FilesInSubfolders(const std::wstring& dir) {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAW folder;
  FindHandle folders(::FindFirstFileW((dir + L"\\*").c_str(), &folder));
  if (!folders)
    return files;
  do {
    const std::wstring sub = dir + L"\\" + folder.cFileName;
    if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || folder.cFileName[0] == L'.')
      continue;
    WIN32_FIND_DATAW found;
    FindHandle find(::FindFirstFileW((sub + L"\\*").c_str(), &found));
    if (!find)
      continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        continue;
      FileHandle file(::CreateFileW((sub + L"\\" + found.cFileName).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
      std::string bytes(found.nFileSizeLow, '\0');
      DWORD read = 0;
      if (file && ::ReadFile(file.get(), bytes.data(), found.nFileSizeLow, &read, nullptr))
        files[LosslessAnsi(found.cFileName)] = test::Crc32Text(bytes.substr(0, read));
    } while (::FindNextFileW(find.get(), &found));
  } while (::FindNextFileW(folders.get(), &folder));
  return files;
}

struct SetupRun {
  bool finished = false;
  DWORD exitCode = 0xDEAD;
  std::vector<std::string> boxes;  // the text of every box the launcher showed
  std::string trace;
  // With a Temp folder given: the files seen in its sub-folders meanwhile,
  // as FilesInSubfolders gives them (the last sight of each).
  std::map<std::string, std::string> tempFiles;
};

// Starts `exe` with its own folder as the current one (TEMP and TMP set to
// `temp` for it when not empty), answers every box of the launcher with its
// first button and waits until it has ended.
SetupRun RunInstaller(const std::wstring& exe, const std::wstring& temp) {
  SetupRun run;
  test::DebugViewer viewer;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
  BOOL started = FALSE;
  {
    const ScopedWideEnv tempVariable(L"TEMP", temp);
    const ScopedWideEnv tmpVariable(L"TMP", temp);
    started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.c_str(), &startup, &info);
  }
  if (!started) {
    ADD_FAILURE() << "cannot start the installer: error " << ::GetLastError();
    return run;
  }
  KernelObject process(info.hProcess);
  KernelObject thread(info.hThread);
  std::set<HWND> answered;
  const DWORD start = ::GetTickCount();
  while (::WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0) {
    test::PumpMessages();
    if (!temp.empty()) {
      for (auto& file : FilesInSubfolders(temp))
        run.tempFiles[file.first] = file.second;
    }
    for (HWND box = ::FindWindowExA(nullptr, nullptr, "ZMsgBox", nullptr); box != nullptr;
         box = ::FindWindowExA(nullptr, box, "ZMsgBox", nullptr)) {
      if (!::IsWindowVisible(box) || answered.count(box) != 0)
        continue;
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutA(box, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
      std::string text;
      HWND button = nullptr;
      for (HWND c = ::GetWindow(box, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char name[64] = {};
        ::GetClassNameA(c, name, sizeof name);
        if (::lstrcmpiA(name, "Button") != 0)
          text += test::WindowText(c);
        else if (button == nullptr)
          button = c;
      }
      run.boxes.push_back(text);
      ::PostMessageA(button != nullptr ? button : box, button != nullptr ? BM_CLICK : WM_CLOSE, 0,
                     0);
      answered.insert(box);
    }
    if (::GetTickCount() - start > kRunTimeoutMs) {
      ::TerminateProcess(process.get(), 0xDEAD);
      ADD_FAILURE() << "the installer did not end in time";
      break;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  run.finished = ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
  test::PumpMessages();
  ::GetExitCodeProcess(process.get(), &run.exitCode);
  run.trace = viewer.Text();
  return run;
}

// The value of `/name="..."` in a command line; empty when it is missing.
std::string QuotedSwitch(const std::string& commandLine, const std::string& name) {
  const std::string key = "/" + name + "=\"";
  const size_t at = commandLine.find(key);
  if (at == std::string::npos)
    return {};
  const size_t end = commandLine.find('"', at + key.size());
  return commandLine.substr(at + key.size(), end - at - key.size());
}

struct NonAnsiCase {
  const char* label;
  bool installerFolderCyrillic;  // the installer lies in a Cyrillic folder
  bool tempCyrillic;             // TEMP and TMP name a Cyrillic folder
  std::wstring exeName;
};

// Builds an installer whose engine records its run, copies it where `c`
// says, runs it and checks that the setup went through.
void InstallFrom(const NonAnsiCase& c, const std::string& dir) {
  const std::string payload = "the product's data\r\n";
  const std::string record = dir + "\\record.txt";
  const std::string readme = test::WriteTestFile(dir + "\\readme.txt", payload);
  // In a Temp folder of its own, the engine stays a while, so that the test
  // sees the files it was given.
  const std::string engineArguments = "/Record=\"" + record +
                                      "\" /ExitCode=" + std::to_string(kEngineExitCode) +
                                      (c.tempCyrillic ? " /RunMs=1500" : "");
  ASSERT_EQ(
      test::RunStubpackBuild({"--stub", Quote(test::StubExe()), "-o", Quote(dir + "\\built.exe"),
                              "--file", Quote(test::EngineExe() + "=engine.exe*" + engineArguments),
                              "--file", Quote(readme + "=readme.txt")}),
      0);

  // The test's scratch folders are removed through the ANSI API, which
  // cannot name this one.
  const std::wstring cyrillicDir = Wide(dir) + L"\\" + kCyrillic;
  struct Remove {
    std::wstring dir;
    ~Remove() { RemoveTree(dir); }
  } remove{cyrillicDir};
  RemoveTree(cyrillicDir);
  ASSERT_TRUE(::CreateDirectoryW(cyrillicDir.c_str(), nullptr));
  const std::wstring exe =
      (c.installerFolderCyrillic ? cyrillicDir : Wide(dir)) + L"\\" + c.exeName;
  ASSERT_TRUE(::CopyFileW(Wide(dir + "\\built.exe").c_str(), exe.c_str(), FALSE));
  const std::wstring temp = cyrillicDir + L"\\" + kCyrillic + L" Temp";
  if (c.tempCyrillic) {
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));
  }

  const SetupRun run = RunInstaller(exe, c.tempCyrillic ? temp : std::wstring());
  std::string boxes;
  for (const std::string& b : run.boxes)
    boxes += "[" + b + "]\n";
  EXPECT_TRUE(run.finished);
  EXPECT_TRUE(run.boxes.empty()) << boxes;
  EXPECT_EQ(run.exitCode, kEngineExitCode) << run.trace;

  const std::vector<test::EngineRecord> records = test::ReadEngineRecords(record);
  ASSERT_EQ(records.size(), 1u) << "the engine did not run";
  const test::EngineRecord& r = records[0];
  // The engine lists the folder that GetModuleFileNameA names, which Wine
  // gives in the long form even to a program started by its short name: in
  // a Cyrillic Temp folder the test looks at the files itself.
  std::map<std::string, std::string> files = run.tempFiles;
  if (!c.tempCyrillic) {
    for (const auto& f : r.files)
      files[f.first] = f.second.crc;
  }
  EXPECT_EQ(files, (std::map<std::string, std::string>{
                       {"engine.exe", test::Crc32Text(test::ReadWholeFile(test::EngineExe()))},
                       {"readme.txt", test::Crc32Text(payload)}}));
  // The engine gets the package's arguments first (nothing of the
  // installer's own path) and a name of the installer it can open.
  const size_t program = r.commandLine.find("engine.exe");
  ASSERT_NE(program, std::string::npos) << r.commandLine;
  std::string arguments = r.commandLine.substr(program + std::strlen("engine.exe"));
  if (!arguments.empty() && arguments[0] == '"')
    arguments.erase(0, 1);
  EXPECT_EQ(arguments.rfind(" /Record=", 0), 0u) << r.commandLine;
  const std::string origin = QuotedSwitch(r.commandLine, "OriginExe");
  EXPECT_EQ(origin.find('?'), std::string::npos) << origin;
  EXPECT_EQ(::lstrcmpiW(LongPath(Wide(origin)).c_str(), LongPath(exe).c_str()), 0) << origin;
  if (c.tempCyrillic) {
    // The launcher removed its working folder (a moment after it ended,
    // when Wine has let go of the files of the ended engine).
    EXPECT_TRUE(test::PumpUntil([&] { return IsEmptyFolder(temp); }, 10000));
  }
}

TEST(NonAnsiPathScenario, InstallerRunsWhereTheAnsiCodePageCannotNameThePath) {
  if (!LosslessAnsi(kCyrillic).empty())
    GTEST_SKIP() << "the ANSI code page of this system holds Cyrillic names";
  const NonAnsiCase cases[] = {
      {"installer in a Cyrillic folder", true, false, L"setup.exe"},
      {"Temp folder with a Cyrillic name", false, true, L"setup.exe"},
      {"installer with a Cyrillic name", false, false, kCyrillic + L".exe"},
      {"all of them", true, true, kCyrillic + L".exe"},
  };
  int index = 0;
  for (const NonAnsiCase& c : cases) {
    SCOPED_TRACE(c.label);
    InstallFrom(c, test::ScratchDir("non-ansi-" + std::to_string(index++)));
  }
}

}  // namespace
}  // namespace orvane
