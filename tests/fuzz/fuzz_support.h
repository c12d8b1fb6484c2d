// Shared set-up of the fuzz targets: the parts of a run on list.json and a
// fixed clock. Each target works in a scratch folder of its own where
// the run log cannot be written (a folder holds its name) and with the console
// closed, so that the progress lines cost little and leave nothing behind.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/date_time.h"
#include "support/run_clock.h"
#include "support/run_log.h"
#include "support/settings.h"
#include "tasklist/item.h"
#include "tasklist/list_files.h"

namespace fuzz {

inline void EnterQuietScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/varno-fuzz-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr || ::chdir(folder.c_str()) != 0) std::abort();
  if (::mkdir(kRunLogFile, 0700) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

// Friday 2025-10-03 13:53:07, the end-to-end tests' clock.
inline DateTime FixedNow() {
  return EncodeDateTime({2025, 10, 3, 13, 53, 7, 0});
}

// The parts of a run on list.json that the task list and the publishing pass use.
struct ListRun {
  RunClock clock = ClockAt(FixedNow());
  ListFiles files = NameListFiles("list.json", clock.now);
  ItemList list;
  RunLog log;
};

inline std::string_view TextOf(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Stops the target with a crash report: a property that must hold did not.
[[noreturn]] inline void PropertyFailed(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

}  // namespace fuzz
