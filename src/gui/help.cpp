// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/help.h"

#include "common/text.h"
#include "gui/res_strings.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantor::gui {

// The data folder relative to the folder of the installed program, as the
// build's install layout has it (by default "../share/vantor").
#ifndef VANTOR_DATA_FROM_BIN
#define VANTOR_DATA_FROM_BIN "../share/vantor"
#endif

QString HelpFilePathFor(const QString& programPath) {
  QFileInfo fi(QDir::current().absoluteFilePath(programPath));
  QString name = fi.fileName();
  qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0) name.truncate(dot);
  const QString fileName = name + QStringLiteral(".HLP");
  const QString beside = QDir::cleanPath(fi.absolutePath() + QLatin1Char('/') + fileName);
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(fi.absolutePath() + QLatin1Char('/') +
                                            QStringLiteral(VANTOR_DATA_FROM_BIN) + QLatin1Char('/') + fileName);
  return QFileInfo::exists(installed) ? installed : beside;
}

HelpViewer::HelpViewer(QString helpFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_file(std::move(helpFile)), m_browser(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowTitle(QString::fromLatin1(res::kHelpViewerCaption));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser);
  m_browser->setOpenExternalLinks(false);
  resize(560, 480);
}

bool HelpViewer::Load() {
  if (m_loaded) return true;
  QFile f(m_file);
  if (!f.open(QIODevice::ReadOnly)) {
    m_browser->setPlainText(QString::fromStdString(
        Format(res::kHelpFileUnreadable, {m_file.toStdString(), f.errorString().toStdString()})));
    return false;
  }
  m_browser->setHtml(QString::fromUtf8(f.readAll()));
  m_loaded = true;
  return true;
}

void HelpViewer::FollowModality() {
  // A box that waits for an answer blocks every other window; help opened
  // from it must stay usable, so the viewer waits on top of the box while
  // it lasts, and goes back to an ordinary window when the box is gone.
  QWidget* modal = QApplication::activeModalWidget();
  const bool overBox = modal && modal != this;
  const Qt::WindowModality wanted = overBox ? Qt::ApplicationModal : Qt::NonModal;
  if (windowModality() == wanted) return;
  const bool wasVisible = isVisible();
  hide();
  setWindowModality(wanted);
  if (overBox) {
    connect(modal, &QObject::destroyed, this, [this] {
      if (windowModality() == Qt::NonModal) return;
      const bool visible = isVisible();
      hide();
      setWindowModality(Qt::NonModal);
      if (visible) show();
    });
  }
  if (wasVisible) show();
}

void HelpViewer::ShowTopic(int topic) {
  if (Load()) m_browser->scrollToAnchor(QStringLiteral("topic-%1").arg(topic));
  FollowModality();
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
