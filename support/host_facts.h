// Where the program runs and the state of the machine.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct tMachineUpTime {
  std::string Text;  // e.g. 0w3d04h05m09s
  int64_t Ticks = 0;
  double Days = 0;
};

struct tMemoryStatusRec {
  int64_t TotalPhys = 0, AvailPhys = 0, UsedPhys = 0;
  double AvailPhysPercent = 0;
  int64_t TotalPageFile = 0, AvailPageFile = 0, UsedPageFile = 0;
  double AvailPageFilePercent = 0;
  int64_t TotalVirtual = 0, AvailVirtual = 0, UsedVirtual = 0;
  double AvailVirtualPercent = 0;
  bool Valid = false;
};

// Makes the executable's folder current and keeps it in GlobalSettings.EXEPath.
// Returns the folder, or "Error - " and the folder when it cannot be made current.
std::string SetPathToEXEPath();
// The running executable's folder for an empty name; see the .cpp for others.
std::string GetEXEPath(const std::string& name);
// True when `name` (wildcards allowed) exists beside the executable.
bool FileExists(const std::string& name);
// The machine's name, also stored in GlobalSettings.HostName.
std::string GetHostName();
tMachineUpTime MachineUpTime();
// The up time text for a tick count (split out so it can be tested).
tMachineUpTime MachineUpTimeFromTicks(uint32_t ticks);
tMemoryStatusRec GetMemoryStatus();
// The record for figures already read (split out so it can be tested).
tMemoryStatusRec MemoryStatusFromFigures(const platform::MemoryFigures& figures);
