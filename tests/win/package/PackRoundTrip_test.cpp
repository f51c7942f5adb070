// What stubpack writes, the launcher's reader reads back: installers built by
// the Windows stubpack, read with ReadPackageInfo under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "package/LangStringsWin.h"
#include "package/PackFormat.h"
#include "package/PackX.h"
#include "package/PackXWin.h"

namespace orvane {
namespace {

using test::Quote;

TEST(PackRoundTrip, EveryHeaderFieldAndFlagReadsBack) {
  const std::string dir = test::ScratchDir("round-trip");
  const std::string engine = test::WriteTestFile(dir + "\\engine.bin", std::string(5000, 'e'));
  const std::string readme = test::WriteTestFile(dir + "\\readme.txt", "read me");
  const std::string project = test::WriteTestFile(dir + "\\setup.ini", R"([Setup]
Output = out\Setup.exe

[Files]
engine.bin = setup.exe*/Q /X
readme.txt

[Language.English]
Charset = 0
FontSize = 9
FontName = Verdana
s0 = Round Trip Setup

[Language.German]
Charset = 0
s0 = Rundreise

[Internet]
InfoUrl = http://127.0.0.1/updates/
InfoFile = product.v2.info
AgentFile = ProductAgent.exe
ProductToken = PRODUCT-TOKEN-7
RunHidden = yes

[Download]
Location = http://127.0.0.1/setup/
FileName = full-setup.exe
SkipLocalCopy = yes
Token = DOWNLOAD-TOKEN-3
Size = 123456
)");
  ::CreateDirectoryA((dir + "\\out").c_str(), nullptr);
  ASSERT_EQ(test::RunStubpackBuild({Quote(project), "--stub", Quote(test::StubExe()), "--flag",
                                    "ShowTempNotice", "--flag", "ActivityBar", "--flag",
                                    "ConfirmDownload", "--flag", "AgentLog"}),
            0);

  const TGFileInfo info = ReadPackageInfo(dir + "\\out\\Setup.exe");
  ASSERT_TRUE(info.IsPackage());
  const auto& t = info.Trailer();
  EXPECT_EQ(t.headerBlockCount, 3);
  EXPECT_EQ(t.trailerLength, 74u);
  EXPECT_EQ(t.fileCount, 2u);
  EXPECT_TRUE(info.GetShowTempNotice());
  EXPECT_TRUE(info.GetActivityBar());
  EXPECT_TRUE(info.GetConfirmDownload());
  EXPECT_FALSE(info.GetAgentCopy());
  EXPECT_TRUE(info.GetAgentLog());
  EXPECT_FALSE(info.GetAgentFlag());
  EXPECT_FALSE(info.GetRelaunchFromTemp());
  EXPECT_FALSE(info.GetInternetSetup());

  EXPECT_EQ(info.GetInfoUrl(), "http://127.0.0.1/updates/");
  EXPECT_EQ(info.GetInfoFileName(), "product.v2.info");
  EXPECT_EQ(info.GetOriginalFileName(), "product.original");
  EXPECT_EQ(info.GetAgentFileName(), "ProductAgent.exe");
  EXPECT_EQ(info.GetProductToken(true), "PRODUCT-TOKEN-7");
  EXPECT_NE(info.GetProductToken(false), "PRODUCT-TOKEN-7");  // stored scrambled
  EXPECT_TRUE(info.GetRunHidden());
  EXPECT_EQ(info.GetDownloadLocation(), "http://127.0.0.1/setup/");
  EXPECT_EQ(info.GetDownloadFileName(), "full-setup.exe");
  EXPECT_TRUE(info.GetSkipLocalCopy());
  EXPECT_EQ(info.GetDownloadToken(true), "DOWNLOAD-TOKEN-3");
  EXPECT_EQ(info.GetDownloadSize(), "123456");
  EXPECT_TRUE(info.SameDownloadToken(info));

  // The language block: the English list (this Wine runs an English locale).
  EXPECT_EQ(GetLangString(info, "s0", "x"), "Round Trip Setup");
  EXPECT_EQ(GetFontName(info), "Verdana");
  EXPECT_EQ(GetFontSize(info), 9);
  EXPECT_EQ(GetCharset(info), 0);

  // The space table: the sizes rounded up to whole clusters, entry 4 on C:.
  EXPECT_EQ(info.SpaceRequiredForCluster(4096), 8192.0 + 4096.0);
  EXPECT_EQ(SpaceRequiredOnDrive(info, "C:\\"), 8192.0 + 4096.0);
  EXPECT_EQ(info.SpaceRequiredForCluster(0), 5000.0 + 7.0);
}

TEST(PackRoundTrip, VolumesEachCarryATrailerTheReaderFinds) {
  const std::string dir = test::ScratchDir("round-trip-volumes");
  // Volume .001 starts with the launcher again: make room for a little data
  // after it, so that the rest spreads over two more volumes.
  const size_t stubSize = test::ReadWholeFile(test::StubExe()).size();
  const size_t maxVolume = stubSize + 20000;
  std::string data;
  for (size_t i = 0; i < 2 * maxVolume; ++i)
    data += static_cast<char>((i * 7919) >> 3);
  const std::string big = test::WriteTestFile(dir + "\\big.bin", data);
  const std::string exe = dir + "\\Spanned.exe";
  ASSERT_EQ(
      test::RunStubpackBuild({"--stub", Quote(test::StubExe()), "-o", Quote(exe), "--file",
                              Quote(big + "=setup.exe*"), "--compression", "none", "--first-volume",
                              "001", "--max-volume-size", std::to_string(maxVolume)}),
      0);
  // The launcher itself only relaunches; the package lies in .001, .002, ...
  const TGFileInfo launcher = ReadPackageInfo(exe);
  EXPECT_TRUE(launcher.IsPackage());
  EXPECT_TRUE(launcher.GetRelaunchFromTemp());
  std::vector<TGFileInfo> volumes;
  for (int n = 1; n < 20; ++n) {
    const std::string volume = pack::VolumeFileName(exe + ".001", n);
    if (!test::FileExists(volume))
      break;
    volumes.push_back(ReadPackageInfo(volume));
    EXPECT_TRUE(volumes.back().IsPackage()) << volume;
    EXPECT_LE(test::ReadWholeFile(volume).size(), maxVolume) << volume;
  }
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_TRUE(volumes[0].Trailer().HasFlag(pack::kFlagMoreVolumes));
  EXPECT_TRUE(volumes[1].Trailer().HasFlag(pack::kFlagMoreVolumes));
  EXPECT_FALSE(volumes[2].Trailer().HasFlag(pack::kFlagMoreVolumes));
  // Later volumes are small enough to carry a real checksum only when they
  // are at most 51200 bytes; these are larger and carry "none".
  EXPECT_EQ(volumes[2].Trailer().checksum, pack::kNoChecksum);
}

}  // namespace
}  // namespace orvane
