// SPDX-License-Identifier: GPL-3.0-or-later
// What only a real X display shows: the window titles the window system
// gets, and drag and drop driven by real pointer events (xdotool). Runs under
// Xvfb with the xcb platform.
#include "delivery/status_window.h"
#include "support/gui_env.h"

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

// What the window system holds as a window's title.
QString WindowSystemTitle(QWidget& w) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_NAME")});
  xprop.waitForFinished(10000);
  // _NET_WM_NAME(UTF8_STRING) = "Vantor"
  const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  return out.section(QLatin1Char('"'), 1, -2);
}

// Drags with the real pointer from one point to another, through the given
// points on the way, pausing at each.
void Drag(QPoint from, std::initializer_list<QPoint> via, QPoint to) {
  auto xy = [](QPoint p) { return QStringList{QString::number(p.x()), QString::number(p.y())}; };
  QStringList args = QStringList{"mousemove"} + xy(from) + QStringList{"sleep", "0.2", "mousedown", "1"};
  args += QStringList{"mousemove"} + xy(from + QPoint(12, 6)) + QStringList{"sleep", "0.2"};
  for (QPoint p : via) args += QStringList{"mousemove"} + xy(p) + QStringList{"sleep", "1.0"};
  args += QStringList{"mousemove"} + xy(to - QPoint(3, 3)) + QStringList{"sleep", "0.2"};
  args += QStringList{"mousemove"} + xy(to) + QStringList{"sleep", "0.3", "mouseup", "1"};
  QProcess xdotool;
  xdotool.start(QStringLiteral("xdotool"), args);
  // The drag runs its own loop inside this process's event processing.
  QTRY_VERIFY_WITH_TIMEOUT(xdotool.state() == QProcess::NotRunning, 20000);
  QTest::qWait(200);
}

QPoint CentreOfRow(gui::ItemView& view, int row) {
  return view.viewport()->mapToGlobal(view.visualRect(view.itemModel().index(row, 0)).center());
}

QPoint Centre(QWidget& w) { return w.mapToGlobal(w.rect().center()); }

}  // namespace

class X11Test : public QObject {
  Q_OBJECT

 private slots:
  void windowTitlesAreTheProgramsOwn() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    QVERIFY(QTest::qWaitForWindowExposed(app->main()));
    app->status()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app->status()));
    QCOMPARE(WindowSystemTitle(*app->main()), QStringLiteral("Vantor"));
    QCOMPARE(WindowSystemTitle(*app->status()), QStringLiteral("Vantor Status"));
    app->status()->hide();
  }

  void rowsDraggedBetweenTheViews() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    gui::TMain& main = *app->main();
    main.move(0, 0);
    main.resize(700, 560);
    main.SetSplitPosition(300);
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    gui::ItemView& net = test::View(*app, "NetView");
    gui::ItemView& recip = test::View(*app, "RecipView");
    gui::ItemView& fav = test::View(*app, "FavView");

    // Net Items to Recipients.
    test::ClickRow(net, test::RowOf(net, "bob"));
    Drag(CentreOfRow(net, test::RowOf(net, "bob")), {}, Centre(*recip.viewport()));
    QCOMPARE(test::Names(recip.itemModel()), QStringList({"bob"}));

    // Net Items to Favourites, which opens its tab on the way.
    auto& netPage = test::Find<QTabWidget>(&main, "NetPage");
    const QRect favTab = netPage.tabBar()->tabRect(1);
    test::ClickRow(net, test::RowOf(net, "carol"));
    Drag(CentreOfRow(net, test::RowOf(net, "carol")), {netPage.tabBar()->mapToGlobal(favTab.center())},
         netPage.mapToGlobal(netPage.rect().center()));
    QCOMPARE(netPage.currentWidget(), static_cast<QWidget*>(&fav));
    QCOMPARE(test::Names(fav.itemModel()), QStringList({"carol"}));

    // Favourites to Recipients, then Recipients back to Net Items removes.
    test::ClickRow(fav, 0);
    Drag(CentreOfRow(fav, 0), {}, Centre(*recip.viewport()));
    QCOMPARE(test::Names(recip.itemModel()), QStringList({"bob", "carol"}));
    netPage.setCurrentWidget(&net);
    test::ClickRow(recip, 0);
    Drag(CentreOfRow(recip, 0), {}, Centre(*net.viewport()));
    QCOMPARE(test::Names(recip.itemModel()), QStringList({"carol"}));
  }

  void theTrayIconBringsTheWindowBack() {
    // A notification area for the display (trayer), as a desktop has.
    QProcess tray;
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                          QStringLiteral("right"), QStringLiteral("--widthtype"),
                                          QStringLiteral("pixel"), QStringLiteral("--width"), QStringLiteral("120"),
                                          QStringLiteral("--heighttype"), QStringLiteral("pixel"),
                                          QStringLiteral("--height"), QStringLiteral("32")});
    QVERIFY(tray.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    gui::TMain& main = *app->main();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto* icon = main.findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon"));
    QVERIFY(icon && icon->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(icon->geometry().isValid() && icon->geometry().width() > 0, 10000);
    QCOMPARE(icon->toolTip(), QStringLiteral("Vantor Message Manager"));

    // Minimised, the window leaves the task bar; the icon's left click
    // brings it back, and a second one minimises it again.
    main.showMinimized();
    QTRY_VERIFY(!main.isVisible());
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                                  QString::number(icon->geometry().center().x()),
                                                  QString::number(icon->geometry().center().y()),
                                                  QStringLiteral("click"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(main.isVisible() && !main.isMinimized(), 10000);
    QVERIFY(app->state().windowShown);
    app->Shutdown();
    tray.kill();
    tray.waitForFinished(5000);
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  X11Test t;
  return QTest::qExec(&t, argc, argv);
}

#include "x11_test.moc"
