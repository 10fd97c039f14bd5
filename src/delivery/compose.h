// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a message as it is sent: the message box's lines as the box
// shows them, each followed by CR LF, then CR LF and the signature. Its
// length is counted in characters of the code page the text travels in; a
// character the code page cannot hold travels as the code page's
// replacement character and counts as one.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::delivery {

inline constexpr std::size_t kMessageLimit = 895;
inline constexpr std::size_t kBroadcastLimit = 128;

struct Composition {
  std::string text;        // UTF-8, as the receiver will see it
  std::size_t length = 0;  // characters on the wire
};

// codePage: the wire's character set (an iconv name), or empty when the text
// reaches the receiver as it is given.
Composition ComposeMessage(const std::vector<std::string>& lines, std::string_view signature,
                           const std::string& codePage);

// How many characters the text takes on the wire.
std::size_t WireLength(std::string_view utf8, const std::string& codePage);

// The first n characters of the text (n may be zero or less).
std::string FirstCharacters(std::string_view utf8, long long n);

// The message box's text with each line break counted as the CR LF it is in
// the message, the form in which over-long text is measured and cut.
std::string WithCrLf(std::string_view utf8);
// And back: each CR LF a single line break; a lone CR at the end dropped.
std::string WithoutCrLf(std::string_view utf8);

}  // namespace vantor::delivery
