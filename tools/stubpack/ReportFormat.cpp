// ReportFormat: text and JSON renderings of an inspection.
#include "ReportFormat.h"

#include <cstdio>

#include "Json.h"
#include "SpaceTable.h"

namespace orvane::stubpack {
namespace {

struct FlagBit {
  uint8_t mask;
  const char* name;
};
constexpr FlagBit kFlagBits[] = {
    {pack::kFlagShowTempNotice, "ShowTempNotice"},
    {pack::kFlagMoreVolumes, "MoreVolumes"},
    {pack::kFlagRelaunch, "RelaunchFromTemp"},
    {pack::kFlagActivityBar, "ActivityBar"},
    {pack::kFlagAgentLog, "AgentLog"},
};

std::string Hex(uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string FlagNames(uint8_t flags) {
  std::string names;
  uint8_t known = 0;
  for (const FlagBit& bit : kFlagBits) {
    known |= bit.mask;
    if (flags & bit.mask)
      names += (names.empty() ? "" : " ") + std::string(bit.name);
  }
  if (flags & ~known)
    names += (names.empty() ? "" : " ") + ("unknown " + Hex(flags & ~known, 2));
  return names.empty() ? "none" : names;
}

std::string UnitName(size_t index) {
  const uint64_t unit = SpaceTableUnit(index);
  if (unit == 0)
    return "any";
  return unit < 1024 ? std::to_string(unit) : std::to_string(unit / 1024) + "K";
}

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

std::string Line(const char* label, const std::string& value) {
  char head[40];
  std::snprintf(head, sizeof head, "  %-22s", label);
  return head + value + "\n";
}

std::string ProblemText(const Problem& problem) {
  return std::string(problem.warning ? "warning: " : "error: ") + problem.what +
         (problem.where.empty() ? "" : " (" + problem.where + ")");
}

std::string VersionText(const std::array<uint16_t, 4>& numbers) {
  return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
         std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
}

std::string ResourcesText(const ResourceSummary& resources) {
  std::string out = "\nLauncher resources\n";
  std::string icons;
  for (const std::string& size : resources.iconSizes)
    icons += (icons.empty() ? "" : ", ") + size;
  out += Line("icon", icons.empty() ? "none" : icons);
  out += Line("version", resources.hasVersion ? VersionText(resources.fileVersion) : "none");
  for (const auto& [key, value] : resources.strings)
    out += Line(Utf16ToUtf8(key).c_str(), Utf16ToUtf8(value));
  return out;
}

}  // namespace

const char* ChecksumVerdict(const VolumeInfo& volume) {
  if (volume.trailer.checksum == pack::kNoChecksum)
    return "not stored";
  if (volume.computedChecksum == pack::kNoChecksum)
    return "not checked";
  return volume.checksumAccepted ? "ok" : "bad";
}

std::string FormatReportText(const InspectReport& report) {
  std::string out;
  const VolumeInfo* first = report.First();
  const bool isPackage = first != nullptr && first->trailer.IsPackage();
  out += report.path + ": " +
         (!isPackage         ? "no package"
          : report.Damaged() ? "Orvane package (damaged)"
                             : "Orvane package (valid)") +
         "\n";
  if (first != nullptr) {
    out += Line("file size", std::to_string(first->fileSize));
    out += Line("launcher image", YesNo(first->launcherImage));
    if (first->launcherImage)
      out += Line("package-end pointer",
                  first->endPointer == 0 ? "none" : std::to_string(first->endPointer));
    if (first->fileSize > first->packageEnd)
      out +=
          Line("after the package", std::to_string(first->fileSize - first->packageEnd) + " bytes");
    if (first->certificateSize != 0)
      out +=
          Line("certificate table", "offset " + std::to_string(first->certificateOffset) + ", " +
                                        std::to_string(first->certificateSize) + " bytes (signed)");
  }
  if (report.hasResources)
    out += ResourcesText(report.resources);
  if (isPackage) {
    const pack::Trailer& t = first->trailer;
    out += "\nTrailer (offset " + std::to_string(first->trailerOffset) + ", " +
           std::to_string(first->storedTrailerLength) + " bytes)\n";
    out += Line("format", std::to_string(t.format));
    out += Line("header blocks", std::to_string(t.headerBlockCount) +
                                     (first->storedHeaderBlockCount == 0 ? " (stored as 0)" : ""));
    out += Line("package start", std::to_string(t.packageStart));
    out += Line("file count", std::to_string(t.fileCount));
    out += Line("checksum", std::to_string(t.checksum) + " (" + ChecksumVerdict(*first) + ")");
    out += Line("flags", Hex(t.flags, 2) + " " + FlagNames(t.flags));
    out += Line("internet setup", YesNo(t.internetSetup != 0));
    out += Line("confirm download", YesNo(t.confirmDownload != 0));
    out += Line("agent copy", YesNo(t.agentCopy != 0));
    out += Line("agent flag", YesNo(t.agentFlag != 0));
    std::string table;
    for (size_t i = 0; i < t.spaceTable.size(); ++i)
      table += (i == 0 ? "" : "  ") + UnitName(i) + ": " + std::to_string(t.spaceTable[i]);
    out += Line("space table", table);

    out += "\nVolumes\n";
    for (const VolumeInfo& volume : report.volumes) {
      char line[64];
      std::snprintf(line, sizeof line, "  %-3d", volume.number);
      out += line + volume.path + "  " + std::to_string(volume.fileSize) + " bytes, " +
             std::to_string(volume.entryCount) + " entries, checksum " +
             std::to_string(volume.trailer.checksum) + " " + ChecksumVerdict(volume) +
             (volume.trailer.HasFlag(pack::kFlagMoreVolumes) ? ", more follow" : "") + "\n";
    }

    out += "\nHeader blocks\n";
    for (size_t i = 0; i < report.headerBlocks.size(); ++i) {
      static const char* const kNames[] = {"language", "internet", "download"};
      out += Line(i < 3 ? kNames[i] : "extra",
                  "offset " + std::to_string(report.headerBlocks[i].offset) + ", " +
                      std::to_string(report.headerBlocks[i].length) + " bytes");
    }
    out +=
        "\nLanguages" + std::string(report.languages.empty() ? ": none (built-in texts)\n" : "\n");
    for (const LanguageInfo& language : report.languages) {
      out += "  " + language.name + "\n";
      for (const auto& [key, value] : language.strings)
        out += "    " + key + "=" + value + "\n";
    }
    out +=
        "\nInternet" +
        std::string(report.internetPlaceholder ? ": placeholder (no internet settings)\n" : "\n");
    if (!report.internetPlaceholder) {
      out += Line("info URL", report.infoUrl);
      out += Line("info file", report.infoFile);
      out += Line("agent file", report.agentFile);
      out += Line("run hidden", YesNo(report.runHidden));
      out += Line("update key", report.updateKeyFingerprint.empty()
                                    ? "none (update information is not verified)"
                                    : "SHA-256 " + report.updateKeyFingerprint);
    }
    out += Line("product token", report.productTokenValid ? "valid" : "invalid");
    out += "\nDownload" + std::string(report.hasDownload ? "\n" : ": none\n");
    if (report.hasDownload) {
      out += Line("location", report.downloadLocation);
      out += Line("file name", report.downloadFileName);
      out += Line("skip local copy", YesNo(report.skipLocalCopy));
      out += Line("size", report.downloadSize);
      out += Line("download token", report.downloadTokenValid ? "valid" : "invalid");
      out += Line("SHA-256", report.downloadSha256.empty() ? "none" : report.downloadSha256);
    }

    out += "\nEntries (" + std::to_string(report.entries.size()) + ")\n";
    out += "  vol  offset      stored       size         date                 name\n";
    for (const EntryInfo& entry : report.entries) {
      char line[160];
      std::snprintf(
          line, sizeof line, "  %-4d %-11llu %-12s %-12llu %-20s ", entry.volume,
          static_cast<unsigned long long>(entry.offset),
          ((entry.storedLength > 0 ? "z " : "= ") + std::to_string(entry.payloadSize)).c_str(),
          static_cast<unsigned long long>(entry.dataSize),
          DosDateTimeText(entry.parsed.dosDateTime).c_str());
      out += line;
      out += entry.header.empty() ? std::string("(no file)") : entry.parsed.name;
      if (entry.parsed.isStart)
        out += "  [start" +
               (entry.parsed.startArguments.empty() ? std::string()
                                                    : ": " + entry.parsed.startArguments) +
               "]";
      out += "\n";
    }
    out += "  (z: compressed with zlib, =: stored; stored sizes without the 4-byte length)\n";
  }
  if (!report.notes.empty() || !report.problems.empty())
    out += "\n";
  for (const std::string& note : report.notes)
    out += "note: " + note + "\n";
  for (const Problem& problem : report.problems)
    out += ProblemText(problem) + "\n";
  return out;
}

namespace {

void StringOrNull(JsonWriter& json, std::string_view name, bool present, const std::string& text) {
  json.Key(name);
  if (present)
    json.String(text);
  else
    json.Null();
}

void UnsignedOrNull(JsonWriter& json, std::string_view name, bool present, uint64_t value) {
  json.Key(name);
  if (present)
    json.Unsigned(value);
  else
    json.Null();
}

// The download block's size field as a number, read as the launcher reads it
// for the download question (up to 19 decimal digits); false for anything
// else, which the launcher shows as 0 MB.
bool DecimalBytes(const std::string& text, uint64_t& bytes) {
  if (text.empty() || text.size() > 19)
    return false;
  bytes = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    bytes = bytes * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

void TrailerJson(JsonWriter& json, const VolumeInfo& first) {
  const pack::Trailer& t = first.trailer;
  json.BeginObject();
  json.MemberUnsigned("offset", first.trailerOffset);
  json.MemberUnsigned("format", t.format);
  json.MemberUnsigned("headerBlockCount", t.headerBlockCount);
  json.MemberUnsigned("storedHeaderBlockCount", first.storedHeaderBlockCount);
  json.MemberUnsigned("packageStart", t.packageStart);
  json.MemberUnsigned("fileCount", t.fileCount);
  json.MemberUnsigned("magic", t.magic);
  json.MemberUnsigned("checksum", t.checksum);
  json.Key("spaceTable");
  json.BeginArray();
  for (uint32_t value : t.spaceTable)
    json.Unsigned(value);
  json.EndArray();
  json.MemberUnsigned("flags", t.flags);
  json.Key("flagNames");
  json.BeginArray();
  for (const FlagBit& bit : kFlagBits) {
    if (t.flags & bit.mask)
      json.String(bit.name);
  }
  json.EndArray();
  json.Member("internetSetup", t.internetSetup != 0);
  json.Member("confirmDownload", t.confirmDownload != 0);
  json.Member("agentCopy", t.agentCopy != 0);
  json.Member("agentFlag", t.agentFlag != 0);
  json.MemberUnsigned("trailerLength", t.trailerLength);
  json.EndObject();
}

void VolumeJson(JsonWriter& json, const VolumeInfo& volume) {
  json.BeginObject();
  json.MemberNumber("number", volume.number);
  json.Member("path", volume.path);
  json.MemberUnsigned("size", volume.fileSize);
  json.MemberUnsigned("packageStart", volume.trailer.packageStart);
  json.MemberUnsigned("packageEnd", volume.packageEnd);
  json.MemberUnsigned("trailerOffset", volume.trailerOffset);
  json.Member("moreVolumes", volume.trailer.HasFlag(pack::kFlagMoreVolumes));
  json.MemberNumber("entryCount", volume.entryCount);
  json.Key("checksum");
  json.BeginObject();
  json.MemberUnsigned("stored", volume.trailer.checksum);
  UnsignedOrNull(json, "computed", volume.computedChecksum != pack::kNoChecksum,
                 volume.computedChecksum);
  json.Member("verdict", ChecksumVerdict(volume));
  json.EndObject();
  json.EndObject();
}

void InternetJson(JsonWriter& json, const InspectReport& report) {
  const bool set = !report.internetPlaceholder;
  json.BeginObject();
  json.Member("placeholder", report.internetPlaceholder);
  StringOrNull(json, "infoUrl", set, report.infoUrl);
  StringOrNull(json, "infoFile", set, report.infoFile);
  StringOrNull(json, "agentFile", set, report.agentFile);
  json.Member("productTokenValid", report.productTokenValid);
  json.Member("runHidden", report.runHidden);
  StringOrNull(json, "updateKey", !report.updateKeyFingerprint.empty(),
               report.updateKeyFingerprint);
  json.EndObject();
}

void DownloadJson(JsonWriter& json, const InspectReport& report) {
  json.BeginObject();
  json.Member("location", report.downloadLocation);
  json.Member("fileName", report.downloadFileName);
  json.Member("skipLocalCopy", report.skipLocalCopy);
  json.Member("tokenValid", report.downloadTokenValid);
  uint64_t size = 0;
  const bool sized = DecimalBytes(report.downloadSize, size);
  UnsignedOrNull(json, "size", sized, size);
  StringOrNull(json, "sha256", !report.downloadSha256.empty(), report.downloadSha256);
  json.EndObject();
}

void EntryJson(JsonWriter& json, const EntryInfo& entry) {
  const bool writes = !entry.header.empty();
  json.BeginObject();
  StringOrNull(json, "name", writes, entry.parsed.name);
  json.MemberUnsigned("size", entry.dataSize);
  UnsignedOrNull(json, "dosdate", writes, entry.parsed.dosDateTime);
  StringOrNull(json, "date", writes, DosDateTimeText(entry.parsed.dosDateTime));
  json.Member("start", entry.parsed.isStart);
  StringOrNull(json, "arguments", entry.parsed.isStart, entry.parsed.startArguments);
  json.Member("compressed", entry.storedLength > 0);
  json.MemberUnsigned("storedSize", entry.payloadSize);
  json.MemberNumber("volume", entry.volume);
  json.MemberUnsigned("offset", entry.offset);
  json.Member("writesFile", writes);
  json.EndObject();
}

void ResourcesJson(JsonWriter& json, const ResourceSummary& resources) {
  json.BeginObject();
  json.Key("icons");
  json.BeginArray();
  for (const std::string& size : resources.iconSizes)
    json.String(size);
  json.EndArray();
  StringOrNull(json, "fileVersion", resources.hasVersion, VersionText(resources.fileVersion));
  json.Key("versionStrings");
  json.BeginArray();
  for (const auto& [key, value] : resources.strings) {
    json.BeginObject();
    json.Key("key");
    json.StringUtf16(key);
    json.Key("value");
    json.StringUtf16(value);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace

std::string FormatReportJson(const InspectReport& report) {
  static const char* const kBlockKinds[] = {"language", "internet", "download"};
  JsonWriter json;
  json.BeginObject();
  json.MemberNumber("formatVersion", kInspectJsonFormatVersion);
  json.Member("file", report.path);
  const VolumeInfo* first = report.First();
  const bool isPackage = first != nullptr && first->trailer.IsPackage();
  json.Member("package", isPackage);
  json.Member("valid", isPackage && !report.Damaged());
  // Members of the file itself: null when it could not be opened.
  const bool opened = first != nullptr;
  UnsignedOrNull(json, "fileSize", opened, opened ? first->fileSize : 0);
  json.Key("launcherImage");
  if (opened)
    json.Bool(first->launcherImage);
  else
    json.Null();
  UnsignedOrNull(json, "packageEndPointer", opened && first->endPointer != 0,
                 opened ? first->endPointer : 0);
  UnsignedOrNull(json, "packageEnd", opened, opened ? first->packageEnd : 0);
  json.Key("certificate");
  if (!opened || first->certificateSize == 0) {
    json.Null();
  } else {
    json.BeginObject();
    json.MemberUnsigned("offset", first->certificateOffset);
    json.MemberUnsigned("size", first->certificateSize);
    json.EndObject();
  }
  json.Key("resources");
  if (report.hasResources)
    ResourcesJson(json, report.resources);
  else
    json.Null();

  // Members of the package: null or empty when the file holds none.
  json.Key("trailer");
  if (isPackage)
    TrailerJson(json, *first);
  else
    json.Null();
  json.Key("volumes");
  json.BeginArray();
  if (isPackage) {
    for (const VolumeInfo& volume : report.volumes)
      VolumeJson(json, volume);
  }
  json.EndArray();

  json.Key("headerBlocks");
  json.BeginArray();
  for (size_t i = 0; isPackage && i < report.headerBlocks.size(); ++i) {
    json.BeginObject();
    json.Member("kind", i < 3 ? kBlockKinds[i] : "extra");
    json.MemberUnsigned("offset", report.headerBlocks[i].offset);
    json.MemberUnsigned("length", report.headerBlocks[i].length);
    json.EndObject();
  }
  json.EndArray();

  json.Key("languages");
  json.BeginArray();
  for (size_t i = 0; isPackage && i < report.languages.size(); ++i) {
    const LanguageInfo& language = report.languages[i];
    json.BeginObject();
    json.Member("name", language.name);
    json.Key("strings");
    json.BeginArray();
    for (const auto& [key, value] : language.strings) {
      json.BeginObject();
      json.Member("key", key);
      json.Member("value", value);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();

  json.Key("internet");
  if (isPackage)
    InternetJson(json, report);
  else
    json.Null();
  json.Key("download");
  if (isPackage && report.hasDownload)
    DownloadJson(json, report);
  else
    json.Null();

  json.Key("entries");
  json.BeginArray();
  for (size_t i = 0; isPackage && i < report.entries.size(); ++i)
    EntryJson(json, report.entries[i]);
  json.EndArray();

  json.Key("problems");
  json.BeginArray();
  for (const Problem& problem : report.problems) {
    json.BeginObject();
    json.Member("severity", problem.warning ? "warning" : "error");
    json.Member("message", problem.what);
    StringOrNull(json, "where", !problem.where.empty(), problem.where);
    json.EndObject();
  }
  json.EndArray();
  json.Key("notes");
  json.BeginArray();
  for (const std::string& note : report.notes)
    json.String(note);
  json.EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace orvane::stubpack
