// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/dispatch.h"

#include "common/text.h"
#include "common/trace.h"
#include "gui/res_strings.h"
#include "lan/call_ahead.h"
#include "lan/directory.h"
#include "lan/net_api.h"
#include "lan/net_error_text.h"
#include "store/lists_store.h"

#include <optional>
#include <vector>

namespace vantor::delivery {

namespace res = gui::res;

Dispatcher::Dispatcher(lan::NetApi& api, store::Hive& hive, DispatchHost& host, const std::atomic<bool>& abortRequested,
                       DispatchSettings settings, std::u16string message, const SessionSet* active,
                       lan::CallAhead* ahead)
    : m_api(api),
      m_hive(hive),
      m_host(host),
      m_abort(abortRequested),
      m_settings(std::move(settings)),
      m_message(std::move(message)),
      m_active(active),
      m_sender(m_settings.alias.empty() ? AsciiUpper(m_settings.localComputerName) : m_settings.alias),
      m_ahead(ahead) {}

// A member's message on its way through the CallAhead while the line of the
// member before is written.
class Dispatcher::NextSend {
 public:
  NextSend(Dispatcher& d, const std::string& name)
      : m_call(d.m_ahead,
               [this, &d, &name] { m_status = d.m_api.NetMessageBufferSend({}, name, d.m_sender, d.m_message); }) {}
  lan::Status Take() {
    m_call.Finish();
    return m_status;
  }

 private:
  lan::Status m_status = lan::NERR_Success;
  lan::PendingCall m_call;  // last: it writes m_status
};

bool Dispatcher::MaySend(std::string_view name) const {
  if (!m_settings.sendToActiveOnly) return true;
  // Sessions are looked up without regard to case; the own names and the
  // controller must match exactly.
  if (m_active && (m_active->count(ActiveUserKey(name)) > 0 || m_active->count(ActiveComputerKey(name)) > 0))
    return true;
  return name == m_settings.domainControllerName || (!name.empty() && name.back() == '*') ||
         name == m_settings.localComputerName || name == m_settings.localUserName;
}

lan::Status Dispatcher::Send(std::string_view name) {
  if (MaySend(name)) return m_api.NetMessageBufferSend({}, name, m_sender, m_message);
  if (trace::On())
    trace::Line("message to " + trace::Quoted(name) +
                " not sent: only active recipients are sent to, and it holds no session and is none of the own names");
  return kNotSent;
}

void Dispatcher::Report(std::string_view prefix, std::string_view name, lan::Status status, bool pump) {
  const std::string label = prefix.empty() ? std::string(name) : std::string(prefix) + ":" + std::string(name);
  if (status == lan::NERR_Success)
    m_host.Log(Format(res::kMessageSucceeded, {label}));
  else if (status == kNotSent)
    m_host.Log(Format(res::kMessageNotSent, {label}));
  else
    m_host.Log(Format(res::kMessageFailed, {label, lan::NetErrorText(status)}));
  if (pump) m_host.ProcessEvents();
}

lan::Status Dispatcher::SendMessageTo(std::string_view prefix, std::string_view name) {
  const lan::Status status = Send(name);
  Report(prefix, name, status, true);
  return status;
}

lan::Status Dispatcher::SendToDomain(std::string_view domain) {
  return SendMessageTo(res::kDomainPrefix, std::string(domain) + "*");
}

lan::Status Dispatcher::SendToGroup(std::string_view group) {
  std::vector<std::string> members;
  const lan::Status found = lan::GetGroupMembers(m_api, group, members);
  if (found != lan::NERR_Success) return found;
  lan::Status status = lan::NERR_Success;
  std::optional<NextSend> next;  // members[i]'s message, when already on its way
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (m_abort && !next) break;  // a message on its way is still reported
    status = next ? next->Take() : Send(members[i]);
    next.reset();
    // Nothing can stop the next member between here and its send unless
    // events are processed: when none are due, it goes out now.
    const bool pump = m_host.EventsDue();
    if (!pump && m_ahead && !m_abort && i + 1 < members.size() && MaySend(members[i + 1]))
      next.emplace(*this, members[i + 1]);
    Report(group, members[i], status, pump);
  }
  return status;
}

lan::Status Dispatcher::SendToList(std::string_view list) {
  store::ListsStore lists(m_hive);
  const auto values = lists.ListValues(list);
  if (!values) return lan::NERR_Success;
  lan::Status status = lan::NERR_Success;
  for (const auto& [name, data] : *values) {
    if (m_abort) break;
    const auto member = store::ListsStore::ParseMemberData(name, data);
    if (!member) {
      // Edited by hand into something without a kind: reported, not sent.
      m_host.Log(Format(res::kListEntryUnreadable, {std::string(list), name, data}));
      continue;
    }
    switch (member->kind) {
      case kUserKind:
      case kComputerKind: status = SendMessageTo(list, name); break;
      case kGroupKind: status = SendToGroup(name); break;
      default: break;  // a domain or a list inside a list is not sent
    }
  }
  return status;
}

lan::Status Dispatcher::Dispatch(const Recipient& item) {
  switch (item.kind) {
    case kListKind: return SendToList(item.name);
    case kDomainKind: return SendToDomain(item.name);
    case kUserKind:
    case kComputerKind: return SendMessageTo({}, item.name);
    case kGroupKind: return SendToGroup(item.name);
    default: return lan::NERR_Success;
  }
}

}  // namespace vantor::delivery
