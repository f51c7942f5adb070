// Cli: argument parsing, the build and inspect commands, and their messages.
#include "Cli.h"

#include <string_view>

#include "BuildPlan.h"
#include "Builder.h"
#include "FileIo.h"
#include "Inspector.h"
#include "Project.h"
#include "ReportFormat.h"

namespace orvane::stubpack {
namespace {

constexpr const char* kVersion = "stubpack 1.0";

constexpr const char* kUsage =
    "usage: stubpack COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  build [PROJECT.ini] [options]   build an installer from a project file and options\n"
    "  inspect FILE [--json]           show the package of an installer or a .001 volume\n"
    "  help                            show this text\n"
    "  version                         show the version\n"
    "\n"
    "build options (they override the project file; paths are relative to the\n"
    "current folder):\n"
    "  --stub FILE                  the launcher to append the package to\n"
    "  -o, --output FILE            the installer to write\n"
    "  --file SRC[=NAME[*ARGS]]     add a file (NAME* marks the program to start)\n"
    "  --max-volume-size SIZE       split into volumes of at most SIZE bytes (650M)\n"
    "  --max-entry-size SIZE        largest file data per entry (default 64M)\n"
    "  --first-volume stub|001      first volume: the launcher itself, or OUTPUT.001\n"
    "  --compression auto|none      compress files that shrink, or store all\n"
    "  --flag NAME[=yes|no]         ShowTempNotice, RelaunchFromTemp, ActivityBar,\n"
    "                               AgentLog, InternetSetup, ConfirmDownload,\n"
    "                               AgentCopy, AgentFlag\n"
    "  --set SECTION.KEY=VALUE      any project setting (Language.English.s0=Hello)\n"
    "  -q, --quiet                  print errors and warnings only\n"
    "  -v, --verbose                list every entry written\n"
    "\n"
    "exit codes: 0 success, 1 build failed or damaged package, 2 usage error\n";

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
  // Settings are applied after the project, in command-line order.
  struct Setting {
    std::string section, key, value;
    bool hasValue;
  };
  std::vector<Setting> settings;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    bool missing = false;
    auto option = [&](std::string_view name) { return TakeValue(args, i, name, value, missing); };
    if (arg == "-q" || arg == "--quiet") {
      quiet = true;
    } else if (arg == "-v" || arg == "--verbose") {
      verbose = true;
    } else if (option("--stub")) {
      settings.push_back({"Setup", "Stub", value, true});
    } else if (option("-o") || option("--output")) {
      settings.push_back({"Setup", "Output", value, true});
    } else if (option("--max-volume-size")) {
      settings.push_back({"Setup", "MaxVolumeSize", value, true});
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
  Problems notes;
  if (!HasErrors(problems)) {
    ExpandFileWildcards(plan, problems, notes);
    CheckBuildPlan(plan, problems);
  }
  if (!quiet) {
    for (const Problem& note : notes)
      io.Note(note);
  }
  if (HasErrors(problems)) {
    io.ReportAll(problems);
    return kExitFailure;
  }
  BuildResult result;
  const bool built = Build(plan, result, problems);
  io.ReportAll(problems);
  if (!built)
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

}  // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
  const Output io{out, err};
  if (args.empty())
    return io.Usage("no command given");
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "help" || command == "--help" || command == "-h") {
    io.Print(kUsage);
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
  return io.Usage("unknown command '" + command + "'");
}

}  // namespace orvane::stubpack
