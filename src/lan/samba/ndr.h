// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The request and reply bodies of the few DCE/RPC calls the directory needs
// beyond what Samba's libnetapi offers: the session list of a server (server
// service, NetSessEnum) and the domains a controller trusts (local security
// authority: OpenPolicy2, EnumTrustDom, Close). Bodies are NDR, 32-bit
// transfer syntax, little-endian; the transport (named pipe over SMB, bind,
// authentication) is Samba's. Decoders take untrusted bytes: every count and
// offset is checked against the body before it is used, and a malformed body
// gives false, never a partial read past the end.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::samba::ndr {

// Operation numbers.
inline constexpr std::uint32_t kOpNetSessEnum = 12;  // server service
inline constexpr std::uint32_t kOpLsaClose = 0;
inline constexpr std::uint32_t kOpLsaEnumTrustDom = 13;
inline constexpr std::uint32_t kOpLsaOpenPolicy2 = 44;

// NTSTATUS values the trust enumeration reads.
inline constexpr std::uint32_t kStatusMoreEntries = 0x00000105;
inline constexpr std::uint32_t kStatusNoMoreEntries = 0x8000001A;

struct Session {
  std::string client;  // UTF-8
  std::string user;    // UTF-8; empty when the session carries none
  std::uint32_t time = 0;
  std::uint32_t idleTime = 0;
};

struct SessionReply {
  std::uint32_t level = 0;
  std::vector<Session> sessions;
  std::uint32_t totalEntries = 0;
  bool hasResume = false;
  std::uint32_t resumeHandle = 0;
  std::uint32_t werror = 0;  // the call's own result (a Windows error code)
};

// server: the server's name as the call names it (e.g. "\\DC1"); level 0, 1
// or 10. No client or user filter.
std::string EncodeNetSessEnum(std::string_view server, std::uint32_t level, std::uint32_t maxBuffer,
                              std::uint32_t resumeHandle);
bool DecodeNetSessEnum(std::string_view body, SessionReply& out);

using PolicyHandle = std::array<std::uint8_t, 20>;

// Asks for as much access as the caller's rights give (MAXIMUM_ALLOWED).
std::string EncodeLsaOpenPolicy2(std::string_view systemName);
bool DecodeLsaOpenPolicy2(std::string_view body, PolicyHandle& handle, std::uint32_t& ntstatus);

struct TrustReply {
  std::uint32_t resumeHandle = 0;
  std::vector<std::string> names;  // NetBIOS names, UTF-8
  std::uint32_t ntstatus = 0;
};
std::string EncodeLsaEnumTrustDom(const PolicyHandle& handle, std::uint32_t resumeHandle, std::uint32_t maxSize);
bool DecodeLsaEnumTrustDom(std::string_view body, TrustReply& out);

std::string EncodeLsaClose(const PolicyHandle& handle);

}  // namespace vantor::lan::samba::ndr
