// Project: the INI project file of a build, and command-line settings, read
// into a BuildPlan.
//
//   [Setup]      Stub, Output, MaxVolumeSize, MaxEntrySize, FirstVolume,
//                Compression and the flags (ShowTempNotice, RelaunchFromTemp,
//                ActivityBar, AgentLog, InternetSetup, ConfirmDownload,
//                AgentCopy, AgentFlag)
//   [Files]      source = name[*start arguments], one file per line
//   [Language.X] key = text lines of language X, in section order
//   [Internet]   InfoUrl, InfoFile, AgentFile, ProductToken, RunHidden
//   [Download]   Location, FileName, SkipLocalCopy, Token, Size, File, Sha256
//
// The file is UTF-8 (a byte-order mark at its start is skipped); language
// texts are converted to their code page when stored (LanguageTexts.h).
// Section and key names ignore case. Lines starting with ";" or "#" are
// comments, and so is the rest of a line from a ";" that follows a blank.
// Blanks around keys and values are dropped; a value in double quotes keeps
// what lies between them (blanks and ";" included). Paths are relative to
// the project file's folder (command-line paths to the current folder).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "BuildPlan.h"

namespace orvane::stubpack {

// Reads a project file's text into `plan`, ${NAME} in values and [Files]
// sources replaced from `plan.defines` (Variables.h). `path` names the file in messages
// and is the base of its relative paths; without Output=, the output is the
// project's name with the extension ".exe" beside it. A key given twice in a
// section, an unknown section or key, and values that do not parse are
// errors.
void ReadProject(std::string_view text, const std::string& path, BuildPlan& plan,
                 Problems& problems);

// One setting from the command line, as if written under [section]; it
// replaces what the project set (under [Files] it adds a file). Paths are
// relative to the current folder. `value` is absent for a [Files] source
// given without "=".
void ApplySetting(std::string_view section, std::string_view key, const std::string* value,
                  BuildPlan& plan, Problems& problems);

// Replaces every [Files] item whose source has "*" or "?" in its file-name
// part by the matching files of that folder, in name order, each under its
// own name. A pattern that matches nothing is an error. The files the build
// writes (the output, its volumes OUTPUT.NNN and the temporary files of
// both) are left out, with a note in `notes` (their `warning` is false).
void ExpandFileWildcards(BuildPlan& plan, Problems& problems, Problems& notes);

// "650M", "64K", "1G", "1048576": a byte count with an optional binary
// suffix (K, KB, KiB, M, ..., any case). False for anything else.
bool ParseByteSize(std::string_view text, uint64_t& bytes);
// 1/0, yes/no, true/false, on/off (any case).
bool ParseBool(std::string_view text, bool& value);

}  // namespace orvane::stubpack
