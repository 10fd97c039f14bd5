// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open and save dialogs of the export and import commands, behind a
// facade so that tests can answer them in advance.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace vantor::gui {

struct FileRequest {
  QString title;
  QString defaultName;   // without extension
  QString extension;     // added to a name typed without one
  QStringList filters;   // "Registry files (*.reg)", ...
  int helpTopic = -1;    // F1 in the dialog
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen file, or empty when the user cancelled. The save dialog asks
  // before replacing a file, and refuses a folder that does not exist.
  virtual QString SaveFile(QWidget* parent, const FileRequest& request) = 0;
  virtual QString OpenFile(QWidget* parent, const FileRequest& request) = 0;
};

// The real dialogs. showHelp opens a help topic (F1 in the dialog).
class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(std::function<void(int)> showHelp) : m_showHelp(std::move(showHelp)) {}
  QString SaveFile(QWidget* parent, const FileRequest& request) override;
  QString OpenFile(QWidget* parent, const FileRequest& request) override;

 private:
  QString Run(QWidget* parent, const FileRequest& request, bool save);

  std::function<void(int)> m_showHelp;
};

}  // namespace vantor::gui
