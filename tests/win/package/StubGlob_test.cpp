// The INI primitives and the setup-information settings under Wine, against
// real files that each test writes itself: values as the system's profile
// functions read them, long values and their trace, defaults for missing and
// empty keys, switches with the transient overrides, and the writers with
// the readable companion keys of the times.
#include "package/StubGlob.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "harness/DebugViewer.h"
#include "harness/TestPaths.h"
#include "package/LangStrings.h"
#include "package/PackX.h"
#include "util/Handles.h"
#include "util/Utils.h"
#include "util/UtilsIni.h"

namespace orvane {
namespace {

using test::DebugViewer;

bool WriteText(const std::string& path, const std::string& text) {
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// A fresh folder with one INI file of the given content.
std::string IniFile(const std::string& folder, const std::string& content) {
  const std::string path = test::ScratchDir(folder) + "\\settings.ini";
  EXPECT_TRUE(WriteText(path, content));
  return path;
}

// The lines of the trace that mention `what`.
std::vector<std::string> TraceLinesWith(const DebugViewer& viewer, const std::string& what) {
  std::vector<std::string> found;
  for (const std::string& line : viewer.Lines()) {
    if (line.find(what) != std::string::npos)
      found.push_back(line);
  }
  return found;
}

// ---------------------------------------------------------------------------
// Reading

TEST(UtilsIniRead, ValuesMissingKeysAndEmptyValues) {
  const std::string file = IniFile("ini-read",
                                   "[Main]\r\n"
                                   "Plain=value\r\n"
                                   "Spaced =  inner  blanks  \r\n"
                                   "Quoted=\"quoted text\"\r\n"
                                   "Empty=\r\n"
                                   "Blank=   \r\n"
                                   "MixedCase=yes\r\n"
                                   "Equals=a=b\r\n"
                                   "[Other]\r\n"
                                   "Plain=other\r\n");
  struct Case {
    const char* label;
    std::string file;
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"value", file, "Main", "Plain", "value"},
      {"blanks around the value dropped", file, "Main", "Spaced", "inner  blanks"},
      {"quotes dropped", file, "Main", "Quoted", "quoted text"},
      {"key in other case", file, "main", "MIXEDCASE", "yes"},
      {"equals sign inside", file, "Main", "Equals", "a=b"},
      {"other section", file, "Other", "Plain", "other"},
      {"present but empty", file, "Main", "Empty", "DEF"},
      {"present but blank", file, "Main", "Blank", "DEF"},
      {"missing key", file, "Main", "Absent", "DEF"},
      {"missing section", file, "Absent", "Plain", "DEF"},
      {"missing file", file + ".missing", "Main", "Plain", "DEF"},
      {"empty section", file, "", "Plain", "DEF"},
      {"empty key", file, "Main", "", "DEF"},
      {"empty file name", "", "Main", "Plain", "DEF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadIniString(c.file, c.section, c.key, "DEF"), c.expected) << c.label;
}

TEST(UtilsIniRead, IntegersFallBackToTheDefault) {
  const std::string file = IniFile("ini-int",
                                   "[N]\r\n"
                                   "Big=3712000000\r\n"
                                   "Negative=-42\r\n"
                                   "Max=9223372036854775807\r\n"
                                   "Over=9223372036854775808\r\n"
                                   "Word=twelve\r\n"
                                   "Trailing=12abc\r\n"
                                   "Empty=\r\n");
  struct Case {
    const char* key;
    int64_t expected;
  } cases[] = {
      {"Big", 3712000000}, {"Negative", -42}, {"Max", INT64_MAX}, {"Over", 7},
      {"Word", 7},         {"Trailing", 7},   {"Empty", 7},       {"Absent", 7},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadIniInt64(file, "N", c.key, 7), c.expected) << c.key;
}

TEST(UtilsIniRead, LongValuesAreTracedAndCutAtTheBuffer) {
  struct Case {
    size_t length;
    size_t read;  // characters returned
    bool traced;
  } cases[] = {
      {10240, 10240, false},
      {10241, 10241, true},
      {32768, 32768, true},
      {40000, 32768, true},  // cut by the buffer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string value(c.length, 'x');
    value.back() = 'y';
    const std::string file = IniFile("ini-long", "[L]\r\nKey=" + value + "\r\nNext=after\r\n");
    DebugViewer viewer;
    const std::string read = ReadIniString(file, "L", "Key", "DEF");
    EXPECT_EQ(read.size(), c.read);
    EXPECT_EQ(read, value.substr(0, c.read));
    const auto traced = TraceLinesWith(viewer, "ReadIniString SizeError=");
    if (c.traced) {
      ASSERT_EQ(traced.size(), 1u);
      EXPECT_EQ(traced[0], "ReadIniString SizeError=" + std::to_string(c.read));
    } else {
      EXPECT_TRUE(traced.empty());
    }
    // The rest of the file is read as usual.
    EXPECT_EQ(ReadIniString(file, "L", "Next", "DEF"), "after");
  }
}

// ---------------------------------------------------------------------------
// Writing

TEST(UtilsIniWrite, WritesAndRefusesEmptyNames) {
  const std::string folder = test::ScratchDir("ini-write");
  const std::string file = folder + "\\new.ini";
  EXPECT_TRUE(WriteIniString(file, "Sec", "Text", "hello world"));
  EXPECT_TRUE(WriteIniInt64(file, "Sec", "Number", -1234567890123));
  EXPECT_EQ(ReadIniString(file, "Sec", "Text", ""), "hello world");
  EXPECT_EQ(ReadIniInt64(file, "Sec", "Number", 0), -1234567890123);
  EXPECT_NE(test::ReadWholeFile(file).find("Number=-1234567890123"), std::string::npos);

  const std::string untouched = folder + "\\untouched.ini";
  EXPECT_FALSE(WriteIniString("", "Sec", "Key", "v"));
  EXPECT_FALSE(WriteIniString(untouched, "", "Key", "v"));
  EXPECT_FALSE(WriteIniString(untouched, "Sec", "", "v"));
  EXPECT_FALSE(WriteIniInt64(untouched, "", "Key", 1));
  EXPECT_FALSE(test::FileExists(untouched));
  // A folder that does not exist cannot take the file.
  EXPECT_FALSE(WriteIniString(folder + "\\missing\\x.ini", "Sec", "Key", "v"));
}

// ---------------------------------------------------------------------------
// The installed-setup record

const char kOriginalContent[] =
    "[OriginalSetup]\r\n"
    "ProbeSecondsInterval=86400\r\n"
    "ProbeSecondsLast=3712000000\r\n"
    "ReAskSecondsInterval=604800\r\n"
    "ReAskSecondsLast=3711000000\r\n"
    "VersionOriginal=120\r\n"
    "Stamp=777\r\n"
    "ProgramName=Orvane Demo\r\n"
    "[Directories]\r\n"
    "TargetDir=C:\\Program Files\\Demo\r\n"
    "SharedDir=C:\\Shared\r\n"
    "AuxiliaryDir=C:\\Aux\r\n"
    "[UnInstall]\r\n"
    "StartUpLink=C:\\Links\\Demo.lnk\r\n"
    "CheckforNewUpdateLink=C:\\Links\\Check.lnk\r\n"
    "[MsgBox]\r\n"
    "BtnText=|&Ja|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|\r\n"
    "Error=Fehler\r\n"
    "Confirm=Bestaetigen\r\n"
    "Attention=Achtung\r\n"
    "CharSet=238\r\n"
    "FontName=Verdana\r\n"
    "FontSize=10\r\n"
    "[AutoUpdate]\r\n"
    "s3=Abgebrochen\r\n"
    "s11=A new version of PROG_NAME is available.\r\n"
    "s22=Scrambled=01Axyz\r\n"
    "s31=\r\n";

struct TextReader {
  const char* key;
  std::function<std::string(const OriginalFile&)> read;
  const char* value;     // from kOriginalContent
  const char* fallback;  // from a file without the key
};

TEST(StubGlobOriginal, TextReadersGiveTheValueOrTheirDefault) {
  const OriginalFile full(IniFile("original-full", kOriginalContent));
  const OriginalFile none(test::ScratchDir("original-none") + "\\Demo.original");
  const TextReader readers[] = {
      {"ProgramName", [](const OriginalFile& f) { return f.GetProgramName(); }, "Orvane Demo", ""},
      {"TargetDir", [](const OriginalFile& f) { return f.GetTargetDir(); },
       "C:\\Program Files\\Demo", ""},
      {"SharedDir", [](const OriginalFile& f) { return f.GetSharedDir(); }, "C:\\Shared", ""},
      {"AuxiliaryDir", [](const OriginalFile& f) { return f.GetAuxiliaryDir(); }, "C:\\Aux", ""},
      {"StartUpLink", [](const OriginalFile& f) { return f.GetStartUpLink(); },
       "C:\\Links\\Demo.lnk", ""},
      {"CheckforNewUpdateLink", [](const OriginalFile& f) { return f.GetCheckforNewUpdateLink(); },
       "C:\\Links\\Check.lnk", ""},
      {"BtnText", [](const OriginalFile& f) { return f.GetMsgBoxButtons(); },
       "|&Ja|&Abbrechen|&Ja|&Nein|&Abbruch|&Wiederholen|&Ignorieren|",
       "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"},
      {"Error", [](const OriginalFile& f) { return f.GetMsgBoxError(); }, "Fehler", "Error"},
      {"Confirm", [](const OriginalFile& f) { return f.GetMsgBoxConfirm(); }, "Bestaetigen",
       "Confirm"},
      {"Attention", [](const OriginalFile& f) { return f.GetMsgBoxAttention(); }, "Achtung",
       "Attention"},
      {"FontName", [](const OriginalFile& f) { return f.GetMsgBoxFontName(); }, "Verdana",
       "Tahoma"},
      {"s3", [](const OriginalFile& f) { return f.GetAgentString("s3"); }, "Abgebrochen",
       "File Download Aborted!"},
      {"s11", [](const OriginalFile& f) { return f.GetAgentString("s11"); },
       "A new version of PROG_NAME is available.", ""},
      // Agent texts are used as read: a scrambled-looking text stays as it is.
      {"s22", [](const OriginalFile& f) { return f.GetAgentString("s22"); }, "Scrambled=01Axyz",
       ""},
      // Present and empty: the built-in text.
      {"s31", [](const OriginalFile& f) { return f.GetAgentString("s31"); },
       "Downloading INFO File...", "Downloading INFO File..."},
      {"s5", [](const OriginalFile& f) { return f.GetAgentString("s5", "own default"); },
       "own default", "own default"},
  };
  for (const TextReader& r : readers) {
    EXPECT_EQ(r.read(full), r.value) << r.key;
    EXPECT_EQ(r.read(none), r.fallback) << r.key;
  }
  EXPECT_EQ(full.GetMsgBoxCharset(), 238);
  EXPECT_EQ(full.GetMsgBoxFontSize(), 10);
  EXPECT_EQ(none.GetMsgBoxCharset(), 0);
  EXPECT_EQ(none.GetMsgBoxFontSize(), 8);
}

TEST(StubGlobOriginal, IntegerReadersAndTheirDefaults) {
  const OriginalFile full(IniFile("original-int", kOriginalContent));
  const OriginalFile broken(IniFile("original-broken",
                                    "[OriginalSetup]\r\n"
                                    "ProbeSecondsInterval=\r\n"
                                    "ProbeSecondsLast=soon\r\n"
                                    "ReAskSecondsInterval=1 week\r\n"
                                    "ReAskSecondsLast=0x10\r\n"
                                    "VersionOriginal=\r\n"
                                    "Stamp=12.5\r\n"
                                    "[MsgBox]\r\n"
                                    "CharSet=Western\r\n"
                                    "FontSize=\r\n"));
  struct Reader {
    const char* key;
    std::function<int64_t(const OriginalFile&)> read;
    int64_t value;
  } readers[] = {
      {"ProbeSecondsInterval", [](const OriginalFile& f) { return f.GetProbeSecondsInterval(); },
       86400},
      {"ProbeSecondsLast", [](const OriginalFile& f) { return f.GetProbeSecondsLast(); },
       3712000000},
      {"ReAskSecondsInterval", [](const OriginalFile& f) { return f.GetReAskSecondsInterval(); },
       604800},
      {"ReAskSecondsLast", [](const OriginalFile& f) { return f.GetReAskSecondsLast(); },
       3711000000},
      {"VersionOriginal", [](const OriginalFile& f) { return f.GetVersionOriginal(); }, 120},
      {"Stamp", [](const OriginalFile& f) { return f.GetStamp(); }, 777},
  };
  for (const Reader& r : readers) {
    EXPECT_EQ(r.read(full), r.value) << r.key;
    EXPECT_EQ(r.read(broken), 0) << r.key;
  }
  EXPECT_EQ(broken.GetMsgBoxCharset(), 0);
  EXPECT_EQ(broken.GetMsgBoxFontSize(), 8);
}

TEST(StubGlobOriginal, WritersKeepTheRestAndAddReadableTimes) {
  const std::string path = IniFile("original-write", kOriginalContent);
  const OriginalFile file(path);
  EXPECT_TRUE(file.SetProbeSecondsLast(3712000000));
  EXPECT_TRUE(file.SetReAskSecondsLast(3000000000));
  EXPECT_TRUE(file.SetProbeSecondsInterval(3600));
  EXPECT_TRUE(file.SetReAskSecondsInterval(-5));
  EXPECT_TRUE(file.SetVersionOriginal(130));
  EXPECT_TRUE(file.SetStamp(778));

  EXPECT_EQ(file.GetProbeSecondsLast(), 3712000000);
  EXPECT_EQ(file.GetReAskSecondsLast(), 3000000000);
  EXPECT_EQ(file.GetProbeSecondsInterval(), 3600);
  EXPECT_EQ(file.GetReAskSecondsInterval(), -5);
  EXPECT_EQ(file.GetVersionOriginal(), 130);
  EXPECT_EQ(file.GetStamp(), 778);
  EXPECT_EQ(ReadIniString(path, "OriginalSetup", "__ProbeSecondsLast", ""), "15-AUG-2017 23:06:40");
  EXPECT_EQ(ReadIniString(path, "OriginalSetup", "__ReAskSecondsLast", ""), "23-JAN-1995 05:20:00");
  // The intervals, the version and the stamp have no companion.
  for (const char* key :
       {"__ProbeSecondsInterval", "__ReAskSecondsInterval", "__VersionOriginal", "__Stamp"})
    EXPECT_EQ(ReadIniString(path, "OriginalSetup", key, "none"), "none") << key;
  // Everything else is still there.
  EXPECT_EQ(file.GetProgramName(), "Orvane Demo");
  EXPECT_EQ(file.GetTargetDir(), "C:\\Program Files\\Demo");
  EXPECT_EQ(file.GetAgentString("s3"), "Abgebrochen");

  const std::string text = test::ReadWholeFile(path);
  EXPECT_NE(text.find("ProbeSecondsLast=3712000000"), std::string::npos) << text;
  EXPECT_NE(text.find("__ProbeSecondsLast=15-AUG-2017 23:06:40"), std::string::npos) << text;
}

TEST(StubGlobOriginal, WritersCreateTheFileAndFailWithoutAFolder) {
  const std::string folder = test::ScratchDir("original-create");
  const OriginalFile file(folder + "\\Fresh.original");
  EXPECT_TRUE(file.SetProbeSecondsLast(-86400));
  EXPECT_EQ(file.GetProbeSecondsLast(), -86400);
  // A moment before the start of the scale is written as the start.
  EXPECT_EQ(ReadIniString(file.Path(), "OriginalSetup", "__ProbeSecondsLast", ""),
            "30-DEC-1899 00:00:00");

  const OriginalFile nowhere(folder + "\\missing\\Fresh.original");
  EXPECT_FALSE(nowhere.SetProbeSecondsLast(1));
  EXPECT_FALSE(nowhere.SetReAskSecondsLast(1));
  EXPECT_FALSE(nowhere.SetStamp(1));
  EXPECT_FALSE(nowhere.SetVersionOriginal(1));
  EXPECT_FALSE(nowhere.SetProbeSecondsInterval(1));
  EXPECT_FALSE(nowhere.SetReAskSecondsInterval(1));
}

// ---------------------------------------------------------------------------
// The update information file

TEST(StubGlobInfo, ReadersGiveTheValueOrTheirDefault) {
  const InfoFile full(IniFile("info-full",
                              "[NewSetup]\r\n"
                              "DownloadURL_UPDATE=http://example.test/updates/\r\n"
                              "NameOfUpdateFile=DemoUpdate.exe\r\n"
                              "SizeOfUpdateFile=5242880\r\n"
                              "ShutDownMethod=Using WM_CLOSE\r\n"
                              "RunningProcess=<TARGETDIR>\\Demo.exe\r\n"
                              "ProgramName=Orvane Demo 2\r\n"
                              "VersionNew=130\r\n"
                              "Stamp=778\r\n"
                              "ValidVersions=|110|120|\r\n"
                              "RemoveStartUpShortcut=1\r\n"
                              "RemoveCheckForNewUpdateShortcut=true\r\n"
                              "[General]\r\n"
                              "AutoInform=1\r\n"
                              "[AutoInform]\r\n"
                              "DownloadURL_INFORM=http://example.test/inform/\r\n"
                              "NameOfInformFile=News.rtf\r\n"
                              "SizeOfInformFile=2048\r\n"
                              "AutoInformW=480\r\n"
                              "AutoInformH=\r\n"));
  const InfoFile none(test::ScratchDir("info-none") + "\\Demo.info");

  struct Text {
    const char* key;
    std::function<std::string(const InfoFile&)> read;
    const char* value;
  } texts[] = {
      {"DownloadURL_UPDATE", [](const InfoFile& f) { return f.GetDownloadURL_UPDATE(); },
       "http://example.test/updates/"},
      {"NameOfUpdateFile", [](const InfoFile& f) { return f.GetNameOfUpdateFile(); },
       "DemoUpdate.exe"},
      {"ShutDownMethod", [](const InfoFile& f) { return f.GetShutDownMethod(); }, "Using WM_CLOSE"},
      {"RunningProcess", [](const InfoFile& f) { return f.GetRunningProcess(); },
       "<TARGETDIR>\\Demo.exe"},
      {"ProgramName", [](const InfoFile& f) { return f.GetProgramName(); }, "Orvane Demo 2"},
      {"ValidVersions", [](const InfoFile& f) { return f.GetValidVersions(); }, "|110|120|"},
      {"DownloadURL_INFORM", [](const InfoFile& f) { return f.GetDownloadURL_INFORM(); },
       "http://example.test/inform/"},
      {"NameOfInformFile", [](const InfoFile& f) { return f.GetNameOfInformFile(); }, "News.rtf"},
  };
  for (const Text& t : texts) {
    EXPECT_EQ(t.read(full), t.value) << t.key;
    EXPECT_EQ(t.read(none), "") << t.key;
  }

  struct Number {
    const char* key;
    std::function<int64_t(const InfoFile&)> read;
    int64_t value;
    int64_t fallback;
  } numbers[] = {
      {"SizeOfUpdateFile", [](const InfoFile& f) { return f.GetSizeOfUpdateFile(); }, 5242880, 0},
      {"VersionNew", [](const InfoFile& f) { return f.GetVersionNew(); }, 130, 0},
      {"Stamp", [](const InfoFile& f) { return f.GetStamp(); }, 778, 0},
      {"AutoInform", [](const InfoFile& f) { return f.GetAutoInform(); }, 1, 0},
      {"SizeOfInformFile", [](const InfoFile& f) { return f.GetSizeOfInformFile(); }, 2048, 0},
      {"AutoInformW", [](const InfoFile& f) { return f.GetAutoInformW(); }, 480, 360},
      {"AutoInformH (present, empty)", [](const InfoFile& f) { return f.GetAutoInformH(); }, 360,
       360},
  };
  for (const Number& n : numbers) {
    EXPECT_EQ(n.read(full), n.value) << n.key;
    EXPECT_EQ(n.read(none), n.fallback) << n.key;
  }

  EXPECT_TRUE(full.GetRemoveStartUpShortcut());
  EXPECT_FALSE(full.GetRemoveCheckForNewUpdateShortcut());  // "true" is not "1"
  EXPECT_FALSE(none.GetRemoveStartUpShortcut());
  EXPECT_FALSE(none.GetRemoveCheckForNewUpdateShortcut());
  EXPECT_TRUE(full.IsAutoInform());
  EXPECT_FALSE(none.IsAutoInform());
}

TEST(StubGlobInfo, OnlyAutoInformOneAsksToInform) {
  struct Case {
    const char* value;
    bool inform;
  } cases[] = {{"1", true}, {"2", false}, {"0", false}, {"", false}, {"yes", false}, {"01", true}};
  for (const Case& c : cases) {
    const InfoFile file(
        IniFile("info-autoinform", std::string("[General]\r\nAutoInform=") + c.value + "\r\n"));
    EXPECT_EQ(file.IsAutoInform(), c.inform) << c.value;
  }
}

using SwitchReader = bool (InfoFile::*)(const TransientOverrides&) const;

TEST(StubGlobInfo, OverridableSwitchesFollowTheOverrideOrTheFile) {
  struct Switch {
    const char* key;
    Override field;
    SwitchReader read;
  } switches[] = {
      {"RequestConfirmationBeforeDownload", Override::RequestConfirmationBeforeDownload,
       &InfoFile::GetRequestConfirmationBeforeDownload},
      {"RequestConfirmationBeforeDownloadForce", Override::RequestConfirmationBeforeDownloadForce,
       &InfoFile::GetRequestConfirmationBeforeDownloadForce},
      {"RequestConfirmationBeforeInstall", Override::RequestConfirmationBeforeInstall,
       &InfoFile::GetRequestConfirmationBeforeInstall},
      {"RequestConfirmationBeforeInstallForce", Override::RequestConfirmationBeforeInstallForce,
       &InfoFile::GetRequestConfirmationBeforeInstallForce},
      {"BackgroundUpdate", Override::BackgroundUpdate, &InfoFile::GetBackgroundUpdate},
      {"RestartProcess", Override::RestartProcess, &InfoFile::GetRestartProcess},
      {"InformFinish", Override::InformFinish, &InfoFile::GetInformFinish},
  };
  struct Case {
    const char* fileValue;  // null: key absent
    uint8_t override;
    bool on;
  } cases[] = {
      {"1", 255, true},     {"0", 255, false}, {nullptr, 255, false}, {"yes", 255, false},
      {"true", 255, false}, {"", 255, false},  {"1", 0, false},       {"0", 1, true},
      {nullptr, 1, true},   {"1", 2, false},
  };
  for (const Switch& s : switches) {
    for (const Case& c : cases) {
      std::string content = "[NewSetup]\r\n";
      // Every other switch is on in the file, so a reader of the wrong key shows.
      for (const Switch& other : switches) {
        if (&other != &s)
          content += std::string(other.key) + "=1\r\n";
      }
      if (c.fileValue)
        content += std::string(s.key) + "=" + c.fileValue + "\r\n";
      const InfoFile file(IniFile("info-switch", content));
      TransientOverrides overrides;
      // Every other field says off, so a reader of the wrong field shows.
      overrides.fields.fill(0);
      overrides.Set(s.field, c.override);
      EXPECT_EQ((file.*s.read)(overrides), c.on)
          << s.key << " file=" << (c.fileValue ? c.fileValue : "(absent)")
          << " override=" << int{c.override};
    }
  }
}

// ---------------------------------------------------------------------------
// File locations and the clock

TEST(StubGlobPaths, BothFilesLieBesideTheRunningExecutable) {
  pack::PackageHeader header;
  header.internetBlock = "|http://example.test/|updates\\Demo.v2.info|DemoAgent.exe|token|0|";
  const TGFileInfo own(header);
  EXPECT_EQ(GetInfoFilePath(own), OwnDir(true) + "Demo.v2.info");
  EXPECT_EQ(GetOriginalFilePath(own), OwnDir(true) + "Demo.original");
}

TEST(StubGlobPaths, SecondsNowIsTheLocalTimeOnTheSecondsScale) {
  const int64_t before = SecondsFromMoment(LocalMomentNow());
  const int64_t now = SecondsNow();
  const int64_t after = SecondsFromMoment(LocalMomentNow());
  EXPECT_GE(now, before - 1);
  EXPECT_LE(now, after + 1);
  // Some time after 2020 and not in the far future.
  EXPECT_GT(now, 3786825600);
  EXPECT_LT(now, 6000000000);
}

}  // namespace
}  // namespace orvane
