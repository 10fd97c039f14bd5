// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appends delivered messages to the deliveries file, one JSON object a line.
// Several processes may append at once: each line is written under an
// exclusive lock with one write, so lines never interleave.

#include <string>

namespace vantor::lan::sim {

struct Delivery {
  std::string time;  // ISO 8601, local time
  std::string from;
  std::string to;
  std::string host;
  std::string text;
};

class DeliveriesLog {
 public:
  explicit DeliveriesLog(std::string path) : path_(std::move(path)) {}
  // Returns an empty text on success, else what went wrong.
  std::string Append(const Delivery& d) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vantor::lan::sim
