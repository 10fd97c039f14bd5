#include "gui/application.h"

#include "common/clock.h"
#include "delivery/status_window.h"
#include "gui/edit_list_window.h"
#include "gui/help.h"
#include "gui/main_window.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "lan/backend.h"
#include "store/hive.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include <iostream>

namespace vantor::gui {

VantorApp::VantorApp(AppContext ctx) : ctx_(std::move(ctx)) {}

VantorApp::~VantorApp() { Shutdown(); }

bool VantorApp::Start() {
  auto showHelp = [this](int topic) { ctx_.help.ShowTopic(topic); };
  options_ = std::make_unique<TOptions>(
      ctx_.hive, [](bool) {}, showHelp);
  main_ = std::make_unique<TMain>(ctx_, state_, *options_);
  const bool running = main_->FormCreate();
  auto writeBack = [this] { return state_.WriteBack(); };
  delivery::TStatus::Hooks hooks{[this] { main_->EnableInput(); }, showHelp, writeBack};
  status_ = std::make_unique<delivery::TStatus>(ctx_.hive, state_.AbortRequested, ctx_.clock, hooks);
  main_->SetStatusWindow(status_.get());
  editList_ = std::make_unique<TEditList>(ctx_.hive, writeBack);
  return running;
}

void VantorApp::Show() {
  if (main_) main_->show();
}

void VantorApp::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  const bool write = state_.WriteBack();
  // Stop workers that wait on the network, so nothing below waits for them.
  state_.AbortRequested = true;
  if (editList_) editList_->Destroy();
  if (status_) status_->Destroy();
  if (main_) main_->FormDestroy();
  if (options_ && write) options_->Store();
  ctx_.api.CancelPendingCalls();
  if (main_) main_->SetStatusWindow(nullptr);
  editList_.reset();
  status_.reset();
  main_.reset();
  options_.reset();
}

int RunVantor(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(res::kAppTitle));
  QApplication::setApplicationDisplayName(QString::fromLatin1(res::kAppTitle));
  QApplication::setQuitOnLastWindowClosed(false);

  const QString helpFile = HelpFilePathFor(QCoreApplication::applicationFilePath());
  HelpViewer help(helpFile);
  QtMessageBoxes boxes([&help](int topic) { help.ShowTopic(topic); });

  std::unique_ptr<lan::NetApi> api;
  std::unique_ptr<store::Hive> hive;
  try {
    api = lan::CreateNetApiFromEnvironment();
    hive = store::OpenDefaultHive();
  } catch (const std::exception& e) {
    BoxRequest r;
    r.caption = QString::fromLatin1(res::kAppTitle);
    r.text = QString::fromStdString(e.what());
    boxes.Show(nullptr, r);
    std::cerr << "vantor: " << e.what() << "\n";
    return 1;
  }

  QStringList params = QCoreApplication::arguments();
  params.removeFirst();
  AppContext ctx{*api, *hive, boxes, help, DefaultClock(), helpFile, params};
  int rc = 0;
  {
    VantorApp vantor(ctx);
    bool running = false;
    try {
      running = vantor.Start();
    } catch (const std::exception& e) {
      boxes.Error(nullptr, QString::fromStdString(e.what()));
      vantor.state().listCounter = -1;
    }
    if (running) {
      vantor.Show();
      rc = QApplication::exec();
    }
    try {
      vantor.Shutdown();
    } catch (const std::exception& e) {
      boxes.Error(nullptr, QString::fromStdString(e.what()));
      rc = 1;
    }
  }
  return rc;
}

}  // namespace vantor::gui
