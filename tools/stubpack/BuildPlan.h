// BuildPlan: everything the builder needs to write one installer, as read
// from a project file and the command line, and the checks that a plan must
// pass before anything is written.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::stubpack {

// Where a setting came from, for messages: "setup.ini:12", or "command line".
struct Origin {
  std::string file;  // empty: the command line
  int line = 0;
  std::string Text() const;
};

// An error or a warning about the build or a package.
struct Problem {
  bool warning = false;
  std::string what;
  std::string where;  // "setup.ini:12", "offset 1234", or empty
};
using Problems = std::vector<Problem>;
bool HasErrors(const Problems& problems);

// The named flags of a package: trailer flag bits and trailer bytes 66-69.
enum class Flag {
  kShowTempNotice,    // flag bit 0
  kRelaunchFromTemp,  // flag bit 2
  kActivityBar,       // flag bit 3
  kAgentLog,          // flag bit 4
  kInternetSetup,     // byte 66
  kConfirmDownload,   // byte 67
  kAgentCopy,         // byte 68
  kAgentFlag,         // byte 69
};
constexpr size_t kFlagCount = 8;
const char* FlagName(Flag flag);
// The flag of a name (ignoring case); false for an unknown name.
bool FlagFromName(std::string_view name, Flag& flag);

enum class FirstVolume { kLauncher, kSeparate001 };
enum class Compression { kAuto, kNone };

// One [Files] line after wildcards were expanded.
struct FileItem {
  std::string source;  // path to read
  std::string name;    // name in the extraction folder
  bool isStart = false;
  std::string startArguments;
  Origin origin;
};

struct Language {
  std::string name;
  std::vector<std::pair<std::string, std::string>> strings;  // in the order given
  Origin origin;
  // Where each of `strings` was set, in the same order; a string without one
  // (a plan made in code) counts as set at the section's `origin`.
  std::vector<Origin> stringOrigins{};
};

struct InternetSettings {
  bool present = false;
  std::string infoUrl;
  std::string infoFile;
  std::string agentFile;
  std::string productToken;  // plain; scrambled by the builder
  bool runHidden = false;
  // The text of the update key (UpdateSignature.h) read from the UpdateKey
  // public-key file; empty without one.
  std::string updateKey;
  Origin origin;
};

struct DownloadSettings {
  bool present = false;
  std::string location;
  std::string fileName;
  bool skipLocalCopy = false;
  std::string token;  // plain; scrambled by the builder
  std::string size;   // decimal text; empty: taken from `file`
  std::string file;   // optional local copy of the setup file
  // The setup file's SHA-256, 64 hexadecimal digits in either case; empty:
  // computed from `file` when there is one, else none.
  std::string sha256;
  Origin origin;
};

// [Branding]: the vendor's icon and version resource, written into the
// installer's copy of the launcher. Texts are UTF-8.
struct BrandingSettings {
  bool present = false;
  std::string icon;       // path of the .ico file; empty: the icon stays
  std::string iconBytes;  // the .ico file as read and checked
  std::string productName, companyName, fileDescription, version, copyright;
  Origin origin;
};

// Default largest amount of file data in one entry: the launcher inflates an
// entry in memory, so larger files travel as several entries of one name.
// The builder holds a few pieces of this size in flight while it compresses
// on several threads; 4 MiB keeps that under 64 MB, and zlib's 32 KiB window
// loses next to nothing at the cuts.
constexpr uint64_t kDefaultMaxEntrySize = uint64_t{4} << 20;
// An entry's stored length is a signed 32-bit number.
constexpr uint64_t kMaxEntrySizeLimit = uint64_t{1} << 30;

struct BuildPlan {
  Origin setupOrigin;   // the [Setup] section, for messages about its settings
  std::string project;  // the project file read, empty without one
  std::string stub;
  std::string output;
  Origin stubOrigin;    // where Stub= was given (a project line, or "--stub")
  Origin outputOrigin;  // where Output= was given (or the project, for its default)
  // -D NAME=VALUE: what ${NAME} stands for in the project's values.
  std::map<std::string, std::string, std::less<>> defines;
  // SOURCE_DATE_EPOCH: file times later than this are stored as this.
  std::optional<int64_t> sourceDateEpoch;
  // --werror: a warning fails the build before anything is written.
  bool warningsAreErrors = false;
  std::array<std::optional<bool>, kFlagCount> flags{};
  uint64_t maxVolumeSize = 0;  // 0: one volume
  uint64_t maxEntrySize = kDefaultMaxEntrySize;
  FirstVolume firstVolume = FirstVolume::kLauncher;
  Compression compression = Compression::kAuto;
  std::vector<FileItem> files;
  std::vector<Language> languages;
  InternetSettings internet;
  DownloadSettings download;
  BrandingSettings branding;

  bool FlagSet(Flag flag) const { return flags[static_cast<size_t>(flag)].value_or(false); }
};

// The checks of a complete plan that need no file access: output and stub
// given, entry names that are plain file names (pack::EntryNameFault), one
// start entry, separators and lengths of the header-block fields, tokens,
// and settings that contradict each other. Adds errors and warnings to
// `problems`.
void CheckBuildPlan(const BuildPlan& plan, Problems& problems);

}  // namespace orvane::stubpack
