// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QShortcut>

namespace vantor::gui {

QString QtFileDialogs::Run(QWidget* parent, const FileRequest& request, bool save) {
  QFileDialog dialog(parent, request.title);
  dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(request.filters);
  dialog.setDefaultSuffix(request.extension);
  dialog.setSizeGripEnabled(true);
  // The dialog confirms a replaced file itself and will not save into a
  // folder that does not exist.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.selectFile(request.defaultName);
  if (request.helpTopic >= 0 && m_showHelp) {
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    const int topic = request.helpTopic;
    QObject::connect(help, &QShortcut::activated, &dialog, [this, topic] { m_showHelp(topic); });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString QtFileDialogs::SaveFile(QWidget* parent, const FileRequest& request) { return Run(parent, request, true); }

QString QtFileDialogs::OpenFile(QWidget* parent, const FileRequest& request) { return Run(parent, request, false); }

}  // namespace vantor::gui
