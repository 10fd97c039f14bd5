// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One message over one NetBIOS session: connect, session request, start,
// text blocks, end, close. Each step waits for its answer within the reply
// time-out, and the whole message ends by its own deadline however promptly
// the peer answers each step; the message counts as delivered only when the
// end command was answered with success.

#include "lan/net_status.h"
#include "lan/samba/socket_io.h"

#include <chrono>
#include <string>
#include <vector>

namespace vantor::lan::samba {

struct MessageDelivery {
  Endpoint peer;
  std::string calledName;   // the recipient, in capitals, in the wire's code page
  std::string callingName;  // this computer, likewise
  std::string from;         // sender and recipient as the start command carries them
  std::string to;
  std::vector<std::string> blocks;  // the text, at most 127 bytes a block
  std::chrono::milliseconds connectTimeout{3000};
  std::chrono::milliseconds replyTimeout{5000};
};

// deadline: the end of the whole message (and the signal that cancels it);
// passing it gives ERROR_TIMEOUT, the signal ERROR_REQUEST_ABORTED.
Status DeliverMessage(const MessageDelivery& delivery, const Deadline& deadline);

}  // namespace vantor::lan::samba
