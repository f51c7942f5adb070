// UnPack: the extraction engine of the launcher.
//
// ExtractPackage writes the files of a package (the launcher's own, a
// ".001" volume set, or a downloaded update) into a folder, volume after
// volume, asking for a volume that is not there; it checks every volume's
// checksum, reports progress, shows the first write failure of the process,
// finds the entry to start and can write an auto-update agent copy. The walk
// itself is portable (UnPackWalk.h); this unit plugs in Win32 and the console
// trace, and the caller brings the message boxes. Everything runs on the
// calling thread, which keeps serving window messages.
#pragma once

#include <string>

#include "util/FilesText.h"

namespace orvane {

// The two boxes the extraction shows, in the caller's language and look.
class ExtractionBoxes {
 public:
  // An error: a damaged package, the first write failure.
  virtual void ShowError(const std::string& text) = 0;
  // The prompt for a volume that is not there; true to look again, false to
  // cancel.
  virtual bool AskForVolume(const std::string& text) = 0;

 protected:
  ~ExtractionBoxes() = default;
};

// Extracts `packageFile` into `targetDir` (created when missing).
// `agentName`: the file name of the agent copy, empty for none.
// `startEntry` receives "name*arguments" of the entry to start, empty when
// there is none or nothing may be started (the user cancelled a volume
// prompt, the package is damaged). `alwaysAskForVolume` asks for every
// further volume. `boxes` shows the errors and the volume prompt, whose text
// is made from `diskPrompt`. `progress`, when not null, follows the walk.
// `checksumOk` is false when a volume failed its checksum or the first
// volume is missing. A damaged package (an entry name leaving the
// target folder, a block beyond the end of its volume, corrupt compressed
// data) is reported to the user here, once, and leaves `startEntry` empty.
void ExtractPackage(const std::string& packageFile, const std::string& targetDir,
                    const std::string& agentName, std::string& startEntry, bool alwaysAskForVolume,
                    ExtractionBoxes& boxes, const std::string& diskPrompt,
                    ExtractionProgress* progress, bool& checksumOk);

}  // namespace orvane
