// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's list commands: New list and Edit list open the list
// editor; Delete list removes the chosen list from the store and from the
// three views at once, without a question.

#include <functional>

class QWidget;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

struct AppState;
class MainCommands;
struct MainViews;
class MessageBoxes;
class StatusLine;
class TEditList;

class ListCommands {
 public:
  struct Deps {
    store::Hive& hive;
    MessageBoxes& boxes;
    QWidget& window;
    AppState& state;
    const MainViews& views;
    MainCommands& commands;
    StatusLine& status;
    std::function<TEditList*()> editor;  // once it exists
  };

  explicit ListCommands(const Deps& deps) : m_(deps) {}

  void tbMakeListClick();
  void EditlistBtnClick();
  void DelListBtnClick();

 private:
  Deps m_;
};

}  // namespace vantor::gui
