// SignalCleanup: the paths buffer and the signal handler.
#include "SignalCleanup.h"

#ifndef _WIN32

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace orvane::stubpack {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Records of one flag byte (1: remove, 0: forgotten), the path and its zero
// byte, one after the other; a ticket is the offset of a record. Changed only
// with the signals held back.
char* g_records = nullptr;
size_t g_used = 0;
size_t g_capacity = 0;
size_t g_live = 0;
bool g_installed = false;

int g_heldDepth = 0;
sigset_t g_savedMask;

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kSignals)
    sigaddset(&set, signal);
  return set;
}

void RemoveRecordedFiles(int number) {
  for (size_t at = 0; at < g_used;) {
    const char* path = g_records + at + 1;
    size_t length = 0;
    while (path[length] != '\0')
      ++length;
    if (g_records[at] != 0)
      unlink(path);
    at += length + 2;
  }
  // The default action ends the process when the handler returns, since
  // the signal stays blocked until then.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(number, &action, nullptr);
  raise(number);
}

void InstallHandlers() {
  struct sigaction action = {};
  action.sa_handler = RemoveRecordedFiles;
  action.sa_mask = CleanupSignals();
  for (int signal : kSignals) {
    struct sigaction previous = {};
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace

SignalsHeld::SignalsHeld() {
  if (g_heldDepth++ == 0) {
    const sigset_t set = CleanupSignals();
    sigprocmask(SIG_BLOCK, &set, &g_savedMask);
  }
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

SignalsHeld::~SignalsHeld() {
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (--g_heldDepth == 0)
    sigprocmask(SIG_SETMASK, &g_savedMask, nullptr);
}

size_t RemoveOnSignal(const std::string& path) {
  const SignalsHeld held;
  if (!g_installed) {
    InstallHandlers();
    g_installed = true;
  }
  const size_t need = path.size() + 2;
  if (g_capacity - g_used < need) {
    const size_t capacity = std::max(g_capacity * 2, g_used + need + 4096);
    char* records = new char[capacity];
    if (g_used != 0)
      std::memcpy(records, g_records, g_used);
    delete[] g_records;
    g_records = records;
    g_capacity = capacity;
  }
  const size_t ticket = g_used;
  g_records[ticket] = 1;
  std::memcpy(g_records + ticket + 1, path.c_str(), path.size() + 1);
  g_used += need;
  ++g_live;
  return ticket;
}

void ForgetOnSignal(size_t ticket) {
  const SignalsHeld held;
  if (ticket >= g_used || g_records[ticket] == 0)
    return;
  g_records[ticket] = 0;
  if (--g_live == 0)
    g_used = 0;  // every record is forgotten: start again at the front
}

}  // namespace orvane::stubpack

#else

namespace orvane::stubpack {

size_t RemoveOnSignal(const std::string&) {
  return 0;
}
void ForgetOnSignal(size_t) {}
SignalsHeld::SignalsHeld() = default;
SignalsHeld::~SignalsHeld() = default;

}  // namespace orvane::stubpack

#endif
