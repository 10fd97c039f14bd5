// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/compose.h"

#include "common/codepage.h"

namespace vantor::delivery {

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t CountCharacters(std::string_view utf8) {
  std::size_t n = 0;
  for (char c : utf8)
    if (!IsContinuation(c)) ++n;
  return n;
}

}  // namespace

std::size_t WireLength(std::string_view utf8, const std::string& codePage) {
  if (codePage.empty()) return CountCharacters(utf8);
  return CodePageLength(utf8, TextCodec(codePage));
}

Composition ComposeMessage(const std::vector<std::string>& lines, std::string_view signature,
                           const std::string& codePage) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  text += "\r\n";
  text += signature;
  Composition c;
  if (codePage.empty()) {
    c.length = CountCharacters(text);
    c.text = std::move(text);
  } else {
    const TextCodec codec(codePage);
    const std::string wire = codec.FromUtf8(text);
    c.length = wire.size();
    c.text = codec.ToUtf8(wire);
  }
  return c;
}

std::string FirstCharacters(std::string_view utf8, long long n) {
  if (n <= 0) return {};
  std::size_t i = 0;
  long long seen = 0;
  for (; i < utf8.size(); ++i) {
    if (IsContinuation(utf8[i])) continue;
    if (seen == n) break;
    ++seen;
  }
  return std::string(utf8.substr(0, i));
}

std::string WithCrLf(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string WithoutCrLf(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && (i + 1 == utf8.size() || utf8[i + 1] == '\n')) continue;
    out += utf8[i];
  }
  return out;
}

}  // namespace vantor::delivery
