// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console programs take from and give to the system the same way on
// every platform: their arguments as UTF-8, their output as bytes.

#include <string>
#include <vector>

namespace vantor {

// The arguments after the program's name, in UTF-8. On Windows they are
// read from the wide command line, since argv there holds them in the ANSI
// code page, which cannot hold every name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and error write exactly the bytes given: on Windows they
// would otherwise turn each LF into CR LF.
void UseBinaryStandardOutput();

}  // namespace vantor
