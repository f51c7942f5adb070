// Builds in a temporary folder, read back by an independent walk of the
// format and by the launcher's own reader.
#include "Builder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cctype>
#include <ctime>

#include "BuildPlan.h"
#include "FileIo.h"
#include "HeaderBlocks.h"
#include "OutputFiles.h"
#include "Sha256.h"
#include "StubpackTestSupport.h"
#include "package/PackX.h"

namespace orvane::stubpack {
namespace {

using test::ExtractLikeLauncher;
using test::FakeStub;
using test::RandomBytes;
using test::ReadBytes;
using test::TempDir;
using test::TextBytes;
using test::WriteBytes;

class StubpackBuild : public ::testing::Test {
 protected:
  // A BuildPlan with the fake stub and the given files (name -> bytes); the first
  // file is the start entry.
  BuildPlan MakePlan(const std::vector<std::pair<std::string, std::string>>& files,
                     size_t stubSize = 2048) {
    WriteBytes(dir_ / "stub.exe", FakeStub(stubSize));
    BuildPlan plan;
    plan.stub = dir_ / "stub.exe";
    plan.output = dir_ / "setup.exe";
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string source = dir_ / ("src-" + files[i].first);
      WriteBytes(source, files[i].second);
      plan.files.push_back({source, files[i].first, i == 0, i == 0 ? "/Q" : "", {}});
    }
    return plan;
  }

  BuildResult BuildOk(const BuildPlan& plan) {
    Problems problems;
    CheckBuildPlan(plan, problems);
    EXPECT_FALSE(HasErrors(problems)) << problems.front().what;
    BuildResult result;
    EXPECT_TRUE(Build(plan, result, problems)) << (problems.empty() ? "" : problems.back().what);
    return result;
  }

  TempDir dir_;
};

TEST_F(StubpackBuild, RoundTripsFilesHeaderBlocksAndTrailer) {
  const std::string engine = RandomBytes(5000, 1);
  const std::string readme = TextBytes(20000);
  BuildPlan plan = MakePlan({{"setup.exe", engine}, {"readme.txt", readme}, {"empty.dat", ""}});
  plan.files[0].startArguments = "/Q /log=x";
  plan.languages.push_back({"English", {{"Charset", "0"}, {"s0", "My Setup"}}, {}});
  plan.languages.push_back({"German", {{"s1", "Entpacke..."}, {"Error", ""}}, {}});
  plan.internet = InternetSettings{
      true, "http://example.com/up", "up\\prod.info", "agent.exe", "product-secret", true, {}, {}};
  plan.download = DownloadSettings{
      true, "http://example.com/dl", "full.exe", true, "download-secret", "123456", "", "", {}};
  plan.flags[static_cast<size_t>(Flag::kActivityBar)] = true;
  plan.flags[static_cast<size_t>(Flag::kShowTempNotice)] = true;
  plan.flags[static_cast<size_t>(Flag::kAgentCopy)] = true;
  const BuildResult result = BuildOk(plan);
  ASSERT_EQ(result.outputs, std::vector<std::string>{plan.output});

  const test::Extraction extracted = ExtractLikeLauncher(plan.output);
  ASSERT_TRUE(extracted.ok) << extracted.error;
  EXPECT_EQ(extracted.files.at("setup.exe"), engine);
  EXPECT_EQ(extracted.files.at("readme.txt"), readme);
  EXPECT_EQ(extracted.files.at("empty.dat"), "");
  EXPECT_EQ(extracted.startEntry, "setup.exe*/Q /log=x");
  EXPECT_EQ(extracted.entries, 3);

  const std::string bytes = ReadBytes(plan.output);
  const std::string stub = FakeStub();
  // The stub is copied unchanged except for the package-end pointer.
  EXPECT_EQ(bytes.substr(0, 248), stub.substr(0, 248));
  EXPECT_EQ(bytes.substr(256, stub.size() - 256), stub.substr(256));
  EXPECT_EQ(pack::ReadPackageEndPointer(reinterpret_cast<const uint8_t*>(bytes.data()), 256),
            bytes.size());

  const pack::MemorySource source(bytes);
  const pack::PackageHeader header = pack::ReadPackageHeader(source);
  EXPECT_EQ(header.languageBlock,
            "\x02\x01"
            "English\x01"
            "Charset=0\x01s0=My Setup\x01\x02"
            "\x01"
            "German\x01s1=Entpacke...\x01"
            "Error=\x01\x02");
  const TGFileInfo info(header);
  EXPECT_EQ(info.GetInfoUrl(), "http://example.com/up");
  EXPECT_EQ(info.GetInfoFileName(), "prod.info");
  EXPECT_EQ(info.GetAgentFileName(), "agent.exe");
  EXPECT_TRUE(info.GetRunHidden());
  bool verified = false;
  EXPECT_EQ(pack::DescrambleToken(info.GetProductToken(false), &verified), "product-secret");
  EXPECT_TRUE(verified);
  EXPECT_EQ(pack::DescrambleToken(info.GetDownloadToken(false), &verified), "download-secret");
  EXPECT_TRUE(verified);
  EXPECT_EQ(info.GetProductToken(false).find("secret"), std::string::npos);
  EXPECT_EQ(info.GetDownloadLocation(), "http://example.com/dl");
  EXPECT_EQ(info.GetDownloadFileName(), "full.exe");
  EXPECT_TRUE(info.GetSkipLocalCopy());
  EXPECT_EQ(info.GetDownloadSize(), "123456");

  const pack::Trailer& trailer = header.trailer;
  EXPECT_EQ(trailer.format, 1);
  EXPECT_EQ(trailer.headerBlockCount, 3);
  EXPECT_EQ(trailer.fileCount, 3u);
  EXPECT_EQ(trailer.trailerLength, 74u);
  EXPECT_EQ(trailer.flags, pack::kFlagActivityBar | pack::kFlagShowTempNotice);
  EXPECT_EQ(trailer.internetSetup, 0);
  EXPECT_EQ(trailer.agentCopy, 1);
  EXPECT_EQ(trailer.agentFlag, 0);
  EXPECT_EQ(pack::ReadTrailer(source).packageStart, stub.size());
  // A file this small carries its checksum.
  EXPECT_NE(trailer.checksum, pack::kNoChecksum);
  EXPECT_EQ(trailer.checksum, pack::ComputePackageChecksum(source, 74));
  // The space table covers the files and the agent copy (the launcher with
  // its header blocks and a trailer).
  uint64_t headerBytes = 0;
  for (const std::string* block :
       {&header.languageBlock, &header.internetBlock, &header.downloadBlock})
    headerBytes += 4 + block->size();
  const SpaceTableValues expected =
      ComputeSpaceTable({{"setup.exe", 5000},
                         {"readme.txt", 20000},
                         {"empty.dat", 0},
                         {"agent.exe", stub.size() + headerBytes + 74}});
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(trailer.spaceTable[i], expected[i]) << i;
}

TEST_F(StubpackBuild, WithoutSettingsWritesTwoBlocksAndThePlaceholder) {
  const BuildPlan plan = MakePlan({{"setup.exe", "MZ engine"}});
  BuildOk(plan);
  const std::string bytes = ReadBytes(plan.output);
  const pack::PackageHeader header = pack::ReadPackageHeader(pack::MemorySource(bytes));
  EXPECT_EQ(header.trailer.headerBlockCount, 2);
  EXPECT_EQ(header.languageBlock, "");
  EXPECT_EQ(header.downloadBlock, "");
  const std::string& net = header.internetBlock;
  ASSERT_EQ(net.compare(0, 18, "|http:|.info|.exe|"), 0) << net;
  ASSERT_EQ(net.substr(net.size() - 3), "|0|");
  bool verified = false;
  EXPECT_EQ(pack::DescrambleToken(net.substr(18, net.size() - 21), &verified), "");
  EXPECT_TRUE(verified);
}

TEST_F(StubpackBuild, CompressesOnlyWhatShrinks) {
  struct Case {
    const char* name;
    std::string data;
    Compression mode;
    bool compressed;
  };
  const Case cases[] = {
      {"text", TextBytes(30000), Compression::kAuto, true},
      {"zeros", std::string(100000, '\0'), Compression::kAuto, true},
      {"random bytes", RandomBytes(30000, 7), Compression::kAuto, false},
      {"a few bytes", "ab", Compression::kAuto, false},
      {"text, compression off", TextBytes(30000), Compression::kNone, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildPlan plan = MakePlan({{"setup.exe", c.data}});
    plan.compression = c.mode;
    const BuildResult result = BuildOk(plan);
    ASSERT_EQ(result.entries.size(), 1u);
    EXPECT_EQ(result.entries[0].compressed, c.compressed);
    const uint64_t storedForm = 4 + pack::MakeEntryHeader({"setup.exe", 0, true, "/Q"}).size();
    if (c.compressed) {
      EXPECT_LT(result.entries[0].storedSize, storedForm + c.data.size());
    }
    const test::Extraction extracted = ExtractLikeLauncher(plan.output);
    ASSERT_TRUE(extracted.ok) << extracted.error;
    EXPECT_EQ(extracted.files.at("setup.exe"), c.data);
  }
}

TEST_F(StubpackBuild, TakesFileDatesAsUtcDosTime) {
  BuildPlan plan = MakePlan({{"setup.exe", "engine"}, {"old.txt", "old"}});
  const time_t moment = 1623764731;  // 2021-06-15 13:45:31 UTC
  const utimbuf times{moment, moment};
  ASSERT_EQ(utime(plan.files[0].source.c_str(), &times), 0);
  const utimbuf ancient{86400, 86400};  // 1970: before the first DOS date
  ASSERT_EQ(utime(plan.files[1].source.c_str(), &ancient), 0);
  BuildOk(plan);
  const test::Extraction extracted = ExtractLikeLauncher(plan.output);
  ASSERT_TRUE(extracted.ok);
  const uint32_t date = (2021 - 1980) << 9 | 6 << 5 | 15;
  const uint32_t time = 13 << 11 | 45 << 5 | 15;
  EXPECT_EQ(extracted.dates.at("setup.exe"), date << 16 | time);
  EXPECT_EQ(extracted.dates.at("old.txt"), (1u << 5 | 1u) << 16);
}

TEST_F(StubpackBuild, SplitsLargeFilesIntoEntriesOfOneName) {
  const std::string big = RandomBytes(10000, 3);
  BuildPlan plan = MakePlan({{"setup.exe", "engine"}, {"big.bin", big}});
  plan.maxEntrySize = 4096;
  const BuildResult result = BuildOk(plan);
  ASSERT_EQ(result.entries.size(), 4u);  // the engine, then 4096 + 4096 + 1808
  EXPECT_EQ(result.entries[1].dataSize, 4096u);
  EXPECT_EQ(result.entries[3].dataSize, 1808u);
  const test::Extraction extracted = ExtractLikeLauncher(plan.output);
  ASSERT_TRUE(extracted.ok);
  EXPECT_EQ(extracted.files.at("big.bin"), big);
  // One file for the space table, whatever the pieces.
  const pack::Trailer trailer = pack::ReadTrailer(pack::MemorySource(ReadBytes(plan.output)));
  EXPECT_EQ(trailer.spaceTable[4], 4096u + 12288u);
  EXPECT_EQ(trailer.fileCount, 4u);
}

struct VolumeCase {
  const char* name;
  uint64_t maxVolumeSize;
  FirstVolume firstVolume;
  std::vector<std::string> outputs;  // file names in the folder, besides the inputs
};

TEST_F(StubpackBuild, SpreadsThePackageOverVolumes) {
  const VolumeCase cases[] = {
      {"one volume", 0, FirstVolume::kLauncher, {"setup.exe"}},
      {"volumes after the launcher",
       12000,
       FirstVolume::kLauncher,
       {"setup.exe", "setup.exe.002", "setup.exe.003", "setup.exe.004"}},
      {"a separate first volume",
       16000,
       FirstVolume::kSeparate001,
       {"setup.exe", "setup.exe.001", "setup.exe.002", "setup.exe.003"}},
  };
  const std::string engine = RandomBytes(9000, 11);
  const std::string data = RandomBytes(25000, 12);
  const std::string readme = TextBytes(9000);
  for (const VolumeCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "stub.exe", FakeStub());
    WriteBytes(dir / "engine", engine);
    WriteBytes(dir / "data", data);
    WriteBytes(dir / "readme", readme);
    BuildPlan plan;
    plan.stub = dir / "stub.exe";
    plan.output = dir / "setup.exe";
    plan.maxVolumeSize = c.maxVolumeSize;
    plan.firstVolume = c.firstVolume;
    plan.files = {{dir / "engine", "setup.exe", true, "", {}},
                  {dir / "data", "data.bin", false, "", {}},
                  {dir / "readme", "readme.txt", false, "", {}}};
    const BuildResult result = BuildOk(plan);
    std::vector<std::string> names = dir.Names();
    std::vector<std::string> expected = c.outputs;
    for (const char* input : {"data", "engine", "readme", "stub.exe"})
      expected.push_back(input);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);

    const bool separate = c.firstVolume == FirstVolume::kSeparate001;
    const size_t volumes = c.outputs.size() - (separate ? 1 : 0);
    for (size_t v = 0; v < volumes; ++v) {
      const std::string path = dir / c.outputs[v + (separate ? 1 : 0)];
      SCOPED_TRACE(path);
      const std::string bytes = ReadBytes(path);
      const pack::MemorySource source(bytes);
      if (c.maxVolumeSize != 0) {
        EXPECT_LE(bytes.size(), c.maxVolumeSize);
      }
      const pack::Trailer trailer = pack::ReadTrailer(source);
      EXPECT_TRUE(trailer.IsPackage());
      EXPECT_EQ(trailer.packageStart, v == 0 ? 2048u : 0u);
      EXPECT_EQ(pack::IsPeImage(source), v == 0);
      EXPECT_EQ(trailer.HasFlag(pack::kFlagMoreVolumes), v + 1 < volumes);
      EXPECT_EQ(trailer.HasFlag(pack::kFlagRelaunch), separate);
      EXPECT_EQ(trailer.fileCount, result.entries.size());
      EXPECT_EQ(trailer.checksum, pack::ComputePackageChecksum(source, 74));
      EXPECT_NE(trailer.checksum, pack::kNoChecksum);
    }
    if (separate) {
      // The launcher holds only the header blocks and relaunches to read .001.
      const std::string launcher = ReadBytes(dir / "setup.exe");
      const pack::PackageHeader header = pack::ReadPackageHeader(pack::MemorySource(launcher));
      EXPECT_TRUE(header.trailer.HasFlag(pack::kFlagRelaunch));
      EXPECT_FALSE(header.trailer.HasFlag(pack::kFlagMoreVolumes));
      EXPECT_EQ(header.trailer.fileCount, 0u);
      EXPECT_EQ(header.trailer.packageStart + 74, launcher.size());
    }
    const test::Extraction extracted =
        ExtractLikeLauncher(dir / (separate ? "setup.exe.001" : "setup.exe"));
    ASSERT_TRUE(extracted.ok) << extracted.error;
    EXPECT_EQ(extracted.volumes, static_cast<int>(volumes));
    EXPECT_EQ(extracted.files.at("setup.exe"), engine);
    EXPECT_EQ(extracted.files.at("data.bin"), data);
    EXPECT_EQ(extracted.files.at("readme.txt"), readme);
  }
}

TEST_F(StubpackBuild, ChecksumsOnlyVolumesOfAtMost51200Bytes) {
  // The stub, two header blocks and the trailer take 2048 + 4 + 4 + 37 + 74
  // bytes; the entry's header "|setup.exe*/Q|D|" and its zero byte, with the
  // length field, about 30 more. Random data is stored as it is.
  for (uint64_t target : {uint64_t{51200}, uint64_t{51201}}) {
    SCOPED_TRACE(target);
    BuildPlan probe = MakePlan({{"setup.exe", ""}});
    const BuildResult empty = BuildOk(probe);
    const uint64_t overhead = empty.outputSizes[0];
    BuildPlan plan = MakePlan({{"setup.exe", RandomBytes(target - overhead, 5)}});
    const BuildResult result = BuildOk(plan);
    ASSERT_EQ(result.outputSizes[0], target);
    const std::string bytes = ReadBytes(plan.output);
    const pack::Trailer trailer = pack::ReadTrailer(pack::MemorySource(bytes));
    if (target <= 51200) {
      EXPECT_EQ(trailer.checksum, pack::ComputePackageChecksum(pack::MemorySource(bytes), 74));
    } else {
      EXPECT_EQ(trailer.checksum, pack::kNoChecksum);
    }
  }
}

TEST_F(StubpackBuild, ChecksDownloadedSetupFileAgainstItsToken) {
  // The package an internet setup downloads carries the same download token.
  BuildPlan full = MakePlan({{"setup.exe", "engine"}});
  full.output = dir_ / "full.exe";
  full.download = DownloadSettings{true, "", "", false, "shared-token", "", "", "", {}};
  BuildOk(full);

  for (const char* token : {"shared-token", "other-token"}) {
    SCOPED_TRACE(token);
    BuildPlan web = MakePlan({});
    web.output = dir_ / (std::string(token) + ".exe");
    web.flags[static_cast<size_t>(Flag::kInternetSetup)] = true;
    web.download = DownloadSettings{true, "http://example.com/dl", "", false, token,
                                    "",   dir_ / "full.exe",       "", {}};
    Problems problems;
    BuildResult result;
    const bool built = Build(web, result, problems);
    EXPECT_EQ(built, std::string(token) == "shared-token");
    if (!built) {
      EXPECT_NE(problems.back().what.find("same download token"), std::string::npos);
      EXPECT_FALSE(StatFile(web.output).exists);
      continue;
    }
    const TGFileInfo own(pack::MemorySource(ReadBytes(web.output)));
    const TGFileInfo downloaded(pack::MemorySource(ReadBytes(dir_ / "full.exe")));
    EXPECT_TRUE(own.SameDownloadToken(downloaded));
    EXPECT_EQ(own.GetDownloadSize(), std::to_string(ReadBytes(dir_ / "full.exe").size()));
    EXPECT_EQ(own.GetDownloadFileName(), "full.exe");
    EXPECT_EQ(own.Trailer().internetSetup, 1);
    EXPECT_EQ(own.Trailer().fileCount, 0u);
  }
}

TEST_F(StubpackBuild, WritesTheSetupFilesSha256) {
  // A setup file larger than the pieces the builder reads and hashes.
  BuildPlan full = MakePlan({{"setup.exe", RandomBytes((5u << 19) + 123, 5)}});
  full.output = dir_ / "full.exe";
  full.download = DownloadSettings{true, "", "", false, "token", "", "", "", {}};
  BuildOk(full);
  const std::string fileSha = Sha256Text(ReadBytes(full.output));
  std::string capitals = fileSha;
  for (char& c : capitals)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string other(64, '5');
  struct Case {
    const char* name;
    std::string given;
    bool withFile;
    std::string written;  // empty: the build is refused
  };
  const Case cases[] = {
      {"File= fills it in", "", true, fileSha},
      {"the file's value in capitals", capitals, true, fileSha},
      {"a value without File=, in capitals", capitals, false, fileSha},
      {"a value the file does not have", other, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildPlan web = MakePlan({});
    web.output = dir_ / (std::string(c.name) + ".exe");
    web.flags[static_cast<size_t>(Flag::kInternetSetup)] = true;
    web.download = DownloadSettings{true,
                                    "http://h/dl",
                                    "full.exe",
                                    false,
                                    "token",
                                    c.withFile ? "" : "12",
                                    c.withFile ? full.output : "",
                                    c.given,
                                    Origin{"web.ini", 7}};
    Problems problems;
    BuildResult result;
    const bool built = Build(web, result, problems);
    if (c.written.empty()) {
      EXPECT_FALSE(built);
      ASSERT_FALSE(problems.empty());
      EXPECT_NE(problems.back().what.find(other), std::string::npos) << problems.back().what;
      EXPECT_NE(problems.back().what.find(fileSha), std::string::npos) << problems.back().what;
      EXPECT_EQ(problems.back().where, "web.ini:7");
      EXPECT_FALSE(StatFile(web.output).exists);
      continue;
    }
    ASSERT_TRUE(built) << problems.back().what;
    const std::string block =
        pack::ReadPackageHeader(pack::MemorySource(ReadBytes(web.output))).downloadBlock;
    const std::string size = c.withFile ? std::to_string(ReadBytes(full.output).size()) : "12";
    EXPECT_EQ(block, "|http://h/dl|full.exe|0|" + ScrambledToken("token", 1) + "|" + size + "|" +
                         c.written + "|");
    EXPECT_EQ(TGFileInfo(pack::MemorySource(ReadBytes(web.output))).GetDownloadSha256(), c.written);
  }
}

TEST_F(StubpackBuild, KeepsTheDownloadBlockOfFiveFieldsWithoutASha256) {
  // The bytes launchers that read five fields have always been given.
  BuildPlan web = MakePlan({});
  web.flags[static_cast<size_t>(Flag::kInternetSetup)] = true;
  web.download = DownloadSettings{true, "http://h/dl", "full.exe", true, "token", "12", "", "", {}};
  BuildOk(web);
  EXPECT_EQ(pack::ReadPackageHeader(pack::MemorySource(ReadBytes(web.output))).downloadBlock,
            "|http://h/dl|full.exe|1|vggfgictdjddekeveeejfkje|12|");
}

struct FailureCase {
  const char* name;
  std::function<void(BuildPlan&, const TempDir&)> change;
  const char* message;
};

TEST_F(StubpackBuild, FailuresLeaveNothingBehind) {
  const FailureCase cases[] = {
      {"the stub is missing", [](BuildPlan& s, const TempDir& d) { s.stub = d / "nope.exe"; },
       "cannot read the launcher stub"},
      {"the stub is no launcher image",
       [](BuildPlan& s, const TempDir& d) {
         WriteBytes(d / "text.exe", std::string(4096, 'x'));
         s.stub = d / "text.exe";
       },
       "is not a launcher image"},
      {"the stub already has a pointer",
       [](BuildPlan& s, const TempDir& d) {
         std::string stub = FakeStub();
         stub[255] = 1;
         WriteBytes(d / "signed.exe", stub);
         s.stub = d / "signed.exe";
       },
       "package-end pointer (offset 248) is set"},
      {"the stub already carries a package",
       [](BuildPlan& s, const TempDir& d) {
         pack::Trailer trailer;
         trailer.magic = pack::kTrailerMagic;
         trailer.trailerLength = 74;
         const auto bytes = pack::EncodeTrailer(trailer);
         WriteBytes(d / "installer.exe", FakeStub() + std::string(bytes.begin(), bytes.end()));
         s.stub = d / "installer.exe";
       },
       "already carries a package"},
      {"a name that leaves the extraction folder",
       [](BuildPlan& s, const TempDir&) { s.files[1].name = "..\\readme.txt"; },
       "has a folder part"},
      {"a source file is missing",
       [](BuildPlan& s, const TempDir& d) { s.files[1].source = d / "missing.txt"; },
       "does not exist"},
      {"a source is a folder", [](BuildPlan& s, const TempDir& d) { s.files[1].source = d.path(); },
       "is a folder"},
      {"the stub is a folder", [](BuildPlan& s, const TempDir& d) { s.stub = d.path(); },
       "is a folder, not a launcher file"},
      {"the volumes cannot hold the launcher",
       [](BuildPlan& s, const TempDir&) { s.maxVolumeSize = 2100; }, "leaves no room"},
      {"the output folder cannot be made",
       [](BuildPlan& s, const TempDir& d) { s.output = d / "readme/no/setup.exe"; },
       "cannot create"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "stub.exe", FakeStub());
    WriteBytes(dir / "engine", "engine");
    WriteBytes(dir / "readme", TextBytes(5000));
    WriteBytes(dir / "setup.exe", "an earlier build");
    BuildPlan plan;
    plan.stub = dir / "stub.exe";
    plan.output = dir / "setup.exe";
    plan.files = {{dir / "engine", "setup.exe", true, "", {}},
                  {dir / "readme", "readme.txt", false, "", {}}};
    c.change(plan, dir);
    const std::vector<std::string> before = dir.Names();
    Problems problems;
    BuildResult result;
    EXPECT_FALSE(Build(plan, result, problems));
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems.back().what.find(c.message), std::string::npos) << problems.back().what;
    EXPECT_EQ(dir.Names(), before);
    EXPECT_EQ(ReadBytes(dir / "setup.exe"), "an earlier build");
  }
}

// Every file the build reads, under whatever name the output gives it.
TEST_F(StubpackBuild, RefusesAnOutputThatIsAFileItReads) {
  struct Case {
    const char* name;
    std::function<void(BuildPlan&, const TempDir&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"the stub, through ./",
       [](BuildPlan& s, const TempDir& d) { s.output = d.path() + "/./stub.exe"; },
       "is the launcher stub '"},
      {"a file to pack, through a hard link",
       [](BuildPlan& s, const TempDir& d) {
         ASSERT_EQ(link(s.files[1].source.c_str(), (d / "linked.exe").c_str()), 0);
         s.output = d / "linked.exe";
       },
       "is a file to pack '"},
      {"a file to pack, through a symbolic link to its folder",
       [](BuildPlan& s, const TempDir& d) {
         ASSERT_EQ(symlink(d.path().c_str(), (d / "same").c_str()), 0);
         s.output = d / "same/src-readme.txt";
       },
       "is a file to pack '"},
      {"the project file",
       [](BuildPlan& s, const TempDir& d) {
         WriteBytes(d / "p.ini", "[Setup]\n");
         s.project = d / "p.ini";
         s.output = d / "p.ini";
       },
       "is the project file '"},
      {"the setup file of [Download]",
       [](BuildPlan& s, const TempDir& d) {
         // An earlier installer that carries the download token.
         BuildPlan earlier = s;
         earlier.output = d / "full.exe";
         earlier.download = DownloadSettings{true, "", "", false, "token", "", "", "", {}};
         Problems problems;
         BuildResult result;
         ASSERT_TRUE(Build(earlier, result, problems));
         s.download = earlier.download;
         s.download.file = d / "full.exe";
         s.output = d / "full.exe";
       },
       "is the setup file of [Download] File '"},
      {"a later volume",
       [](BuildPlan& s, const TempDir& d) {
         WriteBytes(d / "setup.exe.002", RandomBytes(3000, 9));
         s.files.push_back({d / "setup.exe.002", "old.bin", false, "", Origin{"p.ini", 9}});
         s.maxVolumeSize = 6000;
       },
       "the output '"
       "DIR/setup.exe.002' is a file to pack"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    BuildPlan plan;
    WriteBytes(dir / "stub.exe", FakeStub());
    WriteBytes(dir / "src-engine", RandomBytes(3000, 1));
    WriteBytes(dir / "src-readme.txt", RandomBytes(3000, 2));
    plan.stub = dir / "stub.exe";
    plan.output = dir / "setup.exe";
    plan.files = {{dir / "src-engine", "setup.exe", true, "", {}},
                  {dir / "src-readme.txt", "readme.txt", false, "", {}}};
    c.change(plan, dir);
    std::map<std::string, std::string> before;
    for (const std::string& name : dir.Names())
      before[name] = ReadBytes(dir / name);
    Problems problems;
    BuildResult result;
    EXPECT_FALSE(Build(plan, result, problems));
    const std::string what = problems.empty() ? std::string() : problems.back().what;
    std::string message = c.message;
    if (message.find("DIR") != std::string::npos)
      message.replace(message.find("DIR"), 3, dir.path());
    EXPECT_NE(what.find(message), std::string::npos) << what;
    EXPECT_NE(what.find("choose another output name"), std::string::npos);
    std::map<std::string, std::string> after;
    for (const std::string& name : dir.Names())
      after[name] = ReadBytes(dir / name);
    EXPECT_EQ(after, before);
  }
}

// A device, a pipe or a folder in the output's place stays what it is.
TEST_F(StubpackBuild, ReplacesNothingButARegularFile) {
  struct Case {
    const char* name;
    std::function<void(const TempDir&, const std::string& output)> make;
    const char* message;
  };
  const Case cases[] = {
      {"a named pipe",
       [](const TempDir&, const std::string& output) {
         ASSERT_EQ(mkfifo(output.c_str(), 0600), 0);
       },
       "cannot create 'OUTPUT': it is a named pipe, not a regular file"},
      {"a symbolic link to a named pipe",
       [](const TempDir& d, const std::string& output) {
         ASSERT_EQ(mkfifo((d / "pipe").c_str(), 0600), 0);
         ASSERT_EQ(symlink((d / "pipe").c_str(), output.c_str()), 0);
       },
       "cannot create 'OUTPUT': it is a named pipe, not a regular file"},
      {"a folder",
       [](const TempDir&, const std::string& output) { ASSERT_EQ(mkdir(output.c_str(), 0700), 0); },
       "cannot create 'OUTPUT': it is a folder, not a regular file"},
      {"a folder of the temporary name",
       [](const TempDir&, const std::string& output) {
         ASSERT_EQ(mkdir(OutputFiles::TemporaryPathOf(output).c_str(), 0700), 0);
       },
       "cannot create 'OUTPUT': its temporary file 'OUTPUT.stubpack-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    BuildPlan plan;
    WriteBytes(dir / "stub.exe", FakeStub());
    WriteBytes(dir / "engine", "engine");
    plan.stub = dir / "stub.exe";
    plan.output = dir / "setup.exe";
    plan.files = {{dir / "engine", "setup.exe", true, "", {}}};
    c.make(dir, plan.output);
    const std::vector<std::string> before = dir.Names();
    Problems problems;
    BuildResult result;
    EXPECT_FALSE(Build(plan, result, problems));
    const std::string what = problems.empty() ? std::string() : problems.back().what;
    std::string message = c.message;
    for (size_t at; (at = message.find("OUTPUT")) != std::string::npos;)
      message.replace(at, 6, plan.output);
    EXPECT_NE(what.find(message), std::string::npos) << what;
    EXPECT_EQ(dir.Names(), before);
    EXPECT_NE(StatFile(plan.output).kind, FileKind::kRegular);
  }
}

TEST(StubpackOutputFiles, RemovesEverythingUnlessCommitted) {
  TempDir dir;
  {
    OutputFiles outputs;
    for (const char* name : {"a.exe", "a.exe.002"}) {
      std::FILE* file = outputs.Create(dir / name, nullptr);
      ASSERT_NE(file, nullptr);
      std::fputs("data", file);
    }
    EXPECT_EQ(dir.Names().size(), 2u);  // under temporary names
  }
  EXPECT_TRUE(dir.Names().empty());

  // A rename that fails takes back the renames done before it.
  OutputFiles outputs;
  ASSERT_NE(outputs.Create(dir / "b.exe", nullptr), nullptr);
  ASSERT_NE(outputs.Create(dir / "b.exe.002", nullptr), nullptr);
  ASSERT_EQ(mkdir((dir / "b.exe.002").c_str(), 0700), 0);
  WriteBytes(dir / "b.exe.002/keep", "x");  // a folder that a file cannot replace
  std::string error;
  EXPECT_FALSE(outputs.Commit(&error));
  EXPECT_NE(error.find("cannot rename"), std::string::npos);
  EXPECT_FALSE(StatFile(dir / "b.exe").exists);
}

TEST(StubpackOutputFiles, CommitsOverNothingButARegularFile) {
  // What appeared under the final name while the build was writing stays.
  TempDir dir;
  OutputFiles outputs;
  ASSERT_NE(outputs.Create(dir / "d.exe", nullptr), nullptr);
  ASSERT_EQ(mkfifo((dir / "d.exe").c_str(), 0600), 0);
  std::string error;
  EXPECT_FALSE(outputs.Commit(&error));
  EXPECT_NE(error.find("it is a named pipe, not a regular file"), std::string::npos) << error;
  EXPECT_EQ(StatFile(dir / "d.exe").kind, FileKind::kPipe);
}

TEST(StubpackOutputFiles, KeepsCommittedFiles) {
  TempDir dir;
  {
    OutputFiles outputs;
    std::FILE* file = outputs.Create(dir / "c.exe", nullptr);
    ASSERT_NE(file, nullptr);
    std::fputs("done", file);
    std::string error;
    EXPECT_TRUE(outputs.Commit(&error)) << error;
  }
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"c.exe"});
  EXPECT_EQ(ReadBytes(dir / "c.exe"), "done");
}

}  // namespace
}  // namespace orvane::stubpack
