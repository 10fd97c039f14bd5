#pragma once
// The network browser: fills Net Items (lists, domains, users, PCs and
// servers, groups) and the Servers view, shows only active items on demand,
// and keeps the commands' states in step with the Net Items selection.

#include <QString>

#include <cstdint>

namespace vantor::gui {

class TMain;

class NetBrowser {
 public:
  explicit NetBrowser(TMain& main) : m_(main) {}

  // NetRefreshBtnClick: refills Net Items.
  void Refresh();
  // tbActiveOnlyClick: inverts the active-only display and refreshes.
  void ActiveOnlyToggle();
  // The active-only button and menu entry as the options say.
  void SetActiveOnlyCommand(bool atStartUp);
  // FillServerView: the servers that may be queried, checked as stored.
  void FillServerView();
  // The servers of the Servers view for a session query, in view order.
  void NetViewClick();
  void SrvViewClick();
  void NetPageChange();

  // How many rows the last refresh examined, by kind (tests check that a
  // continued enumeration examines every entry exactly once).
  std::uint64_t examinedUsers() const { return examinedUsers_; }

 private:
  // Lets the window repaint while it is disabled, at most every few
  // milliseconds so that thousands of rows stay fast.
  void Pump();

  TMain& m_;
  std::uint64_t examinedUsers_ = 0;
  std::int64_t lastPumpMs_ = 0;
};

}  // namespace vantor::gui
