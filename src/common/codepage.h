// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversion between UTF-8 (the programs' inner text) and an 8-bit or
// multi-byte character set: the locale's for console output, a DOS code page
// for the wire. A character the target cannot hold becomes the replacement
// character; nothing ever fails.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace vantor {

// The character set of the current C locale (call setlocale first).
std::string LocaleCharset();

class TextCodec {
 public:
  // charset as iconv names it ("UTF-8", "CP850", "ANSI_X3.4-1968", ...).
  // An unknown charset falls back to ASCII; Valid() tells.
  explicit TextCodec(std::string charset, char replacement = '?');
  ~TextCodec();
  TextCodec(const TextCodec&) = delete;
  TextCodec& operator=(const TextCodec&) = delete;

  bool Valid() const { return valid_; }
  bool IsUtf8() const { return utf8_; }
  const std::string& Charset() const { return charset_; }

  std::string FromUtf8(std::string_view utf8) const;
  std::string ToUtf8(std::string_view bytes) const;

 private:
  struct Impl;
  std::string charset_;
  char replacement_;
  bool valid_ = false;
  bool utf8_ = false;
  std::unique_ptr<Impl> impl_;
};

// Why charset cannot be a code page of the messenger protocol, or the empty
// text when it can: such a code page is known here, keeps the ASCII
// characters as they are and takes one byte for every character. UTF-16
// (zero bytes), EBCDIC (other letters), UTF-8 and the Far East multi-byte
// sets are refused.
std::string CodePageProblem(const std::string& charset);

// How many characters the UTF-8 text takes in the codec's character set:
// a character it cannot hold counts as one, as it travels as the
// replacement character. For the code pages CodePageProblem accepts this is
// the byte count of the converted text.
std::size_t CodePageLength(std::string_view utf8, const TextCodec& codec);

}  // namespace vantor
