// The state of the machine the program runs on: its up time and memory.
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

// The up time text for a tick count.
tMachineUpTime MachineUpTimeFromTicks(uint32_t ticks);
// The record for figures already read.
tMemoryStatusRec MemoryStatusFromFigures(const platform::MemoryFigures& figures);
// The figures of this machine now; throws std::runtime_error when they
// cannot be read.
tMemoryStatusRec ReadMemoryStatus();
