// The setup flow of the real launcher, run as a user runs an installer: the
// installer is built by stubpack with the stand-in engine as its start entry,
// started as a process, watched from outside while it runs (its main window,
// its message boxes, the engine's dialog window) and judged by what the
// engine wrote down about its start and its folder, by the exit code and by
// what is left on the disk afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/LauncherWatch.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "util/Handles.h"
#include "util/Utils.h"

namespace orvane {
namespace {

using test::Answer;
using test::BoxSeen;
using test::LauncherRun;
using test::PressKey;
using test::Quote;
using test::RunLauncher;
using test::ScratchFolder;
using test::TempFolder;
using test::TopLevelWindows;

constexpr char kAtomPrefix[] = "AutoUpdateAtomTokenByOrvane";
constexpr char kDialogClassPrefix[] = ".SDialog_Class_Name.";

// ---------------------------------------------------------------------------
// Messages, files and times

bool IsDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The working folder of an installer: Temp + "SETUP_" + the time half of its
// DOS modification date-time.
std::string WorkingFolderOf(const std::string& installer) {
  return TempFolder() + "SETUP_" + std::to_string(test::FileDosDate(installer) & 0xFFFFu);
}

// A DOS date-time written out from its fields, as a reference that does not
// come from the system's conversion.
uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
  const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

// Sets a file's modification time to a DOS date-time of the UTC clock: the
// builder stores that clock, and the launcher gives it to the extracted file
// as local time, so the extracted file shows `dosDateTime` in every zone.
bool SetUtcModified(const std::string& path, uint32_t dosDateTime) {
  FILETIME utc{};
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime),
                               &utc))
    return false;
  FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return file && ::SetFileTime(file.get(), nullptr, nullptr, &utc);
}

// Bytes that do not compress (a linear congruential sequence).
std::string NoiseBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed;
  for (char& c : bytes) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Text that compresses well.
std::string RepeatedText(size_t lines) {
  std::string text;
  for (size_t i = 0; i < lines; ++i)
    text += "line " + std::to_string(i) + " of the read-me text\r\n";
  return text;
}

// A file of the package: its name, bytes and the modification time given to
// its source.
struct PackageFile {
  std::string name;
  std::string content;
  uint32_t dosDate;
};

struct Installer {
  std::string path;
  std::string record;                           // the engine's record file
  std::map<std::string, std::string> contents;  // by name, the engine included
  std::map<std::string, uint32_t> dosDates;     // of the sources, by name
};

// Builds `dir`\Setup.exe: a copy of the stand-in engine as the start entry
// "engine.exe*/Record=<dir>\rec.txt <arguments>", the given files, and the
// further stubpack options.
bool BuildInstaller(const std::string& dir, const std::vector<PackageFile>& files,
                    const std::string& arguments, const std::vector<std::string>& options,
                    Installer& installer) {
  installer.path = dir + "\\Setup.exe";
  installer.record = dir + "\\rec.txt";
  const std::string engine = dir + "\\engine.exe";
  if (!test::CopyFileTo(test::EngineExe(), engine))
    return false;
  const uint32_t engineDate = DosDateTime(2018, 5, 20, 8, 30, 0);
  if (!SetUtcModified(engine, engineDate))
    return false;
  installer.contents["engine.exe"] = test::ReadWholeFile(engine);
  installer.dosDates["engine.exe"] = engineDate;
  std::string startEntry = engine + "=engine.exe*/Record=" + installer.record;
  if (!arguments.empty())
    startEntry += " " + arguments;
  std::vector<std::string> args = {"--stub", Quote(test::StubExe()), "-o", Quote(installer.path),
                                   "--file", Quote(startEntry)};
  const std::string sources = dir + "\\files";
  ::CreateDirectoryA(sources.c_str(), nullptr);
  for (const PackageFile& f : files) {
    const std::string source = test::WriteTestFile(sources + "\\" + f.name, f.content);
    if (!SetUtcModified(source, f.dosDate))
      return false;
    installer.contents[f.name] = f.content;
    installer.dosDates[f.name] = f.dosDate;
    args.push_back("--file");
    args.push_back(Quote(source));
  }
  args.insert(args.end(), options.begin(), options.end());
  return test::RunStubpackBuild(args) == 0 && test::FileExists(installer.path);
}

// The one record the engine wrote, or an empty one (with a failure) when
// there is not exactly one.
test::EngineRecord OnlyRecord(const std::string& path) {
  const auto records = test::ReadEngineRecords(path);
  EXPECT_EQ(records.size(), 1u) << test::ReadWholeFile(path);
  return records.size() == 1 ? records.front() : test::EngineRecord();
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

// The files of the record are those of the package, with their bytes and the
// modification times of their sources.
void ExpectPackageFiles(const test::EngineRecord& record, const Installer& installer,
                        const std::set<std::string>& alsoThere = {}) {
  std::set<std::string> names;
  for (const auto& entry : record.files)
    names.insert(entry.first);
  std::set<std::string> expected = alsoThere;
  for (const auto& entry : installer.contents)
    expected.insert(entry.first);
  EXPECT_EQ(names, expected);
  for (const auto& entry : installer.contents) {
    const auto found = record.files.find(entry.first);
    if (found == record.files.end())
      continue;
    SCOPED_TRACE(entry.first);
    EXPECT_EQ(found->second.size, static_cast<int64_t>(entry.second.size()));
    EXPECT_EQ(found->second.crc, test::Crc32Text(entry.second));
    EXPECT_EQ(found->second.dosDate, installer.dosDates.at(entry.first));
  }
}

// The files of the one-volume installer: one of about 2 MB that does not
// compress, a text that does, a small one; the times given to the sources
// have even seconds (DOS times count in steps of 2 s).
std::vector<PackageFile> SampleFiles() {
  return {
      {"big.bin", NoiseBytes(2 * 1024 * 1024 + 123, 7), DosDateTime(2019, 11, 30, 23, 58, 58)},
      {"readme.txt", RepeatedText(3000), DosDateTime(2024, 2, 29, 12, 0, 0)},
      {"a.txt", "hello\r\n", DosDateTime(2003, 7, 15, 10, 20, 30)},
  };
}

// ---------------------------------------------------------------------------
// One installer, run several ways. The launcher passes its own switches on to
// the engine, in front of the entry's arguments; the entry names only the
// record (and a marker), so the engine's other switches (/ExitCode,
// /KeepAtom, /DialogMs) are given to the launcher.

class SetupScenario : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder("setup-one-volume");
    installer_ = new Installer();
    built_ = BuildInstaller(folder_->path(), SampleFiles(), "/From=entry", {}, *installer_);
  }
  static void TearDownTestSuite() {
    delete installer_;
    delete folder_;
    installer_ = nullptr;
    folder_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(built_);
    ::DeleteFileA(installer_->record.c_str());
    workingFolder_ = WorkingFolderOf(installer_->path);
  }

  static ScratchFolder* folder_;
  static Installer* installer_;
  static bool built_;
  std::string workingFolder_;
  test::DebugViewer viewer_;
};

ScratchFolder* SetupScenario::folder_ = nullptr;
Installer* SetupScenario::installer_ = nullptr;
bool SetupScenario::built_ = false;

TEST_F(SetupScenario, OneVolumeEngineGetsItsCommandLineAndFilesAndGivesItsExitCode) {
  const Installer& installer = *installer_;
  const LauncherRun run = RunLauncher(installer.path, "/QA=1 /ExitCode=3");
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 3u) << "the engine's /ExitCode";
  ASSERT_TRUE(run.mainWindowFound);
  EXPECT_TRUE(run.mainWindowShown) << "the start-up window is shown while files are extracted";
  EXPECT_TRUE(run.boxes.empty());

  const test::EngineRecord record = OnlyRecord(installer.record);
  EXPECT_EQ(record.commandLine, workingFolder_ +
                                    "\\engine.exe /QA=1 /ExitCode=3 /Record=" + installer.record +
                                    " /From=entry /TH_ID=_" + std::to_string(run.mainThread) +
                                    " /OriginExe=\"" + installer.path + "\"");
  EXPECT_EQ(Occurrences(record.commandLine, "  "), 0u) << record.commandLine;
  EXPECT_EQ(record.folder, workingFolder_);
  EXPECT_EQ(record.show, SW_SHOW);
  EXPECT_EQ(record.atom, "deleted");
  EXPECT_EQ(record.exitCode, 3);
  ExpectPackageFiles(record, installer);
  EXPECT_FALSE(IsDirectory(workingFolder_)) << "the working folder is removed";
  EXPECT_NE(viewer_.Text().find(" ==== WinExec(Engine.exe) >>" + record.commandLine + "<<"),
            std::string::npos)
      << viewer_.Text();
}

// The engine's exit code is the launcher's whether or not the engine confirmed
// the installation; an unconfirmed one leaves the rendezvous atom, which the
// launcher then deletes itself.
TEST_F(SetupScenario, ExitCodePassesThroughAndTheAtomIsGoneEitherWay) {
  const struct {
    const char* name;
    const char* switches;
    DWORD exitCode;
    const char* atom;
  } cases[] = {
      {"installer error code", "/hide /ExitCode=1603", 1603, "deleted"},
      {"unconfirmed, reboot code", "/hide /ExitCode=3010 /KeepAtom", 3010, "kept"},
      {"success, atom kept", "/hide /ExitCode=0 /KeepAtom", 0, "kept"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(installer_->record.c_str());
    const LauncherRun run = RunLauncher(installer_->path, c.switches);
    ASSERT_TRUE(run.finished) << viewer_.Text();
    EXPECT_EQ(run.exitCode, c.exitCode);
    const test::EngineRecord record = OnlyRecord(installer_->record);
    EXPECT_EQ(record.atom, c.atom);
    EXPECT_EQ(record.exitCode, static_cast<int64_t>(c.exitCode));
    ASSERT_NE(run.mainThread, 0u);
    const std::string atom = kAtomPrefix + ("_" + std::to_string(run.mainThread));
    if (record.atom == "kept") {
      EXPECT_TRUE(run.atomSeen) << atom << " was not seen while the launcher ran";
    }
    EXPECT_EQ(::GlobalFindAtomA(atom.c_str()), 0) << atom << " is left behind";
    EXPECT_FALSE(IsDirectory(workingFolder_));
  }
}

TEST_F(SetupScenario, TheCallersOriginExeIsTheOnlyOne) {
  const std::string origin = "/OriginExe=\"C:\\somewhere\\x.exe\"";
  const LauncherRun run = RunLauncher(installer_->path, "/hide " + origin);
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 0u);
  const test::EngineRecord record = OnlyRecord(installer_->record);
  EXPECT_EQ(Occurrences(record.commandLine, "/OriginExe="), 1u) << record.commandLine;
  EXPECT_EQ(record.commandLine, workingFolder_ + "\\engine.exe /hide " + origin +
                                    " /Record=" + installer_->record + " /From=entry /TH_ID=_" +
                                    std::to_string(run.mainThread));
}

// An engine may end while its last dialog is still up; the launcher stays
// (and keeps the working folder) until that window is gone.
TEST_F(SetupScenario, WaitsForTheEnginesDialogWindow) {
  const LauncherRun run = RunLauncher(installer_->path, "/hide /ExitCode=3 /DialogMs=4000");
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 3u);
  const test::EngineRecord record = OnlyRecord(installer_->record);
  EXPECT_EQ(record.atom, "deleted");
  ASSERT_NE(run.mainThread, 0u);
  EXPECT_EQ(run.dialogClass, kDialogClassPrefix + ("_" + std::to_string(run.mainThread)))
      << "the engine's dialog window was seen";
  EXPECT_TRUE(run.dialogGoneWhileRunning) << "the launcher ran until the window had disappeared";
  EXPECT_FALSE(run.dialogAtEnd) << "the launcher ended while the engine's window was still up";
  EXPECT_FALSE(IsDirectory(workingFolder_));
}

// A package over three volume files, all beside the installer: extracted
// without a prompt.
TEST(SetupVolumesScenario, ThreeVolumesAllPresentExtractWithoutPrompt) {
  ScratchFolder folder("setup-three-volumes");
  Installer installer;
  const std::vector<PackageFile> files = {
      {"big.bin", NoiseBytes(2000000, 11), DosDateTime(2020, 1, 2, 3, 4, 6)},
      {"a.txt", "hello\r\n", DosDateTime(2003, 7, 15, 10, 20, 30)},
  };
  ASSERT_TRUE(
      BuildInstaller(folder.path(), files, "/ExitCode=4", {"--max-volume-size", "1M"}, installer));
  ASSERT_TRUE(test::FileExists(installer.path + ".002"));
  ASSERT_TRUE(test::FileExists(installer.path + ".003"));
  ASSERT_FALSE(test::FileExists(installer.path + ".004")) << "three volumes";

  test::DebugViewer viewer;
  const LauncherRun run = RunLauncher(installer.path, "/hide");
  ASSERT_TRUE(run.finished) << viewer.Text();
  EXPECT_EQ(run.exitCode, 4u);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes.front().caption << ": " << run.boxes.front().text;
  const test::EngineRecord record = OnlyRecord(installer.record);
  ExpectPackageFiles(record, installer);
  EXPECT_FALSE(IsDirectory(WorkingFolderOf(installer.path)));
}

// ---------------------------------------------------------------------------
// Relaunch from the Temp folder (media that must not stay busy): the
// installer holds no files; it copies itself as Y_<name> into the working
// folder, starts that copy and ends. The copy reads the package from the
// .001 volume, runs the engine, then removes itself and the folder.

// The process id at the start of the trace line that contains `text`, or 0.
DWORD PidOfLine(const test::DebugViewer& viewer, const std::string& text, std::string* line) {
  for (const std::string& l : viewer.Lines()) {
    if (l.find(text) != std::string::npos) {
      if (line)
        *line = l;
      return static_cast<DWORD>(std::strtoul(l.c_str(), nullptr, 10));
    }
  }
  return 0;
}

// One relaunch: the first process copies itself into the working folder as
// Y_Setup.exe and ends; the copy installs and then removes itself and its folder.
void RunRelaunchCase(int index, const std::vector<std::string>& options, bool separateFirstVolume) {
  ScratchFolder folder("setup-relaunch-" + std::to_string(index));
  Installer installer;
  ASSERT_TRUE(BuildInstaller(folder.path(),
                             {{"a.txt", "hello\r\n", DosDateTime(2001, 9, 8, 7, 6, 4)}},
                             "/ExitCode=3", options, installer));
  EXPECT_EQ(test::FileExists(installer.path + ".001"), separateFirstVolume);
  const std::string workingFolder = WorkingFolderOf(installer.path);
  const std::string copy = workingFolder + "\\Y_Setup.exe";

  test::DebugViewer viewer;
  const LauncherRun first = RunLauncher(installer.path, "/foo=1");
  ASSERT_TRUE(first.finished) << viewer.Text();
  EXPECT_EQ(first.exitCode, 0u);
  EXPECT_FALSE(first.mainWindowFound) << "the relaunching process opens no window";
  EXPECT_FALSE(test::FileExists(installer.record))
      << "the engine ran before the first process ended";

  // The copy is no child of this test: it is found through its trace.
  std::string startLine;
  ASSERT_TRUE(test::PumpUntil(
      [&] { return PidOfLine(viewer, " ==== STUB START ====> " + copy, &startLine) != 0; }, 30000))
      << viewer.Text();
  const DWORD copyPid = PidOfLine(viewer, " ==== STUB START ====> " + copy, nullptr);
  // The copy reads the first volume: Setup.exe.001, or the installer itself.
  const std::string firstVolume = installer.path + (separateFirstVolume ? ".001" : "");
  EXPECT_NE(startLine.find("> " + copy + " /foo=1 /SpanCdLvl=2 /SpanDiskFName1=\"" + firstVolume +
                           "\" /OriginExe=\"" + installer.path + "\"<"),
            std::string::npos)
      << startLine;
  KernelObject copyProcess(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, copyPid));
  ASSERT_TRUE(copyProcess) << "the copy " << copyPid << " ended before it could be watched";
  ASSERT_TRUE(test::PumpUntil(
      [&] { return ::WaitForSingleObject(copyProcess.get(), 0) == WAIT_OBJECT_0; }, 90000))
      << viewer.Text();
  DWORD copyExitCode = 0;
  ::GetExitCodeProcess(copyProcess.get(), &copyExitCode);
  EXPECT_EQ(copyExitCode, 3u) << "the copy ends with the engine's exit code";

  const test::EngineRecord record = OnlyRecord(installer.record);
  const std::string& line = record.commandLine;
  EXPECT_EQ(line.rfind(workingFolder + "\\engine.exe /foo=1 ", 0), 0u) << line;
  EXPECT_EQ(Occurrences(line, "/OriginExe="), 1u) << line;
  EXPECT_NE(line.find(" /OriginExe=\"" + installer.path + "\""), std::string::npos) << line;
  EXPECT_EQ(line.find("/SpanCdLvl="), std::string::npos) << line;
  EXPECT_EQ(line.find("/SpanDiskFName1="), std::string::npos) << line;
  EXPECT_NE(line.find(" /Record=" + installer.record + " /ExitCode=3 /TH_ID=_"), std::string::npos)
      << line;
  EXPECT_EQ(record.folder, workingFolder);
  EXPECT_EQ(record.atom, "deleted");
  ExpectPackageFiles(record, installer, {"Y_Setup.exe"});

  // The copy cannot delete itself while it runs: a script does it afterwards.
  EXPECT_TRUE(test::PumpUntil([&] { return !IsDirectory(workingFolder); }, 30000))
      << "the working folder with the copy is still there";
  EXPECT_FALSE(test::FileExists(copy));
  EXPECT_NE(PidOfLine(viewer, " ==== STUB END ====> " + copy, nullptr), 0u) << viewer.Text();
}

TEST(SetupRelaunchScenario, CopyRunsFromTheWorkingFolderAndRemovesItself) {
  struct Case {
    const char* label;
    std::vector<std::string> options;
    bool separateFirstVolume;  // the package's first volume is Setup.exe.001
  };
  const Case cases[] = {
      {"first volume in Setup.exe.001", {"--first-volume", "001"}, true},
      // There is no Setup.exe.001: the copy reads the installer it came from.
      {"one-file installer", {"--flag", "RelaunchFromTemp"}, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RunRelaunchCase(index++, c.options, c.separateFirstVolume);
  }
}

// ---------------------------------------------------------------------------
// The questions before the extraction: the temp-drive notice of packages
// that always show it, the warning when space is short, and /hide, which
// asks nothing and shows nothing.

// The free space of the Temp drive as this test sees it.
double TempDriveFree() {
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER free{};
  if (!::GetDiskFreeSpaceExA(TempFolder().c_str(), &available, &total, &free))
    return 0;
  return static_cast<double>(available.QuadPart);
}

// The space of a package's files on a drive with 4096-byte clusters.
double SpaceOn4kClusters(const Installer& installer) {
  double sum = 0;
  for (const auto& entry : installer.contents)
    sum += static_cast<double>((entry.second.size() + 4095) / 4096 * 4096);
  return sum;
}

// A number of MB as the launcher writes it: 1 decimal above 10 MB, 2 from 1
// MB, 3 below.
std::string MB(double bytes) {
  const double mb = bytes / 1048576.0;
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", mb > 10 ? 1 : (mb >= 1 ? 2 : 3), mb);
  return text;
}

// The figure after `label` in a box text, up to " MB".
double FigureAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos)
    return -1;
  return std::strtod(text.c_str() + at + label.size(), nullptr);
}

// The text of the space question as the box shows it: the kind heading, the
// message (`firstLine`, the two figures, the question), a closing line break.
std::string SpaceBoxText(const std::string& firstLine, const std::string& required,
                         const std::string& available) {
  return "CONFIRM\r\n\r\n" + firstLine +
         "\r\n\r\nEstimated space required on your Temp drive is: \t  " + required +
         " MB\r\nFree space available on your Temp drive is: \t  " + available +
         " MB\r\n\r\nContinue with Setup?\r\n\r\n";
}

// Replaces the space table of an installer's trailer (found through the
// package-end pointer at 248) with `value` in every entry.
bool PatchSpaceTable(const std::string& installer, uint32_t value) {
  std::string bytes = test::ReadWholeFile(installer);
  if (bytes.size() < 256)
    return false;
  const auto word = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
      v = (v << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return v;
  };
  const uint64_t end = (static_cast<uint64_t>(word(248)) << 32) | word(252);
  if (end < 74 || end > bytes.size())
    return false;
  const size_t table = static_cast<size_t>(end) - 74 + 28;
  for (size_t i = 0; i < 9; ++i) {
    for (size_t b = 0; b < 4; ++b)
      bytes[table + 4 * i + b] = static_cast<char>((value >> (8 * b)) & 0xFF);
  }
  // Keep the file's time: the working folder's name comes from it.
  FILETIME written{};
  {
    FileHandle in(::CreateFileA(installer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!in || !::GetFileTime(in.get(), nullptr, nullptr, &written))
      return false;
  }
  FileHandle out(::CreateFileA(installer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD done = 0;
  return out &&
         ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
         done == bytes.size() && ::SetFileTime(out.get(), nullptr, nullptr, &written);
}

class SetupQuestions : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<PackageFile> files = {
        {"data.bin", NoiseBytes(1500000, 3), DosDateTime(2022, 12, 24, 18, 0, 0)},
        {"a.txt", "hello\r\n", DosDateTime(2001, 9, 8, 7, 6, 4)}};
    ASSERT_TRUE(BuildInstaller(folder_.path(), files, "/ExitCode=5", {"--flag", "ShowTempNotice"},
                               installer_));
    workingFolder_ = WorkingFolderOf(installer_.path);
  }

  ScratchFolder folder_{"setup-questions"};
  Installer installer_;
  std::string workingFolder_;
  test::DebugViewer viewer_;
};

TEST_F(SetupQuestions, HideShowsNoWindowAndAsksNothing) {
  const LauncherRun run = RunLauncher(installer_.path, "/hide");
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 5u);
  ASSERT_TRUE(run.mainWindowFound);
  EXPECT_FALSE(run.mainWindowShown);
  EXPECT_TRUE(run.boxes.empty()) << run.boxes.front().caption << ": " << run.boxes.front().text;
  const test::EngineRecord record = OnlyRecord(installer_.record);
  EXPECT_EQ(record.show, SW_HIDE);
  ExpectPackageFiles(record, installer_);
}

TEST_F(SetupQuestions, TempNoticeOkRunsTheEngine) {
  double freeWhenAsked = 0;
  const LauncherRun run = RunLauncher(installer_.path, "", [&](const BoxSeen&) {
    freeWhenAsked = TempDriveFree();
    return 'O';
  });
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 5u);
  ASSERT_EQ(run.boxes.size(), 1u);
  const BoxSeen& box = run.boxes.front();
  EXPECT_EQ(box.caption, "Confirm");
  EXPECT_FALSE(box.mainWindowVisible) << "the start-up window appears after the answer";
  const std::string required = MB(SpaceOn4kClusters(installer_));
  const double available =
      FigureAfter(box.text, "Free space available on your Temp drive is: \t  ") * 1048576.0;
  EXPECT_NEAR(available, freeWhenAsked, freeWhenAsked / 100 + 1048576.0) << box.text;
  EXPECT_EQ(box.text, SpaceBoxText("Orvane will extract files to your Temp Drive (C:)", required,
                                   MB(available)));
  EXPECT_TRUE(run.mainWindowShown);
  const test::EngineRecord record = OnlyRecord(installer_.record);
  EXPECT_EQ(record.show, SW_SHOW);
  ExpectPackageFiles(record, installer_);
  EXPECT_FALSE(IsDirectory(workingFolder_));
}

TEST_F(SetupQuestions, TempNoticeCancelEndsWithoutEngine) {
  const LauncherRun run = RunLauncher(installer_.path, "", [](const BoxSeen&) { return 'C'; });
  ASSERT_TRUE(run.finished) << viewer_.Text();
  EXPECT_EQ(run.exitCode, 1602u);  // ERROR_INSTALL_USEREXIT
  ASSERT_EQ(run.boxes.size(), 1u) << "no further box after Cancel";
  EXPECT_EQ(run.boxes.front().caption, "Confirm");
  EXPECT_FALSE(run.mainWindowShown);
  EXPECT_FALSE(test::FileExists(installer_.record)) << "the engine ran";
  EXPECT_FALSE(IsDirectory(workingFolder_));
}

// stubpack writes the space table from the files; a package that asks for
// more is made by patching the trailer. A drive with more free space than the
// largest table entry (4 GiB - 1) cannot be short of space for any package.
TEST_F(SetupQuestions, LimitedSpaceWarningOkGoesOnCancelStops) {
  const uint32_t asked = 0xFFFFFFFFu;
  if (TempDriveFree() >= asked) {
    GTEST_SKIP() << "the Temp drive has " << MB(TempDriveFree())
                 << " MB free, more than a package can ask for";
  }
  ASSERT_TRUE(PatchSpaceTable(installer_.path, asked));
  const struct {
    const char* name;
    const char* switches;
    int key;  // the answer; 0: no box
    DWORD exitCode;
    bool engineRuns;  // the real need is small, so the extraction works
  } cases[] = {
      {"OK", "", 'O', 5, true},
      {"Cancel", "", 'C', 0, false},
      {"/hide asks nothing", "/hide", 0, 5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(installer_.record.c_str());
    double freeWhenAsked = 0;
    const LauncherRun run = RunLauncher(installer_.path, c.switches, [&](const BoxSeen&) {
      freeWhenAsked = TempDriveFree();
      return c.key;
    });
    ASSERT_TRUE(run.finished) << viewer_.Text();
    EXPECT_EQ(run.exitCode, c.exitCode);
    ASSERT_EQ(run.boxes.size(), c.key != 0 ? 1u : 0u);
    if (c.key != 0) {
      const BoxSeen& box = run.boxes.front();
      EXPECT_EQ(box.caption, "Confirm");
      const double available =
          FigureAfter(box.text, "Free space available on your Temp drive is: \t  ") * 1048576.0;
      EXPECT_NEAR(available, freeWhenAsked, freeWhenAsked / 100 + 1048576.0) << box.text;
      EXPECT_EQ(box.text, SpaceBoxText("Limited Free Space on your Temp Drive! (C:)", MB(asked),
                                       MB(available)));
    }
    EXPECT_EQ(test::FileExists(installer_.record), c.engineRuns);
    if (c.engineRuns)
      ExpectPackageFiles(OnlyRecord(installer_.record), installer_);
    EXPECT_FALSE(IsDirectory(workingFolder_));
  }
}

}  // namespace
}  // namespace orvane
