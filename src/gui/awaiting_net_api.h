// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network as the windowed program's interface thread calls it: each call
// runs on a worker thread of its own while the interface thread keeps
// processing its events, so that a call that waits on the wire does not
// freeze the windows (they repaint, and the status window's Cancel works).
// The calls still happen one after another, in the program's order: the
// interface thread waits for each before it goes on.
//
// A call from any other thread (the session query's workers) goes straight
// to the network.
//
// As a CallAhead it lets a loop start its next call and go on: the call runs
// on the same worker, after those before it.

#include "lan/call_ahead.h"
#include "lan/net_api.h"

#include <QObject>

#include <memory>

namespace vantor::gui {

class AwaitingNetApi : public QObject, public lan::NetApi, public lan::CallAhead {
  Q_OBJECT
 public:
  explicit AwaitingNetApi(lan::NetApi& inner);
  ~AwaitingNetApi() override;

  lan::Status NetMessageBufferSend(std::string_view server, std::string_view to, std::string_view from,
                                   std::u16string_view text) override;
  lan::Status NetMessageNameAdd(std::string_view server, std::string_view name) override;
  lan::Status NetMessageNameDel(std::string_view server, std::string_view name) override;
  lan::Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t pref,
                                 lan::NetBuffer<lan::MsgInfo0>& out, std::uint32_t& total,
                                 std::uint32_t& resume) override;
  lan::Status NetSessionEnum(std::string_view server, std::string_view client, std::string_view user,
                             std::uint32_t level, std::uint32_t pref, lan::NetBuffer<lan::SessionInfo10>& out,
                             std::uint32_t& total, std::uint32_t& resume) override;
  lan::Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t pref, std::uint32_t type,
                              std::string_view domain, std::string_view first, lan::NetBuffer<lan::ServerInfo101>& out,
                              std::uint32_t& total) override;
  lan::Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                         std::uint32_t entries, std::uint32_t pref,
                                         lan::NetBuffer<lan::DisplayEntry>& out) override;
  lan::Status NetGroupGetUsers(std::string_view server, std::string_view group, std::uint32_t level, std::uint32_t pref,
                               lan::NetBuffer<lan::GroupUsersInfo0>& out, std::uint32_t& total,
                               std::uint32_t& resume) override;
  lan::Status NetEnumerateTrustedDomains(std::string_view server, lan::NetBuffer<char>& names) override;
  lan::Status NetGetDCName(std::string_view server, std::string_view domain, std::string& dc) override;
  lan::Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, lan::WkstaInfo100& info) override;
  lan::Status NetUserGetInfo(std::string_view server, std::string_view user, std::uint32_t level,
                             lan::UserInfo2& info) override;
  bool GetUserName(std::string& name) override;
  bool GetComputerName(std::string& name) override;
  std::string GetHostByName(std::string_view host) override;
  void CancelPendingCalls() override;
  std::chrono::milliseconds SendTimeLimit() const override;
  std::string MessageCodePage() const override;

  std::function<void()> Start(std::function<void()> call) override;

 protected:
  void customEvent(QEvent* e) override;

 private:
  struct Task;
  struct Worker;
  // Puts run in the worker's queue.
  std::shared_ptr<Task> Enqueue(std::function<void()> run);
  // Waits until the task has run, processing events while it takes longer
  // than a moment.
  void Wait(const Task& task);
  // Runs call on the worker and waits for it.
  template <typename Call>
  auto Await(Call call) -> decltype(call());

  lan::NetApi& m_inner;
  std::unique_ptr<Worker> m_worker;
};

}  // namespace vantor::gui
