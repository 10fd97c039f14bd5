// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program on a real domain: starts it on the network that
// VANTOR_LAN names, checks what its Net Items refresh shows, and writes a
// picture of the window. Run by tests/e2e/samba_dc.sh inside the client's
// network namespace:
//   vantor_dc_check USERS GROUP PICTURE.png
// Prints one "ok ..." or "no ..." line per check; exits 1 when one failed.

#include "lan/backend.h"
#include "support/gui_env.h"

#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include <iostream>

using namespace vantor;

namespace {
bool Check(bool ok, const std::string& what) {
  std::cout << (ok ? "ok " : "no ") << what << "\n";
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: vantor_dc_check USERS GROUP PICTURE.png\n";
    return 2;
  }
  test::PrepareQtTestEnvironment();
  QApplication qapp(argc, argv);
  const int users = std::atoi(argv[1]);
  const QString group = QString::fromLocal8Bit(argv[2]);
  // The simulated network is not used: every call goes to the backend the
  // environment names.
  test::GuiEnv env(R"({"local": {"computer": "UNUSED"}})");
  env.wrap = [](lan::NetApi&) { return lan::CreateNetApiFromEnvironment(); };
  auto app = env.StartApp();
  if (!app) return Check(false, "the program starts") ? 0 : 1;
  const gui::ItemModel& net = test::View(*app, "NetView").itemModel();
  bool ok = Check(test::Names(net, kUserKind).size() == users,
                  "Net Items shows the domain's " + std::to_string(users) + " users (" +
                      std::to_string(test::Names(net, kUserKind).size()) + ")");
  ok = Check(test::Names(net, kGroupKind).contains(group), "Net Items shows the group " + group.toStdString()) && ok;
  ok = Check(!test::Names(net, kDomainKind).isEmpty() &&
                 net.Row(test::RowOf(test::View(*app, "NetView"), test::Names(net, kDomainKind).front().toUtf8().constData()))
                         .comment == QStringLiteral("Primary Domain"),
             "Net Items begins with the primary domain") &&
       ok;
  ok = Check(test::View(*app, "SrvView").itemModel().Count() > 0, "the Servers view lists the controller") && ok;
  app->main()->resize(640, 520);
  app->main()->SetSplitPosition(260);
  QTest::qWait(200);
  ok = Check(app->main()->grab().save(QString::fromLocal8Bit(argv[3])), std::string("picture written to ") + argv[3]) &&
       ok;
  app->Shutdown();
  return ok ? 0 : 1;
}
