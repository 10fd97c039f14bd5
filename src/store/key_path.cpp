// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/key_path.h"

#include "common/utf.h"

namespace vantor::store {

std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path) {
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  std::vector<std::string_view> names;
  if (path.empty()) return names;
  for (;;) {
    size_t cut = path.find('\\');
    std::string_view name = path.substr(0, cut);
    if (name.empty()) return std::nullopt;
    names.push_back(name);
    if (cut == std::string_view::npos) return names;
    path.remove_prefix(cut + 1);
  }
}

std::string KeyPathProblem(std::string_view path) {
  auto names = SplitKeyPath(path);
  if (!names) return "A key path cannot hold an empty key name (two backslashes in a row, or one at the end).";
  if (names->size() > kMaxKeyDepth) {
    return "Keys cannot be nested more than " + std::to_string(kMaxKeyDepth) + " levels deep; this path has " +
           std::to_string(names->size()) + ".";
  }
  std::size_t length = names->empty() ? 0 : names->size() - 1;
  for (std::string_view name : *names) {
    std::size_t n = Utf8Length(name);
    if (n > kMaxKeyNameLength) {
      return "A key name cannot be longer than " + std::to_string(kMaxKeyNameLength) + " characters.";
    }
    length += n;
  }
  if (length > kMaxKeyPathLength) {
    return "A key path cannot be longer than " + std::to_string(kMaxKeyPathLength) + " characters; this one has " +
           std::to_string(length) + ".";
  }
  return {};
}

std::string ValueNameProblem(std::string_view name) {
  if (!IsValidUtf8(name)) return "A value name must be UTF-8 text.";
  if (Utf8Length(name) > kMaxValueNameLength)
    return "A value name cannot be longer than " + std::to_string(kMaxValueNameLength) + " characters.";
  return {};
}

std::string JoinKeyPath(std::string_view parent, std::string_view name) {
  if (!parent.empty() && parent.front() == '\\') parent.remove_prefix(1);
  if (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  if (parent.empty()) return std::string(name);
  if (name.empty()) return std::string(parent);
  std::string out(parent);
  out += '\\';
  out += name;
  return out;
}

}  // namespace vantor::store
