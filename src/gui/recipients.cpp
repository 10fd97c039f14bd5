// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/recipients.h"

#include "common/recipient.h"
#include "gui/event_pump.h"
#include "gui/item_view.h"
#include "gui/main_commands.h"
#include "gui/message_area.h"
#include "gui/res_strings.h"
#include "gui/status_line.h"
#include "gui/type_in_dialog.h"
#include "gui/upper_panel.h"

#include <QApplication>
#include <QSet>
#include <QTabWidget>

namespace vantor::gui {

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

// The busy cursor for the length of a scope.
struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Adds the name to the set; false when a name equal to it, ignoring case,
// is there already.
bool Insert(QSet<QString>& names, const QString& name) {
  const qsizetype before = names.size();
  names.insert(name.toCaseFolded());
  return names.size() != before;
}

bool IsSingleList(const ItemView& view) {
  const ItemRow* row = view.SingleSelectedRow();
  return row && row->kind == kListKind;
}

}  // namespace

bool Recipients::MessageEmpty() const { return m_.message.Text().isEmpty(); }

int Recipients::CopySelected(ItemView& source, ItemView& target, bool unselectCopied) {
  ItemModel& to = target.itemModel();
  QSet<QString> present;
  for (const ItemRow& r : to.Rows()) present.insert(r.name.toCaseFolded());
  int copied = 0;
  for (int row : source.SelectedRows()) {
    const ItemRow& r = source.itemModel().Row(row);
    if (!Insert(present, r.name)) continue;
    to.Append(r);
    ++copied;
    if (unselectCopied) source.SelectRow(row, false);
    PumpEvents();
  }
  return copied;
}

void Recipients::AddToRecipientsFrom(ItemView& source) {
  m_.views.recipPage.setCurrentWidget(&m_.views.recip);
  BusyCursor busy;
  m_.status.Show(Text(res::kAddingRecipients));
  ItemModel& recip = m_.views.recip.itemModel();
  recip.BeginUpdate();
  CopySelected(source, m_.views.recip, false);
  recip.EndUpdate(false);
}

void Recipients::AddBtnClick() {
  const bool fromFavourites = m_.views.FavouritesShowing();
  ItemView& source = fromFavourites ? m_.views.fav : m_.views.net;
  if (source.SelectedCount() > 0) AddToRecipientsFrom(source);
  if (fromFavourites)
    FavViewClick(Source::Other);
  else
    m_.netViewClick();
  RecipViewClick(Source::NetView);
  m_.status.UpdateSBar();
}

void Recipients::FavViewDblClick() {
  if (m_.views.fav.SelectedCount() > 0) AddToRecipientsFrom(m_.views.fav);
  FavViewClick(Source::FavView);
  RecipViewClick(Source::FavView);
  m_.status.UpdateSBar();
}

void Recipients::DelBtnClick() {
  ItemView& recip = m_.views.recip;
  if (recip.SelectedCount() > 0) {
    BusyCursor busy;
    m_.status.Show(Text(res::kRemovingRecipients));
    recip.itemModel().RemoveRows(recip.SelectedRows());
  }
  RecipViewClick(Source::RecipView);
  m_.status.UpdateSBar();
}

void Recipients::AddFavourite(ItemView& source) {
  ItemModel& fav = m_.views.fav.itemModel();
  BusyCursor busy;
  m_.status.Show(Text(res::kAddingFavourites));
  fav.BeginUpdate();
  CopySelected(source, m_.views.fav, true);
  fav.EndUpdate(true);
}

void Recipients::tbAddFavClick() {
  if (m_.views.net.SelectedCount() > 0) {
    AddFavourite(m_.views.net);
  } else if (m_.views.recip.SelectedCount() > 0) {
    AddFavourite(m_.views.recip);
  } else if (TTypeRecip* dialog = m_.typeIn()) {
    // Nothing selected anywhere: the favourite is typed in, with the
    // dialog's texts as its last use left them.
    if (auto row = dialog->AskAsIs()) m_.views.fav.itemModel().Append(*row);
  }
  m_.status.UpdateSBar();
}

void Recipients::tbDelFavClick(Source source) {
  ItemView& fav = m_.views.fav;
  if (fav.SelectedCount() > 0) {
    BusyCursor busy;
    m_.status.Show(Text(res::kRemovingFavourites));
    fav.itemModel().BeginUpdate();
    fav.itemModel().RemoveRows(fav.SelectedRows());
    fav.itemModel().EndUpdate(true);
  }
  FavViewClick(source);
  m_.status.UpdateSBar();
}

void Recipients::TypeIn(bool recipient) {
  TTypeRecip* dialog = m_.typeIn();
  if (!dialog) return;
  if (auto row = dialog->Ask(recipient ? TTypeRecip::Purpose::Recipient : TTypeRecip::Purpose::Favourite))
    (recipient ? m_.views.recip : m_.views.fav).itemModel().Append(*row);
  const bool canSend = !MessageEmpty() && m_.views.recip.itemModel().Count() > 0;
  m_.commands.SetEnabled(Command::SendButton, canSend);
  m_.commands.SetEnabled(Command::SaveMessage, canSend);
}

void Recipients::sbTypeRecipClick() { TypeIn(/*recipient=*/true); }

void Recipients::Typeinafavourite1Click() { TypeIn(/*recipient=*/false); }

void Recipients::FavViewClick(Source source) {
  MainCommands& c = m_.commands;
  const ItemView& fav = m_.views.fav;
  c.SetEnabled(Command::MenuAddNewList, false);
  c.SetEnabled(Command::ToolAddFavourite, false);
  if (fav.SelectedCount() == 0) {
    for (Command off : {Command::ToolRemoveFavourite, Command::AddRecipientButton, Command::RemoveRecipientButton})
      c.SetEnabled(off, false);
  } else {
    c.SetEnabled(Command::ToolRemoveFavourite, true);
    c.SetEnabled(Command::AddRecipientButton, true);
    c.SetEnabled(Command::RemoveRecipientButton, false);
    if (fav.SingleSelectedRow()) {
      m_.status.ItemDetails(fav);
      const bool isList = IsSingleList(fav);
      c.SetEnabled(Command::ToolEditList, isList);
      c.SetEnabled(Command::ToolDeleteList, isList);
    } else {
      m_.status.UpdateSBar();
    }
  }
  if (source == Source::FavView) {
    m_.views.net.clearSelection();
    m_.views.recip.clearSelection();
  }
}

void Recipients::RecipViewClick(Source source) {
  MainCommands& c = m_.commands;
  const ItemView& recip = m_.views.recip;
  const bool hasRows = recip.itemModel().Count() > 0;
  for (Command off : {Command::ToolEditList, Command::ToolDeleteList, Command::ToolAddFavourite,
                      Command::ToolRemoveFavourite, Command::MenuAddNewList, Command::PopupAddNewList,
                      Command::MenuAddToRecipients})
    c.SetEnabled(off, false);
  if (source == Source::RecipView) {
    if (hasRows) {
      c.SetEnabled(Command::MenuAddNewList, true);
      c.SetEnabled(Command::PopupAddNewList, true);
    }
    m_.views.fav.clearSelection();
    m_.views.net.clearSelection();
  }
  if (!hasRows) {
    for (Command off :
         {Command::SendButton, Command::SaveMessage, Command::AddRecipientButton, Command::RemoveRecipientButton})
      c.SetEnabled(off, false);
    return;
  }
  if (!MessageEmpty()) {
    c.SetEnabled(Command::SaveMessage, true);
    c.SetEnabled(Command::SendButton, true);
  }
  const int selected = recip.SelectedCount();
  if (selected == 0) return;
  c.SetEnabled(Command::ToolAddFavourite, true);
  c.SetEnabled(Command::MenuRemoveFromRecipients, true);
  c.SetEnabled(Command::AddRecipientButton, false);
  c.SetEnabled(Command::RemoveRecipientButton, true);
  if (IsSingleList(recip)) {
    c.SetEnabled(Command::ToolEditList, true);
    c.SetEnabled(Command::ToolDeleteList, true);
  }
  if (selected == 1)
    m_.status.ItemDetails(recip);
  else
    m_.status.UpdateSBar();
}

void Recipients::RecipPageChange() {
  if (m_.views.RecipientsShowing()) RecipViewClick(Source::RecipView);
}

void Recipients::Memo1Change() {
  MainCommands& c = m_.commands;
  if (MessageEmpty()) {
    c.SetEnabled(Command::SaveMessage, false);
    c.SetEnabled(Command::SendButton, false);
  } else if (m_.views.recip.itemModel().Count() > 0) {
    c.SetEnabled(Command::SaveMessage, true);
    c.SetEnabled(Command::SendButton, true);
  }
}

void Recipients::ShowListCommands(const ItemView& view) {
  const bool list = IsSingleList(view);
  m_.commands.SetVisible(Command::PopupEditList, list);
  m_.commands.SetVisible(Command::PopupDeleteList, list);
}

void Recipients::PopupMenu1Popup(const ItemView& view) {
  MainCommands& c = m_.commands;
  const bool selected = view.SelectedCount() > 0;
  if (&view == &m_.views.net) {
    c.SetVisible(Command::PopupTypeInFavourite, false);
    c.SetVisible(Command::PopupTypeInRecipient, false);
    m_.netViewClick();
    c.SetVisible(Command::PopupAddNewList, selected);
    if (selected) c.SetEnabled(Command::PopupAddNewList, true);
    c.SetVisible(Command::PopupAddToFavourites, selected);
    c.SetVisible(Command::PopupAddToRecipients, selected);
    c.SetVisible(Command::PopupRemoveFromRecipients, false);
    c.SetVisible(Command::PopupRemoveFromFavourites, false);
  } else if (&view == &m_.views.fav) {
    FavViewClick(Source::FavView);
    c.SetVisible(Command::PopupAddNewList, false);
    c.SetVisible(Command::PopupTypeInFavourite, true);
    c.SetVisible(Command::PopupTypeInRecipient, false);
    c.SetVisible(Command::PopupAddToRecipients, selected);
    c.SetVisible(Command::PopupRemoveFromFavourites, selected);
    c.SetVisible(Command::PopupAddToFavourites, false);
    c.SetVisible(Command::PopupRemoveFromRecipients, false);
  } else {
    c.SetVisible(Command::PopupTypeInFavourite, false);
    c.SetVisible(Command::PopupTypeInRecipient, true);
    RecipViewClick(Source::RecipView);
    c.SetVisible(Command::PopupAddNewList, m_.views.recip.itemModel().Count() > 0);
    c.SetVisible(Command::PopupRemoveFromRecipients, selected);
    c.SetVisible(Command::PopupAddToFavourites, selected);
    c.SetVisible(Command::PopupRemoveFromFavourites, false);
    c.SetVisible(Command::PopupAddToRecipients, false);
  }
  ShowListCommands(view);
}

void Recipients::Edit1Click() {
  MainCommands& c = m_.commands;
  for (Command off : {Command::MenuAddToFavourites, Command::MenuRemoveFromFavourites, Command::MenuAddToRecipients,
                      Command::MenuEditList, Command::MenuDeleteList})
    c.SetEnabled(off, false);
  // The four entries that move rows, as the view that decides allows.
  auto moves = [&c](bool toRecipients, bool fromRecipients, bool toFavourites, bool fromFavourites) {
    c.SetEnabled(Command::MenuAddToRecipients, toRecipients);
    c.SetEnabled(Command::MenuRemoveFromRecipients, fromRecipients);
    c.SetEnabled(Command::MenuAddToFavourites, toFavourites);
    c.SetEnabled(Command::MenuRemoveFromFavourites, fromFavourites);
  };
  const ItemView* decided = nullptr;
  if (m_.views.FavouritesShowing()) {
    if (m_.views.fav.SelectedCount() == 0) return;
    moves(true, false, false, true);
    decided = &m_.views.fav;
  } else if (m_.views.net.SelectedCount() > 0) {
    moves(true, false, true, false);
    decided = &m_.views.net;
  } else if (m_.views.recip.SelectedCount() > 0) {
    moves(false, true, true, false);
    decided = &m_.views.recip;
  } else {
    return;
  }
  const bool list = IsSingleList(*decided);
  c.SetEnabled(Command::MenuEditList, list);
  c.SetEnabled(Command::MenuDeleteList, list);
}

void Recipients::RowsDropped(const ItemView& target, const QWidget* source) {
  const MainViews& v = m_.views;
  if (&target == &v.recip) {
    if (source == &v.net) AddBtnClick();
    if (source == &v.fav) FavViewDblClick();
  } else if (&target == &v.net) {
    if (source == &v.recip) DelBtnClick();
  } else if (&target == &v.fav) {
    if (source == &v.net || source == &v.recip) tbAddFavClick();
  }
}

}  // namespace vantor::gui
