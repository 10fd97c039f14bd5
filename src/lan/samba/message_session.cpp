// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/message_session.h"

#include "lan/samba/bytes.h"
#include "lan/samba/netbios.h"
#include "lan/samba/smb_message.h"

namespace vantor::lan::samba {

namespace {

// The replies to message commands are a few dozen bytes; anything near the
// session's maximum is not a reply to us.
constexpr std::uint32_t kMaxReply = 0x10000;

class Session {
 public:
  Session(const MessageDelivery& d, const Deadline& deadline) : d_(d), message_(deadline) {}

  Status Open() {
    Endpoint peer = d_.peer;
    std::string request = SessionRequest(EncodeNetbiosName(d_.calledName, kSuffixMessenger),
                                         EncodeNetbiosName(d_.callingName, kSuffixWorkstation));
    // A peer may send us on to another address once; a second redirection is refused.
    for (int hop = 0; hop < 2; ++hop) {
      if (Status s = ConnectTcp(peer, message_.Within(d_.connectTimeout), fd_); s != NERR_Success) return s;
      Deadline deadline = message_.Within(d_.replyTimeout);
      if (Status s = SendAll(fd_.Get(), request, deadline); s != NERR_Success) return s;
      SessionHeader h;
      if (Status s = ReadHeader(deadline, h); s != NERR_Success) return s;
      std::string body;
      switch (h.type) {
        case session::kPositive: return h.length == 0 ? NERR_Success : ERROR_BAD_NET_RESP;
        case session::kNegative:
          if (h.length != 1) return ERROR_BAD_NET_RESP;
          if (Status s = RecvExact(fd_.Get(), 1, deadline, body); s != NERR_Success) return s;
          return NegativeSessionStatus(U8At(body, 0));
        case session::kRetarget:
          if (h.length != 6 || hop > 0) return ERROR_BAD_NET_RESP;
          if (Status s = RecvExact(fd_.Get(), 6, deadline, body); s != NERR_Success) return s;
          peer.address = Be32At(body, 0);
          peer.port = Be16At(body, 4);
          if (peer.address == 0 || peer.port == 0) return ERROR_BAD_NET_RESP;
          fd_.Reset();
          continue;
        default: return ERROR_BAD_NET_RESP;
      }
    }
    return ERROR_BAD_NET_RESP;
  }

  // Sends one command and checks its reply.
  Status Exchange(const std::string& smb, std::uint8_t command, std::uint16_t mid, SmbReply& reply) {
    Deadline deadline = message_.Within(d_.replyTimeout);
    if (Status s = SendAll(fd_.Get(), SessionMessage(smb), deadline); s != NERR_Success) return s;
    SessionHeader h;
    if (Status s = ReadHeader(deadline, h); s != NERR_Success) return s;
    if (h.type != session::kMessage || h.length > kMaxReply) return ERROR_BAD_NET_RESP;
    std::string body;
    if (Status s = RecvExact(fd_.Get(), h.length, deadline, body); s != NERR_Success) return s;
    reply = ParseReply(body, command, mid);
    return reply.status;
  }

 private:
  // The next frame that is not a keep-alive. Keep-alives are legal at any
  // time, so any number of them is passed over; the deadline bounds a peer
  // that sends nothing else, however fast it sends them.
  Status ReadHeader(const Deadline& deadline, SessionHeader& out) {
    for (;;) {
      if (deadline.Cancelled()) return ERROR_REQUEST_ABORTED;
      if (deadline.Passed()) return ERROR_TIMEOUT;
      std::string raw;
      if (Status s = RecvExact(fd_.Get(), 4, deadline, raw); s != NERR_Success) return s;
      auto h = ParseSessionHeader(raw);
      if (!h) return ERROR_BAD_NET_RESP;
      if (h->type == session::kKeepAlive) {
        if (h->length != 0) return ERROR_BAD_NET_RESP;
        continue;
      }
      out = *h;
      return NERR_Success;
    }
  }

  const MessageDelivery& d_;
  const Deadline& message_;
  Fd fd_;
};

}  // namespace

Status DeliverMessage(const MessageDelivery& d, const Deadline& deadline) {
  Session session(d, deadline);
  if (Status s = session.Open(); s != NERR_Success) return s;
  std::uint16_t mid = 1;
  SmbReply reply;
  if (Status s = session.Exchange(SendStartRequest(mid, d.from, d.to), smb::kSendStart, mid, reply); s != NERR_Success)
    return s;
  // Samba answers the start without the group word and ignores it later.
  std::uint16_t group = reply.words.empty() ? 0 : reply.words[0];
  for (const std::string& block : d.blocks) {
    ++mid;
    if (Status s = session.Exchange(SendTextRequest(mid, group, block), smb::kSendText, mid, reply); s != NERR_Success)
      return s;
  }
  ++mid;
  return session.Exchange(SendEndRequest(mid, group), smb::kSendEnd, mid, reply);
}

}  // namespace vantor::lan::samba
