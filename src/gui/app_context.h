// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the windowed program is given to run with. The real program fills it
// from the environment; tests fill it with a simulated network, a private
// store and boxes answered in advance.

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <string>

namespace vantor {
class Clock;
}
namespace vantor::lan {
class NetApi;
}
namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class FileDialogs;
class HelpService;
class MessageBoxes;

struct AppContext {
  lan::NetApi& api;
  store::Hive& hive;
  MessageBoxes& boxes;
  FileDialogs& files;
  HelpService& help;
  const Clock& clock;
  QString helpFile;        // the help file's path (it may not exist)
  QStringList parameters;  // the command line without the program's name
};

// Program-wide values owned by the main window's unit.
struct AppState {
  // The list counter: next number for default list names; 0 = never run
  // before; -1 = the program is ending during start-up (nothing is written).
  std::int32_t listCounter = 0;
  std::string LocalComputerName;
  std::string LocalUserName;
  std::string PrimaryDomainName;
  std::string DomainControllerName;
  bool windowShown = false;
  // AbortRequested: asks every running loop to stop. Read by worker threads.
  std::atomic<bool> AbortRequested{false};

  bool WriteBack() const { return listCounter != -1; }
};

// The main window's DisableInput and EnableInput, for the behaviours that
// bracket long work with them.
class InputGate {
 public:
  // Disables the whole main window and shows the busy cursor.
  virtual void DisableInput() = 0;
  // DisableInput for work that calls EnableInput before it returns: the busy
  // cursor shows at once, the window is disabled as soon as any event is
  // about to be processed. Work that processes none (a refresh of a few
  // thousand rows) then spares every control two changes of state and the
  // repaint between them, and nothing could have reached the window anyway.
  virtual void DisableInputWhileBusy() = 0;
  // Restores the default cursor and enables the main window.
  virtual void EnableInput() = 0;

 protected:
  ~InputGate() = default;
};

}  // namespace vantor::gui
