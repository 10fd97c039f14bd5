// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The File menu's export and import commands: the recipient lists and the
// saved messages to and from files in the form of registry scripts, in the
// Windows code page that other installations write.

#include <functional>

class QWidget;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class FileDialogs;
class MessageBoxes;
class SavedMessagesCommands;

class TransferCommands {
 public:
  struct Deps {
    store::Hive& hive;
    MessageBoxes& boxes;
    FileDialogs& files;
    QWidget& window;
    SavedMessagesCommands& saved;
    std::function<void()> refreshNetItems;      // the Net Items refresh
    std::function<void()> recipientsClicked;    // the Recipients click handling
    std::function<void()> showSavedMessages;    // makes the Saved messages tab visible
  };

  explicit TransferCommands(const Deps& deps) : m_(deps) {}

  void ExportLists1Click();
  void ImportLists1Click();
  void ExportMessages1Click();
  void ImportMessages1Click();

 private:
  void Export(bool lists);

  Deps m_;
};

}  // namespace vantor::gui
