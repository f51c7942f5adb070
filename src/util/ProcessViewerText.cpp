#include "util/ProcessViewerText.h"

#include <memory>

#include "util/PathText.h"
#include "util/UtilsText.h"
#include "util/ZSUB.h"

namespace orvane {

namespace {

// A decimal process id above 0 that fits 32 bits; 0 otherwise.
uint32_t ParseProcessId(std::string_view text) {
  text = TrimView(text);
  if (text.empty() || text.size() > 10)
    return 0;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(value);
}

}  // namespace

bool ProcessRunsFile(std::string_view exe, std::string_view exeShort, std::string_view file,
                     std::string_view fileShort, bool fullPathOnly, LeadBytePredicate isLeadByte) {
  if (Trim(file).empty())
    return false;
  const std::string exeName = FileNamePart(exe, isLeadByte);
  if (fullPathOnly && exeName == exe)
    return false;
  if (SameTextTrim(exe, file))
    return true;
  if (!fullPathOnly && SameTextTrim(exeName, file))
    return true;
  return !Trim(fileShort).empty() && SameTextTrim(exeShort, fileShort);
}

void TAnalizer::Clear(int32_t processId) {
  count_ = 0;
  processId_ = processId;
}

bool TAnalizer::Add(const ProcessWindowFacts& facts) {
  if (count() >= kMaxProcessWindows)
    return false;
  windows_[count_] = facts;
  scores_[count_] = 0;
  ++count_;
  return true;
}

void TAnalizer::Score() {
  const size_t n = count();
  for (size_t i = 0; i < n; ++i)
    scores_[i] = 0;
  for (size_t w = 0; w < n; ++w) {
    for (size_t i = 0; i < n; ++i) {
      if (windows_[i].window == windows_[w].topOwner)
        ++scores_[i];
    }
  }
  // At most 2001 * 4 + 3: fits 16 bits.
  for (size_t i = 0; i < n; ++i) {
    scores_[i] = static_cast<uint16_t>(scores_[i] * 4 + (windows_[i].titled ? 2 : 0) +
                                       (windows_[i].visible ? 1 : 0));
  }
}

int TAnalizer::MainIndex() const {
  int best = -1;
  uint16_t bestScore = 0;
  for (size_t i = 0; i < count(); ++i) {
    if (scores_[i] > bestScore) {
      best = static_cast<int>(i);
      bestScore = scores_[i];
    }
  }
  return best;
}

int MainWindowIndex(const ProcessWindowFacts* windows, size_t count) {
  const std::unique_ptr<TAnalizer> analizer(new TAnalizer);
  analizer->Clear(0);
  for (size_t i = 0; i < count && analizer->Add(windows[i]); ++i) {
  }
  analizer->Score();
  return analizer->MainIndex();
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  bool fieldStarted = false;  // the record has content (a field or a comma)
  auto endRecord = [&] {
    if (fieldStarted) {
      record.push_back(std::move(field));
      records.push_back(std::move(record));
    }
    record.clear();
    field.clear();
    fieldStarted = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
      fieldStarted = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      fieldStarted = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      endRecord();
    } else {
      field += c;
      fieldStarted = true;
    }
  }
  endRecord();
  return records;
}

std::vector<uint32_t> TasklistProcessIds(std::string_view csv, std::string_view name) {
  std::vector<uint32_t> ids;
  if (Trim(name).empty())
    return ids;
  for (const auto& record : ParseCsv(csv)) {
    if (record.size() < 2 || !SameTextTrim(record[0], name))
      continue;
    if (const uint32_t id = ParseProcessId(record[1]))
      ids.push_back(id);
  }
  return ids;
}

std::vector<uint32_t> ProcessIdsFromList(std::string_view list, std::string_view target,
                                         std::string_view targetShort,
                                         ShortFormFunction shortForm) {
  std::vector<uint32_t> ids;
  if (Trim(target).empty())
    return ids;
  const bool byShortForm = shortForm != nullptr && !Trim(targetShort).empty();
  const int count = SUB::Count(list);
  for (int i = 0; i < count; ++i) {
    const std::string entry = SUB::Get(list, i);
    const size_t equals = entry.rfind('=');
    if (equals == std::string::npos)
      continue;
    const uint32_t id = ParseProcessId(std::string_view(entry).substr(equals + 1));
    const std::string name = entry.substr(0, equals);
    if (id != 0 && (SameTextTrim(name, target) ||
                    (byShortForm && SameTextTrim(shortForm(Trim(name)), targetShort))))
      ids.push_back(id);
  }
  return ids;
}

}  // namespace orvane
