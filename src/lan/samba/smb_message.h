// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SMB1 commands of the messenger protocol: a message goes out as a start
// command (sender and recipient), text commands of at most 127 bytes each and
// an end command, every one answered by the peer. A broadcast is one mailslot
// write to \MAILSLOT\MESSNGR carried by a datagram. Building and parsing
// only; no sockets.

#include "lan/net_status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::samba {

namespace smb {
inline constexpr std::uint8_t kTransaction = 0x25;
inline constexpr std::uint8_t kSendStart = 0xD5;
inline constexpr std::uint8_t kSendEnd = 0xD6;
inline constexpr std::uint8_t kSendText = 0xD7;
inline constexpr std::size_t kHeaderSize = 32;
}  // namespace smb

inline constexpr std::size_t kTextBlockMax = 127;
inline constexpr const char* kMessengerMailslot = "\\MAILSLOT\\MESSNGR";

// Requests. from, to and the blocks are bytes of the wire's code page; from
// and to must hold no zero byte.
std::string SendStartRequest(std::uint16_t mid, std::string_view from, std::string_view to);
std::string SendTextRequest(std::uint16_t mid, std::uint16_t group, std::string_view block);
std::string SendEndRequest(std::uint16_t mid, std::uint16_t group);

struct SmbReply {
  Status status = NERR_Success;      // the peer's error as a status, or ERROR_BAD_NET_RESP
  std::vector<std::uint16_t> words;  // parameter words of a successful reply
};
// Checks a reply to command/mid: its signature, command, reply flag and
// multiplex id, its error status and the bounds of its word and byte blocks.
SmbReply ParseReply(std::string_view smb, std::uint8_t command, std::uint16_t mid);

// The status for an error in the old class/code form and in the 32-bit form.
Status DosErrorStatus(std::uint8_t errorClass, std::uint16_t code);
Status NtErrorStatus(std::uint32_t ntStatus);

// Groups the characters of a text (each already converted, one or more bytes)
// into blocks of at most maxBytes without cutting a character in two.
std::vector<std::string> SplitTextBlocks(const std::vector<std::string>& characters,
                                         std::size_t maxBytes = kTextBlockMax);

// The data a messenger expects in its mailslot: sender, recipient and text,
// each ended by a zero byte.
std::string MessengerMailslotData(std::string_view from, std::string_view to, std::string_view text);
// The transaction that writes data to a mailslot, as a class 2 (unreliable,
// no answer) message.
std::string MailslotWrite(std::string_view mailslot, std::string_view data);
// How many data bytes a mailslot write to this mailslot can carry in one datagram.
std::size_t MailslotCapacity(std::string_view mailslot);

}  // namespace vantor::lan::samba
