// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text helpers for names as a Windows network compares them: without regard
// to letter case. Names travel as UTF-8 inside the programs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

char AsciiUpper(char c);
char AsciiLower(char c);
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);

// Case folding over UTF-8: each code point upper-cased by SimpleUpper (all
// scripts, one code point for one). Two names are the same name when their
// folds are equal.
std::string FoldCase(std::string_view s);
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Orders text the way the views and the sorted name lists do.
struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

// A whole decimal integer (optional sign, digits only, fits in 32 bits).
// Anything else - blanks, hex, an empty text - is not a number.
std::optional<std::int32_t> ParseInt32(std::string_view s);
std::optional<std::uint64_t> ParseUInt64(std::string_view s);

std::string_view TrimBlanks(std::string_view s);             // spaces and control characters
std::vector<std::string> SplitLines(std::string_view text);  // CR, LF or CR LF

// printf-style "%s" and "%d" substitution for the programs' fixed texts.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace vantor
