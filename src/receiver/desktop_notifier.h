// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus), when the session has
// one. Calls never wait: each goes out and its answer comes back later; a
// failure is reported once, by failed().

#include <QObject>
#include <QString>

namespace vantor::receiver {

class DesktopNotifier : public QObject {
  Q_OBJECT
 public:
  explicit DesktopNotifier(QObject* parent = nullptr);

  // Sends a notification. False when there is no session bus to send it on.
  bool Notify(const QString& summary, const QString& body);

  // The body as the service shows it: with markup escaped unless the
  // service is known to show text as it is.
  QString BodyFor(const QString& text) const;

 signals:
  void failed(const QString& why);

 private:
  enum class Markup { Unknown, Yes, No };
  void AskCapabilities();
  Markup m_markup = Markup::Unknown;
  bool m_reported = false;
};

}  // namespace vantor::receiver
