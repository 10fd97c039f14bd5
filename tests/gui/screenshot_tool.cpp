// SPDX-License-Identifier: GPL-3.0-or-later
// Takes pictures of the windowed program on a network file: the main window
// with its tabs, the status window during a session query and after a send,
// and the dialogs. Meant to run under a display, e.g. Xvfb:
//   vantor_screenshots NETWORK.json OUTDIR

#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "gui/item_view.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "receive/history.h"
#include "receiver/popup_window.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iostream>
#include <sstream>

using namespace vantor;

namespace {

bool Save(QWidget* w, const QString& path) {
  QApplication::processEvents();
  // The window with its frame as the screen shows it; the widget alone when
  // there is no window system to ask.
  QPixmap pm;
  if (QScreen* screen = w->screen(); screen && QGuiApplication::platformName() != QLatin1String("offscreen"))
    pm = screen->grabWindow(0, w->frameGeometry().x(), w->frameGeometry().y(), w->frameGeometry().width(),
                            w->frameGeometry().height());
  if (pm.isNull()) pm = w->grab();
  const bool ok = pm.save(path);
  std::cout << (ok ? "wrote " : "could not write ") << path.toStdString() << "\n";
  return ok;
}

// Selects the Net Items rows of these names and adds them as recipients.
void AddRecipients(gui::VantorApp& app, std::initializer_list<const char*> names) {
  gui::ItemView& net = test::View(app, "NetView");
  net.clearSelection();
  for (const char* n : names)
    if (int row = test::RowOf(net, n); row >= 0) test::ClickRow(net, row, Qt::ControlModifier);
  test::Find<QToolButton>(app.main(), "sbAddRecip").click();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: vantor_screenshots NETWORK.json OUTDIR\n";
    return 2;
  }
  test::PrepareQtTestEnvironment();
  QApplication qapp(argc, argv);
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);

  test::GuiEnv env(ss.str());
  env.runClock = &DefaultClock();
  gui::QtFileDialogs realFiles([](int) {});
  env.runFiles = &realFiles;
  auto app = env.StartApp();
  if (!app) return 1;
  gui::TMain* m = app->main();
  m->activateWindow();
  if (!QTest::qWaitForWindowActive(m)) std::cerr << "the main window did not become active\n";
  m->resize(640, 520);
  m->SetSplitPosition(230);
  QTest::qWait(300);
  bool ok = Save(m, out + "/main-net-items.png");

  auto& recipPage = test::Find<QTabWidget>(m, "RecipPage");
  recipPage.setCurrentWidget(&test::View(*app, "SrvView"));
  QTest::qWait(100);
  ok = Save(m, out + "/main-servers.png") && ok;

  // A session query with the status window showing: the active-only display
  // refreshes Net Items, asking the checked servers first.
  delivery::TStatus* status = app->status();
  status->ClearLog();
  test::Action(*app, "ShowStatusWin1").setEnabled(true);
  test::Action(*app, "ShowStatusWin1").trigger();
  QTimer::singleShot(800, [&] { ok = Save(status, out + "/status-session-query.png") && ok; });
  test::Action(*app, "tbActiveOnly").trigger();
  QTest::qWait(200);
  status->hide();
  recipPage.setCurrentWidget(&test::View(*app, "RecipView"));
  ok = Save(m, out + "/main-active-only.png") && ok;
  test::Action(*app, "tbActiveOnly").trigger();

  // The Recipients tab filled, a message written, and the log of its send.
  AddRecipients(*app, {"SALES", "Warehouse", "bob", "carol", "PC07"});
  test::Find<QPlainTextEdit>(m, "Memo1").setPlainText(QStringLiteral("The printer on the second floor is fixed."));
  QTest::qWait(100);
  ok = Save(m, out + "/main-recipients.png") && ok;
  test::Find<QPushButton>(m, "SendBtn").click();
  QTest::qWait(200);
  ok = Save(status, out + "/status-after-send.png") && ok;
  test::Find<QPushButton>(status, "Button1").click();

  // The type-in dialog, filled in, before it is cancelled.
  auto& typeIn = test::Find<QDialog>(m, "TTypeRecip");
  QTimer::singleShot(300, [&] {
    QTest::keyClicks(&test::Find<QLineEdit>(&typeIn, "Edit1"), "PC42");
    test::Find<QLineEdit>(&typeIn, "Edit2").setText(QStringLiteral("Laboratory"));
    test::Find<QComboBox>(&typeIn, "ComboBox1").setCurrentIndex(1);
    QTest::qWait(100);
    ok = Save(&typeIn, out + "/type-in-recipient.png") && ok;
    typeIn.reject();
  });
  test::Find<QToolButton>(m, "sbTypeRecip").click();

  // The list editor on a new list made from the recipients.
  test::View(*app, "NetView").clearSelection();
  test::Action(*app, "tbMakeList").trigger();
  QWidget& editor = test::Find<QWidget>(m, "TEditList");
  QTest::qWait(300);
  ok = Save(&editor, out + "/list-editor.png") && ok;
  editor.hide();

  // The options dialog and the about box, each taken while it waits.
  auto& options = *app->options();
  QTimer::singleShot(300, [&] {
    ok = Save(&options, out + "/options.png") && ok;
    options.reject();
  });
  test::Action(*app, "Options1").trigger();
  auto& about = test::Find<QDialog>(m, "TAbout");
  QTimer::singleShot(300, [&] {
    ok = Save(&about, out + "/about.png") && ok;
    about.accept();
  });
  test::Action(*app, "About1").trigger();

  // Two saved messages on their tab, and the export dialog.
  test::Find<QPlainTextEdit>(m, "Memo1").setPlainText(QStringLiteral("Fire drill at 11:00 today."));
  auto endTitleEdit = [m] {
    for (QLineEdit* titleEditor : test::Find<QWidget>(m, "MsgView").findChildren<QLineEdit*>())
      if (titleEditor->isVisible()) QTest::keyClick(titleEditor, Qt::Key_Return);
  };
  test::Action(*app, "tbSaveMessage").trigger();
  endTitleEdit();
  test::Find<QPlainTextEdit>(m, "Memo1").setPlainText(QStringLiteral("The canteen closes early on Friday."));
  test::Action(*app, "tbSaveMessage").trigger();
  endTitleEdit();
  QTest::qWait(100);
  ok = Save(m, out + "/saved-messages.png") && ok;
  QTimer::singleShot(800, [&] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ok = Save(dialog, out + "/export-messages-dialog.png") && ok;
      dialog->reject();
    }
  });
  test::Action(*app, "ExportMessages1").trigger();

  // A received message as its pop-up shows it, and the history of received
  // messages in the windowed program.
  const std::string day = FormatIso8601Local(DefaultClock().Now()).substr(0, 11);
  receive::ReceivedHistory history(*env.hive);
  const receive::SpooledMessage received[] = {
      {"20261209T081502Z-a1", "DC1", "PC5", day + "08:15:02+00:00", "The server DC1 restarts at 12:30 for updates."},
      {"20261209T093040Z-b2", "ALICE", "alice", day + "09:30:40+00:00",
       "Grüße from the Köln office!\nThe boxes for the move are in room 2.14."},
      {"20261209T101207Z-c3", "HELPDESK", "PC5", day + "10:12:07+00:00",
       "Your ticket #4711 is closed.\nCall 555-0142 if the printer jams again."},
  };
  for (const receive::SpooledMessage& r : received) history.Add(r);
  receiver::TMessagePopup popup(received[1]);
  popup.setAttribute(Qt::WA_DeleteOnClose, false);
  popup.show();
  if (!QTest::qWaitForWindowExposed(&popup)) std::cerr << "the pop-up did not show\n";
  QTest::qWait(300);
  ok = Save(&popup, out + "/message-popup.png") && ok;
  popup.close();
  test::Action(*app, "ShowReceived1").trigger();
  auto& receivedWindow = test::Find<QWidget>(m, "TReceived");
  receivedWindow.resize(620, 380);
  test::Find<QTreeWidget>(&receivedWindow, "ReceivedView").setCurrentItem(
      test::Find<QTreeWidget>(&receivedWindow, "ReceivedView").topLevelItem(1));
  QTest::qWait(300);
  ok = Save(&receivedWindow, out + "/received-messages.png") && ok;
  receivedWindow.close();

  // The whole screen, with the icon in the notification area when the
  // display has one.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QString path = out + "/screen-with-tray.png";
    const bool saved = screen->grabWindow(0).save(path);
    std::cout << (saved ? "wrote " : "could not write ") << path.toStdString() << "\n";
    ok = saved && ok;
  }
  app->Shutdown();
  return ok ? 0 : 1;
}
