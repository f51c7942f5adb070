// ZDebugDevice: the console device behind ConsoleWrite/ConsoleLine.
//
// Output modes: 0 = viewer window only (what the launcher ships with),
// 1 = debug file only, 2 = both, anything else forwards nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "util/Handles.h"
#include "util/ZDebugText.h"

namespace orvane {

class ConsoleDevice final : private ConsoleBuffer::Sink {
 public:
  static constexpr uint8_t kShippedMode = 0;
  static constexpr const char* kDebugFile = "C:\\ProgramData\\_zdebug.txt";
  static constexpr const char* kViewerClass = ".ZDebug.";
  static constexpr const char* kViewerMessage = ".Z_DebugMsg.";
  static constexpr WPARAM kViewerWParam = 1;

  ConsoleDevice(uint8_t mode, std::string debugFile);
  ConsoleDevice(const ConsoleDevice&) = delete;
  ConsoleDevice& operator=(const ConsoleDevice&) = delete;

  void Write(std::string_view text);
  void Flush();

  // The process-wide device, installed on first use with the shipped mode.
  static ConsoleDevice& Instance();

 private:
  // The buffer's pieces go to the debug file and the viewer window.
  void Forward(std::string_view piece) override;

  const uint8_t mode_;
  const std::string debugFile_;
  const UINT viewerMessage_;
  CriticalSection lock_;
  ConsoleBuffer buffer_;
};

}  // namespace orvane
