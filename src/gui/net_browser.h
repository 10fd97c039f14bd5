// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network browser: fills Net Items (lists, domains, users, PCs and
// servers, groups) and the Servers view, shows only active items on demand,
// and keeps the commands' states in step with the Net Items selection.

#include <QString>

#include <cstdint>
#include <string>

class QWidget;

namespace vantor::delivery {
class SessionQuery;
}
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
class StatusLine;
class TOptions;

// The comment of a stored list's row: the member count text followed by
// " Item", with "s" unless that makes "1 Item".
QString ListComment(const std::string& count);

class NetBrowser {
 public:
  struct Deps {
    lan::NetApi& api;
    lan::CallAhead& ahead;  // for the enumerations' next batches
    store::Hive& hive;
    MessageBoxes& boxes;
    QWidget& window;  // the parent of its message boxes
    AppState& state;
    TOptions& options;
    const MainViews& views;
    MainCommands& commands;
    StatusLine& status;
    InputGate& input;
    delivery::SessionQuery& query;
  };

  explicit NetBrowser(const Deps& deps) : m_(deps) {}

  // NetRefreshBtnClick: refills Net Items.
  void Refresh();
  // tbActiveOnlyClick: inverts the active-only display and refreshes.
  void ActiveOnlyToggle();
  // The active-only tool button and menu entry as the options say.
  void SetActiveOnlyCommands(bool atStartUp);
  // FillServerView: the servers that may be queried, checked as stored.
  void FillServerView();
  void NetViewClick();
  void SrvViewClick();

 private:
  Deps m_;
};

}  // namespace vantor::gui
