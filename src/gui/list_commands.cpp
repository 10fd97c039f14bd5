// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/list_commands.h"

#include "common/recipient.h"
#include "gui/app_context.h"
#include "gui/edit_list_window.h"
#include "gui/item_view.h"
#include "gui/main_commands.h"
#include "gui/message_boxes.h"
#include "gui/status_line.h"
#include "gui/upper_panel.h"
#include "store/lists_store.h"

namespace vantor::gui {

namespace {
bool IsSingleList(const ItemView& view) {
  const ItemRow* row = view.SingleSelectedRow();
  return row && row->kind == kListKind;
}
}  // namespace

void ListCommands::tbMakeListClick() {
  if (TEditList* editor = m_.editor()) editor->NewList(m_.state.listCounter);
}

void ListCommands::EditlistBtnClick() {
  if (TEditList* editor = m_.editor()) editor->EditList(m_.state.listCounter);
}

void ListCommands::DelListBtnClick() {
  const MainViews& v = m_.views;
  ItemView* chosen = nullptr;
  if (!v.FavouritesShowing() && IsSingleList(v.net))
    chosen = &v.net;
  else if (v.FavouritesShowing() && IsSingleList(v.fav))
    chosen = &v.fav;
  else if (IsSingleList(v.recip))
    chosen = &v.recip;
  if (chosen) {
    const QString name = chosen->SingleSelectedRow()->name;
    bool deleted = true;
    try {
      store::ListsStore(m_.hive).DeleteList(name.toStdString());
    } catch (const store::StoreError& e) {
      deleted = false;
      m_.boxes.Error(&m_.window, QString::fromStdString(e.what()));
    }
    if (deleted) {
      for (ItemView* other : {&v.net, &v.fav, &v.recip}) {
        if (other == chosen) continue;
        if (const int row = other->itemModel().CaptionIndex(name); row >= 0) other->itemModel().RemoveRows({row});
      }
      chosen->itemModel().RemoveRows(chosen->SelectedRows());
    }
  }
  m_.commands.SetEnabled(Command::ToolEditList, false);
  m_.commands.SetEnabled(Command::ToolDeleteList, false);
  m_.status.UpdateSBar();
}

}  // namespace vantor::gui
