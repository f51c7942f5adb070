// Utils: system facts, window helpers, the message pump, clocks, random
// numbers, the shell and the developer mode.
#include "util/Utils.h"

#include <ntsecapi.h>  // after <windows.h>, which Utils.h brings
#include <shellapi.h>

#include <string>

#include "util/DateText.h"
#include "util/Handles.h"
#include "util/Registry.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"

namespace orvane {

// ---------------------------------------------------------------------------
// System information

namespace {

std::string CurrentVersionKey() {
  // The NT family keeps the installation's data under "Windows NT".
  return IsNT() ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"
                : "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
}

// A 32-bit process on 64-bit Windows would otherwise read the redirected
// WOW6432Node copy, which lacks these values.
bool UseRegistry64BitView() {
  return sizeof(void*) == 4 && IsWin64();
}

}  // namespace

std::string GetRegisteredOwner() {
  const std::string user = GetLoggedOnUserName();
  std::string owner =
      Trim(ReadRegString(CurrentVersionKey(), "RegisteredOwner", user, UseRegistry64BitView()));
  // An owner value that is present but blank names nobody either.
  return owner.empty() ? Trim(user) : owner;
}

std::string GetRegisteredOrganization() {
  return Trim(
      ReadRegString(CurrentVersionKey(), "RegisteredOrganization", {}, UseRegistry64BitView()));
}

std::string GetLoggedOnUserName() {
  // The documented maximum user name length is 256 characters.
  std::string buffer(257, '\0');
  DWORD size = static_cast<DWORD>(buffer.size());
  if (!::GetUserNameA(&buffer[0], &size))
    return {};
  // `size` counts the terminating zero.
  buffer.resize(size > 0 ? size - 1 : 0);
  return buffer;
}

std::string GetCurrentDomainName() {
  const std::string user = GetLoggedOnUserName();
  if (user.empty())
    return {};
  DWORD sidSize = 0;
  DWORD domainSize = 0;
  SID_NAME_USE use;
  // The first call only reports the sizes both buffers need.
  ::LookupAccountNameA(nullptr, user.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
  if (sidSize == 0 || domainSize == 0)
    return {};
  std::string sid(sidSize, '\0');
  std::string domain(domainSize, '\0');
  if (!::LookupAccountNameA(nullptr, user.c_str(), &sid[0], &sidSize, &domain[0], &domainSize,
                            &use)) {
    return {};
  }
  // On success the size excludes the terminating zero.
  domain.resize(domainSize);
  return domain;
}

std::string SystemErrorText(uint32_t code) {
  char* message = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  if (length == 0 || !message)
    return {};
  std::string text(message, length);
  ::LocalFree(message);
  // System messages end with a line break.
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
    text.pop_back();
  return text;
}

std::string GetLastErrorText() {
  std::string text = SystemErrorText(::GetLastError());
  if (text.empty())
    return "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
  return text;
}

// ---------------------------------------------------------------------------
// Windows and screen

namespace {

// Halving that rounds towards minus infinity also for negative sizes.
int FloorHalf(int value) {
  return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

}  // namespace

POINT CentreInWorkArea(int width, int height) {
  RECT area{};
  if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) {
    area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  POINT topLeft;
  topLeft.x = area.left + FloorHalf(area.right - area.left - width);
  topLeft.y = area.top + FloorHalf(area.bottom - area.top - height);
  return topLeft;
}

HWND TopLevelOwner(HWND window) {
  if (!window)
    return nullptr;
  while (HWND owner = ::GetWindow(window, GW_OWNER))
    window = owner;
  return window;
}

std::string WindowClassName(HWND window) {
  if (!window)
    return {};
  std::string buffer(1024, '\0');
  const int length = ::GetClassNameA(window, &buffer[0], static_cast<int>(buffer.size()));
  buffer.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return buffer;
}

std::string WindowText(HWND window) {
  if (!window)
    return {};
  std::string buffer(102401, '\0');
  const int length = ::GetWindowTextA(window, &buffer[0], static_cast<int>(buffer.size()));
  buffer.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return buffer;
}

namespace {

int ScreenPixelsPerInchY() {
  static const int pixels = [] {
    const DeviceContext screen(nullptr);
    const int value = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return value > 0 ? value : 96;
  }();
  return pixels;
}

}  // namespace

int PixelsFromPoints(int points) {
  return ::MulDiv(points, ScreenPixelsPerInchY(), 72);
}

// ---------------------------------------------------------------------------
// Message pump and clocks

void YieldX(uint32_t ms) {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The quit message belongs to the thread's main loop: put it back
      // and stop, or the program would never end.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  ::Sleep(ms);
}

namespace {

// A performance-counter clock with its own cached scale.
class MilliSecondClock {
 public:
  double Now() {
    if (scale_ == 0) {
      LARGE_INTEGER frequency;
      scale_ = ::QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0
                   ? 1000.0 / static_cast<double>(frequency.QuadPart)
                   : -1;
    }
    LARGE_INTEGER counter;
    if (scale_ < 0 || !::QueryPerformanceCounter(&counter)) {
      return static_cast<double>(::GetTickCount());
    }
    return static_cast<double>(counter.QuadPart) * scale_;
  }

 private:
  double scale_ = 0;  // 0: not yet read; below 0: no performance counter
};

MilliSecondClock waitClock;
MilliSecondClock timingClock;

}  // namespace

double MilliSecondsNow() {
  return waitClock.Now();
}
double TimingMilliSecondsNow() {
  return timingClock.Now();
}

double LocalMomentNow() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return MomentFromLocalTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                             t.wMilliseconds);
}

namespace {

// 64 random bits (splitmix64). The state advances by a constant odd step,
// so one process never sees the same output twice within 2^64 draws.
uint64_t NextRandomBits() {
  static uint64_t state = [] {
    // The system's random source, mixed with the performance counter and the
    // process id, which differ between runs even should the source fail.
    uint64_t seed = 0;
    ::RtlGenRandom(&seed, sizeof seed);
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    return seed ^ static_cast<uint64_t>(counter.QuadPart) ^
           (static_cast<uint64_t>(::GetCurrentProcessId()) << 32);
  }();
  state += 0x9E3779B97F4A7C15u;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

}  // namespace

int64_t RandomInRange(int64_t low, int64_t high) {
  if (high <= low)
    return low;
  // Unsigned arithmetic: the span of INT64_MIN..INT64_MAX fits only there.
  const uint64_t span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
  uint64_t bits = NextRandomBits();
  if (span != UINT64_MAX) {
    const uint64_t count = span + 1;
    // The lowest 2^64 mod count draws would make the small offsets more
    // likely than the others; they are drawn again.
    const uint64_t unfair = (0 - count) % count;
    while (bits < unfair)
      bits = NextRandomBits();
    bits %= count;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(low) + bits);
}

double YieldWait(uint32_t step, uint32_t duration) {
  if (step == 0) {
    step = duration / 10;
    if (step < 1)
      step = 1;
    if (step > 25)
      step = 25;
  }
  const double start = MilliSecondsNow();
  double now;
  do {
    YieldX(step);
    now = MilliSecondsNow();
  } while (now - start < static_cast<double>(duration));
  return now;
}

// ---------------------------------------------------------------------------
// Shell and process

bool RunDocument(std::string_view file, std::string_view parameters, int show) {
  const std::string fileText(file);
  const std::string parameterText(parameters);
  HINSTANCE result =
      ::ShellExecuteA(::GetDesktopWindow(), "open", fileText.c_str(),
                      parameterText.empty() ? nullptr : parameterText.c_str(), nullptr, show);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool IsDeveloperMode() {
  static const bool on = [] {
    char value[8] = {};
    const DWORD length = ::GetEnvironmentVariableA("DVX", value, sizeof value);
    return length == 3 && std::string_view(value, 3) == "719";
  }();
  return on;
}

// ---------------------------------------------------------------------------
// AutoPlay

namespace {
uint16_t g_autoPlayMessage = 0;
}  // namespace

void SetAutoPlaySuppression(bool on) {
  g_autoPlayMessage =
      on ? static_cast<uint16_t>(::RegisterWindowMessageA("QueryCancelAutoPlay")) : 0;
}

uint16_t QueryCancelAutoPlayMessage() {
  return g_autoPlayMessage;
}

}  // namespace orvane
