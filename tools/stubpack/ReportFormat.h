// ReportFormat: an InspectReport as readable text or as one JSON document.
#pragma once

#include <string>

#include "Inspector.h"

namespace orvane::stubpack {

std::string FormatReportText(const InspectReport& report);

// The version of the JSON document, its first member `formatVersion`. It
// grows when a member changes its name, type or meaning or goes away; members
// added later leave it as it is. tools/stubpack/inspect.schema.json describes
// every member.
constexpr int kInspectJsonFormatVersion = 1;

// One JSON document: the file (file, package, valid, fileSize, launcherImage,
// packageEndPointer, packageEnd, certificate), the package (trailer, volumes,
// headerBlocks, languages, internet, download, entries; null or empty when
// the file holds none), problems and notes. Values the file does not have
// are null, numbers are numbers and flags are booleans.
std::string FormatReportJson(const InspectReport& report);

// The verdict on a volume's checksum: "ok", "not stored" (1234), "not
// checked" (file over 51200 bytes) or "bad".
const char* ChecksumVerdict(const VolumeInfo& volume);

}  // namespace orvane::stubpack
