// Cli: argument parsing, the build and inspect commands, and their messages.
#include "Cli.h"

#include <cstdlib>
#include <string_view>

#include "BuildPlan.h"
#include "BuildProgress.h"
#include "Builder.h"
#include "FileIo.h"
#include "Inspector.h"
#include "KeyFiles.h"
#include "Project.h"
#include "ReportFormat.h"
#include "Sha256.h"
#include "UpdateSigning.h"
#include "Variables.h"

namespace orvane::stubpack {
namespace {

constexpr const char* kVersion = "stubpack 1.0";

// The usage of each command, for "COMMAND --help", and together for "help".
constexpr const char* kBuildHelp =
    "usage: stubpack build [PROJECT.ini] [options]\n"
    "\n"
    "build options (they override the project file; paths are relative to the\n"
    "current folder):\n"
    "  --stub FILE                  the launcher to append the package to\n"
    "  -o, --output FILE            the installer to write (missing folders are made)\n"
    "  --file SRC[=NAME[*ARGS]]     add a file (NAME* marks the program to start)\n"
    "  --max-volume-size SIZE       split into volumes of at most SIZE bytes (650M)\n"
    "  --max-entry-size SIZE        largest file data per entry (default 4M)\n"
    "  --first-volume stub|001      first volume: the launcher itself, or OUTPUT.001\n"
    "  --compression auto|none      compress files that shrink, or store all\n"
    "  --flag NAME[=yes|no]         ShowTempNotice, RelaunchFromTemp, ActivityBar,\n"
    "                               AgentLog, InternetSetup, ConfirmDownload,\n"
    "                               AgentCopy, AgentFlag\n"
    "  --set SECTION.KEY=VALUE      any project setting (Language.English.s0=Hello)\n"
    "  -D NAME=VALUE                what ${NAME} stands for in the project's values\n"
    "  --werror                     fail on warnings too (nothing is written)\n"
    "  -q, --quiet                  print errors and warnings only\n"
    "  -v, --verbose                list every entry written\n"
    "  -j, --jobs N                 threads that compress (default: one per core)\n"
    "\n"
    "SOURCE_DATE_EPOCH (seconds since 1970 UTC) in the environment: file times\n"
    "later than it are stored as it, for reproducible builds.\n";

constexpr const char* kInspectHelp =
    "usage: stubpack inspect FILE [--json]\n"
    "  show the package of an installer or a .001 volume; exit code 1 when it\n"
    "  is not a sound package\n";

constexpr const char* kKeygenHelp =
    "usage: stubpack keygen --out NAME\n"
    "  make the key pair that signs update information: NAME.key (private,\n"
    "  keep it secret) and NAME.pub (for [Internet] UpdateKey)\n";

constexpr const char* kSignUpdateHelp =
    "usage: stubpack sign-update --key NAME.key INFO [--update FILE] [--inform FILE]\n"
    "                            [--pub NAME.pub]\n"
    "  write the size and SHA-256 of the update or inform file into the .info\n"
    "  file INFO, then sign it into INFO.sig\n";

constexpr const char* kUsage =
    "usage: stubpack COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  build [PROJECT.ini] [options]   build an installer from a project file and options\n"
    "  inspect FILE [--json]           show the package of an installer or a .001 volume\n"
    "  keygen --out NAME               make the key pair that signs update information:\n"
    "                                  NAME.key (private, keep it secret) and NAME.pub\n"
    "                                  (for [Internet] UpdateKey)\n"
    "  sign-update --key NAME.key INFO [--update FILE] [--inform FILE] [--pub NAME.pub]\n"
    "                                  write the size and SHA-256 of the update or\n"
    "                                  inform file into the .info file INFO, then sign\n"
    "                                  it into INFO.sig\n"
    "  help                            show this text (COMMAND --help: one command)\n"
    "  version                         show the version\n"
    "\n"
    "exit codes: 0 success, 1 build failed or damaged package, 2 usage error\n";

// "--help" or "-h" among a command's arguments.
bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h")
      return true;
  }
  return false;
}

struct Output {
  std::FILE* out;
  std::FILE* err;

  void Print(const std::string& text) const { std::fputs(text.c_str(), out); }
  void Report(const Problem& problem) const {
    std::string line =
        std::string("stubpack: ") + (problem.warning ? "warning: " : "error: ") + problem.what;
    if (!problem.where.empty())
      line += " (" + problem.where + ")";
    std::fputs((line + "\n").c_str(), err);
  }
  // A note: what the build did that the vendor may not expect.
  void Note(const Problem& note) const {
    std::string line = "stubpack: note: " + note.what;
    if (!note.where.empty())
      line += " (" + note.where + ")";
    std::fputs((line + "\n").c_str(), out);
  }
  void ReportAll(const Problems& problems) const {
    for (const Problem& problem : problems) {
      if (problem.warning)
        Report(problem);
    }
    for (const Problem& problem : problems) {
      if (!problem.warning)
        Report(problem);
    }
  }
  int Usage(const std::string& what) const {
    std::fputs(
        ("stubpack: error: " + what + "\n" + "run 'stubpack help' for the commands and options\n")
            .c_str(),
        err);
    return kExitUsage;
  }
};

bool HasWarnings(const Problems& problems) {
  for (const Problem& problem : problems) {
    if (problem.warning)
      return true;
  }
  return false;
}

// "--name=value" or "--name value": the value of option `name` at `i`.
bool TakeValue(const std::vector<std::string>& args, size_t& i, std::string_view name,
               std::string& value, bool& missing) {
  const std::string& arg = args[i];
  missing = false;
  if (arg == name) {
    if (i + 1 >= args.size()) {
      missing = true;
      return true;
    }
    value = args[++i];
    return true;
  }
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
      arg[name.size()] == '=' && name.substr(0, 2) == "--") {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

std::string Percent(uint64_t part, uint64_t whole) {
  if (whole == 0)
    return "-";
  return std::to_string(part * 100 / whole) + "%";
}

int RunBuild(const std::vector<std::string>& args, const Output& io) {
  BuildPlan plan;
  Problems problems;
  std::string project;
  bool quiet = false;
  bool verbose = false;
  BuildOptions options;
  // Settings are applied after the project, in command-line order.
  struct Setting {
    std::string section, key, value;
    bool hasValue;
  };
  std::vector<Setting> settings;
  // The option that named the stub and the output last, for messages.
  std::string stubOption, outputOption;
  if (AsksForHelp(args)) {
    io.Print(kBuildHelp);
    return kExitOk;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    bool missing = false;
    auto option = [&](std::string_view name) { return TakeValue(args, i, name, value, missing); };
    if (arg == "-q" || arg == "--quiet") {
      quiet = true;
    } else if (arg == "-v" || arg == "--verbose") {
      verbose = true;
    } else if (arg == "--werror") {
      plan.warningsAreErrors = true;
    } else if (option("-D") || option("--define")) {
      std::string error;
      if (!missing && !AddDefine(value, plan.defines, error))
        return io.Usage(error);
    } else if (arg.size() > 2 && arg.compare(0, 2, "-D") == 0) {
      std::string error;
      if (!AddDefine(std::string_view(arg).substr(2), plan.defines, error))
        return io.Usage(error);
    } else if (option("--stub")) {
      settings.push_back({"Setup", "Stub", value, true});
      stubOption = "--stub";
    } else if (option("-o") || option("--output")) {
      settings.push_back({"Setup", "Output", value, true});
      outputOption = arg.rfind("--output", 0) == 0 ? "--output" : "-o";
    } else if (option("--max-volume-size")) {
      settings.push_back({"Setup", "MaxVolumeSize", value, true});
    } else if (option("-j") || option("--jobs")) {
      char* end = nullptr;
      const unsigned long jobs = std::strtoul(value.c_str(), &end, 10);
      if (!missing && (value.empty() || *end != '\0' || jobs == 0 || jobs > 256))
        return io.Usage("--jobs expects a number of threads from 1 to 256, not '" + value + "'");
      options.jobs = static_cast<unsigned>(jobs);
    } else if (option("--max-entry-size")) {
      settings.push_back({"Setup", "MaxEntrySize", value, true});
    } else if (option("--first-volume")) {
      settings.push_back({"Setup", "FirstVolume", value, true});
    } else if (option("--compression")) {
      settings.push_back({"Setup", "Compression", value, true});
    } else if (option("--file")) {
      const size_t equals = value.find('=');
      settings.push_back({"Files", value.substr(0, equals),
                          equals == std::string::npos ? std::string() : value.substr(equals + 1),
                          equals != std::string::npos});
    } else if (option("--flag")) {
      const size_t equals = value.find('=');
      settings.push_back({"Setup", value.substr(0, equals),
                          equals == std::string::npos ? "yes" : value.substr(equals + 1), true});
    } else if (option("--set")) {
      const size_t equals = value.find('=');
      const size_t dot = value.rfind('.', equals);
      if (equals == std::string::npos || dot == std::string::npos || dot == 0)
        return io.Usage("--set expects SECTION.KEY=VALUE, not '" + value + "'");
      settings.push_back({value.substr(0, dot), value.substr(dot + 1, equals - dot - 1),
                          value.substr(equals + 1), true});
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return io.Usage("unknown option '" + arg + "' for build");
    } else if (project.empty()) {
      project = arg;
    } else {
      return io.Usage("more than one project file ('" + project + "', '" + arg + "')");
    }
    if (missing)
      return io.Usage("option '" + arg + "' needs a value");
  }
  if (project.empty() && settings.empty())
    return io.Usage("build needs a project file or options");
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    int64_t seconds = 0;
    if (!ParseSourceDateEpoch(epoch, seconds)) {
      io.Report({false,
                 "SOURCE_DATE_EPOCH='" + std::string(epoch) +
                     "' is not a number of seconds since 1970-01-01 00:00 UTC",
                 "environment"});
      return kExitFailure;
    }
    plan.sourceDateEpoch = seconds;
  }

  if (!project.empty()) {
    std::string text, error;
    if (!ReadWholeFile(project, text, &error)) {
      io.Report({false, "cannot read project file '" + project + "': " + error, ""});
      return kExitFailure;
    }
    ReadProject(text, project, plan, problems);
  }
  for (const Setting& setting : settings)
    ApplySetting(setting.section, setting.key, setting.hasValue ? &setting.value : nullptr, plan,
                 problems);
  if (!stubOption.empty())
    plan.stubOrigin = Origin{stubOption, 0};
  if (!outputOption.empty())
    plan.outputOrigin = Origin{outputOption, 0};
  Problems notes;
  if (!HasErrors(problems)) {
    ExpandFileWildcards(plan, problems, notes);
    CheckBuildPlan(plan, problems);
  }
  if (!quiet) {
    for (const Problem& note : notes)
      io.Note(note);
  }
  const auto failsOnWarnings = [&] {
    if (!plan.warningsAreErrors || !HasWarnings(problems))
      return false;
    io.Report({false, "warnings are errors with --werror; nothing was written", ""});
    return true;
  };
  if (HasErrors(problems)) {
    io.ReportAll(problems);
    return kExitFailure;
  }
  io.ReportAll(problems);
  if (failsOnWarnings())
    return kExitFailure;
  // The warnings above are not repeated after the build.
  problems.clear();
  BuildResult result;
  // A terminal sees how far the build is; a log does not fill with it.
  ProgressDisplay progress(io.err);
  if (!quiet && IsTerminal(io.out))
    options.progress = [&progress](uint64_t packed, uint64_t total) {
      progress.Show(packed, total);
    };
  const bool built = Build(plan, result, problems, options);
  progress.Finish();
  io.ReportAll(problems);
  if (failsOnWarnings() || !built)
    return kExitFailure;
  if (verbose) {
    for (const EntryRecord& entry : result.entries) {
      io.Print("  " + entry.name + (entry.isStart ? "*" : "") + "  " +
               std::to_string(entry.dataSize) + " -> " + std::to_string(entry.storedSize) +
               (entry.compressed ? " (zlib)" : " (stored)") + "  volume " +
               std::to_string(entry.volume) + "\n");
    }
  }
  if (!quiet) {
    for (size_t i = 0; i < result.outputs.size(); ++i)
      io.Print("stubpack: wrote " + result.outputs[i] + " (" +
               std::to_string(result.outputSizes[i]) + " bytes)\n");
    uint64_t stored = 0;
    for (const EntryRecord& entry : result.entries)
      stored += entry.storedSize;
    io.Print("stubpack: " + std::to_string(plan.files.size()) + " files in " +
             std::to_string(result.entries.size()) +
             " entries: " + std::to_string(result.dataBytes) + " bytes stored in " +
             std::to_string(stored) + " (" + Percent(stored, result.dataBytes) + ")\n");
  }
  return kExitOk;
}

int RunInspect(const std::vector<std::string>& args, const Output& io) {
  bool json = false;
  std::string file;
  if (AsksForHelp(args)) {
    io.Print(kInspectHelp);
    return kExitOk;
  }
  for (const std::string& arg : args) {
    if (arg == "--json")
      json = true;
    else if (!arg.empty() && arg[0] == '-')
      return io.Usage("unknown option '" + arg + "' for inspect");
    else if (file.empty())
      file = arg;
    else
      return io.Usage("inspect takes one file");
  }
  if (file.empty())
    return io.Usage("inspect needs a file");
  const InspectReport report = Inspect(file);
  io.Print(json ? FormatReportJson(report) : FormatReportText(report));
  const VolumeInfo* first = report.First();
  bool failed = false;
  for (const Problem& problem : report.problems) {
    if (!problem.warning) {
      io.Report(problem);
      failed = true;
    }
  }
  return failed || first == nullptr || !first->trailer.IsPackage() ? kExitFailure : kExitOk;
}

int RunKeygen(const std::vector<std::string>& args, const Output& io) {
  std::string name;
  if (AsksForHelp(args)) {
    io.Print(kKeygenHelp);
    return kExitOk;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    bool missing = false;
    if (TakeValue(args, i, "--out", name, missing)) {
      if (missing)
        return io.Usage("option '--out' needs a value");
    } else {
      return io.Usage("unknown argument '" + args[i] + "' for keygen");
    }
  }
  if (name.empty())
    return io.Usage("keygen needs --out NAME");
  const std::string keyPath = name + ".key";
  const std::string pubPath = name + ".pub";
  for (const std::string& path : {keyPath, pubPath}) {
    if (StatFile(path).exists) {
      io.Report(
          {false, "'" + path + "' exists; a key is never overwritten (choose another NAME)", ""});
      return kExitFailure;
    }
  }
  p256::Bytes32 d;
  p256::PublicKey q;
  std::string error;
  if (!GenerateKey(d, q, error)) {
    io.Report({false, "cannot make a key: " + error, ""});
    return kExitFailure;
  }
  if (!WriteNewFile(keyPath, PrivateKeyPem(d, q), true, &error)) {
    io.Report({false, "cannot write '" + keyPath + "': " + error, ""});
    return kExitFailure;
  }
  if (!WriteNewFile(pubPath, PublicKeyPem(q), false, &error)) {
    io.Report({false, "cannot write '" + pubPath + "': " + error, ""});
    RemoveFile(keyPath);
    return kExitFailure;
  }
  io.Print("stubpack: wrote " + keyPath +
           " (the private key: only you may read it; keep it secret and backed up)\n"
           "stubpack: wrote " +
           pubPath + " (the public key: set [Internet] UpdateKey=" + BaseNameOf(pubPath) +
           " in the project)\nstubpack: key fingerprint " + KeyFingerprint(q) + "\n");
  return kExitOk;
}

// The size and SHA-256 of the file `path` for sign-update.
bool PinnedFileOf(const std::string& path, PinnedFile& file, const Output& io) {
  std::string error;
  const std::unique_ptr<FileSource> source = FileSource::Open(path, &error);
  uint64_t failedAt = 0;
  if (source == nullptr || !Sha256OfSource(*source, file.sha256, failedAt)) {
    io.Report(
        {false,
         "cannot read '" + path + "': " +
             (source == nullptr ? error : "read failed at offset " + std::to_string(failedAt)),
         ""});
    return false;
  }
  file.name = BaseNameOf(path);
  file.size = source->Size();
  return true;
}

int RunSignUpdate(const std::vector<std::string>& args, const Output& io) {
  std::string keyPath, pubPath, updatePath, informPath, infoPath;
  if (AsksForHelp(args)) {
    io.Print(kSignUpdateHelp);
    return kExitOk;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    bool missing = false;
    std::string value;
    auto option = [&](std::string_view name) { return TakeValue(args, i, name, value, missing); };
    if (option("--key"))
      keyPath = value;
    else if (option("--pub"))
      pubPath = value;
    else if (option("--update"))
      updatePath = value;
    else if (option("--inform"))
      informPath = value;
    else if (!args[i].empty() && args[i][0] == '-')
      return io.Usage("unknown option '" + args[i] + "' for sign-update");
    else if (infoPath.empty())
      infoPath = args[i];
    else
      return io.Usage("sign-update takes one .info file");
    if (missing)
      return io.Usage("option '" + args[i] + "' needs a value");
  }
  if (keyPath.empty() || infoPath.empty())
    return io.Usage("sign-update needs --key NAME.key and the .info file");

  std::string text, error;
  p256::Bytes32 d;
  p256::PublicKey q;
  if (!ReadWholeFile(keyPath, text, &error) || !ReadPrivateKeyPem(text, d, q, error)) {
    io.Report({false, "cannot use the key '" + keyPath + "': " + error, ""});
    return kExitFailure;
  }
  if (!pubPath.empty()) {
    p256::PublicKey expected;
    if (!ReadWholeFile(pubPath, text, &error) || !ReadPublicKeyPem(text, expected, error)) {
      io.Report({false, "cannot use the public key '" + pubPath + "': " + error, ""});
      return kExitFailure;
    }
    if (expected.x != q.x || expected.y != q.y) {
      io.Report({false,
                 "the key '" + keyPath + "' is not the private half of '" + pubPath +
                     "' (fingerprints " + KeyFingerprint(q) + " and " + KeyFingerprint(expected) +
                     "); installers with that UpdateKey would refuse this signature",
                 ""});
      return kExitFailure;
    }
  }
  std::optional<PinnedFile> update, inform;
  if (!updatePath.empty() && !PinnedFileOf(updatePath, update.emplace(), io))
    return kExitFailure;
  if (!informPath.empty() && !PinnedFileOf(informPath, inform.emplace(), io))
    return kExitFailure;
  if (!ReadWholeFile(infoPath, text, &error)) {
    io.Report({false, "cannot read '" + infoPath + "': " + error, ""});
    return kExitFailure;
  }
  SignedInfo signedInfo;
  if (!SignUpdateInfo(text, update, inform, d, signedInfo, error)) {
    io.Report({false, error, infoPath});
    return kExitFailure;
  }
  const std::string sigPath = infoPath + ".sig";
  if (signedInfo.text != text && !ReplaceFileContents(infoPath, signedInfo.text, &error)) {
    io.Report({false, "cannot write '" + infoPath + "': " + error, ""});
    return kExitFailure;
  }
  if (!ReplaceFileContents(sigPath, signedInfo.signatureDer, &error)) {
    io.Report({false, "cannot write '" + sigPath + "': " + error, ""});
    return kExitFailure;
  }
  for (const std::string& warning : signedInfo.warnings)
    io.Report({true, warning, infoPath});
  std::string report;
  for (const std::string& change : signedInfo.changes)
    report += "stubpack: " + infoPath + ": " + change + "\n";
  report += "stubpack: wrote " + sigPath + " (signed by key " + KeyFingerprint(q) +
            "); publish it beside " + BaseNameOf(infoPath) + "\n";
  io.Print(report);
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  const Output io{out, err};
  if (args.empty())
    return io.Usage("no command given");
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "help" || command == "--help" || command == "-h") {
    io.Print(std::string(kUsage) + "\n" + kBuildHelp);
    return kExitOk;
  }
  if (command == "version" || command == "--version") {
    io.Print(std::string(kVersion) + "\n");
    return kExitOk;
  }
  if (command == "build")
    return RunBuild(rest, io);
  if (command == "inspect")
    return RunInspect(rest, io);
  if (command == "keygen")
    return RunKeygen(rest, io);
  if (command == "sign-update")
    return RunSignUpdate(rest, io);
  return io.Usage("unknown command '" + command + "'");
}

}  // namespace orvane::stubpack
