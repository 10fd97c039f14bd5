// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/net_error_text.h"

#include "lan/status_texts.h"

namespace vantor::lan {

std::string NetErrorText(Status code) {
  if (code >= 2100 && code <= 2999) {
    const char* text = NetworkStatusText(code);
    return text ? text : "Unrecognised Error.";
  }
  if (const char* text = SystemErrorText(code)) return text;
  return "Unknown system error " + std::to_string(code) + ".";
}

}  // namespace vantor::lan
