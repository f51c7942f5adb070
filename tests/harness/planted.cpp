// A DLL planted beside a program under the name of a system library.
// - When anything loads it, it leaves "<its own path>.loaded" behind.
// - When anything calls one of the version-information functions it exports
//   (the names of version.dll), it leaves "<its own path>.called" behind and
//   fails the call.
// A test looks for these markers to see whether the planted copy was used.
#include <windows.h>

#include <string>

namespace {

HINSTANCE g_self = nullptr;

void LeaveMarker(const char* suffix) {
  char path[MAX_PATH + 16] = {};
  const DWORD n = ::GetModuleFileNameA(g_self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH)
    return;
  const std::string marker = std::string(path, n) + suffix;
  HANDLE h = ::CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE)
    ::CloseHandle(h);
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD handle) {
  LeaveMarker(".called");
  if (handle)
    *handle = 0;
  return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) {
  LeaveMarker(".called");
  return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT) {
  LeaveMarker(".called");
  return FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = instance;
    LeaveMarker(".loaded");
  }
  return TRUE;
}

}  // extern "C"
