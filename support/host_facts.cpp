#include "support/host_facts.h"

#include <exception>
#include <stdexcept>

#include "platform/platform.h"
#include "support/exception_report.h"
#include "support/settings.h"
#include "support/text_helpers.h"

namespace {

// The sibling program's fixed default location, tested exactly as written.
constexpr const char* kZumoPath = "C:\\Program Files (x86)\\Bemstead\\Zumo\\Zumo.exe";

// Everything up to and including the last separator; "" when there is none.
std::string FolderPart(const std::string& path) {
  const size_t separator = path.find_last_of(platform::PathSeparator());
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string TwoDigits(uint32_t value) {
  return std::string{static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

double Percent(int64_t part, int64_t whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) * 100.0 : 0.0;
}

}  // namespace

std::string SetPathToEXEPath() {
  try {
    const std::string folder = FolderPart(GetEXEPath(""));
    // A folder that cannot be made current is an answer, not a failure.
    if (!platform::SetCurrentDirectory(folder)) return "Error - " + folder;
    GlobalSettings.EXEPath = folder;
    return folder;
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.SetPathToEXEPath", e, 0);
    return {};
  }
}

// An empty name gives the running executable's folder. The sibling program
// "zumo.exe" (any case) is looked for at its fixed location only; other names
// come from the platform's registry of application paths ("" where it has none).
std::string GetEXEPath(const std::string& name) {
  try {
    if (name.empty()) return FolderPart(platform::ExecutablePath());
    if (SameTextNoCase(name, "zumo.exe"))
      return platform::DirectoryEntryExists(kZumoPath) ? kZumoPath : "";
    return platform::RegisteredApplicationPath(name);
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.GetEXEPath", e, 100);
    return {};
  }
}

bool FileExists(const std::string& name) {
  try {
    return platform::DirectoryEntryExists(GlobalSettings.EXEPath + name);
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.FileExists", e, 100);
    return false;
  }
}

std::string GetHostName() {
  try {
    const std::string name = platform::ComputerName();
    GlobalSettings.HostName = name;
    return name;
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.GetHostName", e, 0);
    return {};
  }
}

tMachineUpTime MachineUpTime() {
  try {
    return MachineUpTimeFromTicks(platform::TickCount());
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.MachineUpTime", e, 0);
    return {};
  }
}

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
  upTime.Text = std::to_string(weeks) + "w" + std::to_string(days) + "d" + TwoDigits(hours) + "h" +
                TwoDigits(minutes) + "m" + TwoDigits(seconds) + "s";
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

tMemoryStatusRec GetMemoryStatus() {
  try {
    platform::MemoryFigures figures;
    if (!platform::ReadMemoryFigures(figures))
      throw std::runtime_error("the memory status cannot be read");
    return MemoryStatusFromFigures(figures);
  } catch (const std::exception& e) {
    ReportCaughtFailure("loam32.GetMemoryStatus", e, 100);
    return {};
  }
}
