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

#include "package/UnPackWalk.h"
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
// `alwaysAskForVolume` asks for every further volume. `boxes` shows the
// errors and the volume prompt, whose text is made from `diskPrompt`.
// `progress`, when not null, follows the walk. The outcome holds the entry
// to start ("name*arguments"), which is empty unless every volume passed
// its checksum and every file was written; a package that cannot be read
// or is damaged, and the first write failure, are reported to the user
// here, once.
ExtractionOutcome ExtractPackage(const std::string& packageFile, const std::string& targetDir,
                                 const std::string& agentName, bool alwaysAskForVolume,
                                 ExtractionBoxes& boxes, const std::string& diskPrompt,
                                 ExtractionProgress* progress);

}  // namespace orvane
