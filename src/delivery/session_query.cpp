#include "delivery/session_query.h"

#include "common/text.h"
#include "lan/enumerate.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantor::delivery {

namespace {
constexpr const char* kReadingSessions = "Reading active sessions from %s";
constexpr const char* kWaitingForServers = "Waiting for server responses";
constexpr const char* kSessionTimeOut = "Time-out reading active sessions";
}  // namespace

// What the workers share with the query object. Workers never call into Qt:
// they put their steps in this queue and wait; the user-interface thread takes
// them out while workers are live (a short timer, and every turn of a waiting
// loop). Every hand-over between the threads is ordered by this mutex alone.
// The query object waits in its destructor until every worker has left.
struct SessionQuery::Hub {
  struct Step {
    std::function<void()> run;
    bool done = false;
  };
  std::mutex mutex;
  std::condition_variable cv;
  bool closing = false;
  int liveWorkers = 0;
  std::deque<std::shared_ptr<Step>> steps;
};

// One worker's run (TSesEnum.Execute).
struct SessionQuery::Job {
  std::shared_ptr<Hub> hub;
  SessionQuery* owner;
  lan::NetApi* api;
  std::atomic<bool>* abort;
  std::uint64_t query;
  std::string server;

  // Hands a step to the user-interface thread and waits until it has run.
  void RunOnUiThread(std::function<void()> run) {
    auto step = std::make_shared<Hub::Step>();
    step->run = std::move(run);
    std::unique_lock lock(hub->mutex);
    if (hub->closing) return;
    hub->steps.push_back(step);
    hub->cv.wait(lock, [&] { return step->done || hub->closing; });
  }

  void Execute() {
    std::vector<std::string> entries;
    lan::EnumerateSessions(
        *api, server,
        [&](const lan::SessionInfo10& s) {
          if (!s.username.empty()) entries.push_back(UserEntry(s.username));
          entries.push_back(ComputerEntry(s.cname));
        },
        [this] { return !abort->load(); });
    SessionQuery* o = owner;
    RunOnUiThread([o, &entries] { o->MergeSessions(entries); });
    entries.clear();
    std::uint64_t q = query;
    RunOnUiThread([o, q] { o->QueryFinished(q); });
    std::lock_guard lock(hub->mutex);
    --hub->liveWorkers;
    hub->cv.notify_all();
  }
};

void SessionQuery::RunSteps() {
  for (;;) {
    std::shared_ptr<Hub::Step> step;
    {
      std::lock_guard lock(hub_->mutex);
      if (hub_->steps.empty()) {
        if (hub_->liveWorkers == 0) stepTimer_.stop();
        return;
      }
      step = hub_->steps.front();
      hub_->steps.pop_front();
    }
    step->run();
    {
      std::lock_guard lock(hub_->mutex);
      step->done = true;
      step->run = nullptr;
    }
    hub_->cv.notify_all();
  }
}

SessionQuery::SessionQuery(lan::NetApi& api, std::atomic<bool>& abortRequested, QObject* parent)
    : QObject(parent), api_(api), abort_(abortRequested), hub_(std::make_shared<Hub>()) {
  timer_.setSingleShot(false);
  connect(&timer_, &QTimer::timeout, this, &SessionQuery::TimerFired);
  stepTimer_.setInterval(kStepPollMs);
  connect(&stepTimer_, &QTimer::timeout, this, &SessionQuery::RunSteps);
}

SessionQuery::~SessionQuery() {
  abort_ = true;
  std::unique_lock lock(hub_->mutex);
  hub_->closing = true;
  hub_->cv.notify_all();
  hub_->cv.wait(lock, [&] { return hub_->liveWorkers == 0; });
}

int SessionQuery::LiveWorkers() const {
  std::lock_guard lock(hub_->mutex);
  return hub_->liveWorkers;
}

void SessionQuery::Report(const std::string& text) {
  if (report_) report_(text);
}

void SessionQuery::TimerFired() {
  abort_ = true;
  timer_.stop();
}

void SessionQuery::ProcessUntil(const std::function<bool()>& done) {
  for (;;) {
    RunSteps();
    if (done()) return;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void SessionQuery::StartWorker(const std::string& server) {
  auto job = std::make_shared<Job>(Job{hub_, this, &api_, &abort_, queryNumber_, server});
  {
    std::lock_guard lock(hub_->mutex);
    ++hub_->liveWorkers;
  }
  if (!stepTimer_.isActive()) stepTimer_.start();
  try {
    std::thread([job] { job->Execute(); }).detach();
  } catch (const std::system_error&) {
    // No thread could be had: the server counts as not answering.
    {
      std::lock_guard lock(hub_->mutex);
      --hub_->liveWorkers;
    }
    QueryFinished(queryNumber_);
  }
}

void SessionQuery::MergeSessions(const std::vector<std::string>& entries) {
  if (activeSessions_) activeSessions_->insert(entries.begin(), entries.end());
  emit stepRan();
}

void SessionQuery::QueryFinished(std::uint64_t query) {
  if (query == queryNumber_ && running_ && pendingQueries_ > 0) --pendingQueries_;
  emit stepRan();
}

void SessionQuery::NetSesEnum(const std::vector<QueryServer>& servers, const std::string& localComputerName,
                              int timeoutSeconds) {
  ++queryNumber_;
  running_ = true;
  abort_ = false;
  timer_.setInterval(timeoutSeconds * 1000);
  timer_.start();
  pendingQueries_ = 0;

  bool ownListed = false;
  for (const QueryServer& s : servers) {
    if (s.name == localComputerName) ownListed = true;
    if (!s.checked) continue;
    ++pendingQueries_;
    Report(Format(kReadingSessions, {s.name}));
    StartWorker("\\\\" + s.name);
    // At most kMaxWorkers workers for listed servers run at once. A time-out
    // also ends the wait for a free place.
    ProcessUntil([&] { return pendingQueries_ < kMaxWorkers || abort_.load(); });
    if (abort_) break;
  }
  if (!ownListed && !abort_) {
    // The own computer may be the 31st.
    ++pendingQueries_;
    Report(Format(kReadingSessions, {localComputerName}));
    StartWorker("\\\\" + localComputerName);
  }
  Report(kWaitingForServers);
  ProcessUntil([&] { return pendingQueries_ == 0 || abort_.load(); });
  timer_.stop();
  if (abort_) Report(kSessionTimeOut);
  pendingQueries_ = 0;
  running_ = false;
}

}  // namespace vantor::delivery
