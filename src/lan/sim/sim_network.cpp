#include "lan/sim/sim_network.h"

#include "common/text.h"
#include "common/utf.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace vantor::lan::sim {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxNameLength = 256;
constexpr int kMaxDepth = 32;

struct TypeWord {
  std::string_view word;
  std::uint32_t bit;
};

constexpr std::array<TypeWord, 32> kTypeWords{{
    {"workstation", sv_type::WORKSTATION},
    {"server", sv_type::SERVER},
    {"sqlserver", sv_type::SQLSERVER},
    {"domain_ctrl", sv_type::DOMAIN_CTRL},
    {"domain_bakctrl", sv_type::DOMAIN_BAKCTRL},
    {"time_source", sv_type::TIME_SOURCE},
    {"afp", sv_type::AFP},
    {"novell", sv_type::NOVELL},
    {"domain_member", sv_type::DOMAIN_MEMBER},
    {"printq_server", sv_type::PRINTQ_SERVER},
    {"dialin_server", sv_type::DIALIN_SERVER},
    {"xenix_server", sv_type::XENIX_SERVER},
    {"server_unix", sv_type::XENIX_SERVER},
    {"nt", sv_type::NT},
    {"wfw", sv_type::WFW},
    {"server_mfpn", sv_type::SERVER_MFPN},
    {"server_nt", sv_type::SERVER_NT},
    {"potential_browser", sv_type::POTENTIAL_BROWSER},
    {"backup_browser", sv_type::BACKUP_BROWSER},
    {"master_browser", sv_type::MASTER_BROWSER},
    {"domain_master", sv_type::DOMAIN_MASTER},
    {"server_osf", sv_type::SERVER_OSF},
    {"server_vms", sv_type::SERVER_VMS},
    {"windows", sv_type::WINDOWS},
    {"dfs", sv_type::DFS},
    {"cluster_nt", sv_type::CLUSTER_NT},
    {"terminalserver", sv_type::TERMINALSERVER},
    {"cluster_vs_nt", sv_type::CLUSTER_VS_NT},
    {"dce", sv_type::DCE},
    {"alternate_xport", sv_type::ALTERNATE_XPORT},
    {"local_list_only", sv_type::LOCAL_LIST_ONLY},
    {"domain_enum", sv_type::DOMAIN_ENUM},
}};

std::string TypeName(const json& j) {
  switch (j.type()) {
    case json::value_t::null: return "null";
    case json::value_t::boolean: return "true or false";
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return "a number";
    case json::value_t::number_float: return "a fractional number";
    case json::value_t::string: return "a string";
    case json::value_t::array: return "a list";
    case json::value_t::object: return "an object";
    default: return "something else";
  }
}

// Reads one file, naming every fault with the file and the place in it.
class Reader {
 public:
  explicit Reader(std::string path) : path_(std::move(path)) {}

  [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
    throw LoadError(path_ + ": " + (where.empty() ? "" : where + ": ") + what);
  }

  const json& Object(const json& j, const std::string& where) const {
    if (!j.is_object()) Fail(where, "expected an object, found " + TypeName(j));
    return j;
  }

  const json& Array(const json& j, const std::string& where) const {
    if (!j.is_array()) Fail(where, "expected a list, found " + TypeName(j));
    return j;
  }

  const json* Member(const json& obj, const char* key) const {
    auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
  }

  std::string String(const json& obj, const char* key, const std::string& where, bool required,
                     const std::string& fallback = {}) const {
    const json* v = Member(obj, key);
    std::string at = Join(where, key);
    if (!v) {
      if (required) Fail(where, std::string("\"") + key + "\" is missing");
      return fallback;
    }
    if (!v->is_string()) Fail(at, "expected a string, found " + TypeName(*v));
    const auto& s = v->get_ref<const std::string&>();
    if (!IsValidUtf8(s)) Fail(at, "not valid UTF-8 text");
    return s;
  }

  std::string Name(const json& obj, const char* key, const std::string& where, bool required) const {
    std::string s = String(obj, key, where, required);
    if ((required || Member(obj, key)) && !IsSensibleName(s))
      Fail(Join(where, key), "\"" + Printable(s) + "\" is not a usable name");
    return s;
  }

  std::string NameValue(const json& v, const std::string& at) const {
    if (!v.is_string()) Fail(at, "expected a name (a string), found " + TypeName(v));
    const auto& s = v.get_ref<const std::string&>();
    if (!IsValidUtf8(s)) Fail(at, "not valid UTF-8 text");
    if (!IsSensibleName(s)) Fail(at, "\"" + Printable(s) + "\" is not a usable name");
    return s;
  }

  bool Bool(const json& obj, const char* key, const std::string& where, bool fallback) const {
    const json* v = Member(obj, key);
    if (!v) return fallback;
    if (!v->is_boolean()) Fail(Join(where, key), "expected true or false, found " + TypeName(*v));
    return v->get<bool>();
  }

  std::uint64_t Unsigned(const json& obj, const char* key, const std::string& where, std::uint64_t fallback,
                         std::uint64_t max) const {
    const json* v = Member(obj, key);
    if (!v) return fallback;
    std::string at = Join(where, key);
    if (v->is_number_unsigned()) {
      auto n = v->get<std::uint64_t>();
      if (n > max) Fail(at, "must be at most " + std::to_string(max));
      return n;
    }
    if (v->is_number_integer()) Fail(at, "must not be negative");
    Fail(at, "expected a whole number, found " + TypeName(*v));
  }

  std::vector<std::string> Names(const json& obj, const char* key, const std::string& where) const {
    std::vector<std::string> out;
    const json* v = Member(obj, key);
    if (!v) return out;
    std::string at = Join(where, key);
    Array(*v, at);
    for (std::size_t i = 0; i < v->size(); ++i) out.push_back(NameValue((*v)[i], Index(at, i)));
    return out;
  }

  static std::string Join(const std::string& where, const char* key) {
    return where.empty() ? std::string(key) : where + "." + key;
  }
  static std::string Index(const std::string& where, std::size_t i) { return where + "[" + std::to_string(i) + "]"; }
  static std::string Printable(std::string_view s) {
    std::string out;
    for (char c : s) {
      if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
        out += buf;
      } else {
        out += c;
      }
      if (out.size() > 60) return out + "...";
    }
    return out;
  }

  Directory ReadDirectory(const json& obj, const std::string& where) const {
    Directory d;
    if (const json* users = Member(obj, "users")) {
      std::string at = Join(where, "users");
      Array(*users, at);
      std::set<std::string> seen;
      for (std::size_t i = 0; i < users->size(); ++i) {
        std::string ua = Index(at, i);
        const json& u = Object((*users)[i], ua);
        Account a;
        a.name = Name(u, "name", ua, true);
        a.fullName = String(u, "full_name", ua, false);
        a.comment = String(u, "comment", ua, false);
        if (!seen.insert(FoldCase(a.name)).second) Fail(ua, "user \"" + a.name + "\" is listed twice");
        d.users.push_back(std::move(a));
      }
    }
    if (const json* groups = Member(obj, "groups")) {
      std::string at = Join(where, "groups");
      Array(*groups, at);
      std::set<std::string> seen;
      for (std::size_t i = 0; i < groups->size(); ++i) {
        std::string ga = Index(at, i);
        const json& g = Object((*groups)[i], ga);
        Group grp;
        grp.name = Name(g, "name", ga, true);
        grp.comment = String(g, "comment", ga, false);
        grp.members = Names(g, "members", ga);
        if (!seen.insert(FoldCase(grp.name)).second) Fail(ga, "group \"" + grp.name + "\" is listed twice");
        d.groups.push_back(std::move(grp));
      }
    }
    d.trusts = Names(obj, "trusts", where);
    return d;
  }

  std::uint32_t ReadType(const json& h, const std::string& where) const {
    const json* v = Member(h, "type");
    if (!v) return 0;
    std::string at = Join(where, "type");
    if (v->is_number_unsigned()) {
      auto n = v->get<std::uint64_t>();
      if (n > 0xFFFFFFFFu) Fail(at, "a server type must fit in 32 bits");
      return static_cast<std::uint32_t>(n);
    }
    if (!v->is_array()) Fail(at, "expected a list of server-type words or one number, found " + TypeName(*v));
    std::uint32_t type = 0;
    for (std::size_t i = 0; i < v->size(); ++i) {
      const json& w = (*v)[i];
      if (!w.is_string()) Fail(Index(at, i), "expected a server-type word, found " + TypeName(w));
      auto bit = ServerTypeBit(w.get_ref<const std::string&>());
      if (!bit) Fail(Index(at, i), "unknown server type \"" + Printable(w.get_ref<const std::string&>()) + "\"");
      type |= *bit;
    }
    return type;
  }

  Host ReadHost(const json& h, const std::string& where, const std::string& localDomain) const {
    Object(h, where);
    Host host;
    host.name = Name(h, "name", where, true);
    host.domain = String(h, "domain", where, false, localDomain);
    host.comment = String(h, "comment", where, false);
    host.address = String(h, "address", where, false);
    host.type = ReadType(h, where);
    host.messenger = Bool(h, "messenger", where, true);
    host.loggedOn = Names(h, "logged_on", where);
    host.names = Names(h, "names", where);
    if (const json* s = Member(h, "sessions")) {
      std::string at = Join(where, "sessions");
      Array(*s, at);
      for (std::size_t i = 0; i < s->size(); ++i) {
        std::string sa = Index(at, i);
        const json& so = Object((*s)[i], sa);
        Session ses;
        ses.client = Name(so, "client", sa, true);
        ses.user = Name(so, "user", sa, false);
        host.sessions.push_back(std::move(ses));
      }
    }
    host.latencyMs = Unsigned(h, "latency_ms", where, 0, 1000ull * 60 * 60 * 24 * 365);
    host.sessionStatus = static_cast<Status>(Unsigned(h, "session_status", where, 0, 0xFFFFFFFFu));
    host.messageStatus = static_cast<Status>(Unsigned(h, "message_status", where, 0, 0xFFFFFFFFu));
    return host;
  }

 private:
  std::string path_;
};

// The deepest nesting of lists and objects, strings skipped.
int NestingDepth(std::string_view text) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
      continue;
    }
    switch (c) {
      case '"': inString = true; break;
      case '[':
      case '{': deepest = std::max(deepest, ++depth); break;
      case ']':
      case '}': --depth; break;
      default: break;
    }
  }
  return deepest;
}

}  // namespace

std::optional<std::uint32_t> ServerTypeBit(std::string_view word) {
  std::string w = AsciiLower(word);
  for (const auto& t : kTypeWords)
    if (t.word == w) return t.bit;
  return std::nullopt;
}

bool IsSensibleName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  if (TrimBlanks(name).size() != name.size()) return false;  // leading or trailing blanks
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
    switch (c) {
      case '"':
      case '/':
      case '\\':
      case '[':
      case ']':
      case ':':
      case ';':
      case '|':
      case '=':
      case ',':
      case '+':
      case '?':
      case '<':
      case '>': return false;
      default: break;
    }
  }
  return true;
}

Network ParseNetwork(const std::string& text, const std::string& path) {
  Reader r(path);
  // The format needs four levels of nesting; a file nested thousands deep is
  // a fault, found here in one pass before the parser sees it.
  if (NestingDepth(text) > kMaxDepth) r.Fail("", "nested more than " + std::to_string(kMaxDepth) + " levels deep");
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    auto pos = what.find("parse error");
    r.Fail("", "not valid JSON: " + (pos == std::string::npos ? what : what.substr(pos)));
  }

  r.Object(root, "the top level");
  Network net;
  net.path = path;

  const json* local = r.Member(root, "local");
  if (!local) r.Fail("", "\"local\" is missing");
  r.Object(*local, "local");
  net.local.computer = r.Name(*local, "computer", "local", true);
  net.local.user = r.String(*local, "user", "local", false);
  if (!net.local.user.empty() && !IsSensibleName(net.local.user))
    r.Fail("local.user", "\"" + Reader::Printable(net.local.user) + "\" is not a usable name");
  net.local.domain = r.String(*local, "domain", "local", false);
  net.local.address = r.String(*local, "address", "local", false);
  net.local.messenger = r.Bool(*local, "messenger", "local", true);
  net.local.directory = r.ReadDirectory(*local, "local");

  if (const json* domains = r.Member(root, "domains")) {
    r.Array(*domains, "domains");
    std::set<std::string> seen;
    for (std::size_t i = 0; i < domains->size(); ++i) {
      std::string at = Reader::Index("domains", i);
      const json& d = r.Object((*domains)[i], at);
      Domain dom;
      dom.name = r.Name(d, "name", at, true);
      dom.controller = r.Name(d, "controller", at, false);
      dom.directory = r.ReadDirectory(d, at);
      if (!seen.insert(FoldCase(dom.name)).second) r.Fail(at, "domain \"" + dom.name + "\" is listed twice");
      net.domains.push_back(std::move(dom));
    }
  }

  if (const json* hosts = r.Member(root, "hosts")) {
    r.Array(*hosts, "hosts");
    std::set<std::string> seen;
    for (std::size_t i = 0; i < hosts->size(); ++i) {
      std::string at = Reader::Index("hosts", i);
      Host h = r.ReadHost((*hosts)[i], at, net.local.domain);
      if (!seen.insert(FoldCase(h.name)).second) r.Fail(at, "host \"" + h.name + "\" is listed twice");
      net.hosts.push_back(std::move(h));
    }
    std::stable_sort(net.hosts.begin(), net.hosts.end(),
                     [](const Host& a, const Host& b) { return CompareNoCase(a.name, b.name) < 0; });
  }

  std::string deliveries = r.String(root, "deliveries", "", false);
  fs::path base = fs::path(path).parent_path();
  if (deliveries.empty()) {
    fs::path p(path);
    deliveries = p.stem().string() + ".deliveries.jsonl";
  }
  net.deliveriesPath = (fs::path(deliveries).is_absolute() ? fs::path(deliveries) : base / deliveries).string();

  std::uint64_t batch = r.Unsigned(root, "batch", "", 1000, 0xFFFFFFFFu);
  if (batch == 0) r.Fail("batch", "must be at least 1");
  net.batch = static_cast<std::uint32_t>(batch);
  return net;
}

Network LoadNetwork(const std::string& path) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st)) throw LoadError(path + ": no such file");
  if (fs::is_directory(st)) throw LoadError(path + ": is a directory, not a network file");
  auto size = fs::file_size(path, ec);
  if (ec) throw LoadError(path + ": cannot read the file size: " + ec.message());
  if (size > kMaxFileSize)
    throw LoadError(path + ": the file is too large (" + std::to_string(size) + " bytes; at most " +
                    std::to_string(kMaxFileSize) + " are read)");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw LoadError(path + ": cannot be opened for reading");
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) throw LoadError(path + ": read error");
  return ParseNetwork(ss.str(), path);
}

}  // namespace vantor::lan::sim
