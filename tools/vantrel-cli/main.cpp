// vantrel-cli: see cli.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vantrel-cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantrel::RunCli(args, std::cout, std::cerr);
}
