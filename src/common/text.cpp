// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text.h"

#include "common/utf.h"

#include <charconv>
#include <limits>

namespace vantor {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::string FoldCase(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  bool ascii = true;
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    for (char c : s) out.push_back(AsciiUpper(c));
    return out;
  }
  Utf8Decoder dec(s);
  char32_t cp;
  while (dec.Next(cp)) AppendUtf8(out, SimpleUpper(cp));
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  Utf8Decoder da(a), db(b);
  char32_t ca, cb;
  for (;;) {
    bool ha = da.Next(ca);
    bool hb = db.Next(cb);
    if (!ha || !hb) return ha ? 1 : (hb ? -1 : 0);
    char32_t ua = SimpleUpper(ca), ub = SimpleUpper(cb);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size()) {
    bool same = true;
    for (size_t i = 0; i < a.size(); ++i) {
      if (static_cast<unsigned char>(a[i]) >= 0x80 || static_cast<unsigned char>(b[i]) >= 0x80) {
        same = false;
        break;
      }
      if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    if (same) return true;
  }
  return CompareNoCase(a, b) == 0;
}

std::optional<std::int32_t> ParseInt32(std::string_view s) {
  if (s.empty()) return std::nullopt;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (*first == '+') {  // a leading plus is accepted, as the platform's conversion does
    ++first;
    if (first == last || *first == '+' || *first == '-') return std::nullopt;
  }
  std::int32_t value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value, 10);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ParseUInt64(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::uint64_t value = 0;
  auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
  if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
  return value;
}

std::string_view TrimBlanks(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size()) {
      char f = pattern[i + 1];
      if ((f == 's' || f == 'd') && next != args.end()) {
        out += *next++;
        ++i;
        continue;
      }
      if (f == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace vantor
