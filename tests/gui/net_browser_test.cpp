// SPDX-License-Identifier: GPL-3.0-or-later
// Refreshing Net Items and the Servers view on simulated networks, the
// active-only display, the sort rule and the status line.
#include "gui/image_list.h"
#include "gui/options_dialog.h"
#include "store/settings.h"
#include "support/forwarding_net_api.h"
#include "support/gui_env.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

using test::ClickRow;
using test::Names;

// The office network's items of each kind in the order of the view.
const QStringList kDomains{"LAB", "OFFICE", "SALES"};
const QStringList kAllUsers{"alice", "bob", "carol", "Christopher_Montague", "dave", "erin", "Maximilian_Fitzgerald1"};
const QStringList kComputers{"DC1", "DC2", "FILES", "PC17", "PC5", "PC7", "PC9"};
const QStringList kGroups{"Domain Admins", "Empty", "Machines", "Staff"};

QStringList Reversed(QStringList list) {
  std::reverse(list.begin(), list.end());
  return list;
}

// Counts the users each display query returns.
class CountingApi : public test::ForwardingNetApi {
 public:
  using ForwardingNetApi::ForwardingNetApi;
  std::uint64_t usersReturned = 0;
  lan::Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                         std::uint32_t entries, std::uint32_t pref,
                                         lan::NetBuffer<lan::DisplayEntry>& out) override {
    const lan::Status s = ForwardingNetApi::NetQueryDisplayInformation(server, level, index, entries, pref, out);
    if (level == lan::kDisplayUsers) usersReturned += out.size();
    return s;
  }
};

std::string ManyUsers(int n, const std::vector<int>& active) {
  std::string users, sessions;
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "u%04d", i);
    users += std::string(i ? "," : "") + R"({"name": ")" + name + R"(", "comment": "user"})";
  }
  for (std::size_t k = 0; k < active.size(); ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "u%04d", active[k]);
    sessions += std::string(k ? "," : "") + R"({"client": "PCX", "user": ")" + name + R"("})";
  }
  return R"({"local": {"computer": "PC05", "user": "alice", "domain": "BIG"},
    "domains": [{"name": "BIG", "controller": "DC1", "users": [)" +
         users + R"(]}],
    "hosts": [{"name": "DC1", "type": ["server_nt", "domain_ctrl"], "sessions": [)" +
         sessions + "]}]}";
}

}  // namespace

class NetBrowserTest : public QObject {
  Q_OBJECT

 private slots:
  void refreshWithDomainScanning() {
    GuiEnv env(test::OfficeNetwork(2));  // batches of two: every enumeration continues
    auto app = env.StartApp();
    const gui::ItemModel& net = test::View(*app, "NetView").itemModel();
    QCOMPARE(Names(net), kDomains + kAllUsers + kComputers + kGroups);
    QCOMPARE(net.Row(net.CaptionIndex("OFFICE")).comment, QStringLiteral("Primary Domain"));
    QCOMPARE(net.Row(net.CaptionIndex("LAB")).comment, QStringLiteral("Trusted Domain"));
    QCOMPARE(Names(test::View(*app, "SrvView").itemModel()), QStringList({"DC1", "DC2", "FILES"}));
    QCOMPARE(test::StatusText(*app),
             QStringLiteral("  21 in Net Items, 0 in Favourites, 0 in Recipients and 3 in Servers"));
    QVERIFY(app->main()->isEnabled());
    QVERIFY(test::Action(*app, "tbActiveOnly").isEnabled());
  }

  void refreshWithoutDomainScanning() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "ScanDomain", "0");
    auto app = env.StartApp();
    QCOMPARE(Names(test::View(*app, "NetView").itemModel()), QStringList({"Administrator", "alice", "None"}));
    QCOMPARE(test::View(*app, "SrvView").itemModel().Count(), 0);
    QVERIFY(!test::Action(*app, "tbActiveOnly").isEnabled());
    QCOMPARE(test::Action(*app, "Showactiveitemsonly1").text(), QStringLiteral("Show active items only"));
  }

  void activeOnlyShowsTheActiveUsersAndComputers() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "ActiveOnly", "1");
    auto app = env.StartApp();
    const gui::ItemModel& net = test::View(*app, "NetView").itemModel();
    // UNIX1 holds a session too, but is no computer the view shows.
    QCOMPARE(Names(net, kUserKind), QStringList({"bob", "dave"}));
    QCOMPARE(Names(net, kComputerKind), QStringList({"PC17", "PC7", "PC9"}));
    QCOMPARE(Names(net, kGroupKind), kGroups);
    QCOMPARE(test::Action(*app, "Showactiveitemsonly1").text(), QStringLiteral("Show all items"));

    // The toggle shows everything again.
    test::Action(*app, "tbActiveOnly").trigger();
    QVERIFY(!app->options()->ActiveOnly());
    QCOMPARE(Names(net, kUserKind), kAllUsers);
    QCOMPARE(test::Action(*app, "tbActiveOnly").toolTip(), QStringLiteral("Show active items only"));
  }

  void activeOnlyWithoutAnswersKeepsDomainsListsAndGroups() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings s(*env.hive);
    s.WriteString("Main", "ActiveOnly", "1");
    for (const char* server : {"DC1", "DC2", "FILES"}) s.WriteString("Main\\Servers", server, "0");
    store::Settings root(*env.hive, "Software\\Vantor");
    root.WriteString("ListNames", "Team", "2");
    auto app = env.StartApp();
    QCOMPARE(Names(test::View(*app, "NetView").itemModel()), QStringList{"Team"} + kDomains + kGroups);
  }

  void moreThanOneBatchOfUsersIsExaminedOnce() {
    GuiEnv env(ManyUsers(2500, {7, 999, 1000, 2499}));
    CountingApi* counter = nullptr;
    env.wrap = [&](lan::NetApi& sim) {
      auto api = std::make_unique<CountingApi>(&sim);
      counter = api.get();
      return api;
    };
    store::Settings(*env.hive).WriteString("Main", "ActiveOnly", "1");
    auto app = env.StartApp();
    QCOMPARE(Names(test::View(*app, "NetView").itemModel(), kUserKind),
             QStringList({"u0007", "u0999", "u1000", "u2499"}));
    QCOMPARE(counter->usersReturned, std::uint64_t(2500));
  }

  void listCommentsCountTheirItems() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings root(*env.hive, "Software\\Vantor");
    root.WriteString("ListNames", "Solo", "1");
    root.WriteString("ListNames", "Empty", "0");
    root.WriteString("ListNames", "Dozen", "12");
    root.WriteString("ListNames", "Nothing", "");  // empty data: not a list
    auto app = env.StartApp();
    const gui::ItemModel& net = test::View(*app, "NetView").itemModel();
    QCOMPARE(Names(net, kListKind), QStringList({"Dozen", "Empty", "Solo"}));
    QCOMPARE(net.Row(net.CaptionIndex("Solo")).comment, QStringLiteral("1 Item"));
    QCOMPARE(net.Row(net.CaptionIndex("Empty")).comment, QStringLiteral("0 Items"));
    QCOMPARE(net.Row(net.CaptionIndex("Dozen")).comment, QStringLiteral("12 Items"));
  }

  void sortRuleKeepsKindsGroupedInBothDirections() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    gui::ItemModel& net = test::View(*app, "NetView").itemModel();
    // The header hears of its image only when that changes.
    QSignalSpy headerChanges(&net, &QAbstractItemModel::headerDataChanged);
    test::Action(*app, "NetRefreshBtn").trigger();
    QCOMPARE(headerChanges.count(), 0);
    net.ColumnClicked(0);  // Name again: descending
    QCOMPARE(headerChanges.count(), 1);
    QCOMPARE(Names(net), Reversed(kDomains) + Reversed(kAllUsers) + Reversed(kComputers) + Reversed(kGroups));
    QCOMPARE(net.HeaderImageColumn(), 0);
    QCOMPARE(net.headerData(0, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().cacheKey(),
             gui::Image(gui::image::kSortDescending).cacheKey());
    net.ColumnClicked(1);  // Comment, still descending
    QCOMPARE(net.SortColumn(), 1);
    QCOMPARE(net.HeaderImageColumn(), 1);
    QVERIFY(net.headerData(0, Qt::Horizontal, Qt::DecorationRole).isNull());
    // Twenty characters, Sales desk, Reception, Name of 22, IT, Accounts, "".
    QCOMPARE(Names(net, kUserKind),
             QStringList({"Christopher_Montague", "bob", "alice", "Maximilian_Fitzgerald1", "dave", "erin", "carol"}));
    QCOMPARE(net.Row(0).kind, int(kDomainKind));
    net.ColumnClicked(1);  // ascending by comment
    QCOMPARE(Names(net, kUserKind),
             QStringList({"carol", "erin", "dave", "Maximilian_Fitzgerald1", "alice", "bob", "Christopher_Montague"}));
  }

  void textComparisonFoldsOnlyPlainLetters() {
    QVERIFY(gui::CompareText8("abc", "ABC") == 0);
    QVERIFY(gui::CompareText8("ab", "abc") < 0);
    QVERIFY(gui::CompareText8("a_", "A[") > 0);               // '_' (95) after '[' (91): no folding of symbols
    QVERIFY(gui::CompareText8("\xC3\xA9", "\xC3\x89") != 0);  // é and É are bytes, not letters a-z
  }

  void aSlowControllerDoesNotFreezeTheWindow() {
    // Every call to DC1 waits 400 ms: the refresh asks it three times.
    test::Json net = test::OfficeNetworkJson();
    test::HostOf(net, "DC1")["latency_ms"] = 400;
    GuiEnv env(test::NetworkText(net));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    auto app = env.StartApp();
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));  // events ran while it waited
    QCOMPARE(Names(test::View(*app, "NetView").itemModel(), kUserKind), kAllUsers);

    // Whenever events run during a refresh, the window is disabled and busy;
    // afterwards it is neither.
    int enabledTicks = 0, busyTicks = 0;
    ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      enabledTicks += app->main()->isEnabled();
      busyTicks += QApplication::overrideCursor() != nullptr;
    });
    test::Action(*app, "NetRefreshBtn").trigger();
    QVERIFY(ticks >= 10);
    QCOMPARE(enabledTicks, 0);
    QCOMPARE(busyTicks, ticks);
    QVERIFY(app->main()->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
  }

  void refreshTurnsSendOff() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    gui::ItemView& net = test::View(*app, "NetView");
    ClickRow(net, test::RowOf(net, "bob"));
    test::Find<QToolButton>(app->main(), "sbAddRecip").click();
    QTest::keyClicks(&test::Find<QWidget>(app->main(), "Memo1"), "Hello");
    auto& send = test::Find<QPushButton>(app->main(), "SendBtn");
    QVERIFY(send.isEnabled());
    QVERIFY(test::Action(*app, "tbSaveMessage").isEnabled());
    test::Action(*app, "NetRefreshBtn").trigger();
    QVERIFY(!send.isEnabled());
    QVERIFY(!test::Action(*app, "tbSaveMessage").isEnabled());
  }

  void selectionShowsDetailsAndDrivesTheCommands() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "DisplayExtra", "1");
    store::Settings(*env.hive, "Software\\Vantor").WriteString("ListNames", "Team", "2");
    auto app = env.StartApp();
    gui::ItemView& net = test::View(*app, "NetView");
    auto status = [&] { return test::StatusText(*app); };
    auto enabled = [&](const char* action) { return test::Action(*app, action).isEnabled(); };
    ClickRow(net, test::RowOf(net, "PC17"));
    QCOMPARE(status(), QStringLiteral("  PC17: 10.0.0.17"));
    QVERIFY(enabled("tbAddFav"));
    QVERIFY(!enabled("tbEditList"));
    ClickRow(net, test::RowOf(net, "PC7"));
    QCOMPARE(status(), QStringLiteral("  PC7: No IP Address found"));
    ClickRow(net, test::RowOf(net, "bob"));
    QCOMPARE(status(), QStringLiteral("  bob: Bob Smith"));
    ClickRow(net, test::RowOf(net, "Team"));
    QVERIFY(enabled("tbEditList"));
    QVERIFY(enabled("tbDelList"));
    ClickRow(net, test::RowOf(net, "bob"), Qt::ControlModifier);
    QCOMPARE(status(), QStringLiteral("  22 in Net Items, 0 in Favourites, 0 in Recipients and 3 in Servers"));
    // Servers view: the address, empty when none is known.
    gui::ItemView& servers = test::View(*app, "SrvView");
    test::Find<QTabWidget>(app->main(), "RecipPage").setCurrentWidget(&servers);
    ClickRow(servers, test::RowOf(servers, "DC2"));
    QCOMPARE(status(), QStringLiteral("  DC2: "));
    // Clicking the two selected rows off takes the commands away.
    ClickRow(net, test::RowOf(net, "Team"), Qt::ControlModifier);
    ClickRow(net, test::RowOf(net, "bob"), Qt::ControlModifier);
    QCOMPARE(net.SelectedCount(), 0);
    QVERIFY(!enabled("AddNewList1"));
    QVERIFY(!test::Find<QToolButton>(app->main(), "sbAddRecip").isEnabled());
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  NetBrowserTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "net_browser_test.moc"
