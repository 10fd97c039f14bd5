// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/windows/stub_guard.h"

#include <mutex>

#include <windows.h>

namespace vantor::lan::win {

namespace {

// The code Wine raises when a program calls a function it only stubs.
constexpr DWORD kWineStubException = 0x80000100;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  std::jmp_buf* jump = detail::CurrentGuard();
  if (!jump || info->ExceptionRecord->ExceptionCode != kWineStubException) return EXCEPTION_CONTINUE_SEARCH;
  detail::CurrentGuard() = nullptr;
  std::longjmp(*jump, 1);
}

}  // namespace

namespace detail {

std::jmp_buf*& CurrentGuard() {
  thread_local std::jmp_buf* current = nullptr;
  return current;
}

void InstallStubHandler() {
  static std::once_flag once;
  std::call_once(once, [] { ::AddVectoredExceptionHandler(1, OnException); });
}

}  // namespace detail

}  // namespace vantor::lan::win
