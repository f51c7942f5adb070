// The launcher's extraction met as a user meets it: installers built by
// stubpack, the real launcher started as a process, its message boxes read
// and answered from outside, the stand-in engine's record telling what the
// extraction left in the working folder.
//
// ExtractionVolumeScenario: packages spread over volumes (the launcher first,
// or a relaunch stub with NAME.001): a missing volume and its disk prompt,
// the registry's forced prompt, a volume that fails its checksum.
// ExtractionFileScenario: a file that cannot be written, the auto-update
// agent copy, an entry name that would leave the working folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "package/PackXWin.h"
#include "util/Handles.h"

namespace orvane {
namespace {

using test::Quote;

// A run of the launcher takes about 6 s of its own waits; this is the limit
// after which a hanging run is ended.
constexpr DWORD kRunTimeoutMs = 90000;
// The launcher's exit code is the engine's; the engine of these packages
// ends with this one.
constexpr DWORD kEngineExitCode = 3;

// ---------------------------------------------------------------------------
// Files and folders

// A DOS date-time, (date << 16) | time, as the builder stores it: the UTC
// clock of the source's time, which the launcher gives the extracted file as
// local time.
constexpr uint32_t DosDate(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) |
                               (minute << 5) | (second / 2));
}

bool SetDosDate(const std::string& path, uint32_t dosDate) {
  FILETIME utc{};
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dosDate >> 16), static_cast<WORD>(dosDate), &utc))
    return false;
  FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return file && ::SetFileTime(file.get(), nullptr, nullptr, &utc);
}

int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return -1;
  return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Bytes that zlib cannot shrink, so that stubpack stores them as they are.
std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes)
    c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Removes a folder with its files, read-only ones too.
void RemoveFolder(const std::string& dir) {
  WIN32_FIND_DATAA found;
  FindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &found));
  if (find) {
    do {
      const std::string path = dir + "\\" + found.cFileName;
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find.get(), &found));
  }
  find.reset();
  ::RemoveDirectoryA(dir.c_str());
}

// The working folder of an installer: Temp + "SETUP_" + the time half of
// its DOS modification date-time.
std::string WorkingFolderOf(const std::string& exe) {
  return test::TempFolder() + "SETUP_" + std::to_string(test::FileDosDate(exe) & 0xFFFF);
}

// One program argument as the C runtime splits command lines: quoted, with
// quotes inside escaped.
std::string QuoteArgument(const std::string& text) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

// ---------------------------------------------------------------------------
// Packages

// A file as it goes into a package and should come out of it.
struct PackedFile {
  std::string name;
  std::string bytes;
  uint32_t dosDate = 0;
  bool start = false;     // the program the launcher starts
  std::string arguments;  // its extra arguments
};

constexpr uint32_t kEngineDate = DosDate(2003, 1, 15, 10, 20, 30);

// The stand-in engine as the package's start entry: it writes its record
// (command line, files beside it) to `record` and ends with kEngineExitCode.
PackedFile EngineEntry(const std::string& record, const std::string& moreArguments = {}) {
  PackedFile engine{"engine.exe", test::ReadWholeFile(test::EngineExe()), kEngineDate, true, {}};
  engine.arguments =
      "/Record=\"" + record + "\" /ExitCode=" + std::to_string(kEngineExitCode) + moreArguments;
  return engine;
}

// Writes `files` with their dates below dir\src and builds dir\setup.exe
// with the stubpack options `options`; true when stubpack succeeded.
bool BuildInstaller(const std::string& dir, const std::vector<PackedFile>& files,
                    const std::vector<std::string>& options) {
  const std::string sources = dir + "\\src";
  ::CreateDirectoryA(sources.c_str(), nullptr);
  std::vector<std::string> arguments = {"--stub", Quote(test::StubExe()), "-o",
                                        Quote(dir + "\\setup.exe")};
  for (const PackedFile& f : files) {
    const std::string source = sources + "\\" + f.name;
    if (!test::WriteBytes(source, f.bytes) || !SetDosDate(source, f.dosDate)) {
      ADD_FAILURE() << "cannot write " << source;
      return false;
    }
    arguments.push_back("--file");
    arguments.push_back(
        QuoteArgument(source + "=" + f.name + (f.start ? "*" + f.arguments : std::string())));
  }
  arguments.insert(arguments.end(), options.begin(), options.end());
  const int exitCode = test::RunStubpackBuild(arguments);
  EXPECT_EQ(exitCode, 0) << "stubpack build failed";
  return exitCode == 0;
}

// The record lists exactly the packed files (and `extra` names) with their
// sizes, contents and dates.
void ExpectExtracted(const test::EngineRecord& record, const std::vector<PackedFile>& files,
                     const std::set<std::string>& extra = {}) {
  std::set<std::string> expected = extra;
  for (const PackedFile& f : files)
    expected.insert(f.name);
  std::set<std::string> found;
  for (const auto& entry : record.files)
    found.insert(entry.first);
  EXPECT_EQ(found, expected);
  for (const PackedFile& f : files) {
    const auto it = record.files.find(f.name);
    if (it == record.files.end())
      continue;
    EXPECT_EQ(it->second.size, static_cast<int64_t>(f.bytes.size())) << f.name;
    EXPECT_EQ(it->second.crc, test::Crc32Text(f.bytes)) << f.name;
    if (f.dosDate != 0) {
      EXPECT_EQ(it->second.dosDate, f.dosDate) << f.name;
    }
  }
}

// ---------------------------------------------------------------------------
// Message boxes from outside

// A box of the launcher as the user sees it.
struct Box {
  std::string caption;
  std::string heading;  // the bold first line
  std::string body;     // the message below it; line breaks as "\n"
};

std::string ClassOf(HWND window) {
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

std::string WithoutAmpersands(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

// Line breaks of the text control (CR LF, or CR alone) as "\n".
std::string UnixLines(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

Box ReadBox(HWND window) {
  Box box;
  box.caption = test::WindowText(window);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::lstrcmpiA(ClassOf(child).c_str(), "Button") == 0)
      continue;
    std::string text = UnixLines(test::WindowText(child));
    const size_t gap = text.find("\n\n");
    box.heading = text.substr(0, gap);
    box.body = gap == std::string::npos ? std::string() : text.substr(gap + 2);
    while (!box.body.empty() && box.body.back() == '\n')
      box.body.pop_back();
  }
  return box;
}

// Clicks the button of that caption (without its "&"); false when the box has none.
bool PressButton(HWND window, const std::string& caption) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 &&
        WithoutAmpersands(test::WindowText(child)) == caption) {
      ::PostMessageA(child, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

HWND FindBox(const std::set<HWND>& answered) {
  for (HWND w = ::FindWindowExA(nullptr, nullptr, "ZMsgBox", nullptr); w != nullptr;
       w = ::FindWindowExA(nullptr, w, "ZMsgBox", nullptr)) {
    if (::IsWindowVisible(w) && answered.count(w) == 0)
      return w;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// A run of the launcher

// What the test does with a box: the caption of the button to press.
using BoxAnswer = std::function<std::string(const Box&)>;

std::string AlwaysOk(const Box&) {
  return "OK";
}

struct SetupRun {
  bool finished = false;
  DWORD exitCode = 0xDEAD;  // of the process that ran the setup
  std::vector<Box> boxes;
  std::string trace;
};

bool Ended(HANDLE process) {
  return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// Starts the installer as a user does and answers its boxes until the setup
// has ended. `relaunches`: the installer reruns itself from the Temp folder
// (".001" layout); the copy is then the process that runs the setup.
// `onTick` runs between the steps of the wait, with the trace so far.
SetupRun RunInstaller(const std::string& exe, const BoxAnswer& answer, bool relaunches = false,
                      const std::function<void(const test::DebugViewer&)>& onTick = {},
                      const std::string& arguments = {}) {
  SetupRun run;
  test::DebugViewer viewer;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string commandLine = Quote(exe) + arguments;
  const std::string dir = exe.substr(0, exe.find_last_of('\\'));
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &startup, &info)) {
    ADD_FAILURE() << "cannot start " << exe;
    return run;
  }
  KernelObject launcher(info.hProcess);
  KernelObject thread(info.hThread);
  DWORD relaunchedPid = 0;  // the copy the installer started, when it relaunches
  KernelObject relaunched;

  std::set<HWND> answered;
  const DWORD start = ::GetTickCount();
  for (;;) {
    test::PumpMessages();
    if (onTick)
      onTick(viewer);
    if (relaunches && relaunchedPid == 0) {
      // Its first trace line names it: "<pid> ==== STUB START ====> ...".
      for (const std::string& line : viewer.Lines()) {
        const DWORD pid = std::strtoul(line.c_str(), nullptr, 10);
        if (pid != 0 && pid != info.dwProcessId &&
            line.find(" ==== STUB START ====> ") != std::string::npos) {
          relaunchedPid = pid;
          relaunched.reset(::OpenProcess(
              SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
          if (!relaunched)
            ADD_FAILURE() << "the relaunched copy " << pid << " has gone before it was seen";
          break;
        }
      }
    }
    if (HWND window = FindBox(answered)) {
      // A message sent to the box comes back once its loop runs.
      DWORD_PTR ignored = 0;
      ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
      const Box box = ReadBox(window);
      run.boxes.push_back(box);
      const std::string button = answer(box);
      if (!PressButton(window, button)) {
        ADD_FAILURE() << "no button \"" << button << "\" in the box " << box.caption << ": "
                      << box.body;
        ::PostMessageA(window, WM_CLOSE, 0, 0);
      }
      answered.insert(window);
      if (test::PumpUntil([&] { return !::IsWindow(window); }, 10000))
        answered.erase(window);
      else
        ADD_FAILURE() << "the box " << box.caption << " stayed after the answer";
    }
    const bool setupGone =
        Ended(launcher.get()) &&
        (!relaunches || (relaunchedPid != 0 && (!relaunched || Ended(relaunched.get()))));
    if (setupGone) {
      run.finished = true;
      break;
    }
    if (::GetTickCount() - start > kRunTimeoutMs) {
      // Only the processes of this run are ended, by their handles.
      ::TerminateProcess(launcher.get(), 0xDEAD);
      if (relaunched)
        ::TerminateProcess(relaunched.get(), 0xDEAD);
      ADD_FAILURE() << "the installer did not end in time";
      break;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  test::PumpMessages();  // trace sent just before the end
  ::GetExitCodeProcess(relaunches && relaunched ? relaunched.get() : launcher.get(), &run.exitCode);
  run.trace = viewer.Text();
  return run;
}

bool EngineStarted(const SetupRun& run) {
  return run.trace.find(" ==== WinExec(Engine.exe) >>") != std::string::npos;
}

// Leaves no working folder behind: a relaunched copy removes its own through
// a script that runs after it has ended; a failed run may leave it.
void CleanWorkingFolder(const std::string& folder, DWORD waitMs) {
  test::PumpUntil([&] { return !IsDirectory(folder); }, waitMs);
  if (IsDirectory(folder))
    RemoveFolder(folder);
}

std::string Describe(const std::vector<Box>& boxes) {
  std::string text;
  for (const Box& b : boxes)
    text += "[" + b.caption + "] " + b.heading + " / " + b.body + "\n";
  return text;
}

// ---------------------------------------------------------------------------
// Volumes

// The registry value that asks for every further volume; removed (and the
// keys it needed) when the object ends.
class ForcePromptValue {
 public:
  ForcePromptValue() {
    for (size_t i = 0; i < kKeys.size(); ++i) {
      HKEY key = nullptr;
      existed_[i] = ::RegOpenKeyExA(HKEY_CURRENT_USER, kKeys[i], 0, KEY_READ, &key) == 0;
      RegKey owner(key);
    }
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKeys.back(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS)
      return;
    RegKey key(created);
    set_ = ::RegSetValueExA(key.get(), "ForcePrompt", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"),
                            2) == ERROR_SUCCESS;
  }
  ~ForcePromptValue() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKeys.back(), 0, KEY_SET_VALUE, &opened) == 0) {
      RegKey key(opened);
      ::RegDeleteValueA(key.get(), "ForcePrompt");
    }
    for (size_t i = kKeys.size(); i-- > 0;) {
      if (!existed_[i])
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kKeys[i]);
    }
  }
  ForcePromptValue(const ForcePromptValue&) = delete;
  ForcePromptValue& operator=(const ForcePromptValue&) = delete;

  bool set() const { return set_; }

 private:
  static constexpr std::array<const char*, 3> kKeys = {
      "Software\\Dellomir", "Software\\Dellomir\\Orvane", "Software\\Dellomir\\Orvane\\SpanDisk"};
  std::array<bool, 3> existed_{};
  bool set_ = false;
};

// The files of the volume packages: the engine, a small text and a large
// file that does not compress, so that the volumes fill up.
// Files for volumes of at most `limit` bytes: the random (incompressible)
// big.bin alone fills more than the first two volumes, and everything fits
// in three, whatever the size of the launcher that sets the limit.
std::vector<PackedFile> VolumeFiles(const std::string& record, int64_t limit) {
  return {EngineEntry(record),
          {"readme.txt", "Read me first.\r\n", DosDate(2004, 2, 16, 11, 21, 32), false, {}},
          {"big.bin",
           RandomBytes(static_cast<size_t>(limit + limit / 2), 7),
           DosDate(2005, 3, 17, 12, 22, 34),
           false,
           {}}};
}

// The disk number a prompt asks for, or 0.
int PromptedDisk(const Box& box) {
  const size_t at = box.body.find("DISK #");
  return at == std::string::npos ? 0 : std::atoi(box.body.c_str() + at + 6);
}

TEST(ExtractionVolumeScenario, DiskPromptsForMissingAndForcedVolumes) {
  struct Case {
    const char* label;
    const char* firstVolume;  // stubpack --first-volume
    int missing;              // the volume kept away at the start; 0: none
    int okWithoutDisk;        // OK answers before the volume is put in place
    bool cancel;              // the prompt for the missing volume is cancelled
    bool forcePrompt;         // ForcePrompt = "1" in the registry
    std::vector<int> prompts;
  } cases[] = {
      {"launcher first, DISK #2 missing, put in place, OK", "stub", 2, 0, false, false, {2}},
      {"NAME.001 first, DISK #3 missing, early OK asks again", "001", 3, 1, false, false, {3, 3}},
      {"launcher first, DISK #3 missing, Cancel", "stub", 3, 0, true, false, {3}},
      {"forced prompt for every further volume, all present", "stub", 0, 0, false, true, {2, 3}},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string dir = test::ScratchDir("extraction-volumes-" + std::to_string(index++));
    const std::string record = dir + "\\record.txt";
    // The limit takes the engine's size and 50000 bytes of entries beside
    // the launcher in the first volume; the second holds about as much as the
    // first, the third the rest (the engine's share makes that hold whatever
    // the sizes of launcher and engine).
    const int64_t limit = SizeOf(test::StubExe()) + SizeOf(test::EngineExe()) + 50000;
    const std::vector<PackedFile> files = VolumeFiles(record, limit);
    ASSERT_TRUE(BuildInstaller(
        dir, files, {"--max-volume-size", std::to_string(limit), "--first-volume", c.firstVolume}));
    const std::string exe = dir + "\\setup.exe";
    for (const char* suffix : {".002", ".003"})
      ASSERT_TRUE(test::FileExists(exe + suffix)) << suffix;
    ASSERT_FALSE(test::FileExists(exe + ".004"));
    ASSERT_EQ(test::FileExists(exe + ".001"), std::string(c.firstVolume) == "001");

    const std::string volume = exe + ".00" + std::to_string(c.missing);
    const std::string away = dir + "\\kept-away";
    if (c.missing != 0) {
      ASSERT_TRUE(::MoveFileA(volume.c_str(), away.c_str()));
    }
    const bool relaunches = std::string(c.firstVolume) == "001";
    const std::string workingFolder = WorkingFolderOf(exe);

    std::unique_ptr<ForcePromptValue> force;
    if (c.forcePrompt) {
      force = std::make_unique<ForcePromptValue>();
      ASSERT_TRUE(force->set());
    }
    int okWithoutDisk = c.okWithoutDisk;
    const SetupRun run = RunInstaller(
        exe,
        [&](const Box& box) -> std::string {
          if (c.missing == 0 || PromptedDisk(box) != c.missing)
            return "OK";
          if (c.cancel)
            return "Cancel";
          if (okWithoutDisk > 0) {
            --okWithoutDisk;
            return "OK";
          }
          ::MoveFileA(away.c_str(), volume.c_str());
          return "OK";
        },
        relaunches);
    force.reset();
    CleanWorkingFolder(workingFolder, relaunches ? 20000 : 0);
    ASSERT_TRUE(run.finished);

    std::vector<int> prompts;
    for (const Box& box : run.boxes) {
      prompts.push_back(PromptedDisk(box));
      EXPECT_EQ(box.caption, "Attention");
      EXPECT_EQ(box.heading, "ATTENTION");
      EXPECT_EQ(box.body, "Please insert DISK #" + std::to_string(PromptedDisk(box)) +
                              " and press OK to continue");
    }
    EXPECT_EQ(prompts, c.prompts) << Describe(run.boxes);

    const auto records = test::ReadEngineRecords(record);
    if (c.cancel) {
      EXPECT_EQ(run.exitCode, 1602u);  // ERROR_INSTALL_USEREXIT
      EXPECT_TRUE(records.empty());
      EXPECT_FALSE(EngineStarted(run)) << run.trace;
      continue;
    }
    EXPECT_EQ(run.exitCode, kEngineExitCode);
    ASSERT_EQ(records.size(), 1u) << run.trace;
    // The relaunched copy runs from the working folder, beside the files.
    ExpectExtracted(records[0], files,
                    relaunches ? std::set<std::string>{"Y_setup.exe"} : std::set<std::string>{});
  }
}

TEST(ExtractionVolumeScenario, BadChecksumOfALaterVolumeStopsBeforeTheEngine) {
  const std::string dir = test::ScratchDir("extraction-bad-crc");
  const std::string record = dir + "\\record.txt";
  const std::vector<PackedFile> files = {
      EngineEntry(record),
      {"data.bin", RandomBytes(60000, 11), DosDate(2006, 4, 18, 13, 23, 36), false, {}}};
  // Built once in one file to learn its size; then split so that about
  // 30000 bytes go to the second volume, small enough to carry a checksum.
  // The engine lies whole in the first volume (the launcher's, too large for
  // a checksum): only the second volume's verdict can keep it from running.
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string exe = dir + "\\setup.exe";
  const int64_t whole = SizeOf(exe);
  ASSERT_TRUE(BuildInstaller(dir, files, {"--max-volume-size", std::to_string(whole - 30000)}));
  const std::string second = exe + ".002";
  std::string bytes = test::ReadWholeFile(second);
  ASSERT_FALSE(test::FileExists(exe + ".003"));
  ASSERT_GT(bytes.size(), pack::kTrailerSize);
  ASSERT_LE(bytes.size(), pack::kChecksumMaxFileSize);
  const pack::MemorySource source(bytes);
  ASSERT_NE(pack::ReadTrailer(source).checksum, pack::kNoChecksum) << "no checksum to fail";

  // One byte of the entries, before the trailer.
  bytes[(bytes.size() - pack::kTrailerSize) / 2] ^= 0x5A;
  ASSERT_TRUE(test::WriteBytes(second, bytes));

  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun run = RunInstaller(exe, AlwaysOk);
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
  EXPECT_EQ(run.boxes[0].caption, "Error");
  EXPECT_EQ(run.boxes[0].heading, "ERROR");
  EXPECT_EQ(run.boxes[0].body.rfind("Bad CRC!", 0), 0u) << run.boxes[0].body;
  EXPECT_EQ(run.exitCode, 23u);  // ERROR_CRC
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
  EXPECT_FALSE(EngineStarted(run)) << run.trace;
}

// ---------------------------------------------------------------------------
// Files

TEST(ExtractionFileScenario, FilesThatCannotBeWrittenAreReportedOnceAndNothingStarts) {
  const std::string dir = test::ScratchDir("extraction-write-failure");
  const std::string record = dir + "\\record.txt";
  const std::vector<PackedFile> files = {
      {"one.txt", RandomBytes(1000, 21), DosDate(2007, 5, 19, 14, 24, 38), false, {}},
      {"two.txt", RandomBytes(2000, 22), DosDate(2007, 5, 19, 14, 24, 40), false, {}},
      EngineEntry(record),
      {"three.txt", "three\r\n", DosDate(2007, 5, 19, 14, 24, 42), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string exe = dir + "\\setup.exe";

  // The launcher creates the working folder, waits a second and extracts.
  // In that second another program (this test) creates one.txt and two.txt
  // there and keeps them open without sharing until the extraction is over.
  // (A read-only attribute would not do under Wine run by root: Wine maps it
  // to the Unix write permission, which root ignores.)
  const std::string workingFolder = WorkingFolderOf(exe);
  RemoveFolder(workingFolder);
  ASSERT_FALSE(IsDirectory(workingFolder));
  const std::string old = "old";
  std::vector<FileHandle> held;
  bool planted = false;
  const auto plantAndRelease = [&](const test::DebugViewer& viewer) {
    if (!planted && IsDirectory(workingFolder)) {
      for (const char* name : {"one.txt", "two.txt"}) {
        const std::string path = workingFolder + "\\" + name;
        FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        EXPECT_TRUE(file && ::WriteFile(file.get(), old.data(), static_cast<DWORD>(old.size()),
                                        &written, nullptr))
            << path;
        held.push_back(std::move(file));
      }
      planted = true;
    }
    if (!held.empty() && viewer.Text().find("UnCompressTime:") != std::string::npos)
      held.clear();
  };
  const SetupRun run = RunInstaller(exe, AlwaysOk, false, plantAndRelease);
  held.clear();
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(run.finished);
  ASSERT_TRUE(planted);

  ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
  const Box& box = run.boxes[0];
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.heading, "ERROR");
  // The first file that failed, the system's reason, then the figures.
  const std::string head = workingFolder + "\\one.txt\n\nUnable to save Extracted File!\n\n";
  ASSERT_EQ(box.body.size() > head.size()
                ? ::lstrcmpiA(box.body.substr(0, head.size()).c_str(), head.c_str())
                : 1,
            0)
      << box.body;
  EXPECT_TRUE(std::regex_match(box.body.substr(head.size()),
                               std::regex("[^\n]+\n+  Data Size: \t1000 Bytes\n"
                                          "  File Size:  \t3 Bytes\n"
                                          "  Bytes Free: \t[1-9][0-9]* Bytes")))
      << box.body;

  // An installation from half the files cannot be trusted: the engine does
  // not start, and the exit code says why.
  EXPECT_EQ(run.exitCode, 29u);  // ERROR_WRITE_FAULT
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
  EXPECT_FALSE(EngineStarted(run)) << run.trace;
}

TEST(ExtractionFileScenario, AgentCopyIsTheLauncherWithItsHeaderBlocksAndNoFiles) {
  const std::string dir = test::ScratchDir("extraction-agent-copy");
  const std::string record = dir + "\\record.txt";
  const std::string installed = dir + "\\installed";
  // The engine copies its folder out; its window closes at once.
  const std::vector<PackedFile> files = {
      EngineEntry(record, " /Install=\"" + installed + "\" /ShowMs=1"),
      {"readme.txt", "Agent test\r\n", DosDate(2008, 6, 20, 15, 25, 44), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files,
                             {"--flag", "AgentCopy", "--set", "Internet.AgentFile=Agent.exe",
                              "--set", "Internet.ProductToken=PT-agent-copy", "--set",
                              "Internet.InfoUrl=http://updates.example.com/orvane", "--set",
                              QuoteArgument("Language.English.s0=Agent Copy Setup")}));
  const std::string exe = dir + "\\setup.exe";
  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun run = RunInstaller(exe, AlwaysOk);
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
  EXPECT_EQ(run.exitCode, kEngineExitCode);

  const auto records = test::ReadEngineRecords(record);
  ASSERT_EQ(records.size(), 1u) << run.trace;
  ExpectExtracted(records[0], files, {"Agent.exe"});
  const auto agent = records[0].files.find("Agent.exe");
  ASSERT_NE(agent, records[0].files.end());
  EXPECT_EQ(agent->second.dosDate, test::FileDosDate(exe)) << "the copy takes the installer's date";

  // The copy read back with the launcher's own reader.
  const std::string copy = installed + "\\Agent.exe";
  ASSERT_TRUE(test::FileExists(copy));
  const TGFileInfo installer = ReadPackageInfo(exe);
  const TGFileInfo agentInfo = ReadPackageInfo(copy);
  ASSERT_TRUE(installer.IsPackage());
  ASSERT_TRUE(agentInfo.IsPackage());
  EXPECT_TRUE(agentInfo.GetAgentFlag());
  EXPECT_EQ(agentInfo.Trailer().agentFlag, 1);
  EXPECT_FALSE(installer.GetAgentFlag());
  EXPECT_FALSE(installer.LanguageBlock().empty());
  EXPECT_EQ(agentInfo.LanguageBlock(), installer.LanguageBlock());
  EXPECT_EQ(agentInfo.InternetBlock(), installer.InternetBlock());
  EXPECT_EQ(agentInfo.GetAgentFileName(), "Agent.exe");

  const std::unique_ptr<pack::ByteSource> source = OpenFileSource(copy);
  ASSERT_NE(source, nullptr);
  const pack::PackageHeader header = pack::ReadPackageHeader(*source);
  // No file entries: the trailer follows the header blocks.
  EXPECT_EQ(source->Size(), uint64_t{header.trailer.packageStart} + pack::kTrailerSize);
  EXPECT_EQ(header.trailer.trailerLength, pack::kTrailerSize);
  EXPECT_EQ(header.trailer.packageStart, installer.Trailer().packageStart);

  // The launcher image and header blocks of the installer, read from the
  // copy's own end: its package-end pointer is 0.
  const std::string copyBytes = test::ReadWholeFile(copy);
  const std::string installerBytes = test::ReadWholeFile(exe);
  ASSERT_GT(copyBytes.size(), pack::kPeHeaderOffset);
  EXPECT_EQ(copyBytes.substr(pack::kEndPointerHighOffset, 8), std::string(8, '\0'));
  EXPECT_NE(installerBytes.substr(pack::kEndPointerHighOffset, 8), std::string(8, '\0'));
  std::string image = installerBytes.substr(0, header.trailer.packageStart);
  image.replace(pack::kEndPointerHighOffset, 8, std::string(8, '\0'));
  EXPECT_TRUE(copyBytes.compare(0, image.size(), image) == 0) << "the launcher image differs";
}

TEST(ExtractionFileScenario, EntryNameLeavingTheWorkingFolderIsReportedAndNothingRuns) {
  const std::string dir = test::ScratchDir("extraction-hostile-name");
  const std::string record = dir + "\\record.txt";
  // The entry is stored as it is (random bytes do not shrink), so its name
  // lies in the installer as plain text.
  const std::vector<PackedFile> files = {
      EngineEntry(record),
      {"xx.txt", RandomBytes(3000, 31), DosDate(2009, 7, 21, 16, 26, 46), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string exe = dir + "\\setup.exe";
  std::string bytes = test::ReadWholeFile(exe);
  const std::string name = "|xx.txt|";
  const size_t at = bytes.find(name);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(bytes.find(name, at + 1), std::string::npos);
  bytes.replace(at, name.size(), "|..\\x.t|");
  ASSERT_TRUE(test::WriteBytes(exe, bytes));

  // Above the working folder, where the entry would land.
  const std::string escaped = test::TempFolder() + "x.t";
  ::SetFileAttributesA(escaped.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(escaped.c_str());
  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun run = RunInstaller(exe, AlwaysOk);
  CleanWorkingFolder(workingFolder, 0);
  const bool escapedExists = test::FileExists(escaped);
  ::DeleteFileA(escaped.c_str());
  ASSERT_TRUE(run.finished);

  EXPECT_FALSE(escapedExists) << escaped << " was written";
  ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
  EXPECT_EQ(run.boxes[0].caption, "Error");
  const std::string head = exe + "\n\nThe setup package is damaged. Nothing will be installed.\n\n";
  EXPECT_EQ(run.boxes[0].body.rfind(head, 0), 0u) << run.boxes[0].body;
  EXPECT_NE(run.boxes[0].body.find("..\\x.t"), std::string::npos) << run.boxes[0].body;
  EXPECT_EQ(run.exitCode, 1620u);  // ERROR_INSTALL_PACKAGE_INVALID
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
  EXPECT_FALSE(EngineStarted(run)) << run.trace;
}

// One changed byte in a stored file of a volume too large for the volume
// checksum: the entry's check value finds it, and nothing runs.
TEST(ExtractionFileScenario, AChangedByteInAStoredFileIsDamageAndNothingRuns) {
  const std::string dir = test::ScratchDir("extraction-changed-byte");
  const std::string record = dir + "\\record.txt";
  const std::string marker = "<the product's program>";
  const std::vector<PackedFile> files = {
      EngineEntry(record),
      {"app.exe", marker + RandomBytes(100000, 41), DosDate(2009, 7, 21, 16, 26, 46), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string exe = dir + "\\setup.exe";
  std::string bytes = test::ReadWholeFile(exe);
  ASSERT_GT(bytes.size(), pack::kChecksumMaxFileSize) << "the volume checksum would see it";
  const size_t at = bytes.find(marker);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] ^= 0x01;
  ASSERT_TRUE(test::WriteBytes(exe, bytes));

  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun run = RunInstaller(exe, AlwaysOk);
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(run.finished);

  ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
  EXPECT_EQ(run.boxes[0].caption, "Error");
  const std::string head = exe + "\n\nThe setup package is damaged. Nothing will be installed.\n\n";
  EXPECT_EQ(run.boxes[0].body.rfind(head, 0), 0u) << run.boxes[0].body;
  EXPECT_NE(run.boxes[0].body.find("\"app.exe\" is damaged"), std::string::npos)
      << run.boxes[0].body;
  EXPECT_EQ(run.exitCode, 1620u);  // ERROR_INSTALL_PACKAGE_INVALID
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
  EXPECT_FALSE(EngineStarted(run)) << run.trace;
}

// A header whose "*" stands outside its name field: the whole header would
// be the program, which the system resolves above the working folder.
TEST(ExtractionFileScenario, AStartEntryOutsideTheWorkingFolderIsDamageAndNothingRuns) {
  const std::string dir = test::ScratchDir("extraction-hostile-start");
  const std::string record = dir + "\\record.txt";
  const std::vector<PackedFile> files = {
      EngineEntry(record),
      {"a.txt", RandomBytes(3000, 32), DosDate(2009, 7, 21, 16, 26, 48), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string exe = dir + "\\setup.exe";
  std::string bytes = test::ReadWholeFile(exe);
  // The stored entry: i32 -(payload size), then "|a.txt|<date>|", a zero
  // byte and the data. The header grows; so does the stored length.
  const size_t at = bytes.find("|a.txt|");
  ASSERT_NE(at, std::string::npos);
  const size_t headerEnd = bytes.find('\0', at);
  ASSERT_NE(headerEnd, std::string::npos);
  const std::string evilRecord = "C:\\evil-record.txt";
  const std::string header =
      "|a.txt|0|..\\..\\..\\..\\..\\..\\evil.exe*/Record=" + evilRecord + "|";
  const int64_t growth = static_cast<int64_t>(header.size()) - static_cast<int64_t>(headerEnd - at);
  int32_t stored = 0;
  std::memcpy(&stored, &bytes[at - 4], 4);
  ASSERT_LT(stored, 0) << "the entry is stored as it is";
  stored -= static_cast<int32_t>(growth);
  std::memcpy(&bytes[at - 4], &stored, 4);
  bytes.replace(at, headerEnd - at, header);
  // The package ends later by as much.
  const uint64_t end =
      pack::ReadPackageEndPointer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (end != 0)
    pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size(), end + growth);
  ASSERT_TRUE(test::WriteBytes(exe, bytes));

  // A program where the header points: it would record that it ran.
  const std::string evil = "C:\\evil.exe";
  ASSERT_TRUE(test::CopyFileTo(test::EngineExe(), evil));
  ::DeleteFileA(evilRecord.c_str());
  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun run = RunInstaller(exe, AlwaysOk);
  CleanWorkingFolder(workingFolder, 0);
  const bool evilRan = test::FileExists(evilRecord);
  ::DeleteFileA(evil.c_str());
  ::DeleteFileA(evilRecord.c_str());
  ASSERT_TRUE(run.finished);

  EXPECT_FALSE(evilRan) << evil << " was started";
  EXPECT_FALSE(EngineStarted(run)) << run.trace;
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
  ASSERT_EQ(run.boxes.size(), 1u) << Describe(run.boxes);
  EXPECT_EQ(run.boxes[0].body.rfind(exe + "\n\nThe setup package is damaged.", 0), 0u)
      << run.boxes[0].body;
  EXPECT_NE(run.boxes[0].body.find("outside its name field"), std::string::npos)
      << run.boxes[0].body;
  EXPECT_EQ(run.exitCode, 1620u);
}

// A hidden run asks nobody: a missing volume and a damaged package end it
// at once, with the exit code saying why, and without a box.
TEST(ExtractionVolumeScenario, AHiddenRunShowsNoBoxAndEndsWithTheReason) {
  const std::string dir = test::ScratchDir("extraction-hidden");
  const std::string record = dir + "\\record.txt";
  const int64_t limit = SizeOf(test::StubExe()) + SizeOf(test::EngineExe()) + 50000;
  ASSERT_TRUE(BuildInstaller(dir, VolumeFiles(record, limit),
                             {"--max-volume-size", std::to_string(limit)}));
  const std::string exe = dir + "\\setup.exe";
  const std::string third = exe + ".003";
  ASSERT_TRUE(test::FileExists(third));
  ASSERT_TRUE(::DeleteFileA(third.c_str()));

  const auto noBox = [](const Box& box) -> std::string {
    ADD_FAILURE() << "a hidden run showed a box: " << box.body;
    return "Cancel";
  };
  const std::string workingFolder = WorkingFolderOf(exe);
  const SetupRun missing = RunInstaller(exe, noBox, false, {}, " /hide");
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(missing.finished);
  EXPECT_TRUE(missing.boxes.empty());
  EXPECT_EQ(missing.exitCode, 1612u);  // ERROR_INSTALL_SOURCE_ABSENT
  EXPECT_FALSE(EngineStarted(missing)) << missing.trace;
  EXPECT_NE(missing.trace.find("Hidden run, volume not there: "), std::string::npos)
      << missing.trace;

  // The second volume cut short: its trailer is gone.
  const std::string second = exe + ".002";
  std::string bytes = test::ReadWholeFile(second);
  bytes.resize(bytes.size() - 10);
  ASSERT_TRUE(test::WriteBytes(second, bytes));
  const SetupRun damaged = RunInstaller(exe, noBox, false, {}, " /hide");
  CleanWorkingFolder(workingFolder, 0);
  ASSERT_TRUE(damaged.finished);
  EXPECT_TRUE(damaged.boxes.empty());
  EXPECT_EQ(damaged.exitCode, 1620u);
  EXPECT_NE(damaged.trace.find("Hidden run, error: "), std::string::npos) << damaged.trace;
  EXPECT_TRUE(test::ReadEngineRecords(record).empty());
}

// Two copies of one installer share the time of day of their files, and so
// the name of their working folder: the second one must leave the first
// one's folder alone while the first one's engine runs from it. The first
// one started once more only says that it runs already.
TEST(ExtractionFileScenario, TwoInstallersAtOnceEachKeepTheirOwnWorkingFolder) {
  const std::string dir = test::ScratchDir("extraction-two-at-once");
  const std::string record = dir + "\\record.txt";
  const std::vector<PackedFile> files = {
      EngineEntry(record, " /RunMs=6000"),
      {"data.txt", "data\r\n", DosDate(2010, 8, 22, 17, 27, 50), false, {}}};
  ASSERT_TRUE(BuildInstaller(dir, files, {}));
  const std::string first = dir + "\\setup.exe";
  const std::string secondDir = dir + "\\copy";
  ::CreateDirectoryA(secondDir.c_str(), nullptr);
  const std::string second = secondDir + "\\setup.exe";
  ASSERT_TRUE(test::CopyFileTo(first, second));  // the copy keeps the date
  ASSERT_EQ(WorkingFolderOf(first), WorkingFolderOf(second));

  test::Launcher one;
  ASSERT_TRUE(one.Start(Quote(first)));
  ASSERT_TRUE(test::PumpUntil([&] { return test::ReadEngineRecords(record).size() == 1; }, 30000));
  // The same installer started again leaves the work to the running one and
  // says so.
  {
    test::Launcher again;
    ASSERT_TRUE(again.Start(Quote(first)));
    DWORD exitAgain = 0;
    ASSERT_TRUE(again.WaitForExit(30000, &exitAgain));
    EXPECT_EQ(exitAgain, 1618u);  // ERROR_INSTALL_ALREADY_RUNNING
  }
  test::Launcher two;
  ASSERT_TRUE(two.Start(Quote(second)));
  ASSERT_TRUE(test::PumpUntil([&] { return test::ReadEngineRecords(record).size() == 2; }, 30000));
  const auto records = test::ReadEngineRecords(record);
  const std::string firstFolder = records[0].folder;
  // The first engine still has its files while the second one runs.
  EXPECT_TRUE(test::FileExists(firstFolder + "\\data.txt")) << firstFolder;
  EXPECT_EQ(::lstrcmpiA(firstFolder.c_str(), WorkingFolderOf(first).c_str()), 0) << firstFolder;
  EXPECT_EQ(::lstrcmpiA(records[1].folder.c_str(), (WorkingFolderOf(first) + "_2").c_str()), 0)
      << records[1].folder;
  for (const auto& r : records)
    EXPECT_EQ(r.files.count("data.txt"), 1u) << r.folder;

  DWORD exitOne = 0;
  DWORD exitTwo = 0;
  ASSERT_TRUE(one.WaitForExit(30000, &exitOne));
  ASSERT_TRUE(two.WaitForExit(30000, &exitTwo));
  EXPECT_EQ(exitOne, kEngineExitCode);
  EXPECT_EQ(exitTwo, kEngineExitCode);
  for (const auto& r : records)
    CleanWorkingFolder(r.folder, 5000);
}

}  // namespace
}  // namespace orvane
