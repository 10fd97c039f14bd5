#include "delivery/status_window.h"

#include "common/clock.h"
#include "store/settings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace vantor::delivery {

namespace {
constexpr const char* kSection = "Status";
constexpr int kDesignLeft = 336, kDesignTop = 219, kDesignWidth = 260, kDesignHeight = 198;
constexpr int kLogLeft = 8, kLogTop = 24;
}  // namespace

TStatus::TStatus(store::Hive& hive, std::atomic<bool>& abortRequested, const Clock& clock, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      hive_(hive),
      abort_(abortRequested),
      clock_(clock),
      hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("TStatus"));
  setWindowTitle(QStringLiteral("Vantor Status"));
  setMinimumSize(260, 180);
  Panel1 = new QWidget(this);
  Label1 = new QLabel(QStringLiteral("Message status:"), Panel1);
  Memo1 = new QPlainTextEdit(Panel1);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(8);
  Memo1->setFont(f);
  Memo1->setBackgroundRole(QPalette::Button);
  QPalette pal = Memo1->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  Memo1->setPalette(pal);
  Button1 = new QPushButton(QStringLiteral("&Cancel"), Panel1);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button1->setAutoDefault(true);
  Button2 = new QPushButton(QStringLiteral("&Help"), Panel1);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button1, &QPushButton::clicked, this, &TStatus::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TStatus::Button2Click);

  // FormCreate: the stored place and size, else the designed ones.
  store::Settings s(hive_);
  int left = s.ReadInteger(kSection, "Left", kDesignLeft);
  int top = s.ReadInteger(kSection, "Top", kDesignTop);
  int height = s.ReadInteger(kSection, "Height", kDesignHeight);
  int width = s.ReadInteger(kSection, "Width", kDesignWidth);
  move(left, top);
  resize(width, height);
  LayOut();
}

void TStatus::LayOut() {
  Panel1->setGeometry(rect());
  const int w = Panel1->width(), h = Panel1->height();
  Label1->setGeometry(kLogLeft, 4, w - 2 * kLogLeft, kLogTop - 6);
  const int logWidth = std::max(0, w - 2 * kLogLeft);
  const int logHeight = std::max(0, h - kLogTop - 50);
  Memo1->setGeometry(kLogLeft, kLogTop, logWidth, logHeight);
  const int buttonTop = kLogTop + logHeight + 8;
  const int bw = 75, bh = 25;
  // Help's right edge is the log's; the action button stands 8 pixels left of Help.
  Button2->setGeometry(kLogLeft + logWidth - bw, buttonTop, bw, bh);
  Button1->setGeometry(kLogLeft + logWidth - 2 * bw - 8, buttonTop, bw, bh);
}

void TStatus::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut();
}

void TStatus::Log(const QString& text) {
  auto now = clock_.Now();
  QString stamp = QString::fromStdString(FormatShortDate(now) + " " + FormatLongTime(now));
  LogRaw(stamp + QStringLiteral("  ") + text);
}

void TStatus::LogRaw(const QString& line) {
  Memo1->appendPlainText(line);
  Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TStatus::ClearLog() { Memo1->clear(); }
QString TStatus::LogText() const { return Memo1->toPlainText(); }

void TStatus::SetButtonCaption(const QString& caption) { Button1->setText(caption); }
QString TStatus::ButtonCaption() const { return Button1->text(); }

void TStatus::Button1Click() {
  if (Button1->text() != QStringLiteral("&Close"))
    abort_ = true;
  else
    hide();
}

void TStatus::Button2Click() {
  if (hooks_.showHelp) hooks_.showHelp(8);
}

void TStatus::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  // Minimising is not hiding; and once destroyed, nothing is handed back.
  if (e->spontaneous() || destroyed_) return;
  // FormHide: a hidden log means the send is over or abandoned.
  abort_ = true;
  if (hooks_.enableInput) hooks_.enableInput();
}

void TStatus::closeEvent(QCloseEvent* e) {
  e->accept();
  hide();
}

void TStatus::keyPressEvent(QKeyEvent* e) {
  // The action button is both the default and the cancel button.
  switch (e->key()) {
    case Qt::Key_Escape: Button1Click(); return;
    case Qt::Key_F1: Button2Click(); return;
    default: QWidget::keyPressEvent(e);
  }
}

void TStatus::Destroy() {
  destroyed_ = true;
  if (hooks_.writeBack && !hooks_.writeBack()) return;
  store::Settings s(hive_);
  s.hive().WriteTransaction([&] {
    s.WriteInteger(kSection, "Left", x());
    s.WriteInteger(kSection, "Top", y());
    s.WriteInteger(kSection, "Width", width());
    s.WriteInteger(kSection, "Height", height());
  });
  abort_ = true;
  QCoreApplication::processEvents();
}

}  // namespace vantor::delivery
