// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the console tool's send to one user, enough to drive the
// end-to-end script through the backend chosen by VANTOR_LAN:
//   samba_send_tool [-v] -f -u NAME -m TEXT
// Exit status 0 when sent, 2 when the send failed, 1 for a usage or backend error.
#include "common/utf.h"
#include "lan/backend.h"
#include "lan/net_error_text.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
  bool verbose = false;
  std::string user, text;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-v")
      verbose = true;
    else if (a == "-f")
      continue;
    else if (a == "-u" && i + 1 < argc)
      user = argv[++i];
    else if (a == "-m" && i + 1 < argc)
      text = argv[++i];
    else {
      std::cerr << "usage: samba_send_tool [-v] -f -u NAME -m TEXT\n";
      return 1;
    }
  }
  if (user.empty()) {
    std::cerr << "usage: samba_send_tool [-v] -f -u NAME -m TEXT\n";
    return 1;
  }
  try {
    auto api = vantor::lan::CreateNetApiFromEnvironment();
    std::string computer;
    api->GetComputerName(computer);
    vantor::lan::Status s = api->NetMessageBufferSend({}, user, computer, vantor::Utf8ToUtf16(text));
    if (verbose) {
      std::cout << "Message to User: " << user << (s == 0 ? " succeeded." : " failed.") << "\r\n";
      if (s != 0) std::cout << "Error: (" << vantor::lan::NetErrorText(s) << ")\r\n";
    }
    return s == 0 ? 0 : 2;
  } catch (const vantor::lan::BackendError& e) {
    std::cout << e.what() << "\r\n";
    return 1;
  }
}
