// Where the program runs and the state of the machine. The routines below
// report a failure and go on with an empty value; the plain records and
// conversions come with this header.
#pragma once

#include <string>

#include "support/machine_state.h"

namespace reported {

// Makes the executable's folder current and keeps it in processSettings.exeFolder.
// Returns the folder, or "Error - " and the folder when it cannot be made current.
std::string EnterProgramFolder();
// The running executable's folder for an empty name; see the .cpp for others.
std::string ProgramPath(const std::string& name);
// True when `name` (wildcards allowed) exists beside the executable.
bool ExistsBesideProgram(const std::string& name);
// The machine's name, also stored in processSettings.HostName.
std::string HostName();

}  // namespace reported
