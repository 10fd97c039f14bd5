// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Setting this computer up to receive messages, in one step (run as root):
// smb.conf's [global] section gets the lines that hand each message smbd
// receives to the delivery helper and allow the old protocol (SMB1) that
// messages travel by, and the spool is made. Undone by RemoveReceiving.
//
// The lines are added between two marker comments:
//
//   # Added by vantor-receive --setup; vantor-receive --remove takes it out.
//      message command = HELPER --spool=SPOOL --file=%s --from=%f --to=%L
//      server min protocol = NT1
//   # End of the lines added by vantor-receive --setup.
//
// A line of [global] that they replace stays in the file, commented out
// behind ";vantor-receive; ", and is given back by RemoveReceiving, so that
// adding and then removing gives the file back as it was.

#include <sys/types.h>

#include <iosfwd>
#include <string>
#include <string_view>

namespace vantor::receive {

// The `message command` value. charset: smb.conf's unix charset when it is
// not UTF-8 (else empty).
std::string MessageCommand(const std::string& helper, const std::string& spool, const std::string& charset);

// smb.conf's text with the lines added; those of an earlier set-up are
// replaced. The protocol line is added only when the file's own minimum
// protocol does not allow messages.
std::string AddReceiving(std::string_view smbConf, const std::string& messageCommand);
// smb.conf's text without them, and with the lines they replaced restored.
std::string RemoveReceiving(std::string_view smbConf);

// Makes the spool (see receive/spool.h and lan/samba/message_names.h) or
// brings its modes back, and names the computer. False, with why.
bool CreateSpool(const std::string& spool, gid_t guestGroup, const std::string& computerName, std::string& why);

struct SetupOptions {
  std::string smbConf = "/etc/samba/smb.conf";
  std::string spool;   // empty: the default
  std::string helper;  // empty: the installed delivery helper
};
// vantor-receive --setup and --remove: the exit status, reports on out and
// errors on err.
int RunSetup(const SetupOptions& options, std::ostream& out, std::ostream& err);
int RunRemove(const SetupOptions& options, std::ostream& out, std::ostream& err);

// The delivery helper as installed, or the one beside the build when the
// installed one is missing.
std::string DefaultHelper();

}  // namespace vantor::receive
