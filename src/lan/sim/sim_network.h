#pragma once
// The simulated network: one small Windows network described by a JSON file
// (docs/simulated-network.md). Loading checks the whole file and refuses it
// with an error naming the file and the fault; a loaded network is immutable.

#include "lan/net_status.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantor::lan::sim {

struct Account {
  std::string name;
  std::string fullName;
  std::string comment;
};

struct Group {
  std::string name;
  std::string comment;
  std::vector<std::string> members;
};

// What a server answers for accounts, groups and trusts.
struct Directory {
  std::vector<Account> users;
  std::vector<Group> groups;
  std::vector<std::string> trusts;
};

struct Session {
  std::string client;
  std::string user;  // empty: the session carries no user
};

struct Host {
  std::string name;
  std::string domain;
  std::string comment;
  std::string address;  // dotted IPv4, may be empty
  std::uint32_t type = 0;
  bool messenger = true;
  std::vector<std::string> loggedOn;
  std::vector<std::string> names;
  std::vector<Session> sessions;
  std::uint64_t latencyMs = 0;
  Status sessionStatus = 0;
  Status messageStatus = 0;
};

struct Domain {
  std::string name;
  std::string controller;  // empty: no controller, as for a workgroup
  Directory directory;
};

struct Local {
  std::string computer;
  std::string user;
  std::string domain;
  std::string address;
  bool messenger = true;
  Directory directory;
};

struct Network {
  std::string path;  // the file it was loaded from
  Local local;
  std::vector<Domain> domains;
  std::vector<Host> hosts;     // ascending by name, ignoring case
  std::string deliveriesPath;  // absolute, or relative to the working directory
  std::uint32_t batch = 1000;
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
