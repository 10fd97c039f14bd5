// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/tracing_net_api.h"

#include "common/trace.h"
#include "lan/net_error_text.h"

#include <chrono>
#include <string>

namespace vantor::lan {
namespace {

using trace::Quoted;

class TracingNetApi final : public NetApi {
 public:
  explicit TracingNetApi(std::unique_ptr<NetApi> inner) : in_(std::move(inner)) {}

  Status NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                              std::u16string_view message) override {
    auto t = Now();
    Status s = in_->NetMessageBufferSend(server, msgName, fromName, message);
    Report("NetMessageBufferSend",
           On(server) + " to " + Quoted(msgName) + " from " + Quoted(fromName) + ", " + std::to_string(message.size()) +
               " characters",
           s, t);
    return s;
  }
  Status NetMessageNameAdd(std::string_view server, std::string_view msgName) override {
    auto t = Now();
    Status s = in_->NetMessageNameAdd(server, msgName);
    Report("NetMessageNameAdd", On(server) + " name " + Quoted(msgName), s, t);
    return s;
  }
  Status NetMessageNameDel(std::string_view server, std::string_view msgName) override {
    auto t = Now();
    Status s = in_->NetMessageNameDel(server, msgName);
    Report("NetMessageNameDel", On(server) + " name " + Quoted(msgName), s, t);
    return s;
  }
  Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                            NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                            std::uint32_t& resumeHandle) override {
    auto t = Now();
    Status s = in_->NetMessageNameEnum(server, level, prefMaxLen, out, totalEntries, resumeHandle);
    Report("NetMessageNameEnum", On(server) + Entries(out.size()), s, t);
    return s;
  }
  Status NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                        std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                        std::uint32_t& totalEntries, std::uint32_t& resumeHandle) override {
    auto t = Now();
    Status s = in_->NetSessionEnum(server, clientName, userName, level, prefMaxLen, out, totalEntries, resumeHandle);
    Report("NetSessionEnum", On(server) + Entries(out.size()), s, t);
    return s;
  }
  Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                         std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                         NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) override {
    auto t = Now();
    Status s =
        in_->NetServerEnumEx(server, level, prefMaxLen, serverType, domain, firstNameToReturn, out, totalEntries);
    Report("NetServerEnumEx", On(server) + " domain " + Quoted(domain) + Entries(out.size()), s, t);
    return s;
  }
  Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                    std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                    NetBuffer<DisplayEntry>& out) override {
    auto t = Now();
    Status s = in_->NetQueryDisplayInformation(server, level, index, entriesRequested, prefMaxLen, out);
    Report("NetQueryDisplayInformation",
           On(server) + " level " + std::to_string(level) + " from " + std::to_string(index) + Entries(out.size()), s,
           t);
    return s;
  }
  Status NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                          std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out, std::uint32_t& totalEntries,
                          std::uint32_t& resumeHandle) override {
    auto t = Now();
    Status s = in_->NetGroupGetUsers(server, groupName, level, prefMaxLen, out, totalEntries, resumeHandle);
    Report("NetGroupGetUsers", On(server) + " group " + Quoted(groupName) + Entries(out.size()), s, t);
    return s;
  }
  Status NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) override {
    auto t = Now();
    Status s = in_->NetEnumerateTrustedDomains(server, domainNames);
    Report("NetEnumerateTrustedDomains", On(server), s, t);
    return s;
  }
  Status NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) override {
    auto t = Now();
    Status s = in_->NetGetDCName(server, domainName, dcName);
    Report("NetGetDCName",
           On(server) + " domain " + Quoted(domainName) + (s == NERR_Success ? " -> " + dcName : std::string()), s, t);
    return s;
  }
  Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) override {
    auto t = Now();
    Status s = in_->NetWkstaGetInfo(server, level, info);
    Report("NetWkstaGetInfo",
           On(server) + (s == NERR_Success ? " -> " + Quoted(info.computerName) + " in " + Quoted(info.langroup)
                                           : std::string()),
           s, t);
    return s;
  }
  Status NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                        UserInfo2& info) override {
    auto t = Now();
    Status s = in_->NetUserGetInfo(server, userName, level, info);
    Report("NetUserGetInfo", On(server) + " user " + Quoted(userName), s, t);
    return s;
  }
  bool GetUserName(std::string& name) override {
    bool ok = in_->GetUserName(name);
    trace::Line("GetUserName -> " + (ok ? Quoted(name) : std::string("failed")));
    return ok;
  }
  bool GetComputerName(std::string& name) override {
    bool ok = in_->GetComputerName(name);
    trace::Line("GetComputerName -> " + (ok ? Quoted(name) : std::string("failed")));
    return ok;
  }
  std::string GetHostByName(std::string_view host) override {
    auto t = Now();
    std::string address = in_->GetHostByName(host);
    trace::Line("GetHostByName " + Quoted(host) + " -> " + (address.empty() ? std::string("not found") : address) +
                " in " + trace::Elapsed(t));
    return address;
  }
  void CancelPendingCalls() override {
    trace::Line("pending network calls cancelled");
    in_->CancelPendingCalls();
  }
  std::chrono::milliseconds SendTimeLimit() const override { return in_->SendTimeLimit(); }
  std::string MessageCodePage() const override { return in_->MessageCodePage(); }

 private:
  static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
  static std::string On(std::string_view server) {
    return server.empty() ? std::string("on this computer") : "on " + std::string(server);
  }
  static std::string Entries(std::size_t n) { return ", " + std::to_string(n) + (n == 1 ? " entry" : " entries"); }
  static void Report(const char* function, const std::string& what, Status s,
                     std::chrono::steady_clock::time_point start) {
    trace::Line(std::string(function) + " " + what + ": status " + std::to_string(s) + " (" + NetErrorText(s) +
                ") in " + trace::Elapsed(start));
  }

  std::unique_ptr<NetApi> in_;
};

}  // namespace

std::unique_ptr<NetApi> TracedWhenAsked(std::unique_ptr<NetApi> inner) {
  if (!trace::On() || !inner) return inner;
  return std::make_unique<TracingNetApi>(std::move(inner));
}

}  // namespace vantor::lan
