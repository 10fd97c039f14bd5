// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, command line and shutdown of the windowed program, through its
// real widgets and a real store.
#include "delivery/status_window.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {
std::string Stored(store::Hive& hive, const char* section, const char* name) {
  store::Settings s(hive);
  return s.ReadString(section, name, "<missing>");
}
}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void firstRunOnAnEmptyStore() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    QVERIFY(app);
    gui::TMain* m = app->main();
    QCOMPARE(m->pos(), QPoint(35, 35));
    QCOMPARE(m->size(), QSize(384, 404));
    QCOMPARE(m->SplitPosition(), 154);
    QVERIFY(test::Find<QToolBar>(m, "ToolBar1").isVisible());
    QVERIFY(m->statusBar()->isVisible());
    QCOMPARE(test::Find<QComboBox>(m, "SignatureBox").currentText(), QStringLiteral("Sent by alice from PC5"));
    QVERIFY(env.boxes.shown.empty());
    // The first activation opens the getting-started topic, once.
    m->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m));
    QCOMPARE(env.help.topics, std::vector<int>{1});
    m->activateWindow();
    QCOMPARE(env.help.topics, std::vector<int>{1});
    app->Shutdown();
    // Every value of section Main is written at exit.
    for (const char* name : {"Left",
                             "Top",
                             "Width",
                             "Height",
                             "Split",
                             "ShowToolbar",
                             "ShowStatusbar",
                             "Listnumber",
                             "Tooltips",
                             "SendtoActive",
                             "ActiveOnly",
                             "CloseStatus",
                             "TrayIcon",
                             "ClearMesgText",
                             "SaveMessages",
                             "ServerTimeOut",
                             "SendMessagesAnyway",
                             "ScanDomain",
                             "DisplayExtra",
                             "MinimizeNotExit"})
      QVERIFY2(Stored(*env.hive, "Main", name) != "<missing>", name);
    QCOMPARE(Stored(*env.hive, "Main", "Listnumber"), std::string("1"));
    QCOMPARE(Stored(*env.hive, "Main", "Split"), std::string("154"));
    store::Settings s(*env.hive);
    QCOMPARE(s.ReadValueNames("Main\\Signature"), std::vector<std::string>{"Sent by alice from PC5"});

    env.help.topics.clear();
    auto again = env.StartApp();
    again->main()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(again->main()));
    QVERIFY(env.help.topics.empty());
  }

  void clearRemovesEverythingAndWritesNothing() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.StartApp();
      app->Shutdown();
    }
    env.hive->SetValue("Software\\Vantor\\ListNames", "Sales", store::Value::String("1"));
    env.hive->SetValue("Software\\Vantor\\Messages\\1", "Title", store::Value::String("hello"));
    auto app = env.MakeApp({QStringLiteral("/clear")});
    QVERIFY(!app->Start());
    app->Shutdown();
    QVERIFY(!env.hive->KeyExists("Software\\Vantor"));
    QVERIFY(env.boxes.shown.empty());
  }

  void parameterErrorsEndWithoutWriting() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.MakeApp({QStringLiteral("a"), QStringLiteral("b")});
      QVERIFY(!app->Start());
      app->Shutdown();
    }
    {
      auto app = env.MakeApp({QStringLiteral("/x")});
      QVERIFY(!app->Start());
      app->Shutdown();
    }
    QCOMPARE(env.boxes.Texts(), QStringList({QStringLiteral("Vantor: Too many parameters"),
                                             QStringLiteral("Vantor: \"/x\" is not a valid parameter")}));
    QCOMPARE(env.boxes.shown[0].helpTopic, 10);
    QVERIFY(env.boxes.shown[1].buttons.contains(gui::BoxButton::Help));
    QVERIFY(!env.hive->KeyExists("Software\\Vantor"));
  }

  void questionMarkOpensTheHelpFileAndEnds() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.MakeApp({QStringLiteral("/?")});
    QVERIFY(!app->Start());
    app->Shutdown();
    QCOMPARE(env.help.filesOpened, 1);
    QVERIFY(!env.hive->KeyExists("Software\\Vantor"));
  }

  void missingHelpFileIsReportedOnce() {
    GuiEnv env(test::OfficeNetwork(), /*withHelpFile=*/false);
    auto app = env.StartApp();
    QVERIFY(app);
    QCOMPARE(env.boxes.Texts(), QStringList{QStringLiteral("Vantor: Help file \"%1\" not found").arg(env.helpFile)});
    QCOMPARE(env.boxes.shown[0].buttons, QList<gui::BoxButton>{gui::BoxButton::Ok});
  }

  void shutdownWhileMaximisedKeepsTheStoredGeometry() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.StartApp();
      app->main()->move(50, 60);
      app->main()->resize(500, 450);
      app->main()->SetSplitPosition(170);
      app->Shutdown();
    }
    const std::string left = Stored(*env.hive, "Main", "Left"), split = Stored(*env.hive, "Main", "Split");
    QCOMPARE(Stored(*env.hive, "Main", "Width"), std::string("500"));
    QCOMPARE(split, std::string("170"));
    {
      auto app = env.StartApp();
      QCOMPARE(app->main()->size(), QSize(500, 450));
      QCOMPARE(app->main()->SplitPosition(), 170);
      app->main()->showMaximized();
      QTRY_VERIFY(app->main()->isMaximized());
      app->main()->SetSplitPosition(250);
      app->Shutdown();
    }
    QCOMPARE(Stored(*env.hive, "Main", "Left"), left);
    QCOMPARE(Stored(*env.hive, "Main", "Width"), std::string("500"));
    QCOMPARE(Stored(*env.hive, "Main", "Height"), std::string("450"));
    QCOMPARE(Stored(*env.hive, "Main", "Split"), split);
  }

  void serverCheckMarksSurviveARestart() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.StartApp();
      gui::ItemModel& servers = test::View(*app, "SrvView").itemModel();
      QCOMPARE(servers.Count(), 3);                             // DC1, DC2, FILES: the servers that may be queried
      for (const auto& r : servers.Rows()) QVERIFY(r.checked);  // never stored: checked
      const int dc2 = servers.CaptionIndex(QStringLiteral("DC2"));
      QVERIFY(dc2 >= 0);
      // A click on the check box, as the user gives it.
      QVERIFY(servers.setData(servers.index(dc2, 0), Qt::Unchecked, Qt::CheckStateRole));
      app->Shutdown();
    }
    QCOMPARE(Stored(*env.hive, "Main\\Servers", "DC2"), std::string("0"));
    QCOMPARE(Stored(*env.hive, "Main\\servers", "DC1"), std::string("1"));
    auto app = env.StartApp();
    const gui::ItemModel& servers = test::View(*app, "SrvView").itemModel();
    QCOMPARE(servers.Count(), 3);
    QVERIFY(!servers.Row(servers.CaptionIndex(QStringLiteral("DC2"))).checked);
    QVERIFY(servers.Row(servers.CaptionIndex(QStringLiteral("DC1"))).checked);
  }

  void statusWindowReopensAtItsStoredPlace() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.StartApp();
      delivery::TStatus* status = app->status();
      QCOMPARE(status->pos(), QPoint(336, 219));
      QCOMPARE(status->size(), QSize(260, 198));
      status->move(400, 300);
      status->resize(300, 250);
      app->Shutdown();
    }
    auto app = env.StartApp();
    QCOMPARE(app->status()->pos(), QPoint(400, 300));
    QCOMPARE(app->status()->size(), QSize(300, 250));
  }

  void stoppedMessengerIsReportedAndTheWindowStillOpens() {
    test::Json net = test::OfficeNetworkJson();
    net["local"]["messenger"] = false;
    GuiEnv env(test::NetworkText(net));
    auto app = env.StartApp();
    QVERIFY(app);
    QCOMPARE(env.boxes.shown.size(), std::size_t(1));
    QVERIFY(env.boxes.shown[0].text.startsWith(QStringLiteral("Vantor: Messenger Service: ")));
    QVERIFY(env.boxes.shown[0].text.size() > 28);
    QCOMPARE(env.boxes.shown[0].helpTopic, 16);
    QVERIFY(app->main()->isVisible());
  }

  void storedOptionsFollowTheirRules() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings s(*env.hive);
    s.WriteString("Main", "ScanDomain", "0");
    s.WriteString("Main", "ActiveOnly", "1");
    s.WriteString("Main", "ServerTimeOut", "90");
    s.WriteString("Main", "ShowToolbar", "2");
    s.WriteString("Main", "Width", "abc");
    {
      auto app = env.StartApp();
      gui::TOptions* o = app->options();
      QVERIFY(!test::Find<QCheckBox>(o, "ActiveOnly").isChecked());
      QVERIFY(!test::Find<QCheckBox>(o, "ActiveOnly").isEnabled());
      QVERIFY(!test::Find<QCheckBox>(o, "SendtoActiveItemsOnly").isEnabled());
      QCOMPARE(o->ServerTimeOut(), 60);
      QVERIFY(test::Find<QToolBar>(app->main(), "ToolBar1").isVisible());  // "2" reads as yes
      QCOMPARE(app->main()->width(), 384);          // "abc" reads as the default
      QVERIFY(!test::Action(*app, "tbActiveOnly").isEnabled());
      app->Shutdown();
    }
    QCOMPARE(Stored(*env.hive, "Main", "ActiveOnly"), std::string("0"));
    QCOMPARE(Stored(*env.hive, "Main", "ServerTimeOut"), std::string("60"));
  }

  void signatureAndAliasHistoriesComeBackInOrder() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings s(*env.hive);
    s.WriteString("Main\\Signature", "Second", "");
    s.WriteString("Main\\Signature", "First", "");
    s.WriteString("Main\\Alias", "OPS", "");
    s.WriteString("Main\\Alias", "DESK", "");
    {
      auto app = env.StartApp();
      QCOMPARE(test::Find<QComboBox>(app->main(), "SignatureBox").currentText(), QStringLiteral("Second"));
      QCOMPARE(test::Find<QComboBox>(app->main(), "SignatureBox").count(), 2);
      QCOMPARE(app->options()->Alias(), QStringLiteral("OPS"));
      app->Shutdown();
    }
    QCOMPARE(s.ReadValueNames("Main\\Signature"), (std::vector<std::string>{"Second", "First"}));
    QCOMPARE(s.ReadValueNames("Main\\Alias"), (std::vector<std::string>{"OPS", "DESK"}));
  }

  void favouritesRoundTrip() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings s(*env.hive);
    s.WriteInteger("Main\\Favourites", "Count", 3);
    const char* rows[][3] = {{"zed", "2", "Z"}, {"Sales", "0", "3 Items"}, {"PC7", "3", ""}};
    for (int i = 0; i < 3; ++i) {
      s.WriteString("Main\\Favourites", std::to_string(i) + "a", rows[i][0]);
      s.WriteString("Main\\Favourites", std::to_string(i) + "b", rows[i][1]);
      s.WriteString("Main\\Favourites", std::to_string(i) + "c", rows[i][2]);
    }
    {
      auto app = env.StartApp();
      gui::ItemModel& fav = test::View(*app, "FavView").itemModel();
      QCOMPARE(fav.Count(), 3);
      QCOMPARE(fav.Row(0).name, QStringLiteral("Sales"));  // sorted: lists first
      QCOMPARE(fav.Row(2).name, QStringLiteral("PC7"));
      fav.RemoveRows({0, 1, 2});
      app->Shutdown();
    }
    QVERIFY(!env.hive->KeyExists("Software\\Vantor\\Forms\\Main\\Favourites"));
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  StartupTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "startup_test.moc"
