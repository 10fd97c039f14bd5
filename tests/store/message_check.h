// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saved messages that describe themselves, for the crash tests: message i of
// generation g has 1 + (g + i) % 2 lines and (g + i) % 2 recipients, and its
// signature says so, so a slot that is cut short or mixed from two messages
// shows.

#include "store/hive.h"
#include "store/saved_messages.h"

#include <set>
#include <string>

namespace vantor::store::test {

// Stores message i of generation g (nullopt when the store is full).
std::optional<SavedMessageRow> StoreChurnMessage(SavedMessages& messages, int generation, int i);

struct MessageCheck {
  std::string problems;  // empty when every slot is whole
  int slots = 0;
  int orderEntries = 0;
  std::set<int> generations;
};

// Reads every slot below Messages in one read transaction: each must hold
// exactly the values of one whole message.
MessageCheck CheckMessages(Hive& hive);

}  // namespace vantor::store::test
