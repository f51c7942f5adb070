// ZSUB: operations on the delimited sub-field list (see ZSUB.h).
#include "util/ZSUB.h"

#include "util/NumberText.h"
#include "util/UtilsText.h"

#include <algorithm>
#include <array>
#include <climits>

namespace orvane {

namespace {

using Views = std::vector<std::string_view>;
constexpr auto npos = std::string_view::npos;

bool IsBlank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u != 0 && u <= 32;
}

std::string_view TrimField(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

char Fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWith(std::string_view s, std::string_view prefix, bool ignoreCase) {
  if (s.size() < prefix.size())
    return false;
  if (!ignoreCase)
    return s.compare(0, prefix.size(), prefix) == 0;
  return std::equal(prefix.begin(), prefix.end(), s.begin(),
                    [](char a, char b) { return Fold(a) == Fold(b); });
}

bool Equal(std::string_view a, std::string_view b, bool ignoreCase) {
  return a.size() == b.size() && StartsWith(a, b, ignoreCase);
}

// The string of the single character 0 counts as an empty list too.
bool IsEmptyList(std::string_view list) {
  return list.empty() || (list.size() == 1 && list[0] == '\0');
}

// Walks the fields that a delimiter closes, without copying.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view list)
      : rest_(list.empty() ? list : list.substr(1)), d_(list.empty() ? '\0' : list[0]) {}
  bool Next(std::string_view& field) {
    const size_t end = rest_.find(d_);
    if (end == npos)
      return false;
    field = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    return true;
  }

 private:
  std::string_view rest_;
  char d_;
};

Views Fields(std::string_view list) {
  Views fields;
  std::string_view field;
  for (FieldCursor cursor(list); cursor.Next(field);)
    fields.push_back(field);
  return fields;
}

Views ViewsOf(const std::vector<std::string>& items) {
  return Views(items.begin(), items.end());
}

bool AnyContains(const Views& fields, char c) {
  return std::any_of(fields.begin(), fields.end(),
                     [c](std::string_view f) { return f.find(c) != npos; });
}

// First candidate that no field contains. When all ten occur, character 0;
// should that occur as well, the first other character that does not, so the
// fields survive whenever that is possible at all.
char PickDelimiter(const Views& fields) {
  std::array<bool, 256> seen{};
  for (std::string_view f : fields) {
    for (char c : f)
      seen[static_cast<unsigned char>(c)] = true;
  }
  for (char c : SUB::kDelimiters) {
    if (!seen[static_cast<unsigned char>(c)])
      return c;
  }
  for (size_t c = 0; c < seen.size(); ++c) {
    if (!seen[c])
      return static_cast<char>(static_cast<unsigned char>(c));
  }
  return '\0';
}

// d, f0, d, f1, d ... fn, d; the empty string when there are no fields.
std::string Build(char d, const Views& fields) {
  if (fields.empty())
    return {};
  size_t total = fields.size() + 1;
  for (std::string_view f : fields)
    total += f.size();
  std::string out;
  out.reserve(total);
  out += d;
  for (std::string_view f : fields) {
    out.append(f);
    out += d;
  }
  return out;
}

std::string BuildNormalized(const Views& fields) {
  return Build(PickDelimiter(fields), fields);
}

// Keeps the delimiter d unless a field contains it.
std::string BuildKeeping(char d, const Views& fields) {
  return Build(AnyContains(fields, d) ? PickDelimiter(fields) : d, fields);
}

// The first of each group of fields that are equal once trimmed and folded,
// in their order. The keys are sorted with their positions, so that a long
// list costs n log n, not n squared, and no hash table comes into the program.
Views UniqueFields(const Views& fields) {
  struct Keyed {
    std::string key;
    size_t index;
  };
  std::vector<Keyed> keyed;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].empty())
      continue;
    std::string key(TrimField(fields[i]));
    std::transform(key.begin(), key.end(), key.begin(), Fold);
    keyed.push_back({std::move(key), i});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    const int order = a.key.compare(b.key);
    return order != 0 ? order < 0 : a.index < b.index;
  });
  std::vector<bool> first(fields.size(), false);
  for (size_t k = 0; k < keyed.size(); ++k) {
    if (k == 0 || keyed[k].key != keyed[k - 1].key)
      first[keyed[k].index] = true;
  }
  Views kept;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (first[i])
      kept.push_back(fields[i]);
  }
  return kept;
}

int FindField(std::string_view list, std::string_view item, bool prefix) {
  std::string_view field;
  int index = 0;
  for (FieldCursor cursor(list); cursor.Next(field); ++index) {
    if (prefix ? StartsWith(field, item, true) : Equal(field, item, true))
      return index;
  }
  return -1;
}

// The part before (names) or after (values) the first "=" of each field.
std::string SplitPairs(std::string_view list, bool names, bool trim) {
  Views parts = Fields(list);
  for (std::string_view& f : parts) {
    const size_t eq = f.find('=');
    if (names)
      f = f.substr(0, eq);
    else
      f = eq == npos ? std::string_view() : f.substr(eq + 1);
    if (trim)
      f = TrimField(f);
  }
  return BuildNormalized(parts);
}

}  // namespace

int SUB::Count(std::string_view list) {
  if (list.size() < 2 || list.back() != list.front())
    return 0;
  const auto n = std::count(list.begin() + 1, list.end(), list.front());
  return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

std::string SUB::Get(std::string_view list, int index, std::string_view def) {
  if (index == -1)
    index = Count(list) - 1;
  if (index < 0)
    return std::string(def);
  std::string_view field;
  int i = 0;
  for (FieldCursor cursor(list); cursor.Next(field); ++i) {
    if (i == index)
      return std::string(field.empty() ? def : field);
  }
  return std::string(def);
}

int64_t SUB::GetInt(std::string_view list, int index, int64_t def) {
  int64_t result = def;
  return ParseInt64(Get(list, index), result) ? result : def;
}

std::string SUB::Value(std::string_view list, std::string_view name, std::string_view def,
                       std::string_view valueIfEmpty, bool dropSpaces, bool ignoreCase) {
  if (list.size() < 3 || list.back() != list.front())
    return std::string(def);
  std::string key(name);
  if (key.empty() || key.back() != '=' || key == "=")
    key += '=';
  std::string dropped;
  if (dropSpaces && list.find(' ') != npos) {
    dropped = DropBlanksBeforeEquals(list);
    list = dropped;
  }
  std::string_view field;
  for (FieldCursor cursor(list); cursor.Next(field);) {
    if (!StartsWith(field, key, ignoreCase))
      continue;
    field.remove_prefix(key.size());
    return std::string(field.empty() ? valueIfEmpty : field);
  }
  return std::string(def);
}

std::string SUB::Set(std::string_view list, int index, std::string_view value) {
  if (index < 0)
    return std::string(list);
  const char d = IsEmptyList(list) ? '|' : list.front();
  Views fields = Fields(list);
  if (fields.size() <= static_cast<size_t>(index))
    fields.resize(static_cast<size_t>(index) + 1);
  fields[static_cast<size_t>(index)] = value;
  return BuildKeeping(d, fields);
}

int SUB::IndexOf(std::string_view list, std::string_view item, int def, bool prefix) {
  list = TrimField(list);
  int found = FindField(list, item, prefix);
  const std::string_view trimmed = TrimField(item);
  if (found < 0 && trimmed.size() != item.size())
    found = FindField(list, trimmed, prefix);
  return found < 0 ? def : found;
}

bool SUB::Contains(std::string_view list, std::string_view item, bool trim, bool ignoreCase) {
  if (trim) {
    list = TrimField(list);
    item = TrimField(item);
  }
  std::string_view field;
  for (FieldCursor cursor(list); cursor.Next(field);) {
    if (Equal(field, item, ignoreCase))
      return true;
  }
  return false;
}

std::string SUB::Delete(std::string_view list, int index) {
  if (index < 0 || index >= Count(list))
    return std::string(list);
  Views fields = Fields(list);
  fields.erase(fields.begin() + index);
  return Build(list.front(), fields);
}

std::string SUB::Reverse(std::string_view list) {
  Views fields = Fields(list);
  std::reverse(fields.begin(), fields.end());
  return Build(list.empty() ? '|' : list.front(), fields);
}

std::string SUB::TrimEmpty(std::string_view list, bool atEnd, bool atStart) {
  Views fields = Fields(list);
  if (atEnd) {
    while (!fields.empty() && fields.back().empty())
      fields.pop_back();
  }
  if (atStart) {
    const auto first =
        std::find_if(fields.begin(), fields.end(), [](std::string_view f) { return !f.empty(); });
    fields.erase(fields.begin(), first);
  }
  return Build(list.empty() ? '|' : list.front(), fields);
}

std::string SUB::Names(std::string_view list, bool trim) {
  return SplitPairs(list, true, trim);
}

std::string SUB::Values(std::string_view list, bool trim) {
  return SplitPairs(list, false, trim);
}

std::string SUB::Zip(std::string_view names, std::string_view values, bool dropEmpty) {
  const std::string n = dropEmpty ? TrimEmpty(names) : std::string(names);
  const std::string v = dropEmpty ? TrimEmpty(values) : std::string(values);
  const Views nf = Fields(n);
  const Views vf = Fields(v);
  std::vector<std::string> pairs(std::max(nf.size(), vf.size()));
  for (size_t i = 0; i < pairs.size(); ++i) {
    if (i < nf.size())
      pairs[i] = nf[i];
    pairs[i] += '=';
    if (i < vf.size())
      pairs[i].append(vf[i]);
  }
  return BuildNormalized(ViewsOf(pairs));
}

std::string SUB::Join(const std::vector<std::string>& items, bool unique) {
  const Views views = ViewsOf(items);
  return BuildNormalized(unique ? UniqueFields(views) : views);
}

std::string SUB::Append(std::string_view list, const std::vector<std::string>& items, bool unique) {
  const char d = IsEmptyList(list) ? '|' : list.front();
  Views fields = Fields(list);
  fields.insert(fields.end(), items.begin(), items.end());
  return BuildKeeping(d, unique ? UniqueFields(fields) : fields);
}

std::string SUB::Unique(std::string_view list) {
  if (list.empty())
    return {};
  return Build(list.front(), UniqueFields(Fields(list)));
}

std::string SUB::Normalize(std::string_view list) {
  if (list.size() < 2)
    return {};
  // Every piece between delimiters, including the text after the last one.
  Views pieces;
  const char d = list.front();
  std::string_view rest = list.substr(1);
  for (size_t end; (end = rest.find(d)) != npos; rest.remove_prefix(end + 1)) {
    pieces.push_back(rest.substr(0, end));
  }
  pieces.push_back(rest);
  const char nd = PickDelimiter(pieces);
  std::string out(1, nd);
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0)
      out += nd;
    out.append(pieces[i]);
  }
  return out;
}

std::string SUB::ChangeDelimiter(std::string_view list, char delimiter) {
  std::string out(list);
  if (out.empty() || list.find(delimiter) != npos)
    return out;
  std::replace(out.begin(), out.end(), list.front(), delimiter);
  return out;
}

}  // namespace orvane
