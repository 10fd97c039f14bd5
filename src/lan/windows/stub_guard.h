// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calls into system libraries that may hold functions which exist only as
// stubs. Wine's netapi32 exports the message-name, message-send,
// group-member and trusted-domain calls, but a call to one of them raises
// Wine's "unimplemented function" exception, which ends the process. Through
// GuardStubs such a call instead gives ERROR_CALL_NOT_IMPLEMENTED (120).
//
// The guarded function must not build objects with destructors: on a stub
// the call is left by a long jump. Windows itself never raises the
// exception, so there the guard only costs a jump buffer.

#include <csetjmp>
#include <cstdint>

namespace vantor::lan::win {

inline constexpr std::uint32_t kStubStatus = 120;  // ERROR_CALL_NOT_IMPLEMENTED

namespace detail {
// The jump buffer of the guarded call running on this thread, if any.
std::jmp_buf*& CurrentGuard();
void InstallStubHandler();
}  // namespace detail

template <class F>
std::uint32_t GuardStubs(F&& call) {
  detail::InstallStubHandler();
  std::jmp_buf jump;
  std::jmp_buf*& current = detail::CurrentGuard();
  std::jmp_buf* outer = current;
  volatile std::uint32_t status = kStubStatus;
  if (setjmp(jump) == 0) {
    current = &jump;
    status = static_cast<std::uint32_t>(call());
  }
  current = outer;
  return status;
}

}  // namespace vantor::lan::win
