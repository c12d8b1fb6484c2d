#include <string>
#include <vector>

#include "driver/run_frame.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  return RunVarno(platform::CommandLineArguments(argc, argv));
}
