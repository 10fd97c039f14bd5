// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/usage.h"

#include "console/banner.h"

#include <string_view>

namespace vantor::console {

namespace {
// Markers in the screen below: the banner, and the pause between pages.
constexpr std::string_view kBanner =
    "\x01"
    "banner";
constexpr std::string_view kPause =
    "\x01"
    "pause";

// clang-format off
constexpr std::string_view kScreen[] = {
    "",
    kBanner,
    "",
    "Vantorc can be used to send popup messages or to show information",
    "about the local network.  It can use lists that have been created",
    "in Vantor and can also send to groups.",
    "The following are examples of the usage for Vantorc.  For further",
    "information, see the accompanying 'vantorc_readme.txt' file.",
    "",
    "Message options-----------------------------------------------",
    "  Send a message to recipients -",
    "    vantorc -g <GROUP1>[,<GROUP2>...]   -m \"Message text\"",
    "    vantorc -d <DOMAIN1>[,<DOMAIN2>...] -m \"Message text\"",
    "    vantorc -p <PC1>[,<PC2>...]         -m \"Message text\"",
    "    vantorc -u <USER1>[,<USER2>...]     -m \"Message text\"",
    "    vantorc -l <LIST1>[,<LIST2>...]     -m \"Message text\"",
    "",
    "",
    kPause,
    kBanner,
    "",
    "Display options-----------------------------------------------",
    "  Show a list of the domain groups",
    "    vantorc -sg",
    "  Show a list of users known to the domain",
    "    vantorc -su",
    "  Show a list of PCs known to the domain",
    "    vantorc -sp",
    "  Show a list of available domains",
    "    vantorc -sd",
    "  Show the Vantor Lists found in the registry",
    "    vantorc -sl",
    "  Show a list of everything",
    "    vantorc -se",
    "  Show a list of active users and PCs",
    "    vantorc -sa",
    "",
    "",
    kPause,
    kBanner,
    "",
    "Query for active session options------------------------------",
    "  Query the Domain controllers (This is the default)",
    "    vantorc -qd",
    "  Query a list of named servers",
    "    vantorc -qs \"SERVER1,SERVER2\"",
    "  Query all detected servers",
    "    vantorc -qa",
    "  Query all servers in a file",
    "    vantorc -qf <FILENAME>",
    "  Query servers checked in Vantor server tab",
    "    vantorc -qn",
    "  Do not query any servers.  Send messages regardless",
    "    vantorc -f",
    "",
    "",
    "",
    "",
    kPause,
    kBanner,
    "",
    "Miscellaneous options-----------------------------------------",
    "  Show this vantorc help screen -",
    "    vantorc [-help|-?]",
    "  This example has verbose output and no servers are checked",
    "    vantorc -v -f -l <LIST1> -m \"Message text\"",
    "  This example shows everything in a bare format",
    "    vantorc -b -se",
    "  This option tests the command with implicit verbose output,",
    "  This option does everything but send the message",
    "    vantorc -t -l <LIST1> -m \"Message text\"",
    "  This option does a verbose test scan of the network",
    "    vantorc -t",
    "",
    "--------------------------------------------------------------",
    "",
    "",
    "",
};
// clang-format on
}  // namespace

void PrintUsage(Output& out, UsagePaging paging) {
  for (std::string_view line : kScreen) {
    if (line == kBanner) {
      PrintBanner(out);
    } else if (line == kPause) {
      if (paging == UsagePaging::Continuous) continue;
      out.Line("Press <enter> to continue...");
      out.WaitForEnter();
    } else {
      out.Line(line);
    }
  }
}

}  // namespace vantor::console
