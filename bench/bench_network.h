// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated networks for the benchmarks: one domain BIG whose controller DC1
// holds `users` users and a tenth as many groups, and a quarter as many PCs
// as users, all in ascending order of name. About 70 bytes a user.

#include <cstdio>
#include <string>

namespace vantor::bench {

inline std::string NumberedName(const char* prefix, int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%06d", prefix, i);
  return buf;
}

inline std::string ScaledNetwork(int users) {
  std::string text = R"({"local": {"computer": "PC000000", "user": "alice", "domain": "BIG"},
  "domains": [{"name": "BIG", "controller": "DC1", "users": [)";
  text.reserve(static_cast<std::size_t>(users) * 72);
  for (int i = 0; i < users; ++i) {
    if (i > 0) text += ',';
    text += R"({"name": ")" + NumberedName("user", i) + R"(", "comment": "Account )" + std::to_string(i) + "\"}";
  }
  text += R"(], "groups": [)";
  for (int i = 0; i < users / 10; ++i) {
    if (i > 0) text += ',';
    text += R"({"name": ")" + NumberedName("group", i) + R"(", "comment": "Group"})";
  }
  text += R"(]}],
  "hosts": [{"name": "DC1", "type": ["nt", "server_nt", "domain_ctrl"]})";
  for (int i = 0; i < users / 4; ++i)
    text += R"(,{"name": ")" + NumberedName("PC", i) + R"(", "type": ["nt"], "comment": "Desk"})";
  text += "]}\n";
  return text;
}

}  // namespace vantor::bench
