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

// The names of a path, in order; empty for the root ("" or "\"). nullopt when
// the path holds an empty name ("A\\B", "A\", "\\A").
std::optional<std::vector<std::string_view>> SplitKeyPath(std::string_view path);

// Why a path is not a valid key path for writing, or empty when it is.
std::string KeyPathProblem(std::string_view path);

// The path without its leading backslash, names joined by one backslash.
std::string JoinKeyPath(std::string_view parent, std::string_view name);

}  // namespace vantor::store
