// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A store of its own in a fresh temporary folder, removed with it, for the
// store benchmarks.

#include "store/sqlite_hive.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace vantor::bench {

class ScratchStore {
 public:
  ScratchStore() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantor-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir_ = tmpl;
    hive_ = store::OpenSqliteHive((dir_ / "store.db").string());
  }
  ~ScratchStore() {
    hive_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  ScratchStore(const ScratchStore&) = delete;
  ScratchStore& operator=(const ScratchStore&) = delete;

  store::Hive& hive() { return *hive_; }
  // A file of that name beside the store.
  std::filesystem::path File(const std::string& name) const { return dir_ / name; }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<store::Hive> hive_;
};

}  // namespace vantor::bench
