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

}  // namespace vantor
