#include "gui/help.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantor::gui {

QString HelpFilePathFor(const QString& programPath) {
  QFileInfo fi(QDir::current().absoluteFilePath(programPath));
  QString name = fi.fileName();
  qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) name.truncate(dot);
  return QDir::cleanPath(fi.absolutePath() + QLatin1Char('/') + name + QStringLiteral(".HLP"));
}

HelpViewer::HelpViewer(QString helpFile, QWidget* parent)
    : QWidget(parent, Qt::Window), file_(std::move(helpFile)), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowTitle(QStringLiteral("Vantor Help"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenExternalLinks(false);
  resize(560, 480);
}

bool HelpViewer::Load() {
  if (loaded_) return true;
  QFile f(file_);
  if (!f.open(QIODevice::ReadOnly)) {
    browser_->setPlainText(QStringLiteral("The help file \"%1\" cannot be opened: %2").arg(file_, f.errorString()));
    return false;
  }
  browser_->setHtml(QString::fromUtf8(f.readAll()));
  loaded_ = true;
  return true;
}

void HelpViewer::ShowTopic(int topic) {
  shownTopic_ = topic;
  if (Load()) browser_->scrollToAnchor(QStringLiteral("topic-%1").arg(topic));
  show();
  raise();
  activateWindow();
}

void HelpViewer::OpenFile() {
  ShowTopic(0);
  QEventLoop loop;
  // Return once the viewer is closed.
  while (isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace vantor::gui
