// StubSetup: what a setup launcher does once its hidden main window is up.
//
// StartSetup is the timer handler of a setup launcher's main window; it runs
// the setup flow once. The working folder is where the package is extracted
// and what the main window removes when it is destroyed.
//
// Until the extraction and the engine hand-off arrive, StartSetup only stops
// the timer and ends the message loop, with its start and end traces.
#pragma once

#include <string>

namespace orvane {

// Called on every tick of timer 1 of the main window when the agent flag is
// clear: stops the timer, runs the setup flow and posts the quit message.
void StartSetup();

// The Temp folder + "SETUP_" + the low 16 bits (the time half) of the own
// executable's DOS modification date-time, in decimal. Computed on the first
// call of the process: an existing folder of that name is then deleted with
// its content, and the folder is created with all missing parents. Later
// calls return the cached path, whether or not the folder still exists.
// Empty when the system names no Temp folder.
std::string WorkingFolder();

}  // namespace orvane
