// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the desktop's notification service: it takes the name
// org.freedesktop.Notifications on the session bus and writes each Notify
// call into DIR as N.app, N.summary and N.body (the bytes received, N from
// 1), and DIR/ready once it has the name.
//   notify_recorder DIR
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <iostream>

class Notifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  explicit Notifications(QString dir) : m_dir(std::move(dir)) {}

 public slots:
  QStringList GetCapabilities() { return {QStringLiteral("body")}; }
  QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
    vendor = QStringLiteral("vantor tests");
    version = QStringLiteral("1");
    specVersion = QStringLiteral("1.2");
    return QStringLiteral("notify_recorder");
  }
  uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    ++m_count;
    Write(QStringLiteral("app"), app);
    Write(QStringLiteral("summary"), summary);
    Write(QStringLiteral("body"), body);
    return m_count;
  }
  void CloseNotification(uint) {}

 private:
  void Write(const QString& what, const QString& text) {
    QFile f(QStringLiteral("%1/%2.%3").arg(m_dir).arg(m_count).arg(what));
    if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
  }
  QString m_dir;
  uint m_count = 0;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: notify_recorder DIR\n";
    return 2;
  }
  Notifications service(QString::fromLocal8Bit(argv[1]));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                          QDBusConnection::ExportAllSlots) ||
      !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
    std::cerr << "notify_recorder: " << bus.lastError().message().toStdString() << "\n";
    return 1;
  }
  QFile ready(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ready"));
  ready.open(QIODevice::WriteOnly);
  ready.close();
  return QCoreApplication::exec();
}

#include "notify_recorder.moc"
