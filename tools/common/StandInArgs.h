// StandInArgs: what the stand-in programs of the demo and the tests (the
// setup engine, the product) share: their command-line words, switch names
// and where they lie.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvane::standin {

// Words of a command line: blanks separate them, double quotes group blanks
// into a word and are dropped. Backslashes are plain characters (paths).
inline std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord)
        words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord)
    words.push_back(word);
  return words;
}

// Switch names ignore case.
inline bool SameName(const std::string& a, const char* b) {
  return ::lstrcmpiA(a.c_str(), b) == 0;
}

// The full path of the running program.
inline std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// The folder part of `path`, "." when it has none.
inline std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace orvane::standin
