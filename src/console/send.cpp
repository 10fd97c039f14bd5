// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/send.h"
#include "common/recipient.h"

#include "common/utf.h"
#include "lan/directory.h"
#include "lan/net_error_text.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

namespace vantor::console {

Sender::Sender(RunContext& ctx, const RunSettings& s, const SortedNameList& active)
    : ctx_(ctx), s_(s), active_(active) {}

bool Sender::IsActive(std::string_view recipient) {
  std::string r(recipient);
  if (active_.Contains(ActiveUserKey(r)) || active_.Contains(ActiveComputerKey(r))) return true;
  std::string up = AsciiUpper(recipient);
  return up == AsciiUpper(ctx_.Computer()) || up == AsciiUpper(ctx_.User());
}

void Sender::AddRecipient(std::string_view label, std::string_view recipient) {
  Entry e;
  e.label = std::string(label);
  e.recipient = std::string(recipient);
  bool checked = s_.query && recipient != ctx_.Controller() && !(!recipient.empty() && recipient.back() == '*');
  if (checked && !IsActive(recipient))
    e.status = kNotActive;
  else if (!s_.test)
    e.toSend = true;
  entries_.push_back(std::move(e));
}

void Sender::AddNote(std::string note, bool failure) {
  Entry e;
  e.note = std::move(note);
  e.noteIsFailure = failure;
  entries_.push_back(std::move(e));
}

void Sender::AddGroup(std::string_view group) {
  std::vector<std::string> members;
  if (lan::GetGroupMembersAt(ctx_.Api(), ctx_.Controller(), group, members) != lan::NERR_Success) {
    // Nobody of the group can be reached.
    AddNote("Group '" + std::string(group) + "' not found", true);
    return;
  }
  for (const std::string& m : members) AddRecipient(group, m);
}

void Sender::AddList(std::string_view list) {
  std::optional<std::vector<StoredMember>> members;
  try {
    members = ctx_.store->ListMembers(list);
  } catch (const store::StoreError& e) {
    // A damaged list reaches none of its members; the rest of the run goes on.
    AddNote("List '" + std::string(list) + "' could not be read: " + e.what(), true);
    return;
  }
  if (!members) {
    AddNote("List '" + std::string(list) + "' not found", true);
    return;
  }
  for (const StoredMember& member : *members) {
    if (!member.kind) {
      // Edited by hand into something that names no kind: that member is not
      // reached, which the exit status tells.
      AddNote("List '" + std::string(list) + "' entry '" + member.name + "' ignored: invalid data", true);
      continue;
    }
    switch (*member.kind) {
      case kUserKind:
      case kComputerKind:
        AddRecipient(list, member.name);
        break;
      case kGroupKind:  // its lines carry the group's name
        AddGroup(member.name);
        break;
      default:  // lists and domains are never members; nothing is sent
        break;
    }
  }
}

lan::Status Sender::Send(const Entry& e) { return api_->NetMessageBufferSend({}, e.recipient, from_, text_); }

void Sender::Report(const Entry& e) {
  if (!e.note.empty()) {
    if (e.noteIsFailure) anyFailed_ = true;
    if (s_.verbose) ctx_.out.Line(e.note + " " + ctx_.Time());
    return;
  }
  bool failed = e.status != lan::NERR_Success && e.status != kNotActive;
  // Left out as inactive only because no server told of any session.
  bool unjudged = e.status == kNotActive && active_.empty();
  if (failed || unjudged) anyFailed_ = true;
  if (!s_.verbose) return;
  std::string line = "Message to ";
  line += e.label;
  line += ": ";
  line += e.recipient;
  line += e.status == lan::NERR_Success ? " succeeded." : e.status == kNotActive ? " not sent." : " failed.";
  line += ' ';
  line += ctx_.Time();
  ctx_.out.Line(line);
  if (failed) {
    // The report line says only that the send failed; why goes to standard
    // error, so that standard output keeps its fixed form.
    ctx_.out.Flush();
    std::string why = "vantorc: message to " + e.recipient + " failed: " + lan::NetErrorText(e.status) + "\n";
    why = ctx_.out.codec().FromUtf8(why);
    std::fwrite(why.data(), 1, why.size(), stderr);
    std::fflush(stderr);
  }
}

void Sender::SendOneAfterAnother() {
  for (Entry& e : entries_) {
    if (e.toSend) e.status = Send(e);
    Report(e);
  }
}

void Sender::SendSideBySide(std::chrono::milliseconds limit, std::size_t count) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + limit;
  std::vector<std::size_t> jobs;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].toSend) jobs.push_back(i);

  // Guarded by mutex: the statuses of the entries to send and done.
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<char> done(entries_.size(), 0);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t j; (j = next.fetch_add(1)) < jobs.size();) {
      Entry& e = entries_[jobs[j]];
      // A message whose turn comes after the batch's time is up is not begun.
      lan::Status status = Clock::now() >= end ? lan::ERROR_TIMEOUT : Send(e);
      {
        std::lock_guard lock(mutex);
        e.status = status;
        done[jobs[j]] = 1;
      }
      finished.notify_all();
    }
  };
  std::vector<std::thread> workers;
  // Joined on every way out, so that no helper outlives what it works on.
  struct JoinAll {
    std::vector<std::thread>& threads;
    ~JoinAll() {
      for (std::thread& t : threads)
        if (t.joinable()) t.join();
    }
  } joinAll{workers};
  try {
    for (std::size_t t = 0; t < std::min(count, kMaxParallelSends); ++t) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer helpers than hoped for; with none, this thread does the work.
  }
  if (workers.empty()) work();

  bool cancelled = false;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    if (e.toSend) {
      std::unique_lock lock(mutex);
      if (!finished.wait_until(lock, end, [&] { return done[i] != 0; })) {
        // The batch's time is up: end every send under way. The backend's
        // cancel wakes them at once.
        if (!cancelled) {
          cancelled = true;
          lock.unlock();
          api_->CancelPendingCalls();
          lock.lock();
        }
        finished.wait(lock, [&] { return done[i] != 0; });
      }
      if (cancelled && e.status == lan::ERROR_REQUEST_ABORTED) e.status = lan::ERROR_TIMEOUT;
    }
    Report(e);
  }
}

void Sender::SendAll() {
  if (!s_.messageGiven) return;
  // Opened here, before any helper thread runs: they only call it.
  api_ = &ctx_.Api();
  text_ = Utf8ToUtf16(ctx_.out.codec().ToUtf8(s_.message));
  from_ = AsciiUpper(ctx_.Computer());
  for (const std::string& u : s_.users.names) AddRecipient("User", u);
  for (const std::string& g : s_.groups.names) AddGroup(g);
  for (const std::string& p : s_.computers.names) AddRecipient("Computer", p);
  for (const std::string& l : s_.lists.names) AddList(l);
  for (const std::string& d : s_.domains.names) AddRecipient("Domain", d + "*");

  std::size_t count = std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.toSend; });
  std::chrono::milliseconds limit = api_->SendTimeLimit();
  // One message is bounded by its own deadline; several share one.
  if (limit > std::chrono::milliseconds::zero() && count > 1)
    SendSideBySide(limit, count);
  else
    SendOneAfterAnother();
}

}  // namespace vantor::console
