#pragma once
// The networks the vantorc tests run on.
//
// Office: domain OFFICE with the controllers DC1 and DC2 and a trust to SALES
// and LAB; the own computer PC5 (user alice). DC1 knows bob at PC7 and a
// session from PC9 without a user; DC2 knows dave at PC17; FILES refuses
// session queries and messages; UNIX1 holds a session but is neither of the
// NT nor of the Windows 95 family.

#include <string>

namespace vantor::test {

inline std::string OfficeNet(int batch = 1000) {
  return R"({
  "local": {
    "computer": "PC5", "user": "alice", "domain": "OFFICE", "messenger": true,
    "users": [ { "name": "Administrator", "full_name": "", "comment": "Local administrator" } ],
    "groups": [ { "name": "LocalGroup", "comment": "On this PC", "members": ["alice"] } ],
    "trusts": ["LOCALTRUST"]
  },
  "domains": [
    { "name": "OFFICE", "controller": "DC1", "trusts": ["SALES", "LAB"],
      "users": [
        { "name": "alice", "full_name": "Alice Archer", "comment": "Reception" },
        { "name": "bob", "full_name": "Bob Smith", "comment": "Sales desk" },
        { "name": "carol", "full_name": "Carol King", "comment": "" },
        { "name": "Christopher_Montague", "full_name": "", "comment": "Twenty characters" },
        { "name": "dave", "full_name": "Dave Jones", "comment": "IT" },
        { "name": "Maximilian_Fitzgerald1", "full_name": "", "comment": "Name of 22" },
        { "name": "erin", "full_name": "Erin Brown", "comment": "Accounts" }
      ],
      "groups": [
        { "name": "Staff", "comment": "Office staff", "members": ["bob", "PC7$", "carol"] },
        { "name": "Domain Admins", "comment": "", "members": ["dave"] },
        { "name": "Machines", "comment": "Computer accounts", "members": ["PC17$", "ODD$$"] },
        { "name": "Empty", "comment": "No one", "members": [] }
      ] },
    { "name": "SALES", "controller": "SDC" },
    { "name": "LAB" }
  ],
  "hosts": [
    { "name": "DC1", "domain": "OFFICE", "comment": "Main controller", "type": ["nt", "server_nt", "domain_ctrl"],
      "logged_on": ["carol"],
      "sessions": [ { "client": "PC7", "user": "bob" }, { "client": "PC9" }, { "client": "UNIX1" } ] },
    { "name": "DC2", "domain": "OFFICE", "comment": "Backup controller", "type": ["nt", "server_nt", "domain_bakctrl"],
      "sessions": [ { "client": "PC17", "user": "dave" } ] },
    { "name": "FILES", "domain": "OFFICE", "comment": "File server", "type": ["nt", "server", "server_nt"],
      "sessions": [ { "client": "PC3", "user": "erin" } ], "session_status": 5, "message_status": 2136,
      "names": ["erin"] },
    { "name": "PC17", "domain": "OFFICE", "comment": "Lab PC", "type": ["nt"], "logged_on": ["dave"] },
    { "name": "PC5", "domain": "OFFICE", "comment": "Reception", "type": ["nt", "workstation"], "logged_on": ["alice"] },
    { "name": "PC7", "domain": "OFFICE", "comment": "Bob's desk", "type": ["nt", "workstation"], "logged_on": ["bob"] },
    { "name": "PC9", "domain": "OFFICE", "comment": "", "type": ["windows"], "messenger": false },
    { "name": "UNIX1", "domain": "OFFICE", "comment": "Not Windows", "type": ["server", "xenix_server"] },
    { "name": "S1", "domain": "SALES", "type": ["nt"], "logged_on": ["sam"] }
  ],
  "deliveries": "net.deliveries.jsonl",
  "batch": )" +
         std::to_string(batch) + "\n}\n";
}

// A workgroup: no domain controller anywhere, one other computer.
inline std::string WorkgroupNet() {
  return R"({
  "local": {
    "computer": "HOMEPC", "user": "kim", "domain": "WORKGROUP",
    "users": [ { "name": "kim", "full_name": "Kim", "comment": "Owner" } ],
    "groups": [ { "name": "Family", "comment": "", "members": ["kim", "LAPTOP$"] } ],
    "trusts": ["NEIGHBOURS"]
  },
  "domains": [ { "name": "WORKGROUP" } ],
  "hosts": [
    { "name": "LAPTOP", "domain": "WORKGROUP", "comment": "Kitchen", "type": ["nt", "workstation"],
      "logged_on": ["lee"] }
  ],
  "deliveries": "net.deliveries.jsonl"
}
)";
}

}  // namespace vantor::test
