// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/sim/sim_network.h"

#include "common/text.h"
#include "common/utf.h"

#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <numeric>
#include <sstream>

namespace vantor::lan::sim {

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

// Control characters shown as \xNN, long texts cut, for error messages.
std::string Printable(std::string_view s) {
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

// A file's text, ended by NULs, for the parser to work on in place. The
// parser's check of a UTF-8 sequence takes all of the sequence's bytes
// before it judges them, so a text that ends inside a four-byte sequence is
// read up to three bytes past its last: the padding keeps those reads inside
// the buffer.
struct Text {
  static constexpr std::size_t kPadding = 4;
  std::shared_ptr<char[]> bytes;
  std::size_t size = 0;

  explicit Text(std::size_t n) : bytes(new char[n + kPadding]), size(n) {
    std::fill_n(bytes.get() + n, kPadding, '\0');
  }
};

// "line L, column C" of a byte offset (columns count bytes, from 1).
std::string Position(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line =
      1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
  std::size_t lineStart = text.rfind('\n', offset == 0 ? std::string_view::npos : offset - 1);
  std::size_t column = offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string_view SyntaxFault(rapidjson::ParseErrorCode code) {
  using namespace rapidjson;
  switch (code) {
    case kParseErrorDocumentEmpty: return "there is no value";
    case kParseErrorDocumentRootNotSingular: return "more text follows the end of the value";
    case kParseErrorValueInvalid: return "not a value";
    case kParseErrorObjectMissName: return "a key in double quotes was expected";
    case kParseErrorObjectMissColon: return "\":\" was expected after the key";
    case kParseErrorObjectMissCommaOrCurlyBracket: return "\",\" or \"}\" was expected";
    case kParseErrorArrayMissCommaOrSquareBracket: return "\",\" or \"]\" was expected";
    case kParseErrorStringUnicodeEscapeInvalidHex: return "\\u must be followed by four hexadecimal digits";
    case kParseErrorStringUnicodeSurrogateInvalid: return "a \\u escape holds half a surrogate pair";
    case kParseErrorStringEscapeInvalid: return "a string holds an unknown escape or a control character";
    case kParseErrorStringMissQuotationMark: return "a string is not closed";
    case kParseErrorStringInvalidEncoding: return "not valid UTF-8 text";
    case kParseErrorNumberTooBig: return "a number too large to hold";
    case kParseErrorNumberMissFraction: return "a number lacks the digits after its decimal point";
    case kParseErrorNumberMissExponent: return "a number lacks the digits of its exponent";
    default: return "a syntax error";
  }
}

// The keys the format knows, one bit each in a frame's record of keys met.
enum class Field : std::uint8_t {
  Other,
  Local,
  Domains,
  Hosts,
  Deliveries,
  Batch,
  Computer,
  User,
  Domain,
  Address,
  Messenger,
  Users,
  Groups,
  Trusts,
  Name,
  Controller,
  FullName,
  Comment,
  Members,
  Type,
  LoggedOn,
  Names,
  Sessions,
  LatencyMs,
  SessionStatus,
  MessageStatus,
  Client,
};

// What the parser is inside of. Skip: a value under a key the format does not know.
enum class Ctx : std::uint8_t {
  Root,
  Local,
  Domain,
  Host,
  User,
  Group,
  Session,
  DomainList,
  HostList,
  UserList,
  GroupList,
  SessionList,
  NameList,
  TypeList,
  Skip,
};

struct KeyWord {
  std::string_view word;
  Field field;
};

constexpr KeyWord kRootKeys[] = {{"local", Field::Local},
                                 {"domains", Field::Domains},
                                 {"hosts", Field::Hosts},
                                 {"deliveries", Field::Deliveries},
                                 {"batch", Field::Batch}};
constexpr KeyWord kLocalKeys[] = {
    {"computer", Field::Computer},   {"user", Field::User},   {"domain", Field::Domain}, {"address", Field::Address},
    {"messenger", Field::Messenger}, {"users", Field::Users}, {"groups", Field::Groups}, {"trusts", Field::Trusts}};
constexpr KeyWord kDomainKeys[] = {{"name", Field::Name},
                                   {"controller", Field::Controller},
                                   {"users", Field::Users},
                                   {"groups", Field::Groups},
                                   {"trusts", Field::Trusts}};
constexpr KeyWord kUserKeys[] = {{"name", Field::Name}, {"comment", Field::Comment}, {"full_name", Field::FullName}};
constexpr KeyWord kGroupKeys[] = {{"name", Field::Name}, {"comment", Field::Comment}, {"members", Field::Members}};
constexpr KeyWord kHostKeys[] = {{"name", Field::Name},
                                 {"type", Field::Type},
                                 {"comment", Field::Comment},
                                 {"domain", Field::Domain},
                                 {"address", Field::Address},
                                 {"messenger", Field::Messenger},
                                 {"logged_on", Field::LoggedOn},
                                 {"names", Field::Names},
                                 {"sessions", Field::Sessions},
                                 {"latency_ms", Field::LatencyMs},
                                 {"session_status", Field::SessionStatus},
                                 {"message_status", Field::MessageStatus}};
constexpr KeyWord kSessionKeys[] = {{"client", Field::Client}, {"user", Field::User}};

bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

template <std::size_t N>
Field Find(const KeyWord (&words)[N], std::string_view s) {
  for (const KeyWord& w : words)
    if (SameBytes(w.word, s)) return w.field;
  return Field::Other;
}

Field FieldOf(Ctx ctx, std::string_view s) {
  switch (ctx) {
    case Ctx::Root: return Find(kRootKeys, s);
    case Ctx::Local: return Find(kLocalKeys, s);
    case Ctx::Domain: return Find(kDomainKeys, s);
    case Ctx::User: return Find(kUserKeys, s);
    case Ctx::Group: return Find(kGroupKeys, s);
    case Ctx::Host: return Find(kHostKeys, s);
    case Ctx::Session: return Find(kSessionKeys, s);
    default: return Field::Other;
  }
}

// The kind of value the parser met, with its content.
struct Found {
  enum Kind { Null, Bool, Negative, Unsigned, Fraction, String, List, Object } kind;
  bool flag = false;
  std::uint64_t number = 0;
  std::string_view text{};

  std::string Name() const {
    switch (kind) {
      case Null: return "null";
      case Bool: return "true or false";
      case Negative:
      case Unsigned: return "a number";
      case Fraction: return "a fractional number";
      case String: return "a string";
      case List: return "a list";
      case Object: return "an object";
    }
    return "something else";
  }
};

// The hash of a name's case fold, so that names equal without regard to case
// hash alike.
std::uint32_t FoldHash(std::string_view name) {
  std::uint32_t h = 2166136261u;
  auto mix = [&h](std::string_view bytes, bool upper) {
    for (char c : bytes) {
      h ^= static_cast<unsigned char>(upper ? AsciiUpper(c) : c);
      h *= 16777619u;
    }
  };
  bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii)
    mix(name, true);
  else
    mix(FoldCase(name), false);
  return h;
}

// Orders names as CompareNoCase does, faster for ASCII names.
int CompareNames(std::string_view a, std::string_view b) {
  auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x == y && x < 0x80) continue;
    if (x >= 0x80 || y >= 0x80) return CompareNoCase(a.substr(i), b.substr(i));
    if (upper(x) != upper(y)) return upper(x) < upper(y) ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The names of one list met so far, for refusing a name listed twice. While
// the names come in ascending order (as large lists mostly do) none can
// repeat one before it, and nothing is kept; from the first name out of
// order on, an open-addressing table of positions in the list, with their
// hashes, holds them all.
class NameSet {
 public:
  void Clear() {
    std::vector<Slot>().swap(slots_);
    used_ = 0;
    ordered_ = true;
    last_ = {};
  }

  // False when a name equal to `name`, the one at `index`, came before
  // (ignoring case). Positions are inserted in order, from 0.
  template <class NameAt>
  bool Insert(std::uint32_t index, std::string_view name, const NameAt& nameAt) {
    if (ordered_) {
      bool ascending = index == 0 || CompareNames(last_, name) < 0;
      last_ = name;
      if (ascending) return true;
      ordered_ = false;
      for (std::uint32_t i = 0; i < index; ++i) Add(i, nameAt);
    }
    return Add(index, nameAt);
  }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t index = 0;  // position in the list + 1; 0: empty
  };

  template <class NameAt>
  bool Add(std::uint32_t index, const NameAt& nameAt) {
    if ((used_ + 1) * 4 > slots_.size() * 3) Grow();
    std::string_view name = nameAt(index);
    std::uint32_t hash = FoldHash(name);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.index == 0) {
        s = {hash, index + 1};
        ++used_;
        return true;
      }
      if (s.hash == hash && EqualsNoCase(nameAt(s.index - 1), name)) return false;
    }
  }

  void Grow() {
    std::vector<Slot> old(std::max<std::size_t>(16, slots_.size() * 2));
    old.swap(slots_);
    std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.index == 0) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].index != 0) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  bool ordered_ = true;
  std::string_view last_;  // while ordered: the last name
};

// Stops the parse; the message is in the handler.
struct Refusal {};

// Builds a Network from the parser's events as they come, checking each value
// where it stands. The place of a fault is put together only when one is
// found, from the stack of the lists and objects the parser is inside.
class NetworkBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, NetworkBuilder> {
 public:
  explicit NetworkBuilder(Network& net) : net_(net) { frames_.reserve(kMaxDepth); }

  // The fault that stopped the parse, "" if none (then the parser's own).
  const std::string& fault() const { return fault_; }

  bool Null() {
    return Guard([&] { Value({Found::Null}); });
  }
  bool Bool(bool b) {
    return Guard([&] { Value({Found::Bool, b}); });
  }
  bool Int(int i) { return Int64(i); }
  bool Uint(unsigned u) { return Uint64(u); }
  bool Int64(std::int64_t i) {
    // "-0" is a zero too.
    return Guard([&] {
      Value(i < 0 ? Found{Found::Negative} : Found{Found::Unsigned, false, static_cast<std::uint64_t>(i)});
    });
  }
  bool Uint64(std::uint64_t u) {
    return Guard([&] { Value({Found::Unsigned, false, u}); });
  }
  bool Double(double) {
    return Guard([&] { Value({Found::Fraction}); });
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return Guard([&] { Value({Found::String, false, 0, {s, n}}); });
  }
  bool StartObject() {
    return Guard([&] { Value({Found::Object}); });
  }
  bool StartArray() {
    return Guard([&] { Value({Found::List}); });
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    return Guard([&] { OnKey({s, n}); });
  }
  bool EndObject(rapidjson::SizeType) {
    return Guard([&] { EndOfObject(); });
  }
  bool EndArray(rapidjson::SizeType) {
    return Guard([&] { EndOfList(); });
  }

  // Checks that need the whole file, and the defaults that depend on it.
  void Finish();

 private:
  // A list or object being read. Where a child stands in it is its nextKey
  // or its count - 1, which stay as they are while the child is open.
  struct Frame {
    Ctx ctx;
    bool object;
    Field next = Field::Other;
    std::uint32_t count = 0;     // lists: the entries so far
    std::uint32_t seen = 0;      // objects: the known keys met
    std::string_view nextKey{};  // objects: the key of the value to come
  };

  template <class F>
  bool Guard(F&& f) {
    try {
      f();
      return true;
    } catch (const Refusal&) {
      return false;
    } catch (const std::bad_alloc&) {
      fault_ = "too large to hold in memory";
      return false;
    }
  }

  [[noreturn]] void Fail(const std::string& where, const std::string& what) {
    fault_ = (where.empty() ? "" : where + ": ") + what;
    throw Refusal{};
  }

  // The place of the container at frames_[depth], as "domains[0].users[3]".
  std::string PlaceOf(std::size_t depth) const {
    std::string out;
    for (std::size_t i = 0; i < depth && i < frames_.size(); ++i) {
      const Frame& parent = frames_[i];
      if (parent.object) {
        if (!out.empty()) out += '.';
        out += parent.nextKey;
      } else {
        out += "[" + std::to_string(parent.count - 1) + "]";
      }
    }
    return out;
  }
  // The place of the value being read.
  std::string Here() const { return PlaceOf(frames_.size()); }
  std::string HereObject() const { return PlaceOf(frames_.size() - 1); }

  void Push(Ctx ctx, bool object) {
    if (frames_.size() >= static_cast<std::size_t>(kMaxDepth))
      Fail(Here(), "nested more than " + std::to_string(kMaxDepth) + " levels deep");
    frames_.push_back({ctx, object});
  }

  void OnKey(std::string_view key) {
    Frame& top = frames_.back();
    top.nextKey = key;
    top.next = FieldOf(top.ctx, key);
    if (top.next == Field::Other) return;
    std::uint32_t bit = 1u << static_cast<unsigned>(top.next);
    if (top.seen & bit) Fail(Here(), "given twice");
    top.seen |= bit;
  }

  // Containers under keys the format does not know are walked and ignored.
  void Ignore(const Found& v) {
    if (v.kind == Found::Object || v.kind == Found::List) Push(Ctx::Skip, v.kind == Found::Object);
  }

  void Value(const Found& v) {
    if (frames_.empty()) {
      // The top level must be an object; anything else is refused once it
      // has been read, so that a deep nest is refused as such.
      topLevel_ = v.kind;
      if (v.kind == Found::Object)
        Push(Ctx::Root, true);
      else
        Ignore(v);
      return;
    }
    Frame& top = frames_.back();
    if (!top.object) ++top.count;
    switch (top.ctx) {
      case Ctx::Root: return RootValue(top.next, v);
      case Ctx::Local: return LocalValue(top.next, v);
      case Ctx::Domain: return DomainValue(top.next, v);
      case Ctx::User: return UserValue(top.next, v);
      case Ctx::Group: return GroupValue(top.next, v);
      case Ctx::Host: return HostValue(top.next, v);
      case Ctx::Session: return SessionValue(top.next, v);
      case Ctx::DomainList: return Element(v, Ctx::Domain);
      case Ctx::HostList: return Element(v, Ctx::Host);
      case Ctx::UserList: return Element(v, Ctx::User);
      case Ctx::GroupList: return Element(v, Ctx::Group);
      case Ctx::SessionList: return Element(v, Ctx::Session);
      case Ctx::NameList: return names_->push_back(NameValue(v));
      case Ctx::TypeList: return ServerTypeWord(v);
      case Ctx::Skip: return Ignore(v);
    }
  }

  // An object in one of the format's lists.
  void Element(const Found& v, Ctx ctx) {
    if (v.kind != Found::Object) Fail(Here(), "expected an object, found " + v.Name());
    switch (ctx) {
      case Ctx::Domain:
        net_.domains.emplace_back();
        directory_ = &net_.domains.back().directory;
        break;
      case Ctx::Host: net_.hosts.emplace_back(); break;
      case Ctx::User: directory_->users.emplace_back(); break;
      case Ctx::Group: directory_->groups.emplace_back(); break;
      case Ctx::Session: net_.hosts.back().sessions.emplace_back(); break;
      default: break;
    }
    Push(ctx, true);
  }

  void List(const Found& v, Ctx ctx) {
    if (v.kind != Found::List) Fail(Here(), "expected a list, found " + v.Name());
    Push(ctx, false);
  }
  void Names(const Found& v, std::vector<std::string_view>& into) {
    List(v, Ctx::NameList);
    names_ = &into;
  }

  std::string_view String(const Found& v) {
    if (v.kind != Found::String) Fail(Here(), "expected a string, found " + v.Name());
    return v.text;
  }
  std::string_view Name(const Found& v) {
    std::string_view s = String(v);
    if (!IsSensibleName(s)) Fail(Here(), "\"" + Printable(s) + "\" is not a usable name");
    return s;
  }
  std::string_view NameValue(const Found& v) {
    if (v.kind != Found::String) Fail(Here(), "expected a name (a string), found " + v.Name());
    return Name(v);
  }
  bool Flag(const Found& v) {
    if (v.kind != Found::Bool) Fail(Here(), "expected true or false, found " + v.Name());
    return v.flag;
  }
  std::uint64_t Unsigned(const Found& v, std::uint64_t max) {
    if (v.kind == Found::Negative) Fail(Here(), "must not be negative");
    if (v.kind != Found::Unsigned) Fail(Here(), "expected a whole number, found " + v.Name());
    if (v.number > max) Fail(Here(), "must be at most " + std::to_string(max));
    return v.number;
  }

  void RootValue(Field key, const Found& v) {
    switch (key) {
      case Field::Local:
        if (v.kind != Found::Object) Fail(Here(), "expected an object, found " + v.Name());
        sawLocal_ = true;
        directory_ = &net_.local.directory;
        return Push(Ctx::Local, true);
      case Field::Domains: domainNames_.Clear(); return List(v, Ctx::DomainList);
      case Field::Hosts: hostNames_.Clear(); return List(v, Ctx::HostList);
      case Field::Deliveries: deliveries_ = String(v); return;
      case Field::Batch: {
        std::uint64_t batch = Unsigned(v, 0xFFFFFFFFu);
        if (batch == 0) Fail(Here(), "must be at least 1");
        net_.batch = static_cast<std::uint32_t>(batch);
        return;
      }
      default: return Ignore(v);
    }
  }

  // users, groups and trusts, of the local computer or of a domain.
  void DirectoryValue(Field key, const Found& v) {
    switch (key) {
      case Field::Users: userNames_.Clear(); return List(v, Ctx::UserList);
      case Field::Groups: groupNames_.Clear(); return List(v, Ctx::GroupList);
      case Field::Trusts: return Names(v, directory_->trusts);
      default: return Ignore(v);
    }
  }

  void LocalValue(Field key, const Found& v) {
    Local& l = net_.local;
    switch (key) {
      case Field::Computer: l.computer = Name(v); return;
      case Field::User:
        l.user = String(v);
        if (!l.user.empty() && !IsSensibleName(l.user))
          Fail(Here(), "\"" + Printable(l.user) + "\" is not a usable name");
        return;
      case Field::Domain: l.domain = String(v); return;
      case Field::Address: l.address = String(v); return;
      case Field::Messenger: l.messenger = Flag(v); return;
      default: return DirectoryValue(key, v);
    }
  }

  void DomainValue(Field key, const Found& v) {
    Domain& d = net_.domains.back();
    switch (key) {
      case Field::Name: d.name = Name(v); return;
      case Field::Controller: d.controller = Name(v); return;
      default: return DirectoryValue(key, v);
    }
  }

  void UserValue(Field key, const Found& v) {
    Account& a = directory_->users.back();
    switch (key) {
      case Field::Name: a.name = Name(v); return;
      case Field::FullName: a.fullName = String(v); return;
      case Field::Comment: a.comment = String(v); return;
      default: return Ignore(v);
    }
  }

  void GroupValue(Field key, const Found& v) {
    Group& g = directory_->groups.back();
    switch (key) {
      case Field::Name: g.name = Name(v); return;
      case Field::Comment: g.comment = String(v); return;
      case Field::Members: return Names(v, g.members);
      default: return Ignore(v);
    }
  }

  void HostValue(Field key, const Found& v) {
    Host& h = net_.hosts.back();
    switch (key) {
      case Field::Name: h.name = Name(v); return;
      case Field::Domain: h.domain = String(v); return;
      case Field::Comment: h.comment = String(v); return;
      case Field::Address: h.address = String(v); return;
      case Field::Type:
        if (v.kind == Found::List) return Push(Ctx::TypeList, false);
        if (v.kind != Found::Unsigned)
          Fail(Here(), "expected a list of server-type words or one number, found " + v.Name());
        if (v.number > 0xFFFFFFFFu) Fail(Here(), "a server type must fit in 32 bits");
        h.type = static_cast<std::uint32_t>(v.number);
        return;
      case Field::Messenger: h.messenger = Flag(v); return;
      case Field::LoggedOn: return Names(v, h.loggedOn);
      case Field::Names: return Names(v, h.names);
      case Field::Sessions: return List(v, Ctx::SessionList);
      case Field::LatencyMs: h.latencyMs = Unsigned(v, 1000ull * 60 * 60 * 24 * 365); return;
      case Field::SessionStatus: h.sessionStatus = static_cast<Status>(Unsigned(v, 0xFFFFFFFFu)); return;
      case Field::MessageStatus: h.messageStatus = static_cast<Status>(Unsigned(v, 0xFFFFFFFFu)); return;
      default: return Ignore(v);
    }
  }

  void SessionValue(Field key, const Found& v) {
    Session& s = net_.hosts.back().sessions.back();
    switch (key) {
      case Field::Client: s.client = Name(v); return;
      case Field::User: s.user = Name(v); return;
      default: return Ignore(v);
    }
  }

  void ServerTypeWord(const Found& v) {
    if (v.kind != Found::String) Fail(Here(), "expected a server-type word, found " + v.Name());
    auto bit = ServerTypeBit(v.text);
    if (!bit) Fail(Here(), "unknown server type \"" + Printable(v.text) + "\"");
    net_.hosts.back().type |= *bit;
  }

  void Require(bool given, const char* key) {
    if (!given) Fail(HereObject(), std::string("\"") + key + "\" is missing");
  }

  // Refuses the list's entry `index` when its name came before in the list.
  template <class List>
  void Once(NameSet& seen, const List& list, const char* what) {
    auto index = static_cast<std::uint32_t>(list.size() - 1);
    if (!seen.Insert(index, list.back().name, [&list](std::uint32_t i) { return list[i].name; }))
      Fail(HereObject(), std::string(what) + " \"" + std::string(list.back().name) + "\" is listed twice");
  }

  // A list's names are not needed once it has ended.
  void EndOfList() {
    switch (frames_.back().ctx) {
      case Ctx::DomainList: domainNames_.Clear(); break;
      case Ctx::HostList: hostNames_.Clear(); break;
      case Ctx::UserList: userNames_.Clear(); break;
      case Ctx::GroupList: groupNames_.Clear(); break;
      default: break;
    }
    frames_.pop_back();
  }

  void EndOfObject() {
    switch (frames_.back().ctx) {
      case Ctx::Local: Require(!net_.local.computer.empty(), "computer"); break;
      case Ctx::Domain:
        Require(!net_.domains.back().name.empty(), "name");
        Once(domainNames_, net_.domains, "domain");
        break;
      case Ctx::User:
        Require(!directory_->users.back().name.empty(), "name");
        Once(userNames_, directory_->users, "user");
        break;
      case Ctx::Group:
        Require(!directory_->groups.back().name.empty(), "name");
        Once(groupNames_, directory_->groups, "group");
        break;
      case Ctx::Host:
        Require(!net_.hosts.back().name.empty(), "name");
        Once(hostNames_, net_.hosts, "host");
        if (!(frames_.back().seen & (1u << static_cast<unsigned>(Field::Domain))))
          hostsWithoutDomain_.push_back(net_.hosts.size() - 1);
        break;
      case Ctx::Session: Require(!net_.hosts.back().sessions.back().client.empty(), "client"); break;
      default: break;
    }
    frames_.pop_back();
  }

  Network& net_;
  std::vector<Frame> frames_;
  Found::Kind topLevel_ = Found::Null;
  bool sawLocal_ = false;
  Directory* directory_ = nullptr;                  // the directory whose lists are being read
  std::vector<std::string_view>* names_ = nullptr;  // the list of names being read
  std::string_view deliveries_;
  std::vector<std::size_t> hostsWithoutDomain_;
  NameSet domainNames_, hostNames_, userNames_, groupNames_;
  std::string fault_;
};

void NetworkBuilder::Finish() {
  try {
    if (topLevel_ != Found::Object) Fail("the top level", "expected an object, found " + Found{topLevel_}.Name());
    if (!sawLocal_) Fail("", "\"local\" is missing");
  } catch (const Refusal&) {
    throw LoadError(net_.path + ": " + fault_);
  }
  for (std::size_t i : hostsWithoutDomain_) net_.hosts[i].domain = net_.local.domain;  // the local one by default

  auto less = [](const Host& a, const Host& b) { return CompareNames(a.name, b.name) < 0; };
  if (!std::is_sorted(net_.hosts.begin(), net_.hosts.end(), less)) {
    // Each name folded once, not once per comparison.
    std::vector<std::string> folds;
    folds.reserve(net_.hosts.size());
    for (const Host& h : net_.hosts) folds.push_back(FoldCase(h.name));
    std::vector<std::size_t> order(net_.hosts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return folds[a] < folds[b]; });
    std::deque<Host> sorted;
    for (std::size_t i : order) sorted.push_back(std::move(net_.hosts[i]));
    net_.hosts = std::move(sorted);
  }

  std::string deliveries(deliveries_);
  fs::path file(net_.path);
  if (deliveries.empty()) deliveries = file.stem().string() + ".deliveries.jsonl";
  net_.deliveriesPath =
      (fs::path(deliveries).is_absolute() ? fs::path(deliveries) : file.parent_path() / deliveries).string();
}

// Parses text in place into a network. original() gives the text as it was
// before, for the line and column of a syntax error (parsing in place
// rewrites escapes).
Network Parse(Text text, const std::string& path, const std::function<std::string()>& original) {
  auto fault = [&](std::size_t offset, std::string_view what) {
    std::string before = original();
    return LoadError(path + ": not valid JSON at " + Position(before, offset) + ": " + std::string(what));
  };
  // The parser reads up to the first NUL, which no JSON text holds.
  if (const void* nul = std::memchr(text.bytes.get(), '\0', text.size))
    throw fault(static_cast<std::size_t>(static_cast<const char*>(nul) - text.bytes.get()), "a zero byte");
  std::size_t start = text.size >= 3 && std::memcmp(text.bytes.get(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;  // a BOM

  Network net;
  net.path = path;
  NetworkBuilder builder(net);
  rapidjson::Reader reader;
  rapidjson::InsituStringStream stream(text.bytes.get() + start);
  rapidjson::ParseResult result =
      reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag>(stream, builder);
  if (result.IsError()) {
    if (!builder.fault().empty()) throw LoadError(path + ": " + builder.fault());
    throw fault(start + result.Offset(), SyntaxFault(result.Code()));
  }
  builder.Finish();
  net.text = std::move(text.bytes);
  return net;
}

}  // namespace

std::optional<std::uint32_t> ServerTypeBit(std::string_view word) {
  auto same = [word](std::string_view lower) {
    if (lower.size() != word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (AsciiLower(word[i]) != lower[i]) return false;
    return true;
  };
  for (const auto& t : kTypeWords)
    if (same(t.word)) return t.bit;
  return std::nullopt;
}

bool IsSensibleName(std::string_view name) {
  // Bytes no name holds: control characters and the separators of paths,
  // lists and message names.
  static constexpr auto kRefused = [] {
    std::array<bool, 256> refused{};
    for (int c = 0; c < 0x20; ++c) refused[static_cast<std::size_t>(c)] = true;
    for (unsigned char c : std::string_view("\x7F\"/\\[]:;|=,+?<>")) refused[c] = true;
    return refused;
  }();
  if (name.empty() || name.size() > kMaxNameLength) return false;
  if (name.front() == ' ' || name.back() == ' ') return false;  // other blanks are control characters
  for (char c : name)
    if (kRefused[static_cast<unsigned char>(c)]) return false;
  return true;
}

Network ParseNetwork(const std::string& text, const std::string& path) {
  Text copy(text.size());
  std::memcpy(copy.bytes.get(), text.data(), text.size());
  return Parse(std::move(copy), path, [&] { return text; });
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
  Text text(static_cast<std::size_t>(size));
  in.read(text.bytes.get(), static_cast<std::streamsize>(size));
  if (in.bad() || static_cast<std::uintmax_t>(in.gcount()) != size) throw LoadError(path + ": read error");
  // Read again only to place a syntax error.
  auto original = [&path] {
    std::ifstream again(path, std::ios::binary);
    std::ostringstream ss;
    ss << again.rdbuf();
    return ss.str();
  };
  return Parse(std::move(text), path, original);
}

}  // namespace vantor::lan::sim
