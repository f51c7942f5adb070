// SignalCleanup: the build's temporary files go when the builder is ended by
// Ctrl-C (SIGINT), SIGTERM or SIGHUP; the process then ends through that
// signal's default action, so that its exit status tells what happened.
//
// The paths are kept in one buffer that changes only while those signals are
// held back; the handler only reads it and calls unlink(), both safe in a
// signal handler. A signal the builder was started with ignored (nohup)
// stays ignored.
//
// On Windows nothing is removed: a console control handler runs on a thread
// of its own while the files are still open, and an open file cannot be
// deleted there, so the functions do nothing.
#pragma once

#include <cstddef>
#include <string>

namespace orvane::stubpack {

// Records `path` for removal on those signals (installing the handlers the
// first time) and returns the ticket that ForgetOnSignal takes.
size_t RemoveOnSignal(const std::string& path);
// The path of `ticket` is no longer removed on a signal.
void ForgetOnSignal(size_t ticket);

// Holds the signals back while it lives, so that a step that must not be cut
// in half (the renames of a commit) ends before the handler runs. Nests; the
// builder has one thread.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
};

}  // namespace orvane::stubpack
