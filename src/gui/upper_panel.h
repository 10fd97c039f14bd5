#pragma once
// The upper panel: Net Items and Favourites on the left, Recipients and
// Servers on the right, and the three small buttons between them. The places
// follow fixed rules whenever the panel's size changes.

#include <QWidget>

class QTabWidget;
class QToolButton;

namespace vantor::gui {

class ItemView;

class UpperPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDesignHeight = 154;
  static constexpr int kMinHeight = 145;
  static constexpr int kMargin = 4;  // NetPage's left and top margin

  explicit UpperPanel(QWidget* parent = nullptr);

  QTabWidget* NetPage;
  QTabWidget* RecipPage;
  QToolButton* sbAddRecip;
  QToolButton* sbRemoveRecip;
  QToolButton* sbTypeRecip;

  // Places the page controls and the small buttons (FormResize, Splitter1Moved).
  void LayOut();

 protected:
  void resizeEvent(QResizeEvent* e) override;
};

}  // namespace vantor::gui
