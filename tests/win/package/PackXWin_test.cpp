// TGFileInfo on real files under Wine: a missing file, packages written by
// the test (also while another handle holds them open for writing), the file
// released after reading, and the space required on real drives.
#include "package/PackXWin.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "harness/TestPaths.h"
#include "native/package/TestPackage.h"
#include "package/PackX.h"
#include "util/Handles.h"

namespace orvane {
namespace {

testpack::PackageLayout SampleLayout() {
  testpack::PackageLayout layout;
  layout.headerBlocks = {testpack::LanguageBlock(),
                         "|http://h/upd|prod.info|agent.exe|" + pack::ScrambleToken("p", 1) + "|1|",
                         "|http://h/dl|setup.exe|0|" + pack::ScrambleToken("d", 2) + "|42|"};
  layout.trailer.headerBlockCount = 3;
  layout.trailer.flags = pack::kFlagActivityBar;
  layout.trailer.confirmDownload = 1;
  for (size_t i = 0; i < pack::kSpaceTableEntries; ++i)
    layout.trailer.spaceTable[i] = static_cast<uint32_t>(1000 + i);
  layout.entries = {{"|setup.exe*/Q|1|", "engine"}};
  return layout;
}

TEST(PackXFile, AMissingFileGivesTheEmptyObject) {
  const std::string dir = test::ScratchDir("packx-missing");
  const TGFileInfo info = ReadPackageInfo(dir + "\\no such file.exe");
  EXPECT_FALSE(info.IsPackage());
  EXPECT_EQ(info.Trailer().packageStart, 0u);
  EXPECT_EQ(info.LanguageBlock(), "");
  EXPECT_FALSE(info.GetActivityBar());
  EXPECT_EQ(SpaceRequiredOnDrive(info, "C:\\"), 0.0);
  EXPECT_EQ(OpenFileSource(dir + "\\no such file.exe"), nullptr);
}

TEST(PackXFile, ReadsPackagesOfEveryLayoutAndReleasesTheFile) {
  struct Case {
    const char* name;
    bool signedLayout;
  } cases[] = {{"plain.exe", false}, {"signed.exe", true}};
  const std::string dir = test::ScratchDir("packx-read");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testpack::PackageLayout layout = SampleLayout();
    if (c.signedLayout) {
      layout.writePointer = true;
      layout.padding = 7;
      layout.certificate = std::string(600, '\x30');
    }
    const std::string path = dir + "\\" + c.name;
    ASSERT_TRUE(test::WriteBytes(path, testpack::BuildPackage(layout).bytes));

    const TGFileInfo info = ReadPackageInfo(path);
    EXPECT_TRUE(info.IsPackage());
    EXPECT_EQ(info.LanguageBlock(), layout.headerBlocks[0]);
    EXPECT_EQ(info.GetInfoFileName(), "prod.info");
    EXPECT_EQ(info.GetProductToken(true), "p");
    EXPECT_EQ(info.GetDownloadSize(), "42");
    EXPECT_TRUE(info.GetActivityBar());
    EXPECT_TRUE(info.GetConfirmDownload());
    EXPECT_FALSE(info.GetInternetSetup());
    // No handle stays open: the file can be deleted at once.
    EXPECT_TRUE(::DeleteFileA(path.c_str())) << ::GetLastError();
  }
}

TEST(PackXFile, ReadsAFileThatAnotherHandleHoldsOpenForWriting) {
  const std::string dir = test::ScratchDir("packx-shared");
  const std::string path = dir + "\\open.exe";
  const testpack::PackageLayout layout = SampleLayout();
  ASSERT_TRUE(test::WriteBytes(path, testpack::BuildPackage(layout).bytes));
  FileHandle writer(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(writer);
  const TGFileInfo info = ReadPackageInfo(path);
  EXPECT_TRUE(info.IsPackage());
  EXPECT_EQ(info.GetDownloadFileName(), "setup.exe");
  EXPECT_TRUE(info.SameDownloadToken(ReadPackageInfo(path)));
}

TEST(PackXFile, FileSourceReadsOnlyWhatTheFileHolds) {
  const std::string dir = test::ScratchDir("packx-source");
  const std::string path = dir + "\\bytes.bin";
  ASSERT_TRUE(test::WriteBytes(path, "0123456789"));
  const auto source = OpenFileSource(path);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->Size(), 10u);
  struct Case {
    uint64_t offset;
    size_t count;
    bool ok;
  } cases[] = {{0, 10, true},
               {8, 2, true},
               {10, 0, true},
               {9, 2, false},
               {11, 0, false},
               {~uint64_t{0}, 1, false},
               {uint64_t{1} << 33, 4, false}};
  for (const Case& c : cases) {
    char buffer[16] = {};
    EXPECT_EQ(source->ReadAt(c.offset, buffer, c.count), c.ok) << c.offset << "+" << c.count;
  }
  char two[2];
  ASSERT_TRUE(source->ReadAt(3, two, 2));
  EXPECT_EQ(std::string(two, 2), "34");
}

TEST(PackXFile, SpaceRequiredFollowsTheDriveAllocationUnit) {
  const std::string dir = test::ScratchDir("packx-space");
  const std::string path = dir + "\\space.exe";
  ASSERT_TRUE(test::WriteBytes(path, testpack::BuildPackage(SampleLayout()).bytes));
  const TGFileInfo info = ReadPackageInfo(path);
  ASSERT_TRUE(info.IsPackage());
  struct Case {
    std::string path;
    double expected;
  } cases[] = {
      {"C:\\", 1004},                      // Wine's drives have 4096-byte clusters: entry 4
      {"C:\\windows\\temp\\x.tmp", 1004},  // only the first three characters count
      {dir, 1004},                         // the scratch folder lies below Temp on C:
  };
  for (const Case& c : cases)
    EXPECT_EQ(SpaceRequiredOnDrive(info, c.path), c.expected) << c.path;
  // A drive letter that is not mapped.
  std::string unmapped;
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Y'; letter > 'D' && unmapped.empty(); --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0)
      unmapped = std::string(1, letter) + ":\\";
  }
  ASSERT_FALSE(unmapped.empty());
  EXPECT_EQ(SpaceRequiredOnDrive(info, unmapped), 1000) << unmapped;
}

}  // namespace
}  // namespace orvane
