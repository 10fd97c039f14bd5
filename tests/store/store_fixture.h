// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh store in a private folder for each test. On Windows the store is
// a private key of the current user's registry instead, removed afterwards.

#include "store/hive.h"
#include "support/temp_dir.h"
#ifdef _WIN32
#include "support/registry_root.h"
#else
#include "store/sqlite_hive.h"
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace vantor::store::test {

// Values enumerate in the order of their creation, except under Wine, which
// sorts a key's values by name: tests skip only that point there.
inline bool ValuesKeepCreationOrder() {
#ifdef _WIN32
  return !vantor::test::RunningUnderWine();
#else
  return true;
#endif
}

class StoreTest : public ::testing::Test {
 protected:
#ifdef _WIN32
  Hive& hive() {
    if (!hive_) hive_ = OpenAgain();
    return *hive_;
  }
  // A second opening of the same store, as another process would have.
  std::unique_ptr<Hive> OpenAgain(int busyTimeoutMs = 10000) {
    return OpenRegistryHive({root_.path(), std::chrono::milliseconds(busyTimeoutMs)});
  }
  vantor::test::TempDir dir_;
  vantor::test::RegistryRoot root_;
  std::unique_ptr<Hive> hive_;
#else
  std::string StorePath() const { return dir_.File("store.db"); }
  Hive& hive() {
    if (!hive_) hive_ = OpenSqliteHive(StorePath());
    return *hive_;
  }
  // A second connection to the same file, as another process would have.
  std::unique_ptr<Hive> OpenAgain(int busyTimeoutMs = 10000) {
    return OpenSqliteHive(StorePath(), SqliteHiveOptions{busyTimeoutMs});
  }
  vantor::test::TempDir dir_;
  std::unique_ptr<Hive> hive_;
#endif
};

// The elements in the order of their creation, as the store enumerates a
// key's values; under Wine, which sorts them by name, in any order.
template <class... M>
auto InStoreOrder(M... m) {
  return ::testing::AnyOf(::testing::ElementsAre(m...),
                          ::testing::AllOf(::testing::Truly([](const auto&) { return !ValuesKeepCreationOrder(); }),
                                           ::testing::UnorderedElementsAre(m...)));
}
template <class C>
auto InStoreOrderArray(const C& c) {
  return ::testing::AnyOf(::testing::ElementsAreArray(c),
                          ::testing::AllOf(::testing::Truly([](const auto&) { return !ValuesKeepCreationOrder(); }),
                                           ::testing::UnorderedElementsAreArray(c)));
}

// A text written in the store's order of values, compared as it is; under
// Wine its lines, sorted.
inline std::string InStoreOrderText(const std::string& text) {
  if (ValuesKeepCreationOrder()) return text;
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& l : lines) out += l;
  return out;
}

}  // namespace vantor::store::test
