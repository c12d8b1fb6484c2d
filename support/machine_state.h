// The state of the machine the program runs on: its up time and memory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct UpTime {
  std::string text;  // e.g. 0w3d04h05m09s
  int64_t ticks = 0;
  double days = 0;
};

struct MemoryStatus {
  int64_t totalPhys = 0, availPhys = 0, usedPhys = 0;
  double availPhysPercent = 0;
  int64_t totalPageFile = 0, availPageFile = 0, usedPageFile = 0;
  double availPageFilePercent = 0;
  int64_t totalVirtual = 0, availVirtual = 0, usedVirtual = 0;
  double availVirtualPercent = 0;
  bool valid = false;
};

// The up time text for a tick count.
UpTime MachineUpTimeFromTicks(uint32_t ticks);
// The record for figures already read.
MemoryStatus MemoryStatusFromFigures(const platform::MemoryFigures& figures);
// The figures of this machine now; throws std::runtime_error when they
// cannot be read.
MemoryStatus ReadMemoryStatus();
