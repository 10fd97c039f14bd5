// SPDX-License-Identifier: GPL-3.0-or-later
// Code pages on Windows: the system's own conversions between its code pages
// and UTF-16, named as iconv names them ("CP850", "UTF-8", "ISO-8859-1") so
// that settings and tests read the same on every platform.

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf.h"

#include <optional>

// After the project's headers: the system's headers define macros that
// would change names there.
#include <windows.h>

namespace vantor {

namespace {

constexpr UINT kUtf8 = 65001;
constexpr UINT kAscii = 20127;

std::optional<UINT> Digits(std::string_view s) {
  if (s.empty() || s.size() > 5) return std::nullopt;
  UINT n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<UINT>(c - '0');
  }
  return n;
}

// The code page number of an iconv-style name, when the system has it.
std::optional<UINT> CodePageOf(std::string_view charset) {
  std::string up = AsciiUpper(charset);
  std::optional<UINT> cp;
  if (up == "UTF-8" || up == "UTF8") {
    cp = kUtf8;
  } else if (up == "ASCII" || up == "US-ASCII" || up == "ANSI_X3.4-1968" || up == "646") {
    cp = kAscii;
  } else if (up == "LATIN1" || up == "L1") {
    cp = 28591;
  } else if (up.rfind("ISO-8859-", 0) == 0 || up.rfind("ISO8859-", 0) == 0) {
    if (auto n = Digits(up.substr(up.find('9') + 5)); n && *n >= 1 && *n <= 16) cp = 28590 + *n;
  } else {
    for (std::string_view prefix : {"CP", "IBM", "WINDOWS-", "MS"}) {
      if (up.rfind(prefix, 0) == 0) {
        cp = Digits(std::string_view(up).substr(prefix.size()));
        break;
      }
    }
  }
  if (!cp || !::IsValidCodePage(*cp)) return std::nullopt;
  return cp;
}

std::wstring Wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

// One code point in the code page, or nothing when the code page cannot
// hold it (no best-fit look-alikes: what cannot travel is replaced).
std::optional<std::string> Encode(UINT cp, char32_t ch) {
  std::string utf8;
  AppendUtf8(utf8, ch);
  std::wstring w = Wide(Utf8ToUtf16(utf8));
  char buf[16];
  BOOL usedDefault = FALSE;
  int n = ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), buf, sizeof buf,
                                nullptr, &usedDefault);
  if (n <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    // Code pages that take neither flags nor a default character: what comes
    // back must read as the character itself.
    n = ::WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), buf, sizeof buf, nullptr, nullptr);
    if (n > 0) {
      wchar_t back[8];
      int m = ::MultiByteToWideChar(cp, 0, buf, n, back, 8);
      usedDefault = m != static_cast<int>(w.size()) || std::wstring(back, static_cast<size_t>(m)) != w;
    }
  }
  if (n <= 0 || usedDefault) return std::nullopt;
  return std::string(buf, static_cast<size_t>(n));
}

std::string Decode(UINT cp, std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::string(bytes.size(), '?');
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

}  // namespace

std::string LocaleCharset() {
  // A console program's text is read in the console's code page; without a
  // console, in the one a console would have (the OEM code page).
  UINT cp = ::GetConsoleOutputCP();
  if (cp == 0) cp = ::GetOEMCP();
  if (cp == kUtf8) return "UTF-8";
  return "CP" + std::to_string(cp);
}

struct TextCodec::Impl {
  UINT codePage = kAscii;
};

TextCodec::TextCodec(std::string charset, char replacement)
    : charset_(std::move(charset)), replacement_(replacement), impl_(std::make_unique<Impl>()) {
  std::optional<UINT> cp = CodePageOf(charset_);
  valid_ = cp.has_value();
  utf8_ = cp == kUtf8;
  impl_->codePage = cp.value_or(kAscii);
}

TextCodec::~TextCodec() = default;

std::string TextCodec::FromUtf8(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  Utf8Decoder dec(utf8);
  char32_t cp;
  size_t before = 0;
  while (dec.Next(cp)) {
    std::string_view ch = utf8.substr(before, dec.Position() - before);
    before = dec.Position();
    // A bad byte decodes as U+FFFD from one byte; a real U+FFFD takes three.
    bool bad = cp == 0xFFFD && ch.size() != 3;
    if (cp < 0x80 && !bad) {
      out.push_back(static_cast<char>(cp));
    } else if (utf8_) {
      if (bad)
        out.push_back(replacement_);
      else
        out.append(ch);
    } else if (auto bytes = bad || cp == 0xFFFD ? std::nullopt : Encode(impl_->codePage, cp)) {
      out.append(*bytes);
    } else {
      out.push_back(replacement_);
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
  return Decode(impl_->codePage, bytes);
}

std::string CodePageProblem(const std::string& charset) {
  std::optional<UINT> cp = CodePageOf(charset);
  if (!cp) return "is not known to this system";
  if (*cp == kUtf8) return "takes more than one byte for some characters";
  for (int b = 0; b < 0x80; ++b) {
    std::string one(1, static_cast<char>(b));
    std::string back = Decode(*cp, one);
    auto there = Encode(*cp, static_cast<char32_t>(b));
    if (back != one || !there || *there != one) return "does not keep the ASCII characters as they are";
  }
  CPINFO info{};
  if (!::GetCPInfo(*cp, &info) || info.MaxCharSize != 1) return "takes more than one byte for some characters";
  return {};
}

std::size_t CodePageLength(std::string_view utf8, const TextCodec& codec) { return codec.FromUtf8(utf8).size(); }

}  // namespace vantor
