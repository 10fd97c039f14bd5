// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/message_area.h"

#include "gui/history_box.h"
#include "gui/res_strings.h"

#include <QAbstractTextDocumentLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vantor::gui {

namespace {
constexpr int kSendHelpTopic = 5;
constexpr int kSignatureHelpTopic = 6;

template <typename Button>
Button* Named(Button* b, const char* name, const char* hint = nullptr) {
  b->setObjectName(QString::fromLatin1(name));
  if (hint) b->setToolTip(QString::fromUtf8(hint));
  return b;
}
}  // namespace

MessageTab::MessageTab(QWidget* parent) : QWidget(parent) {
  m_memo = new QPlainTextEdit(this);
  m_memo->setObjectName(QStringLiteral("Memo1"));
  m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  m_memo->setTabChangesFocus(true);
  m_signatureLabel = new QLabel(QString::fromLatin1(res::kSignatureLabel), this);
  m_signature = new HistoryBox("SignatureBox", kSignatureLength, this);
  m_signatureLabel->setBuddy(m_signature);
  m_send = Named(new QPushButton(QString::fromLatin1(res::kSendCaption), this), "SendBtn");
  connect(m_memo, &QPlainTextEdit::textChanged, this, &MessageTab::textChanged);
  m_send->installEventFilter(this);
  m_signature->installEventFilter(this);
  m_signature->lineEdit()->installEventFilter(this);
}

bool MessageTab::eventFilter(QObject* watched, QEvent* e) {
  // F1 on these two asks for their own topics, not the window's help contents.
  if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
    e->accept();
    return true;
  }
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
    emit helpRequested(watched == m_send ? kSendHelpTopic : kSignatureHelpTopic);
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

QStringList MessageTab::DisplayedLines() const {
  QStringList lines;
  QTextDocument* doc = m_memo->document();
  QAbstractTextDocumentLayout* layout = doc->documentLayout();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    // The layout is made lazily; asking for the block's size makes it.
    layout->blockBoundingRect(block);
    const QString text = block.text();
    QTextLayout* blockLines = block.layout();
    if (!blockLines || blockLines->lineCount() == 0) {
      lines.append(text);
      continue;
    }
    for (int i = 0; i < blockLines->lineCount(); ++i) {
      const QTextLine line = blockLines->lineAt(i);
      lines.append(text.mid(line.textStart(), line.textLength()));
    }
  }
  // The empty line after a final line break is not one of the box's lines
  // (so an empty box has none).
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

QString MessageTab::Text() const { return m_memo->toPlainText(); }

void MessageTab::SetText(const QString& text) { m_memo->setPlainText(text); }

void MessageTab::SetLines(const QStringList& lines) { m_memo->setPlainText(lines.join(QLatin1Char('\n'))); }

void MessageTab::MoveCaretToStart() {
  QTextCursor c = m_memo->textCursor();
  c.movePosition(QTextCursor::Start);
  m_memo->setTextCursor(c);
}

void MessageTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int w = width(), h = height();
  const QSize bs = m_send->sizeHint();
  // Send sits in the lower right corner; the signature box shares its line.
  m_send->setGeometry(w - bs.width() - 1, h - bs.height(), bs.width(), bs.height());
  const int labelWidth = m_signatureLabel->sizeHint().width() + 4;
  const int boxLeft = labelWidth + 2;
  const int boxHeight = m_signature->sizeHint().height();
  const int lineHeight = std::max(boxHeight, bs.height());
  const int boxTop = h - lineHeight + (lineHeight - boxHeight) / 2;
  m_signature->setGeometry(boxLeft, boxTop, std::max(0, w - boxLeft - bs.width() - 12), boxHeight);
  m_signatureLabel->setGeometry(2, boxTop + 2, labelWidth, boxHeight - 2);
  m_memo->setGeometry(0, 0, w, std::max(0, std::min(boxTop, h - bs.height()) - 2));
}

SavedMessagesTab::SavedMessagesTab(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("tsSavedMessages"));
  m_view = Named(new QTreeWidget(this), "MsgView");
  m_view->setColumnCount(2);
  m_view->setHeaderLabels(
      {QString::fromLatin1(res::kMessageTitleColumn), QString::fromLatin1(res::kRecipientCountColumn)});
  m_view->setRootIsDecorated(false);
  m_view->setSelectionMode(QAbstractItemView::SingleSelection);
  m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_view->header()->setStretchLastSection(false);
  m_view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  m_view->header()->setSectionResizeMode(1, QHeaderView::Fixed);
  m_view->header()->resizeSection(1, 100);
  m_up = Named(new QToolButton(this), "UpMessage", res::kUpMessageHint);
  m_up->setArrowType(Qt::UpArrow);
  m_down = Named(new QToolButton(this), "DownMessage", res::kDownMessageHint);
  m_down->setArrowType(Qt::DownArrow);
  m_delete = Named(new QPushButton(QString::fromLatin1(res::kDeleteMessageCaption), this), "DeleteMessage",
                   res::kDeleteMessageHint);
  m_select = Named(new QPushButton(QString::fromLatin1(res::kSelectMessageCaption), this), "SelectMessage",
                   res::kSelectMessageHint);
  for (QWidget* b : std::initializer_list<QWidget*>{m_up, m_down, m_delete, m_select}) b->setEnabled(false);
}

void SavedMessagesTab::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const int w = width(), h = height();
  const QSize bs = m_select->sizeHint();
  const int viewHeight = std::max(0, h - bs.height() - 2);
  m_view->setGeometry(0, 0, w, viewHeight);
  const int top = viewHeight + 2;
  m_up->setGeometry(0, top, bs.height(), bs.height());
  m_down->setGeometry(bs.height() + 2, top, bs.height(), bs.height());
  m_select->setGeometry(w - bs.width(), top, bs.width(), bs.height());
  m_delete->setGeometry(w - 2 * bs.width() - 4, top, bs.width(), bs.height());
}

MessageArea::MessageArea(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panel2"));
  setMinimumHeight(kMinHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  m_pages = new QTabWidget(this);
  m_pages->setObjectName(QStringLiteral("MessagePage"));
  m_message = new MessageTab(m_pages);
  m_saved = new SavedMessagesTab(m_pages);
  m_pages->addTab(m_message, QString::fromLatin1(res::kMessageTab));
  m_pages->addTab(m_saved, QString::fromLatin1(res::kSavedMessagesTab));
  layout->addWidget(m_pages);
  connect(m_pages, &QTabWidget::currentChanged, this, [this] {
    if (m_pages->currentWidget() == m_saved) emit savedMessagesShown();
  });
}

void MessageArea::ShowMessageTab() { m_pages->setCurrentWidget(m_message); }
void MessageArea::ShowSavedMessagesTab() { m_pages->setCurrentWidget(m_saved); }

}  // namespace vantor::gui
