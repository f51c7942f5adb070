// The setup flow's text rules: engine command line, switch removal, sizes in
// MB, the space message, the choice of another Temp drive, the relaunch, the
// exit codes and the working folder's names.
#include "launcher/StubSetupText.h"

#include <gtest/gtest.h>

#include "package/PackFormat.h"

namespace orvane {
namespace {

EngineLaunch Launch(const std::string& startEntry, const std::string& switches) {
  EngineLaunch launch;
  launch.extractDir = "C:\\T\\SETUP_4321";
  launch.startEntry = startEntry;
  launch.switches = switches;
  launch.threadTag = "_77";
  launch.ownPath = "D:\\Setup Files\\setup.exe";
  return launch;
}

TEST(EngineCommandLine, Table) {
  const std::string origin = " /OriginExe=\"D:\\Setup Files\\setup.exe\"";
  struct Case {
    std::string entry;
    std::string switches;
    std::string expected;
  };
  const Case cases[] = {
      // The caller's switches first, then the entry's own text.
      {"setup.exe*/Q", "/hide", "C:\\T\\SETUP_4321\\setup.exe /hide /Q /TH_ID=_77" + origin},
      // Without "*": the caller's switches only.
      {"setup.exe", "/hide", "C:\\T\\SETUP_4321\\setup.exe /hide /TH_ID=_77" + origin},
      // "*" and no switches: the entry's text once, no double blank.
      {"setup.exe* /Q ", "", "C:\\T\\SETUP_4321\\setup.exe /Q /TH_ID=_77" + origin},
      {"setup.exe", "", "C:\\T\\SETUP_4321\\setup.exe /TH_ID=_77" + origin},
      {" setup.exe *", "", "C:\\T\\SETUP_4321\\setup.exe /TH_ID=_77" + origin},
      // An /OriginExe= already there is kept, and no second one is added.
      {"setup.exe", "/OriginExe=\"C:\\first.exe\"",
       "C:\\T\\SETUP_4321\\setup.exe /OriginExe=\"C:\\first.exe\" /TH_ID=_77"},
      // The relaunched copy's own switches go, each up to the next "/"; the
      // blank in front of the first stays.
      {"setup.exe*/Q",
       "/SpanCdLvl=2 /SpanDiskFName1=\"D:\\a b\\setup.exe.001\" /OriginExe=\"D:\\x.exe\"",
       "C:\\T\\SETUP_4321\\setup.exe /OriginExe=\"D:\\x.exe\" /Q /TH_ID=_77"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry + " / " + c.switches);
    EXPECT_EQ(EngineCommandLine(Launch(c.entry, c.switches)), c.expected);
  }
}

TEST(EngineCommandLine, AFolderWithABlankIsQuoted) {
  EngineLaunch launch = Launch("setup.exe*/Q", "");
  launch.extractDir = "C:\\Users\\John Smith\\Temp\\SETUP_1";
  EXPECT_EQ(EngineCommandLine(launch),
            "\"C:\\Users\\John Smith\\Temp\\SETUP_1\\setup.exe\" /Q /TH_ID=_77 "
            "/OriginExe=\"D:\\Setup Files\\setup.exe\"");
}

TEST(EngineCommandLine, OneTrailingBackslashAndTheAgentSwitch) {
  EngineLaunch launch = Launch("e.exe", "");
  launch.extractDir = "C:\\T\\";
  launch.agent = true;
  EXPECT_EQ(EngineCommandLine(launch),
            "C:\\T\\e.exe /TH_ID=_77 /OriginExe=\"D:\\Setup Files\\setup.exe\" /AutoUpdateProg");
}

TEST(RemoveSwitch, CutsUpToTheNextSlash) {
  EXPECT_EQ(RemoveSwitch("a /X=1 /Y=2", "/X="), "a /Y=2");
  EXPECT_EQ(RemoveSwitch("a /Y=2 /X=1 2 3", "/X="), "a /Y=2 ");
  EXPECT_EQ(RemoveSwitch("a /x=1 /Y=2", "/X="), "a /x=1 /Y=2");  // case matters
  EXPECT_EQ(RemoveSwitch("/X=1 /X=2", "/X="), "/X=2");           // the first only
  // A value holding a "/" is cut there.
  EXPECT_EQ(RemoveSwitch("/X=\"C:/dir/f\" /Y", "/X="), "/dir/f\" /Y");
  EXPECT_EQ(RemoveSwitch("abc", ""), "abc");
}

TEST(FormatMB, DecimalsFollowTheSize) {
  const struct {
    double bytes;
    const char* text;
  } cases[] = {
      {0, "0.000"},
      {-5, "0.000"},
      {1048576 * 5.5, "5.50"},
      {1048576 * 12.34, "12.3"},
      {1048576 * 0.5, "0.500"},
      {1048576 * 10, "10.00"},
      {1048576, "1.00"},
      {1048576 * 2048.0, "2048.0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatMB(c.bytes), c.text) << c.bytes;
}

TEST(SpaceMessage, FillsEveryPlaceholder) {
  EXPECT_EQ(SpaceMessage("Temp (<DRIVE>)<P>", "need <SPACE_REQ> MB<P>", "have <SPACE_AVAIL> MB<P>",
                         "<DRIVE> ok?", "C:", 1048576 * 3.0, 1048576 * 20.0),
            "Temp (C:)<P>need 3.00 MB<P>have 20.0 MB<P>C: ok?");
}

TEST(BetterTempDrive, MostFreeSpaceWinsUnlessItIsTheTempDrive) {
  const struct {
    double free[3];
    char temp;
    char expected;
  } cases[] = {
      {{100, 500, 200}, 'C', 'D'}, {{100, 500, 500}, 'C', 'D'},  // a tie keeps the earlier letter
      {{900, 500, 200}, 'C', 0},                                 // Temp's drive is best: stay
      {{0, 0, 0}, 'C', 0},                                       // no drive could be probed
      {{0, 0, 10}, 'D', 'E'},      {{100, 0, 0}, 'D', 'C'},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BetterTempDrive(c.free, c.temp), c.expected);
}

TEST(RelaunchSwitches, AppendsTheCopysSwitches) {
  EXPECT_EQ(
      RelaunchSwitches("/hide", "E:\\setup.exe.001", "E:\\setup.exe"),
      "/hide /SpanCdLvl=2 /SpanDiskFName1=\"E:\\setup.exe.001\" /OriginExe=\"E:\\setup.exe\"");
  EXPECT_EQ(RelaunchSwitches("", "E:\\a b\\s.exe", "E:\\a b\\s.exe"),
            "/SpanCdLvl=2 /SpanDiskFName1=\"E:\\a b\\s.exe\" /OriginExe=\"E:\\a b\\s.exe\"");
}

TEST(ExtractionExitCode, EachFailureHasItsOwnCode) {
  struct Case {
    const char* what;
    ExtractionOutcome outcome;
    bool hidden;
    uint32_t code;
  };
  const auto outcome = [](bool checksumOk, const char* start) {
    ExtractionOutcome o;
    o.checksumOk = checksumOk;
    o.startEntry = start;
    return o;
  };
  const auto with = [](ExtractionOutcome o, void (*change)(ExtractionOutcome&)) {
    change(o);
    o.startEntry.clear();  // the walk never leaves a start entry after a failure
    return o;
  };
  const ExtractionOutcome sound = outcome(true, "setup.exe*");
  const Case cases[] = {
      {"sound", sound, false, 0},
      {"sound, hidden", sound, true, 0},
      {"nothing to start", outcome(true, ""), false, 1603},
      {"bad checksum", outcome(false, ""), false, 23},
      {"write failure", with(sound, [](ExtractionOutcome& o) { o.writeFailed = true; }), false, 29},
      {"cancelled prompt", with(sound, [](ExtractionOutcome& o) { o.cancelled = true; }), false,
       1602},
      {"hidden run missing a volume", with(sound, [](ExtractionOutcome& o) { o.cancelled = true; }),
       true, 1612},
      {"damaged", with(sound, [](ExtractionOutcome& o) { o.damage = "x"; }), false, 1620},
      {"no package",
       with(outcome(false, ""),
            [](ExtractionOutcome& o) {
              o.noPackage = true;
              o.damage = "x";
            }),
       false, 1619},
      // A later volume's damage outweighs the prompt that was answered before.
      {"damaged after a prompt",
       with(sound,
            [](ExtractionOutcome& o) {
              o.damage = "x";
              o.writeFailed = true;
            }),
       false, 1620},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExtractionExitCode(c.outcome, c.hidden), c.code) << c.what;
}

TEST(WorkingFolder, NamesAndMutexNames) {
  EXPECT_EQ(WorkingFolderName(4321, 1), "SETUP_4321");
  EXPECT_EQ(WorkingFolderName(4321, 2), "SETUP_4321_2");
  EXPECT_EQ(WorkingFolderName(0, 17), "SETUP_0_17");

  const std::string name = WorkingFolderMutexName("C:\\Users\\a\\Temp\\SETUP_4321");
  EXPECT_EQ(name, WorkingFolderMutexName("c:\\users\\A\\TEMP\\setup_4321"));
  EXPECT_NE(name, WorkingFolderMutexName("C:\\Users\\a\\Temp\\SETUP_4321_2"));
  EXPECT_NE(name, WorkingFolderMutexName("D:\\Users\\a\\Temp\\SETUP_4321"));
  EXPECT_EQ(name.find('\\'), std::string::npos);
  // A path of any length gives a name well inside MAX_PATH.
  EXPECT_LT(WorkingFolderMutexName(std::string(5000, 'x')).size(), 64u);
}

TEST(InternetSetup, DownloadQuestionShowsTheSizeInMB) {
  const std::string s11 = "Size: <SIZE> MB<P>(<SIZE>)";
  struct Case {
    const char* size;
    const char* text;
  } cases[] = {
      {"1572864", "Size: 1.50 MB<P>(1.50)"},
      {"", "Size: 0.000 MB<P>(0.000)"},
      {"12ab", "Size: 0.000 MB<P>(0.000)"},
      {"-5", "Size: 0.000 MB<P>(0.000)"},
      {"524288000", "Size: 500.0 MB<P>(500.0)"},
      {"6442450944", "Size: 6144.0 MB<P>(6144.0)"},  // beyond 32 bits
  };
  for (const Case& c : cases)
    EXPECT_EQ(DownloadQuestion(s11, c.size), c.text) << c.size;
}

TEST(InternetSetup, LocalSetupPathHasOneBackslash) {
  EXPECT_EQ(LocalSetupPath("C:\\Dist", "Setup.exe"), "C:\\Dist\\Setup.exe");
  EXPECT_EQ(LocalSetupPath("C:\\Dist\\", "Setup.exe"), "C:\\Dist\\Setup.exe");
  EXPECT_EQ(LocalSetupPath("\\\\server\\share", "Setup.exe"), "\\\\server\\share\\Setup.exe");
}

// A launcher image of `size` bytes whose package ends at `end` (0: no
// pointer), bytes counting up so that changes show.
std::string Image(size_t size, uint64_t end) {
  std::string image(size, '\0');
  for (size_t i = 0; i < size; ++i)
    image[i] = static_cast<char>(i * 7 + 3);
  for (size_t i = 248; i < 256 && i < size; ++i)
    image[i] = 0;
  if (end != 0)
    pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&image[0]), size, end);
  return image;
}

TEST(InternetSetup, AgentCopyDropsAShortTailAndMarksTheTrailer) {
  struct Case {
    size_t size;
    uint64_t end;
    size_t copySize;
    size_t flagAt;  // the byte set to 1
  } cases[] = {
      {5000, 0, 5000, 4995},       // no pointer: only the flag changes
      {5000, 5000, 5000, 4995},    // nothing after the package
      {5000, 3000, 3000, 2995},    // a signature after the package goes
      {15000, 5001, 5001, 4996},   // a tail of 9999 bytes goes too
      {15000, 5000, 15000, 4995},  // 10000 bytes stay, but the flag is the trailer's
      {5000, 9000, 5000, 4995},    // a pointer beyond the file is not followed
  };
  for (const Case& c : cases) {
    const std::string image = Image(c.size, c.end);
    std::string expected = image.substr(0, c.copySize);
    expected[c.flagAt] = 1;
    const std::string copy = AgentCopyImage(image);
    ASSERT_EQ(copy.size(), expected.size()) << c.size << " " << c.end;
    EXPECT_TRUE(copy == expected) << c.size << " " << c.end;
  }
  EXPECT_EQ(AgentCopyImage("abcde"), "abcde");
  EXPECT_EQ(AgentCopyImage(""), "");
}

TEST(InternetSetup, Sha256MustMatchAsTheInstallerNamesIt) {
  const std::string a(64, 'a');
  const std::string upperA(64, 'A');
  const std::string b(64, 'b');
  EXPECT_TRUE(pack::IsSha256Text(a));
  EXPECT_TRUE(pack::IsSha256Text(upperA));
  for (const std::string& bad : {std::string(63, 'a'), std::string(65, 'a'),
                                 std::string(63, 'a') + "g", std::string(), std::string(64, ' ')})
    EXPECT_FALSE(pack::IsSha256Text(bad)) << bad;

  EXPECT_EQ(Sha256MismatchText(a, a, "C:\\T\\S.exe"), "");
  EXPECT_EQ(Sha256MismatchText(upperA, a, "C:\\T\\S.exe"), "");
  EXPECT_EQ(Sha256MismatchText(a, b, "C:\\T\\S.exe"),
            "The setup file is not the one this installer was made for: its SHA-256 differs."
            "<P><P>File: C:\\T\\S.exe<P>Expected SHA-256: " +
                a + "<P>SHA-256 found: " + b);
  // A file that could not be hashed never passes.
  EXPECT_NE(Sha256MismatchText(a, "", "x"), "");
  // Nor does a value the installer names wrongly, even when the file's
  // hash happens to be written the same way.
  EXPECT_NE(Sha256MismatchText("xyz", "xyz", "x"), "");
  EXPECT_NE(Sha256MismatchText(std::string(64, 'g'), std::string(64, 'g'), "x"), "");
}

}  // namespace
}  // namespace orvane
