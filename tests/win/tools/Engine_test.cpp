// The stand-in setup engine as the launcher uses it: started as a process in
// a folder of known files, with the confirmation atom added beforehand. Its
// record (command line, show state, folders, atom, files with sizes, dates
// and CRC-32s), its exit code, the dialog window it leaves behind after it
// has ended, and the demo installation with its window.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::Quote;
using test::ReadWholeFile;
using test::ScratchDir;

// A fresh TH_ID value ("_<n>") per run, so that runs never see each other's
// atoms or windows.
std::string NewThId() {
  static int count = 0;
  return "_" + std::to_string(::GetCurrentProcessId()) + "x" + std::to_string(++count);
}

std::string AtomName(const std::string& thId) {
  return "AutoUpdateAtomTokenByOrvane" + thId;
}

std::string DialogClass(const std::string& thId) {
  return ".SDialog_Class_Name." + thId;
}

// The atom the launcher adds before it starts the engine; removed again at
// the end of the test when the engine left it.
class LauncherAtom {
 public:
  explicit LauncherAtom(const std::string& thId) : name_(AtomName(thId)) {
    ::GlobalAddAtomA(name_.c_str());
  }
  ~LauncherAtom() {
    if (const ATOM atom = ::GlobalFindAtomA(name_.c_str()))
      ::GlobalDeleteAtom(atom);
  }
  LauncherAtom(const LauncherAtom&) = delete;
  LauncherAtom& operator=(const LauncherAtom&) = delete;
  bool Present() const { return ::GlobalFindAtomA(name_.c_str()) != 0; }

 private:
  std::string name_;
};

// The engine as a process started with a show state, as the launcher starts it.
class EngineProcess {
 public:
  EngineProcess(const std::string& commandLine, WORD show, const std::string& workDir = {}) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info{};
    std::string line = commandLine;
    if (::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                         workDir.empty() ? nullptr : workDir.c_str(), &startup, &info)) {
      process_.reset(info.hProcess);
      ::CloseHandle(info.hThread);
      id_ = info.dwProcessId;
    }
  }
  bool Started() const { return process_.valid(); }
  DWORD Id() const { return id_; }
  // The exit code, or -1 when the process did not end in time (it is then ended).
  int64_t Wait(DWORD timeoutMs = 30000) {
    if (!process_)
      return -1;
    if (::WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
      ::TerminateProcess(process_.get(), 0xDEAD);
      ::WaitForSingleObject(process_.get(), 5000);
      return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  KernelObject process_;
  DWORD id_ = 0;
};

int64_t RunEngine(const std::string& commandLine, WORD show = SW_SHOWNORMAL,
                  const std::string& workDir = {}) {
  EngineProcess engine(commandLine, show, workDir);
  return engine.Wait();
}

// ---------------------------------------------------------------------------
// The record

struct Record {
  std::vector<std::pair<std::string, std::string>> lines;  // key, value; "end" excluded
  std::string Value(const std::string& key) const {
    for (const auto& [k, v] : lines)
      if (k == key)
        return v;
    return "<none>";
  }
  std::vector<std::string> All(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& [k, v] : lines)
      if (k == key)
        values.push_back(v);
    return values;
  }
};

// Every complete record of the file, in order.
std::vector<Record> ReadRecords(const std::string& path) {
  std::vector<Record> records;
  Record current;
  const std::string text = ReadWholeFile(path);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    if (line == "end") {
      records.push_back(current);
      current = {};
      continue;
    }
    const size_t eq = line.find('=');
    current.lines.emplace_back(line.substr(0, eq),
                               eq == std::string::npos ? std::string() : line.substr(eq + 1));
  }
  return records;
}

// ---------------------------------------------------------------------------
// A folder the launcher might have extracted

// Bit by bit, as the CRC-32 of zip and zlib is defined.
uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const unsigned char byte : data) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string Hex8(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

constexpr uint32_t MakeDos(int year, int month, int day, int hour, int minute, int second) {
  return (static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16) |
         static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
}

struct KnownFile {
  const char* relative;
  std::string content;
  SYSTEMTIME local;  // the modification time, local
  std::string crc;   // empty: computed here
};

std::string BigContent() {
  // Over 3 MiB, so that the engine reads it in several chunks.
  std::string data(3 * 1024 * 1024 + 5, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>((i * 31 + i / 4093) & 0xFF);
  return data;
}

const std::vector<KnownFile>& KnownFiles() {
  // Sorted as the record sorts them; the engine itself comes between "a" and "s".
  static const std::vector<KnownFile> files = {
      {"a.txt", "123456789", {2021, 6, 2, 15, 10, 20, 30, 0}, "cbf43926"},
      {"big.bin", BigContent(), {2024, 2, 4, 29, 12, 0, 0, 0}, ""},
      {"sub\\b.bin",
       "The quick brown fox jumps over the lazy dog",
       {1999, 12, 5, 31, 23, 59, 58, 0},
       "414fa339"},
      {"sub\\deeper\\empty.txt", "", {2010, 1, 6, 2, 3, 4, 6, 0}, "00000000"},
  };
  return files;
}

std::string ExpectedFileLine(const KnownFile& f, bool hashed = true) {
  const SYSTEMTIME& t = f.local;
  return std::string(f.relative) + "|" + std::to_string(f.content.size()) + "|" +
         std::to_string(MakeDos(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond)) + "|" +
         (!hashed         ? "-"
          : f.crc.empty() ? Hex8(Crc32(f.content))
                          : f.crc);
}

bool WriteFileWithDate(const std::string& path, const std::string& content,
                       const SYSTEMTIME& local) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  FILETIME localTime;
  FILETIME utc;
  return file &&
         ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
         written == content.size() && ::SystemTimeToFileTime(&local, &localTime) &&
         ::LocalFileTimeToFileTime(&localTime, &utc) &&
         ::SetFileTime(file.get(), nullptr, nullptr, &utc);
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// <root>\work with the engine and the known files; returns the folder.
std::string PrepareEngineFolder(const std::string& root) {
  const std::string folder = root + "\\work";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ::CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
  ::CreateDirectoryA((folder + "\\sub\\deeper").c_str(), nullptr);
  EXPECT_TRUE(test::CopyFileTo(test::EngineExe(), folder + "\\engine.exe")) << test::EngineExe();
  for (const KnownFile& f : KnownFiles())
    EXPECT_TRUE(WriteFileWithDate(folder + "\\" + f.relative, f.content, f.local)) << f.relative;
  return folder;
}

std::string EngineCommand(const std::string& folder, const std::string& switches,
                          const std::string& thId) {
  return folder + "\\engine.exe " + switches + " /TH_ID=" + thId +
         " /OriginExe=\"C:\\Program Files\\Acme\\setup.exe\"";
}

// ---------------------------------------------------------------------------

TEST(EngineStandIn, RecordsWhatItWasGivenAndTheFilesOfItsFolder) {
  const std::string root = ScratchDir("engine-record");
  const std::string folder = PrepareEngineFolder(root);
  const std::string recordDir = root + "\\record dir";
  ::CreateDirectoryA(recordDir.c_str(), nullptr);
  const std::string record = recordDir + "\\record.txt";
  const std::string thId = NewThId();
  LauncherAtom atom(thId);
  ASSERT_TRUE(atom.Present());

  // Switch names in any case, a quoted value with a blank, and a trailing
  // switch of the launcher's own.
  const std::string command =
      EngineCommand(folder, "/Setup=yes /rECORD=" + Quote(record), thId) + " /AutoUpdateProg";
  EXPECT_EQ(RunEngine(command, SW_SHOWNORMAL, root), 0);

  const std::vector<Record> records = ReadRecords(record);
  ASSERT_EQ(records.size(), 1u) << ReadWholeFile(record);
  const Record& r = records[0];
  EXPECT_EQ(r.Value("cmdline"), command);
  EXPECT_EQ(r.Value("show"), std::to_string(SW_SHOWNORMAL));
  EXPECT_EQ(::lstrcmpiA(r.Value("cwd").c_str(), root.c_str()), 0) << r.Value("cwd");
  EXPECT_EQ(::lstrcmpiA(r.Value("folder").c_str(), folder.c_str()), 0) << r.Value("folder");
  EXPECT_EQ(r.Value("atom"), "deleted");
  EXPECT_FALSE(atom.Present());
  EXPECT_EQ(r.Value("exit"), "0");

  const std::vector<std::string> files = r.All("file");
  ASSERT_EQ(files.size(), KnownFiles().size() + 1) << ReadWholeFile(record);
  EXPECT_EQ(files[0], ExpectedFileLine(KnownFiles()[0]));
  EXPECT_EQ(files[1], ExpectedFileLine(KnownFiles()[1]));
  EXPECT_EQ(files[2].rfind("engine.exe|" + std::to_string(FileSize(test::EngineExe())) + "|", 0),
            0u)
      << files[2];
  EXPECT_EQ(files[3], ExpectedFileLine(KnownFiles()[2]));
  EXPECT_EQ(files[4], ExpectedFileLine(KnownFiles()[3]));

  // A second run appends its record; /NoHash leaves the hashes out.
  const std::string secondId = NewThId();
  EXPECT_EQ(RunEngine(EngineCommand(folder, "/NoHash /Record=" + Quote(record), secondId)), 0);
  const std::vector<Record> both = ReadRecords(record);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].lines, r.lines);
  EXPECT_EQ(both[1].Value("atom"), "missing");
  const std::vector<std::string> unhashed = both[1].All("file");
  ASSERT_EQ(unhashed.size(), files.size());
  EXPECT_EQ(unhashed[0], ExpectedFileLine(KnownFiles()[0], false));
  EXPECT_EQ(unhashed[4], ExpectedFileLine(KnownFiles()[3], false));
}

TEST(EngineStandIn, ExitCodeAndAtomFollowTheSwitches) {
  struct Case {
    const char* switches;
    bool addAtom;
    DWORD exitCode;
    const char* atomLine;
    bool atomLeft;
  };
  const Case cases[] = {
      {"", true, 0, "deleted", false},
      {"/ExitCode=3", true, 3, "deleted", false},
      {"/EXITCODE=1603 /keepatom", true, 1603, "kept", true},
      {"/ExitCode=-2147024894", true, 0x80070002u, "deleted", false},
      {"/ExitCode=7", false, 7, "missing", false},
  };
  const std::string root = ScratchDir("engine-exit");
  const std::string folder = PrepareEngineFolder(root);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switches);
    const std::string record = root + "\\record.txt";
    ::DeleteFileA(record.c_str());
    const std::string thId = NewThId();
    std::unique_ptr<LauncherAtom> atom;
    if (c.addAtom)
      atom = std::make_unique<LauncherAtom>(thId);
    EXPECT_EQ(
        RunEngine(EngineCommand(
            folder, std::string(c.switches) + " /Record=" + Quote(record) + " /NoHash", thId)),
        c.exitCode);
    const std::vector<Record> records = ReadRecords(record);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Value("atom"), c.atomLine);
    EXPECT_EQ(records[0].Value("exit"), std::to_string(c.exitCode));
    EXPECT_EQ(::GlobalFindAtomA(AtomName(thId).c_str()) != 0, c.atomLeft);
  }
}

TEST(EngineStandIn, DialogWindowOutlivesTheEngineInItsShowState) {
  const std::string folder = PrepareEngineFolder(ScratchDir("engine-dialog"));
  for (const WORD show : {WORD{SW_SHOWNORMAL}, WORD{SW_HIDE}}) {
    SCOPED_TRACE("show " + std::to_string(show));
    const std::string thId = NewThId();
    LauncherAtom atom(thId);
    EngineProcess engine(EngineCommand(folder, "/DialogMs=3000 /ExitCode=4", thId), show);
    ASSERT_TRUE(engine.Started());
    EXPECT_EQ(engine.Wait(), 4);
    EXPECT_FALSE(atom.Present());

    // The engine has ended; its second copy owns the window.
    HWND window = ::FindWindowA(DialogClass(thId).c_str(), nullptr);
    ASSERT_NE(window, nullptr);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    EXPECT_NE(owner, engine.Id());
    EXPECT_EQ(::IsWindowVisible(window) != 0, show != SW_HIDE);

    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i) {
      ::Sleep(100);
      gone = ::FindWindowA(DialogClass(thId).c_str(), nullptr) == nullptr;
    }
    EXPECT_TRUE(gone) << "the dialog window is still open after 30 s";
  }
}

bool SameContent(const std::string& a, const std::string& b) {
  return test::FileExists(a) && test::FileExists(b) && ReadWholeFile(a) == ReadWholeFile(b);
}

TEST(EngineStandIn, InstallCopiesItsFolderExceptItself) {
  const std::string root = ScratchDir("engine-install");
  const std::string folder = PrepareEngineFolder(root);
  const std::string target = root + "\\Program Files\\Demo\\App";
  const std::string record = root + "\\record.txt";
  EXPECT_EQ(RunEngine(EngineCommand(
                          folder, "/Install=" + Quote(target) + " /NoHash /Record=" + Quote(record),
                          NewThId()),
                      SW_HIDE),
            0);
  for (const KnownFile& f : KnownFiles()) {
    EXPECT_TRUE(SameContent(folder + "\\" + f.relative, target + "\\" + f.relative)) << f.relative;
  }
  EXPECT_FALSE(test::FileExists(target + "\\engine.exe"));

  const std::vector<Record> records = ReadRecords(record);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Value("install"), target);
  EXPECT_EQ(records[0].All("copied"),
            (std::vector<std::string>{"a.txt", "big.bin", "sub\\b.bin", "sub\\deeper\\empty.txt"}));
  EXPECT_TRUE(records[0].All("copyfailed").empty());
}

TEST(EngineStandIn, FailedCopiesAreRecordedAndMakeTheExitCodeNonZero) {
  struct Case {
    const char* switches;
    DWORD exitCode;
  };
  const Case cases[] = {{"", 1}, {"/ExitCode=5", 5}};
  const std::string root = ScratchDir("engine-install-fails");
  const std::string folder = PrepareEngineFolder(root);
  // A file where the copy needs the folder "sub".
  const std::string target = root + "\\target";
  ::CreateDirectoryA(target.c_str(), nullptr);
  test::WriteTestFile(target + "\\sub", "in the way");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.switches);
    const std::string record = root + "\\record.txt";
    ::DeleteFileA(record.c_str());
    EXPECT_EQ(RunEngine(EngineCommand(folder,
                                      std::string(c.switches) + " /Install=" + Quote(target) +
                                          " /NoHash /Record=" + Quote(record),
                                      NewThId()),
                        SW_HIDE),
              c.exitCode);
    const std::vector<Record> records = ReadRecords(record);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].All("copied"), (std::vector<std::string>{"a.txt", "big.bin"}));
    const std::vector<std::string> failed = records[0].All("copyfailed");
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[0].rfind("sub\\b.bin|", 0), 0u) << failed[0];
    EXPECT_EQ(failed[1].rfind("sub\\deeper\\empty.txt|", 0), 0u) << failed[1];
    EXPECT_EQ(records[0].Value("exit"), std::to_string(c.exitCode));
  }
}

// The demo window, found by its title once it is shown; null when it did
// not appear in 30 s.
HWND WaitForInstallWindow(EngineProcess& engine) {
  for (int i = 0; i < 300; ++i) {
    HWND window = ::FindWindowA(nullptr, "Orvane demo engine");
    DWORD owner = 0;
    if (window && ::GetWindowThreadProcessId(window, &owner) && owner == engine.Id() &&
        ::IsWindowVisible(window))
      return window;
    ::Sleep(100);
  }
  return nullptr;
}

// The text of a control of another process (GetWindowText would only give
// the caption this process knows of).
std::string TextOf(HWND window) {
  const LRESULT length = ::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(
      ::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

TEST(EngineStandIn, InstallWindowReportsAndClosesByItselfOrByTheUser) {
  const std::string root = ScratchDir("engine-install-window");
  const std::string folder = PrepareEngineFolder(root);
  for (const bool userCloses : {true, false}) {
    SCOPED_TRACE(userCloses ? "closed with OK" : "closes by itself");
    const std::string target = root + (userCloses ? "\\by-user" : "\\by-itself");
    // The user's run would wait ten minutes without the click.
    const std::string showMs = userCloses ? "600000" : "1500";
    EngineProcess engine(
        EngineCommand(folder, "/Install=" + Quote(target) + " /ShowMs=" + showMs + " /ExitCode=2",
                      NewThId()),
        SW_SHOWNORMAL);
    ASSERT_TRUE(engine.Started());
    HWND window = WaitForInstallWindow(engine);
    ASSERT_NE(window, nullptr);
    const std::string text = TextOf(::FindWindowExA(window, nullptr, "EDIT", nullptr));
    EXPECT_NE(text.find(target), std::string::npos) << text;
    EXPECT_NE(text.find("sub\\deeper\\empty.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("Exit code: 2"), std::string::npos) << text;
    if (userCloses)
      ::PostMessageA(::FindWindowExA(window, nullptr, "BUTTON", "OK"), BM_CLICK, 0, 0);
    EXPECT_EQ(engine.Wait(), 2);
    EXPECT_TRUE(SameContent(folder + "\\a.txt", target + "\\a.txt"));
  }
}

}  // namespace
}  // namespace orvane
