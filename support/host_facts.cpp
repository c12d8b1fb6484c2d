// Placeholder bodies; the real routines replace them.
#include "support/host_facts.h"

std::string SetPathToEXEPath() { return {}; }
std::string GetEXEPath(const std::string&) { return {}; }
bool FileExists(const std::string&) { return false; }
std::string GetHostName() { return {}; }
tMachineUpTime MachineUpTime() { return {}; }
tMachineUpTime MachineUpTimeFromTicks(uint32_t) { return {}; }
tMemoryStatusRec GetMemoryStatus() { return {}; }
