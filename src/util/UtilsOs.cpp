// UtilsOs: edition names and codes, and the version correction.
#include "util/UtilsOs.h"

#include <cstddef>
#include <tuple>

namespace orvane {
namespace {

struct EditionRow {
  const char* version;
  const char* name;
  uint32_t code;
};

// NT editions by version text.
constexpr EditionRow kNtEditions[] = {
    {"4.0", "NT", kOsNT},     {"5.0", "2000", kOs2000},   {"5.1", "XP", kOsXP},
    {"5.2", "2003", kOs2003}, {"6.0", "Vista", kOsVista}, {"6.1", "7", kOs7},
    {"6.2", "8", kOs8},       {"6.3", "8.1", kOs81},      {"10.0", "10", kOs10},
};

// Replaces the name on 64-bit Windows.
constexpr EditionRow kNt64Editions[] = {
    {"5.2", "XP.64", kOsXP64}, {"6.0", "Vista.64", kOsVista64}, {"6.1", "7.64", kOs7_64},
    {"6.2", "8.64", kOs8_64},  {"6.3", "8.1.64", kOs81_64},     {"10.0", "10.64", kOs10_64},
};

// Replaces the name on a 64-bit server.
constexpr EditionRow kNt64ServerEditions[] = {
    {"6.0", "2008.64", kOs2008_64},
    {"6.1", "2008R2.64", kOs2008R2_64},
    {"6.2", "2012.64", kOs2012_64},
    {"6.3", "2012R2.64", kOs2012R2_64},
};

// Replaces the name on a 32-bit server.
constexpr EditionRow kNt32ServerEditions[] = {
    {"6.0", "2008", kOs2008},
};

template <size_t N>
void ApplyRow(const EditionRow (&rows)[N], OsIdentity& id) {
  for (const EditionRow& row : rows) {
    if (id.version == row.version) {
      id.name = row.name;
      id.code = row.code;
      return;
    }
  }
}

std::string VersionText(uint32_t major, uint32_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// One field of a version text: digits only, blanks around it ignored.
bool ParseVersionField(std::string_view field, uint32_t& value) {
  while (!field.empty() && IsBlank(field.front()))
    field.remove_prefix(1);
  while (!field.empty() && IsBlank(field.back()))
    field.remove_suffix(1);
  if (field.empty() || field.size() > 9)
    return false;  // nine digits always fit
  uint32_t result = 0;
  for (char c : field) {
    if (c < '0' || c > '9')
      return false;
    result = result * 10 + static_cast<uint32_t>(c - '0');
  }
  value = result;
  return true;
}

bool ParseVersionTriple(std::string_view text, OsVersionNumbers& out) {
  uint32_t fields[3] = {};
  for (int i = 0; i < 3; ++i) {
    const size_t end = text.find_first_of(".,");
    if (end == std::string_view::npos && i < 2)
      return false;
    if (!ParseVersionField(text.substr(0, end), fields[i]))
      return false;
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  out.major = fields[0];
  out.minor = fields[1];
  out.build = fields[2];
  return true;
}

bool VersionLess(const OsVersionNumbers& a, const OsVersionNumbers& b) {
  return std::tie(a.major, a.minor, a.build) < std::tie(b.major, b.minor, b.build);
}

bool AtLeast62(const OsVersionNumbers& v) {
  return v.major > 6 || (v.major == 6 && v.minor >= 2);
}

}  // namespace

OsIdentity IdentifyOs(const OsFacts& facts) {
  OsIdentity id;
  const OsVersionNumbers& v = facts.version;
  id.version = VersionText(v.major, v.minor);

  switch (facts.platformId) {
    case kPlatformWin32s:
      id.name = "32S";
      id.code = kOsWin32s;
      break;
    case kPlatformWindows9x:
      if (id.version == "4.10" && (v.build & 0xFFFFu) == 3000)
        id.version = "4.90";
      if (id.version == "4.0") {
        id.name = "95";
        id.code = kOs95;
      } else if (id.version == "4.10") {
        id.name = "98";
        id.code = kOs98;
      } else if (id.version == "4.90") {
        id.name = "ME";
        id.code = kOsMe;
      } else {
        id.name = "9x";
        id.code = kOs95;
      }
      break;
    case kPlatformNT:
      id.name = "NTx";
      id.code = kOsNT;
      ApplyRow(kNtEditions, id);
      if (facts.is64BitWindows)
        ApplyRow(kNt64Editions, id);
      if (facts.isServer) {
        if (facts.is64BitWindows) {
          ApplyRow(kNt64ServerEditions, id);
        } else {
          ApplyRow(kNt32ServerEditions, id);
        }
      }
      break;
    default:
      break;
  }
  return id;
}

bool OsVersionMayBeUnderReported(const OsVersionNumbers& reported) {
  return AtLeast62(reported);
}

OsVersionNumbers CorrectOsVersion(const OsVersionNumbers& reported,
                                  std::string_view kernel32ProductVersion) {
  if (!OsVersionMayBeUnderReported(reported))
    return reported;
  OsVersionNumbers fromKernel32;
  if (!ParseVersionTriple(kernel32ProductVersion, fromKernel32))
    return reported;
  if (VersionLess(fromKernel32, reported))
    return reported;
  return fromKernel32;
}

bool IsWindows8OrLater(uint32_t platformId, const OsVersionNumbers& version) {
  return platformId == kPlatformNT && AtLeast62(version);
}

}  // namespace orvane
