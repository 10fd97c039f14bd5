// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Send command: the message in the message box, followed by the
// signature, to every item of the Recipients view. It checks the two length
// limits, stores the message if asked, shows the status window, asks the
// checked servers for active sessions, registers the sender alias, hands
// each recipient to the dispatcher and closes the log with a summary line.
// Everything runs on the interface thread, which processes its events
// inside the long steps so that the status window's Cancel works.

#include <functional>
#include <string>

class QWidget;

namespace vantor::delivery {
class SessionQuery;
class TStatus;
}  // namespace vantor::delivery
namespace vantor::lan {
class CallAhead;
class NetApi;
}  // namespace vantor::lan
namespace vantor::store {
class Hive;
}

namespace vantor::gui {

struct AppState;
class InputGate;
class MainCommands;
struct MainViews;
class MessageBoxes;
class MessageTab;
class StatusLine;
class TOptions;

class SendCommand {
 public:
  struct Deps {
    lan::NetApi& api;
    lan::CallAhead& ahead;  // for a group's next message
    store::Hive& hive;
    MessageBoxes& boxes;
    QWidget& window;  // the parent of its boxes
    AppState& state;
    TOptions& options;
    const MainViews& views;
    MainCommands& commands;
    StatusLine& status;
    InputGate& input;
    delivery::SessionQuery& query;
    MessageTab& message;
    std::function<delivery::TStatus*()> statusWindow;  // once it exists
    // Stores the current message among the saved messages.
    std::function<void()> storeMessage;
  };

  explicit SendCommand(const Deps& deps) : m_(deps) {}

  // SendBtnClick.
  void Run();

 private:
  // The two length checks; true when the message may be sent.
  bool WithinLimits(std::size_t length);
  // Asks whether to cut the message box's text by excess characters, and
  // cuts it on Yes.
  void OfferCut(const char* question, long long excess);
  void RegisterAlias(delivery::TStatus& log);
  void SendToRecipients(delivery::TStatus& log, const std::u16string& text);
  std::string CodePage() const;

  Deps m_;
};

}  // namespace vantor::gui
