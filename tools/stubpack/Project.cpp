// Project: INI lines to BuildPlan fields.
#include "Project.h"

#include <unordered_map>
#include <unordered_set>

#include "CodePage.h"
#include "FileIo.h"
#include "KeyFiles.h"
#include "PeResources.h"
#include "UpdateSigning.h"
#include "Variables.h"
#include "package/PackFormat.h"
#include "util/NumberText.h"
#include "util/UtilsText.h"

namespace orvane::stubpack {
namespace {

enum class Section { kNone, kSetup, kFiles, kLanguage, kInternet, kDownload, kBranding };

constexpr std::string_view kLanguagePrefix = "Language.";

struct Context {
  BuildPlan& plan;
  Problems& problems;
  Origin origin;
  std::string base;  // folder of relative paths
  bool fromCommandLine = false;

  void Error(std::string what) const {
    problems.push_back({false, std::move(what), origin.Text()});
  }
  void Warning(std::string what) const {
    problems.push_back({true, std::move(what), origin.Text()});
  }
};

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UpperCaseAscii(a) == UpperCaseAscii(b);
}

// The text before a comment: a ";" after a blank starts one.
std::string_view CutComment(std::string_view text) {
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == ';' && (text[i - 1] == ' ' || text[i - 1] == '\t'))
      return text.substr(0, i);
  }
  return text;
}

// A value without its comment and surrounding blanks; a value in double
// quotes keeps everything between them, blanks and ";" included.
std::string ParseValue(std::string_view text) {
  const std::string value = Trim(text);
  if (value.size() >= 2 && value.front() == '"') {
    const size_t close = value.find('"', 1);
    if (close != std::string::npos) {
      const std::string rest = Trim(std::string_view(value).substr(close + 1));
      if (rest.empty() || rest[0] == ';')
        return value.substr(1, close - 1);
    }
  }
  return Trim(CutComment(value));
}

bool SectionOf(std::string_view name, Section& section, std::string& languageName) {
  if (Same(name, "Setup"))
    section = Section::kSetup;
  else if (Same(name, "Files"))
    section = Section::kFiles;
  else if (Same(name, "Internet"))
    section = Section::kInternet;
  else if (Same(name, "Download"))
    section = Section::kDownload;
  else if (Same(name, "Branding"))
    section = Section::kBranding;
  else if (StartsWithNoCase(name, kLanguagePrefix)) {
    section = Section::kLanguage;
    languageName = Trim(name.substr(kLanguagePrefix.size()));
  } else {
    return false;
  }
  return true;
}

// "*" matches any run of characters, "?" any one character; Windows file
// names ignore case.
bool WildcardMatch(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  auto same = [](char a, char b) {
#ifdef _WIN32
    return UpperCaseAscii(std::string_view(&a, 1)) == UpperCaseAscii(std::string_view(&b, 1));
#else
    return a == b;
#endif
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

// Languages are one language whatever the case and blanks of their names.
std::string LanguageKey(std::string_view name) {
  return UpperCaseAscii(Trim(name));
}

// The languages of a plan by name, so that finding one costs the same
// however many there are.
class LanguageIndex {
 public:
  explicit LanguageIndex(BuildPlan& plan) : plan_(plan) {
    for (size_t i = 0; i < plan.languages.size(); ++i)
      byName_.emplace(LanguageKey(plan.languages[i].name), i);
  }

  size_t FindOrAdd(const std::string& name, const Origin& origin) {
    const auto [it, added] = byName_.emplace(LanguageKey(name), plan_.languages.size());
    if (added)
      plan_.languages.push_back({name, {}, origin});
    return it->second;
  }

 private:
  BuildPlan& plan_;
  std::unordered_map<std::string, size_t> byName_;
};

// The files a build of `output` writes, as a folder listing shows them: the
// output itself (also through another name that links to it), its volumes
// OUTPUT.001, OUTPUT.002 ..., and the temporary files of both, also those
// that a build ended by force left behind.
class OwnOutputs {
 public:
  explicit OwnOutputs(const std::string& output) {
    if (output.empty())
      return;
    outputKnown_ = IdentityOf(output, output_);
    const std::string folder = FolderOf(output);
    folderKnown_ = IdentityOf(folder.empty() ? std::string(".") : folder, folder_);
    name_ = NameKey(BaseNameOf(output));
    volumeBase_ = name_;
    // OUTPUT.001 numbers its volumes from its name without ".001".
    if (EndsWithNoCase(volumeBase_, ".001"))
      volumeBase_.resize(volumeBase_.size() - 4);
  }

  bool Holds(const std::string& folder, const std::string& name) const {
    FileIdentity identity;
    if (outputKnown_ && IdentityOf(folder + name, identity) && identity == output_)
      return true;
    if (!folderKnown_ || !IdentityOf(folder.empty() ? std::string(".") : folder, identity) ||
        identity != folder_)
      return false;
    std::string key = NameKey(name);
    // A temporary file NAME.stubpack-PID.tmp (OutputFiles::TemporaryPathOf)
    // counts as NAME.
    const std::string mark = NameKey(".stubpack-"), end = NameKey(".tmp");
    const size_t at = key.rfind(mark);
    if (at != std::string::npos && std::string_view(key).ends_with(end) &&
        IsDecimalDigits(std::string_view(key).substr(at + mark.size(),
                                                     key.size() - at - mark.size() - end.size())))
      key.resize(at);
    if (key == name_)
      return true;
    return key.size() >= volumeBase_.size() + 4 &&
           key.compare(0, volumeBase_.size(), volumeBase_) == 0 && key[volumeBase_.size()] == '.' &&
           IsDecimalDigits(std::string_view(key).substr(volumeBase_.size() + 1));
  }

 private:
  // Windows file names ignore case.
  static std::string NameKey(std::string_view name) {
#ifdef _WIN32
    return UpperCaseAscii(name);
#else
    return std::string(name);
#endif
  }

  bool outputKnown_ = false;
  bool folderKnown_ = false;
  FileIdentity output_;
  FileIdentity folder_;
  std::string name_;
  std::string volumeBase_;
};

void SetBool(const Context& context, std::string_view key, const std::string& value, bool& out) {
  if (!ParseBool(value, out))
    context.Error(std::string(key) + "=" + value + " is not a yes/no value (1, 0, yes, no)");
}

void SetSha256(const Context& context, std::string_view key, const std::string& value,
               std::string& out) {
  if (pack::IsSha256Text(value))
    out = value;
  else
    context.Error(std::string(key) + "=" + value + " is not a SHA-256 (64 hexadecimal digits)");
}

void ApplySetup(const Context& context, std::string_view key, const std::string& value) {
  BuildPlan& plan = context.plan;
  Flag flag;
  if (Same(key, "Stub")) {
    plan.stub = value.empty() ? value : ResolvePath(context.base, value);
    plan.stubOrigin = context.origin;
  } else if (Same(key, "Output")) {
    plan.output = value.empty() ? value : ResolvePath(context.base, value);
    plan.outputOrigin = context.origin;
  } else if (Same(key, "MaxVolumeSize")) {
    if (!ParseByteSize(value, plan.maxVolumeSize))
      context.Error("MaxVolumeSize=" + value + " is not a size (such as 650M or 1457664)");
  } else if (Same(key, "MaxEntrySize")) {
    if (!ParseByteSize(value, plan.maxEntrySize) || plan.maxEntrySize == 0)
      context.Error("MaxEntrySize=" + value + " is not a size of at least 1 byte");
  } else if (Same(key, "FirstVolume")) {
    if (Same(value, "stub") || Same(value, "launcher"))
      plan.firstVolume = FirstVolume::kLauncher;
    else if (value == "001")
      plan.firstVolume = FirstVolume::kSeparate001;
    else
      context.Error("FirstVolume=" + value + ": use stub or 001");
  } else if (Same(key, "Compression")) {
    if (Same(value, "auto"))
      plan.compression = Compression::kAuto;
    else if (Same(value, "none"))
      plan.compression = Compression::kNone;
    else
      context.Error("Compression=" + value + ": use auto or none");
  } else if (FlagFromName(key, flag)) {
    bool on = false;
    SetBool(context, key, value, on);
    plan.flags[static_cast<size_t>(flag)] = on;
  } else {
    context.Error("unknown setting '" + std::string(key) + "' in [Setup]");
  }
}

void ApplyFile(const Context& context, std::string_view source, const std::string* target) {
  FileItem item;
  item.origin = context.origin;
  const std::string sourceText = ParseValue(source);
  if (sourceText.empty()) {
    context.Error("a [Files] line needs a source file before '='");
    return;
  }
  item.source = ResolvePath(context.base, sourceText);
  std::string name = target != nullptr ? *target : std::string();
  const size_t star = name.find('*');
  if (star != std::string::npos) {
    item.isStart = true;
    item.startArguments = name.substr(star + 1);
    name = Trim(name.substr(0, star));
  }
  item.name = name.empty() ? BaseNameOf(item.source) : name;
  const std::string pattern = BaseNameOf(item.source);
  if (pattern.find_first_of("*?") != std::string::npos && (!name.empty() || item.isStart)) {
    context.Error("a wildcard source ('" + sourceText +
                  "') takes no name and no start mark: each file keeps its own name");
    return;
  }
  context.plan.files.push_back(std::move(item));
}

// The update key's text of the public-key file `path`; empty after an error.
std::string ReadUpdateKey(const Context& context, const std::string& path) {
  std::string text;
  std::string error;
  p256::PublicKey key;
  if (!ReadWholeFile(path, text, &error)) {
    context.Error("cannot read [Internet] UpdateKey '" + path + "': " + error);
    return {};
  }
  if (!ReadPublicKeyPem(text, key, error)) {
    context.Error("[Internet] UpdateKey '" + path + "' is not a P-256 public key: " + error);
    return {};
  }
  return UpdateKeyTextOf(key);
}

void ApplyInternet(const Context& context, std::string_view key, const std::string& value) {
  InternetSettings& net = context.plan.internet;
  if (!net.present) {
    net.present = true;
    net.origin = context.origin;
  }
  if (Same(key, "InfoUrl"))
    net.infoUrl = value;
  else if (Same(key, "InfoFile"))
    net.infoFile = value;
  else if (Same(key, "AgentFile"))
    net.agentFile = value;
  else if (Same(key, "ProductToken"))
    net.productToken = value;
  else if (Same(key, "RunHidden"))
    SetBool(context, key, value, net.runHidden);
  else if (Same(key, "UpdateKey"))
    net.updateKey =
        value.empty() ? value : ReadUpdateKey(context, ResolvePath(context.base, value));
  else
    context.Error("unknown setting '" + std::string(key) + "' in [Internet]");
}

void ApplyDownload(const Context& context, std::string_view key, const std::string& value) {
  DownloadSettings& download = context.plan.download;
  if (!download.present) {
    download.present = true;
    download.origin = context.origin;
  }
  if (Same(key, "Location"))
    download.location = value;
  else if (Same(key, "FileName"))
    download.fileName = value;
  else if (Same(key, "SkipLocalCopy"))
    SetBool(context, key, value, download.skipLocalCopy);
  else if (Same(key, "Token"))
    download.token = value;
  else if (Same(key, "Size"))
    download.size = value;
  else if (Same(key, "File"))
    download.file = value.empty() ? value : ResolvePath(context.base, value);
  else if (Same(key, "Sha256"))
    SetSha256(context, key, value, download.sha256);
  else
    context.Error("unknown setting '" + std::string(key) + "' in [Download]");
}

// The .ico file of [Branding] Icon, read and checked now so that a bad one
// is reported at its line.
void ReadBrandingIcon(const Context& context, const std::string& path, std::string& bytes) {
  std::string error;
  std::vector<IconImage> images;
  if (!ReadWholeFile(path, bytes, &error))
    context.Error("cannot read [Branding] Icon '" + path + "': " + error);
  else if (!ParseIcoFile(bytes, images, error))
    context.Error("[Branding] Icon '" + path + "' is not a usable icon file: " + error);
  else
    return;
  bytes.clear();
}

void ApplyBrandingKey(const Context& context, std::string_view key, const std::string& value) {
  BrandingSettings& branding = context.plan.branding;
  if (!branding.present) {
    branding.present = true;
    branding.origin = context.origin;
  }
  // Texts are UTF-8, and so is a command line but on Windows.
  const std::string text = context.fromCommandLine ? CommandLineTextToUtf8(value) : value;
  std::array<uint16_t, 4> numbers;
  if (Same(key, "Icon")) {
    branding.icon = value.empty() ? value : ResolvePath(context.base, value);
    branding.iconBytes.clear();
    if (!branding.icon.empty())
      ReadBrandingIcon(context, branding.icon, branding.iconBytes);
  } else if (Same(key, "ProductName")) {
    branding.productName = text;
  } else if (Same(key, "CompanyName")) {
    branding.companyName = text;
  } else if (Same(key, "FileDescription")) {
    branding.fileDescription = text;
  } else if (Same(key, "Copyright")) {
    branding.copyright = text;
  } else if (Same(key, "Version")) {
    if (ParseVersionNumbers(value, numbers))
      branding.version = value;
    else
      context.Error(
          "Version=" + value +
          " is not a version (1 to 4 numbers 0..65535 separated by dots, such as 2.1.0.7)");
  } else {
    context.Error("unknown setting '" + std::string(key) + "' in [Branding]");
  }
}

void ApplyLanguage(const Context& context, Language& language, std::string_view key,
                   const std::string& value) {
  const std::string name = Trim(key);
  // Texts are UTF-8, and so is a command line but on Windows.
  const std::string text = context.fromCommandLine ? CommandLineTextToUtf8(value) : value;
  language.stringOrigins.resize(language.strings.size(), language.origin);
  if (context.fromCommandLine) {
    for (size_t i = 0; i < language.strings.size(); ++i) {
      if (Same(language.strings[i].first, name)) {
        language.strings[i].second = text;
        language.stringOrigins[i] = context.origin;
        return;
      }
    }
  }
  language.strings.emplace_back(name, text);
  language.stringOrigins.push_back(context.origin);
}

// `language` is the language of a [Language.X] section (null elsewhere).
void Apply(const Context& context, Section section, Language* language, std::string_view key,
           const std::string* value) {
  if (section == Section::kFiles) {
    ApplyFile(context, key, value);
    return;
  }
  if (value == nullptr) {
    context.Error("expected key = value");
    return;
  }
  switch (section) {
    case Section::kSetup:
      ApplySetup(context, key, *value);
      break;
    case Section::kInternet:
      ApplyInternet(context, key, *value);
      break;
    case Section::kDownload:
      ApplyDownload(context, key, *value);
      break;
    case Section::kBranding:
      ApplyBrandingKey(context, key, *value);
      break;
    case Section::kLanguage:
      ApplyLanguage(context, *language, key, *value);
      break;
    case Section::kNone:
    case Section::kFiles:
      break;
  }
}

}  // namespace

bool ParseByteSize(std::string_view text, uint64_t& bytes) {
  const std::string trimmed = Trim(text);
  size_t digits = 0;
  while (digits < trimmed.size() && trimmed[digits] >= '0' && trimmed[digits] <= '9')
    ++digits;
  if (digits == 0 || digits > 19)
    return false;
  const uint64_t number = ParseUnsigned(trimmed.substr(0, digits), 10, UINT64_MAX);
  if (number == UINT64_MAX)
    return false;
  const std::string suffix = UpperCaseAscii(Trim(trimmed.substr(digits)));
  int shift = 0;
  if (suffix.empty() || suffix == "B")
    shift = 0;
  else if (suffix == "K" || suffix == "KB" || suffix == "KIB")
    shift = 10;
  else if (suffix == "M" || suffix == "MB" || suffix == "MIB")
    shift = 20;
  else if (suffix == "G" || suffix == "GB" || suffix == "GIB")
    shift = 30;
  else
    return false;
  if (number > (UINT64_MAX >> shift))
    return false;
  bytes = number << shift;
  return true;
}

bool ParseBool(std::string_view text, bool& value) {
  const std::string word = UpperCaseAscii(Trim(text));
  if (word == "1" || word == "YES" || word == "TRUE" || word == "ON") {
    value = true;
    return true;
  }
  if (word == "0" || word == "NO" || word == "FALSE" || word == "OFF") {
    value = false;
    return true;
  }
  return false;
}

void ReadProject(std::string_view text, const std::string& path, BuildPlan& plan,
                 Problems& problems) {
  Context context{plan, problems, Origin{path, 0}, FolderOf(path)};
  plan.project = path;
  // The project is UTF-8; an editor may start it with a byte-order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF")
    text.remove_prefix(3);
  Section section = Section::kNone;
  std::string languageName;
  LanguageIndex languages(plan);
  size_t language = 0;       // index of the current [Language.X] section's language
  bool skipSection = false;  // after an unknown section header
  std::unordered_set<std::string> seen;
  std::unordered_set<std::string> sections;
  int lineNumber = 0;
  size_t position = 0;
  while (position <= text.size()) {
    size_t end = text.find('\n', position);
    if (end == std::string_view::npos)
      end = text.size();
    const std::string line = Trim(text.substr(position, end - position));
    position = end + 1;
    ++lineNumber;
    context.origin.line = lineNumber;
    if (line.empty() || line[0] == ';' || line[0] == '#')
      continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        context.Error("a section header must end with ']'");
        skipSection = true;
        continue;
      }
      const std::string name = Trim(std::string_view(line).substr(1, line.size() - 2));
      skipSection = !SectionOf(name, section, languageName);
      if (skipSection) {
        context.Error("unknown section [" + name +
                      "] (use Setup, Files, Language.NAME, Internet, Download or Branding)");
        continue;
      }
      if (!sections.insert(UpperCaseAscii(name)).second) {
        context.Error("section [" + name + "] is given twice");
        skipSection = true;
        continue;
      }
      if (section == Section::kSetup)
        plan.setupOrigin = context.origin;
      else if (section == Section::kLanguage)
        language = languages.FindOrAdd(languageName, context.origin);
      else if (section == Section::kInternet)
        plan.internet = InternetSettings{true, {}, {}, {}, {}, false, {}, context.origin};
      else if (section == Section::kDownload)
        plan.download = DownloadSettings{true, {}, {}, false, {}, {}, {}, {}, context.origin};
      else if (section == Section::kBranding)
        plan.branding = BrandingSettings{true, {}, {}, {}, {}, {}, {}, {}, context.origin};
      continue;
    }
    if (skipSection)
      continue;
    if (section == Section::kNone) {
      context.Error("a setting before the first [section]");
      continue;
    }
    const size_t equals = line.find('=');
    const std::string key = equals == std::string::npos
                                ? Trim(CutComment(line))
                                : Trim(std::string_view(line).substr(0, equals));
    std::string value;
    if (equals != std::string::npos)
      value = ParseValue(std::string_view(line).substr(equals + 1));
    // ${NAME} of -D, in values and in the sources of [Files] lines.
    std::string expanded, expandError;
    if (!ExpandVariables(value, plan.defines, expanded, expandError)) {
      context.Error(expandError);
      continue;
    }
    value = std::move(expanded);
    std::string source = key;
    if (section == Section::kFiles && !ExpandVariables(key, plan.defines, source, expandError)) {
      context.Error(expandError);
      continue;
    }
    if (section != Section::kFiles && section != Section::kLanguage) {
      const std::string id = std::to_string(static_cast<int>(section)) + UpperCaseAscii(key);
      if (!seen.insert(id).second) {
        context.Error("'" + key + "' is given twice in this section");
        continue;
      }
    }
    Apply(context, section, section == Section::kLanguage ? &plan.languages[language] : nullptr,
          section == Section::kFiles ? source : key,
          equals != std::string::npos ? &value : nullptr);
  }
  if (plan.output.empty() && !path.empty()) {
    const std::string base = BaseNameOf(path);
    const size_t dot = base.rfind('.');
    plan.output = FolderOf(path) +
                  (dot == std::string::npos || dot == 0 ? base : base.substr(0, dot)) + ".exe";
    plan.outputOrigin = Origin{path, 0};
  }
}

void ApplySetting(std::string_view section, std::string_view key, const std::string* value,
                  BuildPlan& plan, Problems& problems) {
  Context context{plan, problems, Origin{}, std::string(), true};
  Section which;
  std::string languageName;
  if (!SectionOf(Trim(section), which, languageName)) {
    context.Error("unknown section '" + std::string(section) + "'");
    return;
  }
  Language* language = nullptr;
  if (which == Section::kLanguage)
    language = &plan.languages[LanguageIndex(plan).FindOrAdd(languageName, context.origin)];
  Apply(context, which, language, key, value);
}

void ExpandFileWildcards(BuildPlan& plan, Problems& problems, Problems& notes) {
  const OwnOutputs own(plan.output);
  std::vector<FileItem> expanded;
  for (FileItem& item : plan.files) {
    const std::string pattern = BaseNameOf(item.source);
    if (pattern.find_first_of("*?") == std::string::npos) {
      expanded.push_back(std::move(item));
      continue;
    }
    const std::string folder = FolderOf(item.source);
    std::vector<std::string> names;
    std::string error;
    if (!ListFolder(folder, names, &error)) {
      problems.push_back(
          {false, "cannot list folder '" + folder + "': " + error, item.origin.Text()});
      continue;
    }
    size_t matched = 0;
    std::vector<std::string> skipped;
    for (const std::string& name : names) {
      const std::string path = folder + name;
      if (!WildcardMatch(pattern, name) || StatFile(path).isDirectory)
        continue;
      if (own.Holds(folder, name)) {
        skipped.push_back(name);
        continue;
      }
      FileItem file = item;
      file.source = path;
      file.name = name;
      expanded.push_back(std::move(file));
      ++matched;
    }
    if (!skipped.empty()) {
      std::string list;
      constexpr size_t kShown = 3;
      for (size_t i = 0; i < skipped.size() && i < kShown; ++i)
        list += (i == 0 ? "'" : ", '") + skipped[i] + "'";
      if (skipped.size() > kShown)
        list += " and " + std::to_string(skipped.size() - kShown) + " more";
      notes.push_back({false,
                       "'" + item.source + "' leaves out " + list +
                           ": the output of this build, its volumes or temporary files",
                       item.origin.Text()});
    }
    if (matched == 0)
      problems.push_back({false, "no file matches '" + item.source + "'", item.origin.Text()});
  }
  plan.files = std::move(expanded);
}

}  // namespace orvane::stubpack
