// ReportFormat: an InspectReport as readable text or as one JSON document.
#pragma once

#include <string>

#include "Inspector.h"

namespace orvane::stubpack {

std::string FormatReportText(const InspectReport& report);

// Members: file, valid, fileSize, launcherImage, packageEndPointer,
// packageEnd, certificate, trailer {offset, format, headerBlockCount,
// storedHeaderBlockCount, packageStart, fileCount, magic, checksum,
// spaceTable, flags, flagNames, internetSetup, confirmDownload, agentCopy,
// agentFlag, trailerLength}, volumes, headerBlocks, languages, internet,
// download, entries [{name, size, dosdate, date, start, arguments,
// compressed, storedSize, volume, offset}], problems, notes.
std::string FormatReportJson(const InspectReport& report);

// The verdict on a volume's checksum: "ok", "not stored" (1234), "not
// checked" (file over 51200 bytes) or "bad".
const char* ChecksumVerdict(const VolumeInfo& volume);

}  // namespace orvane::stubpack
