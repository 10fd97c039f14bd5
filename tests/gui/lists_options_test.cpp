// SPDX-License-Identifier: GPL-3.0-or-later
// The list editor and the list commands, the options dialog applied to the
// running program, the tray icon's menu and the about box, through the real
// widgets.
#include "gui/about_box.h"
#include "gui/edit_list_window.h"
#include "gui/options_dialog.h"
#include "store/favourites.h"
#include "store/lists_store.h"
#include "store/settings.h"
#include "support/forwarding_net_api.h"
#include "support/gui_env.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

// Records the message names the program removes.
class NameDeletions : public test::ForwardingNetApi {
 public:
  using ForwardingNetApi::ForwardingNetApi;
  std::vector<std::string> removed;
  lan::Status NetMessageNameDel(std::string_view server, std::string_view name) override {
    removed.emplace_back(name);
    return ForwardingNetApi::NetMessageNameDel(server, name);
  }
};

QWidget& Editor(gui::VantorApp& app) { return test::Find<QWidget>(app.main(), "TEditList"); }

std::vector<store::ListMember> Stored(store::Hive& hive, const char* list) {
  return store::ListsStore(hive).LoadList(list);
}

// Answers the options dialog from inside its loop: step runs on it, then
// the button of that name closes it.
void WhileOptionsShow(gui::TOptions& dialog, std::function<void(gui::TOptions&)> step, const char* button) {
  QTimer::singleShot(0, &dialog, [&dialog, step, button] {
    step(dialog);
    test::Find<QPushButton>(&dialog, button).click();
  });
}

}  // namespace

class ListsOptionsTest : public QObject {
  Q_OBJECT

 private slots:
  void savingAListUpdatesTheStoreAndTheViewsAtOnce() {
    GuiEnv env(test::OfficeNetwork());
    store::ListsStore(*env.hive).SaveList("Team", {{"bob", kUserKind, "Sales desk"}});
    store::Settings(*env.hive).WriteString("Main", "Listnumber", "4");
    auto app = env.StartApp();
    QWidget& editor = Editor(*app);
    gui::ItemView& net = test::View(*app, "NetView");
    auto& name = test::Find<QLineEdit>(&editor, "NameEdit");
    auto& members = test::Find<gui::ItemView>(&editor, "MemberView");
    auto& choices = test::Find<gui::ItemView>(&editor, "NetView");
    auto& save = test::Find<QPushButton>(&editor, "SaveBtn");

    // Edit the list chosen in Net Items: its members, and only users,
    // computers and groups to choose from.
    test::ClickRow(net, test::RowOf(net, "Team"));
    test::Action(*app, "tbEditList").trigger();
    QVERIFY(editor.isVisible());
    QCOMPARE(name.text(), QStringLiteral("Team"));
    QCOMPARE(test::Names(members.itemModel()), QStringList({"bob"}));
    QCOMPARE(test::Names(choices.itemModel(), kDomainKind), QStringList());
    QCOMPARE(test::Names(choices.itemModel(), kListKind), QStringList());

    // Declining the overwrite question changes nothing.
    test::ClickRow(choices, test::RowOf(choices, "carol"));
    QTest::keyClick(&choices, Qt::Key_Return);  // adds on release
    QCOMPARE(test::Names(members.itemModel()), QStringList({"bob", "carol"}));
    env.boxes.answers = {gui::BoxButton::No};
    save.click();
    QCOMPARE(env.boxes.Texts().back(), QStringLiteral("Team exists.  Overwrite?"));
    QCOMPARE(Stored(*env.hive, "Team").size(), 1u);
    QCOMPARE(net.itemModel().Row(test::RowOf(net, "Team")).comment, QStringLiteral("1 Item"));
    QVERIFY(editor.isVisible());

    // Yes: the store, Net Items and Favourites (which gains the list) at once.
    env.boxes.answers = {gui::BoxButton::Yes};
    save.click();
    QCOMPARE(Stored(*env.hive, "Team").size(), 2u);
    QCOMPARE(net.itemModel().Row(test::RowOf(net, "Team")).comment, QStringLiteral("2 Item(s)"));
    gui::ItemView& fav = test::View(*app, "FavView");
    QCOMPARE(fav.itemModel().Row(test::RowOf(fav, "Team")).comment, QStringLiteral("2 Item(s)"));
    QVERIFY(!editor.isVisible());

    // A new list is named after the counter, which the next run goes on from.
    net.clearSelection();
    test::Action(*app, "tbMakeList").trigger();
    QCOMPARE(name.text(), QStringLiteral("List4"));
    // Dropped lists and domains never become members; a member of another
    // letter case is already there.
    members.itemModel().Clear();
    net.clearSelection();
    for (const char* row : {"Team", "OFFICE", "bob", "BOB"})
      if (int r = test::RowOf(net, row); r >= 0) net.SelectRow(r);
    emit members.rowsDropped(&net);
    QCOMPARE(test::Names(members.itemModel()), QStringList({"bob"}));
    test::Find<QPushButton>(&editor, "CancelBtn").click();
    app->Shutdown();
    auto again = env.StartApp();
    test::View(*again, "NetView").clearSelection();
    test::Action(*again, "tbMakeList").trigger();
    QCOMPARE(test::Find<QLineEdit>(&Editor(*again), "NameEdit").text(), QStringLiteral("List5"));
  }

  void deletingAListTakesItFromEveryView() {
    GuiEnv env(test::OfficeNetwork());
    store::ListsStore(*env.hive).SaveList("Team", {{"bob", kUserKind, ""}});
    store::Settings settings(*env.hive);
    store::WriteFavourites(settings, {{"Team", kListKind, "1 Item"}});
    auto app = env.StartApp();
    gui::ItemView& net = test::View(*app, "NetView");
    net.selectAll();
    test::Find<QToolButton>(app->main(), "sbAddRecip").click();
    test::ClickRow(net, test::RowOf(net, "Team"));
    test::Action(*app, "tbDelList").trigger();
    for (const char* view : {"NetView", "FavView", "RecipView"})
      QVERIFY2(test::RowOf(test::View(*app, view), "Team") < 0, view);
    QVERIFY(env.boxes.shown.empty());  // no question asked
    QVERIFY(!store::ListsStore(*env.hive).ListExists("Team"));
    QVERIFY(!test::Action(*app, "tbEditList").isEnabled());
  }

  void optionsAppliedOnOkAndGivenBackOnCancel() {
    GuiEnv env(test::OfficeNetwork());
    NameDeletions* names = nullptr;
    env.wrap = [&](lan::NetApi& sim) {
      auto api = std::make_unique<NameDeletions>(&sim);
      names = api.get();
      return api;
    };
    store::Settings s(*env.hive);
    s.WriteString("Main", "ScanDomain", "0");
    s.WriteString("Main\\Alias", "FRED", "");
    auto app = env.StartApp();
    gui::TOptions& options = *app->options();
    QCOMPARE(test::Names(test::View(*app, "NetView").itemModel(), kDomainKind), QStringList());
    QCOMPARE(test::View(*app, "SrvView").itemModel().Count(), 0);

    // Scanning turned on checks sending to active items only at once; OK
    // fills the Servers view and brings the domains; the unchanged alias is
    // removed from the message names (the next send registers it again).
    WhileOptionsShow(
        options,
        [](gui::TOptions& d) {
          test::Find<QCheckBox>(&d, "cbScanDom").click();
          QVERIFY(test::Find<QCheckBox>(&d, "SendtoActiveItemsOnly").isChecked());
          QVERIFY(test::Find<QCheckBox>(&d, "ActiveOnly").isEnabled());
        },
        "Button1");
    test::Action(*app, "Options1").trigger();
    QCOMPARE(names->removed, std::vector<std::string>{"FRED"});
    QCOMPARE(test::View(*app, "SrvView").itemModel().Count(), 3);
    QCOMPARE(test::Names(test::View(*app, "NetView").itemModel(), kDomainKind),
             QStringList({"LAB", "OFFICE", "SALES"}));
    QVERIFY(test::Action(*app, "tbActiveOnly").isEnabled());

    // Cancel gives every box back, and the tray box acts at once both ways.
    auto* tray = app->main()->findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon"));
    QVERIFY(tray && tray->isVisible());
    bool hiddenWhileOpen = false;
    WhileOptionsShow(
        options,
        [&](gui::TOptions& d) {
          test::Find<QCheckBox>(&d, "Minimizetotray").click();
          hiddenWhileOpen = !tray->isVisible();
          test::Find<QCheckBox>(&d, "cbScanDom").click();
          QVERIFY(!test::Find<QCheckBox>(&d, "ActiveOnly").isEnabled());
          test::Find<QSpinBox>(&d, "ServerTimeOut").setValue(5);
          test::Find<QComboBox>(&d, "ComboBox1").setEditText(QStringLiteral("OPS"));
        },
        "Button2");
    test::Action(*app, "Options1").trigger();
    QVERIFY(hiddenWhileOpen);
    QVERIFY(tray->isVisible());
    QVERIFY(options.ScanDomain());
    QVERIFY(options.SendtoActive());
    QCOMPARE(options.ServerTimeOut(), 20);
    QCOMPARE(options.Alias(), QStringLiteral("FRED"));
    QCOMPARE(names->removed.size(), 1u);

    // An alias that is the computer's own name is never removed.
    WhileOptionsShow(
        options, [](gui::TOptions& d) { test::Find<QComboBox>(&d, "ComboBox1").setEditText(QStringLiteral("PC5")); },
        "Button1");
    test::Action(*app, "Options1").trigger();
    WhileOptionsShow(options, [](gui::TOptions&) {}, "Button1");
    test::Action(*app, "Options1").trigger();
    QCOMPARE(names->removed, (std::vector<std::string>{"FRED", "FRED"}));
  }

  void aboutBoxShowsTheBuildsVersionAndLicenceAndClosesOnAnyKey() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    auto& about = test::Find<gui::TAbout>(app->main(), "TAbout");
    QTimer::singleShot(0, &about, [&about] {
      QVERIFY(about.isVisible());
      QTest::keyClick(&about, Qt::Key_Space);
    });
    test::Action(*app, "About1").trigger();
    QVERIFY(!about.isVisible());
    QCOMPARE(about.windowTitle(), QStringLiteral("About Vantor"));
    const QString version = test::Find<QLabel>(&about, "Version").text();
    QVERIFY2(QRegularExpression(QStringLiteral("^v \\d+\\.\\d+\\.\\d+\\.\\d+, .+")).match(version).hasMatch(),
             qPrintable(version));
    QVERIFY(test::Find<QLabel>(&about, "Licence").text().contains(QStringLiteral("GPL-3.0-or-later")));
  }

  // Last: it runs the application's own loop, which its Exit ends.
  void trayMenuAndExitEndTheRunEvenWithMinimiseOnClose() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "MinimizeNotExit", "1");
    auto app = env.StartApp();
    gui::TMain& main = *app->main();
    QAction& minimise = test::Find<QAction>(&main, "Minimise1");
    QAction& restore = test::Find<QAction>(&main, "Open1");
    QVERIFY(!minimise.isVisible());  // at start, before the first restore
    // The close box minimises instead of ending the program.
    main.close();
    QTRY_VERIFY(main.isMinimized());
    QVERIFY(main.isVisible());  // no notification area here: the task bar stays the way back
    QVERIFY(restore.isVisible());
    QVERIFY(!app->state().windowShown);
    restore.trigger();
    QTRY_VERIFY(!main.isMinimized());
    QVERIFY(minimise.isVisible() && !restore.isVisible());
    QVERIFY(app->state().windowShown);
    // The tray menu's Exit ends the program all the same.
    QTimer::singleShot(0, &main, [&main] { test::Find<QAction>(&main, "TrayExit1").trigger(); });
    QCOMPARE(QApplication::exec(), 0);
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  ListsOptionsTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "lists_options_test.moc"
