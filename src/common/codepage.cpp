// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/codepage.h"

#include "common/text.h"
#include "common/utf.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <mutex>

namespace vantor {

std::string LocaleCharset() {
  const char* cs = nl_langinfo(CODESET);
  return (cs && *cs) ? cs : "ANSI_X3.4-1968";
}

namespace {
bool NamesUtf8(std::string_view cs) {
  std::string up = AsciiUpper(cs);
  return up == "UTF-8" || up == "UTF8";
}
}  // namespace

struct TextCodec::Impl {
  iconv_t to = reinterpret_cast<iconv_t>(-1);    // UTF-8 -> charset
  iconv_t from = reinterpret_cast<iconv_t>(-1);  // charset -> UTF-8
  std::mutex mutex;                              // iconv state is per descriptor
  ~Impl() {
    if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
    if (from != reinterpret_cast<iconv_t>(-1)) iconv_close(from);
  }
};

TextCodec::TextCodec(std::string charset, char replacement)
    : charset_(std::move(charset)), replacement_(replacement), impl_(std::make_unique<Impl>()) {
  if (NamesUtf8(charset_)) {
    utf8_ = true;
    valid_ = true;
    return;
  }
  impl_->to = iconv_open(charset_.c_str(), "UTF-8");
  impl_->from = iconv_open("UTF-8", charset_.c_str());
  valid_ = impl_->to != reinterpret_cast<iconv_t>(-1) && impl_->from != reinterpret_cast<iconv_t>(-1);
  if (!valid_) {
    if (impl_->to != reinterpret_cast<iconv_t>(-1)) iconv_close(impl_->to);
    if (impl_->from != reinterpret_cast<iconv_t>(-1)) iconv_close(impl_->from);
    impl_->to = iconv_open("ASCII", "UTF-8");
    impl_->from = iconv_open("UTF-8", "ASCII");
  }
}

TextCodec::~TextCodec() = default;

std::string TextCodec::FromUtf8(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  if (utf8_) {
    Utf8Decoder dec(utf8);
    char32_t cp;
    size_t before = 0;
    while (dec.Next(cp)) {
      size_t len = dec.Position() - before;
      if (cp == 0xFFFD && len != 3)
        out.push_back(replacement_);
      else
        out.append(utf8.substr(before, len));
      before = dec.Position();
    }
    return out;
  }
  std::lock_guard lock(impl_->mutex);
  iconv(impl_->to, nullptr, nullptr, nullptr, nullptr);
  // Convert one code point at a time so that one character the target cannot
  // hold costs exactly one replacement character.
  Utf8Decoder dec(utf8);
  char32_t cp;
  size_t before = 0;
  char buf[16];
  while (dec.Next(cp)) {
    std::string_view ch = utf8.substr(before, dec.Position() - before);
    before = dec.Position();
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    char* in = const_cast<char*>(ch.data());
    size_t inLeft = ch.size();
    char* o = buf;
    size_t outLeft = sizeof buf;
    if (cp == 0xFFFD || iconv(impl_->to, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      iconv(impl_->to, nullptr, nullptr, nullptr, nullptr);
      out.push_back(replacement_);
    } else {
      out.append(buf, static_cast<size_t>(o - buf));
    }
  }
  return out;
}

std::string TextCodec::ToUtf8(std::string_view bytes) const {
  if (utf8_) {
    std::string out;
    out.reserve(bytes.size());
    Utf8Decoder dec(bytes);
    char32_t cp;
    while (dec.Next(cp)) AppendUtf8(out, cp);
    return out;
  }
  std::lock_guard lock(impl_->mutex);
  iconv(impl_->from, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(bytes.size() * 2);
  char buf[16384];  // iconv costs much per call: small buffers make it crawl
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* o = buf;
    size_t outLeft = sizeof buf;
    size_t r = iconv(impl_->from, &in, &inLeft, &o, &outLeft);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte with no meaning in this character set.
      AppendUtf8(out, 0xFFFD);
      ++in;
      --inLeft;
      iconv(impl_->from, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

namespace {

// Converts in one call; nullopt when iconv refuses the input (EILSEQ) and the
// empty text with incomplete set when the input is cut short (EINVAL).
struct Converted {
  bool ok = false;
  bool incomplete = false;
  std::string bytes;
};

Converted ConvertOnce(iconv_t cd, std::string_view in) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  Converted c;
  char buf[32];
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* o = buf;
  size_t outLeft = sizeof buf;
  size_t r = iconv(cd, &inPtr, &inLeft, &o, &outLeft);
  if (r != static_cast<size_t>(-1)) {
    // Stateful sets may still owe bytes that return to the initial state.
    r = iconv(cd, nullptr, nullptr, &o, &outLeft);
  }
  if (r == static_cast<size_t>(-1)) {
    c.incomplete = errno == EINVAL;
    return c;
  }
  c.ok = inLeft == 0;
  c.bytes.assign(buf, static_cast<size_t>(o - buf));
  return c;
}

struct IconvPair {
  iconv_t to = reinterpret_cast<iconv_t>(-1);
  iconv_t from = reinterpret_cast<iconv_t>(-1);
  ~IconvPair() {
    if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
    if (from != reinterpret_cast<iconv_t>(-1)) iconv_close(from);
  }
  bool Valid() const { return to != reinterpret_cast<iconv_t>(-1) && from != reinterpret_cast<iconv_t>(-1); }
};

}  // namespace

std::string CodePageProblem(const std::string& charset) {
  IconvPair cd;
  cd.to = iconv_open(charset.c_str(), "UTF-8");
  cd.from = iconv_open("UTF-8", charset.c_str());
  if (!cd.Valid()) return "is not known to this system";
  for (int b = 0; b < 0x80; ++b) {
    std::string one(1, static_cast<char>(b));
    Converted there = ConvertOnce(cd.to, one), back = ConvertOnce(cd.from, one);
    if (!there.ok || there.bytes != one || !back.ok || back.bytes != one)
      return "does not keep the ASCII characters as they are";
  }
  for (int b = 0x80; b < 0x100; ++b) {
    // A byte either stands for one character or for none; a byte that
    // begins a longer sequence shows up as incomplete input.
    Converted back = ConvertOnce(cd.from, std::string(1, static_cast<char>(b)));
    if (back.incomplete || (back.ok && Utf8Length(back.bytes) != 1))
      return "takes more than one byte for some characters";
  }
  return {};
}

std::size_t CodePageLength(std::string_view utf8, const TextCodec& codec) { return codec.FromUtf8(utf8).size(); }

}  // namespace vantor
