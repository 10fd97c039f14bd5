// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the console tool prints goes through one Output: text arrives as
// UTF-8, leaves in the locale's character set (a character it cannot hold
// becomes "?"), lines end with CR LF, and the bytes are buffered until a
// pause reads standard input or the run ends. On a terminal each line is
// shown at once, so slow network calls do not hide the lines before them.

#include "common/codepage.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace vantor::console {

class Output {
 public:
  // out and in stay owned by the caller.
  Output(std::FILE* out, std::FILE* in, const TextCodec& codec);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // The text followed by CR LF.
  void Line(std::string_view utf8 = {});
  // The text alone, line breaks as they stand.
  void Text(std::string_view utf8);
  // Writes what is buffered, then reads one line of standard input (its
  // content is ignored; the end of input counts as Enter).
  void WaitForEnter();
  void Flush();

  const TextCodec& codec() const { return codec_; }

 private:
  void Append(std::string_view utf8);

  std::FILE* out_;
  std::FILE* in_;
  const TextCodec& codec_;
  std::string buffer_;
  bool interactive_ = false;
};

// name padded with spaces to width characters (not cut when longer).
std::string PadRight(std::string_view utf8, std::size_t width);

}  // namespace vantor::console
