// BuildPlan: the checks of a plan before anything is written.
#include "BuildPlan.h"

#include <map>

#include "LanguageTexts.h"
#include "package/PackFormat.h"
#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

constexpr const char* kFlagNames[kFlagCount] = {
    "ShowTempNotice", "RelaunchFromTemp", "ActivityBar", "AgentLog",
    "InternetSetup",  "ConfirmDownload",  "AgentCopy",   "AgentFlag",
};

// ScrambleToken takes at most this many bytes.
constexpr size_t kMaxTokenBytes = 240;

void Error(Problems& problems, std::string what, const Origin& origin) {
  problems.push_back({false, std::move(what), origin.Text()});
}

void Warning(Problems& problems, std::string what, const Origin& origin) {
  problems.push_back({true, std::move(what), origin.Text()});
}

// A header-block field must not hold the list separator; a language text must
// not hold the language block's separators.
std::string FieldFault(std::string_view value) {
  for (char c : value) {
    if (c == '|')
      return "contains '|', the separator of the block it is stored in";
    if (c == '\0' || c == '\r' || c == '\n')
      return "contains a control character";
  }
  return std::string();
}

std::string LanguageTextFault(std::string_view value) {
  for (char c : value) {
    if (c == '\x01' || c == '\x02' || c == '\0')
      return "contains a byte 0, 1 or 2, which separate the language block";
  }
  return std::string();
}

bool IsKnownLanguageKey(std::string_view key) {
  static const char* const kWords[] = {"BtnText", "Error",    "Attention", "Confirm",
                                       "Charset", "FontSize", "FontName"};
  const std::string upper = UpperCaseAscii(key);
  for (const char* word : kWords) {
    if (upper == UpperCaseAscii(word))
      return true;
  }
  if (upper.size() < 2 || upper.size() > 3 || upper[0] != 'S')
    return false;
  int number = 0;
  for (size_t i = 1; i < upper.size(); ++i) {
    if (upper[i] < '0' || upper[i] > '9')
      return false;
    number = number * 10 + (upper[i] - '0');
  }
  return number <= 35 && !(upper.size() == 3 && upper[1] == '0');
}

void CheckToken(const std::string& token, const char* what, const Origin& origin,
                Problems& problems) {
  if (token.size() > kMaxTokenBytes)
    Error(problems, std::string(what) + " is longer than 240 bytes", origin);
  if (token.find('\0') != std::string::npos)
    Error(problems, std::string(what) + " contains a zero byte", origin);
}

void CheckFiles(const BuildPlan& plan, Problems& problems) {
  const bool internetSetup = plan.FlagSet(Flag::kInternetSetup);
  if (internetSetup) {
    if (!plan.files.empty())
      Error(problems,
            "an internet setup carries no files (it downloads its setup file); put the files "
            "into the package it downloads",
            plan.files.front().origin);
    return;
  }
  if (plan.files.empty()) {
    Error(problems, "no files to pack: add them under [Files] or with --file", plan.setupOrigin);
    return;
  }
  const FileItem* start = nullptr;
  std::map<std::string, const FileItem*> byName;
  for (const FileItem& item : plan.files) {
    const std::string fault = pack::EntryNameFault(item.name);
    if (!fault.empty())
      Error(problems, "entry name '" + item.name + "' " + fault, item.origin);
    if (item.isStart) {
      if (start != nullptr && UpperCaseAscii(start->name) != UpperCaseAscii(item.name))
        Error(problems,
              "a second start entry '" + item.name + "' (the first is '" + start->name + "' at " +
                  start->origin.Text() + "); mark exactly one file with '*'",
              item.origin);
      else if (start == nullptr)
        start = &item;
      const std::string argumentFault = FieldFault(item.startArguments);
      if (!argumentFault.empty())
        Error(problems, "the start arguments of '" + item.name + "' " + argumentFault, item.origin);
    }
    auto [it, inserted] = byName.emplace(UpperCaseAscii(item.name), &item);
    if (!inserted && it->second->isStart != item.isStart)
      Error(problems,
            "'" + item.name + "' is also given at " + it->second->origin.Text() +
                " with a different start mark; the launcher joins both into one file",
            item.origin);
    else if (!inserted)
      Warning(problems,
              "'" + item.name + "' is also given at " + it->second->origin.Text() +
                  "; the launcher appends this file to the earlier one",
              item.origin);
  }
  if (start == nullptr)
    Error(problems,
          "no start entry: mark the setup program with '*' in its name (setup.exe = setup.exe*)",
          plan.files.front().origin);
  if (!plan.internet.agentFile.empty() && plan.FlagSet(Flag::kAgentCopy) &&
      byName.count(UpperCaseAscii(plan.internet.agentFile)) != 0)
    Warning(problems,
            "the agent copy '" + plan.internet.agentFile +
                "' has the name of a packed file; the launcher replaces that file with it",
            plan.internet.origin);
}

void CheckLanguages(const BuildPlan& plan, Problems& problems) {
  std::map<std::string, const Language*> names;
  for (const Language& language : plan.languages) {
    if (Trim(language.name).empty())
      Error(problems, "a language section needs a name: [Language.English]", language.origin);
    const std::string nameFault = LanguageTextFault(language.name);
    if (!nameFault.empty())
      Error(problems, "the language name " + nameFault, language.origin);
    if (!names.emplace(UpperCaseAscii(Trim(language.name)), &language).second)
      Error(problems, "language '" + language.name + "' is given twice", language.origin);
    CheckLanguageTexts(language, plan.languages.size(), problems);
    std::map<std::string, bool> keys;
    for (const auto& [key, value] : language.strings) {
      if (key.empty() || key.find('=') != std::string::npos)
        Error(problems, "language key '" + key + "' is empty or contains '='", language.origin);
      std::string fault = LanguageTextFault(key);
      if (fault.empty())
        fault = LanguageTextFault(value);
      if (!fault.empty())
        Error(problems, "the text of " + language.name + "." + key + " " + fault, language.origin);
      if (!keys.emplace(UpperCaseAscii(key), true).second)
        Error(problems, "key " + key + " is given twice in language " + language.name,
              language.origin);
      if (!IsKnownLanguageKey(key))
        Warning(problems, "the launcher reads no language key '" + key + "'", language.origin);
      const std::string upper = UpperCaseAscii(key);
      if ((upper == "CHARSET" || upper == "FONTSIZE") && !IsDecimalDigits(value))
        Warning(problems,
                key + "=" + value + " is not a number; the launcher reads it as " +
                    (upper == "CHARSET" ? "0" : "8"),
                language.origin);
    }
  }
}

void CheckInternet(const BuildPlan& plan, Problems& problems) {
  const InternetSettings& net = plan.internet;
  if (net.present) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"InfoUrl", &net.infoUrl}, {"InfoFile", &net.infoFile}, {"AgentFile", &net.agentFile}};
    for (const auto& [key, value] : fields) {
      const std::string fault = FieldFault(*value);
      if (!fault.empty())
        Error(problems, std::string("[Internet] ") + key + " " + fault, net.origin);
    }
    if (!net.agentFile.empty()) {
      const std::string fault = pack::EntryNameFault(net.agentFile);
      if (!fault.empty())
        Error(problems, "[Internet] AgentFile '" + net.agentFile + "' " + fault, net.origin);
      if (net.productToken.empty())
        Error(problems,
              "[Internet] needs a ProductToken when it names an AgentFile: the agent accepts "
              "only updates that carry the same token",
              net.origin);
    }
  }
  CheckToken(net.productToken, "[Internet] ProductToken", net.origin, problems);
  if (plan.FlagSet(Flag::kAgentCopy) && net.agentFile.empty())
    Error(problems, "AgentCopy needs [Internet] AgentFile, the name of the agent copy",
          plan.setupOrigin);
  // The launcher writes the agent copy only from a package file named *.exe
  // (or *.exe.001).
  if (plan.FlagSet(Flag::kAgentCopy) && !plan.output.empty() &&
      !EndsWithNoCase(plan.output, ".exe"))
    Warning(problems,
            "AgentCopy has no effect unless the installer's name ends with .exe ('" + plan.output +
                "')",
            plan.setupOrigin);

  const DownloadSettings& download = plan.download;
  if (download.present) {
    const std::pair<const char*, const std::string*> fields[] = {{"Location", &download.location},
                                                                 {"FileName", &download.fileName}};
    for (const auto& [key, value] : fields) {
      const std::string fault = FieldFault(*value);
      if (!fault.empty())
        Error(problems, std::string("[Download] ") + key + " " + fault, download.origin);
    }
    if (!download.fileName.empty() && FieldFault(download.fileName).empty()) {
      const std::string fault = pack::EntryNameFault(download.fileName);
      if (!fault.empty())
        Error(problems,
              "[Download] FileName '" + download.fileName + "' " + fault +
                  ": the launcher downloads the setup file into its Temp folder under that name",
              download.origin);
    }
    if (download.token.empty())
      Error(problems,
            "[Download] needs a Token: the launcher runs a downloaded setup file only when its "
            "download token is the same",
            download.origin);
    CheckToken(download.token, "[Download] Token", download.origin, problems);
    if (!download.size.empty() && !IsDecimalDigits(download.size))
      Error(problems, "[Download] Size '" + download.size + "' is not a number of bytes",
            download.origin);
    if (!download.sha256.empty() && !pack::IsSha256Text(download.sha256))
      Error(problems,
            "[Download] Sha256 '" + download.sha256 + "' is not a SHA-256 (64 hexadecimal digits)",
            download.origin);
  }
  if (plan.FlagSet(Flag::kInternetSetup)) {
    if (!download.present || download.location.empty() ||
        (download.fileName.empty() && download.file.empty()))
      Error(problems, "InternetSetup needs [Download] with Location and FileName (or File)",
            download.present ? download.origin : plan.setupOrigin);
  } else if (plan.FlagSet(Flag::kConfirmDownload)) {
    Warning(problems, "ConfirmDownload has no effect without InternetSetup", plan.setupOrigin);
  }
}

}  // namespace

std::string Origin::Text() const {
  if (file.empty())
    return "command line";
  return line > 0 ? file + ":" + std::to_string(line) : file;
}

bool HasErrors(const Problems& problems) {
  for (const Problem& problem : problems) {
    if (!problem.warning)
      return true;
  }
  return false;
}

const char* FlagName(Flag flag) {
  return kFlagNames[static_cast<size_t>(flag)];
}

bool FlagFromName(std::string_view name, Flag& flag) {
  const std::string upper = UpperCaseAscii(name);
  for (size_t i = 0; i < kFlagCount; ++i) {
    if (upper == UpperCaseAscii(kFlagNames[i])) {
      flag = static_cast<Flag>(i);
      return true;
    }
  }
  return false;
}

void CheckBuildPlan(const BuildPlan& plan, Problems& problems) {
  if (plan.stub.empty())
    Error(problems, "no launcher stub: give Stub= under [Setup] or --stub", plan.setupOrigin);
  if (plan.output.empty())
    Error(problems, "no output file: give Output= under [Setup] or -o", plan.setupOrigin);
  if (plan.maxEntrySize == 0 || plan.maxEntrySize > kMaxEntrySizeLimit)
    Error(problems, "MaxEntrySize must lie between 1 byte and 1G", plan.setupOrigin);
  if (plan.firstVolume == FirstVolume::kSeparate001) {
    const auto& relaunch = plan.flags[static_cast<size_t>(Flag::kRelaunchFromTemp)];
    if (relaunch.has_value() && !*relaunch)
      Error(problems,
            "FirstVolume=001 needs RelaunchFromTemp: only the relaunched copy is told to read "
            "the .001 file",
            plan.setupOrigin);
    if (plan.FlagSet(Flag::kInternetSetup))
      Error(problems, "FirstVolume=001 does not fit an internet setup, which has no files",
            plan.setupOrigin);
  }
  CheckFiles(plan, problems);
  CheckLanguages(plan, problems);
  CheckInternet(plan, problems);
  const BrandingSettings& branding = plan.branding;
  if (branding.present && branding.version.empty() &&
      !(branding.productName + branding.companyName + branding.fileDescription + branding.copyright)
           .empty())
    Error(problems,
          "[Branding] gives texts of the version resource but no Version; add Version = a.b.c.d",
          branding.origin);
}

}  // namespace orvane::stubpack
