// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A network interface for tests that passes every call to another one, or,
// without one, answers every call with "not supported" (50) and no data.
// Tests override only the calls they watch or script.

#include "lan/net_api.h"

namespace vantor::test {

class ForwardingNetApi : public lan::NetApi {
 public:
  static constexpr lan::Status kNotSupported = 50;

  explicit ForwardingNetApi(lan::NetApi* inner = nullptr) : m_inner(inner) {}

  lan::Status NetMessageBufferSend(std::string_view server, std::string_view to, std::string_view from,
                                   std::u16string_view text) override {
    return m_inner ? m_inner->NetMessageBufferSend(server, to, from, text) : kNotSupported;
  }
  lan::Status NetMessageNameAdd(std::string_view server, std::string_view name) override {
    return m_inner ? m_inner->NetMessageNameAdd(server, name) : kNotSupported;
  }
  lan::Status NetMessageNameDel(std::string_view server, std::string_view name) override {
    return m_inner ? m_inner->NetMessageNameDel(server, name) : kNotSupported;
  }
  lan::Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t pref,
                                 lan::NetBuffer<lan::MsgInfo0>& out, std::uint32_t& total,
                                 std::uint32_t& resume) override {
    return m_inner ? m_inner->NetMessageNameEnum(server, level, pref, out, total, resume) : kNotSupported;
  }
  lan::Status NetSessionEnum(std::string_view server, std::string_view client, std::string_view user,
                             std::uint32_t level, std::uint32_t pref, lan::NetBuffer<lan::SessionInfo10>& out,
                             std::uint32_t& total, std::uint32_t& resume) override {
    return m_inner ? m_inner->NetSessionEnum(server, client, user, level, pref, out, total, resume) : kNotSupported;
  }
  lan::Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t pref, std::uint32_t type,
                              std::string_view domain, std::string_view first, lan::NetBuffer<lan::ServerInfo101>& out,
                              std::uint32_t& total) override {
    return m_inner ? m_inner->NetServerEnumEx(server, level, pref, type, domain, first, out, total) : kNotSupported;
  }
  lan::Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                         std::uint32_t entries, std::uint32_t pref,
                                         lan::NetBuffer<lan::DisplayEntry>& out) override {
    return m_inner ? m_inner->NetQueryDisplayInformation(server, level, index, entries, pref, out) : kNotSupported;
  }
  lan::Status NetGroupGetUsers(std::string_view server, std::string_view group, std::uint32_t level,
                               std::uint32_t pref, lan::NetBuffer<lan::GroupUsersInfo0>& out, std::uint32_t& total,
                               std::uint32_t& resume) override {
    return m_inner ? m_inner->NetGroupGetUsers(server, group, level, pref, out, total, resume) : kNotSupported;
  }
  lan::Status NetEnumerateTrustedDomains(std::string_view server, lan::NetBuffer<char>& names) override {
    return m_inner ? m_inner->NetEnumerateTrustedDomains(server, names) : kNotSupported;
  }
  lan::Status NetGetDCName(std::string_view server, std::string_view domain, std::string& dc) override {
    return m_inner ? m_inner->NetGetDCName(server, domain, dc) : kNotSupported;
  }
  lan::Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, lan::WkstaInfo100& info) override {
    return m_inner ? m_inner->NetWkstaGetInfo(server, level, info) : kNotSupported;
  }
  lan::Status NetUserGetInfo(std::string_view server, std::string_view user, std::uint32_t level,
                             lan::UserInfo2& info) override {
    return m_inner ? m_inner->NetUserGetInfo(server, user, level, info) : kNotSupported;
  }
  bool GetUserName(std::string& name) override { return m_inner && m_inner->GetUserName(name); }
  bool GetComputerName(std::string& name) override { return m_inner && m_inner->GetComputerName(name); }
  std::string GetHostByName(std::string_view host) override { return m_inner ? m_inner->GetHostByName(host) : ""; }
  void CancelPendingCalls() override {
    if (m_inner) m_inner->CancelPendingCalls();
  }

 protected:
  lan::NetApi* inner() const { return m_inner; }

 private:
  lan::NetApi* m_inner;
};

}  // namespace vantor::test
