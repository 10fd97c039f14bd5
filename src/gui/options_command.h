// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Options command: shows the options dialog and applies what it says to
// the running program (on OK), or gives every control back its state (on
// Cancel).

#include <QString>

#include <functional>

namespace vantor::lan {
class NetApi;
}

namespace vantor::gui {

struct AppState;
class NetBrowser;
class StatusLine;
class TOptions;

class OptionsCommand {
 public:
  struct Deps {
    TOptions& options;
    AppState& state;
    lan::NetApi& api;
    NetBrowser& browser;
    StatusLine& status;
    std::function<void(bool)> setHints;  // the item views' hints on or off
    std::function<void()> memoChanged;   // the message-text rule for Send
  };

  explicit OptionsCommand(const Deps& deps) : m_(deps) {}

  // Options1Click.
  void Run();

 private:
  void Apply(bool scannedBefore, const QString& oldAlias);

  Deps m_;
};

}  // namespace vantor::gui
