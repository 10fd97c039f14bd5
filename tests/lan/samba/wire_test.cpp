// SPDX-License-Identifier: GPL-3.0-or-later
// Sends over the wire to scripted peers on 127.0.0.1: what goes out, and how
// wrong, slow, silent and vanishing peers come back as statuses.
#include "fake_peer.h"
#include "lan/samba/bytes.h"
#include "lan/samba/netbios.h"
#include "lan/samba/samba_net_api.h"
#include "lan/samba/socket_io.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vantor::lan::samba {
namespace {

using namespace std::chrono_literals;
using test::FakePeer;
using test::Frame;
using test::PeerConnection;
using test::SmbReplyTo;
using ::testing::ElementsAre;

constexpr std::uint32_t kLoopback = 0x7F000001;

class Wire : public ::testing::Test {
 protected:
  LanConfig Config(std::uint16_t port) {
    LanConfig c;
    c.netbiosName = "DESK";
    c.workgroup = "OFFICE";
    c.smbPort = port;
    c.sambaConfig.clear();
    c.directory = false;  // these tests speak to their own peers only
    c.lmhostsFile = dir_.Write("lmhosts", "127.0.0.1 PEER\n127.0.0.1 Zoë\n127.0.0.1 µÿ\n");
    c.lmhostsRequired = true;
    c.resolveOrder = {ResolveMethod::kLmhosts};
    c.connectTimeout = 1000ms;
    c.replyTimeout = 300ms;
    c.nameTimeout = 300ms;
    c.messageSpool.clear();  // aliases are kept for the run
    return c;
  }
  std::unique_ptr<SambaNetApi> Api(std::uint16_t port) { return std::make_unique<SambaNetApi>(Config(port)); }

  vantor::test::TempDir dir_;
};

// The SMB commands a peer recorded, without the session request.
std::vector<std::string> Commands(const FakePeer& peer) {
  std::vector<std::string> out;
  for (const auto& r : peer.Recorded())
    if (r.rfind("session:", 0) != 0) out.push_back(r);
  return out;
}

std::uint16_t ClosedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(kLoopback);
  socklen_t len = sizeof sa;
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  ::close(fd);
  return ntohs(sa.sin_port);
}

TEST_F(Wire, DeliversStartTextBlocksAndEnd) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  std::u16string text = u"Grüße € done\n";
  text += std::u16string(300, u'x');
  ASSERT_EQ(api->NetMessageBufferSend({}, "peer", "Alice", text), NERR_Success);

  auto recorded = peer.Recorded();
  ASSERT_FALSE(recorded.empty());
  EXPECT_EQ(recorded[0], "session:" + EncodeNetbiosName("PEER", 3) + EncodeNetbiosName("DESK", 0));
  auto cmds = Commands(peer);
  ASSERT_EQ(cmds.size(), 1u + 3u + 1u);  // start, three blocks, end
  EXPECT_EQ(U8At(cmds[0], 4), 0xD5);
  EXPECT_EQ(cmds[0].substr(35), std::string("\x04"
                                            "Alice\0\x04"
                                            "peer\0",
                                            13));
  std::string joined;
  for (std::size_t i = 1; i + 1 < cmds.size(); ++i) {
    EXPECT_EQ(U8At(cmds[i], 4), 0xD7);
    EXPECT_EQ(Le16At(cmds[i], 33), 0x77);  // the group the start reply gave
    std::uint16_t len = Le16At(cmds[i], 38);
    EXPECT_LE(len, 127);
    joined += cmds[i].substr(40, len);
  }
  EXPECT_EQ(joined,
            "Gr\x81\xE1"
            "e ? done\r\n" +
                std::string(300, 'x'));
  EXPECT_EQ(U8At(cmds.back(), 4), 0xD6);
  EXPECT_EQ(Le16At(cmds.back(), 33), 0x77);
}

TEST_F(Wire, SenderDefaultsToTheComputerAndNamesAreCapitalisedForTheSession) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  ASSERT_EQ(api->NetMessageBufferSend({}, "zoë", "", u"hi"), NERR_Success);
  auto recorded = peer.Recorded();
  ASSERT_GE(recorded.size(), 2u);
  EXPECT_EQ(recorded[0].substr(8, 34), EncodeNetbiosName("ZO\xD3", 3));  // Ë in code page 850
  EXPECT_EQ(recorded[1].substr(35), std::string("\x04"
                                                "DESK\0\x04"
                                                "zo\x89\0",
                                                11));
  // Letters whose capitals the code page lacks (µ and ÿ) stay as they are.
  FakePeer other(test::MessengerHandler);
  ASSERT_EQ(Api(other.Port())->NetMessageBufferSend({}, "µÿ", "", u"hi"), NERR_Success);
  ASSERT_FALSE(other.Recorded().empty());
  EXPECT_EQ(other.Recorded()[0].substr(8, 34), EncodeNetbiosName("\xE6\x98", 3));
}

TEST_F(Wire, LongSenderNamesAreCutToFifteenCharacters) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  ASSERT_EQ(api->NetMessageBufferSend({}, "PEER", "Sales-department-Köln", u"hi"), NERR_Success);
  auto cmds = Commands(peer);
  ASSERT_FALSE(cmds.empty());
  EXPECT_EQ(cmds[0].substr(35), std::string("\x04"
                                            "Sales-departmen\0\x04"
                                            "PEER\0",
                                            23));
}

TEST_F(Wire, EachLineBreakBecomesOneCrLf) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  // LF CR (as joined -m texts are) and CR LF are one break each; a lone CR or LF is one.
  ASSERT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"a\n\rb\r\nc\rd\ne\n\n\r\rf"), NERR_Success);
  auto cmds = Commands(peer);
  ASSERT_EQ(cmds.size(), 3u);
  EXPECT_EQ(cmds[1].substr(40), "a\r\nb\r\nc\r\nd\r\ne\r\n\r\n\r\nf");
}

TEST_F(Wire, ThroughANamedServer) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  ASSERT_EQ(api->NetMessageBufferSend("\\\\PEER", "bob", "ALICE", u"hi"), NERR_Success);
  EXPECT_EQ(peer.Recorded()[0].substr(8, 34), EncodeNetbiosName("BOB", 3));
  EXPECT_EQ(api->NetMessageBufferSend("\\\\NOWHERE", "bob", "ALICE", u"hi"), ERROR_BAD_NETPATH);
}

TEST_F(Wire, NamesThatCannotBeFoundOrUsed) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "stranger", "A", u"hi"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageBufferSend({}, "MUCHTOOLONGFORNETBIOS", "A", u"hi"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageBufferSend({}, "王", "A", u"hi"), NERR_NameNotFound);  // not in the code page
  EXPECT_EQ(api->NetMessageBufferSend({}, "a\tb", "A", u"hi"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageBufferSend({}, "", "A", u"hi"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(peer.Connections(), 0);
}

TEST_F(Wire, RefusedConnection) {
  auto api = Api(ClosedPort());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_CONNECTION_REFUSED);
}

TEST_F(Wire, UnansweredConnectTimesOut) {
  // A listener whose queue is full drops further connection attempts unanswered.
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(kLoopback);
  socklen_t len = sizeof sa;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
  std::vector<Fd> fillers;
  for (int i = 0; i < 8; ++i) {
    Fd f;
    if (ConnectTcp({kLoopback, ntohs(sa.sin_port)}, 200ms, f) != NERR_Success) break;
    fillers.push_back(std::move(f));
  }
  LanConfig c = Config(ntohs(sa.sin_port));
  c.connectTimeout = 300ms;
  SambaNetApi api(c);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(api.NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
  ::close(listener);
}

TEST_F(Wire, NegativeSessionResponse) {
  FakePeer peer([](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    if (c.ReadFrame(type, body)) c.Write(Frame(0x83, std::string(1, '\x82')));
  });
  auto api = Api(peer.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_NameNotFound);
}

TEST_F(Wire, SilentAndSlowPeersTimeOutWithinTheReplyTimeOut) {
  FakePeer silent([](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    c.ReadFrame(type, body);
    c.ReadFrame(type, body);  // returns when the client gives up and closes
  });
  auto api = Api(silent.Port());
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);

  // Answers everything, but the end only after the client stopped waiting.
  FakePeer slow([](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    while (c.ReadFrame(type, body)) {
      if (U8At(body, 4) == 0xD6) std::this_thread::sleep_for(700ms);
      c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})));
    }
  });
  auto api2 = Api(slow.Port());
  EXPECT_EQ(api2->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_TIMEOUT);  // never "delivered"
}

// Answers the session request and every command, each after pause.
FakePeer::Handler AnswerEveryStepAfter(std::chrono::milliseconds pause) {
  return [pause](PeerConnection& c, FakePeer& p) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    std::this_thread::sleep_for(pause);
    c.Write(Frame(0x82, ""));
    while (c.ReadFrame(type, body)) {
      p.Record(body);
      std::this_thread::sleep_for(pause);
      c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})));
    }
  };
}

TEST_F(Wire, OneDeadlineBoundsTheWholeMessage) {
  // Every answer comes inside the reply time-out; the 895 characters take
  // start, eight blocks and end, so without a deadline for the whole message
  // it would take 10 x 200 ms and count as delivered.
  FakePeer patient(AnswerEveryStepAfter(200ms));
  LanConfig c = Config(patient.Port());
  c.replyTimeout = 300ms;
  c.messageTimeout = 700ms;
  SambaNetApi api(c);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(api.NetMessageBufferSend({}, "PEER", "A", std::u16string(895, u'x')), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 1500ms);
  auto cmds = Commands(patient);
  ASSERT_FALSE(cmds.empty());
  EXPECT_NE(U8At(cmds.back(), 4), 0xD6);  // the end command was never sent
}

TEST_F(Wire, CancellingEndsSendsUnderWayAndRefusesLaterOnes) {
  FakePeer silent([](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    c.ReadFrame(type, body);
    c.ReadFrame(type, body);
  });
  LanConfig c = Config(silent.Port());
  c.replyTimeout = 10s;
  c.messageTimeout = 20s;
  SambaNetApi api(c);
  std::thread canceller([&] {
    std::this_thread::sleep_for(200ms);
    api.CancelPendingCalls();
  });
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(api.NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_REQUEST_ABORTED);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 5s);
  canceller.join();
  EXPECT_EQ(api.NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_REQUEST_ABORTED);
  EXPECT_EQ(silent.Connections(), 1);
}

TEST_F(Wire, PeerVanishingMidMessage) {
  // Closes right after answering the start command.
  FakePeer peer([](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    if (c.ReadFrame(type, body)) c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})));
  });
  auto api = Api(peer.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_NETNAME_DELETED);

  // Sends half a reply, then closes.
  FakePeer half([](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    if (c.ReadFrame(type, body)) c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})).substr(0, 20));
  });
  auto api2 = Api(half.Port());
  EXPECT_EQ(api2->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_NETNAME_DELETED);
}

// A peer that answers the start command with the given bytes.
FakePeer::Handler AnswerStartWith(std::function<std::string(const std::string&)> reply) {
  return [reply](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    if (c.ReadFrame(type, body)) c.Write(reply(body));
    c.ReadFrame(type, body);
  };
}

TEST_F(Wire, MalformedRepliesAreBadResponses) {
  std::vector<std::pair<const char*, std::function<std::string(const std::string&)>>> cases = {
      {"not SMB", [](const std::string&) { return Frame(0, std::string(40, 'z')); }},
      {"another multiplex id",
       [](const std::string& r) {
         std::string s = SmbReplyTo(r, 0, 0, {1});
         s[30] = 0x55;
         return Frame(0, s);
       }},
      {"a session response in mid-session", [](const std::string&) { return Frame(0x83, std::string(1, '\x8F')); }},
      {"bad flag bits", [](const std::string&) { return std::string("\x00\x80\x00\x00", 4); }},
      {"a huge frame", [](const std::string&) { return std::string("\x00\x01\xFF\xFF", 4); }},
  };
  for (auto& [what, reply] : cases) {
    FakePeer peer(AnswerStartWith(reply));
    auto api = Api(peer.Port());
    EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_BAD_NET_RESP) << what;
  }
}

TEST_F(Wire, StartReplyWithoutGroupAsSambaSendsIt) {
  FakePeer peer([](PeerConnection& c, FakePeer& p) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    while (c.ReadFrame(type, body)) {
      p.Record(body);
      c.Write(Frame(0, SmbReplyTo(body)));
    }
  });
  auto api = Api(peer.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_Success);
  auto cmds = Commands(peer);
  ASSERT_EQ(cmds.size(), 3u);
  EXPECT_EQ(Le16At(cmds[2], 33), 0);
}

TEST_F(Wire, PeerErrorsAreFailures) {
  // smbd without a message command refuses the start: class 1, code 0x47.
  FakePeer refusing(AnswerStartWith([](const std::string& r) { return Frame(0, SmbReplyTo(r, 1, 0x47)); }));
  auto api = Api(refusing.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_MsgNotStarted);

  // A failure of the end command means nothing was delivered.
  FakePeer endFails([](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    while (c.ReadFrame(type, body)) {
      bool end = U8At(body, 4) == 0xD6;
      c.Write(Frame(0, end ? SmbReplyTo(body, 2, 4) : SmbReplyTo(body, 0, 0, {1})));
    }
  });
  auto api2 = Api(endFails.Port());
  EXPECT_EQ(api2->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_NETWORK_ACCESS_DENIED);
}

TEST_F(Wire, KeepAlivesAndOneRedirection) {
  // Keep-alives are legal at any time: nine before every answer are passed over.
  FakePeer chatty([](PeerConnection& c, FakePeer& p) {
    std::uint8_t type;
    std::string body;
    std::string nine;
    for (int i = 0; i < 9; ++i) nine += Frame(0x85, "");
    if (!c.ReadFrame(type, body)) return;
    c.Write(nine + Frame(0x82, ""));
    while (c.ReadFrame(type, body)) {
      p.Record(body);
      c.Write(nine + Frame(0, SmbReplyTo(body, 0, 0, {1})));
    }
  });
  auto api = Api(chatty.Port());
  EXPECT_EQ(api->NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_Success);
  EXPECT_EQ(Commands(chatty).size(), 3u);

  // Nothing but keep-alives, sent faster than the reply time-out: still a time-out.
  FakePeer onlyKeepAlives([](PeerConnection& c, FakePeer&) {
    if (!c.AcceptSession()) return;
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    for (int i = 0; i < 2000; ++i) {
      if (::send(c.Fd(), "\x85\0\0\0", 4, MSG_NOSIGNAL) != 4) return;
      std::this_thread::sleep_for(1ms);
    }
  });
  auto api1 = Api(onlyKeepAlives.Port());
  EXPECT_EQ(api1->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_TIMEOUT);

  FakePeer target(test::MessengerHandler);
  std::uint16_t targetPort = target.Port();
  FakePeer redirecting([targetPort](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    std::string where;
    PutBe16(where, 0x7F00);
    PutBe16(where, 0x0001);
    PutBe16(where, targetPort);
    c.Write(Frame(0x84, where));
  });
  auto api2 = Api(redirecting.Port());
  EXPECT_EQ(api2->NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_Success);
  EXPECT_EQ(Commands(target).size(), 3u);

  // Redirected to a peer that redirects again: refused rather than followed on.
  FakePeer loop([](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    std::string where;
    PutBe16(where, 0x7F00);
    PutBe16(where, 0x0001);
    PutBe16(where, 9);
    c.Write(Frame(0x84, where));
  });
  FakePeer toLoop([&loop](PeerConnection& c, FakePeer&) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    std::string where;
    PutBe16(where, 0x7F00);
    PutBe16(where, 0x0001);
    PutBe16(where, loop.Port());
    c.Write(Frame(0x84, where));
  });
  auto api3 = Api(toLoop.Port());
  EXPECT_EQ(api3->NetMessageBufferSend({}, "PEER", "A", u"hi"), ERROR_BAD_NET_RESP);
}

TEST_F(Wire, ManySendersAtOnce) {
  FakePeer peer(test::MessengerHandler);
  auto api = Api(peer.Port());
  constexpr int kThreads = 6, kEach = 4;
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        if (api->NetMessageBufferSend({}, "PEER", "T" + std::to_string(t), u"hello") == NERR_Success) ++ok;
        api->NetMessageNameAdd({}, "ALIAS" + std::to_string(t));
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(ok.load(), kThreads * kEach);
  EXPECT_EQ(peer.Connections(), kThreads * kEach);  // one session per message
}

// ---- Name queries and broadcasts over UDP on 127.0.0.1 ----

class UdpPeer {
 public:
  UdpPeer() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(kLoopback);
    socklen_t len = sizeof sa;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  ~UdpPeer() { ::close(fd_); }
  std::uint16_t Port() const { return port_; }
  // One datagram within the time, and who sent it.
  bool Receive(std::string& out, sockaddr_in& from, int ms = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buf[2048];
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return false;
    out.assign(buf, static_cast<std::size_t>(n));
    return true;
  }
  void Send(const std::string& bytes, const sockaddr_in& to) {
    ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Answers one name query (after an unrelated packet and a wait-for-it notice)
// with address, or negatively when address is 0.
std::string NameAnswerFor(const std::string& query, std::uint32_t address) {
  std::string a = query.substr(0, 2);
  PutBe16(a, address ? 0x8500 : 0x8503);
  PutBe16(a, 0);
  PutBe16(a, 1);
  PutBe16(a, 0);
  PutBe16(a, 0);
  a += query.substr(12, 34);
  PutBe16(a, 0x20);
  PutBe16(a, 1);
  PutBe16(a, 0);
  PutBe16(a, 60);
  PutBe16(a, 6);
  PutBe16(a, 0);
  PutBe16(a, static_cast<std::uint16_t>(address >> 16));
  PutBe16(a, static_cast<std::uint16_t>(address & 0xFFFF));
  return a;
}

TEST_F(Wire, NameQueryToTheConfiguredNameServer) {
  FakePeer peer(test::MessengerHandler);
  UdpPeer nameServer;
  LanConfig c = Config(peer.Port());
  c.resolveOrder = {ResolveMethod::kWins};
  c.nameServer = kLoopback;
  c.namePort = nameServer.Port();
  SambaNetApi api(c);
  std::thread answer([&] {
    std::string q;
    sockaddr_in from{};
    if (!nameServer.Receive(q, from)) return;
    std::string wrongId = NameAnswerFor(q, 0x0A000001);
    wrongId[0] ^= 0x40;
    nameServer.Send(wrongId, from);  // another transaction's answer is passed over
    std::string wack = NameAnswerFor(q, 1);
    wack[2] = static_cast<char>(0xB8);
    nameServer.Send(wack, from);
    nameServer.Send(NameAnswerFor(q, kLoopback), from);
  });
  EXPECT_EQ(api.NetMessageBufferSend({}, "REMOTE", "A", u"hi"), NERR_Success);
  answer.join();
  EXPECT_EQ(peer.Recorded()[0].substr(8, 34), EncodeNetbiosName("REMOTE", 3));
}

TEST_F(Wire, NameQueryRefusedOrUnanswered) {
  UdpPeer nameServer;
  LanConfig c = Config(ClosedPort());
  c.resolveOrder = {ResolveMethod::kWins, ResolveMethod::kBroadcast};
  c.nameServer = kLoopback;
  c.namePort = nameServer.Port();
  SambaNetApi api(c);
  std::thread answer([&] {
    std::string q;
    sockaddr_in from{};
    if (nameServer.Receive(q, from)) nameServer.Send(NameAnswerFor(q, 0), from);
  });
  EXPECT_EQ(api.NetMessageBufferSend({}, "REMOTE", "A", u"hi"), NERR_NameNotFound);
  answer.join();

  // Nobody answers: given up after the name time-out, nothing sent anywhere else.
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(api.NetMessageBufferSend({}, "REMOTE", "A", u"hi"), NERR_NameNotFound);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);

  // The message's deadline cuts a longer name time-out short.
  c.nameTimeout = 6s;
  c.messageTimeout = 300ms;
  SambaNetApi hurried(c);
  t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(hurried.NetMessageBufferSend({}, "REMOTE", "A", u"hi"), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 2s);
}

TEST_F(Wire, BroadcastGoesOnlyToTheConfiguredAddress) {
  UdpPeer receiver;
  LanConfig c = Config(ClosedPort());
  SambaNetApi unconfigured(c);
  EXPECT_EQ(unconfigured.NetMessageBufferSend({}, "SALES*", "ALICE", u"hi"), ERROR_NOT_SUPPORTED);

  c.broadcastAddress = kLoopback;
  c.datagramPort = receiver.Port();
  SambaNetApi api(c);
  ASSERT_EQ(api.NetMessageBufferSend({}, "Sales*", "ALICE", u"Lunch is\nready"), NERR_Success);
  std::string d;
  sockaddr_in from{};
  ASSERT_TRUE(receiver.Receive(d, from));
  ASSERT_GT(d.size(), 82u + 87u);
  EXPECT_EQ(U8At(d, 0), 0x11);
  EXPECT_EQ(d.substr(4, 4), std::string("\x7F\x00\x00\x01", 4));
  EXPECT_EQ(Be16At(d, 8), ntohs(from.sin_port));
  EXPECT_EQ(Be16At(d, 10), d.size() - 14);
  EXPECT_EQ(d.substr(14, 34), EncodeNetbiosName("DESK", 0));
  EXPECT_EQ(d.substr(48, 34), EncodeNetbiosName("SALES", 0));
  EXPECT_EQ(d.substr(82 + 69, 18), std::string("\\MAILSLOT\\MESSNGR\0", 18));
  EXPECT_EQ(d.substr(82 + 87), std::string("ALICE\0SALES\0Lunch is\r\nready\0", 28));

  // "*" alone is the own workgroup; a text too long for one datagram is cut and says so.
  EXPECT_EQ(api.NetMessageBufferSend({}, "*", "ALICE", std::u16string(1000, u'é')), NERR_TruncatedBroadcast);
  ASSERT_TRUE(receiver.Receive(d, from));
  EXPECT_EQ(d.substr(48, 34), EncodeNetbiosName("OFFICE", 0));
  EXPECT_EQ(d.size(), 14u + 68u + 512u);
  EXPECT_EQ(d.back(), '\0');
}

// ---- Aliases and the messenger check ----

TEST_F(Wire, AliasesAreKeptForTheRun) {
  auto api = Api(ClosedPort());
  EXPECT_EQ(api->NetMessageNameAdd({}, "OPS"), NERR_Success);
  EXPECT_EQ(api->NetMessageNameAdd({}, "ops"), NERR_AlreadyExists);
  EXPECT_EQ(api->NetMessageNameAdd({}, "DESK"), NERR_AlreadyExists);  // the computer's own name
  EXPECT_EQ(api->NetMessageNameAdd({}, "TOO-LONG-FOR-AN-ALIAS"), ERROR_INVALID_NAME);
  EXPECT_EQ(api->NetMessageNameAdd({}, ""), ERROR_INVALID_NAME);
  EXPECT_EQ(api->NetMessageNameAdd("\\\\ELSEWHERE", "OPS2"), ERROR_BAD_NETPATH);
  EXPECT_EQ(api->NetMessageNameDel({}, "Ops"), NERR_Success);
  EXPECT_EQ(api->NetMessageNameDel({}, "OPS"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageNameDel({}, "DESK"), 2278u);
  for (std::size_t i = 0; i < SambaNetApi::kMaxAliases; ++i)
    ASSERT_EQ(api->NetMessageNameAdd({}, "A" + std::to_string(i)), NERR_Success);
  EXPECT_EQ(api->NetMessageNameAdd({}, "ONEMORE"), NERR_TooManyNames);
}

TEST_F(Wire, MessengerCheckTellsWhetherThisComputerCanReceive) {
  FakePeer localSmbd(test::MessengerHandler);
  auto enumStatus = [&](const std::string& smbConf, std::vector<std::string>* names = nullptr) {
    LanConfig c = Config(ClosedPort());
    c.sambaConfig = smbConf.empty() ? std::string() : dir_.Write("smb.conf", smbConf);
    SambaNetApi api(c);
    NetBuffer<MsgInfo0> buf;
    std::uint32_t total = 0, resume = 0;
    Status s = api.NetMessageNameEnum({}, 0, 512, buf, total, resume);
    if (names)
      for (const auto& m : buf) names->push_back(m.name);
    return s;
  };
  std::string ports = "smb ports = " + std::to_string(localSmbd.Port()) + "\n";
  std::vector<std::string> names;
  EXPECT_EQ(enumStatus("[global]\nmessage command = cat %s\nserver min protocol = NT1\n" + ports, &names),
            NERR_Success);
  EXPECT_THAT(names, ElementsAre("DESK"));
  EXPECT_EQ(enumStatus(""), NERR_MsgNotStarted);
  EXPECT_EQ(enumStatus("[global]\nserver min protocol = NT1\n" + ports), NERR_MsgNotStarted);
  EXPECT_EQ(enumStatus("[global]\nmessage command = cat %s\n" + ports), NERR_MsgNotStarted);
  EXPECT_EQ(enumStatus("[global]\nmessage command = cat %s\nserver min protocol = NT1\nsmb ports = " +
                       std::to_string(ClosedPort()) + "\n"),
            NERR_MsgNotStarted);
  // Sending does not depend on it.
  LanConfig c = Config(localSmbd.Port());
  SambaNetApi api(c);
  EXPECT_EQ(api.NetMessageBufferSend({}, "PEER", "A", u"hi"), NERR_Success);
}

}  // namespace
}  // namespace vantor::lan::samba
