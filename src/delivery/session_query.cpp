// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/session_query.h"

#include "common/recipient.h"
#include "common/text.h"
#include "gui/res_strings.h"
#include "lan/enumerate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantor::delivery {

namespace res = gui::res;

namespace {
// Posted to the query object when a worker has handed over a step.
const QEvent::Type kStepsQueued = static_cast<QEvent::Type>(QEvent::registerEventType());
}  // namespace

// What the workers share with the query object. A worker puts its one step
// in this queue, wakes the user-interface thread (once until that thread has
// drained the queue) and leaves: the step owns everything it needs, so the
// worker has no reason to wait until it has run. Every hand-over between the
// threads is ordered by this mutex alone. The query object waits in its
// destructor until every worker has left, so a worker never wakes an object
// that is gone.
struct SessionQuery::Hub {
  std::mutex mutex;
  std::condition_variable workerLeft;
  bool closing = false;
  bool wakePending = false;
  int liveWorkers = 0;
  std::deque<std::function<void()>> steps;
  std::function<void()> wake;  // set once, before any worker starts
};

// One worker's run (TSesEnum.Execute).
struct SessionQuery::Job {
  std::shared_ptr<Hub> hub;
  SessionQuery* owner;
  lan::NetApi* api;
  std::atomic<bool>* abort;
  std::uint64_t query;
  std::string server;

  // Hands the worker's last step to the user-interface thread and leaves.
  // Merging the answer and counting the server as done run as one step, in
  // that order, so the query never ends between the two.
  void Execute() {
    std::vector<std::string> entries;
    lan::EnumerateSessions(
        *api, server,
        [&](const lan::SessionInfo10& s) {
          if (!s.username.empty()) entries.push_back(ActiveUserKey(s.username));
          entries.push_back(ActiveComputerKey(s.cname));
        },
        [this] { return !abort->load(); });
    SessionQuery* o = owner;
    std::uint64_t q = query;
    std::lock_guard lock(hub->mutex);
    if (!hub->closing) {
      hub->steps.emplace_back([o, q, entries = std::move(entries)] {
        o->MergeSessions(entries);
        o->QueryFinished(q);
      });
      if (!hub->wakePending) {
        hub->wakePending = true;
        hub->wake();
      }
    }
    --hub->liveWorkers;
    hub->workerLeft.notify_all();
  }
};

SessionQuery::SessionQuery(lan::NetApi& api, std::atomic<bool>& abortRequested, QObject* parent)
    : QObject(parent), m_api(api), m_abort(abortRequested), m_hub(std::make_shared<Hub>()) {
  m_hub->wake = [this] { QCoreApplication::postEvent(this, new QEvent(kStepsQueued)); };
  m_timer.setSingleShot(false);
  connect(&m_timer, &QTimer::timeout, this, &SessionQuery::TimerFired);
}

SessionQuery::~SessionQuery() {
  m_abort = true;
  std::unique_lock lock(m_hub->mutex);
  m_hub->closing = true;
  m_hub->workerLeft.wait(lock, [&] { return m_hub->liveWorkers == 0; });
}

void SessionQuery::customEvent(QEvent* e) {
  // A worker made the event under the hub's lock. Taking the lock before
  // reading it orders the read after that write by a lock we own: the
  // event queue's own locking happens inside Qt, where ThreadSanitizer
  // cannot see it.
  QEvent::Type type;
  {
    std::lock_guard lock(m_hub->mutex);
    type = e->type();
  }
  if (type == kStepsQueued) RunSteps();
}

void SessionQuery::RunSteps() {
  for (;;) {
    std::function<void()> step;
    {
      std::lock_guard lock(m_hub->mutex);
      if (m_hub->steps.empty()) {
        m_hub->wakePending = false;
        return;
      }
      step = std::move(m_hub->steps.front());
      m_hub->steps.pop_front();
    }
    step();
  }
}

int SessionQuery::LiveWorkers() const {
  std::lock_guard lock(m_hub->mutex);
  return m_hub->liveWorkers;
}

void SessionQuery::Report(const std::string& text) {
  if (m_report) m_report(text);
}

void SessionQuery::TimerFired() {
  m_abort = true;
  m_timer.stop();
}

void SessionQuery::ProcessUntil(const std::function<bool()>& done) {
  for (;;) {
    RunSteps();
    if (done()) return;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void SessionQuery::StartWorker(const std::string& server) {
  auto job = std::make_shared<Job>(Job{m_hub, this, &m_api, &m_abort, m_queryNumber, server});
  {
    std::lock_guard lock(m_hub->mutex);
    ++m_hub->liveWorkers;
  }
  try {
    std::thread([job] { job->Execute(); }).detach();
  } catch (const std::system_error&) {
    // No thread could be had: the server counts as not answering.
    {
      std::lock_guard lock(m_hub->mutex);
      --m_hub->liveWorkers;
    }
    QueryFinished(m_queryNumber);
  }
}

void SessionQuery::MergeSessions(const std::vector<std::string>& entries) {
  if (m_activeSessions) m_activeSessions->insert(entries.begin(), entries.end());
}

void SessionQuery::QueryFinished(std::uint64_t query) {
  if (query == m_queryNumber && m_running && m_pendingQueries > 0) --m_pendingQueries;
}

void SessionQuery::NetSesEnum(const std::vector<QueryServer>& servers, const std::string& localComputerName,
                              int timeoutSeconds) {
  ++m_queryNumber;
  m_running = true;
  m_abort = false;
  m_timer.setInterval(timeoutSeconds * 1000);
  m_timer.start();
  m_pendingQueries = 0;

  bool ownListed = false;
  for (const QueryServer& s : servers) {
    if (s.name == localComputerName) ownListed = true;
    if (!s.checked) continue;
    ++m_pendingQueries;
    Report(Format(res::kReadingSessions, {s.name}));
    StartWorker("\\\\" + s.name);
    // At most kMaxWorkers workers for listed servers run at once. A time-out
    // also ends the wait for a free place.
    ProcessUntil([&] { return m_pendingQueries < kMaxWorkers || m_abort.load(); });
    if (m_abort) break;
  }
  if (!ownListed && !m_abort) {
    // The own computer may be the 31st.
    ++m_pendingQueries;
    Report(Format(res::kReadingSessions, {localComputerName}));
    StartWorker("\\\\" + localComputerName);
  }
  Report(res::kWaitingForServers);
  ProcessUntil([&] { return m_pendingQueries == 0 || m_abort.load(); });
  m_timer.stop();
  if (m_abort) Report(res::kSessionTimeOut);
  m_pendingQueries = 0;
  m_running = false;
}

}  // namespace vantor::delivery
