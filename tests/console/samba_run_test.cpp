// SPDX-License-Identifier: GPL-3.0-or-later
// vantorc over the wire: runs with the samba backend against scripted peers
// on 127.0.0.1, for what only a real backend shows: a whole run bounded by
// one message deadline, and a start that reads only what the run needs.

#include "console/vantorc_runner.h"
#include "lan/samba/fake_peer.h"
#include "lan/samba/netbios.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vantor::test {
namespace {

using namespace std::chrono_literals;
using lan::samba::test::FakePeer;
using lan::samba::test::Frame;
using lan::samba::test::PeerConnection;
using lan::samba::test::SmbReplyTo;

// Answers the session request and every command, each after pause.
void AnswerSlowly(PeerConnection& c, FakePeer& peer, std::chrono::milliseconds pause) {
  std::uint8_t type;
  std::string body;
  if (!c.ReadFrame(type, body)) return;
  std::this_thread::sleep_for(pause);
  c.Write(Frame(0x82, ""));
  while (c.ReadFrame(type, body)) {
    peer.Record(body);
    std::this_thread::sleep_for(pause);
    c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})));
  }
}

class SambaRun : public ::testing::Test {
 protected:
  // lan.conf for peers reached by name through an lmhosts file.
  std::string Conf(const std::string& lmhosts, std::uint16_t port, const std::string& more = {}) {
    return dir_.Write("lan.conf", "samba config =\ndirectory = no\nnetbios name = DESK\nresolve order = lmhosts\nlmhosts file = " +
                                      dir_.Write("lmhosts", lmhosts) + "\nsmb port = " + std::to_string(port) + "\n" +
                                      more);
  }
  RunResult Vantorc(const std::string& conf, const std::vector<std::string>& args) {
    return RunProgram(VANTORC_PATH, args,
                      {{"VANTOR_LAN", "samba:" + conf}, {"VANTOR_STORE", dir_.File("store.db")}, {"LC_ALL", "C"}});
  }
  TempDir dir_;
};

TEST_F(SambaRun, AllRecipientsShareOneDeadline) {
  // Twenty names for one peer that answers every step inside the reply
  // time-out but never finishes a message within the message time-out. One
  // after another the run would take twenty message time-outs, and in
  // batches of 16 side by side still two.
  std::atomic<int> open{0}, mostOpen{0};
  FakePeer patient([&](PeerConnection& c, FakePeer& p) {
    int now = ++open;
    for (int seen = mostOpen; now > seen && !mostOpen.compare_exchange_weak(seen, now);) {
    }
    AnswerSlowly(c, p, 150ms);
    --open;
  });
  std::string lmhosts, names;
  for (int i = 1; i <= 20; ++i) {
    lmhosts += "127.0.0.1 P" + std::to_string(i) + "\n";
    names += (i > 1 ? ",P" : "P") + std::to_string(i);
  }
  std::string conf = Conf(lmhosts, patient.Port(), "reply timeout = 300 ms\nmessage timeout = 1\n");
  auto t0 = std::chrono::steady_clock::now();
  RunResult r = Vantorc(conf, {"-v", "-f", "-u", names, "-m", std::string(500, 'x')});
  auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_EQ(r.status, 2);
  std::string out = NormaliseTimes(r.out);
  for (int i = 1; i <= 20; ++i)
    EXPECT_NE(out.find("Message to User: P" + std::to_string(i) + " failed. TIME\r\n"), std::string::npos) << out;
  EXPECT_NE(r.err.find("vantorc: message to P9 failed: The operation ended because its timeout expired."),
            std::string::npos)
      << r.err;
  EXPECT_LT(took, 1900ms);
  EXPECT_GT(mostOpen.load(), 1);
  EXPECT_LE(mostOpen.load(), 16);
}

TEST_F(SambaRun, APromptRecipientIsReachedWhileASilentOneTimesOut) {
  // One peer for both names: silent when SLOW is called, prompt otherwise.
  FakePeer peer([](PeerConnection& c, FakePeer& p) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    if (body.substr(0, 34) == lan::samba::EncodeNetbiosName("SLOW", lan::samba::kSuffixMessenger)) {
      c.ReadFrame(type, body);  // until the client gives up
      return;
    }
    c.Write(Frame(0x82, ""));
    while (c.ReadFrame(type, body)) {
      p.Record(body);
      c.Write(Frame(0, SmbReplyTo(body, 0, 0, {1})));
    }
  });
  std::string conf =
      Conf("127.0.0.1 FAST\n127.0.0.1 SLOW\n", peer.Port(), "reply timeout = 5\nmessage timeout = 600 ms\n");
  RunResult r = Vantorc(conf, {"-v", "-f", "-u", "SLOW,FAST", "-m", "hi"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(NormaliseTimes(r.out).find(
                Lines({"Message to User: FAST succeeded. TIME", "Message to User: SLOW failed. TIME"})),
            std::string::npos)
      << r.out;
  EXPECT_EQ(peer.Recorded().size(), 3u);  // start, text and end for FAST
}

TEST_F(SambaRun, ARunThatNeedsNoNetworkReadsNoNetworkSettings) {
  // Listing the stored lists without a query touches neither lan.conf nor
  // smb.conf: a broken settings file does not stop it.
  std::string broken = dir_.Write("broken.conf", "smb port = none\n");
  RunResult r = Vantorc(broken, {"-f", "-sl"});
  EXPECT_EQ(r.status, 0) << r.out;
  // A fault of the command line is found before the network is opened.
  r = Vantorc(broken, {"-f", "-x"});
  EXPECT_EQ(r.out, ErrorBlock("Incorrect parameter: -x"));
  // Anything that needs the network reports the broken file.
  r = Vantorc(broken, {"-f", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("broken.conf:1: smb port"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace vantor::test
