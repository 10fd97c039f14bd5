// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/arguments.h"

#include "common/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>
#endif

#include <cstdio>

namespace vantor {

#ifdef _WIN32

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int n = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (!wide) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < n; ++i) {
    std::wstring_view w(wide[i]);
    args.push_back(Utf16ToUtf8(std::u16string(w.begin(), w.end())));
  }
  ::LocalFree(wide);
  return args;
}

void UseBinaryStandardOutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

#else

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseBinaryStandardOutput() {}

#endif

}  // namespace vantor
