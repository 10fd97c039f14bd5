// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/arguments.h"
#include "store/reg_tool/reg_tool.h"

#include <iostream>

int main(int argc, char** argv) {
  // The same bytes on every platform: lines end with LF.
  vantor::UseBinaryStandardOutput();
  std::vector<std::string> args = vantor::ProgramArguments(argc, argv);
  return vantor::store::RunRegTool(args, std::cin, std::cout, std::cerr);
}
