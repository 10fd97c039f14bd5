// SPDX-License-Identifier: GPL-3.0-or-later
// Dispatch by recipient kind and the composed message, without widgets: what
// is sent to whom, under which sender name, and the status log's lines.
#include "delivery/compose.h"
#include "delivery/dispatch.h"
#include "lan/call_ahead.h"
#include "lan/sim/sim_net_api.h"
#include "store/lists_store.h"
#include "store/hive.h"
#include "support/forwarding_net_api.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

namespace vantor::delivery {
namespace {

using ::testing::ElementsAre;

constexpr const char* kNetwork = R"({
  "local": {"computer": "PC17", "user": "alice", "domain": "OFFICE"},
  "domains": [{"name": "OFFICE", "controller": "DC1",
    "users": [{"name": "bob"}, {"name": "carol"}],
    "groups": [{"name": "Admins", "members": ["jsmith", "PC9$", "kim"]}]}],
  "hosts": [{"name": "DC1", "type": ["nt", "server_nt", "domain_ctrl"]},
            {"name": "PC9", "type": ["nt"], "logged_on": ["bob", "carol", "jsmith", "kim"]}]})";

// Records each message handed to the network: recipient and sender.
class RecordingApi : public test::ForwardingNetApi {
 public:
  using ForwardingNetApi::ForwardingNetApi;
  std::vector<std::string> sent;  // "to from"
  std::u16string lastText;
  lan::Status NetMessageBufferSend(std::string_view server, std::string_view to, std::string_view from,
                                   std::u16string_view text) override {
    sent.push_back(std::string(to) + " " + std::string(from));
    lastText = text;
    return ForwardingNetApi::NetMessageBufferSend(server, to, from, text);
  }
};

struct Host : DispatchHost {
  std::vector<std::string> lines;
  std::function<void()> onEvents;
  void Log(const std::string& text) override { lines.push_back(text); }
  void ProcessEvents() override {
    if (onEvents) onEvents();
  }
};

struct Rig {
  test::TempDir dir;
  lan::sim::SimNetApi sim{lan::sim::ParseNetwork(kNetwork, dir.File("n.json"))};
  RecordingApi api{&sim};
  std::unique_ptr<store::Hive> hive = store::OpenSqliteHive(dir.File("store.db"));
  Host host;
  std::atomic<bool> abort{false};
  SessionSet active;

  Dispatcher Make(bool activeOnly = false, std::string alias = {}) {
    DispatchSettings s{"PC17", "alice", "DC1", activeOnly, std::move(alias)};
    return Dispatcher(api, *hive, host, abort, s, u"Hello", &active);
  }
};

TEST(Dispatch, EachKindBecomesItsFinalNamesWithOneLineEach) {
  Rig rig;
  store::ListsStore(*rig.hive)
      .SaveList("Team", {{"bob", kUserKind, "Bob"}, {"OFFICE", kDomainKind, ""}, {"Other", kListKind, ""},
                         {"PC9", kComputerKind, ""}, {"Admins", kGroupKind, ""}});
  Dispatcher d = rig.Make();
  d.Dispatch({"SALES", kDomainKind, ""});
  d.Dispatch({"Admins", kGroupKind, ""});
  d.Dispatch({"Team", kListKind, ""});
  d.Dispatch({"Nobody", kGroupKind, ""});   // members cannot be read: no line
  d.Dispatch({"Missing", kListKind, ""});  // not stored: no line
  d.Dispatch({"odd", 7, ""});              // no such kind: not sent
  EXPECT_THAT(rig.host.lines,
              ElementsAre("Message to Domain:SALES* succeeded", "Message to Admins:jsmith succeeded",
                          "Message to Admins:PC9 succeeded", "Message to Admins:kim succeeded",
                          "Message to Team:bob succeeded", "Message to Team:PC9 succeeded",
                          // A group inside a list: its members' lines carry the group's name.
                          "Message to Admins:jsmith succeeded", "Message to Admins:PC9 succeeded",
                          "Message to Admins:kim succeeded"));
  // Without an alias the sender is the computer's name in capitals.
  EXPECT_EQ(rig.api.sent.front(), "SALES* PC17");
  EXPECT_EQ(rig.api.lastText, u"Hello");
}

TEST(Dispatch, ActiveOnlyStillReachesControllerBroadcastsAndOwnNames) {
  Rig rig;
  rig.active.insert(ActiveUserKey("BOB"));  // session look-ups ignore case
  Dispatcher d = rig.Make(/*activeOnly=*/true, "OPS");
  for (const char* name : {"bob", "carol", "DC1", "dc1", "PC17", "pc17", "alice", "ALICE"}) d.SendMessageTo({}, name);
  d.SendToDomain("SALES");
  EXPECT_THAT(rig.host.lines,
              ElementsAre("Message to bob succeeded", "Message to carol not sent", "Message to DC1 succeeded",
                          "Message to dc1 not sent", "Message to PC17 succeeded", "Message to pc17 not sent",
                          "Message to alice succeeded", "Message to ALICE not sent",
                          "Message to Domain:SALES* succeeded"));
  EXPECT_EQ(rig.api.sent.size(), 5u);  // a name left out costs no network call
  EXPECT_EQ(rig.api.sent.front(), "bob OPS");
}

TEST(Dispatch, CancelStopsBeforeTheNextMemberAndAFailureSaysWhy) {
  Rig rig;
  Dispatcher d = rig.Make();
  rig.host.onEvents = [&] { rig.abort = true; };  // the user presses Cancel during the first send
  d.SendToGroup("Admins");
  EXPECT_THAT(rig.host.lines, ElementsAre("Message to Admins:jsmith succeeded"));
  rig.abort = false;
  rig.host.onEvents = nullptr;
  test::ForwardingNetApi down;  // a network that answers nothing
  Dispatcher failing(down, *rig.hive, rig.host, rig.abort, {"PC17", "alice", "", false, ""}, u"x", nullptr);
  failing.SendMessageTo({}, "bob");
  EXPECT_EQ(rig.host.lines.back(), "Message to bob failed (The operation requested is not supported.)");
}

// Runs each call on a thread of its own and notes its start in the order of
// the dispatcher's own steps.
class ThreadAhead : public lan::CallAhead {
 public:
  explicit ThreadAhead(std::vector<std::string>& steps) : m_steps(steps) {}
  std::function<void()> Start(std::function<void()> call) override {
    m_steps.push_back("ahead");
    auto thread = std::make_shared<std::thread>(std::move(call));
    return [thread] { thread->join(); };
  }

 private:
  std::vector<std::string>& m_steps;
};

TEST(Dispatch, AGroupsNextMessageGoesOutOnlyWhenNoEventsComeFirst) {
  Rig rig;
  std::vector<std::string> steps;
  struct PacedHost : Host {
    std::vector<std::string>* steps = nullptr;
    mutable int checks = 0;
    bool EventsDue() const override { return checks++ == 1; }  // due after the second member
    void Log(const std::string& text) override {
      steps->push_back(text);
      Host::Log(text);
    }
  } host;
  host.steps = &steps;
  host.onEvents = [&] {
    steps.push_back("events");
    rig.abort = true;  // the user presses Cancel at the first events
  };
  ThreadAhead ahead(steps);
  Dispatcher d(rig.api, *rig.hive, host, rig.abort, {"PC17", "alice", "DC1", false, ""}, u"Hello", nullptr, &ahead);
  d.SendToGroup("Admins");
  // The second member's message is on its way while the first line is
  // written; the events after the second come with no message on its way,
  // and their Cancel keeps the third from being sent at all.
  EXPECT_THAT(steps, ElementsAre("ahead", "Message to Admins:jsmith succeeded", "Message to Admins:PC9 succeeded",
                                 "events"));
  EXPECT_THAT(rig.api.sent, ElementsAre("jsmith PC17", "PC9 PC17"));
}

TEST(Dispatch, AListEntryWithoutAKindIsReportedNotSent) {
  Rig rig;
  rig.hive->SetValue("Software\\Vantor\\ListNames", "Hand", store::Value::String("2"));
  rig.hive->SetValue("Software\\Vantor\\Lists\\Hand", "bob", store::Value::String("user,edited"));
  rig.hive->SetValue("Software\\Vantor\\Lists\\Hand", "carol", store::Value::String("2,"));
  rig.Make().SendToList("hand");  // list names ignore case
  EXPECT_THAT(rig.host.lines, ElementsAre("List hand: entry bob not sent: 'user,edited' names no kind",
                                          "Message to hand:carol succeeded"));
}

TEST(Compose, LinesSignatureAndLengthInTheWireCodePage) {
  // Two lines of 10 and 6 characters and a signature of 19: 12 + 8 + 2 + 19.
  const Composition c = ComposeMessage({"0123456789", "abcdef"}, "Sent by bob from PC", "CP850");
  EXPECT_EQ(c.text, "0123456789\r\nabcdef\r\n\r\nSent by bob from PC");
  EXPECT_EQ(c.length, 41u);
  // é is one character in CP850; a character CP850 cannot hold travels as
  // the replacement character and counts one.
  const Composition accented = ComposeMessage({std::string(448, 'x') + "\xC3\xA9\xE2\x82\xAC"}, "", "CP850");
  EXPECT_EQ(accented.length, 454u);
  EXPECT_EQ(accented.text.substr(448, 5), "\xC3\xA9?\r\n");
  // Where the text reaches the receiver as given, characters are counted.
  EXPECT_EQ(ComposeMessage({"\xC3\xA9"}, "", "").length, 5u);
}

TEST(Compose, CuttingCountsEachLineBreakAsTwo) {
  const std::string memo = WithCrLf("ab\ncd");
  EXPECT_EQ(memo, "ab\r\ncd");
  EXPECT_EQ(WithoutCrLf(FirstCharacters(memo, 3)), "ab");  // half a break is none
  EXPECT_EQ(WithoutCrLf(FirstCharacters(memo, 5)), "ab\nc");
  EXPECT_EQ(FirstCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t");
  EXPECT_EQ(FirstCharacters("abc", -4), "");
}

}  // namespace
}  // namespace vantor::delivery
