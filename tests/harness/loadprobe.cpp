// loadprobe NAME [call]: loads a library by its bare name with the default
// search order; with "call", also calls its GetFileVersionInfoSizeA. Exits 0
// when the load (and the lookup) worked. Tests use it to show that a DLL
// planted in a folder is picked up by a program that does not guard its loads.
#include <windows.h>

#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  HMODULE module = ::LoadLibraryA(argv[1]);
  if (!module)
    return 1;
  if (argc > 2 && std::strcmp(argv[2], "call") == 0) {
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    auto fn = reinterpret_cast<SizeFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "GetFileVersionInfoSizeA")));
    if (!fn)
      return 1;
    DWORD ignored = 0;
    fn(argv[0], &ignored);
  }
  return 0;
}
