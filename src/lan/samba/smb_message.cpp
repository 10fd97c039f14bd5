// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/smb_message.h"

#include "lan/samba/bytes.h"
#include "lan/samba/netbios.h"
#include "lan/status_texts.h"

namespace vantor::lan::samba {

namespace {

constexpr std::uint8_t kFlagReply = 0x80;
constexpr std::uint16_t kFlags2NtStatus = 0x4000;
constexpr std::uint8_t kBufferFormatString = 0x04;
constexpr std::uint8_t kBufferFormatBlock = 0x01;

std::string Header(std::uint8_t command, std::uint16_t mid) {
  std::string out;
  out.reserve(smb::kHeaderSize + 64);
  out.append("\xFFSMB", 4);
  PutU8(out, command);
  PutLe32(out, 0);       // status
  PutU8(out, 0);         // flags: a request
  PutLe16(out, 0);       // flags2: ASCII names, DOS error codes
  out.append(12, '\0');  // PID high, security features, reserved
  PutLe16(out, 0xFFFF);  // TID: no tree is needed for messages
  PutLe16(out, 0xFEFF);  // PID
  PutLe16(out, 0);       // UID
  PutLe16(out, mid);
  return out;
}

void PutBytes(std::string& out, std::string_view bytes) {
  PutLe16(out, static_cast<std::uint16_t>(bytes.size()));
  out.append(bytes);
}

void PutString(std::string& bytes, std::string_view s) {
  PutU8(bytes, kBufferFormatString);
  bytes.append(s);
  PutU8(bytes, 0);
}

}  // namespace

std::string SendStartRequest(std::uint16_t mid, std::string_view from, std::string_view to) {
  std::string out = Header(smb::kSendStart, mid);
  PutU8(out, 0);  // no parameter words
  std::string bytes;
  PutString(bytes, from);
  PutString(bytes, to);
  PutBytes(out, bytes);
  return out;
}

std::string SendTextRequest(std::uint16_t mid, std::uint16_t group, std::string_view block) {
  std::string out = Header(smb::kSendText, mid);
  PutU8(out, 1);
  PutLe16(out, group);
  std::string bytes;
  PutU8(bytes, kBufferFormatBlock);
  PutLe16(bytes, static_cast<std::uint16_t>(block.size()));
  bytes.append(block);
  PutBytes(out, bytes);
  return out;
}

std::string SendEndRequest(std::uint16_t mid, std::uint16_t group) {
  std::string out = Header(smb::kSendEnd, mid);
  PutU8(out, 1);
  PutLe16(out, group);
  PutLe16(out, 0);
  return out;
}

SmbReply ParseReply(std::string_view smb, std::uint8_t command, std::uint16_t mid) {
  SmbReply reply;
  reply.status = ERROR_BAD_NET_RESP;
  if (smb.size() < smb::kHeaderSize + 3 || smb.substr(0, 4) != std::string_view("\xFFSMB", 4)) return reply;
  if (U8At(smb, 4) != command || !(U8At(smb, 9) & kFlagReply) || Le16At(smb, 30) != mid) return reply;
  if (Le16At(smb, 10) & kFlags2NtStatus) {
    reply.status = NtErrorStatus(Le32At(smb, 5));
  } else {
    reply.status = DosErrorStatus(U8At(smb, 5), Le16At(smb, 7));
  }
  if (reply.status != NERR_Success) return reply;
  std::size_t wordCount = U8At(smb, smb::kHeaderSize);
  std::size_t byteCountAt = smb::kHeaderSize + 1 + 2 * wordCount;
  if (byteCountAt + 2 > smb.size() || byteCountAt + 2 + Le16At(smb, byteCountAt) > smb.size()) {
    reply.status = ERROR_BAD_NET_RESP;
    return reply;
  }
  for (std::size_t i = 0; i < wordCount; ++i) reply.words.push_back(Le16At(smb, smb::kHeaderSize + 1 + 2 * i));
  return reply;
}

Status DosErrorStatus(std::uint8_t errorClass, std::uint16_t code) {
  constexpr std::uint8_t kSuccess = 0x00, kErrDos = 0x01, kErrSrv = 0x02, kErrHrd = 0x03;
  switch (errorClass) {
    case kSuccess: return NERR_Success;
    case kErrDos:
      // The peer refuses the request: for a message that means it takes no messages.
      if (code == ERROR_REQ_NOT_ACCEP) return NERR_MsgNotStarted;
      [[fallthrough]];
    case kErrHrd:
      // These codes are the system's own error numbers.
      return (code != 0 && SystemErrorText(code)) ? code : ERROR_UNEXP_NET_ERR;
    case kErrSrv:
      switch (code) {
        case 2:  // bad password
        case 4:  // access denied
          return ERROR_NETWORK_ACCESS_DENIED;
        case 64:      // command not recognised
        case 0xFFFF:  // function not supported
          return ERROR_NOT_SUPPORTED;
        case 81:  // server paused
          return ERROR_SHARING_PAUSED;
        case 82:  // messages are switched off
          return NERR_MsgNotStarted;
        case 83:  // no room to buffer the message
        case 89:  // no resources
          return ERROR_REQ_NOT_ACCEP;
        case 88:  // timed out on the server
          return ERROR_TIMEOUT;
        default: return ERROR_UNEXP_NET_ERR;
      }
    default: return ERROR_UNEXP_NET_ERR;
  }
}

Status NtErrorStatus(std::uint32_t nt) {
  if ((nt >> 30) == 0) return NERR_Success;  // success and informational codes
  switch (nt) {
    case 0xC00000D0:  // request not accepted
      return NERR_MsgNotStarted;
    case 0xC0000022:  // access denied
      return ERROR_NETWORK_ACCESS_DENIED;
    case 0xC0000002:  // not implemented
    case 0xC00000BB:  // not supported
      return ERROR_NOT_SUPPORTED;
    case 0xC00000CC:  // bad network name
      return ERROR_BAD_NET_NAME;
    default: return ERROR_UNEXP_NET_ERR;
  }
}

std::vector<std::string> SplitTextBlocks(const std::vector<std::string>& characters, std::size_t maxBytes) {
  std::vector<std::string> blocks;
  std::string current;
  for (const std::string& ch : characters) {
    if (!current.empty() && current.size() + ch.size() > maxBytes) {
      blocks.push_back(std::move(current));
      current.clear();
    }
    current.append(ch);
  }
  if (!current.empty()) blocks.push_back(std::move(current));
  return blocks;
}

std::string MessengerMailslotData(std::string_view from, std::string_view to, std::string_view text) {
  std::string out;
  out.reserve(from.size() + to.size() + text.size() + 3);
  out.append(from);
  out.push_back('\0');
  out.append(to);
  out.push_back('\0');
  out.append(text);
  out.push_back('\0');
  return out;
}

namespace {
constexpr std::size_t kTransactionWords = 17;
std::size_t MailslotDataOffset(std::string_view mailslot) {
  return smb::kHeaderSize + 1 + 2 * kTransactionWords + 2 + mailslot.size() + 1;
}
}  // namespace

std::size_t MailslotCapacity(std::string_view mailslot) {
  std::size_t used = MailslotDataOffset(mailslot);
  return used < kMaxDatagramUserData ? kMaxDatagramUserData - used : 0;
}

std::string MailslotWrite(std::string_view mailslot, std::string_view data) {
  auto dataCount = static_cast<std::uint16_t>(data.size());
  auto dataOffset = static_cast<std::uint16_t>(MailslotDataOffset(mailslot));
  std::string out = Header(smb::kTransaction, 0);
  // Datagram mailslot writes carry no ids at all.
  out[24] = out[25] = out[26] = out[27] = '\0';
  PutU8(out, kTransactionWords);
  PutLe16(out, 0);          // total parameter count
  PutLe16(out, dataCount);  // total data count
  PutLe16(out, 0);          // max parameter count
  PutLe16(out, 0);          // max data count
  PutU8(out, 0);            // max setup count
  PutU8(out, 0);
  PutLe16(out, 0);     // flags
  PutLe32(out, 1000);  // time-out in milliseconds
  PutLe16(out, 0);
  PutLe16(out, 0);  // parameter count
  PutLe16(out, 0);  // parameter offset
  PutLe16(out, dataCount);
  PutLe16(out, dataOffset);
  PutU8(out, 3);  // setup words
  PutU8(out, 0);
  PutLe16(out, 1);  // mailslot write
  PutLe16(out, 0);  // priority
  PutLe16(out, 2);  // class 2: unreliable, broadcast
  std::string bytes(mailslot);
  bytes.push_back('\0');
  bytes.append(data);
  PutBytes(out, bytes);
  return out;
}

}  // namespace vantor::lan::samba
