#pragma once
// What a windowed-program test runs with: a simulated network and a private
// store in a temporary folder, boxes answered in advance, help requests
// recorded, and a clock that stands still.

#include "common/clock.h"
#include "gui/app_context.h"
#include "gui/application.h"
#include "gui/help.h"
#include "gui/message_boxes.h"
#include "lan/sim/sim_net_api.h"
#include "store/hive.h"
#include "support/temp_dir.h"

#include <QStringList>

#include <deque>
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

  TempDir dir;
  std::string networkPath;
  std::unique_ptr<lan::sim::SimNetApi> api;
  std::unique_ptr<store::Hive> hive;
  ScriptedBoxes boxes;
  RecordingHelp help;
  FixedClock clock{std::chrono::system_clock::time_point{}};
  const Clock* runClock = &clock;  // the clock the program runs with
  QString helpFile;
};

// Sets up what a Qt test needs before QApplication exists: the offscreen
// platform (unless one is chosen) and a private runtime folder.
void PrepareQtTestEnvironment();

// The network of examples/office.json, trimmed: domain OFFICE with DC1/DC2.
std::string OfficeJson(int batch = 1000);

}  // namespace vantor::test
