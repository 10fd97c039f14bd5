// Takes pictures of the windowed program on a network file: the main window
// with the Net Items and the Servers tabs, and the status window while a
// session query (no send) runs. Meant to run under a display, e.g. Xvfb:
//   vantor_screenshots NETWORK.json OUTDIR

#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "gui/item_view.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QApplication>
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
  auto app = env.StartApp();
  if (!app) return 1;
  gui::TMain* m = app->main();
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
  app->Shutdown();
  return ok ? 0 : 1;
}
