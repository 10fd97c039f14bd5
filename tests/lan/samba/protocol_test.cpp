// SPDX-License-Identifier: GPL-3.0-or-later
// Byte layouts of the messenger protocol: names, session framing, name
// queries, SMB message commands and their replies, mailslot datagrams.
#include "lan/net_error_text.h"
#include "lan/samba/bytes.h"
#include "lan/samba/netbios.h"
#include "lan/samba/smb_message.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::lan::samba {
namespace {

using ::testing::ElementsAre;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

TEST(NetbiosName, EncodesPaddedNameAndSuffixAsNibbleLetters) {
  std::string e = EncodeNetbiosName("PEER", kSuffixMessenger);
  ASSERT_EQ(e.size(), kEncodedNameSize);
  EXPECT_EQ(U8At(e, 0), 32);
  EXPECT_EQ(U8At(e, 33), 0);
  // 'P' = 0x50 -> "FA", 'E' = 0x45 -> "EF", ' ' = 0x20 -> "CA", suffix 0x03 -> "AD".
  EXPECT_EQ(e.substr(1, 32), "FAEFEFFC" + std::string("CACACACACACACACACACACA") + "AD");
  EXPECT_EQ(DecodeNetbiosName(e), std::string("PEER           \x03", 16));

  // A code-page byte above 0x7F survives the round trip; a long name is cut at 15.
  EXPECT_EQ(DecodeNetbiosName(EncodeNetbiosName("Z\x99", 0))->substr(0, 2), "Z\x99");
  EXPECT_EQ(DecodeNetbiosName(EncodeNetbiosName("ABCDEFGHIJKLMNOPQ", 0x20)), std::string("ABCDEFGHIJKLMNO\x20"));
}

TEST(NetbiosName, DecodeRefusesWhatIsNoName) {
  std::string e = EncodeNetbiosName("X", 0);
  EXPECT_FALSE(DecodeNetbiosName(e.substr(0, 33)));
  std::string bad = e;
  bad[5] = 'Q';  // beyond 'P' is no nibble
  EXPECT_FALSE(DecodeNetbiosName(bad));
  bad = e;
  bad[0] = 31;
  EXPECT_FALSE(DecodeNetbiosName(bad));
}

TEST(SessionService, RequestAndMessageFraming) {
  std::string called = EncodeNetbiosName("PEER", 3), calling = EncodeNetbiosName("ME", 0);
  std::string req = SessionRequest(called, calling);
  ASSERT_EQ(req.size(), 4u + 68u);
  EXPECT_EQ(req.substr(0, 4), Bytes({0x81, 0, 0, 68}));
  EXPECT_EQ(req.substr(4, 34), called);
  EXPECT_EQ(req.substr(38), calling);

  EXPECT_EQ(SessionMessage("abc"), Bytes({0, 0, 0, 3}) + "abc");
  std::string big(0x10005, 'x');
  EXPECT_EQ(SessionMessage(big).substr(0, 4), Bytes({0, 1, 0, 5}));  // 17th length bit in the flags

  auto h = ParseSessionHeader(Bytes({0x00, 0x01, 0x00, 0x05}));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->type, session::kMessage);
  EXPECT_EQ(h->length, 0x10005u);
  EXPECT_FALSE(ParseSessionHeader(Bytes({0x82, 0x02, 0, 0})));  // flag bits that do not exist
  EXPECT_FALSE(ParseSessionHeader(Bytes({0x82, 0})));           // cut short
}

TEST(SessionService, NegativeResponsesMapToStatuses) {
  EXPECT_EQ(NegativeSessionStatus(0x82), NERR_NameNotFound);
  EXPECT_EQ(NegativeSessionStatus(0x80), NERR_NameNotFound);
  EXPECT_EQ(NegativeSessionStatus(0x83), ERROR_REQ_NOT_ACCEP);
  EXPECT_EQ(NegativeSessionStatus(0x81), ERROR_NETWORK_ACCESS_DENIED);
  EXPECT_EQ(NegativeSessionStatus(0x8F), ERROR_UNEXP_NET_ERR);
  EXPECT_EQ(NegativeSessionStatus(0x00), ERROR_UNEXP_NET_ERR);
}

// A name service answer as a name server would send it.
std::string Answer(std::uint16_t id, std::uint16_t flags, const std::string& name, std::uint32_t address,
                   bool pointer = false) {
  std::string p;
  PutBe16(p, id);
  PutBe16(p, flags);
  PutBe16(p, 0);
  PutBe16(p, 1);
  PutBe16(p, 0);
  PutBe16(p, 0);
  if (pointer)
    p += Bytes({0xC0, 0x0C});
  else
    p += name;
  PutBe16(p, 0x20);
  PutBe16(p, 1);
  p += Bytes({0, 0, 0x0E, 0x10});  // TTL
  PutBe16(p, 6);
  PutBe16(p, 0);  // NB flags
  PutBe16(p, static_cast<std::uint16_t>(address >> 16));
  PutBe16(p, static_cast<std::uint16_t>(address & 0xFFFF));
  return p;
}

TEST(NameService, QueryLayout) {
  std::string name = EncodeNetbiosName("PEER", 3);
  std::string q = NameQueryRequest(0x1234, name, false);
  ASSERT_EQ(q.size(), 12u + 34u + 4u);
  EXPECT_EQ(q.substr(0, 12), Bytes({0x12, 0x34, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(q.substr(12, 34), name);
  EXPECT_EQ(q.substr(46), Bytes({0, 0x20, 0, 1}));
  EXPECT_EQ(U8At(NameQueryRequest(1, name, true), 3), 0x10);  // the broadcast bit
}

TEST(NameService, AnswersAreJudged) {
  using Kind = NameQueryAnswer::Kind;
  std::string name = EncodeNetbiosName("PEER", 3);
  NameQueryAnswer a = ParseNameQueryResponse(Answer(7, 0x8500, name, 0x7F000001), 7, name);
  EXPECT_EQ(a.kind, Kind::kPositive);
  EXPECT_EQ(a.address, 0x7F000001u);
  EXPECT_EQ(ParseNameQueryResponse(Answer(7, 0x8500, "", 0x0A000002, true), 7, name).address, 0x0A000002u);

  EXPECT_EQ(ParseNameQueryResponse(Answer(8, 0x8500, name, 1), 7, name).kind, Kind::kNotOurs);       // other id
  EXPECT_EQ(ParseNameQueryResponse(NameQueryRequest(7, name, true), 7, name).kind, Kind::kNotOurs);  // a query
  EXPECT_EQ(ParseNameQueryResponse(Answer(7, 0x8500, EncodeNetbiosName("OTHER", 3), 1), 7, name).kind, Kind::kNotOurs);
  EXPECT_EQ(ParseNameQueryResponse(Answer(7, 0xB800, name, 1), 7, name).kind, Kind::kNotOurs);  // wait, more follows
  EXPECT_EQ(ParseNameQueryResponse(Answer(7, 0x8503, name, 1), 7, name).kind, Kind::kNegative);

  std::string good = Answer(7, 0x8500, name, 0x7F000001);
  for (std::size_t cut : {11u, 20u, 46u, 55u, 60u}) {
    EXPECT_NE(ParseNameQueryResponse(good.substr(0, cut), 7, name).kind, Kind::kPositive) << cut;
  }
  EXPECT_EQ(ParseNameQueryResponse(Answer(7, 0x8500, name, 0), 7, name).kind, Kind::kMalformed);
  std::string wrongType = good;
  wrongType[47] = 0x21;
  EXPECT_EQ(ParseNameQueryResponse(wrongType, 7, name).kind, Kind::kMalformed);
}

TEST(SmbMessage, StartCarriesSenderAndRecipient) {
  std::string s = SendStartRequest(1, "ALICE", "bob");
  ASSERT_GE(s.size(), 32u + 3u);
  EXPECT_EQ(s.substr(0, 4), "\xFFSMB");
  EXPECT_EQ(U8At(s, 4), smb::kSendStart);
  EXPECT_EQ(U8At(s, 9) & 0x80, 0);  // a request
  EXPECT_EQ(Le16At(s, 30), 1);      // multiplex id
  EXPECT_EQ(U8At(s, 32), 0);        // no words
  EXPECT_EQ(Le16At(s, 33), 12);
  EXPECT_EQ(s.substr(35), std::string("\x04"
                                      "ALICE\0\x04"
                                      "bob\0",
                                      12));
}

TEST(SmbMessage, TextAndEndCarryTheGroup) {
  std::string t = SendTextRequest(2, 0xBEEF, "hi");
  EXPECT_EQ(U8At(t, 4), smb::kSendText);
  EXPECT_EQ(U8At(t, 32), 1);
  EXPECT_EQ(Le16At(t, 33), 0xBEEF);
  EXPECT_EQ(Le16At(t, 35), 5);
  EXPECT_EQ(t.substr(37), Bytes({1, 2, 0}) + "hi");

  std::string e = SendEndRequest(3, 0xBEEF);
  EXPECT_EQ(U8At(e, 4), smb::kSendEnd);
  EXPECT_EQ(Le16At(e, 33), 0xBEEF);
  EXPECT_EQ(Le16At(e, 35), 0);
  EXPECT_EQ(e.size(), 37u);
}

// A reply as a peer would send it.
std::string Reply(std::uint8_t command, std::uint16_t mid, std::uint8_t errClass = 0, std::uint16_t code = 0,
                  std::vector<std::uint16_t> words = {}, std::uint16_t flags2 = 0, std::uint32_t nt = 0) {
  std::string r = "\xFFSMB";
  PutU8(r, command);
  if (flags2 & 0x4000) {
    PutLe32(r, nt);
  } else {
    PutU8(r, errClass);
    PutU8(r, 0);
    PutLe16(r, code);
  }
  PutU8(r, 0x80);
  PutLe16(r, flags2);
  r.append(12, '\0');
  PutLe16(r, 0xFFFF);
  PutLe16(r, 0xFEFF);
  PutLe16(r, 0);
  PutLe16(r, mid);
  PutU8(r, static_cast<std::uint8_t>(words.size()));
  for (auto w : words) PutLe16(r, w);
  PutLe16(r, 0);
  return r;
}

TEST(SmbReply, GoodRepliesGiveTheirWords) {
  SmbReply r = ParseReply(Reply(smb::kSendStart, 1, 0, 0, {0x4242}), smb::kSendStart, 1);
  EXPECT_EQ(r.status, NERR_Success);
  EXPECT_THAT(r.words, ElementsAre(0x4242));
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 9), smb::kSendEnd, 9).status, NERR_Success);
}

TEST(SmbReply, WrongOrTruncatedRepliesAreBadResponses) {
  std::string good = Reply(smb::kSendStart, 1, 0, 0, {1});
  EXPECT_EQ(ParseReply(good, smb::kSendText, 1).status, ERROR_BAD_NET_RESP);   // another command
  EXPECT_EQ(ParseReply(good, smb::kSendStart, 2).status, ERROR_BAD_NET_RESP);  // another multiplex id
  std::string smb2 = good;
  smb2[0] = '\xFE';
  EXPECT_EQ(ParseReply(smb2, smb::kSendStart, 1).status, ERROR_BAD_NET_RESP);
  std::string request = good;
  request[9] = 0;
  EXPECT_EQ(ParseReply(request, smb::kSendStart, 1).status, ERROR_BAD_NET_RESP);
  for (std::size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_EQ(ParseReply(good.substr(0, cut), smb::kSendStart, 1).status, ERROR_BAD_NET_RESP) << cut;
  std::string longBytes = good;
  longBytes[longBytes.size() - 2] = 10;  // claims ten bytes that are not there
  EXPECT_EQ(ParseReply(longBytes, smb::kSendStart, 1).status, ERROR_BAD_NET_RESP);
}

TEST(SmbReply, PeerErrorsMapToStatuses) {
  // What smbd answers when it has no message command: class 1, code 0x47.
  EXPECT_EQ(ParseReply(Reply(smb::kSendStart, 1, 1, 0x47), smb::kSendStart, 1).status, NERR_MsgNotStarted);
  EXPECT_EQ(ParseReply(Reply(smb::kSendStart, 1, 2, 82), smb::kSendStart, 1).status, NERR_MsgNotStarted);
  EXPECT_EQ(ParseReply(Reply(smb::kSendText, 1, 2, 83), smb::kSendText, 1).status, ERROR_REQ_NOT_ACCEP);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 2, 4), smb::kSendEnd, 1).status, ERROR_NETWORK_ACCESS_DENIED);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 1, 5), smb::kSendEnd, 1).status, ERROR_ACCESS_DENIED);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 2, 0xFFFF), smb::kSendEnd, 1).status, ERROR_NOT_SUPPORTED);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 1, 0x7777), smb::kSendEnd, 1).status, ERROR_UNEXP_NET_ERR);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 0x42, 1), smb::kSendEnd, 1).status, ERROR_UNEXP_NET_ERR);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 0, 0, {}, 0x4000, 0xC00000D0), smb::kSendEnd, 1).status,
            NERR_MsgNotStarted);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 0, 0, {}, 0x4000, 0xC0000022), smb::kSendEnd, 1).status,
            ERROR_NETWORK_ACCESS_DENIED);
  EXPECT_EQ(ParseReply(Reply(smb::kSendEnd, 1, 0, 0, {}, 0x4000, 0), smb::kSendEnd, 1).status, NERR_Success);
}

TEST(Statuses, EveryStatusOfTheBackendHasAText) {
  for (Status s : {NERR_NameNotFound,           ERROR_BAD_NETPATH,    ERROR_CONNECTION_REFUSED, ERROR_HOST_UNREACHABLE,
                   ERROR_NETWORK_UNREACHABLE,   ERROR_TIMEOUT,        NERR_MsgNotStarted,       ERROR_REQ_NOT_ACCEP,
                   ERROR_NETWORK_ACCESS_DENIED, ERROR_SHARING_PAUSED, ERROR_UNEXP_NET_ERR,      ERROR_NETNAME_DELETED,
                   ERROR_BAD_NET_RESP,          ERROR_NOT_SUPPORTED,  NERR_TruncatedBroadcast,  ERROR_INVALID_PARAMETER,
                   ERROR_INVALID_NAME,          NERR_AlreadyExists,   NERR_TooManyNames,        NERR_NetworkError,
                   ERROR_NOT_ENOUGH_MEMORY,     ERROR_BAD_NET_NAME}) {
    std::string text = NetErrorText(s);
    EXPECT_EQ(text.find("Unrecognised"), std::string::npos) << s;
    EXPECT_EQ(text.find("Unknown"), std::string::npos) << s;
  }
}

TEST(TextBlocks, SplitAt127BytesWithoutCuttingCharacters) {
  std::vector<std::string> chars(300, "a");
  auto blocks = SplitTextBlocks(chars);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].size(), 127u);
  EXPECT_EQ(blocks[1].size(), 127u);
  EXPECT_EQ(blocks[2].size(), 46u);

  EXPECT_EQ(SplitTextBlocks(std::vector<std::string>(127, "b")).size(), 1u);
  EXPECT_EQ(SplitTextBlocks(std::vector<std::string>(128, "b")).size(), 2u);
  EXPECT_TRUE(SplitTextBlocks({}).empty());

  // Two-byte characters (a double-byte code page) never straddle two blocks.
  std::vector<std::string> wide(100, "\x82\xA0");
  blocks = SplitTextBlocks(wide);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].size(), 126u);
  EXPECT_EQ(blocks[1].size(), 74u);
}

TEST(Mailslot, MessengerWriteLayout) {
  std::string data = MessengerMailslotData("ALICE", "SALES", "hi");
  EXPECT_EQ(data, std::string("ALICE\0SALES\0hi\0", 15));
  std::string w = MailslotWrite(kMessengerMailslot, data);
  EXPECT_EQ(U8At(w, 4), smb::kTransaction);
  EXPECT_EQ(U8At(w, 32), 17);             // words
  EXPECT_EQ(Le16At(w, 35), data.size());  // total data count
  EXPECT_EQ(Le16At(w, 55), data.size());  // data count
  std::uint16_t offset = Le16At(w, 57);
  EXPECT_EQ(U8At(w, 59), 3);    // setup words
  EXPECT_EQ(Le16At(w, 61), 1);  // mailslot write
  EXPECT_EQ(Le16At(w, 65), 2);  // class 2
  EXPECT_EQ(w.substr(69, 18), std::string("\\MAILSLOT\\MESSNGR\0", 18));
  ASSERT_EQ(offset, 87);
  EXPECT_EQ(w.substr(offset), data);
  // A datagram carries at most 512 bytes of user data; the mailslot write
  // takes 87 of them.
  EXPECT_EQ(MailslotCapacity(kMessengerMailslot), 425u);
}

TEST(Datagram, DirectGroupLayout) {
  std::string src = EncodeNetbiosName("ME", 0), dst = EncodeNetbiosName("SALES", 0);
  std::string d = DirectGroupDatagram(0x0102, 0x7F000001, 40000, src, dst, "xyz");
  EXPECT_EQ(d.substr(0, 14), Bytes({0x11, 0x02, 0x01, 0x02, 127, 0, 0, 1, 0x9C, 0x40, 0, 71, 0, 0}));
  EXPECT_EQ(d.substr(14, 34), src);
  EXPECT_EQ(d.substr(48, 34), dst);
  EXPECT_EQ(d.substr(82), "xyz");
}

}  // namespace
}  // namespace vantor::lan::samba
