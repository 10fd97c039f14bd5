// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The icon in the desktop's notification area: while the tray option is on
// the program shows it there, and minimising then takes the window off the
// task bar, so that the icon is the way back. A left click minimises or
// restores; a right click opens a menu with Minimise or Restore, and Exit.
// Where the desktop has no notification area the program works without
// the icon and keeps its task-bar entry.

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace vantor::gui {

struct AppState;

class TrayIcon : public QObject {
  Q_OBJECT
 public:
  // exit runs the program's Exit command.
  TrayIcon(QWidget& window, AppState& state, std::function<void()> exit);
  ~TrayIcon() override;

  void Add();
  void Remove();
  // True while the icon stands in a notification area.
  bool InTray() const;

  // The window was minimised or restored (AppMinimized, AppRestored);
  // trayOption is the tray option's state.
  void Minimized(bool trayOption);
  void Restored(bool trayOption);

  void Minimise();  // Minimise1Click
  void Restore();   // OpenClick

 private:
  void Clicked();

  QWidget& m_window;
  AppState& m_state;
  std::function<void()> m_exit;
  QMenu* m_menu;
  QAction* m_minimise;
  QAction* m_restore;
  QSystemTrayIcon* m_icon;
  bool m_offTaskBar = false;
};

}  // namespace vantor::gui
