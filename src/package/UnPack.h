// UnPack: the extraction engine of the launcher.
//
// ExtractPackage writes the files of a package (the launcher's own, a
// ".001" volume set, or a downloaded update) into a folder, volume after
// volume, asking for a volume that is not there; it checks every volume's
// checksum, reports progress, shows the first write failure of the process,
// finds the entry to start and can write an auto-update agent copy. The walk
// itself is portable (UnPackWalk.h); this unit plugs in Win32, the message
// boxes and the console trace. Everything runs on the calling thread, which
// keeps serving window messages.
#pragma once

#include <string>

#include "util/FilesText.h"

namespace orvane {

// Extracts `packageFile` into `targetDir` (created when missing).
// `agentName`: the file name of the agent copy, empty for none.
// `startEntry` receives "name*arguments" of the entry to start, empty when
// there is none or nothing may be started (the user cancelled a volume
// prompt, the package is damaged). `alwaysAskForVolume` asks for every
// further volume. `charset`, `buttons`, `caption` and `diskPrompt` make the
// volume prompt. `checksumOk` is false when a volume failed its checksum or
// the first volume is missing. A damaged package (an entry name leaving the
// target folder, a block beyond the end of its volume, corrupt compressed
// data) is reported to the user here, once, and leaves `startEntry` empty.
void ExtractPackage(const std::string& packageFile, const std::string& targetDir,
                    const std::string& agentName, std::string& startEntry, bool alwaysAskForVolume,
                    int charset, const std::string& buttons, const std::string& caption,
                    const std::string& diskPrompt, const ExtractionProgress& progress,
                    bool& checksumOk);

}  // namespace orvane
