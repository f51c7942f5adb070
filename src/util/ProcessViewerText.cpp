#include "util/ProcessViewerText.h"

#include "util/PathText.h"
#include "util/UtilsText.h"

namespace orvane {

bool ProcessRunsFile(std::string_view exe, std::string_view exeShort, std::string_view file,
                     std::string_view fileShort, bool fullPathOnly, LeadBytePredicate isLeadByte) {
  if (Trim(file).empty())
    return false;
  if (SameTextTrim(exe, file))
    return true;
  if (!fullPathOnly && SameTextTrim(FileNamePart(exe, isLeadByte), file))
    return true;
  return !Trim(fileShort).empty() && SameTextTrim(exeShort, fileShort);
}

int MainWindowIndex(const ProcessWindowFacts* windows, size_t count) {
  if (count > kMaxProcessWindows)
    count = kMaxProcessWindows;
  int best = -1;
  size_t bestScore = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t owned = 0;
    for (size_t w = 0; w < count; ++w)
      owned += windows[w].topOwner == windows[i].window ? 1 : 0;
    const size_t score = owned * 4 + (windows[i].titled ? 2 : 0) + (windows[i].visible ? 1 : 0);
    if (score > bestScore) {
      best = static_cast<int>(i);
      bestScore = score;
    }
  }
  return best;
}

}  // namespace orvane
