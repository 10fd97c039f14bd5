// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network operations answered from a simulated network (sim_network.h).
// Latency is waited out without holding any lock, so concurrent callers aimed
// at slow hosts wait side by side, not one after another. Destroying the
// object wakes every waiting call and waits until all calls have left.

#include "common/clock.h"
#include "common/text.h"
#include "lan/net_api.h"
#include "lan/sim/deliveries_log.h"
#include "lan/sim/sim_network.h"

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

namespace vantor::lan::sim {

class SimNetApi final : public NetApi {
 public:
  explicit SimNetApi(Network network, const Clock& clock = DefaultClock());
  ~SimNetApi() override;

  static std::unique_ptr<SimNetApi> FromFile(const std::string& path) {
    return std::make_unique<SimNetApi>(LoadNetwork(path));
  }

  const Network& network() const { return net_; }

  // Also waits until no call is inside.
  void CancelPendingCalls() override;

  Status NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                              std::u16string_view message) override;
  Status NetMessageNameAdd(std::string_view server, std::string_view msgName) override;
  Status NetMessageNameDel(std::string_view server, std::string_view msgName) override;
  Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                            NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                            std::uint32_t& resumeHandle) override;
  Status NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                        std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                        std::uint32_t& totalEntries, std::uint32_t& resumeHandle) override;
  Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                         std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                         NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) override;
  Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                    std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                    NetBuffer<DisplayEntry>& out) override;
  Status NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                          std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out, std::uint32_t& totalEntries,
                          std::uint32_t& resumeHandle) override;
  Status NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) override;
  Status NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) override;
  Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) override;
  Status NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                        UserInfo2& info) override;
  bool GetUserName(std::string& name) override;
  bool GetComputerName(std::string& name) override;
  std::string GetHostByName(std::string_view host) override;

  // What the last failed append to the deliveries file said (empty if none).
  std::string LastDeliveryError() const;

 private:
  // Where an operation is aimed.
  struct Target {
    bool local = false;
    const Host* host = nullptr;            // may be null for the local computer or a bare controller
    const Directory* directory = nullptr;  // never null: the answers for accounts, groups and trusts
    std::string name;
  };

  class CallGuard;

  bool Resolve(std::string_view server, Target& t) const;
  const Host* FindHost(std::string_view name) const;
  const Host* LocalHost() const;
  bool Wait(std::uint64_t ms);  // false when the object is being destroyed
  bool WaitFor(const Target& t) { return Wait(t.host ? t.host->latencyMs : 0); }
  bool HostHasName(const Host& h, std::string_view name) const;
  // The listed host whose messenger receives the name, or null.
  const Host* Receiver(std::string_view name);
  bool LocalHasName(std::string_view name) const;
  Status Deliver(std::string_view hostName, std::string_view to, std::string_view from, std::u16string_view message);

  Network net_;
  // Message names (upper case) of the listed hosts whose messenger runs:
  // each to the first such host, in the hosts' order, that has it as its
  // name, a logged-on user's or a registered one. Made at the first send
  // (a listing never needs it); net_ never changes.
  std::once_flag receiversMade_;
  std::unordered_map<std::string, const Host*> receivers_;
  const Clock& clock_;
  DeliveriesLog deliveries_;
  Directory emptyDirectory_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  bool closing_ = false;
  int activeCalls_ = 0;
  std::set<std::string, LessNoCase> aliases_;
  std::string lastDeliveryError_;
};

}  // namespace vantor::lan::sim
