// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/status_window.h"

#include "common/clock.h"
#include "gui/res_strings.h"
#include "store/settings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace vantor::delivery {

namespace res = gui::res;

namespace {
constexpr store::WindowPlace kDesignPlace{336, 219, 260, 198};
constexpr int kMinWidth = 260, kMinHeight = 180;
constexpr int kLogLeft = 8, kLogTop = 24;
constexpr int kHelpTopic = 8;

QString Text(const char* text) { return QString::fromLatin1(text); }

bool IsEnter(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
}  // namespace

TStatus::TStatus(store::Hive& hive, std::atomic<bool>& abortRequested, const Clock& clock, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_hive(hive),
      m_abort(abortRequested),
      m_clock(clock),
      m_hooks(std::move(hooks)) {
  setObjectName(QStringLiteral("TStatus"));
  setWindowTitle(Text(res::kStatusCaption));
  setMinimumSize(kMinWidth, kMinHeight);
  m_panel = new QWidget(this);
  m_panel->setObjectName(QStringLiteral("Panel1"));
  m_label = new QLabel(Text(res::kMessageStatus), m_panel);
  m_log = new QPlainTextEdit(m_panel);
  m_log->setObjectName(QStringLiteral("Memo1"));
  m_log->setReadOnly(true);
  m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(8);
  m_log->setFont(f);
  QPalette pal = m_log->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  m_log->setPalette(pal);
  // Enter in the log reaches the action button, as in a dialog.
  m_log->installEventFilter(this);
  m_action = new QPushButton(Text(res::kCancelCaption), m_panel);
  m_action->setObjectName(QStringLiteral("Button1"));
  m_action->setDefault(true);
  m_help = new QPushButton(Text(res::kHelpCaption), m_panel);
  m_help->setObjectName(QStringLiteral("Button2"));
  connect(m_action, &QPushButton::clicked, this, &TStatus::Button1Click);
  connect(m_help, &QPushButton::clicked, this, &TStatus::Button2Click);

  // FormCreate: the stored place and size, else the designed ones.
  const store::WindowPlace p = store::ReadWindowPlace(store::Settings(m_hive), store::kStatusSection, kDesignPlace);
  move(p.left, p.top);
  resize(p.width, p.height);
  LayOut();
}

void TStatus::LayOut() {
  m_panel->setGeometry(rect());
  const int w = m_panel->width(), h = m_panel->height();
  m_label->setGeometry(kLogLeft, 4, w - 2 * kLogLeft, kLogTop - 6);
  const int logWidth = std::max(0, w - 2 * kLogLeft);
  const int logHeight = std::max(0, h - kLogTop - 50);
  m_log->setGeometry(kLogLeft, kLogTop, logWidth, logHeight);
  const int buttonTop = kLogTop + logHeight + 8;
  const int bw = 75, bh = 25;
  // Help's right edge is the log's; the action button stands 8 pixels left of Help.
  m_help->setGeometry(kLogLeft + logWidth - bw, buttonTop, bw, bh);
  m_action->setGeometry(kLogLeft + logWidth - 2 * bw - 8, buttonTop, bw, bh);
}

void TStatus::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut();
}

QString TStatus::Stamped(const QString& text) const {
  // The date and time change once a second; a send of thousands of lines
  // formats them once a second too.
  const auto second = std::chrono::time_point_cast<std::chrono::seconds>(m_clock.Now());
  if (second != m_stampSecond || m_stamp.isEmpty()) {
    m_stampSecond = second;
    m_stamp = QString::fromStdString(FormatShortDate(second) + " " + FormatLongTime(second)) + QStringLiteral("  ");
  }
  return m_stamp + text;
}

void TStatus::Log(const QString& text) { LogRaw(Stamped(text)); }

void TStatus::LogRaw(const QString& line) { AppendLines({line}); }

void TStatus::AppendLines(const QStringList& lines) {
  ShowAddedLines();
  if (lines.isEmpty()) return;
  m_log->appendPlainText(lines.join(QLatin1Char('\n')));
  m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void TStatus::ClearLog() {
  ShowAddedLines();
  m_log->clear();
}

void TStatus::AddLine(const QString& line) {
  if (!m_adding) {
    m_adding.emplace(m_log->document());
    m_adding->movePosition(QTextCursor::End);
    m_adding->beginEditBlock();
  }
  // As appending does: a new block, unless the log is still empty.
  if (!m_log->document()->isEmpty()) m_adding->insertBlock();
  m_adding->insertText(line);
}

void TStatus::ShowAddedLines() {
  if (!m_adding) return;
  m_adding->endEditBlock();
  m_adding.reset();
  m_log->verticalScrollBar()->setValue(m_log->verticalScrollBar()->maximum());
}

void TStatus::SetButtonCaption(const QString& caption) { m_action->setText(caption); }
void TStatus::FocusButton() { m_action->setFocus(Qt::OtherFocusReason); }

void TStatus::Button1Click() {
  if (m_action->text() != Text(res::kCloseCaption))
    m_abort = true;
  else
    hide();
}

void TStatus::Button2Click() {
  if (m_hooks.showHelp) m_hooks.showHelp(kHelpTopic);
}

void TStatus::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  FocusButton();
}

void TStatus::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  // Minimising is not hiding; and once destroyed, nothing is handed back.
  if (e->spontaneous() || m_destroyed) return;
  // FormHide: a hidden log means the send is over or abandoned.
  m_abort = true;
  if (m_hooks.enableInput) m_hooks.enableInput();
}

void TStatus::closeEvent(QCloseEvent* e) {
  e->accept();
  hide();
}

void TStatus::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape || IsEnter(e)) {
    m_action->click();
    return;
  }
  if (e->key() == Qt::Key_F1) {
    Button2Click();
    return;
  }
  QWidget::keyPressEvent(e);
}

bool TStatus::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_log && e->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (IsEnter(key) || key->key() == Qt::Key_Escape || key->key() == Qt::Key_F1) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void TStatus::Destroy() {
  ShowAddedLines();
  m_destroyed = true;
  if (m_hooks.writeBack && !m_hooks.writeBack()) return;
  // Running session queries stop at their next check, whatever the write
  // below does.
  m_abort = true;
  store::Settings s(m_hive);
  m_hive.WriteTransaction([&] { store::WriteWindowPlace(s, store::kStatusSection, {x(), y(), width(), height()}); });
  QCoreApplication::processEvents();
}

}  // namespace vantor::delivery
