// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The upper panel: Net Items and Favourites on the left, Recipients and
// Servers on the right, and the three small buttons between them. The places
// follow fixed rules whenever the panel's size changes.

#include <QWidget>

class QTabWidget;
class QToolButton;

namespace vantor::gui {

class ItemView;

// The four item views and the page controls that hold them: what the main
// window's behaviour classes work on.
struct MainViews {
  ItemView& net;
  ItemView& fav;
  ItemView& recip;
  ItemView& srv;
  QTabWidget& netPage;    // "&Net Items", "&Favourites"
  QTabWidget& recipPage;  // "&Recipients", "Ser&vers"

  bool FavouritesShowing() const;
  bool RecipientsShowing() const;
};

class UpperPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDesignHeight = 154;
  static constexpr int kMinHeight = 145;
  static constexpr int kMargin = 4;  // NetPage's left and top margin

  explicit UpperPanel(QWidget* parent = nullptr);

  const MainViews& Views() const { return m_views; }
  QToolButton& AddRecipientButton() const { return *m_addRecipient; }
  QToolButton& RemoveRecipientButton() const { return *m_removeRecipient; }
  QToolButton& TypeRecipientButton() const { return *m_typeRecipient; }

  // Places the page controls and the small buttons (FormResize, Splitter1Moved).
  void LayOut();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  QTabWidget* m_netPage;
  QTabWidget* m_recipPage;
  QToolButton* m_addRecipient;
  QToolButton* m_removeRecipient;
  QToolButton* m_typeRecipient;
  MainViews m_views;
};

}  // namespace vantor::gui
