// vorlanth-sim: runs the bench without a window (see README.md).

#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/simulator.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vorlanth::RunSimulator(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
