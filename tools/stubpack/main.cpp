// stubpack: builds Orvane installers (launcher + appended package) and
// inspects existing ones.
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "usage: stubpack COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  build PROJECT.ini [options]   build an installer from a project file\n"
    "  inspect FILE [--json]         show the package appended to FILE\n"
    "  help                          show this text\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 ||
                    std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc >= 2)
    std::fprintf(stderr, "stubpack: '%s' is not available in this build\n", argv[1]);
  std::fputs(kUsage, stderr);
  return 2;
}
