// vorlanth-league: gathers the league's runs (see README.md, "The league").

#include <iostream>
#include <string>
#include <vector>

#include "tools/league.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return vorlanth::RunLeague(args, std::cin, std::cout, std::cerr);
}
