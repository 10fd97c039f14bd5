// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the directory operations of the backend chosen by VANTOR_LAN, for
// the end-to-end tests against a domain controller:
//   samba_dir_tool [--server NAME] [--batch N] [--threads N] [--cancel-after MS] WHAT [ARG]
// WHAT: dc, users, groups, machines, members GROUP, sessions SERVER,
// trusts, fullname USER. Names are written one a line; a failure writes
// "error STATUS: TEXT" and ends with exit status 3. --threads runs the same
// listing on several threads at once (each must give the same names);
// --cancel-after cancels the pending calls from another thread.
#include "lan/backend.h"
#include "lan/net_error_text.h"

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vantor::lan;

struct Result {
  Status status = NERR_Success;
  std::vector<std::string> names;
};

Result Display(NetApi& api, const std::string& server, std::uint32_t level, std::uint32_t batch) {
  Result r;
  std::uint32_t index = 0;
  do {
    NetBuffer<DisplayEntry> out;
    r.status = api.NetQueryDisplayInformation(server, level, index, batch, MAX_PREFERRED_LENGTH, out);
    if (r.status != NERR_Success && r.status != ERROR_MORE_DATA) break;
    for (const DisplayEntry& e : out) r.names.push_back(e.name);
    if (!out.empty()) index = out.back().nextIndex;
  } while (r.status == ERROR_MORE_DATA);
  return r;
}

Result Run(NetApi& api, const std::string& what, const std::string& arg, std::string server, std::uint32_t batch) {
  Result r;
  if (server.empty() && what != "dc") {
    std::string dc;
    if (api.NetGetDCName({}, {}, dc) == NERR_Success) server = dc;
  }
  if (what == "dc") {
    std::string dc;
    r.status = api.NetGetDCName(server, arg, dc);
    r.names.push_back(dc);
  } else if (what == "users") {
    r = Display(api, server, kDisplayUsers, batch);
  } else if (what == "machines") {
    r = Display(api, server, 2, batch);
  } else if (what == "groups") {
    r = Display(api, server, kDisplayGroups, batch);
  } else if (what == "members") {
    std::uint32_t resume = 0, total = 0;
    do {
      NetBuffer<GroupUsersInfo0> out;
      r.status = api.NetGroupGetUsers(server, arg, 0, 16000, out, total, resume);
      for (const auto& e : out) r.names.push_back(e.name);
    } while (r.status == ERROR_MORE_DATA);
  } else if (what == "sessions") {
    std::uint32_t resume = 0, total = 0;
    do {
      NetBuffer<SessionInfo10> out;
      r.status = api.NetSessionEnum(arg, {}, {}, 10, 64000, out, total, resume);
      for (const auto& e : out) r.names.push_back(e.username + "@" + e.cname);
    } while (r.status == ERROR_MORE_DATA);
  } else if (what == "trusts") {
    NetBuffer<char> run;
    r.status = api.NetEnumerateTrustedDomains(server, run);
    std::string name;
    for (char c : run) {
      if (c == '\0') {
        if (name.empty()) break;
        r.names.push_back(name);
        name.clear();
      } else {
        name.push_back(c);
      }
    }
  } else if (what == "computers") {
    NetBuffer<ServerInfo101> out;
    std::uint32_t total = 0;
    r.status = api.NetServerEnumEx({}, 101, 96000, std::strtoul(arg.empty() ? "0x401000" : arg.c_str(), nullptr, 0), {},
                                   {}, out, total);
    for (const auto& e : out) r.names.push_back(e.name);
  } else if (what == "fullname") {
    UserInfo2 info;
    r.status = api.NetUserGetInfo(server, arg, 2, info);
    r.names.push_back(info.fullName + " | " + info.comment);
  } else {
    r.status = ERROR_INVALID_PARAMETER;
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::string server, what, arg;
  std::uint32_t batch = 1000;
  int threads = 1;
  long cancelAfter = -1;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--server" && i + 1 < argc)
      server = argv[++i];
    else if (a == "--batch" && i + 1 < argc)
      batch = static_cast<std::uint32_t>(std::atoi(argv[++i]));
    else if (a == "--threads" && i + 1 < argc)
      threads = std::atoi(argv[++i]);
    else if (a == "--cancel-after" && i + 1 < argc)
      cancelAfter = std::atol(argv[++i]);
    else if (what.empty())
      what = a;
    else
      arg = a;
  }
  std::unique_ptr<NetApi> api;
  try {
    api = CreateNetApiFromEnvironment();
  } catch (const BackendError& e) {
    std::cout << "backend error: " << e.what() << "\n";
    return 1;
  }
  std::thread canceller;
  if (cancelAfter >= 0)
    canceller = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(cancelAfter));
      api->CancelPendingCalls();
    });
  std::vector<Result> results(static_cast<std::size_t>(threads < 1 ? 1 : threads));
  std::vector<std::thread> workers;
  for (Result& r : results) workers.emplace_back([&, p = &r] { *p = Run(*api, what, arg, server, batch); });
  for (std::thread& t : workers) t.join();
  if (canceller.joinable()) canceller.join();
  for (const Result& r : results)
    if (r.names != results[0].names || r.status != results[0].status) {
      std::cout << "threads disagree\n";
      return 4;
    }
  for (const std::string& n : results[0].names) std::cout << n << "\n";
  if (results[0].status != NERR_Success) {
    std::cout << "error " << results[0].status << ": " << NetErrorText(results[0].status) << "\n";
    return 3;
  }
  return 0;
}
