// memwatch [--exclude TEXT]... [--timeout SECONDS] MATCH
//
// Waits for a process whose command line contains MATCH (and none of the
// --exclude texts), then follows it until it ends and prints
//   pid=<pid> vmhwm_kb=<peak resident set, VmHWM> lifetime_ms=<start to end>
// VmHWM only grows, so the last value read before the process ends is its
// peak. The start comes from the kernel's start time of the process (clock
// ticks, 10 ms); the end is when /proc shows it gone or a zombie (polled every
// 5 ms). Exit code 1 when no such process shows up within the time-out
// (default 60 s), or it ends before a status could be read.
//
// Under Wine every Windows process is a Linux process whose command line
// becomes the Windows one ("Z:\path\setup.exe /hide"), which is what MATCH
// finds.
#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

double BootClockMs() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void SleepMs(long ms) {
  timespec pause{0, ms * 1000000L};
  ::nanosleep(&pause, nullptr);
}

int FindProcess(const std::string& match, const std::vector<std::string>& excludes) {
  const int self = static_cast<int>(::getpid());
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr)
    return 0;
  int found = 0;
  while (dirent* entry = ::readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0 || pid == self)
      continue;
    std::string commandLine = ReadFile(std::string("/proc/") + entry->d_name + "/cmdline");
    for (char& c : commandLine)
      if (c == '\0')
        c = ' ';
    if (commandLine.find(match) == std::string::npos)
      continue;
    bool excluded = false;
    for (const std::string& text : excludes)
      excluded = excluded || commandLine.find(text) != std::string::npos;
    if (!excluded && (found == 0 || pid < found))
      found = pid;
  }
  ::closedir(proc);
  return found;
}

// The process's start, in ms of the boot clock.
double StartMs(int pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  // Fields after the command name in parentheses; start time is field 22.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos)
    return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22)
      return std::strtod(field.c_str(), nullptr) * 1000.0 /
             static_cast<double>(::sysconf(_SC_CLK_TCK));
  }
  return -1;
}

// The number or letter after "NAME:" in a /proc status text; empty when absent.
std::string StatusField(const std::string& status, const char* name) {
  const std::string key = std::string("\n") + name + ":";
  const size_t at = status.find(key);
  if (at == std::string::npos)
    return std::string();
  const size_t begin = status.find_first_not_of(" \t", at + key.size());
  const size_t end = status.find_first_of(" \t\n", begin);
  return begin == std::string::npos ? std::string() : status.substr(begin, end - begin);
}

// VmHWM in kB; -1 when the process is gone or a zombie.
long ReadHwm(int pid) {
  const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
  if (StatusField(status, "State") == "Z")
    return -1;
  const std::string hwm = StatusField(status, "VmHWM");
  return hwm.empty() ? -1 : std::strtol(hwm.c_str(), nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> excludes;
  double timeoutS = 60;
  std::string match;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--exclude" && i + 1 < argc)
      excludes.push_back(argv[++i]);
    else if (arg == "--timeout" && i + 1 < argc)
      timeoutS = std::strtod(argv[++i], nullptr);
    else
      match = arg;
  }
  if (match.empty()) {
    std::fprintf(stderr, "usage: memwatch [--exclude TEXT]... [--timeout SECONDS] MATCH\n");
    return 2;
  }

  const double deadline = BootClockMs() + timeoutS * 1000.0;
  int pid = 0;
  while ((pid = FindProcess(match, excludes)) == 0) {
    if (BootClockMs() > deadline) {
      std::fprintf(stderr, "memwatch: no process matching %s\n", match.c_str());
      return 1;
    }
    SleepMs(5);
  }
  const double start = StartMs(pid);
  long peak = -1;
  for (;;) {
    const long hwm = ReadHwm(pid);
    if (hwm < 0)
      break;
    peak = hwm;
    SleepMs(5);
  }
  const double end = BootClockMs();
  if (peak < 0) {
    std::fprintf(stderr, "memwatch: process %d ended before its status was read\n", pid);
    return 1;
  }
  std::printf("pid=%d vmhwm_kb=%ld lifetime_ms=%.0f\n", pid, peak, start < 0 ? -1.0 : end - start);
  return 0;
}
