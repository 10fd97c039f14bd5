#pragma once
// The windowed program's life: the options dialog first, then the main
// window's start-up, then the other windows; at the end the windows are
// destroyed in the reverse order, each writing its own state, the options
// dialog last.

#include "gui/app_context.h"

#include <memory>

namespace vantor::delivery {
class TStatus;
}

namespace vantor::gui {

class TEditList;
class TMain;
class TOptions;

class VantorApp {
 public:
  explicit VantorApp(AppContext ctx);
  ~VantorApp();

  // Runs start-up. False when the command line ended the program; the
  // windows that exist are still destroyed (without writing) by Shutdown.
  bool Start();
  // Shows the main window (after a successful Start).
  void Show();
  // Destroys the windows in reverse order of creation; each writes its state
  // unless the program ended during start-up. Safe to call twice.
  void Shutdown();

  AppContext& context() { return ctx_; }
  AppState& state() { return state_; }
  TOptions* options() { return options_.get(); }
  TMain* main() { return main_.get(); }
  delivery::TStatus* status() { return status_.get(); }
  TEditList* editList() { return editList_.get(); }

 private:
  AppContext ctx_;
  AppState state_;
  std::unique_ptr<TOptions> options_;
  std::unique_ptr<TMain> main_;
  std::unique_ptr<delivery::TStatus> status_;
  std::unique_ptr<TEditList> editList_;
  bool shutDown_ = false;
};

// The program: builds the context from the environment and runs the loop.
int RunVantor(int argc, char** argv);

}  // namespace vantor::gui
