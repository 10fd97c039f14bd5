// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/reg_script.h"

#include "common/text.h"
#include "common/utf.h"
#include "store/key_path.h"

#include <array>

namespace vantor::store {

namespace {

constexpr std::string_view kEol = "\r\n";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr size_t kWrapColumn = 77;  // regedit keeps hex lines within 80 columns

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint64_t> ParseHex(std::string_view s, size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    n = n * 16 + static_cast<std::uint64_t>(d);
  }
  return n;
}

std::string Hex2(unsigned char b) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return {kDigits[b >> 4], kDigits[b & 15]};
}

// A character for a message: printable ASCII as it is, anything else by code.
std::string Shown(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u > ' ' && u < 0x7f) return std::string(1, c);
  return "0x" + Hex2(u);
}

// A name for a message: a long one keeps its start and end.
std::string Abbreviated(std::string_view s) {
  constexpr size_t kKeep = 60;
  if (s.size() <= 3 * kKeep) return std::string(s);
  size_t head = kKeep, tail = s.size() - kKeep;
  // Whole UTF-8 characters only: back up to a lead byte.
  while (head > 0 && (static_cast<unsigned char>(s[head]) & 0xC0) == 0x80) --head;
  while (tail < s.size() && (static_cast<unsigned char>(s[tail]) & 0xC0) == 0x80) ++tail;
  return std::string(s.substr(0, head)) + "..." + std::string(s.substr(tail));
}

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The quoted text that begins at s[pos]; pos ends after its closing quote.
std::string ParseQuoted(std::string_view s, size_t& pos, int line) {
  std::string out;
  ++pos;
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return out;
    if (c == '\\') {
      if (pos >= s.size()) break;
      char e = s[pos++];
      if (e != '\\' && e != '"') {
        throw RegScriptError(line, "unknown escape \\" + Shown(e) +
                                       " in quoted text (write a backslash as \\\\ and a double quote as \\\")");
      }
      c = e;
    }
    out += c;
  }
  throw RegScriptError(line, "the quoted text has no closing double quote");
}

// A hex byte list that starts with `piece` on lines[i] and may go on over the
// following lines, each ended by a backslash; i ends on its last line.
std::string ParseHexList(std::string_view piece, const std::vector<std::string>& lines, size_t& i) {
  std::string bytes;
  auto add = [&](std::string_view item, int line) {
    auto b = ParseHex(item, 2);
    if (!b) throw RegScriptError(line, "'" + std::string(item) + "' is not a hex byte (two hex digits expected)");
    bytes += static_cast<char>(*b);
  };
  for (;;) {
    int line = static_cast<int>(i) + 1;
    piece = TrimBlanks(piece);
    bool more = !piece.empty() && piece.back() == '\\';
    if (more) piece.remove_suffix(1);
    size_t start = 0;
    for (;;) {
      size_t comma = piece.find(',', start);
      std::string_view item =
          TrimBlanks(piece.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      if (comma == std::string_view::npos) {
        if (!item.empty()) {
          add(item, line);
        } else if (start != 0 && !more) {
          throw RegScriptError(line, "the hex list ends with a comma");
        }
        break;
      }
      if (item.empty()) throw RegScriptError(line, "the hex list has an empty item");
      add(item, line);
      start = comma + 1;
    }
    if (!more) return bytes;
    if (++i >= lines.size()) throw RegScriptError(line, "the hex list goes on past the end of the file");
    if (!IsValidUtf8(lines[i])) throw RegScriptError(line + 1, "the line is not UTF-8 text");
    piece = lines[i];
  }
}

// Bytes of hex(N) as the store keeps that type: strings lose the file's
// terminating NUL; a multi-string keeps one NUL after each string.
Value ValueOfBytes(ValueType type, std::string bytes) {
  if (type == ValueType::String || type == ValueType::ExpandString) {
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  } else if (type == ValueType::MultiString) {
    if (bytes.size() >= 2 && bytes.ends_with(std::string_view("\0\0", 2))) {
      bytes.pop_back();
    } else if (bytes == std::string_view("\0", 1)) {
      bytes.clear();
    } else if (!bytes.empty() && bytes.back() != '\0') {
      bytes += '\0';
    }
  }
  return {type, std::move(bytes)};
}

Value ParseData(std::string_view data, const std::vector<std::string>& lines, size_t& i) {
  int line = static_cast<int>(i) + 1;
  if (data.front() == '"') {
    size_t pos = 0;
    std::string text = ParseQuoted(data, pos, line);
    if (!TrimBlanks(data.substr(pos)).empty()) throw RegScriptError(line, "unexpected text after the closing quote");
    return Value::String(std::move(text));
  }
  if (StartsWithNoCase(data, "dword:")) {
    auto n = ParseHex(TrimBlanks(data.substr(6)), 8);
    if (!n) throw RegScriptError(line, "dword: needs 1 to 8 hex digits");
    return Value::DWord(static_cast<std::uint32_t>(*n));
  }
  if (StartsWithNoCase(data, "hex:")) return {ValueType::Binary, ParseHexList(data.substr(4), lines, i)};
  if (StartsWithNoCase(data, "hex(")) {
    size_t close = data.find("):");
    auto type = close == std::string_view::npos ? std::nullopt : ParseHex(data.substr(4, close - 4), 8);
    if (!type) throw RegScriptError(line, "hex(N): needs the type N in hex, e.g. hex(2):");
    return ValueOfBytes(static_cast<ValueType>(*type), ParseHexList(data.substr(close + 2), lines, i));
  }
  throw RegScriptError(
      line, "unrecognised data '" + std::string(data) + "' (expected \"text\", dword:, hex:, hex(N): or - to delete)");
}

void AppendHexList(std::string& out, size_t lineStart, std::string_view bytes) {
  for (size_t k = 0; k < bytes.size(); ++k) {
    if (out.size() - lineStart + 3 > kWrapColumn) {
      out += '\\';
      out += kEol;
      lineStart = out.size();
      out += "  ";
    }
    out += Hex2(static_cast<unsigned char>(bytes[k]));
    if (k + 1 < bytes.size()) out += ',';
  }
}

void ExportKey(Hive& hive, const std::string& path, std::string& out) {
  std::string regKey = RegKeyOfHivePath(path);
  if (HoldsLineBreak(regKey)) throw StoreError("The key " + regKey + " holds a line break and cannot be exported.");
  out += kEol;
  out += '[' + regKey + ']';
  out += kEol;
  for (const NamedValue& v : hive.Values(path)) {
    if (HoldsLineBreak(v.name)) {
      throw StoreError("The value '" + v.name + "' of " + regKey +
                       " holds a line break in its name and cannot be exported.");
    }
    out += RegScript::FormatValue(v.name, v.value);
    out += kEol;
  }
}

}  // namespace

std::string HivePathOfRegKey(std::string_view regKey) {
  static constexpr std::array<std::string_view, 12> kOtherRoots = {
      "HKEY_LOCAL_MACHINE",  "HKLM", "HKEY_CLASSES_ROOT",     "HKCR",          "HKEY_USERS", "HKU",
      "HKEY_CURRENT_CONFIG", "HKCC", "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA", "HKPD",       "HKDD"};
  std::string shown(regKey);
  if (regKey.starts_with("\\\\")) throw StoreError("Remote keys such as " + shown + " are not supported.");
  size_t cut = regKey.find('\\');
  std::string_view root = regKey.substr(0, cut);
  std::string_view rest = cut == std::string_view::npos ? std::string_view() : regKey.substr(cut + 1);
  if (!EqualsNoCase(root, kRegRoot) && !EqualsNoCase(root, "HKCU")) {
    for (std::string_view other : kOtherRoots) {
      if (EqualsNoCase(root, other)) {
        throw StoreError("Only keys under HKEY_CURRENT_USER (HKCU) are kept in this store; " + shown + " is not.");
      }
    }
    throw StoreError("'" + shown + "' is not a key name: write it as HKEY_CURRENT_USER\\... or HKCU\\...");
  }
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);  // one trailing backslash, as reg allows
  std::string problem = rest.starts_with('\\') ? "A key path cannot hold an empty key name." : KeyPathProblem(rest);
  if (!problem.empty()) throw StoreError("Invalid key name " + Abbreviated(shown) + ": " + problem);
  return std::string(rest);
}

std::string RegKeyOfHivePath(std::string_view hivePath) {
  if (hivePath.starts_with('\\')) hivePath.remove_prefix(1);
  std::string out(kRegRoot);
  if (!hivePath.empty()) {
    out += '\\';
    out += hivePath;
  }
  return out;
}

std::optional<std::string> StoredKeyPath(Hive& hive, std::string_view key) {
  auto names = SplitKeyPath(key);
  if (!names) return std::nullopt;
  std::optional<std::string> path = std::string();
  hive.ReadTransaction([&] {
    if (!hive.KeyExists(key)) {
      path.reset();
      return;
    }
    for (std::string_view name : *names) {
      bool found = false;
      for (const std::string& sub : hive.SubKeyNames(*path)) {
        if (FoldCase(sub) == FoldCase(name)) {
          *path = JoinKeyPath(*path, sub);
          found = true;
          break;
        }
      }
      if (!found) {
        path.reset();
        return;
      }
    }
  });
  return path;
}

std::string RegScript::Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string RegScript::FormatValue(std::string_view name, const Value& value) {
  std::string out = name.empty() ? "@" : Quote(name);
  out += '=';
  const std::string& data = value.data;
  std::string bytes = data;
  switch (value.type) {
    case ValueType::String:
      // A string with a line break or a NUL cannot stand in quotes; hex(1)
      // carries it byte for byte.
      if (!HoldsLineBreak(data) && data.find('\0') == std::string::npos && IsValidUtf8(data)) {
        out += Quote(data);
        return out;
      }
      out += "hex(1):";
      bytes += '\0';
      break;
    case ValueType::DWord:
      if (data.size() == 4) {
        std::string hex;
        for (size_t k = 4; k-- > 0;) hex += Hex2(static_cast<unsigned char>(data[k]));
        out += "dword:" + hex;
        return out;
      }
      out += "hex(4):";
      break;
    case ValueType::Binary: out += "hex:"; break;
    case ValueType::ExpandString:
    case ValueType::MultiString: bytes += '\0'; [[fallthrough]];
    default: {
      std::string type;
      auto n = static_cast<std::uint32_t>(value.type);
      do {
        type.insert(type.begin(), "0123456789abcdef"[n & 15]);
        n >>= 4;
      } while (n != 0);
      out += "hex(" + type + "):";
    }
  }
  size_t lineStart = out.rfind('\n');
  AppendHexList(out, lineStart == std::string::npos ? 0 : lineStart + 1, bytes);
  return out;
}

RegScript RegScript::Parse(std::string_view text) {
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || TrimBlanks(lines[0]) != "REGEDIT4") {
    throw RegScriptError(1, "not a REGEDIT4 file (its first line must be REGEDIT4)");
  }
  RegScript script;
  std::optional<std::string> section;
  bool deleting = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    int line = static_cast<int>(i) + 1;
    if (!IsValidUtf8(lines[i])) throw RegScriptError(line, "the line is not UTF-8 text");
    std::string_view t = TrimBlanks(lines[i]);
    if (t.empty() || t.front() == ';') continue;

    if (t.front() == '[') {
      if (t.back() != ']' || t.size() < 3) throw RegScriptError(line, "a key line must be [KEY] or [-KEY]");
      std::string_view inner = t.substr(1, t.size() - 2);
      deleting = inner.front() == '-';
      if (deleting) inner.remove_prefix(1);
      try {
        section = HivePathOfRegKey(inner);
      } catch (const StoreError& e) {
        throw RegScriptError(line, e.what());
      }
      if (deleting && section->empty()) throw RegScriptError(line, "the root key HKEY_CURRENT_USER cannot be deleted");
      RegOperation op;
      op.kind = deleting ? RegOperation::Kind::DeleteKey : RegOperation::Kind::CreateKey;
      op.line = line;
      op.key = *section;
      script.ops_.push_back(std::move(op));
      continue;
    }

    if (!section) throw RegScriptError(line, "a value line must follow a [KEY] line");
    if (deleting) throw RegScriptError(line, "a key that is being deleted ([-KEY]) cannot hold values");
    RegOperation op;
    op.kind = RegOperation::Kind::SetValue;
    op.line = line;
    op.key = *section;
    size_t pos = 0;
    if (t.front() == '@') {
      pos = 1;
    } else if (t.front() == '"') {
      op.name = ParseQuoted(t, pos, line);  // "" names the default value, like @
      if (Utf8Length(op.name) > kMaxValueNameLength) throw RegScriptError(line, "the value name is too long");
    } else {
      throw RegScriptError(line, "expected a value name in double quotes, or @, or a [KEY] line");
    }
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    if (pos >= t.size() || t[pos] != '=') throw RegScriptError(line, "expected = after the value name");
    std::string_view data = TrimBlanks(t.substr(pos + 1));
    if (data.empty()) throw RegScriptError(line, "the value has no data after =");
    if (data == "-") {
      op.kind = RegOperation::Kind::DeleteValue;
    } else {
      op.value = ParseData(data, lines, i);
    }
    script.ops_.push_back(std::move(op));
  }
  return script;
}

void RegScript::Apply(Hive& hive) const {
  const RegOperation* current = nullptr;
  try {
    hive.WriteTransaction([&] {
      for (const RegOperation& op : ops_) {
        current = &op;
        switch (op.kind) {
          case RegOperation::Kind::CreateKey: hive.CreateKey(op.key); break;
          case RegOperation::Kind::DeleteKey: hive.DeleteKey(op.key); break;
          case RegOperation::Kind::SetValue: hive.SetValue(op.key, op.name, op.value); break;
          case RegOperation::Kind::DeleteValue: hive.DeleteValue(op.key, op.name); break;
        }
      }
      current = nullptr;
    });
  } catch (const RegScriptError&) {
    throw;
  } catch (const StoreError& e) {
    throw RegScriptError(current ? current->line : 0, e.what());
  }
}

std::string RegScript::Export(Hive& hive, std::string_view key) {
  std::string out = "REGEDIT4";
  out += kEol;
  hive.ReadTransaction([&] {
    auto path = StoredKeyPath(hive, key);
    if (!path) throw StoreError("The key " + RegKeyOfHivePath(key) + " does not exist.");
    WalkKeys(hive, *path, [&](const std::string& k) { ExportKey(hive, k, out); });
  });
  out += kEol;
  return out;
}

}  // namespace vantor::store
