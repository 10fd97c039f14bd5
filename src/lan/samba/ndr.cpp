// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/ndr.h"

#include "common/utf.h"
#include "lan/samba/bytes.h"

namespace vantor::lan::samba::ndr {

namespace {

class Writer {
 public:
  void Align(std::size_t n) {
    while (out_.size() % n) out_.push_back('\0');
  }
  void U8(std::uint8_t v) { PutU8(out_, v); }
  void U16(std::uint16_t v) {
    Align(2);
    PutLe16(out_, v);
  }
  void U32(std::uint32_t v) {
    Align(4);
    PutLe32(out_, v);
  }
  // A non-null unique pointer: its referent id. The pointee follows later.
  void Pointer() { U32(nextReferent_ += 4); }
  // A conformant varying string of UTF-16 characters with its terminating zero.
  void String(std::string_view utf8) {
    std::u16string s = Utf8ToUtf16(utf8);
    auto n = static_cast<std::uint32_t>(s.size() + 1);
    U32(n);
    U32(0);
    U32(n);
    for (char16_t c : s) PutLe16(out_, static_cast<std::uint16_t>(c));
    PutLe16(out_, 0);
  }
  void Bytes(const std::uint8_t* p, std::size_t n) { out_.append(reinterpret_cast<const char*>(p), n); }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  std::uint32_t nextReferent_ = 0x00020000;
};

class Reader {
 public:
  explicit Reader(std::string_view body) : b_(body) {}
  bool Align(std::size_t n) {
    while (pos_ % n) {
      if (pos_ >= b_.size()) return false;
      ++pos_;
    }
    return true;
  }
  bool U8(std::uint8_t& v) {
    if (b_.size() - pos_ < 1) return false;
    v = U8At(b_, pos_++);
    return true;
  }
  bool U16(std::uint16_t& v) {
    if (!Align(2) || b_.size() - pos_ < 2) return false;
    v = Le16At(b_, pos_);
    pos_ += 2;
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (!Align(4) || b_.size() - pos_ < 4) return false;
    v = Le32At(b_, pos_);
    pos_ += 4;
    return true;
  }
  bool Skip(std::size_t n) {
    if (b_.size() - pos_ < n) return false;
    pos_ += n;
    return true;
  }
  // An element count that the rest of the body can hold at minSize bytes each.
  bool Count(std::uint32_t& n, std::size_t minSize) {
    return U32(n) && static_cast<std::uint64_t>(n) * minSize <= b_.size() - pos_;
  }
  // A conformant varying array of UTF-16 characters; a final zero is dropped.
  bool String(std::string& utf8) {
    std::uint32_t max = 0, offset = 0, actual = 0;
    if (!U32(max) || !U32(offset) || !U32(actual)) return false;
    if (offset != 0 || actual > max || static_cast<std::uint64_t>(actual) * 2 > b_.size() - pos_) return false;
    std::u16string s;
    s.reserve(actual);
    for (std::uint32_t i = 0; i < actual; ++i) s.push_back(static_cast<char16_t>(Le16At(b_, pos_ + 2 * i)));
    pos_ += 2 * static_cast<std::size_t>(actual);
    while (!s.empty() && s.back() == u'\0') s.pop_back();
    utf8 = Utf16ToUtf8(s);
    return true;
  }
  bool AtEnd() const { return pos_ == b_.size(); }

 private:
  std::string_view b_;
  std::size_t pos_ = 0;
};

}  // namespace

std::string EncodeNetSessEnum(std::string_view server, std::uint32_t level, std::uint32_t maxBuffer,
                              std::uint32_t resumeHandle) {
  Writer w;
  w.Pointer();
  w.String(server);
  w.U32(0);  // client filter: none
  w.U32(0);  // user filter: none
  w.U32(level);
  w.U32(level);  // the union's discriminant
  w.Pointer();   // an empty container of that level
  w.U32(0);
  w.U32(0);
  w.U32(maxBuffer);
  w.Pointer();
  w.U32(resumeHandle);
  return w.Take();
}

bool DecodeNetSessEnum(std::string_view body, SessionReply& out) {
  out = {};
  Reader r(body);
  std::uint32_t discriminant = 0, ctrPtr = 0;
  if (!r.U32(out.level) || !r.U32(discriminant) || discriminant != out.level || !r.U32(ctrPtr)) return false;
  if (out.level != 0 && out.level != 1 && out.level != 10) return false;
  if (ctrPtr != 0) {
    std::uint32_t count = 0, arrayPtr = 0;
    if (!r.U32(count) || !r.U32(arrayPtr)) return false;
    if (arrayPtr != 0) {
      std::uint32_t max = 0;
      std::size_t scalarSize = out.level == 0 ? 4 : out.level == 1 ? 24 : 16;
      if (!r.Count(max, scalarSize) || max != count) return false;
      std::vector<std::pair<std::uint32_t, std::uint32_t>> pointers(count);
      out.sessions.resize(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        Session& s = out.sessions[i];
        if (!r.U32(pointers[i].first)) return false;
        if (out.level == 0) continue;
        std::uint32_t numOpen = 0, userFlags = 0;
        if (!r.U32(pointers[i].second)) return false;
        if (out.level == 1 && !r.U32(numOpen)) return false;
        if (!r.U32(s.time) || !r.U32(s.idleTime)) return false;
        if (out.level == 1 && !r.U32(userFlags)) return false;
      }
      for (std::uint32_t i = 0; i < count; ++i) {
        if (pointers[i].first && !r.String(out.sessions[i].client)) return false;
        if (pointers[i].second && !r.String(out.sessions[i].user)) return false;
      }
    } else if (count != 0) {
      return false;
    }
  }
  std::uint32_t resumePtr = 0;
  if (!r.U32(out.totalEntries) || !r.U32(resumePtr)) return false;
  out.hasResume = resumePtr != 0;
  if (out.hasResume && !r.U32(out.resumeHandle)) return false;
  return r.U32(out.werror) && r.AtEnd();
}

std::string EncodeLsaOpenPolicy2(std::string_view systemName) {
  Writer w;
  w.Pointer();
  w.String(systemName);
  // Object attributes: length, then no root directory, object name,
  // attributes or security descriptor, and a quality-of-service block.
  w.U32(24);
  w.U32(0);
  w.U32(0);
  w.U32(0);
  w.U32(0);
  w.Pointer();
  w.U32(12);  // quality of service: its length,
  w.U16(2);   // impersonation,
  w.U8(1);    // dynamic tracking,
  w.U8(0);    // not effective only
  constexpr std::uint32_t kMaximumAllowed = 0x02000000;
  w.U32(kMaximumAllowed);
  return w.Take();
}

bool DecodeLsaOpenPolicy2(std::string_view body, PolicyHandle& handle, std::uint32_t& ntstatus) {
  if (body.size() != 24) return false;
  for (std::size_t i = 0; i < handle.size(); ++i) handle[i] = U8At(body, i);
  ntstatus = Le32At(body, 20);
  return true;
}

std::string EncodeLsaEnumTrustDom(const PolicyHandle& handle, std::uint32_t resumeHandle, std::uint32_t maxSize) {
  Writer w;
  w.Bytes(handle.data(), handle.size());
  w.U32(resumeHandle);
  w.U32(maxSize);
  return w.Take();
}

bool DecodeLsaEnumTrustDom(std::string_view body, TrustReply& out) {
  out = {};
  Reader r(body);
  std::uint32_t count = 0, arrayPtr = 0;
  if (!r.U32(out.resumeHandle) || !r.U32(count) || !r.U32(arrayPtr)) return false;
  if (arrayPtr != 0) {
    std::uint32_t max = 0;
    if (!r.Count(max, 12) || max != count) return false;
    struct Scalars {
      std::uint32_t namePtr = 0, sidPtr = 0;
    };
    std::vector<Scalars> items(count);
    for (Scalars& s : items) {
      std::uint16_t length = 0, size = 0;
      if (!r.U16(length) || !r.U16(size) || !r.U32(s.namePtr) || !r.U32(s.sidPtr)) return false;
    }
    out.names.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (items[i].namePtr && !r.String(out.names[i])) return false;
      if (items[i].sidPtr) {
        std::uint32_t subAuthorities = 0;
        std::uint8_t revision = 0, n = 0;
        if (!r.Count(subAuthorities, 4) || subAuthorities > 15) return false;
        if (!r.U8(revision) || !r.U8(n) || n != subAuthorities || !r.Skip(6 + 4 * std::size_t{n})) return false;
      }
    }
  } else if (count != 0) {
    return false;
  }
  return r.U32(out.ntstatus) && r.AtEnd();
}

std::string EncodeLsaClose(const PolicyHandle& handle) {
  Writer w;
  w.Bytes(handle.data(), handle.size());
  return w.Take();
}

}  // namespace vantor::lan::samba::ndr
