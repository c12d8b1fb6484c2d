#include <string>
#include <vector>

#include "driver/run_frame.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunVarno(args);
}
