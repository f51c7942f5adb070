// selfdelete: runs the launcher's self-deletion for itself, as a relaunched
// launcher does before it ends. The Files tests copy it under hostile names.
//
//   selfdelete [remove] [short] [linger=MS]
// remove: the own folder goes too; short: the script uses 8.3 names;
// linger: stay alive that long after starting the script, so that the script
// has to wait for the executable to become deletable.
// Exit code 0 when the script was started, 1 otherwise.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "util/Files.h"

int main(int argc, char** argv) {
  bool removeFolder = false;
  bool shortNames = false;
  DWORD linger = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "remove") == 0)
      removeFolder = true;
    else if (std::strcmp(argv[i], "short") == 0)
      shortNames = true;
    else if (std::strncmp(argv[i], "linger=", 7) == 0)
      linger = static_cast<DWORD>(std::strtoul(argv[i] + 7, nullptr, 10));
  }
  const bool started = orvane::DeleteMySelf(removeFolder, shortNames);
  ::Sleep(linger);
  return started ? 0 : 1;
}
