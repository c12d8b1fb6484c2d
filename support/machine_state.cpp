#include "support/machine_state.h"

#include <stdexcept>

#include "support/text_tools.h"

namespace {

double Percent(int64_t part, int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) * 100.0 : 0.0;
}

}  // namespace

UpTime MachineUpTimeFromTicks(uint32_t ticks) {
  UpTime upTime;
  upTime.ticks = ticks;
  uint32_t rest = ticks;
  const uint32_t weeks = rest / 604800000u;
  rest %= 604800000u;
  const uint32_t days = rest / 86400000u;
  rest %= 86400000u;
  const uint32_t hours = rest / 3600000u;
  rest %= 3600000u;
  const uint32_t minutes = rest / 60000u;
  rest %= 60000u;
  const uint32_t seconds = rest / 1000u;
  upTime.text = std::to_string(weeks) + "w" + std::to_string(days) + "d" + ZeroPadded(hours, 2) +
                "h" + ZeroPadded(minutes, 2) + "m" + ZeroPadded(seconds, 2) + "s";
  upTime.days = weeks * 7.0 + days + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
  return upTime;
}

MemoryStatus MemoryStatusFromFigures(const platform::MemoryFigures& figures) {
  MemoryStatus status;
  status.totalPhys = figures.totalPhys;
  status.availPhys = figures.availPhys;
  status.usedPhys = figures.totalPhys - figures.availPhys;
  status.availPhysPercent = Percent(figures.availPhys, figures.totalPhys);
  status.totalPageFile = figures.totalPageFile;
  status.availPageFile = figures.availPageFile;
  status.usedPageFile = figures.totalPageFile - figures.availPageFile;
  status.availPageFilePercent = Percent(figures.availPageFile, figures.totalPageFile);
  status.totalVirtual = figures.totalVirtual;
  status.availVirtual = figures.availVirtual;
  status.usedVirtual = figures.totalVirtual - figures.availVirtual;
  status.availVirtualPercent = Percent(figures.availVirtual, figures.totalVirtual);
  status.valid = true;
  return status;
}

MemoryStatus ReadMemoryStatus() {
  platform::MemoryFigures figures;
  if (!platform::ReadMemoryFigures(figures)) {
    throw std::runtime_error("the memory status cannot be read");
  }
  return MemoryStatusFromFigures(figures);
}
