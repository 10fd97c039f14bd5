// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/saved_messages_commands.h"

#include "gui/history_box.h"
#include "gui/item_view.h"
#include "gui/main_commands.h"
#include "gui/message_area.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/upper_panel.h"
#include "store/saved_messages.h"

#include <QAbstractItemDelegate>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace vantor::gui {

namespace {

constexpr int kSlotRole = Qt::UserRole + 1;
constexpr int kStoredTitleRole = Qt::UserRole + 2;
constexpr int kHelpTopic = 15;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

SavedMessagesCommands::SavedMessagesCommands(const Deps& deps) : QObject(&deps.window), m_(deps) {
  SavedMessagesTab& tab = m_.area.Saved();
  QTreeWidget& view = tab.MessageView();
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);  // F2 opens the title, as below
  view.setDragDropMode(QAbstractItemView::InternalMove);
  view.setDefaultDropAction(Qt::MoveAction);
  view.invisibleRootItem()->setFlags(view.invisibleRootItem()->flags() | Qt::ItemIsDropEnabled);
  m_view = &view;
  view.installEventFilter(this);
  connect(&view, &QTreeWidget::itemSelectionChanged, this, &SavedMessagesCommands::UpdateButtons);
  connect(&view, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (column == 0) MsgViewEdited(item);
  });
  connect(view.itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { m_editing = false; });
  connect(&view, &QTreeWidget::itemDoubleClicked, this, [this] { SelectMessageClick(); });
  connect(&tab.SelectButton(), &QPushButton::clicked, this, &SavedMessagesCommands::SelectMessageClick);
  connect(&tab.DeleteButton(), &QPushButton::clicked, this, &SavedMessagesCommands::DeleteMessageClick);
  connect(&tab.UpButton(), &QToolButton::clicked, this, [this] { Move(-1); });
  connect(&tab.DownButton(), &QToolButton::clicked, this, [this] { Move(+1); });
  connect(&m_.area, &MessageArea::savedMessagesShown, this, [this] {
    if (m_.area.Saved().MessageView().selectedItems().isEmpty()) DisableButtons();
  });
}

QTreeWidgetItem* SavedMessagesCommands::AppendRow(int slot, const QString& title, int count) {
  QTreeWidget& view = m_.area.Saved().MessageView();
  m_filling = true;
  auto* item = new QTreeWidgetItem(&view);
  item->setText(0, title);
  item->setText(1, Q(store::RecipientCountText(count)));
  item->setData(0, kSlotRole, slot);
  item->setData(0, kStoredTitleRole, title);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
  m_filling = false;
  return item;
}

bool SavedMessagesCommands::Store(bool interactive) {
  std::vector<std::string> lines;
  for (const QString& line : m_.area.Message().DisplayedLines()) lines.push_back(line.toStdString());
  std::vector<store::SavedRecipient> recipients;
  for (const ItemRow& r : m_.views.recip.itemModel().Rows())
    recipients.push_back({r.name.toStdString(), r.kind, r.comment.toStdString()});
  std::optional<store::SavedMessageRow> row;
  try {
    row = store::SavedMessages(m_.hive).Store(lines, recipients,
                                              m_.area.Message().SignatureBox().currentText().toStdString(),
                                              m_.options.Alias().toStdString());
  } catch (const store::StoreError& e) {
    m_.boxes.Error(&m_.window, Q(e.what()));
    return false;
  }
  if (!row) {
    m_.boxes.Error(&m_.window, Q(store::StoreFullText()), -1, QString::fromLatin1(store::kStoreFullCaption.data()));
    return false;
  }
  QTreeWidgetItem* item = AppendRow(row->slot, Q(row->title), row->count);
  if (interactive) {
    // The default title can be replaced at once.
    QTreeWidget& view = m_.area.Saved().MessageView();
    m_.area.ShowSavedMessagesTab();
    view.setCurrentItem(item);
    view.setFocus();
    EditTitle(item);
  }
  return true;
}

void SavedMessagesCommands::tbSaveMessageClick() { Store(/*interactive=*/true); }

void SavedMessagesCommands::StoreForSend() { Store(/*interactive=*/false); }

void SavedMessagesCommands::FillView() {
  QTreeWidget& view = m_.area.Saved().MessageView();
  view.clear();
  std::vector<store::SavedMessageRow> rows;
  try {
    rows = store::SavedMessages(m_.hive).Fill();
  } catch (const store::StoreError& e) {
    m_.boxes.Error(&m_.window, Q(e.what()));
  }
  for (const store::SavedMessageRow& r : rows) AppendRow(r.slot, Q(r.title), r.count);
  DisableButtons();
}

void SavedMessagesCommands::WriteOrder() {
  const QTreeWidget& view = m_.area.Saved().MessageView();
  std::vector<int> order;
  for (int i = 0; i < view.topLevelItemCount(); ++i) order.push_back(view.topLevelItem(i)->data(0, kSlotRole).toInt());
  store::SavedMessages(m_.hive).WriteOrder(order);
}

void SavedMessagesCommands::EditTitle(QTreeWidgetItem* item) {
  m_editing = true;
  m_.area.Saved().MessageView().editItem(item, 0);
}

void SavedMessagesCommands::SelectMessageClick() {
  QTreeWidget& view = m_.area.Saved().MessageView();
  MessageTab& message = m_.area.Message();
  if (view.selectedItems().size() == 1) {
    store::SavedMessage saved;
    try {
      saved = store::SavedMessages(m_.hive).Load(view.selectedItems().front()->data(0, kSlotRole).toInt());
    } catch (const store::StoreError& e) {
      m_.boxes.Error(&m_.window, Q(e.what()));
      return;
    }
    QStringList lines;
    for (const std::string& line : saved.lines) lines.append(Q(line));
    message.SetLines(lines);
    ItemModel& recipients = m_.views.recip.itemModel();
    recipients.Clear();
    recipients.BeginUpdate();
    for (const store::SavedRecipient& r : saved.recipients) recipients.Append({Q(r.name), Q(r.comment), r.kind});
    recipients.EndUpdate(false);
    if (saved.signature) message.SignatureBox().setEditText(Q(*saved.signature));
    if (saved.alias) m_.options.AliasBox().setEditText(Q(*saved.alias));
    const bool canSend = !message.Text().isEmpty() && recipients.Count() > 0;
    m_.commands.SetEnabled(Command::SendButton, canSend);
    m_.commands.SetEnabled(Command::SaveMessage, canSend);
    m_.area.ShowMessageTab();
  }
  message.MoveCaretToStart();
}

void SavedMessagesCommands::DeleteMessageClick() {
  QTreeWidget& view = m_.area.Saved().MessageView();
  if (view.selectedItems().size() != 1) return;
  QTreeWidgetItem* item = view.selectedItems().front();
  const int position = view.indexOfTopLevelItem(item);
  const int slot = item->data(0, kSlotRole).toInt();
  delete item;
  // The view would move its selection on by itself; the row at the same
  // place, if any, is the one to take it (below).
  view.selectionModel()->clear();
  try {
    store::SavedMessages(m_.hive).Delete(slot, view.topLevelItemCount() == 0);
  } catch (const store::StoreError& e) {
    m_.boxes.Error(&m_.window, Q(e.what()));
  }
  DisableButtons();
  if (position < view.topLevelItemCount()) SelectRow(position);
}

void SavedMessagesCommands::Move(int by) {
  QTreeWidget& view = m_.area.Saved().MessageView();
  if (view.selectedItems().size() != 1) return;
  const int from = view.indexOfTopLevelItem(view.selectedItems().front());
  const int to = from + by;
  if (to < 0 || to >= view.topLevelItemCount()) return;
  QTreeWidgetItem* item = view.takeTopLevelItem(from);
  view.insertTopLevelItem(to, item);
  SelectRow(to);
}

void SavedMessagesCommands::SelectRow(int row) {
  QTreeWidget& view = m_.area.Saved().MessageView();
  QTreeWidgetItem* item = view.topLevelItem(row);
  if (!item) return;
  view.setCurrentItem(item);
  item->setSelected(true);
  view.setFocus();
}

void SavedMessagesCommands::MsgViewEdited(QTreeWidgetItem* item) {
  if (m_filling) return;
  const QString title = item->text(0);
  const QString stored = item->data(0, kStoredTitleRole).toString();
  try {
    store::SavedMessages(m_.hive).Rename(item->data(0, kSlotRole).toInt(), stored.toStdString(),
                                         title.toStdString());
  } catch (const store::StoreError& e) {
    m_.boxes.Error(&m_.window, Q(e.what()));
    return;
  }
  m_filling = true;
  item->setData(0, kStoredTitleRole, title);
  m_filling = false;
}

void SavedMessagesCommands::DisableButtons() {
  SavedMessagesTab& tab = m_.area.Saved();
  for (QWidget* b : std::initializer_list<QWidget*>{&tab.UpButton(), &tab.DownButton(), &tab.DeleteButton(),
                                                     &tab.SelectButton()})
    b->setEnabled(false);
}

void SavedMessagesCommands::UpdateButtons() {
  SavedMessagesTab& tab = m_.area.Saved();
  QTreeWidget& view = tab.MessageView();
  const QList<QTreeWidgetItem*> selected = view.selectedItems();
  if (view.topLevelItemCount() == 0 || selected.isEmpty()) {
    DisableButtons();
    return;
  }
  const int row = view.indexOfTopLevelItem(selected.front());
  tab.SelectButton().setEnabled(true);
  tab.DeleteButton().setEnabled(true);
  tab.UpButton().setEnabled(row > 0);
  tab.DownButton().setEnabled(row < view.topLevelItemCount() - 1);
}

bool SavedMessagesCommands::eventFilter(QObject* watched, QEvent* e) {
  // Compared by address only: the view also reports events while the message
  // area that owns it is being destroyed, when the area may no longer be used.
  if (watched != m_view) return QObject::eventFilter(watched, e);
  if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
    e->accept();
    return true;
  }
  if (e->type() != QEvent::KeyPress) return QObject::eventFilter(watched, e);
  // Keys the title's editor passes on (Enter ends the editing) are not the
  // view's commands.
  if (m_editing) return QObject::eventFilter(watched, e);
  auto* key = static_cast<QKeyEvent*>(e);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: SelectMessageClick(); return true;
    case Qt::Key_Delete: DeleteMessageClick(); return true;
    case Qt::Key_F2:
      if (QTreeWidgetItem* current = m_.area.Saved().MessageView().currentItem()) EditTitle(current);
      return true;
    case Qt::Key_F1: m_.showHelp(kHelpTopic); return true;
    default: break;
  }
  if (key->text() == QStringLiteral("+")) {
    SelectMessageClick();
    return true;
  }
  return QObject::eventFilter(watched, e);
}

}  // namespace vantor::gui
