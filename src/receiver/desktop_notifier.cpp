// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace vantor::receiver {

namespace {
const char* const kService = "org.freedesktop.Notifications";
const char* const kPath = "/org/freedesktop/Notifications";
constexpr int kCallTimeoutMs = 10000;

QDBusMessage Call(const char* method) {
  return QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                        QString::fromLatin1(kService), QString::fromLatin1(method));
}
}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) { AskCapabilities(); }

void DesktopNotifier::AskCapabilities() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(Call("GetCapabilities"), kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    QDBusPendingReply<QStringList> reply = *w;
    if (!reply.isError())
      m_markup = reply.value().contains(QStringLiteral("body-markup")) ? Markup::Yes : Markup::No;
    w->deleteLater();
  });
}

QString DesktopNotifier::BodyFor(const QString& text) const {
  // Until the service has said, escaping is the safe guess: a service that
  // reads markup would otherwise take the sender's "<" for a tag.
  return m_markup == Markup::No ? text : text.toHtmlEscaped();
}

bool DesktopNotifier::Notify(const QString& summary, const QString& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = Call("Notify");
  QVariantMap hints;
  hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("vantor-receive"));
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
  call << QStringLiteral("Vantor") << 0u << QStringLiteral("mail-message-new") << summary << BodyFor(body)
       << QStringList() << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    if (w->isError() && !m_reported) {
      m_reported = true;
      emit failed(w->error().message());
    }
    w->deleteLater();
  });
  return true;
}

}  // namespace vantor::receiver
