// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/received_window.h"

#include "gui/image_list.h"
#include "gui/res_strings.h"
#include "receive/history.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <chrono>

namespace vantor::gui {

namespace {
constexpr int kIdRole = Qt::UserRole;
constexpr int kTextRole = Qt::UserRole + 1;

QString Text(const char* text) { return QString::fromLatin1(text); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

// Line breaks as the text box shows them: each CR LF, CR or LF is one.
QString Shown(const std::string& text) {
  QString s = Q(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}
}  // namespace

TReceived::TReceived(store::Hive& hive, QWidget* parent) : QWidget(parent, Qt::Window), m_hive(hive) {
  setObjectName(QStringLiteral("TReceived"));
  setWindowTitle(Text(res::kReceivedCaption));
  setWindowIcon(AppIcon());
  resize(520, 360);

  m_view = new QTreeWidget(this);
  m_view->setObjectName(QStringLiteral("ReceivedView"));
  m_view->setHeaderLabels({Text(res::kReceivedWhenColumn), Text(res::kReceivedFromColumn),
                           Text(res::kReceivedToColumn), Text(res::kReceivedTextColumn)});
  m_view->setRootIsDecorated(false);
  m_view->setUniformRowHeights(true);
  m_view->setSelectionMode(QAbstractItemView::SingleSelection);
  m_view->header()->setStretchLastSection(true);
  m_text = new QPlainTextEdit(this);
  m_text->setObjectName(QStringLiteral("ReceivedText"));
  m_text->setReadOnly(true);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(m_view);
  split->addWidget(m_text);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 1);

  m_delete = new QPushButton(Text(res::kDeleteMessageCaption), this);
  m_delete->setObjectName(QStringLiteral("DeleteReceivedBtn"));
  m_delete->setEnabled(false);
  m_close = new QPushButton(Text(res::kCloseCaption), this);
  m_close->setObjectName(QStringLiteral("CloseReceivedBtn"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_delete);
  buttons->addWidget(m_close);
  auto* all = new QVBoxLayout(this);
  all->addWidget(split, 1);
  all->addLayout(buttons);

  connect(m_view, &QTreeWidget::itemSelectionChanged, this, [this] { ShowSelected(); });
  connect(m_delete, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(m_close, &QPushButton::clicked, this, &QWidget::close);
  m_poll.setInterval(std::chrono::seconds(2));
  connect(&m_poll, &QTimer::timeout, this, [this] { Poll(); });
}

void TReceived::Reload() {
  const QString selected = m_view->currentItem() ? m_view->currentItem()->data(0, kIdRole).toString() : QString();
  std::vector<receive::SpooledMessage> messages;
  try {
    receive::ReceivedHistory history(m_hive);
    messages = history.Load();
    m_newest = messages.empty() ? std::string() : messages.back().id;
  } catch (const std::exception& e) {
    m_text->setPlainText(Q(e.what()));
    return;
  }
  m_view->clear();
  QTreeWidgetItem* current = nullptr;
  for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
    const QString text = Shown(it->text);
    auto* item = new QTreeWidgetItem(m_view, {Q(receive::ShownTime(it->time)), Q(it->from), Q(it->to),
                                              text.section(QLatin1Char('\n'), 0, 0)});
    item->setData(0, kIdRole, Q(it->id));
    item->setData(0, kTextRole, text);
    if (Q(it->id) == selected) current = item;
  }
  for (int c = 0; c < 3; ++c) m_view->resizeColumnToContents(c);
  if (!current) current = m_view->topLevelItem(0);
  if (current) m_view->setCurrentItem(current);
  ShowSelected();
}

void TReceived::ShowSelected() {
  QTreeWidgetItem* item = m_view->currentItem();
  m_delete->setEnabled(item != nullptr);
  m_text->setPlainText(item ? item->data(0, kTextRole).toString() : QString());
}

void TReceived::DeleteClick() {
  QTreeWidgetItem* item = m_view->currentItem();
  if (!item) return;
  try {
    receive::ReceivedHistory(m_hive).Delete(item->data(0, kIdRole).toString().toStdString());
  } catch (const std::exception& e) {
    m_text->setPlainText(Q(e.what()));
    return;
  }
  delete item;
  ShowSelected();
}

void TReceived::Poll() {
  try {
    if (receive::ReceivedHistory(m_hive).Newest() == m_newest) return;
  } catch (const std::exception&) {
    return;  // the store is busy: the next look will tell
  }
  Reload();
}

void TReceived::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  Reload();
  m_poll.start();
}

void TReceived::hideEvent(QHideEvent* e) {
  m_poll.stop();
  QWidget::hideEvent(e);
}

}  // namespace vantor::gui
