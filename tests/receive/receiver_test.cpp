// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver of a session as the user meets it: what waited while the
// user was away shows at the start, what arrives later shows at once, each
// message once and kept in the history byte for byte; and the pop-up shows
// sender, recipient, time and text with an OK button.
#include "lan/samba/message_names.h"
#include "receive/history.h"
#include "receiver/popup_window.h"
#include "receiver/receiver.h"
#include "spool_fixture.h"
#include "store/hive.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <fstream>

using namespace vantor;

namespace {
const Clock::TimePoint kNow = std::chrono::system_clock::from_time_t(1796800000);  // 2026-12-09 ... UTC

receive::SpooledMessage Message(const char* from, const char* text) {
  return {{}, from, "bob", "2026-12-09T14:21:44+00:00", text};
}
}  // namespace

class ReceiverTest : public QObject {
  Q_OBJECT

 private slots:
  void showsWhatWaitedAndWhatArrivesEachOnceAndKeepsIt() {
    test::SpoolFixture fx;
    auto hive = store::OpenSqliteHive(fx.dir.File("store.db"));
    const std::uint32_t uid = ::geteuid();
    std::string why;
    // A message that came while the user was not logged on.
    QVERIFY(receive::Inbox::Open(fx.spool, uid, why));
    receive::SpooledMessage away = Message("ALICE", "Grüße aus Köln\r\nZeile zwei");
    QVERIFY(receive::DeliverToInbox(fx.spool, uid, away, kNow, {}, why));

    std::vector<receive::SpooledMessage> shown;
    auto show = [&](const receive::SpooledMessage& m) { shown.push_back(m); };
    lan::samba::MessageNames names(fx.spool);
    {
      receiver::Receiver session(*hive, fx.spool, uid, show);
      QCOMPARE(session.Start(why), receiver::Receiver::StartResult::kStarted);
      QCOMPARE(shown.size(), 1u);
      QCOMPARE(shown[0], away);
      QVERIFY(names.Users().at(0).loggedOn);
      receiver::Receiver second(*hive, fx.spool, uid, show);
      QCOMPARE(second.Start(why), receiver::Receiver::StartResult::kOtherReceiver);

      receive::SpooledMessage now = Message("CAROL", "right now");
      QVERIFY(receive::DeliverToInbox(fx.spool, uid, now, kNow + std::chrono::seconds(1), {}, why));
      QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2u, 5000);
      QCOMPARE(shown[1], now);
      QCOMPARE(receive::ReceivedHistory(*hive).Load(), shown);

      // One the history holds already (the last session ended before it
      // left the inbox) goes without being shown again.
      std::ofstream(fx.Inbox() + "/" + now.id + ".msg") << receive::FormatSpooled(now);
      QCOMPARE(session.TakeWaiting(), 0);
      QVERIFY(!std::filesystem::exists(fx.Inbox() + "/" + now.id + ".msg"));
    }
    QVERIFY(!names.Users().at(0).loggedOn);
    QCOMPARE(shown.size(), 2u);
  }

  void popupShowsTheMessageAsTheMessengerDid() {
    receive::SpooledMessage m = Message("ALICE", "first\r\nsecond\rthird");
    QPointer<receiver::TMessagePopup> popup = new receiver::TMessagePopup(m);
    popup->show();
    QCOMPARE(popup->windowTitle(), QStringLiteral("Messenger Service"));
    QCOMPARE(popup->findChild<QLabel*>("MessageHeader")->text(),
             QStringLiteral("Message from ALICE to bob on 12/09/26 14:21:44"));
    QCOMPARE(popup->findChild<QPlainTextEdit*>("MessageText")->toPlainText(), QStringLiteral("first\nsecond\nthird"));
    QTest::mouseClick(popup->findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
    QTRY_VERIFY(popup.isNull());
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ReceiverTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "receiver_test.moc"
