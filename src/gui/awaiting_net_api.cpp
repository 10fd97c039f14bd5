// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/awaiting_net_api.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vantor::gui {

namespace {
const QEvent::Type kCallDone = static_cast<QEvent::Type>(QEvent::registerEventType());
// A call that ends within this long does not let other events in.
constexpr auto kQuietWait = std::chrono::milliseconds(20);
// How long either thread keeps looking before it sleeps. Most calls on a
// quiet network end within this; a hand-over then costs no sleep and wake-up
// of a thread, which on a virtual machine costs tens of microseconds each
// way (5,000 sends to a group spent more time in them than in the calls).
constexpr auto kSpin = std::chrono::microseconds(50);

// Tells the processor that this is a wait loop (it then saves power and
// leaves the core's resources to its sibling thread).
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// Polls until ready() holds or kSpin has passed; true when it holds.
template <typename Ready>
bool SpinUntil(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  for (;;) {
    for (int i = 0; i < 16; ++i) {
      if (ready()) return true;
      CpuRelax();
    }
    if (std::chrono::steady_clock::now() >= until) return ready();
  }
}
}  // namespace

// One thread that runs the calls in the order they come. Every hand-over is
// ordered by its mutex, except the two looks that spinning takes without it:
// the queue's length and a task's end, both atomics whose writes are made
// under the mutex. The worker calls no Qt but the wake-up, which posts an
// event to the interface thread while that thread waits in its loop.
struct AwaitingNetApi::Task {
  std::function<void()> run;
  std::atomic<bool> done{false};
};

struct AwaitingNetApi::Worker {
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<std::shared_ptr<Task>> queue;
  std::atomic<std::size_t> queued{0};  // queue.size()
  int waitersPumping = 0;
  std::atomic<bool> stopping{false};
  std::function<void()> wake;
  std::thread thread;

  Worker() : thread([this] { Loop(); }) {}
  ~Worker() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    cv.notify_all();
    thread.join();
  }

  void Loop() {
    for (;;) {
      SpinUntil([&] { return queued.load() > 0 || stopping.load(); });
      std::shared_ptr<Task> task;
      {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return stopping || !queue.empty(); });
        if (queue.empty()) return;
        task = queue.front();
        queue.pop_front();
        queued = queue.size();
      }
      task->run();
      {
        std::lock_guard lock(mutex);
        task->done = true;
        if (waitersPumping > 0) wake();
      }
      cv.notify_all();
    }
  }
};

AwaitingNetApi::AwaitingNetApi(lan::NetApi& inner) : m_inner(inner), m_worker(std::make_unique<Worker>()) {
  m_worker->wake = [this] { QCoreApplication::postEvent(this, new QEvent(kCallDone)); };
}

AwaitingNetApi::~AwaitingNetApi() = default;

void AwaitingNetApi::customEvent(QEvent*) {
  // Only wakes the waiting loop, which looks at its call itself.
}

std::shared_ptr<AwaitingNetApi::Task> AwaitingNetApi::Enqueue(std::function<void()> run) {
  auto task = std::make_shared<Task>();
  task->run = std::move(run);
  Worker& w = *m_worker;
  {
    std::lock_guard lock(w.mutex);
    w.queue.push_back(task);
    w.queued = w.queue.size();
  }
  w.cv.notify_all();
  return task;
}

void AwaitingNetApi::Wait(const Task& task) {
  if (SpinUntil([&] { return task.done.load(); })) return;
  Worker& w = *m_worker;
  std::unique_lock lock(w.mutex);
  if (w.cv.wait_for(lock, kQuietWait, [&] { return task.done.load(); })) return;
  ++w.waitersPumping;
  while (!task.done) {
    lock.unlock();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    lock.lock();
  }
  --w.waitersPumping;
}

template <typename Call>
auto AwaitingNetApi::Await(Call call) -> decltype(call()) {
  if (QThread::currentThread() != thread()) return call();
  decltype(call()) result{};
  Wait(*Enqueue([&result, &call] { result = call(); }));
  return result;
}

std::function<void()> AwaitingNetApi::Start(std::function<void()> call) {
  if (QThread::currentThread() != thread()) {
    call();
    return [] {};
  }
  return [this, task = Enqueue(std::move(call))] { Wait(*task); };
}

lan::Status AwaitingNetApi::NetMessageBufferSend(std::string_view server, std::string_view to, std::string_view from,
                                                 std::u16string_view text) {
  return Await([&] { return m_inner.NetMessageBufferSend(server, to, from, text); });
}
lan::Status AwaitingNetApi::NetMessageNameAdd(std::string_view server, std::string_view name) {
  return Await([&] { return m_inner.NetMessageNameAdd(server, name); });
}
lan::Status AwaitingNetApi::NetMessageNameDel(std::string_view server, std::string_view name) {
  return Await([&] { return m_inner.NetMessageNameDel(server, name); });
}
lan::Status AwaitingNetApi::NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t pref,
                                               lan::NetBuffer<lan::MsgInfo0>& out, std::uint32_t& total,
                                               std::uint32_t& resume) {
  return Await([&] { return m_inner.NetMessageNameEnum(server, level, pref, out, total, resume); });
}
lan::Status AwaitingNetApi::NetSessionEnum(std::string_view server, std::string_view client, std::string_view user,
                                           std::uint32_t level, std::uint32_t pref,
                                           lan::NetBuffer<lan::SessionInfo10>& out, std::uint32_t& total,
                                           std::uint32_t& resume) {
  return Await([&] { return m_inner.NetSessionEnum(server, client, user, level, pref, out, total, resume); });
}
lan::Status AwaitingNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t pref,
                                            std::uint32_t type, std::string_view domain, std::string_view first,
                                            lan::NetBuffer<lan::ServerInfo101>& out, std::uint32_t& total) {
  return Await([&] { return m_inner.NetServerEnumEx(server, level, pref, type, domain, first, out, total); });
}
lan::Status AwaitingNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level,
                                                       std::uint32_t index, std::uint32_t entries, std::uint32_t pref,
                                                       lan::NetBuffer<lan::DisplayEntry>& out) {
  return Await([&] { return m_inner.NetQueryDisplayInformation(server, level, index, entries, pref, out); });
}
lan::Status AwaitingNetApi::NetGroupGetUsers(std::string_view server, std::string_view group, std::uint32_t level,
                                             std::uint32_t pref, lan::NetBuffer<lan::GroupUsersInfo0>& out,
                                             std::uint32_t& total, std::uint32_t& resume) {
  return Await([&] { return m_inner.NetGroupGetUsers(server, group, level, pref, out, total, resume); });
}
lan::Status AwaitingNetApi::NetEnumerateTrustedDomains(std::string_view server, lan::NetBuffer<char>& names) {
  return Await([&] { return m_inner.NetEnumerateTrustedDomains(server, names); });
}
lan::Status AwaitingNetApi::NetGetDCName(std::string_view server, std::string_view domain, std::string& dc) {
  return Await([&] { return m_inner.NetGetDCName(server, domain, dc); });
}
lan::Status AwaitingNetApi::NetWkstaGetInfo(std::string_view server, std::uint32_t level, lan::WkstaInfo100& info) {
  return Await([&] { return m_inner.NetWkstaGetInfo(server, level, info); });
}
lan::Status AwaitingNetApi::NetUserGetInfo(std::string_view server, std::string_view user, std::uint32_t level,
                                           lan::UserInfo2& info) {
  return Await([&] { return m_inner.NetUserGetInfo(server, user, level, info); });
}
bool AwaitingNetApi::GetUserName(std::string& name) {
  return Await([&] { return m_inner.GetUserName(name); });
}
bool AwaitingNetApi::GetComputerName(std::string& name) {
  return Await([&] { return m_inner.GetComputerName(name); });
}
std::string AwaitingNetApi::GetHostByName(std::string_view host) {
  return Await([&] { return m_inner.GetHostByName(host); });
}
void AwaitingNetApi::CancelPendingCalls() { m_inner.CancelPendingCalls(); }
std::chrono::milliseconds AwaitingNetApi::SendTimeLimit() const { return m_inner.SendTimeLimit(); }
std::string AwaitingNetApi::MessageCodePage() const { return m_inner.MessageCodePage(); }

}  // namespace vantor::gui
