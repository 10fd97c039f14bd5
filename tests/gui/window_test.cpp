// SPDX-License-Identifier: GPL-3.0-or-later
// How the windows behave for the user: message boxes and the help they open,
// the status window's button and log, hints, the status window command, and
// the item model's contract with the views.
#include "delivery/status_window.h"
#include "gui/help.h"
#include "gui/item_model.h"
#include "gui/message_boxes.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

// Runs the step once a modal box is showing, from inside its own loop.
void WhenBoxShows(std::function<void(QMessageBox&)> step) {
  QTimer::singleShot(0, [step] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      WhenBoxShows(step);
      return;
    }
    step(*box);
  });
}

gui::BoxRequest ErrorWithHelp() {
  gui::BoxRequest r;
  r.text = QStringLiteral("Vantor: Messenger Service: test");
  r.buttons = {gui::BoxButton::Ok, gui::BoxButton::Help};
  r.helpTopic = 16;
  return r;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private slots:
  void errorBoxesCloseWithEscAndTheirCloseBoxAsWithOk() {
    std::vector<int> topics;
    gui::QtMessageBoxes boxes([&](int topic) { topics.push_back(topic); });
    WhenBoxShows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QCOMPARE(boxes.Show(nullptr, ErrorWithHelp()), gui::BoxButton::Ok);
    WhenBoxShows([](QMessageBox& box) { box.close(); });
    QCOMPARE(boxes.Show(nullptr, ErrorWithHelp()), gui::BoxButton::Ok);
    // Help opens its topic and leaves the box open; a question's Esc is No.
    WhenBoxShows([](QMessageBox& box) {
      box.button(QMessageBox::Help)->click();
      QVERIFY(box.isVisible());
      QTest::keyClick(&box, Qt::Key_Escape);
    });
    QCOMPARE(boxes.Question(nullptr, QStringLiteral("Overwrite?"), 9), gui::BoxButton::No);
    QCOMPARE(topics, std::vector<int>{9});
  }

  void helpOpenedFromABoxCanBeUsedWhileTheBoxWaits() {
    test::TempDir dir;
    gui::HelpViewer help(QString::fromStdString(dir.Write("h.HLP", "<a name=\"topic-16\"></a>Messenger")));
    gui::QtMessageBoxes boxes([&](int topic) { help.ShowTopic(topic); });
    QWidget* activeModal = nullptr;
    WhenBoxShows([&](QMessageBox& box) {
      box.button(QMessageBox::Help)->click();
      activeModal = QApplication::activeModalWidget();
      help.close();
      QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
    });
    boxes.Show(nullptr, ErrorWithHelp());
    // The viewer, not the box, takes the input while it shows.
    QCOMPARE(activeModal, static_cast<QWidget*>(&help));
    // Once the box is gone the viewer is an ordinary window again.
    help.ShowTopic(0);
    QCOMPARE(help.windowModality(), Qt::NonModal);
  }

  void statusWindowButtonCancelsThenClosesAndEnterReachesIt() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    delivery::TStatus& status = *app->status();
    gui::TMain& main = *app->main();
    auto& button = test::Find<QPushButton>(&status, "Button1");
    auto& log = test::Find<QPlainTextEdit>(&status, "Memo1");

    // As the View menu shows it: the main window waits, with no busy cursor.
    QAction& show = test::Action(*app, "ShowStatusWin1");
    show.setEnabled(true);
    show.trigger();
    QVERIFY(status.isVisible());
    QVERIFY(!main.isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(QTest::qWaitForWindowActive(&status));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&button));

    // "&Cancel" asks the send to stop and keeps the log showing.
    app->state().AbortRequested = false;
    status.Log(QStringLiteral("Sending messages"));
    QCOMPARE(log.toPlainText(), QStringLiteral("01/01/70 00:00:00  Sending messages"));
    button.click();
    QVERIFY(app->state().AbortRequested);
    QVERIFY(status.isVisible());

    // "&Close", by Enter while the log has the focus.
    app->state().AbortRequested = false;
    status.SetButtonCaption(QStringLiteral("&Close"));
    log.setFocus();
    QTest::keyClick(&log, Qt::Key_Return);
    QVERIFY(!status.isVisible());
    QVERIFY(app->state().AbortRequested);  // hiding asks running loops to stop
    QVERIFY(main.isEnabled());

    // The close box during a send cancels it and gives the main window back.
    show.trigger();
    app->state().AbortRequested = false;
    status.SetButtonCaption(QStringLiteral("&Cancel"));
    status.close();
    QVERIFY(app->state().AbortRequested);
    QVERIFY(main.isEnabled());
  }

  void listHintsFollowTheTooltipsOption() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "Tooltips", "0");
    {
      auto app = env.StartApp();
      for (const char* view : {"NetView", "FavView", "RecipView", "SrvView"})
        QVERIFY2(test::View(*app, view).toolTip().isEmpty(), view);
      // Rows carry no hint of their own either.
      const gui::ItemModel& net = test::View(*app, "NetView").itemModel();
      QVERIFY(!net.data(net.index(0, 0), Qt::ToolTipRole).isValid());
      app->Shutdown();
    }
    store::Settings(*env.hive).WriteString("Main", "Tooltips", "1");
    auto app = env.StartApp();
    QCOMPARE(test::View(*app, "NetView").toolTip(), QStringLiteral("This list shows all of the recipients available"));
  }

  void noToolkitMenuOnTheToolBar() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    auto& toolBar = test::Find<QToolBar>(app->main(), "ToolBar1");
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), toolBar.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&toolBar, &e);
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!(qobject_cast<QMenu*>(w) && w->isVisible()));
    QVERIFY(toolBar.isVisible());
  }

  void itemModelKeepsItsContractWithTheViews() {
    gui::ItemModel model([](int) { return QIcon(); }, true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char* name : {"carol", "alice", "bob"}) model.Append({name, "", kUserKind});
    QPersistentModelIndex carol = model.index(0, 1);
    model.BeginUpdate();
    model.Append({"Team", "2 Items", kListKind});
    model.Append({"DC1", "", kComputerKind});
    model.EndUpdate(true);
    QCOMPARE(test::Names(model), QStringList({"Team", "alice", "bob", "carol", "DC1"}));
    // A persistent index follows its row through the sort.
    QCOMPARE(carol.row(), 3);
    QCOMPARE(carol.column(), 1);
    model.ColumnClicked(0);
    QCOMPARE(carol.row(), 1);
    model.RemoveRows({0, 4, 2});
    QCOMPARE(test::Names(model), QStringList({"carol", "alice"}));
    QVERIFY(model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!model.Row(1).checked);
    model.Clear();
    QCOMPARE(model.rowCount(), 0);
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  WindowTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "window_test.moc"
