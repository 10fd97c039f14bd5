// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asks a set of servers which users and computers hold sessions on them. One
// worker thread (TSesEnum) queries one server; the user-interface thread
// starts the workers, waits for them with a time-out while it keeps the
// windows alive, and merges their answers into ActiveSessions.
//
// Each worker hands its answer to the user-interface thread as one step
// (MergeSessions, then QueryFinished) and ends; the hand-over wakes that
// thread with a posted event, so nothing polls. Each worker carries the
// number of the query that started it, so a late worker of an earlier query
// never counts its end against a newer one.

#include "delivery/session_set.h"
#include "lan/net_api.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantor::delivery {

struct QueryServer {
  std::string name;
  bool checked = true;
};

class SessionQuery : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxWorkers = 30;

  // abortRequested is the program's AbortRequested flag.
  SessionQuery(lan::NetApi& api, std::atomic<bool>& abortRequested, QObject* parent = nullptr);
  // Asks running workers to stop and waits until all have left.
  ~SessionQuery() override;

  // Progress texts ("Reading active sessions from %s", ...), for the status
  // bar and, while it shows, the status window's log.
  void SetReporter(std::function<void(const std::string&)> report) { m_report = std::move(report); }

  // NetSesEnum: queries the checked servers, in the given order, and the own
  // computer when the list does not name it. Returns when every worker has
  // reported or AbortRequested is set (time-out after timeoutSeconds, or a
  // cancel); the outcome is AbortRequested and ActiveSessions.
  void NetSesEnum(const std::vector<QueryServer>& servers, const std::string& localComputerName, int timeoutSeconds);

  // The caller creates the set before a query and frees it when done with
  // the result; answers that arrive while it does not exist are dropped.
  void CreateActiveSessions() { m_activeSessions = std::make_unique<SessionSet>(); }
  void FreeActiveSessions() { m_activeSessions.reset(); }
  // Null while no caller holds the set.
  const SessionSet* ActiveSessions() const { return m_activeSessions.get(); }

  // Workers started and not yet ended.
  int LiveWorkers() const;

 protected:
  void customEvent(QEvent* e) override;

 private:
  struct Hub;
  struct Job;

  // Runs the steps the workers have handed over (on the user-interface thread).
  void RunSteps();

  void StartWorker(const std::string& server);
  void MergeSessions(const std::vector<std::string>& entries);
  void QueryFinished(std::uint64_t query);
  void Report(const std::string& text);
  void TimerFired();
  // Processes window messages until done() holds.
  void ProcessUntil(const std::function<bool()>& done);

  lan::NetApi& m_api;
  std::atomic<bool>& m_abort;
  std::shared_ptr<Hub> m_hub;
  QTimer m_timer;
  std::function<void(const std::string&)> m_report;
  std::unique_ptr<SessionSet> m_activeSessions;
  int m_pendingQueries = 0;
  std::uint64_t m_queryNumber = 0;
  bool m_running = false;
};

}  // namespace vantor::delivery
