#pragma once
// TEditList, the list editor: one window for the whole run, shown without
// blocking the main window. It keeps its place and size in the store.

#include <QWidget>

#include <functional>

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class TEditList : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDesignLeft = 492, kDesignTop = 30, kDesignWidth = 436, kDesignHeight = 365;

  // writeBack: false while the program ends during start-up.
  TEditList(store::Hive& hive, std::function<bool()> writeBack, QWidget* parent = nullptr);
  // FormDestroy: writes the geometry.
  void Destroy();

 private:
  store::Hive& m_hive;
  std::function<bool()> m_writeBack;
};

}  // namespace vantor::gui
