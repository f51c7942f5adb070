// The extraction walk against a file-system double: volumes, prompts,
// checksums, entries, progress, write failures, the agent copy, streaming,
// and every way a hostile package is refused.
#include "package/UnPackWalk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <random>

#include "FakeExtractionSystem.h"
#include "TestPackage.h"
#include "util/Crc32.h"
#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testpack::Append32;
using testpack::FakeExtractionSystem;

using Call = FakeExtractionSystem::ProgressCall;

const std::string kTarget = "C:\\T\\SETUP_1";

std::string Payload(const std::string& header, const std::string& data) {
  return header + std::string(1, '\0') + data;
}

// One file entry block: i32 length and the (compressed) payload.
std::string Entry(const std::string& header, const std::string& data, bool compress = true) {
  const std::string payload = Payload(header, data);
  std::string block;
  if (!compress) {
    Append32(block, static_cast<uint32_t>(-static_cast<int32_t>(payload.size())));
    return block + payload;
  }
  uLongf size = compressBound(payload.size());
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &size,
            reinterpret_cast<const Bytef*>(payload.data()), payload.size(), 6);
  packed.resize(size);
  Append32(block, static_cast<uint32_t>(packed.size()));
  return block + packed;
}

std::string RawBlock(uint32_t length, const std::string& bytes) {
  std::string block;
  Append32(block, length);
  return block + bytes;
}

struct VolumeLayout {
  std::string front = testpack::LauncherImage();
  std::vector<std::string> headerBlocks = {testpack::LanguageBlock(), "|internet|"};
  std::vector<std::string> blocks;
  std::string beforeTrailer;  // raw bytes between the entries and the trailer
  uint8_t flags = 0;
  uint32_t fileCount = 0;
  bool goodChecksum = true;
  bool magic = true;
};

std::string BuildVolume(const VolumeLayout& layout) {
  std::string out = layout.front;
  pack::Trailer trailer;
  trailer.format = 1;
  trailer.headerBlockCount = static_cast<uint8_t>(layout.headerBlocks.size());
  trailer.packageStart = static_cast<uint32_t>(out.size());
  trailer.fileCount = layout.fileCount;
  trailer.magic = layout.magic ? pack::kTrailerMagic : 0x12345678;
  trailer.flags = layout.flags;
  trailer.trailerLength = pack::kTrailerSize;
  trailer.checksum = 0;
  for (const std::string& block : layout.headerBlocks)
    out += RawBlock(static_cast<uint32_t>(block.size()), block);
  for (const std::string& block : layout.blocks)
    out += block;
  out += layout.beforeTrailer;
  const auto record = pack::EncodeTrailer(trailer);
  out.append(record.begin(), record.end());
  const uint32_t sum = pack::ComputePackageChecksum(pack::MemorySource(out), pack::kTrailerSize);
  testpack::Put32(out, out.size() - pack::kTrailerSize + 16, layout.goodChecksum ? sum : sum + 1);
  return out;
}

class UnPackWalk : public testing::Test {
 protected:
  ExtractionRequest Request(const std::string& package = "C:\\D\\setup.exe") {
    ExtractionRequest request;
    request.packageFile = package;
    request.targetDir = kTarget;
    request.diskPrompt = "Please insert <B>DISK #<Disk_Num></B> (<DISK_NUM>)";
    request.progress = fs.ProgressCallback();
    return request;
  }
  std::string At(const std::string& name) { return kTarget + "\\" + name; }

  FakeExtractionSystem fs;
};

TEST_F(UnPackWalk, WritesEveryEntryWithItsDateAndFindsTheStartEntry) {
  VolumeLayout layout;
  layout.fileCount = 3;
  layout.blocks = {Entry("|readme.txt|1111|", "hello", false),
                   Entry("|tool.exe*/silent /x|12345|", std::string(5000, 'x')),
                   Entry("|data.bin|notanumber|", std::string("\0\1\2", 3))};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  EXPECT_TRUE(outcome.checksumOk);
  EXPECT_EQ(outcome.startEntry, "tool.exe*/silent /x");
  EXPECT_TRUE(outcome.damage.empty());
  EXPECT_EQ(fs.files[At("readme.txt")], "hello");
  EXPECT_EQ(fs.files[At("tool.exe")], std::string(5000, 'x'));
  EXPECT_EQ(fs.files[At("data.bin")], std::string("\0\1\2", 3));
  EXPECT_EQ(fs.dates[At("readme.txt")], 1111u);
  EXPECT_EQ(fs.dates[At("tool.exe")], 12345u);
  EXPECT_EQ(fs.dates.count(At("data.bin")), 0u);  // no date: left as written
  EXPECT_THAT(fs.progress, ElementsAre(Call{0, 0}, Call{0, 3}, Call{1, 0}, Call{1, 0}, Call{1, 0}));
  EXPECT_THAT(fs.folders, ElementsAre(kTarget));
  EXPECT_TRUE(fs.errors.empty());
  EXPECT_TRUE(fs.prompts.empty());
  EXPECT_FALSE(fs.autoPlaySuppressed);
  ASSERT_EQ(fs.traces.size(), 4u);
  EXPECT_EQ(fs.traces[0], "FileInfo.FilesCount=3");
  EXPECT_EQ(fs.traces[1], "FileLen=" + std::to_string(fs.files["C:\\D\\setup.exe"].size()));
  EXPECT_EQ(fs.traces[2], "UnCompressTime: 0 MS");
  EXPECT_EQ(fs.traces[3], "");
}

TEST_F(UnPackWalk, RepeatedNamesAndExistingFilesAreAppendedTo) {
  VolumeLayout layout;
  layout.blocks = {Entry("|big.dat|1|", "part one,"), Entry("|big.dat|2|", "part two", false),
                   Entry("|old.txt|3|", "+new")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  fs.files[At("old.txt")] = "old";

  RunExtraction(fs, Request());

  EXPECT_EQ(fs.files[At("big.dat")], "part one,part two");
  EXPECT_EQ(fs.files[At("old.txt")], "old+new");
  EXPECT_EQ(fs.dates[At("big.dat")], 2u);
  // Only big.dat was new.
  EXPECT_THAT(fs.progress, ElementsAre(Call{0, 0}, Call{0, 0}, Call{1, 0}));
}

TEST_F(UnPackWalk, StartEntryRules) {
  struct Case {
    std::string header;
    std::string startEntry;
    const char* damage;  // empty: the package is sound
  };
  const Case cases[] = {
      {"|setup.exe|7|", "", ""},
      {"|setup.exe*|7|", "setup.exe*", ""},
      {"|setup.exe*/Q /R|7|", "setup.exe*/Q /R", ""},
      // A "*" outside the name field would make the whole header the
      // program: the system would resolve "SETUP_n\|a.txt|0|..\..\evil.exe"
      // to a program outside the working folder.
      {"|setup.exe|7*|", "", "outside its name field"},
      {"|a.txt|0|..\\..\\..\\..\\..\\..\\evil.exe*/x|", "", "outside its name field"},
      {"|a.txt|0|evil.exe*|", "", "outside its name field"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    FakeExtractionSystem local;
    VolumeLayout layout;
    layout.blocks = {Entry(c.header, "x")};
    local.files["C:\\D\\setup.exe"] = BuildVolume(layout);
    ExtractionRequest request = Request();
    request.progress = nullptr;
    const ExtractionOutcome outcome = RunExtraction(local, request);
    EXPECT_EQ(outcome.startEntry, c.startEntry);
    EXPECT_THAT(outcome.damage, HasSubstr(c.damage));
    EXPECT_EQ(outcome.damage.empty(), *c.damage == '\0');
    // A sound entry is written; a damaged one is not even opened.
    EXPECT_EQ(local.files.count(At("setup.exe")), outcome.damage.empty() ? 1u : 0u);
    EXPECT_EQ(local.opened.size(), outcome.damage.empty() ? 1u : 0u);
  }
}

TEST_F(UnPackWalk, EntriesWithoutAHeaderWriteNothing) {
  VolumeLayout layout;
  // An empty header, no zero byte at all (the whole entry is header), an empty block.
  layout.blocks = {Entry("", "data"), RawBlock(static_cast<uint32_t>(-4), "abcd"), RawBlock(0, ""),
                   Entry("|last.txt|0|", "")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  EXPECT_TRUE(outcome.damage.empty());
  EXPECT_THAT(fs.opened, ElementsAre(At("last.txt")));
  EXPECT_EQ(fs.files[At("last.txt")], "");  // an empty file is still created
}

TEST_F(UnPackWalk, ThreeVolumesInPlaceAreReadWithoutAsking) {
  VolumeLayout first;
  first.flags = pack::kFlagMoreVolumes;
  first.fileCount = 2;
  first.blocks = {Entry("|a.txt|1|", "A1")};
  VolumeLayout second;
  second.front = "";
  second.headerBlocks = {};  // later volumes carry entries only
  second.flags = pack::kFlagMoreVolumes;
  second.blocks = {Entry("|a.txt|1|", "A2"), Entry("|setup.exe*|2|", "S")};
  VolumeLayout third = second;
  third.flags = 0;
  third.blocks = {Entry("|b.txt|3|", "B")};
  fs.files["E:\\setup.exe.001"] = BuildVolume(first);
  fs.files["E:\\setup.exe.002"] = BuildVolume(second);
  fs.files["E:\\setup.exe.003"] = BuildVolume(third);

  const ExtractionOutcome outcome = RunExtraction(fs, Request("E:\\setup.exe.001"));

  EXPECT_TRUE(outcome.checksumOk);
  EXPECT_EQ(outcome.startEntry, "setup.exe*");
  EXPECT_EQ(fs.files[At("a.txt")], "A1A2");
  EXPECT_EQ(fs.files[At("b.txt")], "B");
  EXPECT_TRUE(fs.prompts.empty());
  EXPECT_TRUE(fs.ejects.empty());
  EXPECT_TRUE(fs.autoPlaySuppressed);
  // Reset, file count, a.txt, volume change, setup.exe, volume change, b.txt.
  EXPECT_THAT(fs.progress, ElementsAre(Call{0, 0}, Call{0, 2}, Call{1, 0}, Call{1, 0}, Call{1, 0},
                                       Call{1, 0}, Call{1, 0}));
  // Only the first volume's file count is traced.
  EXPECT_EQ(std::count_if(fs.traces.begin(), fs.traces.end(),
                          [](const std::string& t) { return t.rfind("FileInfo", 0) == 0; }),
            1);
}

class MissingVolume : public UnPackWalk {
 protected:
  void SetUp() override {
    VolumeLayout first;
    first.flags = pack::kFlagMoreVolumes;
    first.blocks = {Entry("|setup.exe*|1|", "S"), Entry("|a.txt|1|", "A")};
    VolumeLayout second;
    second.front = "";
    second.headerBlocks = {};
    second.blocks = {Entry("|b.txt|2|", "B")};
    fs.files["E:\\pkg.exe"] = BuildVolume(first);
    secondVolume = BuildVolume(second);
  }
  std::string secondVolume;
};

TEST_F(MissingVolume, OkAfterTheDiskIsInsertedGoesOn) {
  fs.answers = {true, true};
  // The first OK comes before the disk is in: the prompt is shown again.
  fs.onPrompt = [this](int index) {
    if (index == 1)
      fs.files["E:\\pkg.exe.002"] = secondVolume;
  };

  const ExtractionOutcome outcome = RunExtraction(fs, Request("E:\\pkg.exe"));

  EXPECT_THAT(fs.prompts,
              ElementsAre("Please insert <B>DISK #2</B> (2)", "Please insert <B>DISK #2</B> (2)"));
  EXPECT_THAT(fs.ejects, ElementsAre("E:\\pkg.exe.002"));
  EXPECT_TRUE(fs.autoPlaySuppressed);
  EXPECT_EQ(outcome.startEntry, "setup.exe*");
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(fs.files[At("b.txt")], "B");
}

TEST_F(MissingVolume, CancelKeepsTheFilesButStartsNothing) {
  fs.answers = {false};

  const ExtractionOutcome outcome = RunExtraction(fs, Request("E:\\pkg.exe"));

  EXPECT_EQ(fs.prompts.size(), 1u);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.startEntry, "");
  EXPECT_EQ(fs.files[At("a.txt")], "A");  // nothing is deleted
  EXPECT_EQ(fs.files.count(At("b.txt")), 0u);
  EXPECT_TRUE(fs.errors.empty());
  // The volume change is still counted.
  EXPECT_EQ(fs.progress.back(), (Call{1, 0}));
}

TEST_F(MissingVolume, AlwaysAskPromptsEvenForAVolumeThatIsThere) {
  fs.files["E:\\pkg.exe.002"] = secondVolume;
  fs.answers = {true};
  ExtractionRequest request = Request("E:\\pkg.exe");
  request.alwaysAskForVolume = true;

  const ExtractionOutcome outcome = RunExtraction(fs, request);

  EXPECT_EQ(fs.prompts.size(), 1u);
  EXPECT_THAT(fs.ejects, ElementsAre("E:\\pkg.exe.002"));
  EXPECT_EQ(outcome.startEntry, "setup.exe*");
  EXPECT_EQ(fs.files[At("b.txt")], "B");
}

TEST_F(UnPackWalk, BadChecksumStopsBeforeTheVolumesEntries) {
  VolumeLayout first;
  first.flags = pack::kFlagMoreVolumes;
  first.blocks = {Entry("|setup.exe*|1|", "S")};
  VolumeLayout second;
  second.front = "";
  second.headerBlocks = {};
  second.goodChecksum = false;
  second.blocks = {Entry("|b.txt|2|", "B")};
  fs.files["E:\\x.001"] = BuildVolume(first);
  fs.files["E:\\x.002"] = BuildVolume(second);

  const ExtractionOutcome outcome = RunExtraction(fs, Request("E:\\x.001"));

  EXPECT_FALSE(outcome.checksumOk);
  EXPECT_EQ(fs.files[At("setup.exe")], "S");  // the first volume's files stay
  EXPECT_EQ(fs.files.count(At("b.txt")), 0u);

  FakeExtractionSystem alone;
  first.flags = 0;
  first.goodChecksum = false;
  alone.files["E:\\x.exe"] = BuildVolume(first);
  EXPECT_FALSE(RunExtraction(alone, Request("E:\\x.exe")).checksumOk);
  EXPECT_TRUE(alone.opened.empty());
}

TEST_F(UnPackWalk, LargeVolumesPassTheChecksumWhateverIsStored) {
  VolumeLayout layout;
  layout.goodChecksum = false;
  layout.front = testpack::LauncherImage(60000);
  layout.blocks = {Entry("|setup.exe*|1|", "S")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  EXPECT_TRUE(RunExtraction(fs, Request()).checksumOk);
}

TEST_F(UnPackWalk, AMissingFirstVolumeOrAFileWithoutAPackageIsReported) {
  const ExtractionOutcome missing = RunExtraction(fs, Request());
  EXPECT_TRUE(missing.noPackage);
  EXPECT_THAT(missing.damage, HasSubstr("cannot be opened"));
  EXPECT_TRUE(fs.opened.empty());
  ASSERT_EQ(fs.errors.size(), 1u);
  EXPECT_THAT(fs.errors[0], HasSubstr("C:\\D\\setup.exe<P><P>The setup files cannot be read."));

  VolumeLayout layout;
  layout.magic = false;
  layout.flags = pack::kFlagMoreVolumes;  // garbage flags must not ask for a volume
  layout.blocks = {Entry("|setup.exe*|1|", "S")};
  FakeExtractionSystem foreign;
  foreign.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  const ExtractionOutcome outcome = RunExtraction(foreign, Request());
  EXPECT_TRUE(outcome.noPackage);
  EXPECT_THAT(outcome.damage, HasSubstr("No setup package ends this file"));
  EXPECT_EQ(outcome.startEntry, "");
  EXPECT_TRUE(foreign.opened.empty());
  EXPECT_TRUE(foreign.prompts.empty());
  EXPECT_EQ(foreign.errors.size(), 1u);
}

// Damage at the end of a package: the trailer, the package-end pointer and
// the package start are read before anything else, so each must be sound.
TEST_F(UnPackWalk, DamageAtThePackageEndIsReportedAndStartsNothing) {
  VolumeLayout layout;
  layout.flags = pack::kFlagMoreVolumes;
  layout.blocks = {Entry("|setup.exe*|1|", "S")};
  const std::string sound = BuildVolume(layout);
  const size_t trailerAt = sound.size() - pack::kTrailerSize;
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    bool noPackage;
    const char* reason;
  };
  const Case cases[] = {
      {"a trailer length of 1000", [](std::string& b) { testpack::Put32(b, b.size() - 4, 1000); },
       true, "No setup package"},
      {"a trailer length beyond the file",
       [](std::string& b) { testpack::Put32(b, b.size() - 4, 0x7FFFFFFF); }, true,
       "No setup package"},
      {"a package-end pointer into the PE header",
       [](std::string& b) {
         pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&b[0]), b.size(), 300);
       },
       true, "No setup package"},
      {"a package-end pointer beyond the file",
       [](std::string& b) {
         pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&b[0]), b.size(), b.size() + 1);
       },
       true, "No setup package"},
      {"a package start beyond the file",
       [&](std::string& b) { testpack::Put32(b, trailerAt + 4, 0x7FFFFFF0); }, false,
       "starts after its trailer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = sound;
    c.damage(bytes);
    // The checksum would not be reached, or must not be what stops the walk.
    const uint32_t sum =
        pack::ComputePackageChecksum(pack::MemorySource(bytes), pack::kTrailerSize);
    testpack::Put32(bytes, trailerAt + 16, sum);
    FakeExtractionSystem local;
    local.files["C:\\D\\setup.exe"] = bytes;
    const ExtractionOutcome outcome = RunExtraction(local, Request());
    EXPECT_EQ(outcome.noPackage, c.noPackage);
    EXPECT_THAT(outcome.damage, HasSubstr(c.reason));
    EXPECT_EQ(outcome.startEntry, "");
    EXPECT_TRUE(local.opened.empty());
    EXPECT_TRUE(local.prompts.empty()) << "no volume is asked for";
    EXPECT_EQ(local.errors.size(), 1u);
  }
}

TEST_F(UnPackWalk, StopsWhenSeventyFourBytesAreLeft) {
  VolumeLayout layout;
  layout.blocks = {Entry("|setup.exe*|1|", "S")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);  // exactly the trailer is left
  EXPECT_TRUE(RunExtraction(fs, Request()).damage.empty());

  // One stray byte more: another block is read, and its length word (the
  // stray byte and the trailer's first bytes) runs into the trailer.
  FakeExtractionSystem more;
  layout.beforeTrailer = std::string(1, '\0');
  more.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  EXPECT_THAT(RunExtraction(more, Request()).damage, HasSubstr("runs into the trailer"));
}

TEST_F(UnPackWalk, ThePackageEndPointerEndsTheVolume) {
  VolumeLayout layout;
  layout.blocks = {Entry("|setup.exe*|1|", "S")};
  std::string bytes = BuildVolume(layout);
  const uint64_t end = bytes.size();
  pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size(), end);
  // A signature follows the package: zero padding and a certificate table.
  bytes += std::string(7, '\0') + std::string(3000, '\xEE');
  // The checksum skips the launcher header when a pointer is set.
  const uint32_t sum = pack::ComputePackageChecksum(pack::MemorySource(bytes), pack::kTrailerSize);
  testpack::Put32(bytes, end - pack::kTrailerSize + 16, sum);
  fs.files["C:\\D\\setup.exe"] = bytes;

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  EXPECT_TRUE(outcome.damage.empty()) << outcome.damage;
  EXPECT_EQ(outcome.startEntry, "setup.exe*");
  EXPECT_EQ(fs.traces[1], "FileLen=" + std::to_string(end));
}

TEST_F(UnPackWalk, WriteFailuresAreReportedOncePerProcess) {
  VolumeLayout layout;
  layout.blocks = {Entry("|a.txt|1|", std::string(100, 'a')), Entry("|b.txt|1|", "b"),
                   Entry("|setup.exe*|1|", "S")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  fs.full = {At("a.txt")};
  fs.unopenable = {At("b.txt")};

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  EXPECT_EQ(fs.writeFailures, 2);
  ASSERT_EQ(fs.errors.size(), 1u);
  EXPECT_EQ(fs.errors[0], At("a.txt") +
                              "<P><P>Unable to save Extracted File!<P><P>Disk full.<P>"
                              "  Data Size: <T>100 Bytes<P>  File Size:  <T>50 Bytes<P>"
                              "  Bytes Free: <T>12345 Bytes");
  EXPECT_EQ(fs.dates.count(At("a.txt")), 0u);  // an incomplete file keeps its own date
  EXPECT_EQ(fs.files[At("setup.exe")], "S");   // extraction goes on
  EXPECT_TRUE(outcome.writeFailed);
  EXPECT_EQ(outcome.startEntry, "") << "an installation from half the files cannot be trusted";

  // The counter belongs to the process: a second extraction stays silent.
  RunExtraction(fs, Request());
  EXPECT_EQ(fs.writeFailures, 4);
  EXPECT_EQ(fs.errors.size(), 1u);
}

TEST_F(UnPackWalk, AFolderThatCannotBeCreatedIsReportedOnceAndNothingIsWritten) {
  VolumeLayout layout;
  layout.blocks = {Entry("|a.txt|1|", "A"), Entry("|setup.exe*|1|", "S")};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  fs.folderCreationFails = true;

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  ASSERT_EQ(fs.errors.size(), 1u);
  EXPECT_EQ(fs.errors[0], kTarget + "<P><P>Unable to create Directory!<P><P>Disk full.");
  EXPECT_TRUE(fs.opened.empty());
  EXPECT_TRUE(outcome.writeFailed);
  EXPECT_EQ(outcome.startEntry, "");
}

// Entry names a hostile package may carry; none may be written. The walk
// creates no sub-folder, so a folder part, even a harmless one, is damage
// before anything is opened, and so is a name Windows cannot hold.
TEST_F(UnPackWalk, NamesThatAreNotOnePlainFileNameMakeThePackageDamaged) {
  const std::string names[] = {
      "..\\evil.exe",
      "sub\\..\\..\\evil.exe",
      "..",
      "dir/../../evil.exe",
      "C:\\Windows\\x.dll",
      "C:evil.exe",
      "\\evil.exe",
      "/etc/evil",
      "\\\\server\\share\\x",
      "\\\\?\\C:\\x",
      "\\\\.\\PhysicalDrive0",
      "CON",
      "nul.txt",
      "sub\\COM1.log",
      "a.txt:stream",
      "a.txt::$DATA",
      "evil. ",
      "...",
      "a\\\\b",
      "a<b",
      "sub\\file.txt",
      std::string(256, 'a'),
      " a.txt",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    FakeExtractionSystem local;
    VolumeLayout layout;
    layout.blocks = {Entry("|setup.exe*|1|", "S"), Entry("|" + name + "|1|", "evil"),
                     Entry("|after.txt|1|", "A")};
    local.files["C:\\D\\setup.exe"] = BuildVolume(layout);
    const ExtractionOutcome outcome = RunExtraction(local, Request());
    EXPECT_THAT(outcome.damage, HasSubstr(pack::EntryNameFault(name)));
    EXPECT_EQ(outcome.startEntry, "");
    EXPECT_THAT(local.opened, ElementsAre(At("setup.exe")));  // nothing after the bad name
    ASSERT_EQ(local.errors.size(), 1u);
    EXPECT_THAT(local.errors[0], HasSubstr("damaged"));
  }
}

TEST_F(UnPackWalk, DamagedBlocksStopTheExtraction) {
  std::string corrupt = Entry("|c.txt|1|", std::string(1000, 'c'));
  corrupt[10] ^= 0x55;
  std::string truncated = Entry("|t.txt|1|", std::string(1000, 't'));
  truncated.resize(truncated.size() - 6);
  testpack::Put32(truncated, 0, static_cast<uint32_t>(truncated.size() - 4));
  struct Case {
    const char* what;
    std::string block;
    const char* damage;
  };
  const Case cases[] = {
      {"length beyond the volume", RawBlock(0x7FFFFFF0, "xx"), "into the trailer"},
      {"negative length beyond", RawBlock(0x80000001, "xx"), "into the trailer"},
      // Inside the file, but its last ten bytes would be the trailer's.
      {"length into the trailer", RawBlock(12, "xx"), "into the trailer"},
      {"unrepresentable length", RawBlock(0x80000000, "xx"), "impossible length"},
      {"corrupt zlib data", corrupt, "corrupt"},
      {"stream cut short", truncated, "ends early"},
      {"header never ends", Entry(std::string(70000, 'h'), "x", true), "header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeExtractionSystem local;
    VolumeLayout layout;
    layout.blocks = {Entry("|setup.exe*|1|", "S"), c.block};
    local.files["C:\\D\\setup.exe"] = BuildVolume(layout);
    const ExtractionOutcome outcome = RunExtraction(local, Request());
    EXPECT_THAT(outcome.damage, HasSubstr(c.damage));
    EXPECT_EQ(outcome.startEntry, "");
    ASSERT_EQ(local.errors.size(), 1u);
    EXPECT_THAT(local.errors[0], HasSubstr("C:\\D\\setup.exe"));
  }
}

// Each entry's check value covers its file bytes: a changed byte in a
// stored entry (which neither zlib nor the small-volume checksum sees) makes
// the package damaged; packages built before check values extract as they
// always did.
TEST_F(UnPackWalk, CheckValuesCatchChangedFileBytes) {
  const std::string data = "The product's program, byte for byte.";
  const std::string crc = HexText(Crc32Update(0, data.data(), data.size()), 8);
  const std::string header = "|app.exe*|1|crc=" + crc + "|";
  const size_t dataAt = 4 + header.size() + 1;  // length field, header, zero byte
  std::string flipped = Entry(header, data, false);
  flipped[dataAt + 5] ^= 0x20;
  std::string oldFlipped = Entry("|app.exe*|1|", data, false);
  oldFlipped[4 + 12 + 1 + 5] ^= 0x20;
  // Split over two entries, each with the check value of its own part.
  const std::string firstPart = data.substr(0, 10);
  const std::string secondPart = data.substr(10);
  const auto partHeader = [](const std::string& part) {
    return "|app.exe*|1|crc=" + HexText(Crc32Update(0, part.data(), part.size()), 8) + "|";
  };
  struct Case {
    const char* what;
    std::vector<std::string> blocks;
    const char* damage;  // null: extracted and started
  };
  const Case cases[] = {
      {"stored, as built", {Entry(header, data, false)}, nullptr},
      {"compressed, as built", {Entry(header, data)}, nullptr},
      {"check value in upper case",
       {Entry("|app.exe*|1|crc=" + UpperCaseAscii(crc) + "|", data, false)},
       nullptr},
      {"one file in two entries",
       {Entry(partHeader(firstPart), firstPart, false), Entry(partHeader(secondPart), secondPart)},
       nullptr},
      {"a byte changed in a stored entry", {flipped}, "\"app.exe\" is damaged"},
      {"the check value of another file",
       {Entry("|app.exe*|1|crc=" + HexText(Crc32Update(0, "x", 1), 8) + "|", data)},
       "\"app.exe\" is damaged"},
      {"a malformed check value", {Entry("|app.exe*|1|crc=12|", data)}, "malformed check value"},
      {"an old entry without a check value, changed", {oldFlipped}, nullptr},
      {"an unknown third field", {Entry("|app.exe*|1|size=37|", data)}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeExtractionSystem local;
    VolumeLayout layout;
    layout.blocks = c.blocks;
    local.files["C:\\D\\setup.exe"] = BuildVolume(layout);
    const ExtractionOutcome outcome = RunExtraction(local, Request());
    if (c.damage == nullptr) {
      EXPECT_EQ(outcome.damage, "");
      EXPECT_EQ(outcome.startEntry, "app.exe*");
      EXPECT_TRUE(local.errors.empty());
    } else {
      EXPECT_THAT(outcome.damage, HasSubstr(c.damage));
      EXPECT_EQ(outcome.startEntry, "");
      EXPECT_EQ(local.errors.size(), 1u);
    }
  }
}

TEST_F(UnPackWalk, LargeEntriesAreInflatedAsAStream) {
  // 8 MiB that hardly compress: the compressed block is about as large.
  std::string data(8 << 20, '\0');
  std::mt19937 random(7);
  for (char& c : data)
    c = static_cast<char>(random() & 0x3F);
  VolumeLayout layout;
  layout.blocks = {Entry("|big.bin*|1|", data)};
  fs.files["C:\\D\\setup.exe"] = BuildVolume(layout);
  const uint64_t volumeSize = fs.files["C:\\D\\setup.exe"].size();

  const ExtractionOutcome outcome = RunExtraction(fs, Request());

  ASSERT_TRUE(outcome.damage.empty()) << outcome.damage;
  EXPECT_EQ(fs.files[At("big.bin")], data);
  // The first bytes reach the file long before the entry has been read, and
  // no write is larger than 1 MiB.
  ASSERT_GT(fs.bytesReadAtWrite.size(), 8u);
  EXPECT_LT(fs.bytesReadAtWrite.front(), volumeSize / 2);
  EXPECT_LE(fs.largestWrite, 1u << 20);
  // Messages are served at least once per 64 KiB read.
  EXPECT_GE(fs.pumps, static_cast<int>(volumeSize / 65536));
}

TEST_F(UnPackWalk, AgentCopyHoldsTheLauncherAndHeaderBlocksButNoEntries) {
  VolumeLayout layout;
  layout.blocks = {Entry("|setup.exe*|1|", "S"), Entry("|a.txt|1|", "A")};
  layout.flags = pack::kFlagAgentLog;
  std::string bytes = BuildVolume(layout);
  // The installer was signed: its pointer must not travel into the copy.
  const uint64_t end = bytes.size();
  pack::WritePackageEndPointer(reinterpret_cast<uint8_t*>(&bytes[0]), bytes.size(), end);
  bytes += std::string(8, '\0');
  testpack::Put32(bytes, end - pack::kTrailerSize + 16, pack::kNoChecksum);
  fs.files["C:\\D\\Setup.EXE"] = bytes;
  fs.dates["C:\\D\\Setup.EXE"] = 0x5A5A1234;
  ExtractionRequest request = Request("C:\\D\\Setup.EXE");
  request.agentName = "Some\\Folder\\MyAgent.exe";

  RunExtraction(fs, request);

  const std::string& copy = fs.files[At("MyAgent.exe")];
  const pack::PackageHeader original = pack::ReadPackageHeader(pack::MemorySource(bytes));
  const pack::PackageHeader read = pack::ReadPackageHeader(pack::MemorySource(copy));
  EXPECT_EQ(pack::ReadPackageEndPointer(reinterpret_cast<const uint8_t*>(copy.data()), copy.size()),
            0u);
  EXPECT_TRUE(read.trailer.IsPackage());
  EXPECT_EQ(read.trailer.agentFlag, 1);
  EXPECT_EQ(read.trailer.trailerLength, pack::kTrailerSize);
  EXPECT_EQ(read.trailer.flags, pack::kFlagAgentLog);
  EXPECT_EQ(read.languageBlock, original.languageBlock);
  EXPECT_EQ(read.internetBlock, original.internetBlock);
  // Launcher image + header blocks + trailer: no entries.
  ASSERT_EQ(copy.size(), original.trailer.packageStart + pack::kTrailerSize);
  const size_t imageAndBlocks = original.trailer.packageStart - 256;
  EXPECT_EQ(copy.substr(256, imageAndBlocks), bytes.substr(256, imageAndBlocks));
  EXPECT_EQ(fs.dates[At("MyAgent.exe")], 0x5A5A1234u);
  EXPECT_EQ(fs.traces[fs.traces.size() - 3], "<pid> New AU-Agent: " + At("MyAgent.exe"));
}

TEST_F(UnPackWalk, AgentCopyOnlyFromExecutablePackages) {
  struct Case {
    std::string package;
    std::string agent;
    bool written;
  };
  const Case cases[] = {
      {"C:\\D\\setup.exe", "agent.exe", true},   {"C:\\D\\setup.exe.001", "agent.exe", true},
      {"C:\\D\\setup.bin", "agent.exe", false},  {"C:\\D\\setup.exe", "", false},
      {"C:\\D\\setup.exe", "C:\\dir\\", false},  {"C:\\D\\setup.exe", "..", false},
      {"C:\\D\\setup.exe", " agent.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.package + " / " + c.agent);
    FakeExtractionSystem local;
    VolumeLayout layout;
    layout.blocks = {Entry("|setup.exe*|1|", "S")};
    local.files[c.package] = BuildVolume(layout);
    ExtractionRequest request = Request(c.package);
    request.agentName = c.agent;
    RunExtraction(local, request);
    EXPECT_EQ(local.opened.size(), c.written ? 2u : 1u);
  }
}

TEST(UnPackText, DiskPromptFillsEveryPlaceholderInAnyCase) {
  EXPECT_EQ(FillDiskPrompt("Insert <DISK_NUM>, <disk_num> or <Disk_Num>!", 1000),
            "Insert 1000, 1000 or 1000!");
  EXPECT_EQ(FillDiskPrompt("No placeholder", 2), "No placeholder");
  EXPECT_EQ(FillDiskPrompt("<DISK_NUM", 2), "<DISK_NUM");
}

}  // namespace
}  // namespace orvane
