// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lan/net_status.h"

#include <string>

namespace vantor::lan {

// The message text for a status: a network status (2100 to 2999) from the
// network message table, "Unrecognised Error." when that table has none;
// any other code from the operating system's texts.
std::string NetErrorText(Status code);

}  // namespace vantor::lan
