// SPDX-License-Identifier: GPL-3.0-or-later
// Changes the saved messages in a loop, as fast as it can, until it is
// killed. Used by the crash tests.
//   messages_churn STORE store SEED      store messages (saying "stored" after the
//                                        first); when full, delete some
//   messages_churn STORE import FILE...  import the files in turn, saying
//                                        "imported" after each
#include "common/codepage.h"
#include "message_check.h"
#include "store/hive.h"
#include "store/transfer_files.h"

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

int main(int argc, char** argv) {
  using namespace vantor::store;
  std::string mode = argc > 2 ? argv[2] : "";
  if (argc < 4 || (mode != "store" && mode != "import")) {
    std::cerr << "usage: messages_churn STORE store SEED | messages_churn STORE import FILE...\n";
    return 2;
  }
  try {
    auto hive = OpenSqliteHive(argv[1]);
    SavedMessages messages(*hive);
    std::cout << "ready" << std::endl;
    if (mode == "import") {
      vantor::TextCodec codec("CP1252");
      for (int k = 0;; k = (k + 1) % (argc - 3)) {
        MessagesImport result = ImportMessages(*hive, argv[3 + k], codec);
        if (result.report) {
          std::cerr << "messages_churn: " << result.report->Text() << "\n" << result.report->detail << "\n";
          return 1;
        }
        std::cout << "imported" << std::endl;
      }
    }
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[3])));
    // Generations differ between runs, so that messages of a killed run and
    // of the next cannot be mistaken for each other.
    int generation = static_cast<int>(random() % 100000);
    bool stored = false;
    for (int i = 0;; ++i) {
      if (test::StoreChurnMessage(messages, generation, i)) {
        if (!stored) std::cout << "stored" << std::endl;
        stored = true;
        continue;
      }
      std::vector<SavedMessageRow> rows = messages.Fill();
      for (int n = 1 + static_cast<int>(random() % 50); n > 0 && !rows.empty(); --n) {
        size_t k = random() % rows.size();
        messages.Delete(rows[k].slot, rows.size() == 1);
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(k));
      }
      std::vector<int> order;
      for (const SavedMessageRow& row : rows) order.push_back(row.slot);
      messages.WriteOrder(order);
    }
  } catch (const StoreError& e) {
    std::cerr << "messages_churn: " << e.what() << "\n";
    return 1;
  }
}
