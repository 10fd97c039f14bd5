// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's status line: every text it shows begins with two
// spaces. It shows the row counts of the four views, or the details of a
// single selected row (a computer's address, a user's full name) when the
// option asks for them.

#include <QString>

class QLabel;

namespace vantor::lan {
class NetApi;
}

namespace vantor::gui {

struct AppState;
class ItemView;
class TOptions;
struct MainViews;

class StatusLine {
 public:
  StatusLine(QLabel& label, const MainViews& views, lan::NetApi& api, const AppState& state,
             const TOptions& options);

  void Show(const QString& text);
  QString Text() const;

  // UpdateSBar: the counts of Net Items, Favourites, Recipients and Servers.
  void UpdateSBar();
  // The details of the view's single selected row; the counts when the
  // option is off or the row is neither a user nor a computer.
  void ItemDetails(const ItemView& view);
  // The Servers view: the selected server's address when the option is on.
  void ServerDetails();

 private:
  // Runs a network look-up under the busy cursor, letting the window repaint
  // once afterwards.
  template <typename Lookup>
  QString LookUp(Lookup lookup);

  QLabel& m_label;
  const MainViews& m_views;
  lan::NetApi& m_api;
  const AppState& m_state;
  const TOptions& m_options;
};

}  // namespace vantor::gui
