#include "support/host_facts.h"

#include "platform/platform.h"
#include "support/guarded.h"
#include "support/settings.h"
#include "support/text_tools.h"

namespace {

// Everything up to and including the last separator; "" when there is none.
std::string FolderPart(const std::string& path) {
  const size_t separator = path.find_last_of(platform::PathSeparator());
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

std::string reported::EnterProgramFolder() {
  return Guarded("loam32.SetPathToEXEPath", 0, {}, [] {
    const std::string folder = FolderPart(reported::ProgramPath(""));
    // A folder that cannot be made current is an answer, not a failure.
    if (!platform::SetCurrentDirectory(folder)) return "Error - " + folder;
    processSettings.exeFolder = folder;
    return folder;
  });
}

// An empty name gives the running executable's folder. The sibling program
// "zumo.exe" (any case) is looked for at its fixed location only; other names
// come from the platform's registry of application paths ("" where it has none).
std::string reported::ProgramPath(const std::string& name) {
  return Guarded("loam32.GetEXEPath", 100, {}, [&name] {
    if (name.empty()) return FolderPart(platform::ExecutablePath());
    if (SameTextNoCase(name, "zumo.exe")) {
      const std::string fixed = platform::SiblingProgramPath();
      return platform::DirectoryEntryExists(fixed) ? fixed : std::string();
    }
    return platform::RegisteredApplicationPath(name);
  });
}

bool reported::ExistsBesideProgram(const std::string& name) {
  return Guarded("loam32.FileExists", 100, false, [&name] {
    return platform::DirectoryEntryExists(processSettings.exeFolder + name);
  });
}

std::string reported::HostName() {
  return Guarded("loam32.GetHostName", 0, {}, [] {
    const std::string name = platform::ComputerName();
    processSettings.hostName = name;
    return name;
  });
}
