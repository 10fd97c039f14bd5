// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/utf.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#include <wctype.h>
#endif

namespace vantor {

bool Utf8Decoder::Next(char32_t& cp) {
  if (pos_ >= s_.size()) return false;
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s_[i]); };
  unsigned char b0 = byte(pos_);
  if (b0 < 0x80) {
    cp = b0;
    ++pos_;
    return true;
  }
  int len = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    cp = 0xFFFD;
    ++pos_;
    return true;
  }
  if (pos_ + static_cast<size_t>(len) > s_.size()) {
    cp = 0xFFFD;
    ++pos_;
    return true;
  }
  for (int i = 1; i < len; ++i) {
    unsigned char b = byte(pos_ + static_cast<size_t>(i));
    if ((b & 0xC0) != 0x80) {
      cp = 0xFFFD;
      ++pos_;
      return true;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    cp = 0xFFFD;
    ++pos_;
    return true;
  }
  pos_ += static_cast<size_t>(len);
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  Utf8Decoder dec(s);
  char32_t cp;
  while (dec.Next(cp)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view s) {
  Utf8Decoder dec(s);
  char32_t cp;
  size_t before = 0;
  while (dec.Next(cp)) {
    if (cp == 0xFFFD) {
      // A real U+FFFD is three bytes EF BF BD; anything else was a bad byte.
      if (dec.Position() - before != 3) return false;
    }
    before = dec.Position();
  }
  return true;
}

namespace {

#ifndef _WIN32
// The C library's case tables for all of Unicode, through a locale object of
// our own: the process's global locale (which a program may set from the
// user's environment, as Qt does) is neither read nor changed. Without a
// C.UTF-8 locale only ASCII letters have a case; CaseMappingFingerprint()
// then differs, and a store folded with the full tables is folded again.
locale_t UnicodeCType() {
  static const locale_t loc = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return loc;
}
#endif

char32_t PlatformUpper(char32_t c) {
#ifdef _WIN32
  // The system's own invariant upper-casing, which is what the registry
  // compares names by.
  wchar_t in = static_cast<wchar_t>(c), out = 0;
  if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, &in, 1, &out, 1, nullptr, nullptr, 0) != 1) return c;
  return static_cast<char32_t>(out);
#else
  locale_t loc = UnicodeCType();
  if (!loc) return c;
  auto u = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), loc));
  // One UTF-16 unit for one: a mapping that leaves the plane is not taken.
  return u <= 0xFFFF ? u : c;
#endif
}

}  // namespace

char32_t SimpleUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  // The registry upper-cases one UTF-16 unit at a time: characters beyond
  // the first plane (surrogate pairs there) keep their case.
  if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
  return PlatformUpper(c);
}

std::uint64_t CaseMappingFingerprint() {
  static const std::uint64_t fingerprint = [] {
    // FNV-1a over every pair the mapping changes.
    std::uint64_t h = 14695981039346656037ull;
    auto mix = [&](char32_t v) {
      for (int i = 0; i < 4; ++i) {
        h ^= (v >> (8 * i)) & 0xFF;
        h *= 1099511628211ull;
      }
    };
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
      // Blocks without letter case (CJK ideographs, Hangul syllables,
      // surrogates and private use) are passed over: they are most of the
      // plane, and the fingerprint is taken whenever a store is opened.
      if (c == 0x3400) c = 0xA000;
      if (c == 0xAC00) c = 0xF900;
      char32_t u = SimpleUpper(c);
      if (u != c) {
        mix(c);
        mix(u);
      }
    }
    return h;
  }();
  return fingerprint;
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  Utf8Decoder dec(s);
  char32_t cp;
  while (dec.Next(cp)) ++n;
  return n;
}

}  // namespace vantor
