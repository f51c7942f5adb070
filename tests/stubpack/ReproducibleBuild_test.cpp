// Reproducible builds: the same sources give the same installer bytes
// whatever the builder's time zone, folder or file times (SOURCE_DATE_EPOCH).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "FileIo.h"
#include "StubpackTestSupport.h"
#include "Variables.h"

namespace orvane::stubpack {
namespace {

using test::Call;
using test::CliRun;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A DOS date-time written out from its fields.
constexpr uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) |
                               (minute << 5) | (second / 2));
}

// Sets an environment variable for the life of the object and restores the
// earlier value (or its absence) afterwards; TZ changes are applied.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      setenv(name_, value->c_str(), 1);
    else
      unsetenv(name_);
    tzset();
  }
  const char* name_;
  std::optional<std::string> old_;
};

void SetModified(const std::string& path, int64_t seconds) {
  const utimbuf times{static_cast<time_t>(seconds), static_cast<time_t>(seconds)};
  ASSERT_EQ(utime(path.c_str(), &times), 0) << path;
}

// A small project in `dir`: a stub, an engine, two data files found by a
// wildcard, and a language text.
void WriteProject(const TempDir& dir) {
  WriteBytes(dir / "stub.exe", test::FakeStub());
  WriteBytes(dir / "engine.exe", test::RandomBytes(3000, 4));
  mkdir((dir / "data").c_str(), 0700);
  WriteBytes(dir / "data/b.txt", test::TextBytes(5000));
  WriteBytes(dir / "data/a.txt", "alpha");
  WriteBytes(dir / "p.ini",
             "[Setup]\nStub = stub.exe\nOutput = setup.exe\n[Files]\nengine.exe = setup.exe*/Q\n"
             "data\\*.txt\n[Language.English]\ns0 = Demo\n");
}

std::string BuildBytes(const TempDir& dir) {
  const CliRun run = Call({"build", dir / "p.ini", "-q"});
  EXPECT_EQ(run.code, kExitOk) << run.err;
  return ReadBytes(dir / "setup.exe");
}

TEST(StubpackReproducible, DosDatesAreTheUtcClock) {
  struct Case {
    int64_t seconds;
    uint32_t dos;
  };
  const Case cases[] = {
      {315532799, Dos(1980, 1, 1, 0, 0, 0)},        // before the first DOS date
      {315532800, Dos(1980, 1, 1, 0, 0, 0)},        // the first DOS date
      {946684798, Dos(1999, 12, 31, 23, 59, 58)},   // the last day of a year
      {951868799, Dos(2000, 2, 29, 23, 59, 58)},    // a leap day of a 400th year
      {999932764, Dos(2001, 9, 8, 7, 6, 4)},        // an even second
      {999932765, Dos(2001, 9, 8, 7, 6, 4)},        // an odd one is halved down
      {1623787200, Dos(2021, 6, 15, 20, 0, 0)},     // the next day east of UTC
      {4354819199, Dos(2107, 12, 31, 23, 59, 58)},  // the last DOS date
      {4354819200, Dos(2107, 12, 31, 23, 59, 58)},  // after it
  };
  // East of UTC the local date of some cases is another day; the result
  // must not follow it.
  const ScopedEnv zone("TZ", "JST-9");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(DosDateTimeFromUnix(c.seconds), c.dos);
  }
}

TEST(StubpackReproducible, TheBuildersTimeZoneDoesNotMatter) {
  TempDir dir;
  WriteProject(dir);
  const int64_t evening = 1623787200;  // 2021-06-15 20:00 UTC, 05:00 the next day in Tokyo
  for (const char* file : {"engine.exe", "data/a.txt", "data/b.txt"})
    SetModified(dir / file, evening);

  std::string bytes[2];
  const char* zones[2] = {"UTC0", "JST-9"};
  int localHour[2] = {};
  for (int i = 0; i < 2; ++i) {
    const ScopedEnv zone("TZ", zones[i]);
    const time_t moment = static_cast<time_t>(evening);
    std::tm local{};
    ASSERT_NE(localtime_r(&moment, &local), nullptr);
    localHour[i] = local.tm_hour;
    bytes[i] = BuildBytes(dir);
  }
  ASSERT_NE(localHour[0], localHour[1]) << "the two zones must differ for this test to mean much";
  ASSERT_FALSE(bytes[0].empty());
  EXPECT_TRUE(bytes[0] == bytes[1]);
  const test::Extraction extracted = test::ExtractLikeLauncher(dir / "setup.exe");
  ASSERT_TRUE(extracted.ok) << extracted.error;
  EXPECT_EQ(extracted.dates.at("setup.exe"), Dos(2021, 6, 15, 20, 0, 0));
}

TEST(StubpackReproducible, SourceDateEpochClampsLaterTimesOnly) {
  const int64_t epoch = 1577836800;  // 2020-01-01 00:00 UTC
  struct Case {
    const char* file;
    const char* entry;
    int64_t modified;
    uint32_t stored;
  };
  const Case cases[] = {
      {"engine.exe", "setup.exe", 1893456000, Dos(2020, 1, 1, 0, 0, 0)},  // 2030: after the epoch
      {"data/a.txt", "a.txt", 999932764, Dos(2001, 9, 8, 7, 6, 4)},       // before it: its own time
      {"data/b.txt", "b.txt", epoch, Dos(2020, 1, 1, 0, 0, 0)},           // at it
  };
  TempDir dir;
  WriteProject(dir);
  for (const Case& c : cases)
    SetModified(dir / c.file, c.modified);
  const ScopedEnv sourceDate("SOURCE_DATE_EPOCH", std::to_string(epoch));
  BuildBytes(dir);
  const test::Extraction extracted = test::ExtractLikeLauncher(dir / "setup.exe");
  ASSERT_TRUE(extracted.ok) << extracted.error;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(extracted.dates.at(c.entry), c.stored);
  }
}

TEST(StubpackReproducible, AFreshCheckoutBuildsTheSameInstaller) {
  const int64_t epoch = 1577836800;  // 2020-01-01, older than the original files
  TempDir original;
  WriteProject(original);
  SetModified(original / "engine.exe", 1609459200);  // 2021-01-01
  SetModified(original / "data/a.txt", 1640995200);  // 2022-01-01
  SetModified(original / "data/b.txt", 1672531200);  // 2023-01-01
  // The copy lies elsewhere; its files are written in another order and
  // carry the time of the copy, as after a checkout.
  TempDir copy;
  WriteBytes(copy / "p.ini", ReadBytes(original / "p.ini"));
  mkdir((copy / "data").c_str(), 0700);
  for (const char* file : {"data/b.txt", "data/a.txt", "engine.exe", "stub.exe"})
    WriteBytes(copy / file, ReadBytes(original / file));

  const std::string unclamped = BuildBytes(copy);
  const ScopedEnv sourceDate("SOURCE_DATE_EPOCH", std::to_string(epoch));
  const std::string fromOriginal = BuildBytes(original);
  const std::string fromCopy = BuildBytes(copy);
  ASSERT_FALSE(fromOriginal.empty());
  EXPECT_TRUE(fromOriginal == fromCopy);
  EXPECT_FALSE(unclamped == fromCopy) << "without the epoch the checkout's times show";
}

TEST(StubpackReproducible, RefusesAnInvalidSourceDateEpoch) {
  const char* values[] = {
      "", "abc", "-1", "12.5", " 12", "12 ", "1e9", "+5", "1234567890123456789"};
  TempDir dir;
  WriteProject(dir);
  for (const char* value : values) {
    SCOPED_TRACE(value);
    const ScopedEnv sourceDate("SOURCE_DATE_EPOCH", value);
    const CliRun run = Call({"build", dir / "p.ini"});
    EXPECT_EQ(run.code, kExitFailure);
    EXPECT_NE(run.err.find("stubpack: error: SOURCE_DATE_EPOCH='" + std::string(value) +
                           "' is not a number of seconds since 1970"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("(environment)"), std::string::npos) << run.err;
    EXPECT_FALSE(StatFile(dir / "setup.exe").exists);
  }
  int64_t seconds = -1;
  EXPECT_TRUE(ParseSourceDateEpoch("0", seconds));
  EXPECT_EQ(seconds, 0);
  EXPECT_TRUE(ParseSourceDateEpoch("999999999999999999", seconds));
  EXPECT_EQ(seconds, 999999999999999999);
}

}  // namespace
}  // namespace orvane::stubpack
