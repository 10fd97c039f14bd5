// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/status_line.h"

#include "common/text.h"
#include "gui/app_context.h"
#include "gui/item_view.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/upper_panel.h"
#include "lan/directory.h"

#include <QApplication>
#include <QLabel>

namespace vantor::gui {

StatusLine::StatusLine(QLabel& label, const MainViews& views, lan::NetApi& api, const AppState& state,
                       const TOptions& options)
    : m_label(label), m_views(views), m_api(api), m_state(state), m_options(options) {}

void StatusLine::Show(const QString& text) { m_label.setText(QStringLiteral("  ") + text); }

QString StatusLine::Text() const { return m_label.text(); }

void StatusLine::UpdateSBar() {
  auto count = [](const ItemView& v) { return std::to_string(v.itemModel().Count()); };
  Show(QString::fromStdString(
      Format(res::kCounts, {count(m_views.net), count(m_views.fav), count(m_views.recip), count(m_views.srv)})));
}

template <typename Lookup>
QString StatusLine::LookUp(Lookup lookup) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString result = QString::fromStdString(lookup());
  QCoreApplication::processEvents();
  QApplication::restoreOverrideCursor();
  return result;
}

void StatusLine::ItemDetails(const ItemView& view) {
  const ItemRow* row = view.SingleSelectedRow();
  if (!row) return;
  if (!m_options.DisplayExtra() || (row->kind != kUserKind && row->kind != kComputerKind)) {
    UpdateSBar();
    return;
  }
  const std::string name = row->name.toStdString();
  QString detail;
  if (row->kind == kComputerKind) {
    detail = LookUp([&] { return lan::GetHostAddress(m_api, name); });
    if (detail.isEmpty() && &view == &m_views.net) detail = QString::fromLatin1(res::kNoIpAddress);
  } else {
    detail = LookUp([&] { return lan::GetUserFullName(m_api, name, m_state.DomainControllerName); });
  }
  Show(QString::fromStdString(name) + QStringLiteral(": ") + detail);
}

void StatusLine::ServerDetails() {
  const std::vector<int> rows = m_views.srv.SelectedRows();
  if (rows.empty() || !m_options.DisplayExtra()) {
    UpdateSBar();
    return;
  }
  const QString name = m_views.srv.itemModel().Row(rows.front()).name;
  const QString address = LookUp([&] { return lan::GetHostAddress(m_api, name.toStdString()); });
  Show(name + QStringLiteral(": ") + address);
}

}  // namespace vantor::gui
