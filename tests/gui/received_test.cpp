// SPDX-License-Identifier: GPL-3.0-or-later
// The history of received messages in the windowed program: View >
// Received messages shows what vantor-receive kept, newest first, follows
// the store while it shows, and deletes.
#include "gui/received_window.h"
#include "receive/history.h"
#include "support/gui_env.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace vantor;

class ReceivedTest : public QObject {
  Q_OBJECT

 private slots:
  void historyWindowShowsNewestFirstFollowsTheStoreAndDeletes() {
    test::GuiEnv env(test::OfficeNetwork());
    receive::ReceivedHistory history(*env.hive);
    history.Add({"20261209T100000Z-aa", "ALICE", "PC5", "2026-12-09T10:00:00+00:00", "first line\r\nsecond"});
    history.Add({"20261209T110000Z-bb", "BOB", "alice", "2026-12-09T11:00:00+00:00", "Grüße"});
    auto app = env.StartApp();
    test::Action(*app, "ShowReceived1").trigger();
    auto& window = test::Find<gui::TReceived>(app->main(), "TReceived");
    QVERIFY(window.isVisible());
    auto& view = test::Find<QTreeWidget>(&window, "ReceivedView");
    auto& text = test::Find<QPlainTextEdit>(&window, "ReceivedText");
    QCOMPARE(view.topLevelItemCount(), 2);
    QCOMPARE(view.topLevelItem(0)->text(0), QStringLiteral("12/09/26 11:00:00"));
    QCOMPARE(view.topLevelItem(0)->text(1), QStringLiteral("BOB"));
    QCOMPARE(view.topLevelItem(1)->text(2), QStringLiteral("PC5"));
    QCOMPARE(view.topLevelItem(1)->text(3), QStringLiteral("first line"));
    QCOMPARE(text.toPlainText(), QStringLiteral("Grüße"));
    view.setCurrentItem(view.topLevelItem(1));
    QCOMPARE(text.toPlainText(), QStringLiteral("first line\nsecond"));

    // What the receiver keeps while the window shows comes in by itself;
    // the row the user chose stays chosen.
    history.Add({"20261209T120000Z-cc", "CAROL", "alice", "2026-12-09T12:00:00+00:00", "new"});
    QTRY_COMPARE_WITH_TIMEOUT(view.topLevelItemCount(), 3, 5000);
    QCOMPARE(view.topLevelItem(0)->text(1), QStringLiteral("CAROL"));
    QCOMPARE(view.currentItem()->text(1), QStringLiteral("ALICE"));

    QTest::mouseClick(&test::Find<QPushButton>(&window, "DeleteReceivedBtn"), Qt::LeftButton);
    QCOMPARE(view.topLevelItemCount(), 2);
    std::vector<receive::SpooledMessage> kept = history.Load();
    QCOMPARE(kept.size(), 2u);
    QCOMPARE(kept[0].from, std::string("BOB"));
    QTest::mouseClick(&test::Find<QPushButton>(&window, "CloseReceivedBtn"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
  }
};

QTEST_MAIN(ReceivedTest)
#include "received_test.moc"
