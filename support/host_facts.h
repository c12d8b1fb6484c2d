// Where the program runs and the state of the machine. The routines below
// report a failure and go on with an empty value; the plain records and
// conversions come with this header.
#pragma once

#include <string>

#include "support/machine_state.h"

// Makes the executable's folder current and keeps it in GlobalSettings.EXEPath.
// Returns the folder, or "Error - " and the folder when it cannot be made current.
std::string SetPathToEXEPath();
// The running executable's folder for an empty name; see the .cpp for others.
std::string GetEXEPath(const std::string& name);
// True when `name` (wildcards allowed) exists beside the executable.
bool FileExists(const std::string& name);
// The machine's name, also stored in GlobalSettings.HostName.
std::string GetHostName();
UpTime MachineUpTime();
MemoryStatus GetMemoryStatus();
