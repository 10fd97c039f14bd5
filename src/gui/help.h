// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help file and its viewer. The help file is named like the program with
// the extension ".HLP"; it sits beside the program in a build tree, and in the
// data folder (share/vantor/ next to bin/) once installed. It is HTML with one
// anchor per topic ("topic-0" to "topic-16"), shown by the program's own
// viewer.

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace vantor::gui {

// The help file for the program at programPath (made absolute): beside the
// program when it is there, else in the installed data folder when it is
// there; else the path beside the program, for the error that names it.
QString HelpFilePathFor(const QString& programPath);

class HelpService {
 public:
  virtual ~HelpService() = default;
  // Opens the viewer at a numbered topic; returns at once.
  virtual void ShowTopic(int topic) = 0;
  // Opens the whole file and returns when the user has closed it.
  virtual void OpenFile() = 0;
};

class HelpViewer : public QWidget, public HelpService {
  Q_OBJECT
 public:
  explicit HelpViewer(QString helpFile, QWidget* parent = nullptr);

  void ShowTopic(int topic) override;
  void OpenFile() override;

 private:
  bool Load();
  void FollowModality();

  QString m_file;
  QTextBrowser* m_browser;
  bool m_loaded = false;
};

}  // namespace vantor::gui
