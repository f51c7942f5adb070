// The agent of a product whose installer carries the vendor's update key, as
// a vendor publishes and an attacker tampers: version 1 is installed by an
// installer built with [Internet] UpdateKey; the vendor signs each ".info"
// with "stubpack sign-update", which pins the update or inform file by its
// SHA-256; then the published files are changed the ways a network attacker
// or a taken-over server could change them. Nothing the key does not confirm
// is run or shown, the reason is in the agent log, and the agent's own copy
// of the ".info" keeps the last information it accepted.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "harness/AgentFixture.h"
#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/LauncherWatch.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"

namespace orvane {
namespace {

using test::AgentBox;
using test::AgentFixture;
using test::IniValues;

constexpr DWORD kCycleMs = 90000;  // a check with download and installation
constexpr char kName[] = "au-signed";
constexpr char kInformClass[] = "ZRichEditBox";

// The agent's copy of the information it accepted before this check.
const std::string kAcceptedInfo =
    "[NewSetup]\r\nVersionNew=1\r\n; the last information the agent accepted\r\n";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool WaitForLog(const AgentFixture& p, const std::string& part, DWORD timeoutMs = kCycleMs) {
  return test::PumpUntil([&] { return Has(p.AgentLog(), part); }, timeoutMs);
}

std::string VersionTxt(const AgentFixture& p) {
  return test::ReadWholeFile(p.ProductDir() + "\\version.txt");
}

std::string Published(const AgentFixture& p, const std::string& name) {
  return p.WebDir() + "\\" + name;
}

// The vendor's key, made once per test process and kept beside the kept
// installation; both go when the process ends.
struct VendorKey {
  std::string dir = test::TempFolder() + "orvane-tests\\" + kName + "-key";
  VendorKey() {
    test::RemoveTree(dir);
    ::CreateDirectoryA((test::TempFolder() + "orvane-tests").c_str(), nullptr);
    ::CreateDirectoryA(dir.c_str(), nullptr);
  }
  ~VendorKey() { test::RemoveTree(dir); }
  std::string Base() const { return dir + "\\vendor"; }
};

// Version 1, built with the vendor's update key, in the product folder with
// the default ".original" and the agent's copy of the accepted information.
bool InstallSignedVersion1(AgentFixture& p) {
  static VendorKey key;
  static test::KeptInstallation installed(std::string(kName) + "-v1");
  if (!p.UseUpdateKey(key.Base()))
    return false;
  if (!installed.kept()) {
    if (!p.InstallVersion1() || !installed.Keep(p.ProductDir()))
      return false;
  } else if (!installed.PutBack(p.ProductDir()) || VersionTxt(p) != "1" || !p.WriteOriginal()) {
    return false;
  }
  return test::WriteBytes(p.InfoFile(), kAcceptedInfo);
}

// Version 2 published and the ".info" from the defaults with `info`, signed
// by the vendor with `signOptions` (the files to pin, in the web folder).
void PrepareSigned(AgentFixture& p, const IniValues& info, const std::string& signOptions) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  ASSERT_TRUE(InstallSignedVersion1(p)) << p.viewer().Text();
  ASSERT_TRUE(p.PublishUpdate(2));
  ASSERT_TRUE(p.PublishInfo(info));
  int exitCode = -1;
  const std::string output = p.SignInfo(signOptions, &exitCode);
  ASSERT_EQ(exitCode, 0) << output;
}

std::string PinUpdate(const AgentFixture& p) {
  return "--update " + test::Quote(Published(p, p.names().updateFile));
}

std::string PinInform(const AgentFixture& p) {
  return "--inform " + test::Quote(Published(p, p.names().informFile));
}

// What the agent leaves when it refused before any download: nothing
// fetched, run or shown, version 1 and the accepted information in place.
void ExpectNothingDone(AgentFixture& p, DWORD productPid) {
  // The tick that checked is over once the next one counts.
  ASSERT_TRUE(test::PumpUntil([&] { return p.TickCounts().size() >= 2; }, 20000));
  const std::string log = p.AgentLog();
  EXPECT_FALSE(Has(log, "PerformAutoUpdate")) << log;
  EXPECT_FALSE(Has(log, "Download START: " + p.WebUrl() + "/" + p.names().updateFile)) << log;
  EXPECT_FALSE(test::FileExists(p.ProductDir() + "\\" + p.names().updateFile));
  EXPECT_TRUE(test::ReadEngineRecords(p.EngineRecordFile()).empty()) << "no engine run";
  EXPECT_EQ(VersionTxt(p), "1");
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), "1");
  EXPECT_EQ(p.ProductProcesses(), std::vector<DWORD>{productPid}) << "the product runs on";
  EXPECT_FALSE(p.WaitForBox(0));
  EXPECT_EQ(test::ReadWholeFile(p.InfoFile()), kAcceptedInfo)
      << "the agent's copy keeps the information it accepted before";
}

// ---------------------------------------------------------------------------
// 1. Information the key does not confirm is not acted on.

// Tampering after the vendor signed.
enum class InfoTamper { ChangedByte, MissingSignature, OtherKey, OlderSignature, GarbageSignature };

struct InfoCase {
  const char* name;
  InfoTamper tamper;
  std::string logLine;
};

void PrintTo(const InfoCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoUpdateSignedInfo : public ::testing::TestWithParam<InfoCase> {};

TEST_P(AutoUpdateSignedInfo, IsNotActedOnAndKeepsTheAcceptedCopy) {
  const InfoCase& c = GetParam();
  AgentFixture p(kName);
  const std::string info = Published(p, p.names().infoFile);
  const std::string sig = info + ".sig";
  switch (c.tamper) {
    case InfoTamper::ChangedByte: {
      ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {}, PinUpdate(p)));
      // "Acme Demo" becomes "Acme Demp": one byte.
      std::string text = test::ReadWholeFile(info);
      const size_t at = text.find("Acme Demo");
      ASSERT_NE(at, std::string::npos);
      text[at + 8] = 'p';
      ASSERT_TRUE(test::WriteBytes(info, text));
      break;
    }
    case InfoTamper::MissingSignature:
      ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {}, PinUpdate(p)));
      ASSERT_TRUE(::DeleteFileA(sig.c_str()));
      break;
    case InfoTamper::OtherKey: {
      ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {}, PinUpdate(p)));
      int exitCode = -1;
      const std::string output =
          test::RunStubpack("keygen --out " + test::Quote(p.BuildDir() + "\\other"), &exitCode);
      ASSERT_EQ(exitCode, 0) << output;
      p.SignInfo(PinUpdate(p), &exitCode, {}, p.BuildDir() + "\\other.key");
      ASSERT_EQ(exitCode, 0);
      break;
    }
    case InfoTamper::OlderSignature: {
      // The vendor's signature of an older release's information, beside
      // the new information.
      ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {{"NewSetup.Stamp", "99"}}, PinUpdate(p)));
      const std::string olderSignature = test::ReadWholeFile(sig);
      ASSERT_FALSE(olderSignature.empty());
      ASSERT_TRUE(p.PublishInfo({}));
      ASSERT_TRUE(test::WriteBytes(sig, olderSignature));
      break;
    }
    case InfoTamper::GarbageSignature:
      ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {}, PinUpdate(p)));
      ASSERT_TRUE(test::WriteBytes(sig, "<html><body>not a signature</body></html>"));
      break;
  }
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_TRUE(WaitForLog(p, "GetOkToPerformAU = ")) << p.AgentLog();
  const std::string log = p.AgentLog();
  EXPECT_TRUE(Has(log, "GetOkToPerformAU = 0 - Error downloading .INFO file")) << log;
  EXPECT_TRUE(Has(log, "ERROR: " + c.logLine)) << log;
  EXPECT_FALSE(Has(log, "Signature OK")) << log;
  ASSERT_NO_FATAL_FAILURE(ExpectNothingDone(p, productPid));
}

const char kNoMatch[] =
    "The signature does not match the update information (changed, or signed with another key)";

const InfoCase kInfoCases[] = {
    {"ChangedByte", InfoTamper::ChangedByte, kNoMatch},
    {"MissingSignature", InfoTamper::MissingSignature, "The update information is not signed: "},
    {"OtherKey", InfoTamper::OtherKey, kNoMatch},
    {"OlderSignature", InfoTamper::OlderSignature, kNoMatch},
    {"GarbageSignature", InfoTamper::GarbageSignature,
     "The signature file is not an ECDSA signature: "},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateSignedInfo, ::testing::ValuesIn(kInfoCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// 2. Confirmed information: only the file it pins is installed.

enum class UpdateTamper { None, SwappedUpdate, NothingPinned };

struct UpdateCase {
  const char* name;
  UpdateTamper tamper;
  std::string boxText;  // empty: installed
};

void PrintTo(const UpdateCase& c, std::ostream* os) {
  *os << c.name;
}

class AutoUpdateSignedUpdate : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(AutoUpdateSignedUpdate, InstallsOnlyThePinnedFile) {
  const UpdateCase& c = GetParam();
  AgentFixture p(kName);
  ASSERT_NO_FATAL_FAILURE(
      PrepareSigned(p, {}, c.tamper == UpdateTamper::NothingPinned ? "" : PinUpdate(p)));
  if (c.tamper == UpdateTamper::SwappedUpdate) {
    // Another installer of the same product, with its token and the same
    // size, in place of the one the vendor signed.
    const size_t signedSize = test::ReadWholeFile(Published(p, p.names().updateFile)).size();
    ASSERT_TRUE(p.PublishUpdate(3));
    ASSERT_EQ(test::ReadWholeFile(Published(p, p.names().updateFile)).size(), signedSize);
  }
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_TRUE(WaitForLog(p, "GetOkToPerformAU = ")) << p.AgentLog();
  EXPECT_TRUE(Has(p.AgentLog(), "Signature OK")) << p.AgentLog();
  EXPECT_TRUE(Has(p.AgentLog(), "GetOkToPerformAU = 6 - OK")) << p.AgentLog();
  if (!c.boxText.empty()) {
    const std::optional<AgentBox> box = p.WaitForBox(kCycleMs);
    ASSERT_TRUE(box) << p.AgentLog();
    EXPECT_TRUE(Has(box->text, c.boxText)) << box->text;
    EXPECT_EQ(box->caption, "Error");
    ASSERT_TRUE(p.Answer(*box, VK_RETURN));
  }
  const bool installs = c.boxText.empty();
  ASSERT_TRUE(WaitForLog(p, "PerformAutoUpdate() - END")) << p.AgentLog();
  const std::string log = p.AgentLog();
  EXPECT_TRUE(
      Has(log, std::string("PerformAutoUpdate() - END    Result=") + (installs ? "TRUE" : "FALSE")))
      << log;
  EXPECT_FALSE(test::FileExists(p.ProductDir() + "\\" + p.names().updateFile))
      << "the downloaded file is not left behind";
  EXPECT_EQ(VersionTxt(p), installs ? "2" : "1");
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), installs ? "2" : "1");
  EXPECT_EQ(test::ReadEngineRecords(p.EngineRecordFile()).size(), installs ? 1u : 0u);
  // The accepted information replaced the agent's copy.
  EXPECT_EQ(test::ReadWholeFile(p.InfoFile()),
            test::ReadWholeFile(Published(p, p.names().infoFile)));
  if (!installs) {
    EXPECT_TRUE(Has(log, "ERROR: " + c.boxText)) << log;
  }
}

const UpdateCase kUpdateCases[] = {
    {"Genuine", UpdateTamper::None, ""},
    {"SwappedUpdate", UpdateTamper::SwappedUpdate,
     "The file is not the one the signed update information names: its SHA-256 differs."},
    {"NothingPinned", UpdateTamper::NothingPinned,
     "The signed update information names no SHA-256 for this file."},
};

INSTANTIATE_TEST_SUITE_P(Cases, AutoUpdateSignedUpdate, ::testing::ValuesIn(kUpdateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// In test mode the information, its signature and the update come from the
// test folder, a local path.
TEST(AutoUpdateSignedTestMode, TakesTheSignatureFromTheTestFolder) {
  for (const bool signatureThere : {true, false}) {
    SCOPED_TRACE(signatureThere ? "signed" : "no signature in the folder");
    AgentFixture p(kName);
    ASSERT_TRUE(InstallSignedVersion1(p)) << p.viewer().Text();
    const std::string folder = p.TestModeDir();
    ASSERT_TRUE(p.PublishUpdate(2, folder));
    ASSERT_TRUE(p.PublishInfo({}, folder));
    int exitCode = -1;
    p.SignInfo("--update " + test::Quote(folder + "\\" + p.names().updateFile), &exitCode, folder);
    ASSERT_EQ(exitCode, 0);
    const std::string sig = folder + "\\" + p.names().infoFile + ".sig";
    if (!signatureThere) {
      ASSERT_TRUE(::DeleteFileA(sig.c_str()));
    }
    const test::ScopedTestMode mode(folder);
    ASSERT_TRUE(mode.ok());
    ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

    ASSERT_TRUE(WaitForLog(p, "GetOkToPerformAU = ")) << p.AgentLog();
    if (!signatureThere) {
      EXPECT_TRUE(Has(p.AgentLog(),
                      "ERROR: The update information is not signed: " + sig + " - File not Found!"))
          << p.AgentLog();
      EXPECT_TRUE(Has(p.AgentLog(), "GetOkToPerformAU = 0 - ")) << p.AgentLog();
      EXPECT_EQ(test::ReadWholeFile(p.InfoFile()), kAcceptedInfo);
      continue;
    }
    ASSERT_TRUE(WaitForLog(p, "PerformAutoUpdate() - END")) << p.AgentLog();
    EXPECT_TRUE(Has(p.AgentLog(), "PerformAutoUpdate() - END    Result=TRUE")) << p.AgentLog();
    EXPECT_EQ(VersionTxt(p), "2");
  }
}

// ---------------------------------------------------------------------------
// 3. The information dialog of confirmed information.

TEST(AutoUpdateSignedInform, ASwappedInformFileIsNotShown) {
  AgentFixture p(kName);
  ASSERT_TRUE(p.PublishInformFile("Version 2 of Acme Demo is out."));
  ASSERT_NO_FATAL_FAILURE(PrepareSigned(p, {{"General.AutoInform", "1"}}, PinInform(p)));
  ASSERT_TRUE(p.PublishInformFile("Version 2 is out: download it from evil.example."));

  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();
  const std::optional<AgentBox> box = p.WaitForBox(kCycleMs);
  ASSERT_TRUE(box) << p.viewer().Text() << p.AgentLog();
  EXPECT_TRUE(Has(box->text, "its SHA-256 differs")) << box->text;
  ASSERT_TRUE(p.Answer(*box, VK_RETURN));
  ASSERT_TRUE(WaitForLog(p, "PerformAutoInform() - END FALSE", 10000)) << p.AgentLog();
  EXPECT_EQ(p.WaitForWindow(kInformClass, 0), nullptr) << "no dialog";
  EXPECT_FALSE(test::FileExists(p.ProductDir() + "\\" + p.names().informFile));
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), "1");
}

TEST(AutoUpdateSignedInform, OffersTheVendorsLinkWhateverItIs) {
  AgentFixture p(kName);
  ASSERT_TRUE(p.PublishInformFile("Version 2 of Acme Demo is out."));
  // Unsigned, a link to a program is not offered (see AutoUpdateAgentInform).
  ASSERT_NO_FATAL_FAILURE(PrepareSigned(
      p, {{"General.AutoInform", "1"}, {"AutoInform.DownloadURL_INFORM", p.ProductExe()}},
      PinInform(p)));

  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();
  HWND dialog = p.WaitForWindow(kInformClass, kCycleMs);
  ASSERT_NE(dialog, nullptr) << p.viewer().Text() << p.AgentLog();
  EXPECT_NE(::FindWindowExA(dialog, nullptr, "Button", nullptr), nullptr) << "the link is offered";
  ::PostMessageA(dialog, WM_CLOSE, 0, 0);
  ASSERT_TRUE(test::PumpUntil([&] { return !::IsWindow(dialog); }, 10000));
  ASSERT_TRUE(WaitForLog(p, "PerformAutoInform() - END TRUE", 10000)) << p.AgentLog();
  EXPECT_FALSE(Has(p.AgentLog(), "is not a web address")) << p.AgentLog();
  EXPECT_EQ(p.OriginalValue("OriginalSetup.VersionOriginal"), "2");
}

// ---------------------------------------------------------------------------
// 4. A package without an update key: signatures play no part.

TEST(AutoUpdateUnsigned, InstallsWithoutLookingAtASignature) {
  ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
  AgentFixture p("au-unsigned");
  ASSERT_TRUE(p.InstallVersion1()) << p.viewer().Text();
  ASSERT_TRUE(p.PublishUpdate(2));
  ASSERT_TRUE(p.PublishInfo({}));
  // A signature file that would refuse the information if it were read.
  ASSERT_TRUE(test::WriteBytes(Published(p, p.names().infoFile) + ".sig", "not a signature"));
  const DWORD productPid = p.StartProduct();
  ASSERT_NE(productPid, 0u);
  ASSERT_TRUE(p.StartAgent()) << p.viewer().Text();

  ASSERT_TRUE(WaitForLog(p, "PerformAutoUpdate() - END")) << p.AgentLog();
  const std::string log = p.AgentLog();
  EXPECT_TRUE(Has(log, "PerformAutoUpdate() - END    Result=TRUE")) << log;
  EXPECT_FALSE(Has(log, "Signature")) << log;
  EXPECT_FALSE(Has(log, ".sig")) << log;
  EXPECT_EQ(VersionTxt(p), "2");
}

}  // namespace
}  // namespace orvane
