#include "support/gui_env.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <cstdlib>
#include <filesystem>

namespace vantor::test {

gui::BoxButton ScriptedBoxes::Show(QWidget*, const gui::BoxRequest& request) {
  shown.push_back(request);
  if (!answers.empty()) {
    gui::BoxButton b = answers.front();
    answers.pop_front();
    return b;
  }
  return request.buttons.isEmpty() ? gui::BoxButton::Ok : request.buttons.front();
}

QStringList ScriptedBoxes::Texts() const {
  QStringList out;
  for (const auto& r : shown) out.append(r.text);
  return out;
}

GuiEnv::GuiEnv(const std::string& networkJson, bool withHelpFile) {
  networkPath = dir.Write("net.json", networkJson);
  api = std::make_unique<lan::sim::SimNetApi>(lan::sim::LoadNetwork(networkPath), clock);
  hive = store::OpenSqliteHive(dir.File("store.db"));
  helpFile = QString::fromStdString(dir.File("vantor.HLP"));
  if (withHelpFile) dir.Write("vantor.HLP", "<html><body><a name=\"topic-0\"></a>Help</body></html>");
}

GuiEnv::~GuiEnv() = default;

std::unique_ptr<gui::VantorApp> GuiEnv::MakeApp(QStringList parameters) {
  // A run ends by cancelling the network's pending calls; each run gets its own.
  api = std::make_unique<lan::sim::SimNetApi>(lan::sim::LoadNetwork(networkPath), clock);
  wrapped = wrap ? wrap(*api) : nullptr;
  lan::NetApi& net = wrapped ? *wrapped : *api;
  gui::AppContext ctx{net, *hive, boxes, *runFiles, help, *runClock, helpFile, std::move(parameters)};
  return std::make_unique<gui::VantorApp>(ctx);
}

std::unique_ptr<gui::VantorApp> GuiEnv::StartApp() {
  auto app = MakeApp();
  if (!app->Start()) return nullptr;
  app->Show();
  return app;
}

void PrepareQtTestEnvironment() {
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantor-xdg-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) ::setenv("XDG_RUNTIME_DIR", tmpl.c_str(), 1);
  }
}

gui::ItemView& View(gui::VantorApp& app, const char* name) { return Find<gui::ItemView>(app.main(), name); }
QAction& Action(gui::VantorApp& app, const char* name) { return Find<QAction>(app.main(), name); }
QString StatusText(gui::VantorApp& app) { return Find<QLabel>(app.main(), "StatusBar1Text").text(); }

QStringList Names(const gui::ItemModel& model, int kind) {
  QStringList out;
  for (const auto& r : model.Rows())
    if (kind < 0 || r.kind == kind) out.append(r.name);
  return out;
}

void ClickRow(gui::ItemView& view, int row, Qt::KeyboardModifiers modifiers) {
  view.scrollTo(view.itemModel().index(row, 0));
  const QRect r = view.visualRect(view.itemModel().index(row, 0));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, r.center());
}

int RowOf(const gui::ItemView& view, const char* name) {
  return view.itemModel().CaptionIndex(QString::fromUtf8(name));
}

std::string OfficeJson(int batch) {
  return R"({
  "local": { "computer": "PC05", "user": "alice", "domain": "OFFICE", "messenger": true, "address": "10.1.1.5",
    "users": [ { "name": "Administrator", "comment": "Local admin" }, { "name": "alice", "full_name": "Alice Local" } ],
    "groups": [ { "name": "None", "comment": "Ordinary users", "members": ["alice"] } ] },
  "domains": [
    { "name": "OFFICE", "controller": "DC1", "trusts": ["SALES", "PLANT"],
      "users": [
        { "name": "alice", "full_name": "Alice Archer", "comment": "Reception" },
        { "name": "bob", "full_name": "Bob Smith", "comment": "Sales desk" },
        { "name": "carol", "full_name": "Carol King", "comment": "Accounts" },
        { "name": "dave", "full_name": "Dave Jones", "comment": "IT support" } ],
      "groups": [
        { "name": "Staff", "comment": "Office staff", "members": ["bob", "carol", "PC12$"] },
        { "name": "Admins", "comment": "", "members": ["dave"] } ] },
    { "name": "SALES", "controller": "SALESDC" }
  ],
  "hosts": [
    { "name": "DC1", "comment": "Primary controller", "type": ["nt", "server_nt", "domain_ctrl"], "address": "10.1.1.1",
      "sessions": [ { "client": "PC01", "user": "bob" }, { "client": "PC05", "user": "alice" } ] },
    { "name": "DC2", "comment": "Backup controller", "type": ["nt", "server_nt", "domain_bakctrl"],
      "sessions": [ { "client": "PC03", "user": "carol" } ] },
    { "name": "FILES", "comment": "File server", "type": ["nt", "server_nt"], "session_status": 5 },
    { "name": "PC01", "comment": "Sales desk", "type": ["nt", "workstation"], "address": "10.1.1.101" },
    { "name": "PC03", "comment": "Accounts", "type": ["nt", "workstation"] },
    { "name": "PC09", "comment": "Old machine", "type": ["windows"] },
    { "name": "PRN", "comment": "Printer box", "type": ["printq_server"] }
  ],
  "batch": )" +
         std::to_string(batch) + "\n}\n";
}

}  // namespace vantor::test
