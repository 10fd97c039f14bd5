// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/edit_list_window.h"

#include "common/text.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/message_boxes.h"
#include "gui/res_strings.h"
#include "gui/upper_panel.h"
#include "store/lists_store.h"
#include "store/settings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace vantor::gui {

namespace {

constexpr store::WindowPlace kDesignPlace{TEditList::kDesignLeft, TEditList::kDesignTop, TEditList::kDesignWidth,
                                          TEditList::kDesignHeight};
constexpr int kHelpTopic = 7;
constexpr int kMargin = 8;  // the views' left margin
constexpr int kNameTop = 24, kViewLabelTop = 56, kViewTop = 72;

QString Text(const char* text) { return QString::fromLatin1(text); }

// Lists and domains are never members: lists do not nest.
bool MayBeMember(const ItemRow& row) { return row.kind > kDomainKind; }

QString CountText(int count) { return QString::number(count) + Text(res::kItemsAfterSave); }

struct BusyCursor {
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TEditList::TEditList(const Deps& deps, QWidget* parent) : QWidget(parent, Qt::Window), m_(deps) {
  setObjectName(QStringLiteral("TEditList"));
  setWindowTitle(Text(res::kEditListCaption));
  setMinimumSize(kMinWidth, kMinHeight);
  BuildUi();
  if (!m_.writeBack || m_.writeBack()) {
    const store::WindowPlace p =
        store::ReadWindowPlace(store::Settings(m_.hive), store::kEditListSection, kDesignPlace);
    move(p.left, p.top);
    resize(p.width, p.height);
  } else {
    resize(kDesignWidth, kDesignHeight);
  }
  LayOut(/*atCreation=*/true);
}

TEditList::~TEditList() {
  for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void TEditList::BuildUi() {
  m_panel = new QWidget(this);
  m_nameLabel = new QLabel(Text(res::kListNameLabel), m_panel);
  m_name = new QLineEdit(m_panel);
  m_name->setObjectName(QStringLiteral("NameEdit"));
  m_nameLabel->setBuddy(m_name);
  m_netLabel = new QLabel(Text(res::kListNetItemsLabel), m_panel);
  m_net = new ItemView({"NetView", "", kHelpTopic, true, false, true, true}, m_panel);
  m_netLabel->setBuddy(m_net);
  m_membersLabel = new QLabel(Text(res::kListMembersLabel), m_panel);
  m_members = new ItemView({"MemberView", "", kHelpTopic, true, false, false, true}, m_panel);
  m_membersLabel->setBuddy(m_members);
  auto button = [this](const char* name, int image) {
    auto* b = new QToolButton(m_panel);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(Image(image));
    b->setFixedSize(24, 24);
    b->setFocusPolicy(Qt::NoFocus);  // a click leaves the focus in the views
    b->setEnabled(false);
    return b;
  };
  m_add = button("sbListAdd", image::kAddRecipient);
  m_remove = button("sbListDel", image::kRemoveRecipient);
  m_save = new QPushButton(Text(res::kSaveCaption), m_panel);
  m_save->setObjectName(QStringLiteral("SaveBtn"));
  m_save->setEnabled(false);
  m_save->setDefault(true);
  m_cancel = new QPushButton(Text(res::kCancelCaption), m_panel);
  m_cancel->setObjectName(QStringLiteral("CancelBtn"));

  const MainViews& main = m_.views;
  m_members->AcceptDropsFrom([this, &main](const QWidget* source) {
    return source == &main.recip || source == &main.net || source == &main.fav || source == m_net;
  });
  connect(m_name, &QLineEdit::textChanged, this, [this] { ApplySaveRule(); });
  connect(m_add, &QToolButton::clicked, this, &TEditList::sbListAddClick);
  connect(m_net, &ItemView::rowDoubleClicked, this, &TEditList::sbListAddClick);
  connect(m_net, &ItemView::enterReleased, this, &TEditList::sbListAddClick);
  connect(m_remove, &QToolButton::clicked, this, &TEditList::DelRowBtnClick);
  for (auto signal : {&ItemView::rowDoubleClicked, &ItemView::deleteReleased, &ItemView::enterReleased})
    connect(m_members, signal, this, &TEditList::DelRowBtnClick);
  connect(m_members, &ItemView::rowsDropped, this, &TEditList::MemberViewDragDrop);
  connect(m_net, &ItemView::rowClicked, this, [this] {
    m_remove->setEnabled(false);
    if (m_net->SelectedCount() > 0) m_add->setEnabled(true);
  });
  connect(m_members, &ItemView::rowClicked, this, [this] {
    m_add->setEnabled(false);
    if (m_members->SelectedCount() > 0) m_remove->setEnabled(true);
  });
  connect(m_members->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (m_members->SelectedCount() > 0) m_remove->setEnabled(true);
  });
  connect(m_net, &ItemView::focusLost, this, [this] { m_add->setEnabled(false); });
  connect(m_members, &ItemView::focusLost, this, [this] { m_remove->setEnabled(false); });
  for (ItemView* v : {m_net, m_members}) connect(v, &ItemView::helpRequested, this, [this](int t) { m_.showHelp(t); });
  connect(m_save, &QPushButton::clicked, this, &TEditList::SaveBtnClick);
  connect(m_cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void TEditList::LayOut(bool atCreation) {
  m_panel->setGeometry(rect());
  const int w = m_panel->width(), h = m_panel->height();
  const int b = m_add->width();
  if (atCreation) {
    m_nameLabel->setGeometry(kMargin, 6, w - 2 * kMargin, kNameTop - 8);
    m_name->setGeometry(kMargin, kNameTop, w - 2 * kMargin, m_name->sizeHint().height());
  } else {
    m_name->resize(w - 2 * kMargin, m_name->height());
  }
  const int viewWidth = std::max(0, (w - (3 * kMargin + b)) / 2);
  const int viewHeight = std::max(0, h - kViewTop - 50);
  m_net->setGeometry(kMargin, kViewTop, viewWidth, viewHeight);
  m_netLabel->setGeometry(kMargin, kViewLabelTop, viewWidth, kViewTop - kViewLabelTop - 2);
  const int membersLeft = w - viewWidth - kMargin;
  m_members->setGeometry(membersLeft, kViewTop, viewWidth, viewHeight);
  m_membersLabel->setGeometry(membersLeft, kViewLabelTop, viewWidth, kViewTop - kViewLabelTop - 2);
  const int addLeft = (w - b) / 2;
  m_add->move(addLeft, viewHeight / 2 + 28);
  m_remove->move(addLeft, viewHeight / 2 + 56);
  const QSize bs = m_save->sizeHint().expandedTo(QSize(75, 25));
  const int buttonTop = kViewTop + viewHeight + 8;
  m_save->setGeometry(membersLeft + viewWidth - bs.width(), buttonTop, bs.width(), bs.height());
  m_cancel->setGeometry(m_save->x() - 4 - bs.width(), buttonTop, bs.width(), bs.height());
}

void TEditList::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut(/*atCreation=*/false);
}

void TEditList::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  if (e->key() == Qt::Key_F1) {
    m_.showHelp(kHelpTopic);
    return;
  }
  QWidget::keyPressEvent(e);
}

void TEditList::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  // FormActivate: Net Items may have changed while the window was away.
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) RefillNetView();
}

void TEditList::RefillNetView() {
  BusyCursor busy;
  ItemModel& net = m_net->itemModel();
  net.Clear();
  net.BeginUpdate();
  for (const ItemRow& row : m_.views.net.itemModel().Rows())
    if (MayBeMember(row)) net.Append(row);
  net.EndUpdate(false);
}

void TEditList::SeedFrom(const ItemView& view, bool selectedOnly) {
  ItemModel& members = m_members->itemModel();
  members.Clear();
  members.BeginUpdate();
  const ItemModel& from = view.itemModel();
  auto take = [&](const ItemRow& row) {
    if (MayBeMember(row)) members.Append(row);
  };
  if (selectedOnly)
    for (int r : view.SelectedRows()) take(from.Row(r));
  else
    for (const ItemRow& row : from.Rows()) take(row);
  members.EndUpdate(false);
}

void TEditList::ShowFor(std::int32_t& counter, bool newList) {
  if (m_members->itemModel().Count() == 0) m_save->setEnabled(false);
  show();
  raise();
  activateWindow();
  if (newList) {
    counter += 1;
    if (counter < 0) counter = 1;
  }
}

void TEditList::NewList(std::int32_t& counter) {
  m_name->setText(Text(res::kDefaultListName) + QString::number(counter));
  m_save->setEnabled(true);
  RefillNetView();
  if (m_.views.net.SelectedCount() > 0)
    SeedFrom(m_.views.net, /*selectedOnly=*/true);
  else if (m_.views.recip.itemModel().Count() > 0)
    SeedFrom(m_.views.recip, /*selectedOnly=*/false);
  ShowFor(counter, /*newList=*/true);
}

void TEditList::EditList(std::int32_t& counter) {
  m_name->setText(Text(res::kDefaultListName) + QString::number(counter));
  m_save->setEnabled(true);
  const ItemRow* found = nullptr;
  for (const ItemView* v : {&m_.views.recip, &m_.views.net, &m_.views.fav}) {
    const ItemRow* row = v->SingleSelectedRow();
    if (row && row->kind == kListKind) {
      found = row;
      break;
    }
  }
  if (!found) {
    // No list is chosen: a new list, from the recipients.
    if (m_.views.recip.itemModel().Count() > 0) SeedFrom(m_.views.recip, /*selectedOnly=*/false);
    ShowFor(counter, /*newList=*/true);
    return;
  }
  const QString name = found->name;
  std::vector<store::ListMember> stored;
  try {
    stored = store::ListsStore(m_.hive).LoadList(name.toStdString());
  } catch (const store::StoreError& e) {
    m_.boxes.Error(this, QString::fromStdString(e.what()));
    return;
  }
  m_name->setText(name);
  {
    BusyCursor busy;
    ItemModel& members = m_members->itemModel();
    members.Clear();
    members.BeginUpdate();
    for (const store::ListMember& m : stored)
      members.Append({QString::fromStdString(m.name), QString::fromStdString(m.comment), m.kind});
    members.EndUpdate(false);
  }
  RefillNetView();
  ShowFor(counter, /*newList=*/false);
}

void TEditList::ApplySaveRule() {
  if (m_name->text().isEmpty())
    m_save->setEnabled(false);
  else if (m_members->itemModel().Count() > 0)
    m_save->setEnabled(true);
}

void TEditList::AddMember(const ItemRow& row) {
  ItemModel& members = m_members->itemModel();
  if (members.CaptionIndex(row.name) < 0) members.Append(row);
}

void TEditList::sbListAddClick() {
  {
    BusyCursor busy;
    for (int r : m_net->SelectedRows()) AddMember(m_net->itemModel().Row(r));
  }
  ApplySaveRule();
}

void TEditList::DelRowBtnClick() {
  if (m_members->SelectedCount() == 0) return;
  m_members->itemModel().RemoveRows(m_members->SelectedRows());
  m_remove->setEnabled(false);
  if (m_members->itemModel().Count() == 0) m_save->setEnabled(false);
}

void TEditList::MemberViewDragDrop(const QWidget* source) {
  const std::initializer_list<const ItemView*> sources = {&m_.views.recip, &m_.views.net, &m_.views.fav, m_net};
  for (const ItemView* from : sources) {
    if (from != source) continue;
    for (int r : from->SelectedRows())
      if (const ItemRow& row = from->itemModel().Row(r); MayBeMember(row)) AddMember(row);
  }
  ApplySaveRule();
}

void TEditList::SaveBtnClick() {
  const QString name = m_name->text();
  store::ListsStore lists(m_.hive);
  std::vector<store::ListMember> members;
  for (const ItemRow& r : m_members->itemModel().Rows())
    members.push_back({r.name.toStdString(), r.kind, r.comment.toStdString()});
  try {
    if (lists.ListExists(name.toStdString()) &&
        m_.boxes.Question(this, QString::fromStdString(Format(res::kListExists, {name.toStdString()}))) !=
            BoxButton::Yes)
      return;
    lists.SaveList(name.toStdString(), members);
  } catch (const store::StoreError& e) {
    m_.boxes.Error(this, QString::fromStdString(e.what()));
    return;
  }
  UpdateMainViews(name, static_cast<int>(members.size()));
  hide();
  m_.updateCounts();
}

void TEditList::UpdateMainViews(const QString& name, int count) {
  const QString comment = CountText(count);
  ItemModel& net = m_.views.net.itemModel();
  ItemModel& fav = m_.views.fav.itemModel();
  ItemModel& recip = m_.views.recip.itemModel();
  for (ItemModel* view : {&net, &fav}) {
    const int row = view->CaptionIndex(name);
    if (row >= 0)
      view->SetComment(row, comment);
    else
      view->Append({name, comment, kListKind});
  }
  if (const int row = recip.CaptionIndex(name); row >= 0) recip.SetComment(row, comment);
}

void TEditList::Destroy() {
  if (m_.writeBack && !m_.writeBack()) return;
  store::Settings s(m_.hive);
  m_.hive.WriteTransaction([&] { store::WriteWindowPlace(s, store::kEditListSection, {x(), y(), width(), height()}); });
}

}  // namespace vantor::gui
