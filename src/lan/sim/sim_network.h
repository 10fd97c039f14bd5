// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated network: one small Windows network described by a JSON file
// (docs/network-backends.md). Loading reads the file once, checks all of it
// and refuses it with an error naming the file, the place and the fault; a
// loaded network is immutable. Its texts are views into the file's text,
// which the network holds (parsed in place: escapes already resolved).

#include "lan/net_status.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::sim {

struct Account {
  std::string_view name;
  std::string_view fullName;
  std::string_view comment;
};

struct Group {
  std::string_view name;
  std::string_view comment;
  std::vector<std::string_view> members;
};

// What a server answers for accounts, groups and trusts. The long lists are
// deques: they grow while the file is read, without copies of what is there.
struct Directory {
  std::deque<Account> users;
  std::deque<Group> groups;
  std::vector<std::string_view> trusts;
};

struct Session {
  std::string_view client;
  std::string_view user;  // empty: the session carries no user
};

struct Host {
  std::string_view name;
  std::string_view domain;
  std::string_view comment;
  std::string_view address;  // dotted IPv4, may be empty
  std::uint32_t type = 0;
  bool messenger = true;
  std::vector<std::string_view> loggedOn;
  std::vector<std::string_view> names;
  std::vector<Session> sessions;
  std::uint64_t latencyMs = 0;
  Status sessionStatus = 0;
  Status messageStatus = 0;
};

struct Domain {
  std::string_view name;
  std::string_view controller;  // empty: no controller, as for a workgroup
  Directory directory;
};

struct Local {
  std::string_view computer;
  std::string_view user;
  std::string_view domain;
  std::string_view address;
  bool messenger = true;
  Directory directory;
};

struct Network {
  std::string path;  // the file it was loaded from
  Local local;
  std::vector<Domain> domains;
  std::deque<Host> hosts;      // ascending by name, ignoring case
  std::string deliveriesPath;  // absolute, or relative to the working directory
  std::uint32_t batch = 1000;
  // What every view above points into; copies of the network share it.
  std::shared_ptr<const char[]> text;
};

class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Files larger than this are refused before they are read.
inline constexpr std::uintmax_t kMaxFileSize = 64u * 1024 * 1024;

Network LoadNetwork(const std::string& path);
Network ParseNetwork(const std::string& text, const std::string& path);

// The server-type words of the file ("domain_ctrl", "nt", ...).
std::optional<std::uint32_t> ServerTypeBit(std::string_view word);

// Whether a text can stand for an account, computer or message name.
bool IsSensibleName(std::string_view name);

}  // namespace vantor::lan::sim
