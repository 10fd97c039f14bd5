// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tray_icon.h"

#include "gui/app_context.h"
#include "gui/image_list.h"
#include "gui/res_strings.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace vantor::gui {

namespace {
QString Text(const char* text) { return QString::fromLatin1(text); }
}  // namespace

TrayIcon::TrayIcon(QWidget& window, AppState& state, std::function<void()> exit)
    : QObject(&window), m_window(window), m_state(state), m_exit(std::move(exit)) {
  m_menu = new QMenu(&window);
  m_menu->setObjectName(QStringLiteral("TrayMenu"));
  m_minimise = m_menu->addAction(Text(res::kTrayMinimise));
  m_minimise->setObjectName(QStringLiteral("Minimise1"));
  m_minimise->setVisible(false);
  m_restore = m_menu->addAction(Text(res::kTrayRestore));
  m_restore->setObjectName(QStringLiteral("Open1"));
  m_menu->addSeparator();
  QAction* exitEntry = m_menu->addAction(Image(image::kExit), Text(res::kExitCaption));
  exitEntry->setObjectName(QStringLiteral("TrayExit1"));
  connect(m_minimise, &QAction::triggered, this, &TrayIcon::Minimise);
  connect(m_restore, &QAction::triggered, this, &TrayIcon::Restore);
  connect(exitEntry, &QAction::triggered, this, [this] { m_exit(); });

  m_icon = new QSystemTrayIcon(AppIcon(), this);
  m_icon->setObjectName(QStringLiteral("TrayIcon"));
  m_icon->setToolTip(Text(res::kTrayTip));
  m_icon->setContextMenu(m_menu);
  connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) Clicked();
  });
}

TrayIcon::~TrayIcon() { m_icon->hide(); }

void TrayIcon::Add() { m_icon->show(); }

void TrayIcon::Remove() {
  m_icon->hide();
  // Without the icon the task bar is the way back.
  if (m_offTaskBar) {
    m_offTaskBar = false;
    m_window.showMinimized();
  }
}

bool TrayIcon::InTray() const { return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::Clicked() {
  if (m_state.windowShown)
    Minimise();
  else
    Restore();
}

void TrayIcon::Minimise() { m_window.showMinimized(); }

void TrayIcon::Restore() {
  m_offTaskBar = false;
  m_window.showNormal();
  m_window.raise();
  m_window.activateWindow();
}

void TrayIcon::Minimized(bool trayOption) {
  m_state.windowShown = false;
  m_restore->setVisible(true);
  m_minimise->setVisible(false);
  // Off the task bar only while the icon can bring the window back.
  if (trayOption && InTray()) {
    m_offTaskBar = true;
    QTimer::singleShot(0, &m_window, [this] {
      if (m_offTaskBar) m_window.hide();
    });
  }
}

void TrayIcon::Restored(bool) {
  m_state.windowShown = true;
  m_minimise->setVisible(true);
  m_restore->setVisible(false);
}

}  // namespace vantor::gui
