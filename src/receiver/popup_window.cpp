// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/popup_window.h"

#include "common/text.h"
#include "receive/history.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vantor::receiver {

namespace {
constexpr const char* kCaption = "Messenger Service";
constexpr const char* kHeader = "Message from %s to %s on %s";
constexpr int kMaxTextLines = 12;
}  // namespace

QString TMessagePopup::HeaderOf(const receive::SpooledMessage& m) {
  return QString::fromStdString(Format(kHeader, {m.from, m.to, receive::ShownTime(m.time)}));
}

QString TMessagePopup::ShownText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

TMessagePopup::TMessagePopup(const receive::SpooledMessage& message, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TMessagePopup"));
  setWindowTitle(QString::fromLatin1(kCaption));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("MessageIcon"));
  const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(side, side));
  icon->setAlignment(Qt::AlignTop);

  m_header = new QLabel(HeaderOf(message), this);
  m_header->setObjectName(QStringLiteral("MessageHeader"));
  m_header->setTextFormat(Qt::PlainText);
  m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);

  m_text = new QPlainTextEdit(ShownText(message.text), this);
  m_text->setObjectName(QStringLiteral("MessageText"));
  m_text->setReadOnly(true);
  m_text->setFrameShape(QFrame::NoFrame);
  m_text->setBackgroundRole(QPalette::Window);
  m_text->viewport()->setAutoFillBackground(false);
  // As tall as the text wraps in its width, up to a dozen lines; a longer
  // one scrolls.
  const QFontMetrics fm(m_text->font());
  const int width = fm.averageCharWidth() * 56;
  const int margins = 2 * static_cast<int>(m_text->document()->documentMargin()) + 4;
  const int textHeight = fm.boundingRect(QRect(0, 0, width - margins, 1 << 20), Qt::TextWordWrap,
                                         m_text->toPlainText()).height();
  m_text->setFixedHeight(std::min(textHeight, fm.lineSpacing() * kMaxTextLines) + margins);
  m_text->setMinimumWidth(width);

  m_ok = new QPushButton(QStringLiteral("OK"), this);
  m_ok->setObjectName(QStringLiteral("OKBtn"));
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* text = new QVBoxLayout;
  text->addWidget(m_header);
  text->addSpacing(fm.lineSpacing() / 2);
  text->addWidget(m_text, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addSpacing(8);
  top->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_ok);
  buttons->addStretch(1);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top, 1);
  all->addLayout(buttons);
  m_ok->setFocus();
}

}  // namespace vantor::receiver
