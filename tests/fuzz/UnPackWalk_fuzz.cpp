// Fuzz target of the extraction walk: any bytes as a package whose first
// volume is an installer named setup.exe.001 (so the agent copy is written)
// and whose later volumes are copies of the same bytes (so the volume walk,
// the block counting across volumes and the prompts run too). The walk must
// not crash, hang or read outside the volume, must write nothing but plain
// files straight in the target folder and start nothing but one of them,
// and must keep its boxes short, whatever the entries say.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "native/package/FakeExtractionSystem.h"
#include "package/UnPackWalk.h"
#include "util/UtilsText.h"

namespace {

using namespace orvane;

const std::string kTarget = "C:\\T\\SETUP_1";

void CheckWrittenBelowTarget(const testpack::FakeExtractionSystem& system) {
  for (const std::string& path : system.opened) {
    if (path.compare(0, kTarget.size() + 1, kTarget + "\\") != 0 ||
        !pack::EntryNameFault(path.substr(kTarget.size() + 1)).empty())
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  // The first byte picks the answers to volume prompts and whether every
  // volume is asked for; the rest is the volume.
  const uint8_t options = data[0];
  const std::string volume(reinterpret_cast<const char*>(data + 1), size - 1);
  testpack::FakeExtractionSystem system;
  system.files["C:\\D\\setup.exe.001"] = volume;
  for (int number = 2; number <= (options & 3); ++number)
    system.files["C:\\D\\setup.exe.00" + std::to_string(number)] = volume;
  // OK a few times, then Cancel: a volume that never comes must not loop forever.
  system.answers = {(options & 4) != 0, (options & 8) != 0};
  ExtractionRequest request;
  request.packageFile = "C:\\D\\setup.exe.001";
  request.targetDir = kTarget;
  request.agentName = "agent.exe";
  request.alwaysAskForVolume = (options & 16) != 0;
  request.diskPrompt = "<DISK_NUM>";
  request.progress = system.ProgressCallback();
  const ExtractionOutcome outcome = RunExtraction(system, request);
  CheckWrittenBelowTarget(system);
  if (!outcome.damage.empty() && !outcome.startEntry.empty())
    std::abort();
  // The program to start is a plain file name of the package.
  const std::string program = Trim(outcome.startEntry.substr(0, outcome.startEntry.find('*')));
  if (!outcome.startEntry.empty() && !pack::EntryNameFault(program).empty())
    std::abort();
  // Whatever the names, a box shows a short text.
  for (const std::string& error : system.errors) {
    if (error.size() > 2048)
      std::abort();
  }
  return 0;
}
