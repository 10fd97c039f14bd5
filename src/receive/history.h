// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The received messages in the store, below Software\Vantor\Received: one
// key per message, named by its spool id (so keys sort by arrival), with
// the string values From, To, Time (ISO 8601 local time) and Text (UTF-8,
// line breaks as sent). At most kMaxKept are kept; the oldest go first.
// Every operation is one transaction. Failures throw store::StoreError.

#include "receive/spool.h"
#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::receive {

inline constexpr std::string_view kReceivedKey = "Software\\Vantor\\Received";

// The moment of an ISO 8601 time with its offset ("2026-12-09T14:21:44+01:00"
// or "...Z"); nullopt for anything else.
std::optional<Clock::TimePoint> ParseIsoTime(std::string_view iso);
// When a message arrived as the windows show it: the system's short date and
// long time, or the stored text itself when it is no such time.
std::string ShownTime(const std::string& iso);

class ReceivedHistory {
 public:
  static constexpr std::size_t kMaxKept = 500;

  explicit ReceivedHistory(store::Hive& hive) : hive_(hive) {}

  // Keeps message unless one with its id is kept already: false then, so a
  // message taken twice (the receiver ended before removing it from the
  // inbox) is shown once.
  bool Add(const SpooledMessage& message);
  // Oldest first. A key whose name is no message id is passed over.
  std::vector<SpooledMessage> Load() const;
  bool Delete(const std::string& id);
  // The id of the newest message; empty when none is kept.
  std::string Newest() const;

 private:
  store::Hive& hive_;
};

}  // namespace vantor::receive
