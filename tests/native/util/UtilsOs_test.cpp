// Windows edition names and codes, and the correction of under-reported versions.
#include "util/UtilsOs.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

struct EditionCase {
  uint32_t platform;
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  bool is64;
  bool server;
  const char* version;
  const char* name;
  uint32_t code;
};

TEST(IdentifyOs, NamesEveryEdition) {
  const EditionCase cases[] = {
      // Win32s.
      {0, 1, 30, 0, false, false, "1.30", "32S", 0},
      // Windows 9x; ME's build number carries the version in its high word.
      {1, 4, 0, 950, false, false, "4.0", "95", 1},
      {1, 4, 10, 1998, false, false, "4.10", "98", 2},
      {1, 4, 10, 2222, false, false, "4.10", "98", 2},
      {1, 4, 90, 3000, false, false, "4.90", "ME", 4},
      {1, 4, 10, 3000, false, false, "4.90", "ME", 4},
      {1, 4, 10, 0x040A0BB8u, false, false, "4.90", "ME", 4},
      {1, 4, 0, 3000, false, false, "4.0", "95", 1},
      {1, 4, 3, 0, false, false, "4.3", "9x", 1},
      {1, 5, 0, 0, false, false, "5.0", "9x", 1},
      // NT, 32-bit workstation.
      {2, 4, 0, 1381, false, false, "4.0", "NT", 8},
      {2, 5, 0, 2195, false, false, "5.0", "2000", 16},
      {2, 5, 1, 2600, false, false, "5.1", "XP", 32},
      {2, 5, 2, 3790, false, false, "5.2", "2003", 64},
      {2, 6, 0, 6002, false, false, "6.0", "Vista", 128},
      {2, 6, 1, 7601, false, false, "6.1", "7", 1024},
      {2, 6, 2, 9200, false, false, "6.2", "8", 32768},
      {2, 6, 3, 9600, false, false, "6.3", "8.1", 262144},
      {2, 10, 0, 19045, false, false, "10.0", "10", 2097152},
      {2, 3, 51, 1057, false, false, "3.51", "NTx", 8},
      {2, 6, 4, 0, false, false, "6.4", "NTx", 8},
      {2, 11, 0, 0, false, false, "11.0", "NTx", 8},
      // NT, 64-bit.
      {2, 5, 1, 2600, true, false, "5.1", "XP", 32},
      {2, 5, 2, 3790, true, false, "5.2", "XP.64", 256},
      {2, 6, 0, 6002, true, false, "6.0", "Vista.64", 512},
      {2, 6, 1, 7601, true, false, "6.1", "7.64", 2048},
      {2, 6, 2, 9200, true, false, "6.2", "8.64", 65536},
      {2, 6, 3, 9600, true, false, "6.3", "8.1.64", 524288},
      {2, 10, 0, 19045, true, false, "10.0", "10.64", 4194304},
      {2, 6, 4, 0, true, false, "6.4", "NTx", 8},
      // 64-bit servers; names exist up to 6.3 only.
      {2, 5, 2, 3790, true, true, "5.2", "XP.64", 256},
      {2, 6, 0, 6002, true, true, "6.0", "2008.64", 8192},
      {2, 6, 1, 7601, true, true, "6.1", "2008R2.64", 16384},
      {2, 6, 2, 9200, true, true, "6.2", "2012.64", 131072},
      {2, 6, 3, 9600, true, true, "6.3", "2012R2.64", 1048576},
      {2, 10, 0, 17763, true, true, "10.0", "10.64", 4194304},
      // 32-bit servers: only 6.0 has a server name.
      {2, 5, 0, 2195, false, true, "5.0", "2000", 16},
      {2, 5, 2, 3790, false, true, "5.2", "2003", 64},
      {2, 6, 0, 6002, false, true, "6.0", "2008", 4096},
      {2, 6, 1, 7601, false, true, "6.1", "7", 1024},
      {2, 10, 0, 14393, false, true, "10.0", "10", 2097152},
      // Unknown platform: version only.
      {3, 5, 0, 0, false, false, "5.0", "", 0},
  };
  for (const EditionCase& c : cases) {
    OsFacts facts;
    facts.platformId = c.platform;
    facts.version = {c.major, c.minor, c.build};
    facts.is64BitWindows = c.is64;
    facts.isServer = c.server;
    const OsIdentity id = IdentifyOs(facts);
    const std::string where = std::to_string(c.platform) + ":" + std::to_string(c.major) + "." +
                              std::to_string(c.minor) + "." + std::to_string(c.build) +
                              (c.is64 ? " 64-bit" : " 32-bit") + (c.server ? " server" : "");
    EXPECT_EQ(id.version, c.version) << where;
    EXPECT_EQ(id.name, c.name) << where;
    EXPECT_EQ(id.code, c.code) << where;
  }
}

struct CorrectionCase {
  const char* label;
  OsVersionNumbers reported;
  const char* kernel32;
  OsVersionNumbers expected;
};

TEST(CorrectOsVersion, TakesKernel32VersionOnlyWhenPlausible) {
  const CorrectionCase cases[] = {
      // A program without a manifest entry for 8.1 or 10 is told 6.2.
      {"under-reported 10", {6, 2, 9200}, "10.0.19041.1", {10, 0, 19041}},
      {"under-reported 8.1", {6, 2, 9200}, "6.3.9600.17415", {6, 3, 9600}},
      {"reported 6.3, really 10", {6, 3, 9600}, "10.0.22621.2506", {10, 0, 22621}},
      {"commas as separators", {6, 2, 9200}, "6, 3, 9600, 17415", {6, 3, 9600}},
      {"three fields are enough", {6, 2, 9200}, "10.0.19041", {10, 0, 19041}},
      {"equal version", {6, 2, 9200}, "6.2.9200.16384", {6, 2, 9200}},
      // Below 6.2 the report is right and kernel32 is not consulted.
      {"Windows 7", {6, 1, 7601}, "10.0.19041.1", {6, 1, 7601}},
      {"XP", {5, 1, 2600}, "6.2.9200.0", {5, 1, 2600}},
      // Kernel32 lower than the report (an update built on an older base).
      {"lower build", {10, 0, 19045}, "10.0.19041.3636", {10, 0, 19045}},
      {"lower minor", {6, 3, 9600}, "6.2.9200.0", {6, 3, 9600}},
      {"lower major", {10, 0, 19045}, "6.3.9600.0", {10, 0, 19045}},
      // Unreadable texts leave the report as it is.
      {"empty", {6, 2, 9200}, "", {6, 2, 9200}},
      {"two fields", {6, 2, 9200}, "10.0", {6, 2, 9200}},
      {"letters", {6, 2, 9200}, "ten.0.19041.1", {6, 2, 9200}},
      {"empty field", {6, 2, 9200}, "10..19041.1", {6, 2, 9200}},
      {"suffix in build", {6, 2, 9200}, "10.0.19041 (WinBuild)", {6, 2, 9200}},
      {"overlong number", {6, 2, 9200}, "99999999999999999999.0.1", {6, 2, 9200}},
      {"negative", {6, 2, 9200}, "-10.0.19041", {6, 2, 9200}},
  };
  for (const CorrectionCase& c : cases) {
    const OsVersionNumbers got = CorrectOsVersion(c.reported, c.kernel32);
    EXPECT_EQ(got.major, c.expected.major) << c.label;
    EXPECT_EQ(got.minor, c.expected.minor) << c.label;
    EXPECT_EQ(got.build, c.expected.build) << c.label;
  }
}

struct Win8Case {
  uint32_t platform;
  OsVersionNumbers version;
  bool expected;
};

TEST(IsWindows8OrLater, NeedsNtAndAtLeast62) {
  const Win8Case cases[] = {
      {2, {6, 1, 7601}, false}, {2, {6, 2, 9200}, true}, {2, {6, 3, 9600}, true},
      {2, {10, 0, 0}, true},    {2, {5, 2, 0}, false},   {2, {7, 0, 0}, true},
      {1, {6, 2, 0}, false},    {0, {10, 0, 0}, false},
  };
  for (const Win8Case& c : cases) {
    EXPECT_EQ(IsWindows8OrLater(c.platform, c.version), c.expected)
        << c.platform << ":" << c.version.major << "." << c.version.minor;
  }
}

TEST(OsVersionMayBeUnderReported, FromSixPointTwo) {
  EXPECT_FALSE(OsVersionMayBeUnderReported({6, 1, 7601}));
  EXPECT_TRUE(OsVersionMayBeUnderReported({6, 2, 9200}));
  EXPECT_TRUE(OsVersionMayBeUnderReported({6, 3, 9600}));
  EXPECT_TRUE(OsVersionMayBeUnderReported({10, 0, 0}));
  EXPECT_FALSE(OsVersionMayBeUnderReported({5, 2, 3790}));
}

}  // namespace
}  // namespace orvane
