#include <string>
#include <vector>

#include "driver/run_frame.h"
#include "platform/platform.h"

// The run's state stays until the process ends: freeing a long list item by
// item takes longer than the system takes to reclaim the memory at exit. It
// stays reachable, so leak checkers do not count it.
RunState* processRun = nullptr;

int main(int argc, char** argv) {
  processRun = new RunState;
  return RunVarno(*processRun, platform::CommandLineArguments(argc, argv));
}
