// SPDX-License-Identifier: GPL-3.0-or-later
// Gathering recipients and favourites, typing them in, and sending, through
// the program's real widgets on a simulated network.
#include "delivery/status_window.h"
#include "gui/options_dialog.h"
#include "store/favourites.h"
#include "lan/backend.h"
#include "store/settings.h"
#include "support/gui_env.h"
#include "support/private_smbd.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <nlohmann/json.hpp>

#include <filesystem>

using namespace vantor;
using vantor::test::GuiEnv;

#define EXPECT_FAVOURITE(settings, name, value) \
  QCOMPARE((settings).ReadString("Main\\Favourites", name, "<missing>"), std::string(value))

namespace {

// The own computer PC7 is not among the servers; SRV1 is. SALES is a
// trusted domain with a messenger of its own; Admins holds jsmith.
std::string Network(const std::string& moreHosts = "", bool localMessenger = true) {
  return R"({
  "local": {"computer": "PC7", "user": "alice", "domain": "OFFICE", "messenger": )" +
         std::string(localMessenger ? "true" : "false") + R"(},
  "domains": [
    {"name": "OFFICE", "controller": "SRV1", "trusts": ["SALES"],
     "users": [{"name": "bob", "comment": "Sales desk"}, {"name": "jsmith"}, {"name": "kim"}],
     "groups": [{"name": "Admins", "members": ["jsmith"]}, {"name": "Staff", "members": ["bob", "jsmith", "kim"]}]},
    {"name": "SALES"}],
  "hosts": [
    {"name": "SRV1", "type": ["nt", "server_nt", "domain_ctrl"], "sessions": [{"client": "PC9", "user": "bob"}]},
    {"name": "PC9", "type": ["nt"], "logged_on": ["bob", "jsmith", "kim"]},
    {"name": "S1", "domain": "SALES", "type": ["nt"]})" +
         moreHosts + "]}";
}

class Program {
 public:
  explicit Program(GuiEnv& env) : m_env(env), m_app(env.StartApp()) {}
  gui::VantorApp& app() { return *m_app; }
  gui::ItemView& View(const char* name) { return test::View(*m_app, name); }
  template <typename T>
  T& Find(const char* name) {
    return test::Find<T>(m_app->main(), name);
  }
  QPlainTextEdit& Memo() { return Find<QPlainTextEdit>("Memo1"); }
  QComboBox& Signature() { return Find<QComboBox>("SignatureBox"); }
  QComboBox& Alias() { return test::Find<QComboBox>(m_app->options(), "ComboBox1"); }
  QPushButton& Send() { return Find<QPushButton>("SendBtn"); }
  delivery::TStatus& Status() { return *m_app->status(); }

  // Selects the Net Items rows of these names and adds them as recipients.
  void AddRecipients(std::initializer_list<const char*> names) {
    gui::ItemView& net = View("NetView");
    net.clearSelection();
    for (const char* n : names) test::ClickRow(net, test::RowOf(net, n), Qt::ControlModifier);
    Find<QToolButton>("sbAddRecip").click();
  }
  // The status log's lines with the date and time cut off.
  QStringList Log() {
    QStringList lines = test::Find<QPlainTextEdit>(&Status(), "Memo1").toPlainText().split(QLatin1Char('\n'));
    for (QString& l : lines) l.remove(QStringLiteral("01/01/70 00:00:00  "));
    return lines;
  }
  // The messages delivered so far: "to from text".
  QStringList Delivered() {
    QStringList out;
    const std::string path = m_env.dir.File("net.deliveries.jsonl");
    if (!std::filesystem::exists(path)) return out;
    for (const std::string& line : test::ReadLines(path)) {
      const auto j = nlohmann::json::parse(line);
      out.append(QString::fromStdString(j["to"].get<std::string>() + " " + j["from"].get<std::string>() + " " +
                                        j["text"].get<std::string>()));
    }
    return out;
  }

 private:
  GuiEnv& m_env;
  std::unique_ptr<gui::VantorApp> m_app;
};

}  // namespace

class SendTest : public QObject {
  Q_OBJECT

 private slots:
  void theLogOfASendToADomainAndAGroup() {
    GuiEnv env(Network());
    Program p(env);
    p.AddRecipients({"SALES", "Admins"});
    QCOMPARE(test::Names(p.View("RecipView").itemModel()), QStringList({"SALES", "Admins"}));
    p.Memo().setPlainText(QStringLiteral("Meeting at three"));
    p.Alias().setEditText(QStringLiteral("OPS"));
    QVERIFY(p.Send().isEnabled());
    p.Send().click();
    QCOMPARE(p.Log(), QStringList({"Sending message:", "  Meeting at three", "  Sent by alice from PC7",
                                   "Reading active sessions from SRV1", "Reading active sessions from PC7",
                                   "Waiting for server responses", "Registering alias \"OPS\"", "Sending messages",
                                   "Message to Domain:SALES* succeeded", "Message to Admins:jsmith succeeded",
                                   "All messages complete"}));
    const QString text = QStringLiteral("Meeting at three\r\n\r\nSent by alice from PC7");
    QCOMPARE(p.Delivered(), QStringList({"SALES* OPS " + text, "jsmith OPS " + text}));
    QCOMPARE(test::Find<QPushButton>(&p.Status(), "Button1").text(), QStringLiteral("&Close"));
    QVERIFY(!p.app().main()->isEnabled());  // until the log is closed
    QVERIFY(!QApplication::overrideCursor());
    test::Find<QPushButton>(&p.Status(), "Button1").click();
    QVERIFY(p.app().main()->isEnabled());
    QVERIFY(test::Action(p.app(), "ShowStatusWin1").isEnabled());
  }

  void overLongTextIsOfferedACutAndNeverSent() {
    GuiEnv env(Network());
    Program p(env);
    p.AddRecipients({"SALES"});
    p.Memo().setPlainText(QString(40, QLatin1Char('a')));
    p.Signature().setEditText(QString(90, QLatin1Char('s')));
    env.boxes.answers = {gui::BoxButton::Yes};
    p.Send().click();
    QCOMPARE(env.boxes.Texts(),
             QStringList{"Your Domain broadcast text is too long by 6 Characters.\r\nWould you like it truncated to "
                         "the broadcast limit (128 characters)?"});
    QCOMPARE(env.boxes.shown[0].helpTopic, 9);
    QCOMPARE(p.Memo().toPlainText(), QString(32, QLatin1Char('a')));
    QVERIFY(p.Delivered().isEmpty());
    p.Send().click();  // 126 characters: sent
    QCOMPARE(p.Delivered().size(), 1);
    test::Find<QPushButton>(&p.Status(), "Button1").click();

    // A signature of 122 characters leaves nothing of the text, and Send goes off.
    p.Signature().setEditText(QString(122, QLatin1Char('s')));
    env.boxes.answers = {gui::BoxButton::Yes};
    p.Send().click();
    QVERIFY(p.Memo().toPlainText().isEmpty());
    QVERIFY(!p.Send().isEnabled());

    // Without a domain the limit is 895; No keeps the text.
    p.View("RecipView").itemModel().Clear();
    p.AddRecipients({"bob"});
    p.Signature().setEditText(QStringLiteral("s"));
    p.Memo().setPlainText(QString(900, QLatin1Char('b')));
    env.boxes.answers = {gui::BoxButton::No};
    p.Send().click();
    QVERIFY(env.boxes.Texts().back().startsWith(QStringLiteral("Your message text is too long by ")));
    QCOMPARE(p.Memo().toPlainText().size(), 900);
    QCOMPARE(p.Delivered().size(), 1);
  }

  void aWrappedParagraphIsSentWithABreakAtEachWrap() {
    GuiEnv env(Network());
    Program p(env);
    p.AddRecipients({"bob"});
    const QString paragraph = QStringLiteral("The quick brown fox jumps over the lazy dog ").repeated(6).trimmed();
    p.Memo().setPlainText(paragraph);
    p.Signature().setEditText(QStringLiteral("S"));
    p.Send().click();
    const QStringList delivered = p.Delivered();
    QCOMPARE(delivered.size(), 1);
    const QString text = delivered[0].section(QLatin1Char(' '), 2);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QVERIFY2(lines.size() > 3, qPrintable(text));  // at least two lines of text, the empty line and S
    QCOMPARE(lines.mid(0, lines.size() - 2).join(QString()), paragraph);  // nothing lost at the wraps
    QCOMPARE(lines.mid(lines.size() - 2), QStringList({"", "S"}));
  }

  void cancelDuringAGroupFinishesTheCurrentName() {
    GuiEnv env(Network());
    Program p(env);
    p.AddRecipients({"Staff"});
    p.Memo().setPlainText(QStringLiteral("Hi"));
    auto& log = test::Find<QPlainTextEdit>(&p.Status(), "Memo1");
    auto& button = test::Find<QPushButton>(&p.Status(), "Button1");
    // The user presses Cancel as soon as the first member's line shows.
    QObject::connect(&log, &QPlainTextEdit::textChanged, &button, [&] {
      if (log.toPlainText().contains(QStringLiteral("Message to Staff:bob")) && button.text() == QStringLiteral("&Cancel"))
        button.click();
    });
    p.Send().click();
    QCOMPARE(p.Log().mid(p.Log().size() - 3),
             QStringList({"Message to Staff:bob succeeded", "Messages aborted", "All messages complete"}));
    QCOMPARE(p.Delivered().size(), 1);
    QCOMPARE(button.text(), QStringLiteral("&Close"));
  }

  void aSlowPeerKeepsTheWindowsAliveAndCancelWorks() {
    // Each message to PC8's users takes a second on the wire.
    GuiEnv env(Network(R"(, {"name": "PC8", "type": ["nt"], "logged_on": ["lee", "max"], "latency_ms": 1000})"));
    Program p(env);
    p.View("RecipView").itemModel().Append({QStringLiteral("lee"), {}, kUserKind});
    p.View("RecipView").itemModel().Append({QStringLiteral("max"), {}, kUserKind});
    p.Memo().setPlainText(QStringLiteral("Hi"));
    auto& button = test::Find<QPushButton>(&p.Status(), "Button1");
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    // Cancel while the first message is still on its way.
    QTimer::singleShot(500, &button, [&button] { button.click(); });
    p.Send().click();
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));  // the event loop kept running
    QCOMPARE(p.Log().mid(p.Log().size() - 3),
             QStringList({"Message to lee succeeded", "Messages aborted", "All messages complete"}));
    QCOMPARE(p.Delivered().size(), 1);
  }

  void aTimedOutQueryStopsTheSendWhenTheOptionSaysSo() {
    GuiEnv env(Network(R"(, {"name": "SRV2", "type": ["server_nt"], "latency_ms": 3000})"));
    store::Settings s(*env.hive);
    s.WriteString("Main", "ServerTimeOut", "1");
    s.WriteString("Main", "SendMessagesAnyway", "0");
    Program p(env);
    p.AddRecipients({"bob"});
    p.Memo().setPlainText(QStringLiteral("Hi"));
    p.Send().click();
    QCOMPARE(p.Log().mid(p.Log().size() - 2), QStringList({"Time-out reading active sessions", "Messages aborted"}));
    QVERIFY(p.Delivered().isEmpty());
  }

  void signatureAndAliasHistories() {
    GuiEnv env(Network("", /*localMessenger=*/false));
    store::Settings(*env.hive).WriteString("Main\\Alias", "OLD", "");
    Program p(env);
    p.AddRecipients({"bob"});
    p.Memo().setPlainText(QStringLiteral("Hi"));
    // The messenger here refuses names: the alias leaves the history and the
    // previous one is the sender.
    p.Alias().setEditText(QStringLiteral("NEW"));
    p.Send().click();
    QVERIFY(p.Log().contains(QStringLiteral("Registering alias \"NEW\"")));
    QVERIFY(p.Log().contains(QStringLiteral("Alias \"NEW\" removed")));
    QCOMPARE(p.Alias().currentText(), QStringLiteral("OLD"));
    QVERIFY(p.Delivered().back().startsWith(QStringLiteral("bob OLD ")));
    test::Find<QPushButton>(&p.Status(), "Button1").click();

    for (int i = 0; i < 2; ++i) {
      p.Signature().setEditText(QStringLiteral("Regards"));
      p.Send().click();
      test::Find<QPushButton>(&p.Status(), "Button1").click();
    }
    QCOMPARE(p.Signature().count(), 2);  // the default one and "Regards", once
    QCOMPARE(p.Signature().itemText(0), QStringLiteral("Regards"));
    for (int i = 1; i <= 8; ++i) {
      p.Signature().setEditText(QStringLiteral("S%1").arg(i));
      p.Send().click();
      test::Find<QPushButton>(&p.Status(), "Button1").click();
    }
    QCOMPARE(p.Signature().count(), 8);
    QCOMPARE(p.Signature().itemText(7), QStringLiteral("S1"));  // "Regards" and the default are gone

  }

  void recipientsAndFavouritesKeepOneRowPerName() {
    GuiEnv env(Network());
    store::Settings s(*env.hive);
    store::WriteFavourites(s, {{"BOB", kUserKind, "typed"}, {"Staff", kGroupKind, ""}});
    {
      Program p(env);
      p.AddRecipients({"bob", "kim"});
      p.AddRecipients({"jsmith", "bob"});
      QCOMPARE(test::Names(p.View("RecipView").itemModel()), QStringList({"bob", "kim", "jsmith"}));
      // Favourites to recipients: BOB is there already (ignoring case).
      gui::ItemView& fav = p.View("FavView");
      test::Find<QTabWidget>(p.app().main(), "NetPage").setCurrentWidget(&fav);
      fav.selectAll();
      QTest::keyClick(&fav, Qt::Key_Return);
      QCOMPARE(test::Names(p.View("RecipView").itemModel()), QStringList({"bob", "kim", "jsmith", "Staff"}));
      // Net Items to favourites: the copied rows are unselected, the others stay.
      test::Find<QTabWidget>(p.app().main(), "NetPage").setCurrentIndex(0);
      gui::ItemView& net = p.View("NetView");
      net.clearSelection();
      test::ClickRow(net, test::RowOf(net, "kim"), Qt::ControlModifier);
      test::ClickRow(net, test::RowOf(net, "bob"), Qt::ControlModifier);
      test::Action(p.app(), "tbAddFav").trigger();
      QCOMPARE(test::Names(fav.itemModel()), QStringList({"BOB", "kim", "Staff"}));
      QCOMPARE(net.SelectedCount(), 1);
      QCOMPARE(net.itemModel().Row(net.SelectedRows().front()).name, QStringLiteral("bob"));
      p.app().Shutdown();
    }
    // Stored as the view shows them, from the last position down.
    store::Settings after(*env.hive);
    EXPECT_FAVOURITE(after, "Count", "3");
    for (auto [name, value] : {std::pair{"0a", "BOB"}, {"0b", "2"}, {"0c", "typed"}, {"1a", "kim"}, {"2a", "Staff"},
                               {"2b", "4"}, {"2c", ""}})
      EXPECT_FAVOURITE(after, name, value);
    QCOMPARE(after.ReadValueNames("Main\\Favourites").front(), std::string("Count"));
    Program again(env);
    QCOMPARE(test::Names(again.View("FavView").itemModel()), QStringList({"BOB", "kim", "Staff"}));
  }

  void aMessageReachesARealSambaPeer() {
    test::PrivateSmbd smbd;
    if (!smbd.Running()) {
      if (test::PrivateSmbd::Required()) QFAIL(qPrintable(QString::fromStdString(smbd.Why())));
      QSKIP("Samba is not installed");
    }
    GuiEnv env(Network());
    const std::string lmhosts = env.dir.Write("lmhosts", "127.0.0.1 VANTORPEER\n");
    const std::string conf = env.dir.Write(
        "lan.conf", "netbios name = DESK\nsamba config =\ndirectory = no\nresolve order = lmhosts\nlmhosts file = " + lmhosts +
                        "\nsmb port = " + std::to_string(smbd.Port()) + "\nreply timeout = 10\n");
    env.wrap = [conf](lan::NetApi&) { return lan::CreateNetApi("samba:" + conf); };
    // No domain here: nothing asks for a controller.
    store::Settings(*env.hive).WriteString("Main", "ScanDomain", "0");
    Program p(env);
    p.Memo().setPlainText(QStringLiteral("Grüße aus Köln"));
    p.Signature().setEditText(QStringLiteral("Zoë"));
    auto& dialog = test::Find<QDialog>(p.app().main(), "TTypeRecip");
    QTimer::singleShot(0, [&dialog] {
      test::Find<QLineEdit>(&dialog, "Edit1").setText(QStringLiteral("vantorpeer"));
      test::Find<QComboBox>(&dialog, "ComboBox1").setEditText(QStringLiteral("PC or Server"));
      test::Find<QPushButton>(&dialog, "Button1").click();
    });
    p.Find<QToolButton>("sbTypeRecip").click();
    p.Send().click();
    QCOMPARE(p.Log().mid(p.Log().size() - 2),
             QStringList({"Message to vantorpeer succeeded", "All messages complete"}));
    QTRY_VERIFY(QString::fromStdString(smbd.Messages()).contains(QStringLiteral("Grüße aus Köln")));
    QVERIFY(QString::fromStdString(smbd.Messages()).contains(QStringLiteral("Zoë")));
  }

  void typeInAndTheContextMenu() {
    GuiEnv env(Network());
    Program p(env);
    p.Memo().setPlainText(QStringLiteral("Hi"));
    auto& dialog = test::Find<QDialog>(p.app().main(), "TTypeRecip");
    auto fill = [&](const char* name, const char* type, const char* comment) {
      QTimer::singleShot(0, [&dialog, name, type, comment] {
        QCOMPARE(test::Find<QLineEdit>(&dialog, "Edit1").text(), QString());
        QCOMPARE(test::Find<QComboBox>(&dialog, "ComboBox1").currentText(), QStringLiteral("User"));
        QVERIFY(!test::Find<QPushButton>(&dialog, "Button1").isEnabled());
        QTest::keyClicks(&test::Find<QLineEdit>(&dialog, "Edit1"), name);
        test::Find<QLineEdit>(&dialog, "Edit2").setText(QString::fromLatin1(comment));
        test::Find<QComboBox>(&dialog, "ComboBox1").setEditText(QString::fromLatin1(type));
        test::Find<QPushButton>(&dialog, "Button1").click();
      });
    };
    fill("pc42", "PC or Server", "Lab");
    p.Find<QToolButton>("sbTypeRecip").click();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Type in a Recipient"));
    const gui::ItemRow typed = p.View("RecipView").itemModel().Row(0);
    QCOMPARE(typed.name, QStringLiteral("pc42"));
    QCOMPARE(typed.kind, int(kComputerKind));
    QCOMPARE(typed.comment, QStringLiteral("Lab"));
    QVERIFY(p.Send().isEnabled());
    // The favourite command's texts; a type text of its own gives kind 0.
    fill("Ops", "Group", "");
    test::Action(p.app(), "tbTypeFav").trigger();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Type in a Favourite"));
    QCOMPARE(p.View("FavView").itemModel().Row(0).kind, int(kListKind));
    QCOMPARE(p.View("RecipView").itemModel().Count(), 1);

    // The context menu of the Recipients view, and of an empty one.
    gui::ItemView& recip = p.View("RecipView");
    auto& menu = test::Find<QMenu>(p.app().main(), "PopupMenu1");
    auto entry = [&](const char* name) { return &test::Action(p.app(), name); };
    emit recip.customContextMenuRequested(QPoint(5, 5));
    QVERIFY(menu.isVisible());
    QVERIFY(entry("pmTypeInRecipient")->isVisible());
    QVERIFY(entry("pmAddNewList")->isVisible());
    QVERIFY(!entry("pmTypeInFavourite")->isVisible());
    menu.close();
    recip.itemModel().Clear();
    emit recip.customContextMenuRequested(QPoint(5, 5));
    QVERIFY(entry("pmTypeInRecipient")->isVisible());
    QVERIFY(!entry("pmAddNewList")->isVisible());
    menu.close();
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  SendTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "send_test.moc"
