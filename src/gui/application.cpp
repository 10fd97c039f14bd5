// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/application.h"

#include "common/clock.h"
#include "common/version.h"
#include "delivery/status_window.h"
#include "gui/about_box.h"
#include "gui/edit_list_window.h"
#include "gui/file_dialogs.h"
#include "gui/help.h"
#include "gui/main_window.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/type_in_dialog.h"
#include "lan/backend.h"
#include "store/hive.h"

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <iostream>
#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vantor::gui {

namespace {

// Runs one step of the end of the run; a store error is kept and the next
// step runs all the same.
template <typename Step>
void Guarded(QStringList& failures, Step step) {
  try {
    step();
  } catch (const std::exception& e) {
    failures.append(QString::fromStdString(e.what()));
  }
}

}  // namespace

VantorApp::VantorApp(AppContext ctx) : m_ctx(std::move(ctx)) {}

VantorApp::~VantorApp() {
  try {
    Shutdown();
  } catch (...) {
  }
}

bool VantorApp::Start() {
  auto showHelp = [this](int topic) { m_ctx.help.ShowTopic(topic); };
  // The tray box acts on the main window's icon, once there is one.
  auto trayToggled = [this](bool on) {
    if (m_main) m_main->TrayOptionToggled(on);
  };
  m_options = std::make_unique<TOptions>(m_ctx.hive, trayToggled, showHelp);
  m_main = std::make_unique<TMain>(m_ctx, m_state, *m_options);
  m_options->setParent(m_main.get(), m_options->windowFlags());
  const bool running = m_main->FormCreate();
  auto writeBack = [this] { return m_state.WriteBack(); };
  delivery::TStatus::Hooks hooks{[this] { m_main->EnableInput(); }, showHelp, writeBack};
  m_status = std::make_unique<delivery::TStatus>(m_ctx.hive, m_state.AbortRequested, m_ctx.clock, hooks);
  m_main->AttachStatusWindow(m_status.get());
  TMain* main = m_main.get();
  m_editList = std::make_unique<TEditList>(
      TEditList::Deps{m_ctx.hive, m_ctx.boxes, main->Views(), writeBack, showHelp, [main] { main->UpdateCounts(); }},
      main);
  m_main->AttachListEditor(m_editList.get());
  m_about = std::make_unique<TAbout>(main);
  m_main->AttachAboutBox(m_about.get());
  m_typeIn = std::make_unique<TTypeRecip>(main);
  m_main->AttachTypeInDialog(m_typeIn.get());
  return running;
}

void VantorApp::Show() {
  if (m_main) m_main->show();
}

QStringList VantorApp::WriteState() {
  QStringList failures;
  if (!m_state.WriteBack()) return failures;
  // Running session queries stop at their next check.
  m_state.AbortRequested = true;
  if (m_editList) Guarded(failures, [&] { m_editList->Destroy(); });
  if (m_status) Guarded(failures, [&] { m_status->Destroy(); });
  if (m_main) Guarded(failures, [&] { m_main->FormDestroy(); });
  if (m_options) Guarded(failures, [&] { m_options->Store(); });
  return failures;
}

QStringList VantorApp::Shutdown() {
  if (m_shutDown) return {};
  m_shutDown = true;
  const QStringList failures = WriteState();
  // Workers still waiting on the network give up now, so that nothing below
  // waits for them.
  m_state.AbortRequested = true;
  m_ctx.api.CancelPendingCalls();
  if (m_main) {
    m_main->AttachTypeInDialog(nullptr);
    m_main->AttachAboutBox(nullptr);
    m_main->AttachListEditor(nullptr);
    m_main->AttachStatusWindow(nullptr);
  }
  m_typeIn.reset();
  m_about.reset();
  m_editList.reset();
  m_status.reset();
  // The options dialog lives on after the main window (it writes last).
  if (m_options) m_options->setParent(nullptr);
  m_main.reset();
  m_options.reset();
  return failures;
}

QStringList ProgramParameters(int argc, char** argv) {
  QStringList params;
  for (int i = 1; i < argc; ++i) params.append(QString::fromLocal8Bit(argv[i]));
  return params;
}

namespace {

// Set on the interface thread once such a signal is read: a signal that comes
// while start-up waits in a box still ends the run.
bool g_endRequested = false;

#ifndef _WIN32
// SIGTERM, SIGINT and SIGHUP end the run as the Exit command does: the
// handler only writes a byte; the event loop reads it and quits, and the
// windows then write their state as usual.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void CatchEndSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

void QuitOnSignals(QObject* owner) {
  if (g_signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &byte, 1);
    notifier->setEnabled(false);
    g_endRequested = true;
    // Boxes and dialogs that wait (also during start-up, before the main
    // loop runs) give up as with Cancel.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
    QCoreApplication::quit();
  });
}
#else
// Windows ends a windowed program through the session manager's messages,
// which Qt already turns into commitDataRequest and a normal quit.
void CatchEndSignals() {}
void QuitOnSignals(QObject*) {}
#endif

// --version and --help (or -h), alone on the command line, are answered on
// standard output without a window, so that they work without a display.
// Returns true when the parameter was one of them.
bool AnswerInfoOption(const QStringList& params) {
  if (params.size() != 1) return false;
  const QString& p = params.front();
  if (p == QLatin1String(res::kVersionOption)) {
    std::cout << "vantor " << kVersion << '\n' << std::flush;
    return true;
  }
  for (const char* option : res::kUsageOptions) {
    if (p == QLatin1String(option)) {
      std::cout << res::kUsage << std::flush;
      return true;
    }
  }
  return false;
}

void ReportFailures(MessageBoxes& boxes, const QStringList& failures) {
  for (const QString& f : failures) {
    std::cerr << "vantor: " << f.toStdString() << "\n";
    boxes.Error(nullptr, f);
  }
}

}  // namespace

int RunVantor(int argc, char** argv) {
  const QStringList params = ProgramParameters(argc, argv);
  if (AnswerInfoOption(params)) return 0;
  CatchEndSignals();
  // The toolkit sees only the program's name: "-style" or "-reverse" are not
  // this program's parameters, and are refused below like any other.
  static int qtArgc = 1;
  static char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QString::fromLatin1(res::kAppTitle));
  QApplication::setQuitOnLastWindowClosed(false);
  QuitOnSignals(&app);

  const QString helpFile = HelpFilePathFor(QCoreApplication::applicationFilePath());
  HelpViewer help(helpFile);
  QtFileDialogs files([&help](int topic) { help.ShowTopic(topic); });
  QtMessageBoxes boxes([&help](int topic) { help.ShowTopic(topic); }, [](const BoxRequest& r) {
    // Errors also go to standard error, for whoever started the program.
    if (r.kind == BoxKind::Error) std::cerr << "vantor: " << r.text.toStdString() << "\n";
  });

  std::unique_ptr<lan::NetApi> api;
  std::unique_ptr<store::Hive> hive;
  try {
    api = lan::CreateNetApiFromEnvironment();
    hive = store::OpenDefaultHive();
  } catch (const std::exception& e) {
    boxes.Error(nullptr, QString::fromStdString(e.what()));
    return 1;
  }

  SystemClock clock;
  AppContext ctx{*api, *hive, boxes, files, help, clock, helpFile, params};
  int rc = 0;
  VantorApp vantor(ctx);
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&](QSessionManager&) {
    // The desktop session is ending: the state is kept now, as on Exit.
    ReportFailures(boxes, vantor.WriteState());
  });
  bool running = false;
  try {
    running = vantor.Start();
  } catch (const std::exception& e) {
    boxes.Error(nullptr, QString::fromStdString(e.what()));
    vantor.state().listCounter = -1;
    rc = 1;
  }
  if (running && !g_endRequested) {
    vantor.Show();
    rc = QApplication::exec();
  } else if (!params.isEmpty() && vantor.state().listCounter == -1 && rc == 0) {
    // "/CLEAR" and "/?" end the program as asked; anything else was refused.
    const QString p = params.front();
    const bool done = params.size() == 1 && (p.compare(QString::fromLatin1(res::kClearParameter),
                                                       Qt::CaseInsensitive) == 0 ||
                                             p == QString::fromLatin1(res::kHelpParameter));
    rc = done ? 0 : 2;
  }
  const QStringList failures = vantor.Shutdown();
  ReportFailures(boxes, failures);
  if (!failures.isEmpty()) rc = 1;
  return rc;
}

}  // namespace vantor::gui
