// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a windowed-program test runs with: a simulated network and a private
// store in a temporary folder, boxes answered in advance, help requests
// recorded, and a clock that stands still.

#include "common/clock.h"
#include "gui/app_context.h"
#include "gui/file_dialogs.h"
#include "gui/application.h"
#include "gui/help.h"
#include "gui/message_boxes.h"
#include "lan/sim/sim_net_api.h"
#include "store/hive.h"
#include "support/office_network.h"
#include "support/temp_dir.h"

#include "gui/item_view.h"
#include "gui/main_window.h"

#include <QAction>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantor::test {

class ScriptedBoxes : public gui::MessageBoxes {
 public:
  // Answers in order; when none is left, the box's first button.
  std::deque<gui::BoxButton> answers;
  std::vector<gui::BoxRequest> shown;

  gui::BoxButton Show(QWidget* parent, const gui::BoxRequest& request) override;
  QStringList Texts() const;
};

// Answers file dialogs in order; when none is left, as cancelled.
class ScriptedFiles : public gui::FileDialogs {
 public:
  std::deque<QString> answers;
  std::vector<gui::FileRequest> shown;
  QString SaveFile(QWidget*, const gui::FileRequest& r) override { return Answer(r); }
  QString OpenFile(QWidget*, const gui::FileRequest& r) override { return Answer(r); }

 private:
  QString Answer(const gui::FileRequest& r) {
    shown.push_back(r);
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};

class RecordingHelp : public gui::HelpService {
 public:
  std::vector<int> topics;
  int filesOpened = 0;
  void ShowTopic(int topic) override { topics.push_back(topic); }
  void OpenFile() override { ++filesOpened; }
};

class GuiEnv {
 public:
  explicit GuiEnv(const std::string& networkJson, bool withHelpFile = true);
  ~GuiEnv();

  // A new program run on the same network and store (and a new api).
  std::unique_ptr<gui::VantorApp> MakeApp(QStringList parameters = {});
  // Starts a run and shows its main window; fails the test if start-up ends.
  std::unique_ptr<gui::VantorApp> StartApp();

  // Each run's network calls pass through what wrap makes of the simulated
  // network (a test's own counting or scripted interface).
  std::function<std::unique_ptr<lan::NetApi>(lan::NetApi& sim)> wrap;

  TempDir dir;
  std::string networkPath;
  std::unique_ptr<lan::sim::SimNetApi> api;
  std::unique_ptr<lan::NetApi> wrapped;
  std::unique_ptr<store::Hive> hive;
  ScriptedBoxes boxes;
  ScriptedFiles files;
  RecordingHelp help;
  FixedClock clock{std::chrono::system_clock::time_point{}};
  const Clock* runClock = &clock;           // the clock the program runs with
  gui::FileDialogs* runFiles = &files;     // the file dialogs it shows
  QString helpFile;
};

// Sets up what a Qt test needs before QApplication exists: the offscreen
// platform (unless one is chosen) and a private runtime folder.
void PrepareQtTestEnvironment();

// The program's widgets and commands, found by their object names as a user
// of the program would find them by their captions. A missing name ends the
// test program with a message naming it.
template <typename T>
T& Find(const QObject* root, const char* name) {
  T* found = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!found) qFatal("no object named %s", name);
  return *found;
}
gui::ItemView& View(gui::VantorApp& app, const char* name);  // NetView, FavView, RecipView, SrvView
QAction& Action(gui::VantorApp& app, const char* name);
QString StatusText(gui::VantorApp& app);

// The names of a view's rows, of one kind or all.
QStringList Names(const gui::ItemModel& model, int kind = -1);
// Clicks a row as the user does.
void ClickRow(gui::ItemView& view, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The row of that name (ignoring case), or -1.
int RowOf(const gui::ItemView& view, const char* name);

// The network of examples/office.json, trimmed: domain OFFICE with DC1/DC2.

}  // namespace vantor::test
