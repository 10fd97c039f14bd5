// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/options_command.h"

#include "common/text.h"
#include "gui/app_context.h"
#include "gui/history_box.h"
#include "gui/net_browser.h"
#include "gui/options_dialog.h"
#include "gui/status_line.h"
#include "lan/directory.h"
#include "lan/net_api.h"

#include <QApplication>

namespace vantor::gui {

void OptionsCommand::Run() {
  const TOptions::Snapshot before = m_.options.Take();
  if (QWidget* owner = m_.options.parentWidget())
    m_.options.move(owner->geometry().center() - m_.options.rect().center());
  if (m_.options.exec() == QDialog::Accepted)
    Apply(before.scanDomain, before.alias);
  else
    m_.options.Restore(before);
  m_.status.UpdateSBar();
  m_.memoChanged();
}

void OptionsCommand::Apply(bool scannedBefore, const QString& oldAlias) {
  // The old alias leaves this computer's message names (the send command
  // registers the current one again); the own names are never removed.
  const std::string old = oldAlias.toStdString();
  if (old != AsciiUpper(m_.state.LocalComputerName) && old != AsciiUpper(m_.state.LocalUserName))
    m_.api.NetMessageNameDel({}, old);
  m_.options.AliasBox().UpdateHistory();
  if (m_.options.ScanDomain()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    if (!scannedBefore) {
      m_.state.DomainControllerName.clear();
      m_.state.PrimaryDomainName.clear();
      m_.state.DomainControllerName = lan::GetDomainControllerName(m_.api, m_.state.PrimaryDomainName);
      m_.state.PrimaryDomainName = lan::GetPrimaryDomainName(m_.api);
      m_.browser.FillServerView();
    }
  } else {
    m_.state.DomainControllerName.clear();
    m_.state.PrimaryDomainName.clear();
  }
  m_.browser.SetActiveOnlyCommands(false);
  m_.browser.Refresh();
  if (m_.options.ScanDomain()) QApplication::restoreOverrideCursor();
  QCoreApplication::processEvents();
  m_.setHints(m_.options.Tooltips());
}

}  // namespace vantor::gui

