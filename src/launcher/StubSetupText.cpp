#include "launcher/StubSetupText.h"

#include "package/PackFormat.h"
#include "util/NumberText.h"
#include "util/PathText.h"
#include "util/UtilsText.h"

namespace orvane {

std::string FormatMB(double bytes) {
  const double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
  const int decimals = mb > 10 ? 1 : (mb >= 1 ? 2 : 3);
  return FixedText(mb, decimals);
}

std::string RemoveSwitch(std::string_view commandLine, std::string_view name) {
  std::string result(commandLine);
  const size_t at = name.empty() ? std::string::npos : result.find(name);
  if (at == std::string::npos)
    return result;
  // The switch's own "/" is the first character deleted; the cut ends before
  // the next "/".
  size_t stop = at + 1;
  while (stop < result.size() && result[stop] != '/')
    ++stop;
  result.erase(at, stop - at);
  return result;
}

std::string EngineCommandLine(const EngineLaunch& launch) {
  std::string program = launch.startEntry;
  std::string arguments = launch.switches;
  const size_t star = launch.startEntry.find('*');
  if (star != std::string::npos) {
    program = Trim(launch.startEntry.substr(0, star));
    arguments = Trim(arguments + " " + Trim(launch.startEntry.substr(star + 1)));
  }
  std::string command =
      ProgramPathForCommandLine(NormalizeTrailingBackslash(launch.extractDir, true) + program);
  if (!arguments.empty())
    command += " " + arguments;
  command += " /TH_ID=" + launch.threadTag;
  if (command.find("/OriginExe=") == std::string::npos)
    command += " /OriginExe=\"" + launch.ownPath + "\"";
  if (launch.agent)
    command += " /AutoUpdateProg";
  command = RemoveSwitch(command, "/SpanCdLvl=");
  return RemoveSwitch(command, "/SpanDiskFName1=");
}

std::string SpaceMessage(std::string_view text, std::string_view s4, std::string_view s5,
                         std::string_view s6, std::string_view drive, double required,
                         double available) {
  std::string message = std::string(text) + std::string(s4) + std::string(s5) + std::string(s6);
  message = ReplaceAll(message, "<DRIVE>", drive);
  message = ReplaceAll(message, "<SPACE_REQ>", FormatMB(required));
  return ReplaceAll(message, "<SPACE_AVAIL>", FormatMB(available));
}

char BetterTempDrive(const double freeBytes[3], char tempLetter) {
  char best = tempLetter;
  double most = 0;
  for (int i = 0; i < 3; ++i) {
    if (freeBytes[i] > most) {
      most = freeBytes[i];
      best = static_cast<char>('C' + i);
    }
  }
  return best == tempLetter ? 0 : best;
}

std::string RelaunchSwitches(std::string_view commandTail, std::string_view firstVolume,
                             std::string_view ownPath) {
  return Trim(std::string(commandTail) + " /SpanCdLvl=2 /SpanDiskFName1=\"" +
              std::string(firstVolume) + "\" /OriginExe=\"" + std::string(ownPath) + "\"");
}

uint32_t ExtractionExitCode(const ExtractionOutcome& outcome, bool hidden) {
  if (outcome.noPackage)
    return kExitNoPackage;
  if (!outcome.damage.empty())
    return kExitDamaged;
  if (outcome.cancelled)
    return hidden ? kExitVolumeMissing : kExitCancelled;
  if (!outcome.checksumOk)
    return kExitChecksum;
  if (outcome.writeFailed)
    return kExitWriteFailed;
  if (outcome.startEntry.empty())
    return kExitStartFailed;
  return 0;
}

std::string WorkingFolderName(uint32_t stamp, int attempt) {
  std::string name = "SETUP_" + std::to_string(stamp);
  if (attempt > 1)
    name += "_" + std::to_string(attempt);
  return name;
}

std::string WorkingFolderMutexName(std::string_view folder) {
  // FNV-1a over the upper-case path: paths of any length give a short name.
  uint64_t hash = 14695981039346656037ull;
  for (char c : UpperCaseAscii(folder)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return "OrvaneWorkingFolder_" + HexText(hash, 16);
}

std::string DownloadQuestion(std::string_view s11, std::string_view sizeText) {
  uint64_t bytes = 0;
  if (IsDecimalDigits(sizeText) && sizeText.size() <= 19) {
    for (char c : sizeText)
      bytes = bytes * 10 + static_cast<uint64_t>(c - '0');
  }
  return ReplaceAll(s11, "<SIZE>", FormatMB(static_cast<double>(bytes)));
}

std::string LocalSetupPath(std::string_view folder, std::string_view fileName) {
  return NormalizeTrailingBackslash(folder, true) + std::string(fileName);
}

std::string AgentCopyImage(std::string data) {
  const uint64_t end =
      pack::ReadPackageEndPointer(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  if (end != 0 && end < data.size() && data.size() - end < 10000)
    data.resize(end);
  // The flag lives in the trailer, which ends where the package ends; a tail
  // left after it (a long signature) is not the place for it.
  const uint64_t trailerEnd = end != 0 && end <= data.size() ? end : data.size();
  if (trailerEnd > 5)
    data[trailerEnd - 5] = 1;
  return data;
}

std::string Sha256MismatchText(std::string_view expected, std::string_view actual,
                               std::string_view path) {
  if (!pack::IsSha256Text(expected)) {
    return "This installer does not name its setup file's SHA-256 correctly, so the file "
           "cannot be checked.<P><P>File: " +
           std::string(path);
  }
  if (pack::IsSha256Text(actual) && LowerCaseAscii(expected) == LowerCaseAscii(actual))
    return {};
  return "The setup file is not the one this installer was made for: its SHA-256 differs."
         "<P><P>File: " +
         std::string(path) + "<P>Expected SHA-256: " + LowerCaseAscii(expected) +
         "<P>SHA-256 found: " + (actual.empty() ? std::string("-") : LowerCaseAscii(actual));
}

}  // namespace orvane
