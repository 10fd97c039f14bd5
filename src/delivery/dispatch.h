// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message dispatch by recipient kind: each item of the Recipients view
// becomes final messenger names (a domain one broadcast, a group its
// members, a stored list its entries), each name is sent the message, and
// each result is one line of the status log.
//
// Runs on the interface thread. Between names it lets the program process
// its pending events once, so that the log repaints, a Cancel is seen, and
// late answers of the session query are merged. No Qt here: the log and the
// event processing are the host's.

#include "common/recipient.h"
#include "delivery/session_set.h"
#include "lan/net_status.h"

#include <atomic>
#include <string>
#include <string_view>

namespace vantor::lan {
class CallAhead;
class NetApi;
}  // namespace vantor::lan
namespace vantor::store {
class Hive;
}

namespace vantor::delivery {

struct Recipient {
  std::string name;
  int kind = kUserKind;  // a RecipientKind; other numbers are not sent
  std::string comment;
};

// What the dispatch writes to and how it lets the program breathe.
class DispatchHost {
 public:
  virtual ~DispatchHost() = default;
  // Appends one dated line to the status log.
  virtual void Log(const std::string& text) = 0;
  // Processes the program's pending events once, when they are due.
  virtual void ProcessEvents() = 0;
  // Whether ProcessEvents would process them now. A host that says no lets
  // a group's next message go out while the line of the one before is
  // written.
  virtual bool EventsDue() const { return true; }
};

struct DispatchSettings {
  std::string localComputerName;
  std::string localUserName;
  std::string domainControllerName;  // empty while domain scanning is off
  bool sendToActiveOnly = false;     // SendtoActive
  std::string alias;                 // the sender alias; empty: the computer's name
};

class Dispatcher {
 public:
  // The status for a name that the active-only rule leaves out.
  static constexpr lan::Status kNotSent = lan::NERR_UserNotFound;

  // message: the composed text as it goes on the wire. active may be null
  // (no session is known). With ahead, a group's next message is sent
  // while the line of the one before is written, whenever no events are
  // due in between; events are then processed only with no message on its
  // way, so a Cancel stops the send where it would have stopped otherwise.
  Dispatcher(lan::NetApi& api, store::Hive& hive, DispatchHost& host, const std::atomic<bool>& abortRequested,
             DispatchSettings settings, std::u16string message, const SessionSet* active,
             lan::CallAhead* ahead = nullptr);

  // Sends the item by its kind; the status of the last send, or 0.
  lan::Status Dispatch(const Recipient& item);

  // One final name, labelled prefix:name when prefix is not empty.
  lan::Status SendMessageTo(std::string_view prefix, std::string_view name);
  // One broadcast to the domain's name followed by "*".
  lan::Status SendToDomain(std::string_view domain);
  // Each member in turn; nothing (and no line) when the members cannot be
  // read or there are none.
  lan::Status SendToGroup(std::string_view group);
  // Each user, computer and group entry of the stored list; nothing (and no
  // line) when the list is not stored.
  lan::Status SendToList(std::string_view list);

 private:
  class NextSend;

  bool MaySend(std::string_view name) const;
  // The name's message, or kNotSent without a call when the active-only
  // rule leaves it out.
  lan::Status Send(std::string_view name);
  // The name's line; then the events, when pump says so.
  void Report(std::string_view prefix, std::string_view name, lan::Status status, bool pump);

  lan::NetApi& m_api;
  store::Hive& m_hive;
  DispatchHost& m_host;
  const std::atomic<bool>& m_abort;
  DispatchSettings m_settings;
  std::u16string m_message;
  const SessionSet* m_active;
  std::string m_sender;
  lan::CallAhead* m_ahead;
};

}  // namespace vantor::delivery
