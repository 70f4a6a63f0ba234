// tnltool: see tnl_tool.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/tnltool/tnl_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantrel::RunTnlTool(args, std::cout, std::cerr);
}
