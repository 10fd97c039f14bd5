// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/receiver.h"

#include "lan/net_error_text.h"
#include "lan/samba/message_names.h"
#include "receive/history.h"

#include <QFileSystemWatcher>

#include <chrono>

namespace vantor::receiver {

using namespace std::chrono_literals;

Receiver::Receiver(store::Hive& hive, std::string spool, std::uint32_t uid, Show show, QObject* parent)
    : QObject(parent), m_hive(hive), m_spool(std::move(spool)), m_uid(uid), m_show(std::move(show)) {
  m_sweep.setInterval(30s);
  connect(&m_sweep, &QTimer::timeout, this, [this] { TakeWaiting(); });
  m_settle.setSingleShot(true);
  m_settle.setInterval(50ms);
  connect(&m_settle, &QTimer::timeout, this, [this] { TakeWaiting(); });
}

Receiver::~Receiver() = default;

const std::string& Receiver::InboxPath() const {
  static const std::string none;
  return m_inbox ? m_inbox->Path() : none;
}

Receiver::StartResult Receiver::Start(std::string& why) {
  lan::samba::MessageNames names(m_spool);
  if (lan::Status s = names.Register(m_uid); s != lan::NERR_Success) {
    why = names.Folder() + ": the user's message name cannot be registered: " + lan::NetErrorText(s);
    return StartResult::kFailed;
  }
  switch (names.OpenSession(m_uid, m_session, why)) {
    case lan::samba::MessageNames::SessionResult::kOpened: break;
    case lan::samba::MessageNames::SessionResult::kHeld: return StartResult::kOtherReceiver;
    case lan::samba::MessageNames::SessionResult::kFailed: return StartResult::kFailed;
  }
  m_inbox = receive::Inbox::Open(m_spool, m_uid, why);
  if (!m_inbox) {
    m_session.Reset();
    return StartResult::kFailed;
  }
  TakeWaiting();
  m_watcher = new QFileSystemWatcher({QString::fromStdString(m_inbox->Path())}, this);
  connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
  m_sweep.start();
  return StartResult::kStarted;
}

int Receiver::TakeWaiting() {
  if (!m_inbox) return 0;
  std::vector<std::string> problems;
  std::vector<receive::SpooledMessage> waiting = m_inbox->Waiting(problems);
  for (const std::string& p : problems) emit problem(QString::fromStdString(p));
  receive::ReceivedHistory history(m_hive);
  int shown = 0;
  for (const receive::SpooledMessage& m : waiting) {
    bool added = false;
    try {
      added = history.Add(m);
    } catch (const std::exception& e) {
      // The message stays in the inbox for the next look.
      emit problem(QString::fromStdString(std::string("the history cannot be written: ") + e.what()));
      break;
    }
    m_inbox->Remove(m.id);
    if (added) {
      m_show(m);
      ++shown;
    }
  }
  return shown;
}

}  // namespace vantor::receiver
