// Tests of TGFileInfo's answers: flags, internet and download block fields,
// tokens and their comparison, the space table, and the empty object of a
// missing, foreign or damaged package.
#include "package/PackX.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestPackage.h"

namespace orvane {
namespace {

using testpack::BuildPackage;
using testpack::PackageLayout;

TGFileInfo InfoOf(const PackageLayout& layout) {
  const std::string bytes = BuildPackage(layout).bytes;
  return TGFileInfo(pack::MemorySource(bytes));
}

PackageLayout WithBlocks(std::vector<std::string> blocks, uint8_t count = 0) {
  PackageLayout layout;
  layout.headerBlocks = std::move(blocks);
  layout.trailer.headerBlockCount =
      count != 0 ? count : static_cast<uint8_t>(layout.headerBlocks.size());
  return layout;
}

TEST(PackXFlags, EachFlagReadsItsOwnBitOrByte) {
  using Getter = bool (TGFileInfo::*)() const;
  struct Case {
    const char* name;
    Getter getter;
    uint8_t flags;
    int byteOffset;  // 66..69, or 0 for a flag bit
  } cases[] = {
      {"ShowTempNotice", &TGFileInfo::GetShowTempNotice, pack::kFlagShowTempNotice, 0},
      {"RelaunchFromTemp", &TGFileInfo::GetRelaunchFromTemp, pack::kFlagRelaunch, 0},
      {"ActivityBar", &TGFileInfo::GetActivityBar, pack::kFlagActivityBar, 0},
      {"AgentLog", &TGFileInfo::GetAgentLog, pack::kFlagAgentLog, 0},
      {"InternetSetup", &TGFileInfo::GetInternetSetup, 0, 66},
      {"ConfirmDownload", &TGFileInfo::GetConfirmDownload, 0, 67},
      {"AgentCopy", &TGFileInfo::GetAgentCopy, 0, 68},
      {"AgentFlag", &TGFileInfo::GetAgentFlag, 0, 69},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackageLayout on = WithBlocks({"", ""});
    on.trailer.flags = c.flags;
    uint8_t* bytes[] = {&on.trailer.internetSetup, &on.trailer.confirmDownload,
                        &on.trailer.agentCopy, &on.trailer.agentFlag};
    if (c.byteOffset != 0)
      *bytes[c.byteOffset - 66] = 7;  // any non-zero value
    EXPECT_TRUE((InfoOf(on).*c.getter)());

    // Every other bit and byte set: this one stays false. Bit 1 (more
    // volumes) is not one of the readers' bits.
    PackageLayout others = WithBlocks({"", ""});
    others.trailer.flags = static_cast<uint8_t>(0xFF & ~c.flags);
    others.trailer.internetSetup = c.byteOffset == 66 ? 0 : 1;
    others.trailer.confirmDownload = c.byteOffset == 67 ? 0 : 1;
    others.trailer.agentCopy = c.byteOffset == 68 ? 0 : 1;
    others.trailer.agentFlag = c.byteOffset == 69 ? 0 : 1;
    EXPECT_FALSE((InfoOf(others).*c.getter)());

    // The same bits in a file without the package magic read false.
    PackageLayout foreign = on;
    foreign.setMagic = false;
    EXPECT_FALSE((InfoOf(foreign).*c.getter)());
  }
}

TEST(PackXFlags, AShortTrailerLeavesTheByteFlagsOff) {
  PackageLayout layout = WithBlocks({"", ""});
  layout.trailer.flags = pack::kFlagActivityBar;
  layout.trailer.internetSetup = 1;
  layout.trailer.agentFlag = 1;
  layout.storedTrailerLength = 70;
  const TGFileInfo info = InfoOf(layout);
  EXPECT_TRUE(info.GetActivityBar());
  EXPECT_FALSE(info.GetInternetSetup());
  EXPECT_FALSE(info.GetAgentFlag());
  EXPECT_EQ(info.Trailer().trailerLength, 70u);
}

TEST(PackXInternetBlock, ReadsTheFiveFields) {
  const std::string token = pack::ScrambleToken("prod-token", 11);
  struct Case {
    std::string block;
    std::string infoUrl, infoFile, originalFile, agent;
    bool productTokenVerifies;
    bool runHidden;
  } cases[] = {
      {"|http://h/upd|C:\\x\\Prod.setup.info|agent.exe|" + token + "|1|", "http://h/upd",
       "Prod.setup.info", "Prod.original", "agent.exe", true, true},
      {"|http:|.info|.exe|" + token + "|0|", "http:", ".info", ".original", ".exe", true, false},
      {"|u|p.info|a.exe|" + token + "|yes|", "u", "p.info", "p.original", "a.exe", true, false},
      // Only two fields: the rest empty, and not hidden.
      {"|http://h/upd|p.info|", "http://h/upd", "p.info", "p.original", "", false, false},
      {"", "", "", ".original", "", false, false},
      {"|a|b", "a", "", ".original", "", false, false},  // unclosed field 1 is no field
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    const TGFileInfo info = InfoOf(WithBlocks({testpack::LanguageBlock(), c.block}));
    EXPECT_EQ(info.InternetBlock(), c.block);
    EXPECT_EQ(info.GetInfoUrl(), c.infoUrl);
    EXPECT_EQ(info.GetInfoFileName(), c.infoFile);
    EXPECT_EQ(info.GetOriginalFileName(), c.originalFile);
    EXPECT_EQ(info.GetAgentFileName(), c.agent);
    EXPECT_EQ(info.GetRunHidden(), c.runHidden);
    if (c.productTokenVerifies) {
      EXPECT_EQ(info.GetProductToken(false), token);
      EXPECT_EQ(info.GetProductToken(true), "prod-token");
    } else {
      EXPECT_EQ(info.GetProductToken(false), "");
      EXPECT_NE(info.GetProductToken(true), info.GetProductToken(true));
    }
  }
}

TEST(PackXDownloadBlock, ReadsTheFiveFieldsOnlyWithThreeBlocks) {
  const std::string token = pack::ScrambleToken("dl-token", 3);
  const std::string block = "|http://h/dl|setup.exe|1|" + token + "|123456|";
  const TGFileInfo three = InfoOf(WithBlocks({"", "", block}, 3));
  EXPECT_EQ(three.GetDownloadLocation(), "http://h/dl");
  EXPECT_EQ(three.GetDownloadFileName(), "setup.exe");
  EXPECT_TRUE(three.GetSkipLocalCopy());
  EXPECT_EQ(three.GetDownloadToken(false), token);
  EXPECT_EQ(three.GetDownloadToken(true), "dl-token");
  EXPECT_EQ(three.GetDownloadSize(), "123456");

  // Count 2: the same bytes are the first file entry, not a block.
  const TGFileInfo two = InfoOf(WithBlocks({"", "", block}, 2));
  EXPECT_EQ(two.DownloadBlock(), "");
  EXPECT_EQ(two.GetDownloadFileName(), "");
  EXPECT_FALSE(two.GetSkipLocalCopy());
  EXPECT_EQ(two.GetDownloadSize(), "");
}

TEST(PackXDownloadToken, MatchesOnlyWhenBothTokensVerifyAndAgree) {
  auto info = [](const std::string& token) {
    return InfoOf(WithBlocks({"", "", "|l|f|0|" + token + "|1|"}, 3));
  };
  const std::string a1 = pack::ScrambleToken("alpha", 1);
  const std::string a2 = pack::ScrambleToken("alpha", 2);  // another stored form
  const std::string b = pack::ScrambleToken("beta", 1);
  std::string broken = a1;
  broken[4] = broken[4] == 'b' ? 'c' : 'b';
  struct Case {
    std::string mine, theirs;
    bool same;
  } cases[] = {
      {a1, a1, true},          {a1, a2, true},
      {a1, b, false},          {a1, "", false},
      {"", "", false},          // no token on either side
      {broken, broken, false},  // the same bad token is no match
      {broken, a1, false},     {"12345", "12345", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(info(c.mine).SameDownloadToken(info(c.theirs)), c.same)
        << c.mine << " / " << c.theirs;
  }
  EXPECT_FALSE(TGFileInfo().SameDownloadToken(TGFileInfo()));
}

TEST(PackXSpace, TakesTheEntryOfTheAllocationUnit) {
  PackageLayout layout = WithBlocks({"", ""});
  for (size_t i = 0; i < pack::kSpaceTableEntries; ++i)
    layout.trailer.spaceTable[i] = static_cast<uint32_t>(100 + i);
  layout.trailer.spaceTable[8] = 0xFFFFFFFF;
  const TGFileInfo info = InfoOf(layout);
  struct Case {
    uint64_t cluster;
    double expected;
  } cases[] = {{4096, 104}, {3072, 103}, {0, 100}, {512, 101}, {65536, 4294967295.0}};
  for (const Case& c : cases)
    EXPECT_EQ(info.SpaceRequiredForCluster(c.cluster), c.expected) << c.cluster;

  PackageLayout foreign = layout;
  foreign.setMagic = false;
  EXPECT_EQ(InfoOf(foreign).SpaceRequiredForCluster(4096), 0.0);
}

TEST(PackXEmpty, MissingForeignAndDamagedFilesGiveEmptyAnswers) {
  std::string truncated =
      BuildPackage(WithBlocks({testpack::LanguageBlock(), "|a|b|c|d|1|"})).bytes;
  truncated.resize(truncated.size() - 1);
  const std::string cases[] = {"", "MZ", std::string(4096, '\xFF'), truncated};
  for (const std::string& bytes : cases) {
    const TGFileInfo info{pack::MemorySource(bytes)};
    EXPECT_FALSE(info.IsPackage()) << bytes.size();
    EXPECT_EQ(info.LanguageBlock(), "");
    EXPECT_EQ(info.GetInfoUrl(), "");
    EXPECT_EQ(info.GetAgentFileName(), "");
    EXPECT_FALSE(info.GetRunHidden());
    EXPECT_FALSE(info.GetActivityBar());
    EXPECT_FALSE(info.GetAgentFlag());
    EXPECT_EQ(info.SpaceRequiredForCluster(4096), 0.0);
  }
  const TGFileInfo none;
  EXPECT_EQ(none.Trailer().magic, 0u);
  EXPECT_EQ(none.Trailer().packageStart, 0u);
}

TEST(PackXPartial, AnInternetBlockTooLongKeepsTheLanguageBlockAndTheTrailer) {
  PackageLayout layout = WithBlocks({testpack::LanguageBlock(), "|a|b|c|d|1|"});
  layout.trailer.flags = pack::kFlagAgentLog;
  std::string bytes = BuildPackage(layout).bytes;
  const size_t internetAt = layout.front.size() + 4 + testpack::LanguageBlock().size();
  testpack::Put32(bytes, internetAt, 0x7FFFFFFF);
  const TGFileInfo info{pack::MemorySource(bytes)};
  EXPECT_TRUE(info.IsPackage());
  EXPECT_TRUE(info.GetAgentLog());
  EXPECT_EQ(info.LanguageBlock(), testpack::LanguageBlock());
  EXPECT_EQ(info.InternetBlock(), "");
  EXPECT_EQ(info.GetRunHidden(), false);
  EXPECT_EQ(info.Trailer().packageStart, internetAt) << "advanced past the language block only";
}

}  // namespace
}  // namespace orvane
