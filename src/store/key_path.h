// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Key paths of the hive: names separated by one backslash, relative to the
// hive's root. Shared by the backend, the settings and the reg tool so that
// every layer accepts and refuses the same paths.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::store {

// The registry's limits, kept here so a store made on one platform can be
// carried to the other.
inline constexpr std::size_t kMaxKeyNameLength = 255;      // characters of one key name
inline constexpr std::size_t kMaxValueNameLength = 16383;  // characters of one value name
inline constexpr std::size_t kMaxKeyDepth = 512;           // names in one path: levels below the root
// Characters of a whole path, separators included: the longest object name
// the registry's native calls take. Every stored key keeps its whole path,
// so this and the depth bound what one imported line can make the store hold.
inline constexpr std::size_t kMaxKeyPathLength = 32767;

// The names of a path, in order; empty for the root ("" or "\"). nullopt when
// the path holds an empty name ("A\\B", "A\", "\\A").
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);

// Why a path is not a valid key path for writing (an empty name, a name, the
// whole path or the depth beyond its limit), or empty when it is.
std::string KeyPathProblem(std::string_view path);

// Why a value name cannot be stored (not UTF-8, or longer than the limit),
// or empty when it can.
std::string ValueNameProblem(std::string_view name);

// The path without its leading backslash, names joined by one backslash.
std::string JoinKeyPath(std::string_view parent, std::string_view name);

}  // namespace vantor::store
