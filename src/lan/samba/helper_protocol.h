// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The conversation between the samba backend and its directory helper
// (vantor-lan-helper), a separate process that runs Samba's client
// libraries. Those libraries keep process-wide state and block in their
// calls; in a process of their own they can be used from any number of our
// threads, bounded by a deadline and stopped at once by ending the process.
//
// Each message is a frame: a 32-bit little-endian length, then the body. A
// request body begins with its operation; a reply body with the status.
// Fields are 32-bit little-endian numbers and strings (length, then UTF-8
// bytes). The reader checks every length against the frame.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::lan::samba::helper {

inline constexpr std::uint32_t kMaxFrame = 32u << 20;

enum class Op : std::uint32_t {
  kHello = 1,        // user, domain, password, kerberos mode, timeout seconds -> status
  kDisplay = 2,      // server, level, index, entries, prefMaxLen -> entries
  kGroupUsers = 3,   // server, group, prefMaxLen, resume -> total, resume, names
  kUserInfo = 4,     // server, user -> name, full name, comment
  kDcName = 5,       // server, domain, its DNS name -> controller (with backslashes)
  kSessions = 6,     // server, level, prefMaxLen, resume -> total, resume, sessions
  kTrusts = 7,       // server -> names
  kServerInfo = 8,   // server -> name, type, comment
  kSambaConfig = 9,  // smb.conf path -> the settings we use (see SambaSettings)
};

enum class Kerberos : std::uint32_t { kDisabled = 0, kDesired = 1, kRequired = 2 };

class FieldWriter {
 public:
  FieldWriter& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
  FieldWriter& Str(std::string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    out_.append(s);
    return *this;
  }
  const std::string& Body() const { return out_; }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view body) : b_(body) {}
  bool U32(std::uint32_t& v) {
    if (b_.size() - pos_ < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return true;
  }
  bool Str(std::string& s) {
    std::uint32_t n = 0;
    if (!U32(n) || b_.size() - pos_ < n) return false;
    s.assign(b_.substr(pos_, n));
    pos_ += n;
    return true;
  }
  // A count of items that each take at least minSize bytes of what is left.
  bool Count(std::uint32_t& n, std::size_t minSize) {
    return U32(n) && static_cast<std::uint64_t>(n) * minSize <= b_.size() - pos_;
  }
  bool AtEnd() const { return pos_ == b_.size(); }

 private:
  std::string_view b_;
  std::size_t pos_ = 0;
};

// Frames on a stream socket or pipe. Both return false when the peer has
// gone or sent a frame larger than kMaxFrame.
bool WriteFrame(int fd, std::string_view body);
bool ReadFrame(int fd, std::string& body);

}  // namespace vantor::lan::samba::helper
