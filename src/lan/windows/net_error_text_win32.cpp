// SPDX-License-Identifier: GPL-3.0-or-later
// Status texts on Windows: the system's network message table (netmsg.dll,
// loaded as data) for the network codes and the system's own messages for
// the others, so that the user reads what the system's tools say. Where the
// table is missing (Wine has none) the project's own texts stand in.

#include "lan/net_error_text.h"

#include "common/text.h"
#include "common/utf.h"
#include "lan/status_texts.h"

#include <windows.h>

namespace vantor::lan {

namespace {

HMODULE NetworkMessageTable() {
  // Loaded once, as data only: nothing in it runs.
  static const HMODULE module = ::LoadLibraryExW(L"netmsg.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  return module;
}

// The message for code from the module (or only from the system's own
// table when module is null); empty when neither has one. The message's own
// line break is cut off.
std::string Message(HMODULE module, Status code) {
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  if (module) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  wchar_t* buf = nullptr;
  DWORD n = ::FormatMessageW(flags, module, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring text = n > 0 && buf ? std::wstring(buf, n) : std::wstring();
  if (buf) ::LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

}  // namespace

std::string NetErrorText(Status code) {
  if (code >= 2100 && code <= 2999) {
    if (HMODULE table = NetworkMessageTable()) {
      std::string text = Message(table, code);
      return text.empty() ? "Unrecognised Error." : text;
    }
    const char* text = NetworkStatusText(code);
    return text ? text : "Unrecognised Error.";
  }
  if (std::string text = Message(nullptr, code); !text.empty()) return text;
  if (const char* text = SystemErrorText(code)) return text;
  return "Unknown system error " + std::to_string(code) + ".";
}

}  // namespace vantor::lan
