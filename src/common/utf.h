// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UTF-8 and UTF-16 conversion. Malformed input never fails: each bad byte
// becomes U+FFFD, so text from files and the wire is always usable.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

class Utf8Decoder {
 public:
  explicit Utf8Decoder(std::string_view s) : s_(s) {}
  // Next code point; false at the end. Bytes that do not form a valid
  // sequence decode one at a time as U+FFFD.
  bool Next(char32_t& cp);
  size_t Position() const { return pos_; }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

void AppendUtf8(std::string& out, char32_t cp);
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);
bool IsValidUtf8(std::string_view s);

// Upper case of one code point as the registry compares names: the simple
// one-to-one mapping of the C library's Unicode tables (of the system's own
// on Windows) for the first plane; "ß" and letters beyond the first plane
// stay as they are.
char32_t SimpleUpper(char32_t cp);

// Identifies the mapping SimpleUpper applies in this process (it follows the
// C library's Unicode version). Folds stored under another mapping are stale.
std::uint64_t CaseMappingFingerprint();

// Number of code points (not bytes).
size_t Utf8Length(std::string_view s);

}  // namespace vantor
