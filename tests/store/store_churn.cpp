// SPDX-License-Identifier: GPL-3.0-or-later
// Saves and deletes recipient lists in a loop, as fast as it can, until it
// is killed or its time is up. Used by the crash and concurrency tests.
//   store_churn STORE SEED SECONDS   (SECONDS 0: until killed)
#include "list_check.h"
#include "store/hive.h"
#include "store/lists_store.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: store_churn STORE SEED SECONDS\n";
    return 2;
  }
  using namespace vantor::store;
  try {
    auto hive = OpenSqliteHive(argv[1]);
    ListsStore lists(*hive);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[2])));
    int seconds = std::atoi(argv[3]);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    // Generations differ between runs, so that a list from a killed run and
    // one from the next cannot be mistaken for each other.
    int generation = static_cast<int>(random() % 1000000) * 1000;
    std::cout << "ready" << std::endl;
    bool saved = false;
    while (seconds == 0 || std::chrono::steady_clock::now() < end) {
      std::string name = "List" + std::to_string(random() % 5);
      if (random() % 4 == 0 && saved) {
        lists.DeleteList(name);
      } else {
        lists.SaveList(name, test::ChurnMembers(++generation, 1 + static_cast<int>(random() % 300)));
      }
      // The first change is whole before anyone is told: the killer waits
      // for it, so that every round has changed the lists however busy the
      // machine is.
      if (!saved) std::cout << "saved" << std::endl;
      saved = true;
    }
  } catch (const StoreError& e) {
    std::cerr << "store_churn: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
