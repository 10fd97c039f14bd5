// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/registry_root.h"

#include <atomic>

#include <windows.h>

namespace vantor::test {

RegistryRoot::RegistryRoot() {
  static std::atomic<unsigned> counter{0};
  path_ = "Software\\VantorTests\\" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
}

RegistryRoot::~RegistryRoot() {
  std::wstring wide(path_.begin(), path_.end());  // ASCII
  ::RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str());
}

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace vantor::test
