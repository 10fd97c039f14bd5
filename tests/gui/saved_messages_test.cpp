// SPDX-License-Identifier: GPL-3.0-or-later
// The Saved messages tab and the export and import commands, through the
// real widgets, the store and files on disk.
#include "delivery/status_window.h"
#include "gui/options_dialog.h"
#include "store/lists_store.h"
#include "store/saved_messages.h"
#include "store/settings.h"
#include "support/gui_env.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace vantor;
using vantor::test::GuiEnv;

namespace {

QStringList Titles(QTreeWidget& view) {
  QStringList out;
  for (int i = 0; i < view.topLevelItemCount(); ++i) out.append(view.topLevelItem(i)->text(0));
  return out;
}

struct Tab {
  explicit Tab(gui::VantorApp& app)
      : view(test::Find<QTreeWidget>(app.main(), "MsgView")),
        up(test::Find<QToolButton>(app.main(), "UpMessage")),
        down(test::Find<QToolButton>(app.main(), "DownMessage")),
        remove(test::Find<QPushButton>(app.main(), "DeleteMessage")),
        select(test::Find<QPushButton>(app.main(), "SelectMessage")),
        pages(test::Find<QTabWidget>(app.main(), "MessagePage")) {}
  bool AnyButton() const { return up.isEnabled() || down.isEnabled() || remove.isEnabled() || select.isEnabled(); }
  void Pick(int row) {
    view.setCurrentItem(view.topLevelItem(row));
    view.topLevelItem(row)->setSelected(true);
  }
  QTreeWidget& view;
  QToolButton& up;
  QToolButton& down;
  QPushButton& remove;
  QPushButton& select;
  QTabWidget& pages;
};

// The open editor of a title.
QLineEdit* TitleEditor(QTreeWidget& view) {
  for (QLineEdit* e : view.findChildren<QLineEdit*>())
    if (e->isVisible()) return e;
  return nullptr;
}

// Types into the open title editor and ends the editing with Enter.
void EndTitleEdit(QTreeWidget& view, const char* typed = "") {
  QLineEdit* editor = TitleEditor(view);
  QVERIFY(editor);
  QTest::keyClicks(editor, typed);
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the editor closes
}

void Write(gui::VantorApp& app, const QString& text, std::initializer_list<const char*> recipients) {
  gui::ItemView& net = test::View(app, "NetView");
  test::View(app, "RecipView").itemModel().Clear();
  net.clearSelection();
  for (const char* n : recipients) test::ClickRow(net, test::RowOf(net, n), Qt::ControlModifier);
  test::Find<QToolButton>(app.main(), "sbAddRecip").click();
  test::Find<QPlainTextEdit>(app.main(), "Memo1").setPlainText(text);
}

}  // namespace

class SavedMessagesTest : public QObject {
  Q_OBJECT

 private slots:
  void storeSelectReorderDeleteAndTheOrderAcrossRuns() {
    GuiEnv env(test::OfficeNetwork());
    {
      auto app = env.StartApp();
      Tab tab(*app);
      Write(*app, QStringLiteral("Meeting at three\nRoom 2"), {"bob", "carol"});
      test::Action(*app, "tbSaveMessage").trigger();
      // The new row's title is open for editing on the tab that now shows.
      QCOMPARE(tab.pages.currentIndex(), 1);
      EndTitleEdit(tab.view);  // unchanged: nothing written
      QCOMPARE(Titles(tab.view), QStringList({"Message #1 - Meeting at three"}));
      QCOMPARE(tab.pages.currentIndex(), 1);  // Enter ended the editing, and selected nothing
      QCOMPARE(tab.view.topLevelItem(0)->text(1), QStringLiteral("2 Items"));
      Write(*app, QStringLiteral("Lunch"), {"dave"});
      test::Action(*app, "tbSaveMessage").trigger();
      EndTitleEdit(tab.view, "Food");
      QCOMPARE(Titles(tab.view), QStringList({"Message #1 - Meeting at three", "Food"}));
      QCOMPARE(tab.view.topLevelItem(1)->text(1), QStringLiteral("1 Item"));

      // The first row moves down and back up; its slot moves with it.
      tab.Pick(0);
      QVERIFY(!tab.up.isEnabled() && tab.down.isEnabled() && tab.select.isEnabled());
      tab.down.click();
      QCOMPARE(Titles(tab.view), QStringList({"Food", "Message #1 - Meeting at three"}));
      QVERIFY(tab.up.isEnabled() && !tab.down.isEnabled());
      tab.up.click();
      tab.down.click();

      // "+" loads the selected message back, as Select does.
      test::View(*app, "RecipView").itemModel().Clear();
      test::Find<QPlainTextEdit>(app->main(), "Memo1").clear();
      tab.Pick(1);
      QTest::keyClicks(&tab.view, "+");
      QCOMPARE(tab.pages.currentIndex(), 0);
      QCOMPARE(test::Find<QPlainTextEdit>(app->main(), "Memo1").toPlainText(), QStringLiteral("Meeting at three\nRoom 2"));
      QCOMPARE(test::Names(test::View(*app, "RecipView").itemModel()), QStringList({"bob", "carol"}));
      QVERIFY(test::Find<QPushButton>(app->main(), "SendBtn").isEnabled());
      app->Shutdown();
    }
    {
      // The order comes back; deleting the last row leaves nothing to act on.
      auto app = env.StartApp();
      Tab tab(*app);
      QCOMPARE(Titles(tab.view), QStringList({"Food", "Message #1 - Meeting at three"}));
      tab.Pick(1);
      tab.remove.click();
      QCOMPARE(Titles(tab.view), QStringList({"Food"}));
      QVERIFY(tab.view.selectedItems().isEmpty());
      QVERIFY(!tab.AnyButton());
      tab.Pick(0);
      QTest::keyClick(&tab.view, Qt::Key_Delete);
      QCOMPARE(tab.view.topLevelItemCount(), 0);
      QVERIFY(env.boxes.shown.empty());
    }
    QCOMPARE(store::Settings(*env.hive, "Software\\Vantor\\Messages").ReadString("", "NextNumber", ""),
             std::string("1"));
  }

  void theSendStoresWhenAskedAndAFullStoreSaysSo() {
    GuiEnv env(test::OfficeNetwork());
    store::Settings(*env.hive).WriteString("Main", "SaveMessages", "1");
    auto app = env.StartApp();
    Tab tab(*app);
    Write(*app, QStringLiteral("Hello"), {"bob"});
    test::Find<QPushButton>(app->main(), "SendBtn").click();
    QCOMPARE(Titles(tab.view), QStringList({"Message #1 - Hello"}));
    QCOMPARE(tab.pages.currentIndex(), 0);  // the send does not change the tab
    test::Find<QPushButton>(app->status(), "Button1").click();

    // Every slot used: the limit message, and nothing changes.
    store::SavedMessages saved(*env.hive);
    for (int i = 2; i <= 1000; ++i) QVERIFY(saved.Store({"x"}, {}, "", "").has_value());
    const int rows = tab.view.topLevelItemCount();
    test::Action(*app, "tbSaveMessage").trigger();
    QCOMPARE(env.boxes.Texts().back(), QStringLiteral("Could not store this message: (1000 limit)"));
    QCOMPARE(env.boxes.shown.back().caption, QStringLiteral("Error"));
    QCOMPARE(tab.view.topLevelItemCount(), rows);
  }

  void exportAndImportThroughTheFileDialogs() {
    GuiEnv env(test::OfficeNetwork());
    auto app = env.StartApp();
    // Nothing to export: said at once, no dialog.
    test::Action(*app, "ExportLists1").trigger();
    QCOMPARE(env.boxes.Texts().back(), QStringLiteral("No Lists found to export"));
    QCOMPARE(env.boxes.shown.back().helpTopic, 13);
    QVERIFY(env.files.shown.empty());

    store::ListsStore lists(*env.hive);
    lists.SaveList("Sales", {{"bob", kUserKind, "Sales desk"}, {"PC7", kComputerKind, ""}});
    lists.SaveList("Ops", {{"dave", kUserKind, "IT"}});
    const QString file = QString::fromStdString(env.dir.File("lists.reg"));
    env.files.answers = {file};
    test::Action(*app, "ExportLists1").trigger();
    QCOMPARE(env.files.shown.back().title, QStringLiteral("Save the Vantor Lists"));
    QCOMPARE(env.files.shown.back().defaultName, QStringLiteral("vtrlists"));
    QCOMPARE(env.files.shown.back().extension, QStringLiteral("reg"));
    QVERIFY(test::ReadFile(file.toStdString()).starts_with("REGEDIT4\r\n"));

    // Imported on an empty store, the lists show in Net Items at once.
    lists.DeleteList("Sales");
    lists.DeleteList("Ops");
    test::Action(*app, "NetRefreshBtn").trigger();
    QCOMPARE(test::Names(test::View(*app, "NetView").itemModel(), kListKind), QStringList());
    env.files.answers = {file};
    test::Action(*app, "ImportLists1").trigger();
    QCOMPARE(test::Names(test::View(*app, "NetView").itemModel(), kListKind), QStringList({"Ops", "Sales"}));

    // A lists file taken for messages: refused whole; the messages stay.
    Write(*app, QStringLiteral("Keep me"), {"bob"});
    test::Action(*app, "tbSaveMessage").trigger();
    EndTitleEdit(Tab(*app).view);
    env.files.answers = {file};
    test::Action(*app, "ImportMessages1").trigger();
    QVERIFY(env.boxes.Texts().back().startsWith(
        QStringLiteral("Non-Vantor related registry entries found.  Import Aborted.\n")));
    QCOMPARE(Titles(Tab(*app).view), QStringList({"Message #1 - Keep me"}));
    QCOMPARE(Tab(*app).pages.currentIndex(), 1);

    // The messages go out and come back.
    const QString messages = QString::fromStdString(env.dir.File("messages.reg"));
    env.files.answers = {messages};
    test::Action(*app, "ExportMessages1").trigger();
    QCOMPARE(env.files.shown.back().title, QStringLiteral("Save the Vantor messages"));
    store::SavedMessages(*env.hive).Delete(1, true);
    env.files.answers = {messages};
    test::Action(*app, "ImportMessages1").trigger();
    QCOMPARE(Titles(Tab(*app).view), QStringList({"Message #1 - Keep me"}));
  }
};

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  SavedMessagesTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "saved_messages_test.moc"
