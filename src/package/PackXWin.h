// PackXWin: the Windows side of TGFileInfo (PackX.h): reading a package from
// a file and the space it needs on a drive, from the drive's allocation unit.
#pragma once

#include <memory>
#include <string_view>

#include "package/PackFormat.h"
#include "package/PackX.h"

namespace orvane {

// A read-only ByteSource over a file (64-bit positions; other processes may
// read and write the file meanwhile). Null when the file cannot be opened.
// The file stays open as long as the source lives.
std::unique_ptr<pack::ByteSource> OpenFileSource(std::string_view fileName);

// Reads the package of the file `fileName` (opened for reading, others may
// read and write it meanwhile) and closes it again. A missing or unreadable
// file gives the empty object.
TGFileInfo ReadPackageInfo(std::string_view fileName);

// Bytes needed to extract `package` on the drive of `path` (the first three
// characters name its root, "C:\"): the space-table entry for the drive's
// allocation unit; entry 0 when the unit cannot be queried.
double SpaceRequiredOnDrive(const TGFileInfo& package, std::string_view path);

}  // namespace orvane
