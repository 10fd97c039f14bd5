#include "gui/message_area.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::gui {

MessageTab::MessageTab(QWidget* parent) : QWidget(parent) {
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setTabChangesFocus(true);
  SignatureLabel = new QLabel(QStringLiteral("Si&gnature"), this);
  SignatureBox = new QComboBox(this);
  SignatureBox->setObjectName(QStringLiteral("SignatureBox"));
  SignatureBox->setEditable(true);
  SignatureBox->setInsertPolicy(QComboBox::NoInsert);
  SignatureBox->lineEdit()->setMaxLength(128);
  SignatureBox->setMaxCount(9);
  SignatureLabel->setBuddy(SignatureBox);
  SendBtn = new QPushButton(QStringLiteral("&Send"), this);
  SendBtn->setObjectName(QStringLiteral("SendBtn"));
  SendBtn->setEnabled(false);
}

void MessageTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int w = width(), h = height();
  const QSize bs = SendBtn->sizeHint();
  // Send sits in the lower right corner; the signature box shares its line.
  SendBtn->setGeometry(w - bs.width() - 1, h - bs.height(), bs.width(), bs.height());
  const int labelWidth = SignatureLabel->sizeHint().width() + 4;
  const int boxLeft = labelWidth + 2;
  const int boxHeight = SignatureBox->sizeHint().height();
  const int boxTop = h - std::max(boxHeight, bs.height()) + (std::max(boxHeight, bs.height()) - boxHeight) / 2;
  SignatureBox->setGeometry(boxLeft, boxTop, std::max(0, w - boxLeft - bs.width() - 12), boxHeight);
  SignatureLabel->setGeometry(2, boxTop + 2, labelWidth, boxHeight - 2);
  Memo1->setGeometry(0, 0, w, std::max(0, std::min(boxTop, h - bs.height()) - 2));
}

SavedMessagesTab::SavedMessagesTab(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsSavedMessages"));
  MsgView = new QTreeWidget(this);
  MsgView->setObjectName(QStringLiteral("MsgView"));
  MsgView->setColumnCount(2);
  MsgView->setHeaderLabels({QStringLiteral("Message title"), QStringLiteral("# Recipients")});
  MsgView->setRootIsDecorated(false);
  MsgView->setSelectionMode(QAbstractItemView::SingleSelection);
  MsgView->setSelectionBehavior(QAbstractItemView::SelectRows);
  MsgView->header()->setStretchLastSection(false);
  MsgView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  MsgView->header()->setSectionResizeMode(1, QHeaderView::Fixed);
  MsgView->header()->resizeSection(1, 100);
  UpMessage = new QToolButton(this);
  UpMessage->setObjectName(QStringLiteral("UpMessage"));
  UpMessage->setArrowType(Qt::UpArrow);
  UpMessage->setToolTip(QStringLiteral("Move selected message up the list"));
  DownMessage = new QToolButton(this);
  DownMessage->setObjectName(QStringLiteral("DownMessage"));
  DownMessage->setArrowType(Qt::DownArrow);
  DownMessage->setToolTip(QStringLiteral("Move selected message down the list"));
  DeleteMessage = new QPushButton(QStringLiteral("&Delete"), this);
  DeleteMessage->setObjectName(QStringLiteral("DeleteMessage"));
  DeleteMessage->setToolTip(QStringLiteral("Delete the selected message"));
  SelectMessage = new QPushButton(QStringLiteral("&Select"), this);
  SelectMessage->setObjectName(QStringLiteral("SelectMessage"));
  SelectMessage->setToolTip(QStringLiteral("Select the highlighted message to send"));
  for (QWidget* b : {static_cast<QWidget*>(UpMessage), static_cast<QWidget*>(DownMessage),
                     static_cast<QWidget*>(DeleteMessage), static_cast<QWidget*>(SelectMessage)})
    b->setEnabled(false);
}

void SavedMessagesTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int w = width(), h = height();
  const QSize bs = SelectMessage->sizeHint();
  const int viewHeight = std::max(0, h - bs.height() - 2);
  MsgView->setGeometry(0, 0, w, viewHeight);
  const int top = viewHeight + 2;
  UpMessage->setGeometry(0, top, bs.height(), bs.height());
  DownMessage->setGeometry(bs.height() + 2, top, bs.height(), bs.height());
  SelectMessage->setGeometry(w - bs.width(), top, bs.width(), bs.height());
  DeleteMessage->setGeometry(w - 2 * bs.width() - 4, top, bs.width(), bs.height());
}

MessageArea::MessageArea(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panel2"));
  setMinimumHeight(kMinHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  MessagePage = new QTabWidget(this);
  MessagePage->setObjectName(QStringLiteral("MessagePage"));
  message = new MessageTab(MessagePage);
  saved = new SavedMessagesTab(MessagePage);
  MessagePage->addTab(message, QStringLiteral("&Message"));
  MessagePage->addTab(saved, QStringLiteral("Save&d messages"));
  layout->addWidget(MessagePage);
}

}  // namespace vantor::gui
