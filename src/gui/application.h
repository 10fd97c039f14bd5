// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windowed program's life: the options dialog first, then the main
// window's start-up, then the other windows; at the end the windows write
// their state and are destroyed in the reverse order of their creation, the
// options dialog last.

#include "gui/app_context.h"

#include <QStringList>

#include <memory>

namespace vantor::delivery {
class TStatus;
}

namespace vantor::gui {

class TAbout;
class TEditList;
class TMain;
class TOptions;
class TTypeRecip;

class VantorApp {
 public:
  explicit VantorApp(AppContext ctx);
  ~VantorApp();
  VantorApp(const VantorApp&) = delete;
  VantorApp& operator=(const VantorApp&) = delete;

  // Runs start-up. False when the command line ended the program; the
  // windows that exist are still destroyed (without writing) by Shutdown.
  bool Start();
  // Shows the main window (after a successful Start).
  void Show();
  // Every window writes its state, as at the end of the run (nothing while
  // the program ends during start-up). A window whose write fails does not
  // keep the others from writing; the failures are given back, one text
  // each.
  QStringList WriteState();
  // WriteState, then cancels the network calls still waiting and destroys
  // the windows in reverse order of creation. Runs once; later calls give
  // nothing.
  QStringList Shutdown();

  AppState& state() { return m_state; }
  TMain* main() { return m_main.get(); }
  TOptions* options() { return m_options.get(); }
  delivery::TStatus* status() { return m_status.get(); }

 private:
  AppContext m_ctx;
  AppState m_state;
  std::unique_ptr<TOptions> m_options;
  std::unique_ptr<TMain> m_main;
  std::unique_ptr<delivery::TStatus> m_status;
  std::unique_ptr<TEditList> m_editList;
  std::unique_ptr<TAbout> m_about;
  std::unique_ptr<TTypeRecip> m_typeIn;
  bool m_shutDown = false;
};

// The program's parameters: argv without the program's name, untouched by
// the toolkit (its own options are not the program's).
QStringList ProgramParameters(int argc, char** argv);

// The program: builds the context from the environment and runs the loop.
int RunVantor(int argc, char** argv);

}  // namespace vantor::gui
