// ScopedEnv: sets an environment variable of the test process for the
// lifetime of the object (child processes inherit it), then restores it.
#pragma once

#include <windows.h>

#include <string>

namespace orvane::test {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    char buffer[32768];
    const DWORD length = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    had_ = length > 0 && length < sizeof buffer;
    if (had_)
      old_.assign(buffer, length);
    ::SetEnvironmentVariableA(name, value);
  }
  ~ScopedEnv() { ::SetEnvironmentVariableA(name_.c_str(), had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace orvane::test
