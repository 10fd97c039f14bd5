// SPDX-License-Identifier: GPL-3.0-or-later
// The way of one message from smbd's file to the history: the delivery
// helper's checks on what the network gave (hostile input included), the
// inbox with its limits and its distrust of what lies in it, and the history
// that keeps each message once.
#include "common/codepage.h"
#include "lan/samba/message_names.h"
#include "receive/history.h"
#include "receive/incoming.h"
#include "receive/spool.h"
#include "spool_fixture.h"
#include "store/hive.h"

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace vantor::receive {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

const Clock::TimePoint kNow = std::chrono::system_clock::from_time_t(1796800000);

std::set<std::string> Tree(const std::filesystem::path& root) {
  std::set<std::string> paths;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) paths.insert(e.path().string());
  return paths;
}

class Spool : public ::testing::Test {
 protected:
  Spool() {
    lan::samba::MessageNames names(fx_.spool);
    EXPECT_EQ(names.Register(uid_), lan::NERR_Success);
    std::string why;
    inbox_ = Inbox::Open(fx_.spool, uid_, why);
    EXPECT_TRUE(inbox_) << why;
    std::filesystem::create_directories(fx_.dir.path() / "tmp");
  }
  // smbd's file with the text, in a folder of its own.
  std::string MessageFile(std::string_view bytes) {
    return fx_.dir.Write("tmp/msg." + std::to_string(++files_), bytes);
  }
  DeliverResult Deliver(const std::vector<std::string>& args) {
    DeliverOptions o;
    std::string why;
    EXPECT_TRUE(ParseDeliverArguments(args, o, why)) << why;
    // A second apart each, so that they wait in the order delivered.
    return DeliverIncoming(o, kNow + std::chrono::seconds(delivered_++), "deskhost");
  }
  std::vector<SpooledMessage> Waiting() {
    std::vector<std::string> problems;
    std::vector<SpooledMessage> m = inbox_->Waiting(problems);
    EXPECT_THAT(problems, IsEmpty());
    return m;
  }

  test::SpoolFixture fx_;
  const std::uint32_t uid_ = ::geteuid();
  const std::string user_ = lan::samba::AccountName(::geteuid());
  std::optional<Inbox> inbox_;
  int files_ = 0;
  int delivered_ = 0;
};

TEST_F(Spool, AMessageArrivesByteForByteAndInOrder) {
  const std::string first = "Grüße aus Köln – Zoë\r\nZweite Zeile\ttab";
  std::string file = MessageFile(first);
  DeliverResult r = Deliver({"--spool=" + fx_.spool, "--file=" + file, "--from=ALICE", "--to=" + user_});
  ASSERT_TRUE(r.delivered);
  EXPECT_THAT(r.log, ElementsAre(HasSubstr("message from \"ALICE\" to \"" + user_ + "\" left for " + user_)));
  EXPECT_FALSE(std::filesystem::exists(file)) << "smbd's file is removed";
  ASSERT_TRUE(Deliver({"--spool=" + fx_.spool, "--file=" + MessageFile("second"), "--from=BOB", "--to=DESK"})
                  .delivered == false);  // the computer's name: nobody is logged on
  ASSERT_TRUE(Deliver({"--spool=" + fx_.spool, "--file=" + MessageFile("third"), "--from=BOB", "--to=Deskhost"})
                  .log.front()
                  .find("no user is logged on") != std::string::npos);

  std::vector<SpooledMessage> waiting = Waiting();
  ASSERT_THAT(waiting, SizeIs(1));
  EXPECT_EQ(waiting[0].from, "ALICE");
  EXPECT_EQ(waiting[0].to, user_);
  EXPECT_EQ(waiting[0].text, first);
  EXPECT_EQ(ParseIsoTime(waiting[0].time), kNow);
  EXPECT_EQ(waiting[0].id.substr(0, 17), UtcStamp(kNow) + "-");

  // Ids sort by arrival, whatever their random part.
  SpooledMessage later{{}, "C", "D", "t", "later"};
  std::string why;
  ASSERT_TRUE(DeliverToInbox(fx_.spool, uid_, later, kNow + std::chrono::seconds(1), {}, why)) << why;
  // Within one second as well: several messages a second are common.
  for (int us : {2, 10, 999999}) {
    SpooledMessage m{{}, "C", "D", "t", "later" + std::to_string(us)};
    ASSERT_TRUE(DeliverToInbox(fx_.spool, uid_, m, kNow + std::chrono::seconds(1) + std::chrono::microseconds(us), {},
                               why))
        << why;
  }
  std::vector<SpooledMessage> all = Waiting();
  ASSERT_THAT(all, SizeIs(5));
  EXPECT_EQ(all[1].text, "later");
  EXPECT_EQ(all[2].text, "later2");
  EXPECT_EQ(all[3].text, "later10");
  EXPECT_EQ(all[4].text, "later999999");
  inbox_->Remove(all[0].id);
  EXPECT_THAT(Waiting(), SizeIs(4));
}

TEST_F(Spool, HostileInputIsShownCleanedOrRefusedAndNothingRunsOrLandsOutside) {
  const std::string spool = "--spool=" + fx_.spool;
  const std::string canary = (fx_.dir.path() / "ran").string();
  std::string big(100 * 1024, 'x');
  std::filesystem::create_symlink("/etc/passwd", fx_.dir.path() / "tmp/link");
  const std::set<std::string> before = Tree(fx_.dir.path());

  struct Case {
    std::vector<std::string> args;
    bool delivered;
    const char* log;
  };
  const std::vector<Case> cases = {
      {{"--from=$(touch " + canary + ")`id`;|&<>", "--to=" + user_}, true, "left for"},
      {{"--from=A", "--to=../../../etc/passwd"}, false, "no user of this computer receives"},
      {{"--from=A", "--to=" + user_ + "/../0"}, false, "no user of this computer receives"},
      {{"--from=" + std::string(300, 'S'), "--to=" + user_}, false, "the sender is longer than 64 bytes"},
      {{"--from=A", "--to=" + std::string(65, 'R')}, false, "the recipient is longer than 64 bytes"},
      {{"--from=", "--to=" + user_}, false, "no sender was given"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {spool, "--file=" + MessageFile("hostile names")});
    DeliverResult r = Deliver(args);
    EXPECT_EQ(r.delivered, c.delivered) << args[2];
    EXPECT_THAT(r.log, ElementsAre(HasSubstr(c.log))) << args[2];
  }
  DeliverResult tooBig = Deliver({spool, "--file=" + MessageFile(big), "--from=A", "--to=" + user_});
  EXPECT_THAT(tooBig.log, ElementsAre(HasSubstr("holds more than 8192 bytes")));
  DeliverResult link =
      Deliver({spool, "--file=" + (fx_.dir.path() / "tmp/link").string(), "--from=A", "--to=" + user_});
  EXPECT_THAT(link.log, ElementsAre(HasSubstr("cannot be opened")));
  EXPECT_TRUE(std::filesystem::is_symlink(fx_.dir.path() / "tmp/link")) << "not ours to remove";

  // Bytes that are no text, control characters and direction overrides.
  DeliverResult bad = Deliver(
      {spool, "--file=" + MessageFile("ok\xff\xfe\x01 \xe2\x80\xae" "evil\r\n"), "--from=A\x1b[2J", "--to=" + user_});
  EXPECT_TRUE(bad.delivered);
  // At the limits, every byte a euro sign: they grow threefold and still arrive.
  EXPECT_TRUE(Deliver({spool, "--file=" + MessageFile(std::string(kMaxMessageFile, '\x80')),
                       "--from=" + std::string(kMaxNameBytes, '\x80'), "--charset=CP1252", "--to=" + user_})
                  .delivered);
  // The text in the code page smbd's unix charset names.
  EXPECT_TRUE(Deliver({spool, "--charset=CP850", "--file=" + MessageFile("Gr\x81\xe1" "e"), "--from=A",
                       "--to=" + user_})
                  .delivered);

  EXPECT_FALSE(std::filesystem::exists(canary)) << "nothing ran";
  // Nothing is left or made outside the inbox: every file of smbd's is gone.
  std::set<std::string> after = Tree(fx_.dir.path());
  for (const std::string& p : after) {
    if (!before.count(p)) {
      EXPECT_THAT(p, HasSubstr(fx_.Inbox() + "/")) << "written outside the inbox";
    }
  }
  std::vector<SpooledMessage> waiting = Waiting();
  ASSERT_THAT(waiting, SizeIs(4));
  EXPECT_EQ(waiting[0].from, "$(touch " + canary + ")`id`;|&<>");
  EXPECT_EQ(waiting[1].from, "A?[2J");
  EXPECT_EQ(waiting[1].text, "ok\uFFFD\uFFFD\uFFFD \uFFFDevil\r\n");
  EXPECT_EQ(waiting[2].from.size(), kMaxCleanName);
  EXPECT_EQ(waiting[2].text.size(), kMaxTextBytes);
  EXPECT_EQ(waiting[3].text, "Grüße");
}

TEST_F(Spool, TheHelpersCommandLine) {
  DeliverOptions o;
  std::string why;
  // smbd's shell splits a called name that holds a blank.
  ASSERT_TRUE(ParseDeliverArguments({"--spool=/s", "--file=/tmp/m", "--from=A", "--to=two", "words"}, o, why));
  EXPECT_EQ(o.to, "two words");
  EXPECT_EQ(o.spool, "/s");
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"stray", "--to=x"}, {"--to"}, {"--exec=/bin/sh"}, {"--spool=relative"}, {"--charset=NO-SUCH-SET"}})
    EXPECT_FALSE(ParseDeliverArguments(bad, o, why)) << bad[0];
}

TEST_F(Spool, TheInboxIsBoundedAndDistrustsWhatLiesInIt) {
  InboxLimits limits;
  limits.maxMessages = 3;
  std::string why;
  for (int i = 0; i < 3; ++i) {
    SpooledMessage m{{}, "A", "B", "t", "text"};
    ASSERT_TRUE(DeliverToInbox(fx_.spool, uid_, m, kNow, limits, why)) << why;
  }
  SpooledMessage extra{{}, "A", "B", "t", "one more"};
  EXPECT_FALSE(DeliverToInbox(fx_.spool, uid_, extra, kNow, limits, why));
  EXPECT_THAT(why, HasSubstr("the inbox is full (3 messages"));
  // Messages older than the limit make room; a newer one stays.
  std::vector<SpooledMessage> waiting = Waiting();
  struct timeval old[2] = {{0, 0}, {0, 0}};
  old[0].tv_sec = old[1].tv_sec = std::chrono::system_clock::to_time_t(kNow - limits.maxAge - std::chrono::hours(1));
  ASSERT_EQ(::utimes((fx_.Inbox() + "/" + waiting[0].id + ".msg").c_str(), old), 0);
  EXPECT_TRUE(DeliverToInbox(fx_.spool, uid_, extra, kNow, limits, why)) << why;
  EXPECT_THAT(Waiting(), SizeIs(3));
  limits.maxBytes = 100;
  EXPECT_FALSE(DeliverToInbox(fx_.spool, uid_, extra, kNow, limits, why));

  // Anyone of the guest account's group may drop files here: each is
  // bounded, parsed strictly and cleaned, and what is no message goes.
  SpooledMessage good{"20261209T000000Z-00", "X", "Y", "t", "fine\u202Eflipped"};
  std::string well = FormatSpooled(good);
  std::ofstream(fx_.Inbox() + "/20261209T000000Z-00.msg") << well;
  std::ofstream(fx_.Inbox() + "/20261209T000000Z-01.msg") << well.substr(0, well.size() - 1);
  std::ofstream(fx_.Inbox() + "/20261209T000000Z-02.msg") << "From: X\n";
  std::ofstream(fx_.Inbox() + "/20261209T000000Z-03.msg") << well << std::string(kMaxSpooledFile, 'x');
  std::ofstream(fx_.Inbox() + "/bad\\name.msg") << well;
  std::filesystem::create_symlink("/etc/passwd", fx_.Inbox() + "/20261209T000000Z-04.msg");
  std::vector<std::string> problems;
  std::vector<SpooledMessage> taken = inbox_->Waiting(problems);
  EXPECT_THAT(problems, SizeIs(5));
  ASSERT_THAT(taken, SizeIs(4));
  EXPECT_EQ(taken[0].text, "fine\uFFFDflipped");
  EXPECT_FALSE(std::filesystem::exists(fx_.Inbox() + "/20261209T000000Z-04.msg"));
  EXPECT_TRUE(std::filesystem::exists("/etc/passwd"));

  // An inbox others may reach is refused.
  ASSERT_EQ(::chmod(fx_.Inbox().c_str(), 01777), 0);
  EXPECT_FALSE(DeliverToInbox(fx_.spool, uid_, extra, kNow, {}, why));
  EXPECT_THAT(why, HasSubstr("open to everybody"));
}

TEST_F(Spool, TheHistoryKeepsEachMessageOnceAndTheNewestFive100) {
  auto hive = store::OpenSqliteHive(fx_.dir.File("store.db"));
  ReceivedHistory history(*hive);
  SpooledMessage m{UtcStamp(kNow) + "-aa", "ALICE", "bob", FormatIso8601Local(kNow), "Grüße\r\nzwei"};
  EXPECT_TRUE(history.Add(m));
  EXPECT_FALSE(history.Add(m));
  EXPECT_THAT(history.Load(), ElementsAre(m));
  EXPECT_EQ(history.Newest(), m.id);
  hive->WriteTransaction([&] {
    for (std::size_t i = 0; i < ReceivedHistory::kMaxKept; ++i) {
      SpooledMessage n{UtcStamp(kNow + std::chrono::seconds(1 + i)) + "-bb", "A", "B", "t", std::to_string(i)};
      history.Add(n);
    }
  });
  std::vector<SpooledMessage> kept = history.Load();
  ASSERT_THAT(kept, SizeIs(ReceivedHistory::kMaxKept));
  EXPECT_EQ(kept.front().text, "0");  // the first went
  EXPECT_EQ(kept.back().text, std::to_string(ReceivedHistory::kMaxKept - 1));
  EXPECT_TRUE(history.Delete(kept.back().id));
  EXPECT_EQ(history.Newest(), kept[kept.size() - 2].id);

  EXPECT_EQ(ParseIsoTime("2026-12-09T14:21:44+01:00"), ParseIsoTime("2026-12-09T13:21:44Z"));
  for (const char* bad : {"", "2026-12-09 14:21:44", "2026-13-09T14:21:44Z", "2026-12-09T14:21:44+0100"})
    EXPECT_FALSE(ParseIsoTime(bad)) << bad;
}

}  // namespace
}  // namespace vantor::receive
