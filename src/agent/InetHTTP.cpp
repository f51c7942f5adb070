#include "agent/InetHTTP.h"

#include <wininet.h>

#include <algorithm>
#include <vector>

#include "agent/BytesRate.h"
#include "agent/ZProgBar.h"
#include "util/Files.h"
#include "util/Handles.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/Utils.h"
#include "util/ZDebug.h"

namespace orvane {

namespace {

// The time-outs of a download: connecting, sending and receiving may each
// take up to three minutes.
constexpr DWORD kDownloadTimeoutMs = 180000;
// The size question waits at most this long for each step.
constexpr DWORD kSizeQueryTimeoutMs = 20000;
// How long a download waits for its transfer thread once it has cut the
// connection; a thread still stuck in the system after that is left behind.
constexpr DWORD kAbortGraceMs = 5000;
// The longest the GUI thread waits without serving its message queue.
constexpr DWORD kServeIntervalMs = 10;

// ---------------------------------------------------------------------------
// The WinINet binding: loaded on first use from the System folder and kept
// for the life of the process.

using GetConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);
using OpenFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using OpenUrlFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using QueryInfoFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using ReadFileFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using CloseHandleFn = BOOL(WINAPI*)(HINTERNET);
using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using LastResponseFn = BOOL(WINAPI*)(LPDWORD, LPSTR, LPDWORD);

struct WinInetApi {
  bool loaded = false;  // the load was tried
  Module module;
  GetConnectedStateFn getConnectedState = nullptr;
  OpenFn open = nullptr;
  OpenUrlFn openUrl = nullptr;
  QueryInfoFn queryInfo = nullptr;
  ReadFileFn readFile = nullptr;
  CloseHandleFn closeHandle = nullptr;
  SetOptionFn setOption = nullptr;
  LastResponseFn lastResponse = nullptr;

  // Every entry point the download needs is there.
  bool Complete() const {
    return open && openUrl && queryInfo && readFile && closeHandle && setOption;
  }
};

// A transfer thread that did not end after its connection was cut may still
// be inside the library: it must stay loaded.
bool g_transferLeftBehind = false;
DownloadFigures g_lastFigures;

// The binding as it stands, loaded or not.
WinInetApi& ApiState() {
  static WinInetApi api;
  return api;
}

// The binding, loaded on first use.
WinInetApi& Api() {
  WinInetApi& api = ApiState();
  if (!api.loaded) {
    api.loaded = true;
    api.module = LoadSystemLibrary("wininet.dll");
    if (api.module) {
      const HMODULE m = api.module.get();
      api.getConnectedState =
          ProcAs<GetConnectedStateFn>(::GetProcAddress(m, "InternetGetConnectedState"));
      api.open = ProcAs<OpenFn>(::GetProcAddress(m, "InternetOpenA"));
      api.openUrl = ProcAs<OpenUrlFn>(::GetProcAddress(m, "InternetOpenUrlA"));
      api.queryInfo = ProcAs<QueryInfoFn>(::GetProcAddress(m, "HttpQueryInfoA"));
      api.readFile = ProcAs<ReadFileFn>(::GetProcAddress(m, "InternetReadFile"));
      api.closeHandle = ProcAs<CloseHandleFn>(::GetProcAddress(m, "InternetCloseHandle"));
      api.setOption = ProcAs<SetOptionFn>(::GetProcAddress(m, "InternetSetOptionA"));
      api.lastResponse =
          ProcAs<LastResponseFn>(::GetProcAddress(m, "InternetGetLastResponseInfoA"));
    }
  }
  return api;
}

void CloseInternetHandle(HINTERNET handle) {
  if (handle != nullptr && Api().closeHandle)
    Api().closeHandle(handle);
}

// An Internet handle owned by one scope.
struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { CloseInternetHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

HINTERNET OpenRoot(const char* agent) {
  // Access type 0: the system's configured proxy.
  return Api().open ? Api().open(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                    : nullptr;
}

HINTERNET OpenUrl(HINTERNET root, const std::string& url, DWORD flags) {
  return Api().openUrl ? Api().openUrl(root, url.c_str(), nullptr, 0, flags, 0) : nullptr;
}

void SetTimeouts(HINTERNET root, DWORD ms) {
  if (!Api().setOption)
    return;
  // Connect, receive and send, the same two again under their control-channel
  // names, then the data-channel time-outs.
  static constexpr DWORD kOptions[] = {
      INTERNET_OPTION_CONNECT_TIMEOUT,      INTERNET_OPTION_RECEIVE_TIMEOUT,
      INTERNET_OPTION_SEND_TIMEOUT,         INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT,
      INTERNET_OPTION_CONTROL_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
      INTERNET_OPTION_DATA_SEND_TIMEOUT};
  for (DWORD option : kOptions) {
    DWORD value = ms;
    Api().setOption(root, option, &value, sizeof value);
  }
}

// Opens `url` and closes it again at once, before a size query; whatever
// happens is ignored.
void Touch(const std::string& url) {
  InternetHandle root(OpenRoot("HTTP_Connect_2"));
  if (root)
    InternetHandle(OpenUrl(root.get(), url, 0));
}

// The length the server announced, kUnknownLength without one. Read as text,
// so that lengths beyond 4 GiB count.
uint64_t ContentLength(HINTERNET request) {
  char text[32] = {};
  DWORD size = sizeof text - 1;
  if (!Api().queryInfo ||
      !Api().queryInfo(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
    return kUnknownLength;
  uint64_t value = 0;
  const std::string_view digits(text, std::min<DWORD>(size, sizeof text - 1));
  if (digits.empty() || digits.size() > 19)
    return kUnknownLength;
  for (char c : digits) {
    if (c < '0' || c > '9')
      return kUnknownLength;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

// The server's Last-Modified as a DOS date-time, 0 without a readable one.
uint32_t LastModifiedStamp(HINTERNET request) {
  SYSTEMTIME time{};
  DWORD size = sizeof time;
  if (!Api().queryInfo ||
      !Api().queryInfo(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &time, &size,
                       nullptr))
    return 0;
  FILETIME fileTime;
  WORD date = 0;
  WORD clock = 0;
  if (!::SystemTimeToFileTime(&time, &fileTime) ||
      !::FileTimeToDosDateTime(&fileTime, &date, &clock))
    return 0;
  return (static_cast<uint32_t>(date) << 16) | clock;
}

// The HTTP status and its reason; status 0 for a request that has none (not
// HTTP).
uint32_t StatusCode(HINTERNET request, std::string* reason) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!Api().queryInfo || !Api().queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                           &status, &size, nullptr))
    return 0;
  char text[128] = {};
  DWORD textSize = sizeof text - 1;
  if (reason != nullptr &&
      Api().queryInfo(request, HTTP_QUERY_STATUS_TEXT, text, &textSize, nullptr))
    reason->assign(text, std::min<DWORD>(textSize, sizeof text - 1));
  return status;
}

// The system's text for `code`, also for WinINet's own codes, whose texts
// live in its library.
std::string ErrorText(DWORD code) {
  if (code == 0)
    return {};
  char* message = nullptr;
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                           FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       Api().module.get(), code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  if (length == 0 || message == nullptr)
    return SystemErrorText(code);
  std::string text(message, length);
  ::LocalFree(message);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
    text.pop_back();
  return text;
}

// The server's last response text of this thread, empty when none.
std::string LastResponseText() {
  if (!Api().lastResponse)
    return {};
  std::string text(4096, '\0');
  DWORD error = 0;
  DWORD size = static_cast<DWORD>(text.size());
  if (!Api().lastResponse(&error, &text[0], &size))
    return {};
  text.resize(std::min<size_t>(size, text.size()));
  return text;
}

// The detail of a connection that could not be opened: what is wrong with
// the server's certificate, else the system's text.
std::string OpenFailureDetail(DWORD code) {
  std::string detail = HTTP_CertificateErrorDetail(code);
  if (detail.empty())
    detail = ErrorText(code);
  return detail;
}

// Deletes what earlier downloads to `destination` left behind: the files of
// its folder named destination + "." + digits, and nothing else.
void DeleteLeftovers(const std::string& destination) {
  const std::string folder = DirectoryPart(destination, IsAnsiLeadByte);
  WIN32_FIND_DATAA found;
  const std::string mask = destination + ".*";
  FindHandle find(::FindFirstFileA(mask.c_str(), &found));
  if (!find)
    return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        HTTP_IsTempFileOf(found.cFileName, destination, IsAnsiLeadByte))
      ::DeleteFileA((folder + found.cFileName).c_str());
  } while (::FindNextFileA(find.get(), &found));
}

// A lock around the state the two threads of a download share.
class Lock {
 public:
  Lock() { ::InitializeCriticalSection(&section_); }
  ~Lock() { ::DeleteCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter() { ::EnterCriticalSection(&section_); }
  void Leave() { ::LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class Locked {
 public:
  explicit Locked(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~Locked() { lock_.Leave(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  Lock& lock_;
};

// One download, shared by the GUI thread that asked for it and the transfer
// thread that runs the blocking calls. Each holds a reference; the last one
// to let go frees it, so a transfer thread left behind after an abort never
// touches freed memory.
class Transfer {
 public:
  enum Phase { kConnecting, kReceiving, kEnded };

  // What the GUI thread sees of the transfer.
  struct Snapshot {
    Phase phase = kConnecting;
    uint64_t length = kUnknownLength;
    uint64_t received = 0;
    uint64_t position = DownloadProgress::kStartPosition;
    uint32_t reads = 0;
  };

  Transfer(std::string url, std::string destination, std::string displayName)
      : url_(std::move(url)),
        destination_(std::move(destination)),
        displayName_(std::move(displayName)) {}

  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // Lets go of one of the two references.
  void Release() {
    if (::InterlockedDecrement(&refs_) == 0)
      delete this;
  }

  // The transfer itself, on the transfer thread (or, when no thread could
  // be made, on the caller's).
  void Run();

  Snapshot Take() {
    Locked locked(lock_);
    return snapshot_;
  }

  // Cuts the connection: a blocked call returns, and the transfer stops
  // before its next read. Called by the GUI thread.
  void Cut() {
    cut_ = 1;
    CloseInternetHandle(static_cast<HINTERNET>(::InterlockedExchangePointer(&request_, nullptr)));
    CloseInternetHandle(static_cast<HINTERNET>(::InterlockedExchangePointer(&root_, nullptr)));
  }

  // After the transfer ended: its error (empty when the transfer itself went
  // through), the error of a failed read, the temporary file and the data.
  const std::string& Error() const { return error_; }
  const std::string& ReadError() const { return readError_; }
  const std::string& Temporary() const { return temporary_; }
  std::string& Memory() { return memory_; }

 private:
  bool IsCut() const { return cut_ != 0; }
  // Keeps `handle` in `slot` where Cut can reach it; false (and the handle
  // closed) when the connection was cut meanwhile.
  bool Keep(void* volatile* slot, HINTERNET handle) {
    ::InterlockedExchangePointer(slot, handle);
    if (IsCut()) {
      CloseInternetHandle(static_cast<HINTERNET>(::InterlockedExchangePointer(slot, nullptr)));
      return false;
    }
    return handle != nullptr;
  }
  void CloseSlot(void* volatile* slot) {
    CloseInternetHandle(static_cast<HINTERNET>(::InterlockedExchangePointer(slot, nullptr)));
  }
  HINTERNET Request() const { return static_cast<HINTERNET>(request_); }
  void ReceiveBody(uint64_t length);
  void Publish(Phase phase) {
    Locked locked(lock_);
    snapshot_.phase = phase;
  }

  const std::string url_;
  const std::string destination_;
  const std::string displayName_;

  volatile LONG refs_ = 2;  // the GUI thread's and the transfer's
  volatile LONG cut_ = 0;
  void* volatile root_ = nullptr;
  void* volatile request_ = nullptr;

  Lock lock_;
  Snapshot snapshot_;

  // Written by the transfer before it publishes kEnded, read after.
  std::string error_;
  std::string readError_;
  std::string temporary_;
  std::string memory_;
};

void Transfer::Run() {
  // No opening request of the URL before this one: it would be a second GET
  // of the whole file, whose body WinINet reads to the end when the handle
  // is closed (measured under Wine: the file crossed the wire twice).
  if (!Keep(&root_, OpenRoot("HTTP_Connect_3"))) {
    error_ = std::string(kWinInetUnavailableText);
    Publish(kEnded);
    return;
  }
  SetTimeouts(static_cast<HINTERNET>(root_), kDownloadTimeoutMs);
  // Always from the server, and not copied into the system's cache: a setup
  // file of hundreds of MB would otherwise be written twice.
  const HINTERNET request = OpenUrl(static_cast<HINTERNET>(root_), url_,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
  const DWORD openError = ::GetLastError();
  if (!Keep(&request_, request)) {
    error_ = HTTP_OpenFailedText(url_, IsCut() ? std::string() : OpenFailureDetail(openError));
    CloseSlot(&root_);
    Publish(kEnded);
    return;
  }
  std::string reason;
  const uint32_t status = StatusCode(Request(), &reason);
  const uint64_t length = ContentLength(Request());
  if (status >= 400) {
    // An error page is never the file that was asked for.
    error_ = HTTP_StatusErrorText(displayName_, url_, status, reason);
  } else if (length == 0) {
    error_ = HTTP_FileNotFoundText(url_);
  } else {
    ReceiveBody(length);
  }
  CloseSlot(&request_);
  CloseSlot(&root_);
  Publish(kEnded);
}

void Transfer::ReceiveBody(uint64_t length) {
  FileHandle file;
  if (!destination_.empty()) {
    temporary_ = HTTP_TempFileName(destination_, length, LastModifiedStamp(Request()));
    DeleteLeftovers(destination_);
    // Kept open for the whole transfer; what was written stays on disk under
    // the temporary name whatever happens to this process.
    file.reset(::CreateFileA(temporary_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error_ = HTTP_MoveFailedText(displayName_, temporary_, GetLastErrorText());
      return;
    }
  }
  DownloadProgress progress(length);
  {
    Locked locked(lock_);
    snapshot_.phase = kReceiving;
    snapshot_.length = length;
  }
  std::vector<char> buffer(HTTP_ReadSize(length));
  uint32_t readSize = HTTP_ChunkSize(length);
  while (!IsCut()) {
    const ULONGLONG start = ::GetTickCount64();
    DWORD got = 0;
    if (!Api().readFile(Request(), buffer.data(), readSize, &got)) {
      const DWORD code = ::GetLastError();
      if (!IsCut())
        readError_ = HTTP_ReadErrorText(displayName_, ErrorText(code), LastResponseText());
      got = 0;
    }
    if (got > 0) {
      if (file) {
        DWORD written = 0;
        if (!::WriteFile(file.get(), buffer.data(), got, &written, nullptr) || written != got) {
          error_ = HTTP_MoveFailedText(displayName_, temporary_, GetLastErrorText());
          got = 0;
        }
      } else if (memory_.size() + got > kMemoryDownloadLimit) {
        error_ = HTTP_TooLargeText(displayName_);
        got = 0;
      } else {
        memory_.append(buffer.data(), got);
      }
    }
    {
      Locked locked(lock_);
      progress.Take(readSize, got);
      snapshot_.received = progress.Received();
      snapshot_.position = progress.Position();
      if (got > 0)
        ++snapshot_.reads;
    }
    if (got == 0 || !readError_.empty())
      break;
    readSize =
        HTTP_NextReadSize(readSize, static_cast<uint32_t>(::GetTickCount64() - start), length);
  }
}

DWORD WINAPI TransferThread(void* parameter) {
  Transfer* transfer = static_cast<Transfer*>(parameter);
  transfer->Run();
  transfer->Release();
  return 0;
}

// The length the bar and the meter count with: 4294967295 when the server
// announced none.
int64_t ProgressLength(uint64_t length) {
  return static_cast<int64_t>(length == kUnknownLength ? kUnknownProgressLength : length);
}

// Moves the main window's bar to the transfer's position: one step event per
// bar step while reads are no larger than a step (a small file shows its ten
// steps), else one event for all the steps since the last serve.
class BarFollower {
 public:
  BarFollower(TProgBar* reporter, HWND window, std::string displayName)
      : reporter_(reporter), window_(window), displayName_(std::move(displayName)) {}

  void Follow(const Transfer::Snapshot& now) {
    if (now.phase == Transfer::kConnecting)
      return;
    if (!started_) {
      started_ = true;
      if (reinterpret_cast<uintptr_t>(window_) > 10)
        ::ShowWindow(window_, SW_SHOW);
      perStep_ = HTTP_ReadSize(now.length) <= HTTP_ChunkSize(now.length);
      meter_ = MakeTransferMeter(ProgressLength(now.length));
      if (reporter_) {
        reporter_->Start(static_cast<int>(DownloadProgress::kStartPosition),
                         static_cast<int>(std::min<uint64_t>(DownloadProgress(now.length).Maximum(),
                                                             INT32_MAX)));
        reporter_->SetName(displayName_);
      }
      shown_ = DownloadProgress::kStartPosition;
    }
    if (now.position <= shown_ || now.received == lastReceived_)
      return;
    const std::string text =
        meter_.Update(ProgressLength(now.length), static_cast<int64_t>(now.received),
                      static_cast<int64_t>(now.received - lastReceived_));
    lastReceived_ = now.received;
    const uint64_t steps = now.position - shown_;
    shown_ = now.position;
    if (!reporter_)
      return;
    if (perStep_) {
      for (uint64_t i = 0; i < steps; ++i)
        reporter_->Step(text);
    } else {
      reporter_->Advance(static_cast<int>(std::min<uint64_t>(steps, INT32_MAX)), text);
    }
  }

 private:
  TProgBar* reporter_;
  HWND window_;
  std::string displayName_;
  bool started_ = false;
  bool perStep_ = true;
  uint64_t shown_ = 0;
  uint64_t lastReceived_ = 0;
  TBytesRate meter_ = MakeTransferMeter(0);  // remade when the length is known
};

}  // namespace

void HTTP_FreeLibrary() {
  // Entry points of a freed library must not be called again: the binding
  // is forgotten with it, and a later download loads the library anew.
  if (ApiState().loaded && !g_transferLeftBehind)
    ApiState() = WinInetApi();
}

const DownloadFigures& HTTP_LastDownloadFigures() {
  return g_lastFigures;
}

void HTTP_DownloadFile(HWND window, const std::string& url, const std::string& destination,
                       std::string* memoryData, TProgBar* reporter, std::string& error) {
  const std::string displayName = HTTP_DisplayName(url);
  const std::string fullUrl = HTTP_UrlWithScheme(url);
  error.clear();
  if (memoryData)
    memoryData->clear();
  g_lastFigures = DownloadFigures();
  const double start = TimingMilliSecondsNow();

  if (!Api().Complete()) {
    error = std::string(kWinInetUnavailableText);
    ConsolePidLine(" HTTP_DownloadFile_Incremental: " + error);
    return;
  }

  Transfer* transfer = new Transfer(fullUrl, destination, displayName);
  DWORD threadId = 0;
  KernelObject thread(::CreateThread(nullptr, 0, TransferThread, transfer, 0, &threadId));
  if (!thread) {
    // No thread to spare: the calls block this one instead.
    transfer->Run();
    transfer->Release();
  }

  BarFollower bar(reporter, window, displayName);
  bool leftBehind = false;
  ULONGLONG cutAt = 0;
  for (;;) {
    HANDLE waitFor = thread.get();
    const DWORD woke =
        thread ? ::MsgWaitForMultipleObjects(1, &waitFor, FALSE, kServeIntervalMs, QS_ALLINPUT)
               : WAIT_OBJECT_0;
    YieldX(0);
    ++g_lastFigures.queueServes;
    const Transfer::Snapshot now = transfer->Take();
    bar.Follow(now);
    if (woke == WAIT_OBJECT_0 || now.phase == Transfer::kEnded) {
      if (thread)
        ::WaitForSingleObject(thread.get(), INFINITE);
      break;
    }
    if (HTTP_IsAborted() && cutAt == 0) {
      transfer->Cut();
      cutAt = ::GetTickCount64();
    }
    if (cutAt != 0 && ::GetTickCount64() - cutAt > kAbortGraceMs) {
      leftBehind = true;
      g_transferLeftBehind = true;
      break;
    }
  }

  const Transfer::Snapshot end = transfer->Take();
  g_lastFigures.bytes = end.received;
  g_lastFigures.reads = end.reads;
  g_lastFigures.milliseconds = TimingMilliSecondsNow() - start;
  if (HTTP_IsAborted()) {
    error = std::string(kDownloadAbortedText);
  } else if (!transfer->Error().empty()) {
    error = transfer->Error();
  } else {
    error =
        HTTP_DownloadEndText(displayName, false, transfer->ReadError(), end.received, end.length);
  }
  if (!leftBehind) {
    if (memoryData)
      *memoryData = std::move(transfer->Memory());
    if (error.empty() && !destination.empty() &&
        !::MoveFileExA(transfer->Temporary().c_str(), destination.c_str(),
                       MOVEFILE_REPLACE_EXISTING))
      error = HTTP_MoveFailedText(displayName, destination, GetLastErrorText());
  }
  transfer->Release();
  if (!error.empty())
    ConsolePidLine(" HTTP_DownloadFile_Incremental: " + error);
}

int64_t HTTP_GetFileSize(const std::string& url) {
  const std::string fullUrl = HTTP_UrlWithScheme(url);
  Touch(fullUrl);
  InternetHandle root(OpenRoot("HTTP_Connect_2"));
  if (!root)
    return -1;
  // The question is asked on the GUI thread of the resident agent: a server
  // that does not answer must not keep it from its messages for minutes.
  SetTimeouts(root.get(), kSizeQueryTimeoutMs);
  InternetHandle request(
      OpenUrl(root.get(), fullUrl, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE));
  if (!request)
    return -1;
  // The length of an error page is not the size of the file asked for.
  const uint64_t length =
      StatusCode(request.get(), nullptr) >= 400 ? kUnknownLength : ContentLength(request.get());
  const int64_t size = length == kUnknownLength ? -1 : static_cast<int64_t>(length);
  ConsoleLine("HTTP_GetFileSize=" + DecimalText(size) + "  " + url);
  return size;
}

bool HTTP_InternetConnected(std::string& errorText) {
  errorText.clear();
  DWORD flags = 0;
  if (Api().getConnectedState && Api().getConnectedState(&flags, 0))
    return true;
  const DWORD code = ::GetLastError();
  errorText = code == 0 ? std::string() : ErrorText(code);
  return false;
}

bool HTTP_IsNotFoundPage(const std::string& fileName, std::string_view data) {
  if (!fileName.empty() && FileExists(fileName))
    return HTTP_IsNotFoundPageText(ReadFilePart(fileName, kNotFoundPageScan));
  return HTTP_IsNotFoundPageText(data);
}

std::string HTTP_NotFoundText(const std::string& fileName, std::string_view data,
                              std::string_view url, std::string_view defaultText) {
  if (HTTP_IsNotFoundPage(fileName, data))
    return HTTP_NotFoundMessage(url);
  return std::string(defaultText);
}

}  // namespace orvane
