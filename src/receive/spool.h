// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The inboxes of the message spool, where the delivery helper leaves each
// received message until the user's receiver takes it:
//
//   SPOOL/inbox/      root's, group the guest account's, mode 3713: users
//                     make their own inboxes here (the group passes on by
//                     the set-group-id bit); the guest account only passes
//     UID/            the user's, the guest account's group, mode 1770
//       ID.msg        the helper's (guest account), mode 0604: one message
//       .ID.msg.*     a message being written
//
// The guest account lists an inbox and adds to it; the user reads and
// removes; nobody else reaches it. Whatever lies in an inbox is read as
// untrusted (any process of the guest group may put files there): each file
// is bounded, parsed strictly and cleaned again.

#include "common/clock.h"
#include "common/dir_file.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::receive {

struct SpooledMessage {
  // The file's name without ".msg": the time of arrival (UTC, to the
  // microsecond) and a random part, so that ids sort in the order of
  // arrival: "20261209T142144Z-123456-<16 hex digits>".
  std::string id;
  std::string from;
  std::string to;
  std::string time;  // ISO 8601 local time with its offset
  std::string text;  // UTF-8, line breaks as the sender sent them
  friend bool operator==(const SpooledMessage&, const SpooledMessage&) = default;
};

// The limits of what is taken from smbd: a sender's or recipient's name and
// the message file, in bytes. A message from the wire is at most about 1600.
inline constexpr std::size_t kMaxNameBytes = 64;
inline constexpr std::size_t kMaxMessageFile = 8192;
// What they may grow to in UTF-8, cleaned: one byte becomes at most one
// character of the Basic Multilingual Plane, three bytes.
inline constexpr std::size_t kMaxCleanName = 3 * kMaxNameBytes;
inline constexpr std::size_t kMaxTextBytes = 3 * kMaxMessageFile;
inline constexpr std::size_t kMaxSpooledFile = kMaxTextBytes + 1024;  // the text and the head

// Text as the windows may show it: bytes that are not UTF-8, control
// characters other than tab and line breaks, and the characters that turn
// the writing direction become U+FFFD.
std::string CleanText(std::string_view utf8);
// A name on one line: the same, with '?' in place of U+FFFD.
std::string CleanName(std::string_view utf8);
// True for the ids this system gives: letters, digits and '-', 1 to 64.
bool IsMessageId(std::string_view id);

// The file form of a message:
//   Vantor message 1 LF  From: NAME LF  To: NAME LF  Time: ISO LF
//   Length: N LF  LF  then exactly N bytes of text.
std::string FormatSpooled(const SpooledMessage& message);
// nullopt (why says what is wrong) unless text is exactly that form.
std::optional<SpooledMessage> ParseSpooled(std::string_view text, std::string& why);

struct InboxLimits {
  std::size_t maxMessages = 100;
  std::size_t maxBytes = 1 << 20;
  std::chrono::hours maxAge{24 * 30};
};

// The helper's side: leaves message (its id is given here) in the inbox of
// uid. False, with why, when the inbox is missing, not private to its user,
// or full; messages of the guest account older than limits.maxAge are
// removed first.
bool DeliverToInbox(const std::string& spool, std::uint32_t uid, SpooledMessage& message, Clock::TimePoint now,
                    const InboxLimits& limits, std::string& why);

// The user's side.
class Inbox {
 public:
  // Opens uid's inbox, making it when missing. nullopt, with why, when the
  // spool has not been set up or the folder belongs to someone else.
  static std::optional<Inbox> Open(const std::string& spool, std::uint32_t uid, std::string& why);

  const std::string& Path() const { return path_; }
  // The messages waiting, oldest first. A file that is no message (too
  // large, malformed) is removed, with a line in problems.
  std::vector<SpooledMessage> Waiting(std::vector<std::string>& problems) const;
  // Removes a message once it is kept elsewhere.
  void Remove(const std::string& id) const;

 private:
  Inbox(files::UniqueFd dir, std::string path) : dir_(std::move(dir)), path_(std::move(path)) {}
  files::UniqueFd dir_;
  std::string path_;
};

// "20261209T142144Z": the UTC time of t, as ids begin.
std::string UtcStamp(Clock::TimePoint t);

}  // namespace vantor::receive
