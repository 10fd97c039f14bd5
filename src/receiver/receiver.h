// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiver of one user's desktop session: it registers the user's
// message name, holds the session lock (so the delivery helper counts the
// user as logged on) and takes each message the helper leaves in the user's
// inbox: into the history in the store first, then out of the inbox, then
// shown - a pop-up window and a desktop notification. A message that
// waited while the user was away is shown when the next session starts,
// once: one the history holds already is only removed from the inbox.

#include "common/dir_file.h"
#include "receive/spool.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QFileSystemWatcher;

namespace vantor::store {
class Hive;
}

namespace vantor::receiver {

class Receiver : public QObject {
  Q_OBJECT
 public:
  // Called for each message taken that the history did not hold.
  using Show = std::function<void(const receive::SpooledMessage&)>;

  Receiver(store::Hive& hive, std::string spool, std::uint32_t uid, Show show, QObject* parent = nullptr);
  ~Receiver() override;

  enum class StartResult { kStarted, kOtherReceiver, kFailed };
  // Registers the user, takes the session lock, opens the inbox and takes
  // what waits there; then watches the inbox.
  StartResult Start(std::string& why);

  // Takes what waits in the inbox; the number of messages shown.
  int TakeWaiting();

  const std::string& InboxPath() const;

 signals:
  // A line for whoever watches the receiver's output.
  void problem(const QString& text);

 private:
  store::Hive& m_hive;
  std::string m_spool;
  std::uint32_t m_uid;
  Show m_show;
  files::UniqueFd m_session;
  std::optional<receive::Inbox> m_inbox;
  QFileSystemWatcher* m_watcher = nullptr;
  QTimer m_sweep;     // in case the watcher misses a change
  QTimer m_settle;    // gathers a burst of changes into one look
};

}  // namespace vantor::receiver
