// SPDX-License-Identifier: GPL-3.0-or-later
// vantorc's command line and its server file, run through the whole program
// on a small simulated network and a store with lists: every run ends with a
// status of 0, 1 or 2 and its output, never a crash; a server file that is
// there is never reported as missing.
//
// Input: one argument a line, up to a line "--"; what follows is the server
// file, which the argument "%F" names. A first line "#cp850" makes that the
// console's character set instead of UTF-8.
#include "console/output.h"
#include "console/program.h"
#include "console/store_reader.h"
#include "fuzz_support.h"
#include "lan/backend.h"
#include "store/reg_script.h"
#include "store/sqlite_hive.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

using namespace vantor;

constexpr std::string_view kNetwork = R"({
  "local": { "computer": "PC5", "user": "alice", "domain": "OFFICE",
             "users": [ { "name": "Administrator", "full_name": "", "comment": "Local" } ],
             "groups": [ { "name": "LocalGroup", "comment": "", "members": ["alice"] } ], "trusts": [] },
  "domains": [
    { "name": "OFFICE", "controller": "DC1", "trusts": ["SALES"],
      "users": [ { "name": "bob", "full_name": "Bob Smith", "comment": "Sales desk" },
                 { "name": "dave", "full_name": "Dave Jones", "comment": "IT" } ],
      "groups": [ { "name": "Staff", "comment": "Office staff", "members": ["bob", "PC7$"] } ] },
    { "name": "SALES" }
  ],
  "hosts": [
    { "name": "DC1", "domain": "OFFICE", "type": ["nt", "server_nt", "domain_ctrl"],
      "sessions": [ { "client": "PC7", "user": "bob" }, { "client": "PC9" } ] },
    { "name": "FILES", "domain": "OFFICE", "type": ["nt", "server"], "session_status": 5, "message_status": 2136 },
    { "name": "PC7", "domain": "OFFICE", "type": ["nt", "workstation"], "logged_on": ["bob"] }
  ],
  "deliveries": "deliveries.jsonl",
  "batch": 2
}
)";

constexpr std::string_view kLists =
    "REGEDIT4\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\ListNames]\r\n"
    "\"Sales\"=\"2\"\r\n"
    "\"Odd\"=\"x\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\Sales]\r\n"
    "\"bob\"=\"2,Sales desk\"\r\n"
    "\"Staff\"=\"4,\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\Odd]\r\n"
    "\"x\"=\"nokind\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main\\Servers]\r\n"
    "\"DC1\"=\"1\"\r\n"
    "\"FILES\"=dword:00000001\r\n";

struct World {
  std::string network = fuzz::ScratchFile("net.json");
  std::string deliveries = fuzz::ScratchFile("deliveries.jsonl");
  std::string store = fuzz::ScratchFile("store.db");
  std::string serverFile = fuzz::ScratchFile("servers.txt");
  TextCodec utf8{"UTF-8"};
  TextCodec cp850{"CP850"};

  World() {
    fuzz::WriteFile(network, kNetwork);
    store::RegScript::Parse(kLists).Apply(*store::OpenSqliteHive(store));
  }
};

// The name in "Query filename 'NAME' does not exist.", if the output holds one.
std::optional<std::string> ReportedMissing(const std::string& out) {
  static constexpr std::string_view kStart = "Query filename '", kEnd = "' does not exist.";
  size_t start = out.find(kStart);
  if (start == std::string::npos) return std::nullopt;
  start += kStart.size();
  size_t end = out.find(kEnd, start);
  if (end == std::string::npos) return std::nullopt;
  return out.substr(start, end - start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  fuzz::Input in(data, size);
  std::vector<std::string> args;
  const TextCodec* codec = &world.utf8;
  for (bool first = true; !in.empty(); first = false) {
    std::string a = in.Line();
    if (a == "--") break;
    if (first && a == "#cp850") {
      codec = &world.cp850;
      continue;
    }
    args.push_back(a == "%F" ? world.serverFile : a);
  }
  fuzz::WriteFile(world.serverFile, in.Rest());
  fuzz::WriteFile(world.deliveries, "");

  char* buf = nullptr;
  size_t len = 0;
  std::FILE* out = ::open_memstream(&buf, &len);
  int status;
  {
    console::Output output(out, nullptr, *codec);
    console::ProgramEnvironment env;
    env.openNetwork = [&] { return lan::CreateNetApi("sim:" + world.network); };
    env.openStore = [&] { return std::make_unique<console::StoreReader>(store::OpenSqliteHive(world.store)); };
    status = console::RunProgram(args, output, env);
  }
  std::fclose(out);
  std::string text(buf, len);
  std::free(buf);

  if (status < 0 || status > 2) fuzz::Fail("exit status " + std::to_string(status));
  if (auto missing = ReportedMissing(text); missing && !missing->empty()) {
    std::error_code ec;
    if (std::filesystem::exists(*missing, ec)) {
      fuzz::Fail("'" + *missing + "' is there but reported as missing");
    }
  }
  return 0;
}
