// StubSetupInternet: the setup flow of an internet setup, a launcher whose
// package carries no files but names a setup file on a web server.
//
// The launcher writes its agent copy when asked to, takes the setup file from
// its own folder when it lies there or else downloads it into the Temp
// folder (asking first when the package wants that), checks that the file
// belongs to this installer (its SHA-256 when the package names one, and its
// download token), runs it as a local package and deletes what it fetched.
#pragma once

#include <string>

namespace orvane {

// The internet branch of StartSetup: the agent copy when `agentName` is not
// empty, then InternetSetup from the download location, or from the
// launcher's own folder when the setup file lies there (unless the package
// skips local copies).
void StartInternetSetup(const std::string& agentName);

// Fetches `fileName` from `source` (a URL or a folder) unless it lies in the
// folder `source`, checks it and runs it with RunSetup into `extractDir`.
// Every outcome is shown to the user (in a hidden run, traced) and becomes
// the process exit code.
void InternetSetup(const std::string& extractDir, const std::string& source,
                   const std::string& fileName);

// Writes the launcher's agent copy into the working folder as `agentName`:
// the launcher file without what follows its package, marked as an agent.
void WriteAgentCopy(const std::string& agentName);

}  // namespace orvane
