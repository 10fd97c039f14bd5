// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saved messages: up to 1000 messages kept below Software\Vantor\Messages,
// each with its recipients, signature and sender alias, and the order in
// which the saved-messages view shows them.
//
// Layout of the Messages key:
//   NextNumber       where the next store starts looking for a free slot
//   Order\0, 1, ...  the view's rows from the top: each value a slot number
//   <slot>           "1" to "1000", one key per message:
//     Title, Count, Signature, Alias
//     Texts\0..      the message's lines
//     Names\0.., Types\0.., Comments\0..   one value each per recipient
// A slot is used when it holds Count. Every value is decimal or plain text.
//
// Every operation below is one transaction: a slot is written whole or not at
// all, so Count (written last by other installations) always means that the
// rest of the slot is there. Failures throw StoreError.

#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::store {

inline constexpr int kMaxSavedMessages = 1000;

// The text shown when every slot is used, and its caption.
std::string StoreFullText();  // "Could not store this message: (1000 limit)"
inline constexpr std::string_view kStoreFullCaption = "Error";

struct SavedRecipient {
  std::string name;
  int kind = 2;  // RecipientKind: 0 list, 1 domain, 2 user, 3 PC or server, 4 group
  std::string comment;
  friend bool operator==(const SavedRecipient&, const SavedRecipient&) = default;
};

struct SavedMessage {
  std::vector<std::string> lines;
  std::vector<SavedRecipient> recipients;
  // nullopt when the slot holds no such value: the caller leaves its box as
  // it is.
  std::optional<std::string> signature;
  std::optional<std::string> alias;
};

// One row of the saved-messages view.
struct SavedMessageRow {
  int slot = 0;
  std::string title;
  int count = 0;  // recipients
  friend bool operator==(const SavedMessageRow&, const SavedMessageRow&) = default;
};

// The view's second column: "1 Item", else the count and " Items".
std::string RecipientCountText(int count);

class SavedMessages {
 public:
  explicit SavedMessages(Hive& hive) : hive_(hive) {}

  // Stores the message in the first free slot from NextNumber on (wrapping
  // after 1000) and returns the row to append to the view: its title is
  // "Message #<slot> - <first line>". nullopt when all slots are used;
  // nothing is changed then.
  std::optional<SavedMessageRow> Store(const std::vector<std::string>& lines,
                                       const std::vector<SavedRecipient>& recipients, std::string_view signature,
                                       std::string_view alias);

  // A recipient without a Types value, or one that is not a number, is a
  // user; one without a Comments value has an empty comment.
  SavedMessage Load(int slot) const;

  // Deletes the slot with everything in it. When the caller's view holds no
  // row any more, numbering starts at slot 1 again.
  void Delete(int slot, bool viewNowEmpty);

  // Writes the new title unless it equals the old one (letter case counts).
  // True when something was written.
  bool Rename(int slot, std::string_view oldTitle, std::string_view newTitle);

  // Replaces Order with the given slots, top row first; none leaves no Order.
  void WriteOrder(const std::vector<int>& slots);

  // The view's rows: those named by Order, in its order, then the used slots
  // that Order does not name (stored after its last write, e.g. before the
  // program ended abnormally), oldest first. A slot named by Order without
  // data shows as "Message #<slot>" with count 0. StoreError "'%s' is not a
  // valid integer value" when an Order entry is not a whole number.
  std::vector<SavedMessageRow> Fill() const;

 private:
  Hive& hive_;
};

}  // namespace vantor::store
