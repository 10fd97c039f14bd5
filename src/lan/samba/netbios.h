// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// NetBIOS over TCP/IP: name encoding, the session service framing (TCP 139),
// the name query (UDP 137) and the datagram service (UDP 138). Only packet
// building and parsing lives here; the sockets are elsewhere, so every byte
// layout can be tested without a network.

#include "lan/net_status.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::lan::samba {

inline constexpr std::size_t kNetbiosNameMax = 15;
inline constexpr std::uint8_t kSuffixWorkstation = 0x00;
inline constexpr std::uint8_t kSuffixMessenger = 0x03;
inline constexpr std::size_t kEncodedNameSize = 34;  // length byte, 32 letters, root label

// The name (bytes of the wire's code page, at most 15 of them, already in
// capitals) padded with spaces to 15, then the suffix; every byte becomes two
// letters 'A' + nibble. Longer names are cut to 15 bytes.
std::string EncodeNetbiosName(std::string_view name, std::uint8_t suffix);
// The 16 raw bytes of an encoded name; nullopt when it is not one.
std::optional<std::string> DecodeNetbiosName(std::string_view encoded);

// ---- Session service ----
namespace session {
inline constexpr std::uint8_t kMessage = 0x00;
inline constexpr std::uint8_t kRequest = 0x81;
inline constexpr std::uint8_t kPositive = 0x82;
inline constexpr std::uint8_t kNegative = 0x83;
inline constexpr std::uint8_t kRetarget = 0x84;
inline constexpr std::uint8_t kKeepAlive = 0x85;
inline constexpr std::uint32_t kMaxLength = 0x1FFFF;  // 17 bits of length
}  // namespace session

struct SessionHeader {
  std::uint8_t type = 0;
  std::uint32_t length = 0;
};

std::string SessionRequest(std::string_view calledEncoded, std::string_view callingEncoded);
// Frames an SMB for the session; payload must not exceed session::kMaxLength.
std::string SessionMessage(std::string_view payload);
// Reads the 4-byte header; nullopt when its flags use bits that do not exist.
std::optional<SessionHeader> ParseSessionHeader(std::string_view header);
// The status for a negative session response's error code.
Status NegativeSessionStatus(std::uint8_t code);

// ---- Name service ----
std::string NameQueryRequest(std::uint16_t id, std::string_view encodedName, bool broadcast);

struct NameQueryAnswer {
  enum class Kind { kNotOurs, kMalformed, kNegative, kPositive };
  Kind kind = Kind::kNotOurs;
  std::uint32_t address = 0;  // IPv4, host order; kPositive only
};
// Judges one datagram received while waiting for the answer to query id
// about encodedName. Another transaction's packet is kNotOurs.
NameQueryAnswer ParseNameQueryResponse(std::string_view packet, std::uint16_t id, std::string_view encodedName);

// ---- Datagram service ----
inline constexpr std::size_t kMaxDatagramUserData = 512;

// A direct group datagram (one fragment) from source to a group name.
std::string DirectGroupDatagram(std::uint16_t id, std::uint32_t sourceAddress, std::uint16_t sourcePort,
                                std::string_view sourceEncoded, std::string_view destinationEncoded,
                                std::string_view userData);

}  // namespace vantor::lan::samba
