// Refreshing Net Items and the Servers view on simulated networks, the
// active-only display, the sort rule and the status line.
#include "gui/net_browser.h"
#include "delivery/session_query.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/main_window.h"
#include "gui/message_area.h"
#include "gui/options_dialog.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

QStringList Names(const gui::ItemModel& m, int kind = -1) {
  QStringList out;
  for (const auto& r : m.Rows())
    if (kind < 0 || r.kind == kind) out.append(r.name);
  return out;
}

// Clicks a row of a view as the user does.
void ClickRow(gui::ItemView* view, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  view->scrollTo(view->Model().index(row, 0));
  QRect r = view->visualRect(view->Model().index(row, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, r.center());
}

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
    GuiEnv env(test::OfficeJson(2));  // batches of two: every enumeration continues
    auto app = env.StartApp();
    const gui::ItemModel& net = app->main()->NetView->Model();
    QCOMPARE(Names(net), QStringList({"OFFICE", "PLANT", "SALES", "alice", "bob", "carol", "dave", "DC1", "DC2",
                                      "FILES", "PC01", "PC03", "PC09", "Admins", "Staff"}));
    QCOMPARE(net.Row(0).comment, QStringLiteral("Primary Domain"));
    QCOMPARE(net.Row(1).comment, QStringLiteral("Trusted Domain"));
    QCOMPARE(Names(app->main()->SrvView->Model()), QStringList({"DC1", "DC2", "FILES"}));
    QCOMPARE(app->main()->StatusText(),
             QStringLiteral("  15 in Net Items, 0 in Favourites, 0 in Recipients and 3 in Servers"));
    QVERIFY(app->main()->isEnabled());
    QVERIFY(app->main()->actions.ShowActiveOnly->isEnabled());
  }

  void refreshWithoutDomainScanning() {
    GuiEnv env(test::OfficeJson());
    store::Settings(*env.hive).WriteString("Main", "ScanDomain", "0");
    auto app = env.StartApp();
    QCOMPARE(Names(app->main()->NetView->Model()), QStringList({"Administrator", "alice", "None"}));
    QCOMPARE(app->main()->SrvView->Model().Count(), 0);
    QVERIFY(!app->main()->actions.ShowActiveOnly->isEnabled());
    QCOMPARE(app->main()->actions.ShowActiveOnly->text(), QStringLiteral("Show active items only"));
  }

  void activeOnlyShowsTheActiveUsersAndComputers() {
    GuiEnv env(test::OfficeJson());
    store::Settings(*env.hive).WriteString("Main", "ActiveOnly", "1");
    auto app = env.StartApp();
    const gui::ItemModel& net = app->main()->NetView->Model();
    QCOMPARE(Names(net, gui::kUser), QStringList({"alice", "bob", "carol"}));
    QCOMPARE(Names(net, gui::kComputer), QStringList({"PC01", "PC03"}));
    QCOMPARE(Names(net, gui::kGroup), QStringList({"Admins", "Staff"}));
    QVERIFY(!app->main()->query().ActiveSessions());  // freed after the refresh
    QCOMPARE(app->main()->actions.ShowActiveOnly->text(), QStringLiteral("Show all items"));

    // The toggle shows everything again.
    app->main()->actions.ShowActiveOnly->trigger();
    QVERIFY(!app->options()->ActiveOnly());
    QCOMPARE(Names(net, gui::kUser), QStringList({"alice", "bob", "carol", "dave"}));
    QCOMPARE(app->main()->actions.ShowActiveOnly->toolTip(), QStringLiteral("Show active items only"));
  }

  void activeOnlyWithoutAnswersKeepsDomainsListsAndGroups() {
    GuiEnv env(test::OfficeJson());
    store::Settings s(*env.hive);
    s.WriteString("Main", "ActiveOnly", "1");
    for (const char* server : {"DC1", "DC2", "FILES"}) s.WriteString("Main\\Servers", server, "0");
    s.WriteString("Software\\Vantor\\ListNames", "Team", "2");
    store::Settings root(*env.hive, "Software\\Vantor");
    root.WriteString("ListNames", "Team", "2");
    auto app = env.StartApp();
    QCOMPARE(Names(app->main()->NetView->Model()),
             QStringList({"Team", "OFFICE", "PLANT", "SALES", "Admins", "Staff"}));
  }

  void moreThanOneBatchOfUsersIsExaminedOnce() {
    GuiEnv env(ManyUsers(2500, {7, 999, 1000, 2499}));
    store::Settings(*env.hive).WriteString("Main", "ActiveOnly", "1");
    auto app = env.StartApp();
    QCOMPARE(Names(app->main()->NetView->Model(), gui::kUser), QStringList({"u0007", "u0999", "u1000", "u2499"}));
    QCOMPARE(app->main()->browser().examinedUsers(), std::uint64_t(2500));
  }

  void listCommentsCountTheirItems() {
    GuiEnv env(test::OfficeJson());
    store::Settings root(*env.hive, "Software\\Vantor");
    root.WriteString("ListNames", "Solo", "1");
    root.WriteString("ListNames", "Empty", "0");
    root.WriteString("ListNames", "Dozen", "12");
    root.WriteString("ListNames", "Nothing", "");  // empty data: not a list
    auto app = env.StartApp();
    const gui::ItemModel& net = app->main()->NetView->Model();
    QCOMPARE(Names(net, gui::kList), QStringList({"Dozen", "Empty", "Solo"}));
    QCOMPARE(net.Row(net.CaptionIndex("Solo")).comment, QStringLiteral("1 Item"));
    QCOMPARE(net.Row(net.CaptionIndex("Empty")).comment, QStringLiteral("0 Items"));
    QCOMPARE(net.Row(net.CaptionIndex("Dozen")).comment, QStringLiteral("12 Items"));
  }

  void sortRuleKeepsKindsGroupedInBothDirections() {
    GuiEnv env(test::OfficeJson());
    auto app = env.StartApp();
    gui::ItemModel& net = app->main()->NetView->Model();
    net.ColumnClicked(0);  // Name again: descending
    QCOMPARE(Names(net), QStringList({"SALES", "PLANT", "OFFICE", "dave", "carol", "bob", "alice", "PC09", "PC03",
                                      "PC01", "FILES", "DC2", "DC1", "Staff", "Admins"}));
    QCOMPARE(net.HeaderImageColumn(), 0);
    QCOMPARE(net.headerData(0, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().cacheKey(),
             gui::Image(gui::image::kSortDescending).cacheKey());
    net.ColumnClicked(1);  // Comment, still descending
    QCOMPARE(net.SortColumn(), 1);
    QCOMPARE(net.HeaderImageColumn(), 1);
    QVERIFY(net.headerData(0, Qt::Horizontal, Qt::DecorationRole).isNull());
    // Sales desk, Reception, IT support, Accounts.
    QCOMPARE(Names(net, gui::kUser), QStringList({"bob", "alice", "dave", "carol"}));
    QCOMPARE(net.Row(0).kind, int(gui::kDomain));
    net.ColumnClicked(1);  // ascending by comment
    QCOMPARE(Names(net, gui::kUser), QStringList({"carol", "dave", "alice", "bob"}));
  }

  void textComparisonFoldsOnlyPlainLetters() {
    QVERIFY(gui::CompareText8("abc", "ABC") == 0);
    QVERIFY(gui::CompareText8("ab", "abc") < 0);
    QVERIFY(gui::CompareText8("a_", "A[") > 0);               // '_' (95) after '[' (91): no folding of symbols
    QVERIFY(gui::CompareText8("\xC3\xA9", "\xC3\x89") != 0);  // é and É are bytes, not letters a-z
  }

  void refreshTurnsSendOff() {
    GuiEnv env(test::OfficeJson());
    auto app = env.StartApp();
    app->main()->Panel2->message->SendBtn->setEnabled(true);
    app->main()->actions.SaveMessage->setEnabled(true);
    app->main()->actions.Refresh->trigger();
    QVERIFY(!app->main()->Panel2->message->SendBtn->isEnabled());
    QVERIFY(!app->main()->actions.SaveMessage->isEnabled());
  }

  void selectionShowsDetailsAndDrivesTheCommands() {
    GuiEnv env(test::OfficeJson());
    store::Settings(*env.hive).WriteString("Main", "DisplayExtra", "1");
    store::Settings(*env.hive, "Software\\Vantor").WriteString("ListNames", "Team", "2");
    auto app = env.StartApp();
    gui::TMain* m = app->main();
    gui::ItemView* net = m->NetView;
    auto row = [&](const char* name) { return net->Model().CaptionIndex(QString::fromLatin1(name)); };
    ClickRow(net, row("PC01"));
    QCOMPARE(m->StatusText(), QStringLiteral("  PC01: 10.1.1.101"));
    QVERIFY(m->actions.AddToFavourites->isEnabled());
    QVERIFY(!m->actions.EditList->isEnabled());
    ClickRow(net, row("PC03"));
    QCOMPARE(m->StatusText(), QStringLiteral("  PC03: No IP Address found"));
    ClickRow(net, row("bob"));
    QCOMPARE(m->StatusText(), QStringLiteral("  bob: Bob Smith"));
    ClickRow(net, row("Team"));
    QVERIFY(m->actions.EditList->isEnabled());
    QVERIFY(m->actions.DeleteList->isEnabled());
    ClickRow(net, row("bob"), Qt::ControlModifier);
    QCOMPARE(m->StatusText(), QStringLiteral("  16 in Net Items, 0 in Favourites, 0 in Recipients and 3 in Servers"));
    // Servers view: the address, empty when none is known.
    m->RecipPage->setCurrentWidget(m->SrvView);
    ClickRow(m->SrvView, m->SrvView->Model().CaptionIndex("DC2"));
    QCOMPARE(m->StatusText(), QStringLiteral("  DC2: "));
    net->ClearSelection();
    m->browser().NetViewClick();
    QVERIFY(!m->actions.AddNewList->isEnabled());
    QVERIFY(!m->sbAddRecip->isEnabled());
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  NetBrowserTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "net_browser_test.moc"
