// vantrel-eval: see eval_tool.h and --help.
#include <iostream>
#include <string>
#include <vector>

#include "tools/vantrel-eval/eval_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantrel::RunEvalTool(args, std::cin, std::cout, std::cerr);
}
