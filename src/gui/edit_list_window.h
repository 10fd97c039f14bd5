// SPDX-License-Identifier: GPL-3.0-or-later
// TEditList, the list editor: one window for the whole run, shown without
// blocking the main window, in which the user names a recipient list and
// chooses its members from a copy of Net Items. Lists are read and written
// only through the lists store; after a save the main window's Net Items,
// Favourites and Recipients show the list's new count at once.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class ItemView;
struct MainViews;
class MessageBoxes;

class TEditList : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDesignLeft = 492, kDesignTop = 30, kDesignWidth = 436, kDesignHeight = 365;
  static constexpr int kMinWidth = 436, kMinHeight = 300;

  struct Deps {
    store::Hive& hive;
    MessageBoxes& boxes;
    const MainViews& views;              // the main window's views
    std::function<bool()> writeBack;     // false while the program ends during start-up
    std::function<void(int)> showHelp;   // opens a help topic
    std::function<void()> updateCounts;  // the main window's UpdateSBar
  };

  explicit TEditList(const Deps& deps, QWidget* parent = nullptr);
  ~TEditList() override;

  // The main window's commands. counter is the list counter, which names new
  // lists and moves on when one is begun.
  void NewList(std::int32_t& counter);
  void EditList(std::int32_t& counter);
  // FormDestroy: writes the window's place and size.
  void Destroy();

 protected:
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void BuildUi();
  void LayOut(bool atCreation);
  void RefillNetView();
  // Replaces the members with those rows of the view (all, or the selected
  // ones) that may be members.
  void SeedFrom(const ItemView& view, bool selectedOnly);
  void AddMember(const struct ItemRow& row);
  void ApplySaveRule();
  void ShowFor(std::int32_t& counter, bool newList);
  void sbListAddClick();
  void DelRowBtnClick();
  void MemberViewDragDrop(const QWidget* source);
  void SaveBtnClick();
  void UpdateMainViews(const QString& name, int count);

  Deps m_;
  QLabel* m_nameLabel;
  QLineEdit* m_name;
  QLabel* m_netLabel;
  ItemView* m_net;
  QLabel* m_membersLabel;
  ItemView* m_members;
  QToolButton* m_add;
  QToolButton* m_remove;
  QPushButton* m_save;
  QPushButton* m_cancel;
  QWidget* m_panel;
};

}  // namespace vantor::gui
