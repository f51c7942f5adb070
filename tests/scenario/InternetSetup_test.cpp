// The internet setup of the real launcher, run as a user runs it: an
// installer built by stubpack that carries no files fetches its setup file
// from the test web servers (nginx over HTTP and HTTPS, the scripted fault
// server for what nginx will not do), checks it and installs it. Judged by
// the boxes the user sees, the exit code, the stand-in engine's record and
// what is left in the Temp folder and beside the installer.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/LauncherWatch.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"
#include "launcher/StubSetupText.h"
#include "package/PackX.h"
#include "package/PackXWin.h"

namespace orvane {
namespace {

using test::BoxSeen;
using test::LauncherRun;
using test::Quote;
using test::RunLauncher;
using test::ScratchFolder;
using test::TempFolder;
using test::WebFault;

constexpr char kToken[] = "inet-download-token";
constexpr char kSetupName[] = "full.exe";

// The files of the Temp folder named like the fetched setup file: the file
// itself and the temporary files of its downloads.
std::vector<std::string> DownloadsInTemp() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((TempFolder() + kSetupName + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do
    names.push_back(found.cFileName);
  while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

void ClearDownloadsInTemp() {
  for (const std::string& name : DownloadsInTemp())
    ::DeleteFileA((TempFolder() + name).c_str());
}

// The setup file's place beside `installer`, where the launcher looks first.
std::string BesideInstaller(const std::string& installer) {
  return installer.substr(0, installer.rfind('\\') + 1) + kSetupName;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class InternetSetupScenario : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchFolder("internet-setup");
    record_ = new std::string(scratch_->path() + "\\rec.txt");
    built_ = BuildSetupFile("inet", kToken) && BuildSetupFile("inet-other", "another-token");
  }
  static void TearDownTestSuite() {
    delete record_;
    delete scratch_;
  }

  void SetUp() override {
    ASSERT_TRUE(built_) << "the setup files could not be built";
    ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
    ::DeleteFileA(record_->c_str());
    ClearDownloadsInTemp();
  }
  void TearDown() override { ClearDownloadsInTemp(); }

  // The setup file (an ordinary installer: the stand-in engine and a read-me)
  // with the download token `token`, as doc root\folder\full.exe.
  static bool BuildSetupFile(const std::string& folder, const std::string& token) {
    const std::string dir = test::WebDocFile(folder);
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string engine = scratch_->path() + "\\engine.exe";
    const std::string readme =
        test::WriteTestFile(scratch_->path() + "\\readme.txt", std::string(300000, 'r'));
    if (!test::CopyFileTo(test::EngineExe(), engine))
      return false;
    const std::string output = dir + "\\" + kSetupName;
    const int code = test::RunStubpackBuild(
        {"--stub", Quote(test::StubExe()), "-o", Quote(output), "--file",
         Quote(engine + "=engine.exe*/Record=" + *record_), "--file", Quote(readme), "--set",
         "Download.Location=x", "--set", std::string("Download.FileName=") + kSetupName, "--set",
         Quote(std::string("Download.Token=") + token)});
    return code == 0 && test::FileExists(output);
  }

  // The good setup file as the web server serves it.
  static std::string SetupFile() { return test::WebDocFile(std::string("inet\\") + kSetupName); }

  // An internet installer in a folder of its own named `name` that downloads
  // from `location`. With `pinned` its project names the setup file
  // (File=), which fills in the size and the SHA-256; without, it names only
  // the file name and the size.
  static std::string BuildInstaller(const std::string& name, const std::string& location,
                                    bool pinned, const std::vector<std::string>& options = {}) {
    const std::string dir = scratch_->path() + "\\" + name;
    ::CreateDirectoryA(dir.c_str(), nullptr);
    const std::string output = dir + "\\Install.exe";
    std::vector<std::string> args = {"--stub", Quote(test::StubExe()),
                                     "-o",     Quote(output),
                                     "--flag", "InternetSetup=yes",
                                     "--set",  Quote("Download.Location=" + location),
                                     "--set",  Quote(std::string("Download.Token=") + kToken)};
    if (pinned) {
      args.insert(args.end(), {"--set", Quote("Download.File=" + SetupFile())});
    } else {
      args.insert(args.end(),
                  {"--set", std::string("Download.FileName=") + kSetupName, "--set",
                   "Download.Size=" + std::to_string(test::ReadWholeFile(SetupFile()).size())});
    }
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(test::RunStubpackBuild(args), 0) << name;
    return output;
  }

  // The run installed the setup file: the engine ran once from the
  // extracted package with the package's files, and the fetched file is gone.
  static void ExpectInstalled(const LauncherRun& run) {
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    const auto records = test::ReadEngineRecords(*record_);
    ASSERT_EQ(records.size(), 1u) << test::ReadWholeFile(*record_);
    EXPECT_EQ(records.front().atom, "deleted");
    EXPECT_EQ(records.front().files.count("engine.exe"), 1u);
    EXPECT_EQ(records.front().files.count("readme.txt"), 1u);
    EXPECT_TRUE(DownloadsInTemp().empty()) << DownloadsInTemp().front();
  }

  // Nothing ran and no setup file stayed in the Temp folder under its name.
  static void ExpectNothingRun(const LauncherRun& run) {
    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(test::ReadEngineRecords(*record_).empty());
    EXPECT_FALSE(test::FileExists(TempFolder() + kSetupName));
  }

  static std::string Boxes(const LauncherRun& run) {
    std::string text;
    for (const BoxSeen& box : run.boxes)
      text += "[" + box.caption + "] " + box.text + "\n";
    return text;
  }

  static ScratchFolder* scratch_;
  static std::string* record_;
  static bool built_;
};

ScratchFolder* InternetSetupScenario::scratch_ = nullptr;
std::string* InternetSetupScenario::record_ = nullptr;
bool InternetSetupScenario::built_ = false;

TEST_F(InternetSetupScenario, InstallsWhatTheServerSends) {
  struct Case {
    const char* name;
    std::string location;
  } cases[] = {
      {"http", test::WebHttpUrl("inet")},
      {"https", test::WebHttpsUrl("inet")},
      // A body without a length ends when the server closes: that is its end.
      {"nolength", test::WebFaultUrl(WebFault::NoLength, "inet")},
      {"redirect", test::WebFaultUrl(WebFault::Redirect, "inet")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(record_->c_str());
    const std::string installer = BuildInstaller(c.name, c.location, true);
    const LauncherRun run = RunLauncher(installer, "");
    EXPECT_EQ(Boxes(run), "");
    EXPECT_TRUE(run.mainWindowShown) << "the window shows the download";
    ExpectInstalled(run);
  }
}

TEST_F(InternetSetupScenario, AsksBeforeTheDownloadWhenThePackageSaysSo) {
  const std::string installer =
      BuildInstaller("confirm", test::WebHttpUrl("inet"), true, {"--flag", "ConfirmDownload=yes"});
  const std::string size = FormatMB(static_cast<double>(test::ReadWholeFile(SetupFile()).size()));

  const LauncherRun yes = RunLauncher(installer, "", [](const BoxSeen&) { return 'O'; });
  ASSERT_EQ(yes.boxes.size(), 1u) << Boxes(yes);
  EXPECT_EQ(yes.boxes[0].caption, "Confirm");
  EXPECT_TRUE(Contains(yes.boxes[0].text, "INTERNET DOWNLOAD")) << yes.boxes[0].text;
  EXPECT_TRUE(Contains(yes.boxes[0].text, "Size: " + size + " MB")) << yes.boxes[0].text;
  ExpectInstalled(yes);

  ::DeleteFileA(record_->c_str());
  const LauncherRun no = RunLauncher(installer, "", [](const BoxSeen&) { return 'C'; });
  EXPECT_EQ(no.boxes.size(), 1u) << "a declined download shows nothing more: " << Boxes(no);
  EXPECT_EQ(no.exitCode, 1602u);
  ExpectNothingRun(no);
  EXPECT_TRUE(DownloadsInTemp().empty()) << "nothing was downloaded";

  // Nobody to ask in a hidden run: it downloads and installs without a box.
  ::DeleteFileA(record_->c_str());
  const LauncherRun hidden = RunLauncher(installer, "/hide");
  EXPECT_EQ(Boxes(hidden), "");
  EXPECT_FALSE(hidden.mainWindowShown);
  ExpectInstalled(hidden);
}

TEST_F(InternetSetupScenario, SetupFileBesideTheInstallerIsUsedAndKept) {
  // The location cannot be reached: only the file beside the installer works.
  const std::string nowhere = "http://127.0.0.1:9/nothing";
  const std::string installer = BuildInstaller("local", nowhere, true);
  const std::string beside = BesideInstaller(installer);
  ASSERT_TRUE(test::CopyFileTo(SetupFile(), beside));
  const LauncherRun run = RunLauncher(installer, "");
  EXPECT_EQ(Boxes(run), "");
  ExpectInstalled(run);
  EXPECT_TRUE(test::FileExists(beside)) << "a file the launcher did not fetch stays";

  // Its download token is checked all the same, and it is still not deleted.
  ::DeleteFileA(record_->c_str());
  const std::string wrong = BuildInstaller("local-wrong", nowhere, false);
  const std::string wrongBeside = BesideInstaller(wrong);
  ASSERT_TRUE(
      test::CopyFileTo(test::WebDocFile(std::string("inet-other\\") + kSetupName), wrongBeside));
  const LauncherRun refused = RunLauncher(wrong, "");
  ASSERT_EQ(refused.boxes.size(), 1u) << Boxes(refused);
  EXPECT_TRUE(Contains(refused.boxes[0].text, "Bad Secret Token!")) << refused.boxes[0].text;
  EXPECT_EQ(refused.exitCode, 1620u);
  ExpectNothingRun(refused);
  EXPECT_TRUE(test::FileExists(wrongBeside));

  // A package that skips local copies downloads even with a file beside it.
  ::DeleteFileA(record_->c_str());
  const std::string skip = BuildInstaller("local-skip", test::WebHttpUrl("inet"), false,
                                          {"--set", "Download.SkipLocalCopy=yes"});
  ASSERT_TRUE(test::CopyFileTo(test::WebDocFile(std::string("inet-other\\") + kSetupName),
                               BesideInstaller(skip)));
  const LauncherRun skipped = RunLauncher(skip, "");
  EXPECT_EQ(Boxes(skipped), "");
  ExpectInstalled(skipped);
}

TEST_F(InternetSetupScenario, EveryFailureShowsWhyAndRunsNothing) {
  const std::string otherSha(64, 'a');
  struct Case {
    const char* name;
    std::string location;
    bool pinned;
    std::vector<std::string> options;
    std::vector<std::string> textParts;  // the box's text holds each
    DWORD exitCode;
  } cases[] = {
      {"another token", test::WebHttpUrl("inet-other"), false, {}, {"Bad Secret Token!"}, 1620},
      {"404 page",
       test::WebFaultUrl(WebFault::NotFound, "inet"),
       true,
       {},
       {"404 File Not Found...", test::WebFaultUrl(WebFault::NotFound, "inet") + "/full.exe"},
       1612},
      {"error page instead of the file",
       test::WebFaultUrl(WebFault::ErrorPage, "inet"),
       true,
       {},
       {"404 File Not Found..."},
       1612},
      {"length 0",
       test::WebFaultUrl(WebFault::Empty, "inet"),
       true,
       {},
       {test::WebFaultUrl(WebFault::Empty, "inet") + "/full.exe --- File Not Found !"},
       1612},
      {"connection closed half way",
       test::WebFaultUrl(WebFault::Truncate, "inet"),
       true,
       {},
       {"full.exe --- "},
       1612},
      // More bytes than announced: WinINet stops at the length, and the file
      // it gives is not the one the installer was made for.
      {"more than announced",
       test::WebFaultUrl(WebFault::Oversize, "inet"),
       true,
       {},
       {"SHA-256 differs"},
       1620},
      {"SHA-256 of another file",
       test::WebHttpUrl("inet"),
       false,
       {"--set", "Download.Sha256=" + otherSha},
       {"SHA-256 differs", "Expected SHA-256: " + otherSha},
       1620},
      {"untrusted certificate",
       test::WebUntrustedHttpsUrl("inet"),
       true,
       {},
       {"Unable to open Internet Connection: " + test::WebUntrustedHttpsUrl("inet") + "/full.exe",
        "certificate"},
       1612},
      {"no server",
       "http://127.0.0.1:9/inet",
       true,
       {},
       {"Unable to open Internet Connection"},
       1612},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string installer =
        BuildInstaller("fail" + std::to_string(++index), c.location, c.pinned, c.options);
    const LauncherRun run = RunLauncher(installer, "");
    ASSERT_EQ(run.boxes.size(), 1u) << Boxes(run);
    EXPECT_EQ(run.boxes[0].caption, "Error");
    for (const std::string& part : c.textParts)
      EXPECT_TRUE(Contains(run.boxes[0].text, part)) << part << "\nin: " << run.boxes[0].text;
    EXPECT_EQ(run.exitCode, c.exitCode);
    ExpectNothingRun(run);
  }
}

TEST_F(InternetSetupScenario, SetupFileNameThatLeavesTheTempFolderIsRefused) {
  // The builder refuses such a name, so the installer's download block is
  // changed afterwards: "full.exe" becomes "..\\a.exe", as long.
  const std::string installer = BuildInstaller("bad-name", test::WebHttpUrl("inet"), false);
  std::string bytes = test::ReadWholeFile(installer);
  const std::string field = std::string("|") + kSetupName + "|";
  const size_t at = bytes.find(field);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, field.size(), "|..\\a.exe|");
  test::WriteTestFile(installer, bytes);
  const std::string outside = TempFolder() + "..\\a.exe";
  ::DeleteFileA(outside.c_str());

  const LauncherRun run = RunLauncher(installer, "");
  ASSERT_EQ(run.boxes.size(), 1u) << Boxes(run);
  EXPECT_TRUE(Contains(run.boxes[0].text, "is not one plain file name")) << run.boxes[0].text;
  EXPECT_EQ(run.exitCode, 1620u);
  ExpectNothingRun(run);
  EXPECT_FALSE(test::FileExists(outside));
}

TEST_F(InternetSetupScenario, HiddenRunFailsWithItsExitCodeAndNoBox) {
  const std::string installer =
      BuildInstaller("hidden-fail", test::WebFaultUrl(WebFault::NotFound, "inet"), true);
  const LauncherRun run = RunLauncher(installer, "/hide");
  EXPECT_EQ(Boxes(run), "");
  EXPECT_EQ(run.exitCode, 1612u);
  ExpectNothingRun(run);
}

TEST_F(InternetSetupScenario, ClosingTheWindowAbortsAStalledDownload) {
  const std::string installer =
      BuildInstaller("stall", test::WebFaultUrl(WebFault::Stall, "inet"), true);
  bool closed = false;
  const DWORD start = ::GetTickCount();
  const LauncherRun run = RunLauncher(installer, "", {}, 90000, [&](HWND mainWindow) {
    // The user closes the window once it shows the download.
    if (!closed && mainWindow != nullptr && ::IsWindowVisible(mainWindow)) {
      closed = true;
      ::PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    }
  });
  EXPECT_TRUE(closed);
  ASSERT_TRUE(run.finished) << "the stalled download did not end";
  EXPECT_LT(::GetTickCount() - start, 60000u) << "ended by the server's time-out, not the user";
  ASSERT_EQ(run.boxes.size(), 1u) << Boxes(run);
  EXPECT_TRUE(Contains(run.boxes[0].text, "Download Aborted")) << run.boxes[0].text;
  EXPECT_EQ(run.exitCode, 1602u);
  ExpectNothingRun(run);
}

TEST_F(InternetSetupScenario, WritesTheAgentCopyForTheEngine) {
  const std::string installed = scratch_->path() + "\\installed";
  const std::string installer = BuildInstaller(
      "agent", test::WebHttpUrl("inet"), true,
      {"--flag", "AgentCopy=yes", "--set", "Internet.AgentFile=agent.exe", "--set",
       "Internet.ProductToken=product-token", "--set", "Internet.InfoUrl=http://127.0.0.1/info",
       "--set", "Internet.InfoFile=product.info"});
  const LauncherRun run = RunLauncher(installer, "/Install=" + Quote(installed) + " /ShowMs=1");
  ExpectInstalled(run);
  const std::string agent = installed + "\\agent.exe";
  ASSERT_TRUE(test::FileExists(agent)) << "the engine found no agent copy beside itself";
  // The installer's bytes, marked as an agent.
  EXPECT_TRUE(test::ReadWholeFile(agent) == AgentCopyImage(test::ReadWholeFile(installer)));
  const TGFileInfo copy = ReadPackageInfo(agent);
  EXPECT_TRUE(copy.GetAgentFlag());
  EXPECT_TRUE(copy.GetInternetSetup());
  EXPECT_EQ(copy.GetAgentFileName(), "agent.exe");
  int exitCode = -1;
  const std::string inspected = test::RunStubpackInspect(agent, &exitCode);
  EXPECT_EQ(exitCode, 0) << inspected;
  EXPECT_TRUE(Contains(inspected, "agent flag            yes")) << inspected;
}

}  // namespace
}  // namespace orvane
