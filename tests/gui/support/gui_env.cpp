// SPDX-License-Identifier: GPL-3.0-or-later
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

}  // namespace vantor::test
