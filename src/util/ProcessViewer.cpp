#include "util/ProcessViewer.h"

#include <tlhelp32.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "util/Handles.h"
#include "util/PathText.h"
#include "util/Utils.h"
#include "util/UtilsText.h"
#include "util/ZDebug.h"
#include "util/ZSUB.h"

namespace orvane {

namespace {

constexpr WPARAM kCloseQuitWParam = 15;
constexpr LPARAM kCloseQuitLParam = 255;

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param) {
  auto* analizer = reinterpret_cast<TAnalizer*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != static_cast<DWORD>(analizer->processId()))
    return TRUE;
  ProcessWindowFacts facts;
  facts.window = reinterpret_cast<uintptr_t>(window);
  facts.topOwner = reinterpret_cast<uintptr_t>(TopLevelOwner(window));
  facts.titled = ::GetWindowTextLengthA(window) > 0;
  facts.visible = ::IsWindowVisible(window) != 0;
  return analizer->Add(facts);
}

struct WindowPass {
  TProcessData& data;
  std::vector<std::pair<DWORD, std::string>> exeNames;  // process id, file name
  bool stopped = false;
};

BOOL CALLBACK CollectWindowData(HWND window, LPARAM param) {
  auto* pass = reinterpret_cast<WindowPass*>(param);
  TProcessData& data = pass->data;
  DWORD processId = 0;
  const DWORD threadId = ::GetWindowThreadProcessId(window, &processId);
  std::string name;
  for (const auto& known : pass->exeNames) {
    if (known.first == processId)
      name = known.second;
  }
  if (!data.allWindows && SUB::IndexOf(data.exeNames, name) >= 0)
    return TRUE;
  data.processIds = SUB::Append(data.processIds, {std::to_string(processId)});
  data.exeNames = SUB::Append(data.exeNames, {name});
  data.classNames = SUB::Append(data.classNames, {WindowClassName(window)});
  data.windows = SUB::Append(data.windows, {std::to_string(reinterpret_cast<uintptr_t>(window))});
  data.threadIds = SUB::Append(data.threadIds, {std::to_string(threadId)});
  data.titles = SUB::Append(data.titles, {WindowText(window)});
  data.visible = SUB::Append(data.visible, {::IsWindowVisible(window) ? "1" : "0"});
  if (!data.allWindows && ((data.nameMask != "*" && SameTextTrim(name, data.nameMask)) ||
                           static_cast<int64_t>(processId) == data.processId)) {
    pass->stopped = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND MainWindowOfProcess(DWORD processId) {
  if (processId == 0)
    return nullptr;
  // Tens of kilobytes of window facts: not on the stack.
  const std::unique_ptr<TAnalizer> analizer(new TAnalizer);
  analizer->Clear(static_cast<int32_t>(processId));
  ::EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(analizer.get()));
  analizer->Score();
  const int main = analizer->MainIndex();
  return main < 0 ? nullptr : reinterpret_cast<HWND>(analizer->window(main).window);
}

HWND FindProcessWindow(const std::string& file, bool fullPathOnly, bool firstMatch) {
  return MainWindowOfProcess(FindProcessId(file, fullPathOnly, firstMatch));
}

bool PostToProcessWindow(const std::string& file, bool fullPathOnly, UINT message, WPARAM wParam,
                         LPARAM lParam) {
  HWND window = FindProcessWindow(file, fullPathOnly, false);
  return window != nullptr && ::PostMessageA(window, message, wParam, lParam) != 0;
}

bool CloseProcessWindow(const std::string& file, bool fullPathOnly, uint32_t waitMs) {
  HWND window = FindProcessWindow(file, fullPathOnly, false);
  DWORD processId = 0;
  if (window == nullptr || ::GetWindowThreadProcessId(window, &processId) == 0 ||
      !::PostMessageA(window, WM_CLOSE, kCloseQuitWParam, kCloseQuitLParam))
    return false;
  // The process the message went to, not any process of that file name.
  return waitMs == 0 || WaitProcessIdEnd(processId, waitMs);
}

bool QuitProcessWindow(const std::string& file, bool fullPathOnly) {
  return PostToProcessWindow(file, fullPathOnly, WM_QUIT, kCloseQuitWParam, kCloseQuitLParam);
}

bool WaitWhileWindowExists(const std::string& className, const std::string& title,
                           uint32_t unansweredLimitMs) {
  const char* wantedTitle = title.empty() ? nullptr : title.c_str();
  HWND silentWindow = nullptr;
  DWORD silentSince = 0;
  for (HWND window; (window = ::FindWindowA(className.c_str(), wantedTitle)) != nullptr;) {
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &ignored)) {
      silentWindow = nullptr;
    } else if (window != silentWindow) {
      silentWindow = window;
      silentSince = ::GetTickCount();
    } else if (::GetTickCount() - silentSince >= unansweredLimitMs) {
      ConsoleLine("WaitWhileWindowExists: the window of class \"" + className +
                  "\" has not answered for " + std::to_string(unansweredLimitMs / 1000) +
                  " s; waiting no longer");
      return false;
    }
    YieldX(0);
    ::Sleep(100);
  }
  return true;
}

void CollectWindows(TProcessData& data) {
  WindowPass pass{data, {}, false};
  const FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot) {
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more;
         more = ::Process32Next(snapshot.get(), &entry))
      pass.exeNames.emplace_back(entry.th32ProcessID,
                                 FileNamePart(entry.szExeFile, IsAnsiLeadByte));
  }
  ::EnumWindows(CollectWindowData, reinterpret_cast<LPARAM>(&pass));
}

}  // namespace orvane
