// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/hive.h"

#include "store/key_path.h"
#include "store/sqlite_hive.h"

#include <cstdlib>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace vantor::store {

Value Value::DWord(std::uint32_t n) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((n >> (8 * i)) & 0xff);
  return {ValueType::DWord, std::move(bytes)};
}

void Hive::SetValues(std::string_view key, const std::vector<NamedValue>& values) {
  WriteTransaction([&] {
    CreateKey(key);
    for (const NamedValue& v : values) SetValue(key, v.name, v.value);
  });
}

void WalkKeys(Hive& hive, const std::string& top, const std::function<void(const std::string& path)>& visit) {
  std::vector<std::string> pending{top};
  while (!pending.empty()) {
    std::string path = std::move(pending.back());
    pending.pop_back();
    visit(path);
    std::vector<std::string> subs = hive.SubKeyNames(path);
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) pending.push_back(JoinKeyPath(path, *it));
  }
}

// On Windows the store is the registry (registry_hive.cpp).
#ifndef _WIN32
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir == '/') return pw->pw_dir;
  throw StoreError("Cannot find the home folder for the store: set HOME, XDG_CONFIG_HOME or VANTOR_STORE.");
}

}  // namespace

std::string DefaultStorePath() {
  if (const char* store = std::getenv("VANTOR_STORE"); store && *store) return store;
  // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = (config && *config == '/') ? std::string(config) : HomeFolder() + "/.config";
  return base + "/vantor/store.db";
}

std::unique_ptr<Hive> OpenDefaultHive() { return OpenSqliteHive(DefaultStorePath()); }

std::unique_ptr<Hive> OpenDefaultHive(int writerWaitMs) {
  return OpenSqliteHive(DefaultStorePath(), SqliteHiveOptions{writerWaitMs});
}
#endif

}  // namespace vantor::store
