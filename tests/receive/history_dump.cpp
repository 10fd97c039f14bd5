// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the history of received messages of a store into OUTDIR, one
// message after the other from the oldest: N.from, N.to, N.time and N.text
// hold the stored bytes (N from 1); prints the number of messages.
//   history_dump STORE OUTDIR
#include "receive/history.h"
#include "store/hive.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: history_dump STORE OUTDIR\n";
    return 2;
  }
  try {
    auto hive = vantor::store::OpenSqliteHive(argv[1]);
    std::vector<vantor::receive::SpooledMessage> messages = vantor::receive::ReceivedHistory(*hive).Load();
    int n = 0;
    for (const auto& m : messages) {
      std::string base = std::string(argv[2]) + "/" + std::to_string(++n);
      std::ofstream(base + ".from", std::ios::binary) << m.from;
      std::ofstream(base + ".to", std::ios::binary) << m.to;
      std::ofstream(base + ".time", std::ios::binary) << m.time;
      std::ofstream(base + ".text", std::ios::binary) << m.text;
    }
    std::cout << n << "\n";
  } catch (const std::exception& e) {
    std::cerr << "history_dump: " << e.what() << "\n";
    return 1;
  }
}
