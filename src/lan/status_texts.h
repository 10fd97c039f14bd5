// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts behind NetErrorText: the network message table and the operating
// system's messages for the codes this system can meet.

#include "lan/net_status.h"

namespace vantor::lan {

// The text of a network status (2100 to 2999), or nullptr when the table has none.
const char* NetworkStatusText(Status code);
// The text of a system error code, or nullptr when the table has none.
const char* SystemErrorText(Status code);

}  // namespace vantor::lan
