// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the delivery helper does with one message that smbd received: smbd
// runs it as its `message command`, as the guest account, with the file
// holding the text, the sender and the recipient:
//
//   vantor-deliver --spool=DIR --file=%s --from=%f --to=%L
//
// Sender and recipient come from the network. They are checked for length,
// converted and cleaned, compared with the registered names and never used
// to build a path; the helper runs no other program.

#include "common/clock.h"

#include <string>
#include <string_view>
#include <vector>

namespace vantor::receive {

struct DeliverOptions {
  std::string spool;
  std::string charset = "UTF-8";  // smb.conf's unix charset: that of the file and the names
  std::string logFile;            // empty: the system log
  std::string file;
  std::string from;
  std::string to;
};

// Reads the helper's arguments: --spool=DIR, --charset=NAME, --log=FILE,
// --file=PATH, --from=NAME and --to=NAME. An argument that is no option
// continues the one before it after a blank, as smbd's shell splits a name
// that holds blanks. False, with why, for anything else.
bool ParseDeliverArguments(const std::vector<std::string>& args, DeliverOptions& out, std::string& why);

struct DeliverResult {
  bool delivered = false;         // to at least one user
  std::vector<std::string> log;  // one line per outcome
};

// Reads and removes the message file, cleans what the network gave and
// leaves the message in the inbox of each user it reaches (see
// MessageNames::Resolve; hostName is this computer's host name).
DeliverResult DeliverIncoming(const DeliverOptions& options, Clock::TimePoint now, std::string_view hostName);

}  // namespace vantor::receive
