// SPDX-License-Identifier: GPL-3.0-or-later
// vantorc: the console tool. Everything it does is in the vantor_console
// library; this only sets up the locale and the standard streams.

#include "common/arguments.h"
#include "common/codepage.h"
#include "console/output.h"
#include "console/program.h"
#include "lan/backend.h"

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
  // Only what the tool uses: the character set, the time format and the
  // system's error texts. Numbers in settings files keep their "." whatever
  // the locale, and the other categories are not loaded at all.
  std::setlocale(LC_CTYPE, "");
  std::setlocale(LC_TIME, "");
#ifdef LC_MESSAGES
  std::setlocale(LC_MESSAGES, "");
#endif
  // The tool ends its lines with CR LF itself.
  vantor::UseBinaryStandardOutput();
  vantor::TextCodec codec(vantor::LocaleCharset());
  vantor::console::Output out(stdout, stdin, codec);
  std::vector<std::string> args = vantor::ProgramArguments(argc, argv);
  vantor::console::ProgramEnvironment env;
  env.openNetwork = [] { return vantor::lan::CreateNetApiFromEnvironment(); };
  env.openStore = [] { return vantor::console::StoreReader::OpenDefault(); };
  return vantor::console::RunProgram(args, out, env);
}
