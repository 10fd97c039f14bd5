#pragma once
// Sending the message to every recipient of the command line, skipping those
// that hold no session when servers were queried.

#include "console/run_context.h"
#include "console/run_settings.h"
#include "console/sorted_name_list.h"
#include "lan/net_status.h"

#include <string>
#include <string_view>

namespace vantor::console {

// Send status for a recipient that was not sent to because it is not active
// (the platform's user-not-found status, so that the two read alike).
inline constexpr lan::Status kNotActive = lan::NERR_UserNotFound;

class Sender {
 public:
  // active: the sessions found by the query (empty when query is off).
  Sender(RunContext& ctx, const RunSettings& s, const SortedNameList& active);

  // Sends the message to one messenger name and, in verbose mode, reports it
  // under the label. Returns the send status.
  lan::Status SendAndReport(std::string_view label, std::string_view recipient);

  // Users, groups, computers, lists, domains, each in sorted order.
  void SendAll();
  void SendToGroup(std::string_view group);
  void SendToList(std::string_view list);

  // True when at least one message could not be delivered, or a stored list
  // (or one of its entries) could not be read.
  bool AnyFailed() const { return anyFailed_; }

 private:
  bool IsActive(std::string_view recipient) const;

  RunContext& ctx_;
  const RunSettings& s_;
  const SortedNameList& active_;
  std::u16string text_;  // the message as the messenger call takes it
  std::string from_;     // the own computer's name in capitals
  bool anyFailed_ = false;
};

}  // namespace vantor::console
