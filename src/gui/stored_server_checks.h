// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Servers view's check marks as the store keeps them (Forms\Main\Servers:
// "1" checked, "0" not). A server never stored is shown checked.

#include "lan/directory.h"
#include "store/settings.h"

#include <string>

namespace vantor::gui {

class StoredServerChecks : public lan::ServerCheckStates {
 public:
  explicit StoredServerChecks(store::Hive& hive) : settings_(hive) {}
  bool IsChecked(std::string_view server) const override {
    try {
      return settings_.ReadBool(store::kServersSection, server, true);
    } catch (const store::StoreError& e) {
      if (error_.empty()) error_ = e.what();
      return true;
    }
  }
  // The first value that could not be read, if any.
  const std::string& Error() const { return error_; }

 private:
  store::Settings settings_;
  mutable std::string error_;
};

}  // namespace vantor::gui
