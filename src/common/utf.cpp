#include "common/utf.h"

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

char32_t SimpleUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  // Latin-1: à..þ except ÷; ÿ -> Ÿ.
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs, upper case even.
  if (c >= 0x100 && c <= 0x137) return c & ~char32_t{1};
  if (c >= 0x139 && c <= 0x148) return (c % 2 == 0) ? c - 1 : c;
  if (c >= 0x14A && c <= 0x177) return c & ~char32_t{1};
  if (c == 0x17A || c == 0x17C || c == 0x17E) return c - 1;
  // Greek.
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c == 0x3C2) return 0x3A3;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 37;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 63;
  // Cyrillic.
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  if (c >= 0x460 && c <= 0x481) return c & ~char32_t{1};
  if (c >= 0x48A && c <= 0x4BF) return c & ~char32_t{1};
  return c;
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  Utf8Decoder dec(s);
  char32_t cp;
  while (dec.Next(cp)) ++n;
  return n;
}

}  // namespace vantor
