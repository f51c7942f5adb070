// Inspection of good, odd and damaged packages: every fault is found and
// located, odd but sound layouts pass.
#include "Inspector.h"

#include <gtest/gtest.h>

#include <functional>

#include "Builder.h"
#include "ReportFormat.h"
#include "StubpackTestSupport.h"
#include "util/ZSUB.h"

namespace orvane::stubpack {
namespace {

using test::FakeStub;
using test::Load32;
using test::RandomBytes;
using test::ReadBytes;
using test::Store32;
using test::TempDir;
using test::TextBytes;
using test::WriteBytes;

constexpr size_t kBigStub = 60000;  // above the checksum limit

// Builds a package of a stored engine and a compressed readme.
std::string BuildPackage(const TempDir& dir, size_t stubSize, uint64_t maxVolumeSize = 0) {
  WriteBytes(dir / "stub.exe", FakeStub(stubSize));
  WriteBytes(dir / "engine", RandomBytes(3000, 9));
  WriteBytes(dir / "readme", TextBytes(20000));
  BuildPlan plan;
  plan.stub = dir / "stub.exe";
  plan.output = dir / "setup.exe";
  plan.maxVolumeSize = maxVolumeSize;
  plan.files = {{dir / "engine", "setup.exe", true, "/Q", {}},
                {dir / "readme", "readme.txt", false, "", {}}};
  plan.internet =
      InternetSettings{true, "http://x/u", "p.info", "agent.exe", "product-secret", false, {}, {}};
  // UTF-8 in the plan, Windows-1252 in the package.
  plan.languages.push_back({"English", {{"s0", "T\xc3\xa9st"}}, {}});
  Problems problems;
  BuildResult result;
  EXPECT_TRUE(Build(plan, result, problems));
  return plan.output;
}

bool HasProblem(const InspectReport& report, bool warning, const std::string& text,
                const std::string& where) {
  for (const Problem& p : report.problems) {
    if (p.warning == warning && p.what.find(text) != std::string::npos &&
        (where.empty() || p.where == where))
      return true;
  }
  return false;
}

std::string AllProblems(const InspectReport& report) {
  std::string text;
  for (const Problem& p : report.problems)
    text += (p.warning ? "warning: " : "error: ") + p.what + " @ " + p.where + "\n";
  return text;
}

TEST(StubpackInspect, ReportsAGoodPackage) {
  TempDir dir;
  const std::string path = BuildPackage(dir, kBigStub);
  const InspectReport report = Inspect(path);
  EXPECT_FALSE(report.Damaged()) << AllProblems(report);
  EXPECT_TRUE(report.problems.empty()) << AllProblems(report);
  ASSERT_EQ(report.volumes.size(), 1u);
  const VolumeInfo& volume = report.volumes[0];
  EXPECT_TRUE(volume.launcherImage);
  EXPECT_EQ(volume.endPointer, volume.fileSize);
  EXPECT_EQ(volume.trailerOffset, volume.fileSize - 74);
  EXPECT_EQ(std::string(ChecksumVerdict(volume)), "not stored");
  ASSERT_EQ(report.headerBlocks.size(), 2u);
  EXPECT_EQ(report.headerBlocks[0].offset, kBigStub);
  ASSERT_EQ(report.entries.size(), 2u);
  const EntryInfo& engine = report.entries[0];
  EXPECT_EQ(engine.offset,
            kBigStub + 8 + report.headerBlocks[0].length + report.headerBlocks[1].length);
  EXPECT_EQ(engine.parsed.name, "setup.exe");
  EXPECT_TRUE(engine.parsed.isStart);
  EXPECT_EQ(engine.parsed.startArguments, "/Q");
  EXPECT_LE(engine.storedLength, 0);
  EXPECT_EQ(engine.dataSize, 3000u);
  const EntryInfo& readme = report.entries[1];
  EXPECT_GT(readme.storedLength, 0);
  EXPECT_EQ(readme.dataSize, 20000u);
  EXPECT_LT(readme.payloadSize, 20000u);
  ASSERT_EQ(report.languages.size(), 1u);
  EXPECT_EQ(report.languages[0].strings[0].second, "T\xe9st");
  EXPECT_EQ(report.agentFile, "agent.exe");
  EXPECT_TRUE(report.productTokenValid);
  EXPECT_FALSE(report.hasDownload);

  // Neither rendering shows a token, plain or stored.
  const std::string text = FormatReportText(report);
  const std::string json = FormatReportJson(report);
  const std::string stored =
      SUB::Get(pack::ReadPackageHeader(pack::MemorySource(ReadBytes(path))).internetBlock, 3);
  ASSERT_GT(stored.size(), 10u);
  for (const std::string* out : {&text, &json}) {
    EXPECT_EQ(out->find("product-secret"), std::string::npos);
    EXPECT_EQ(out->find(stored), std::string::npos);
  }
  EXPECT_NE(json.find("\"entries\": ["), std::string::npos);
  EXPECT_NE(json.find("\"name\": \"setup.exe\",\n      \"size\": 3000,\n      \"dosdate\": " +
                      std::to_string(engine.parsed.dosDateTime)),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"start\": true"), std::string::npos);
  EXPECT_NE(json.find("\"value\": \"T\\u00e9st\""), std::string::npos);
  EXPECT_NE(json.find("\"productTokenValid\": true"), std::string::npos);
  EXPECT_NE(json.find("\"valid\": true"), std::string::npos);
}

struct DamageCase {
  const char* name;
  // Changes the package bytes; `entries` are the offsets of the entries of
  // the good package, `trailer` the offset of its trailer.
  std::function<void(std::string&, const std::vector<uint64_t>& entries, uint64_t trailer)> change;
  const char* message;
  std::function<std::string(const std::vector<uint64_t>&, uint64_t, uint64_t)> where;
};

std::string Offset(uint64_t offset) {
  return "offset " + std::to_string(offset);
}

TEST(StubpackInspect, LocatesEveryDamage) {
  const DamageCase cases[] = {
      {"a file cut short below its pointer",
       [](std::string& b, auto&, uint64_t) { b.resize(b.size() - 10); },
       "lies beyond the end of the file", [](auto&, uint64_t, uint64_t) { return Offset(248); }},
      {"a trailer without the magic",
       [](std::string& b, auto&, uint64_t t) { Store32(b, t + 12, 0x12345678); }, "no package",
       [](auto&, uint64_t t, uint64_t) { return Offset(t); }},
      {"a block longer than the package",
       [](std::string& b, auto& e, uint64_t) { Store32(b, e[1], 0x7FFFFFFF); },
       "claims 2147483647 bytes", [](auto& e, uint64_t, uint64_t) { return Offset(e[1]); }},
      {"the most negative block length",
       [](std::string& b, auto& e, uint64_t) { Store32(b, e[0], 0x80000000u); },
       "claims 2147483648 bytes", [](auto& e, uint64_t, uint64_t) { return Offset(e[0]); }},
      {"a header block longer than the file",
       [](std::string& b, auto&, uint64_t) { Store32(b, kBigStub, 0x7FFFFFF0u); }, "block 1 claims",
       [](auto&, uint64_t, uint64_t) { return Offset(kBigStub); }},
      {"damaged zlib data",
       [](std::string& b, auto& e, uint64_t) {
         for (uint64_t i = e[1] + 40; i < e[1] + 60; ++i)
           b[i] = static_cast<char>(~b[i]);
       },
       "cannot be inflated", [](auto& e, uint64_t, uint64_t) { return Offset(e[1]); }},
      {"a zlib stream cut short",
       [](std::string& b, auto& e, uint64_t) { Store32(b, e[1], Load32(b, e[1]) - 10); },
       "ends before its end marker", [](auto& e, uint64_t, uint64_t) { return Offset(e[1]); }},
      {"a package start after the trailer",
       [](std::string& b, auto&, uint64_t t) {
         Store32(b, t + 4, static_cast<uint32_t>(b.size()));
       },
       "package start", [](auto&, uint64_t t, uint64_t) { return Offset(t + 4); }},
      {"a stub pointer of 0 and data after the package",
       [](std::string& b, auto&, uint64_t) {
         Store32(b, 252, 0);
         b += std::string(1000, '\0');
       },
       "no package", [](auto&, uint64_t, uint64_t size) { return Offset(size + 1000); }},
  };
  TempDir dir;
  const std::string good = ReadBytes(BuildPackage(dir, kBigStub));
  const InspectReport goodReport = Inspect(dir / "setup.exe");
  std::vector<uint64_t> entries;
  for (const EntryInfo& entry : goodReport.entries)
    entries.push_back(entry.offset);
  const uint64_t trailer = goodReport.volumes[0].trailerOffset;
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = good;
    c.change(bytes, entries, trailer);
    WriteBytes(dir / "damaged.exe", bytes);
    const InspectReport report = Inspect(dir / "damaged.exe");
    EXPECT_TRUE(report.Damaged());
    EXPECT_TRUE(HasProblem(report, false, c.message, c.where(entries, trailer, good.size())))
        << AllProblems(report);
    EXPECT_NE(FormatReportJson(report).find("\"valid\": false"), std::string::npos);
  }
}

TEST(StubpackInspect, FindsABadChecksumInASmallVolume) {
  TempDir dir;
  std::string bytes = ReadBytes(BuildPackage(dir, 2048));
  const InspectReport before = Inspect(dir / "setup.exe");
  ASSERT_EQ(std::string(ChecksumVerdict(before.volumes[0])), "ok");
  bytes[before.entries[0].offset + 100] ^= 1;
  WriteBytes(dir / "setup.exe", bytes);
  const InspectReport report = Inspect(dir / "setup.exe");
  EXPECT_TRUE(HasProblem(report, false, "checksum mismatch in volume 1",
                         Offset(before.volumes[0].trailerOffset + 16)))
      << AllProblems(report);
  EXPECT_EQ(std::string(ChecksumVerdict(report.volumes[0])), "bad");
}

TEST(StubpackInspect, FollowsVolumesAndReportsAMissingOne) {
  TempDir dir;
  const std::string path = BuildPackage(dir, 2048, 3000);
  const InspectReport report = Inspect(path);
  EXPECT_FALSE(report.Damaged()) << AllProblems(report);
  ASSERT_GE(report.volumes.size(), 3u);
  EXPECT_EQ(report.volumes[2].path, path + ".003");
  int total = 0;
  for (const VolumeInfo& volume : report.volumes) {
    EXPECT_EQ(std::string(ChecksumVerdict(volume)), "ok");
    total += volume.entryCount;
  }
  EXPECT_EQ(static_cast<size_t>(total), report.entries.size());
  EXPECT_EQ(report.entries.back().volume, static_cast<int>(report.volumes.size()));

  std::remove((path + ".002").c_str());
  const InspectReport missing = Inspect(path);
  EXPECT_TRUE(HasProblem(missing, false, "volume 2 '" + path + ".002' cannot be read", ""))
      << AllProblems(missing);
}

// Assembles a package by hand: stub, blocks, trailer, pointer.
std::string HandMade(const std::vector<std::pair<int32_t, std::string>>& blocks,
                     uint8_t headerBlockCount, size_t trailerLength = 74) {
  std::string bytes = FakeStub(kBigStub);
  for (const auto& [length, payload] : blocks) {
    std::string field(4, '\0');
    Store32(field, 0, static_cast<uint32_t>(length));
    bytes += field + payload;
  }
  pack::Trailer trailer;
  trailer.format = 1;
  trailer.headerBlockCount = headerBlockCount;
  trailer.packageStart = kBigStub;
  trailer.fileCount = static_cast<uint32_t>(blocks.size() - 2);
  trailer.magic = pack::kTrailerMagic;
  trailer.checksum = pack::kNoChecksum;
  trailer.internetSetup = 1;  // lost in a short trailer
  trailer.trailerLength = static_cast<uint32_t>(trailerLength);
  const auto encoded = pack::EncodeTrailer(trailer);
  std::string tail(encoded.begin(), encoded.end());
  if (trailerLength < 74) {
    tail.resize(trailerLength - 4);
    tail += std::string(4, '\0');
    Store32(tail, trailerLength - 4, static_cast<uint32_t>(trailerLength));
  }
  bytes += tail;
  pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size(), bytes.size());
  return bytes;
}

std::pair<int32_t, std::string> Stored(const std::string& entry) {
  return {-static_cast<int32_t>(entry.size()), entry};
}

// Header blocks carry their plain length.
std::pair<int32_t, std::string> Block(const std::string& text) {
  return {static_cast<int32_t>(text.size()), text};
}

TEST(StubpackInspect, ReadsOddButSoundLayouts) {
  TempDir dir;
  const std::string entry = std::string("|setup.exe*|0|") + '\0' + "engine";
  struct Case {
    const char* name;
    std::string bytes;
    std::function<void(const InspectReport&)> check;
  };
  std::string signedLike = HandMade({Block(""), Block("|http:|.info|.exe||0|"), Stored(entry)}, 2);
  const uint64_t packageEnd = signedLike.size();
  signedLike += std::string((8 - packageEnd % 8) % 8, '\0') + std::string(700, 'C');
  const Case cases[] = {
      {"a pointer, padding and a certificate after the package", signedLike,
       [&](const InspectReport& r) {
         EXPECT_EQ(r.volumes[0].packageEnd, packageEnd);
         EXPECT_GT(r.volumes[0].fileSize, packageEnd);
         ASSERT_EQ(r.entries.size(), 1u);
         EXPECT_EQ(r.entries[0].dataSize, 6u);
       }},
      {"a short trailer of 70 bytes", HandMade({Block(""), Block("||"), Stored(entry)}, 2, 70),
       [](const InspectReport& r) {
         EXPECT_EQ(r.volumes[0].trailer.trailerLength, 70u);
         EXPECT_EQ(r.volumes[0].trailer.internetSetup, 0);
         EXPECT_TRUE(HasProblem(r, true, "short trailer of 70 bytes", ""));
         EXPECT_EQ(r.entries.size(), 1u);
       }},
      {"a stored header block count of 0", HandMade({Block(""), Block("||"), Stored(entry)}, 0),
       [](const InspectReport& r) {
         EXPECT_EQ(r.volumes[0].storedHeaderBlockCount, 0);
         EXPECT_EQ(r.volumes[0].trailer.headerBlockCount, 2);
         EXPECT_EQ(r.entries.size(), 1u);
       }},
      {"three header blocks",
       HandMade({Block(""), Block("||"), Block("|http://h|f.exe|1||99|"), Stored(entry)}, 3),
       [](const InspectReport& r) {
         EXPECT_TRUE(r.hasDownload);
         EXPECT_EQ(r.downloadLocation, "http://h");
         EXPECT_TRUE(r.skipLocalCopy);
         EXPECT_FALSE(r.downloadTokenValid);
         EXPECT_EQ(r.downloadSize, "99");
         EXPECT_EQ(r.entries.size(), 1u);
       }},
      {"an entry without a zero byte and one with an empty header",
       HandMade({Block(""), Block("||"), Stored(entry), Stored("no header"),
                 Stored(std::string(1, '\0') + "data")},
                2),
       [](const InspectReport& r) {
         EXPECT_TRUE(HasProblem(r, true, "entry 2 has no zero byte", ""));
         EXPECT_TRUE(HasProblem(r, true, "entry 3 has an empty header", ""));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir / "odd.exe", c.bytes);
    const InspectReport report = Inspect(dir / "odd.exe");
    EXPECT_FALSE(report.Damaged()) << AllProblems(report);
    c.check(report);
  }
}

TEST(StubpackInspect, RejectsNamesThatLeaveTheExtractionFolder) {
  TempDir dir;
  // The last one is a start entry whose "*" stands outside the name field:
  // the whole header would be the program to start.
  for (const char* name :
       {"..\\evil.exe", "C:\\Windows\\evil.dll", "\\\\server\\x", "a.txt|0|..\\..\\evil.exe*/x"}) {
    SCOPED_TRACE(name);
    const std::string entry = std::string("|") + name + "|0|" + '\0' + "x";
    WriteBytes(dir / "evil.exe", HandMade({Block(""), Block("||"), Stored(entry)}, 2));
    const InspectReport report = Inspect(dir / "evil.exe");
    EXPECT_TRUE(
        HasProblem(report, false, "outside the extraction folder", Offset(kBigStub + 4 + 4 + 2)))
        << AllProblems(report);
  }
}

TEST(StubpackInspect, ShowsAndChecksTheSetupFilesSha256) {
  const std::string sha = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
  struct Case {
    const char* name;
    std::string sixthField;  // with its "|"; empty: a block of five fields
    const char* shown;       // in the text output; null: a damaged package
    const char* json;
  };
  const Case cases[] = {
      {"none, as in older packages", "", "none", "\"sha256\": null"},
      {"an empty sixth field names none", "|", "none", "\"sha256\": null"},
      {"64 lowercase digits", sha + "|", sha.c_str(), nullptr},
      {"64 digits in capitals", "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08|",
       "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08", nullptr},
      {"63 digits", sha.substr(1) + "|", nullptr, nullptr},
      {"a letter beyond f", "g" + sha.substr(1) + "|", nullptr, nullptr},
      {"a number of bytes in its place", "1234|", nullptr, nullptr},
  };
  TempDir dir;
  const std::string entry = std::string("|setup.exe*|0|") + '\0' + "engine";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string block = "|http://h|f.exe|0||99|" + c.sixthField;
    WriteBytes(dir / "web.exe", HandMade({Block(""), Block("||"), Block(block), Stored(entry)}, 3));
    const InspectReport report = Inspect(dir / "web.exe");
    ASSERT_TRUE(report.hasDownload);
    const std::string text = FormatReportText(report);
    const std::string json = FormatReportJson(report);
    if (c.shown == nullptr) {
      EXPECT_TRUE(report.Damaged());
      // The block follows an empty language block and the internet block "||".
      EXPECT_TRUE(HasProblem(report, false,
                             "SHA-256 '" + c.sixthField.substr(0, c.sixthField.size() - 1) +
                                 "' is not 64 hexadecimal digits",
                             Offset(kBigStub + 4 + 4 + 2)))
          << AllProblems(report);
      EXPECT_NE(json.find("\"valid\": false"), std::string::npos);
      continue;
    }
    EXPECT_FALSE(report.Damaged()) << AllProblems(report);
    EXPECT_NE(text.find("\n  SHA-256               " + std::string(c.shown) + "\n"),
              std::string::npos)
        << text;
    const std::string member =
        c.json != nullptr ? c.json : "\"sha256\": \"" + std::string(c.shown) + "\"";
    EXPECT_NE(json.find("\"size\": 99,\n    " + member + "\n  }"), std::string::npos) << json;
  }
}

TEST(StubpackInspect, JsonGivesTheDownloadSizeAsTheLauncherReadsIt) {
  struct Case {
    std::string field;
    const char* json;  // the member as the document shows it
  };
  const Case cases[] = {
      {"99", "\"size\": 99,"},
      {"0012", "\"size\": 12,"},
      {"0", "\"size\": 0,"},
      {"9999999999999999999", "\"size\": 9999999999999999999,"},
      {"", "\"size\": null,"},
      {"12 MB", "\"size\": null,"},
      {"-5", "\"size\": null,"},
      {"0x10", "\"size\": null,"},
      {"18446744073709551615", "\"size\": null,"},  // 20 digits: the launcher shows 0 MB
  };
  TempDir dir;
  const std::string entry = std::string("|setup.exe*|0|") + '\0' + "engine";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const std::string block = "|http://h|f.exe|0||" + c.field + "|";
    WriteBytes(dir / "web.exe", HandMade({Block(""), Block("||"), Block(block), Stored(entry)}, 3));
    const std::string json = FormatReportJson(Inspect(dir / "web.exe"));
    EXPECT_NE(json.find(c.json), std::string::npos) << json;
  }
}

TEST(StubpackInspect, JsonOfAFileWithoutPackageHasNullsWhereNothingIsKnown) {
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file at all
    std::vector<std::string> members;
  };
  const Case cases[] = {
      {"a missing file",
       "",
       {"\"package\": false", "\"fileSize\": null", "\"launcherImage\": null",
        "\"packageEndPointer\": null", "\"packageEnd\": null", "\"trailer\": null",
        "\"volumes\": []", "\"internet\": null", "\"download\": null", "\"entries\": []"}},
      {"a launcher without package",
       FakeStub(),
       {"\"package\": false", "\"fileSize\": " + std::to_string(FakeStub().size()),
        "\"launcherImage\": true", "\"packageEndPointer\": null", "\"trailer\": null",
        "\"volumes\": []"}},
      {"text",
       std::string(5000, 'x'),
       {"\"fileSize\": 5000", "\"launcherImage\": false", "\"packageEnd\": 5000",
        "\"trailer\": null"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (!c.bytes.empty())
      WriteBytes(dir / "file.bin", c.bytes);
    const std::string json = FormatReportJson(Inspect(dir / "file.bin"));
    EXPECT_EQ(json.rfind("{\n  \"formatVersion\": 1,\n", 0), 0u) << json;
    for (const std::string& member : c.members)
      EXPECT_NE(json.find(member), std::string::npos) << member << "\n" << json;
  }
}

TEST(StubpackInspect, ReportsFilesThatAreNoPackage) {
  TempDir dir;
  EXPECT_TRUE(HasProblem(Inspect(dir / "missing.exe"), false, "cannot open", ""));
  for (const std::string& bytes :
       {std::string(), std::string(10, 'x'), FakeStub(), std::string(5000, '\xff')}) {
    WriteBytes(dir / "plain.bin", bytes);
    const InspectReport report = Inspect(dir / "plain.bin");
    EXPECT_TRUE(report.Damaged());
    EXPECT_TRUE(report.entries.empty());
  }
}

TEST(StubpackInspect, FormatsDosDates) {
  EXPECT_EQ(DosDateTimeText(((2021u - 1980) << 9 | 6 << 5 | 15) << 16 | (13 << 11 | 45 << 5 | 15)),
            "2021-06-15 13:45:30");
  EXPECT_EQ(DosDateTimeText(0x00210000), "1980-01-01 00:00:00");
  EXPECT_EQ(DosDateTimeText(0), "1980-00-00 00:00:00 (invalid)");
}

// Every entry carries the CRC-32 of its file bytes: one changed byte of a
// stored file in a volume too large for the volume checksum is found.
TEST(StubpackInspect, FindsAChangedByteInAStoredEntry) {
  TempDir dir;
  const std::string marker = "<the product's program>";
  WriteBytes(dir / "stub.exe", FakeStub());
  WriteBytes(dir / "app.exe", marker + RandomBytes(200000, 5));
  const std::string out = dir / "setup.exe";
  test::CliRun run = test::Call({"build", "--stub", dir / "stub.exe", "-o", out, "--file",
                                 (dir / "app.exe") + "=app.exe*", "--compression", "none"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  run = test::Call({"inspect", out});
  EXPECT_EQ(run.code, kExitOk) << run.err;
  std::string bytes = ReadBytes(out);
  const size_t at = bytes.find(marker);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] ^= 0x01;
  WriteBytes(out, bytes);
  run = test::Call({"inspect", out});
  EXPECT_EQ(run.code, kExitFailure);
  EXPECT_NE(run.err.find("entry 1 ('app.exe'): its file bytes do not have the CRC-32"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace orvane::stubpack
