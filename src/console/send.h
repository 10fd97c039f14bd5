// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sending the message to every recipient of the command line, skipping those
// that hold no session when servers were queried.
//
// The recipients are gathered first (group members, list entries), in the
// order users, groups, computers, lists, domains, each in sorted order; the
// verbose report keeps that order. Where the backend bounds each message in
// time, the messages go out side by side and the whole batch ends within
// that bound: what is still under way then is cancelled and fails with a
// time-out. Otherwise they go out one after another.

#include "console/run_context.h"
#include "console/run_settings.h"
#include "console/sorted_name_list.h"
#include "lan/net_status.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::console {

// Send status for a recipient that was not sent to because it is not active
// (the platform's user-not-found status, so that the two read alike).
inline constexpr lan::Status kNotActive = lan::NERR_UserNotFound;

// The most messages that go out at the same time.
inline constexpr std::size_t kMaxParallelSends = 16;

class Sender {
 public:
  // active: the sessions found by the query (empty when query is off).
  Sender(RunContext& ctx, const RunSettings& s, const SortedNameList& active);

  void SendAll();

  // True when a recipient named on the command line was not reached: a
  // message could not be delivered; a group, a list or a list entry could
  // not be read; or a recipient was left out as inactive although the
  // session query found no session at all, so that nothing told it inactive.
  bool AnyFailed() const { return anyFailed_; }

 private:
  // One line of the report: a message to a recipient, or a note about a
  // group or list (text, without the time).
  struct Entry {
    std::string label;
    std::string recipient;
    std::string note;
    bool noteIsFailure = false;
    bool toSend = false;
    lan::Status status = lan::NERR_Success;
  };

  void AddRecipient(std::string_view label, std::string_view recipient);
  void AddGroup(std::string_view group);
  void AddList(std::string_view list);
  void AddNote(std::string note, bool failure);
  bool IsActive(std::string_view recipient);

  lan::Status Send(const Entry& e);
  void SendOneAfterAnother();
  void SendSideBySide(std::chrono::milliseconds limit, std::size_t count);
  void Report(const Entry& e);

  RunContext& ctx_;
  lan::NetApi* api_ = nullptr;
  const RunSettings& s_;
  const SortedNameList& active_;
  std::u16string text_;  // the message as the messenger call takes it
  std::string from_;     // the own computer's name in capitals
  std::vector<Entry> entries_;
  bool anyFailed_ = false;
};

}  // namespace vantor::console
