// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/output.h"

#include "common/utf.h"

#include <unistd.h>

namespace vantor::console {

namespace {
constexpr std::size_t kFlushAt = 1 << 16;
}

Output::Output(std::FILE* out, std::FILE* in, const TextCodec& codec)
    : out_(out), in_(in), codec_(codec), interactive_(::isatty(::fileno(out)) == 1) {
  buffer_.reserve(kFlushAt + 1024);
}

Output::~Output() { Flush(); }

void Output::Append(std::string_view utf8) {
  // Plain ASCII reads the same in every character set a locale uses.
  bool ascii = true;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii || (codec_.IsUtf8() && IsValidUtf8(utf8)))
    buffer_.append(utf8);
  else
    buffer_.append(codec_.FromUtf8(utf8));
}

void Output::Line(std::string_view utf8) {
  Append(utf8);
  buffer_.append("\r\n");
  if (interactive_ || buffer_.size() >= kFlushAt) Flush();
}

void Output::Text(std::string_view utf8) {
  Append(utf8);
  if (buffer_.size() >= kFlushAt) Flush();
}

void Output::Flush() {
  if (!buffer_.empty()) {
    std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }
  std::fflush(out_);
}

void Output::WaitForEnter() {
  Flush();
  if (!in_) return;
  for (int c = std::fgetc(in_); c != EOF && c != '\n'; c = std::fgetc(in_)) {
  }
}

std::string PadRight(std::string_view utf8, std::size_t width) {
  std::string s(utf8);
  // Characters, not bytes: each one is one column in the locale's text, or
  // one "?" where the locale cannot hold it.
  std::size_t len = Utf8Length(utf8);
  if (len < width) s.append(width - len, ' ');
  return s;
}

}  // namespace vantor::console
