#include "store/reg_tool/reg_tool.h"

#include <iostream>

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vantor::store::RunRegTool(args, std::cin, std::cout, std::cerr);
}
