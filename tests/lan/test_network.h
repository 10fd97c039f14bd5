#pragma once
// A small network for the LAN tests: domain OFFICE with two controllers and a
// trust to SALES, a workgroup-free local computer PC5, a few hosts.

#include <string>

namespace vantor::test {

inline std::string OfficeNetwork(int batch = 1000, const std::string& extraHosts = "") {
  return R"({
  "local": {
    "computer": "PC5", "user": "alice", "domain": "OFFICE", "messenger": true,
    "users": [ { "name": "Administrator", "full_name": "", "comment": "Built-in account" } ],
    "groups": [ { "name": "None", "comment": "Ordinary users", "members": ["Administrator"] } ],
    "trusts": ["LOCALTRUST"]
  },
  "domains": [
    { "name": "OFFICE", "controller": "DC01", "trusts": ["SALES", "LAB"],
      "users": [
        { "name": "alice", "full_name": "Alice Archer", "comment": "Reception" },
        { "name": "bob", "full_name": "Bob Smith", "comment": "Sales desk" },
        { "name": "carol", "full_name": "Carol King", "comment": "" },
        { "name": "dave", "full_name": "Dave Jones", "comment": "IT" },
        { "name": "erin", "full_name": "Erin Brown", "comment": "Accounts" }
      ],
      "groups": [
        { "name": "Staff", "comment": "Office staff", "members": ["bob", "PC17$", "carol"] },
        { "name": "Domain Admins", "comment": "", "members": ["dave"] },
        { "name": "Empty", "comment": "No one", "members": [] }
      ] },
    { "name": "SALES", "controller": "SDC" },
    { "name": "LAB" }
  ],
  "hosts": [
    { "name": "DC01", "domain": "OFFICE", "comment": "Main controller", "type": ["nt", "server_nt", "domain_ctrl"],
      "messenger": true, "logged_on": ["carol"], "names": ["HELPDESK"],
      "sessions": [ { "client": "PC7", "user": "bob" }, { "client": "PC9" }, { "client": "PC17", "user": "dave" } ] },
    { "name": "DC02", "domain": "OFFICE", "comment": "Backup controller", "type": ["nt", "server_nt", "domain_bakctrl"],
      "messenger": true },
    { "name": "PC7", "domain": "OFFICE", "comment": "Bob's desk", "type": ["nt", "workstation"], "messenger": true,
      "logged_on": ["bob"] },
    { "name": "PC9", "domain": "OFFICE", "comment": "", "type": ["windows"], "messenger": false },
    { "name": "PC17", "domain": "OFFICE", "comment": "Lab PC", "type": 4096, "messenger": true, "address": "10.0.0.17" },
    { "name": "FILES", "domain": "OFFICE", "comment": "File server", "type": ["nt", "server", "server_nt"],
      "messenger": true, "session_status": 5, "message_status": 2136 },
    { "name": "SLOW", "domain": "OFFICE", "comment": "Slow server", "type": ["nt", "server_nt"], "latency_ms": 50 },
    { "name": "S1", "domain": "SALES", "type": ["nt"], "messenger": true, "logged_on": ["sam"] }
    )" + extraHosts +
         R"(
  ],
  "deliveries": "office.deliveries.jsonl",
  "batch": )" +
         std::to_string(batch) + "\n}\n";
}

}  // namespace vantor::test
