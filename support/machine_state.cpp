#include "support/machine_state.h"

#include <stdexcept>

#include "support/text_tools.h"

namespace {

double Percent(int64_t part, int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) * 100.0 : 0.0;
}

}  // namespace

tMachineUpTime MachineUpTimeFromTicks(uint32_t ticks) {
  tMachineUpTime upTime;
  upTime.Ticks = ticks;
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
  upTime.Text = std::to_string(weeks) + "w" + std::to_string(days) + "d" + ZeroPadded(hours, 2) +
                "h" + ZeroPadded(minutes, 2) + "m" + ZeroPadded(seconds, 2) + "s";
  upTime.Days = weeks * 7.0 + days + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
  return upTime;
}

tMemoryStatusRec MemoryStatusFromFigures(const platform::MemoryFigures& figures) {
  tMemoryStatusRec status;
  status.TotalPhys = figures.TotalPhys;
  status.AvailPhys = figures.AvailPhys;
  status.UsedPhys = figures.TotalPhys - figures.AvailPhys;
  status.AvailPhysPercent = Percent(figures.AvailPhys, figures.TotalPhys);
  status.TotalPageFile = figures.TotalPageFile;
  status.AvailPageFile = figures.AvailPageFile;
  status.UsedPageFile = figures.TotalPageFile - figures.AvailPageFile;
  status.AvailPageFilePercent = Percent(figures.AvailPageFile, figures.TotalPageFile);
  status.TotalVirtual = figures.TotalVirtual;
  status.AvailVirtual = figures.AvailVirtual;
  status.UsedVirtual = figures.TotalVirtual - figures.AvailVirtual;
  status.AvailVirtualPercent = Percent(figures.AvailVirtual, figures.TotalVirtual);
  status.Valid = true;
  return status;
}

tMemoryStatusRec ReadMemoryStatus() {
  platform::MemoryFigures figures;
  if (!platform::ReadMemoryFigures(figures)) {
    throw std::runtime_error("the memory status cannot be read");
  }
  return MemoryStatusFromFigures(figures);
}
