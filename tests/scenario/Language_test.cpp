// The language of an installer's texts follows the user's locale: a package
// built from a UTF-8 project with an English and a German section shows the
// German texts, umlauts, "ß" and the other letters of code page 1252 intact,
// on a German system and the English ones on an English system.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/DebugViewer.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/LauncherWatch.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"

namespace orvane {
namespace {

using test::BoxSeen;
using test::LauncherRun;
using test::Quote;

// The project as a vendor writes it, in UTF-8. English comes first, so that
// the German texts are shown only when the launcher picks them by name.
constexpr char kProject[] =
    "[Setup]\n"
    "ShowTempNotice = yes\n"
    "\n"
    "[Files]\n"
    "engine.exe = engine.exe*\n"
    "readme.txt\n"
    "\n"
    "[Language.English]\n"
    "s0 = \"Acme Setup\"\n"
    "s2 = \"Acme unpacks its files to drive <DRIVE><P>\"\n"
    "s6 = \"<P>Go on with the setup?<P>\"\n"
    "Confirm = Question\n"
    "\n"
    "[Language.German]\n"
    "Charset = 0\n"
    "s0 = \"Größenprüfung für Äpfel\"\n"
    "s2 = \"„Acme“ entpackt seine Dateien auf Laufwerk <DRIVE> … für 5 € – süß<P>\"\n"
    "s6 = \"<P>Weiter mit der Übergröße? Schließen Sie alle Programme.<P>\"\n"
    "Confirm = Bestätigung\n"
    "BtnText = \"|&OK|&Abbrechen|&Ja|&Nein|A&bbruch|&Wiederholen|&Ignorieren|\"\n";

// A window text as read through the ANSI functions of this process, in UTF-8.
std::string Utf8FromAnsi(const std::string& text) {
  if (text.empty())
    return text;
  const int wide =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring buffer(static_cast<size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), buffer.data(), wide);
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, buffer.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string RegistryText(HKEY root, const char* key, const char* name) {
  char value[256] = {};
  DWORD size = sizeof value - 1;
  if (::RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

constexpr char kInternational[] = "Control Panel\\International";

class LanguageScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    localeBefore_ = RegistryText(HKEY_CURRENT_USER, kInternational, "Locale");
    const std::string& dir = folder_.path();
    ASSERT_TRUE(test::CopyFileTo(test::EngineExe(), dir + "\\engine.exe"));
    test::WriteTestFile(dir + "\\readme.txt", "readme\r\n");
    test::WriteTestFile(dir + "\\setup.ini", kProject);
    int exitCode = -1;
    const std::string output =
        test::RunStubpack("build -q " + Quote(dir + "\\setup.ini") + " --stub " +
                              Quote(test::StubExe()) + " -o " + Quote(installer_),
                          &exitCode);
    ASSERT_EQ(exitCode, 0) << output;
  }

  // Wine writes the locale of each process it starts into the user's
  // International settings; a process in the harness's own locale puts them
  // back for the tests that follow.
  void TearDown() override {
    test::RunQuietProcess(Quote(test::StubExe()) + " /hide");
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kInternational, "Locale"), localeBefore_);
  }

  test::ScratchFolder folder_{"language"};
  const std::string installer_ = folder_.path() + "\\Setup.exe";
  std::string localeBefore_;
  test::DebugViewer viewer_;
};

TEST_F(LanguageScenario, StartUpWindowAndSpaceQuestionSpeakTheLanguageOfTheLocale) {
  struct Case {
    const char* locale;
    const char* localeName;  // as Wine writes it for the launcher's process
    const char* caption;     // s0
    const char* boxCaption;  // Confirm
    const char* firstLine;   // s2 with the drive
    const char* lastLine;    // s6
    int cancelKey;           // the letter of the Cancel button of BtnText
  } cases[] = {
      {"de_DE.UTF-8", "de-DE", "Größenprüfung für Äpfel", "Bestätigung",
       "„Acme“ entpackt seine Dateien auf Laufwerk C: … für 5 € – süß",
       "Weiter mit der Übergröße? Schließen Sie alle Programme.", 'A'},
      {"en_US.UTF-8", "en-US", "Acme Setup", "Question",
       "Acme unpacks its files to drive C:", "Go on with the setup?", 'C'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    std::string caption;
    std::string localeName;
    const LauncherRun run = test::RunLauncherInLocale(
        c.locale, installer_, "",
        [&](const BoxSeen& seen) {
          localeName = RegistryText(HKEY_CURRENT_USER, kInternational, "LocaleName");
          // A box in another language has no button of that letter: Escape
          // closes it, and the texts below tell what went wrong.
          return Utf8FromAnsi(seen.caption) == c.boxCaption ? c.cancelKey : VK_ESCAPE;
        },
        30000,
        [&](HWND mainWindow) {
          if (mainWindow != nullptr && caption.empty())
            caption = test::WindowText(mainWindow);
        });
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.finished) << viewer_.Text();
    // The locale reached the launcher's process.
    EXPECT_EQ(localeName, c.localeName);
    EXPECT_EQ(run.exitCode, 1602u) << "Cancel ends the setup";  // ERROR_INSTALL_USEREXIT
    EXPECT_EQ(Utf8FromAnsi(caption), c.caption);
    ASSERT_EQ(run.boxes.size(), 1u);
    const BoxSeen& box = run.boxes.front();
    EXPECT_EQ(Utf8FromAnsi(box.caption), c.boxCaption);
    const std::string text = Utf8FromAnsi(box.text);
    EXPECT_EQ(text.rfind(std::string(c.boxCaption) + "\r\n\r\n" + c.firstLine + "\r\n", 0), 0u)
        << text;
    EXPECT_NE(text.find(std::string("\r\n") + c.lastLine + "\r\n"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace orvane
