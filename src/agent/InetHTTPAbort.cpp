#include "agent/InetHTTPAbort.h"

namespace orvane {

namespace {
bool g_abort = false;
}  // namespace

void HTTP_SetAbort(bool abort) {
  g_abort = abort;
}

bool HTTP_IsAborted() {
  return g_abort;
}

}  // namespace orvane
