// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recipients and favourites: how rows move between Net Items, Favourites and
// Recipients (buttons, menus, keys, double clicks, drag and drop), which
// commands each selection enables, what the context menu and the Edit menu
// offer, and when the message can be sent.
//
// Duplicates: a row joins Recipients or Favourites only when no row there
// has the same name (ignoring case, whatever the kind); typed-in rows are
// not checked. Favourites stay sorted; Recipients keep the order in which
// rows were added until a header click.

#include <functional>

class QWidget;

namespace vantor::gui {

class ItemView;
class MainCommands;
struct MainViews;
class MessageTab;
class StatusLine;
class TTypeRecip;

class Recipients {
 public:
  // What started a click handling: the view of that name, or anything else
  // (a button, a menu entry, a tab change, the active-only toggle).
  enum class Source { NetView, FavView, RecipView, Other };

  struct Deps {
    const MainViews& views;
    MainCommands& commands;
    StatusLine& status;
    MessageTab& message;
    std::function<void()> netViewClick;  // the Net Items click handling
    std::function<TTypeRecip*()> typeIn;  // the type-in dialog, once it exists
  };

  explicit Recipients(const Deps& deps) : m_(deps) {}

  void AddBtnClick();
  void FavViewDblClick();
  void DelBtnClick();
  void tbAddFavClick();
  void tbDelFavClick(Source source);
  void sbTypeRecipClick();
  void Typeinafavourite1Click();

  void FavViewClick(Source source);
  void RecipViewClick(Source source);
  void RecipPageChange();
  void Memo1Change();
  // Sets the context menu's entries for the view it opens on.
  void PopupMenu1Popup(const ItemView& view);
  void Edit1Click();

  // Rows dragged from source were dropped on target.
  void RowsDropped(const ItemView& target, const QWidget* source);

 private:
  // Copies the source's selected rows that the target lacks to the target's
  // end; unselects each copied row when asked. Returns how many were copied.
  int CopySelected(ItemView& source, ItemView& target, bool unselectCopied);
  void AddToRecipientsFrom(ItemView& source);
  void AddFavourite(ItemView& source);
  // The type-in dialog for a recipient or a favourite, and the row it gives.
  void TypeIn(bool recipient);
  // The context menu shows Edit List and Delete List for a single list row.
  void ShowListCommands(const ItemView& view);
  bool MessageEmpty() const;

  Deps m_;
};

}  // namespace vantor::gui
