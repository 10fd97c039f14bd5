// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/reg_tool/reg_tool.h"

#include "common/file_read.h"
#include "common/text.h"
#include "common/version.h"
#include "store/hive.h"
#include "store/key_path.h"
#include "store/reg_script.h"
#include "store/reg_tool/reg_data.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace vantor::store {

namespace {

constexpr std::string_view kUsage =
    R"(Usage: vantor-reg [--store PATH] COMMAND ...

  vantor-reg query  KEY [/v NAME | /ve] [/s]
  vantor-reg add    KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
  vantor-reg delete KEY [/v NAME | /ve | /va] [/f]
  vantor-reg export KEY FILE [/y]
  vantor-reg import FILE
  vantor-reg --version

  KEY      HKEY_CURRENT_USER\Software\Vantor\... (or HKCU\...); quote it for the shell
  /v NAME  the value NAME;  /ve the default (unnamed) value;  /va every value of KEY
  /s       query: KEY and every key below it
           add: the separator of REG_MULTI_SZ strings (default \0)
  /t TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,
           REG_DWORD_BIG_ENDIAN, REG_QWORD, REG_BINARY, REG_NONE
  /d DATA  text; a number (decimal, or hex after 0x); hex digits for REG_BINARY
  /f       overwrite or delete without asking
  /y       export: replace FILE without asking
  FILE     a REGEDIT4 file in UTF-8; - is standard input or output

Switches may also be written -v, -f, ... )"
#ifdef _WIN32
    R"(The store is the current user's registry;
--store is not used on Windows.
)"
#else
    R"(The store is --store PATH, else
$VANTOR_STORE, else $XDG_CONFIG_HOME/vantor/store.db (~/.config/vantor/store.db).
)"
#endif
    R"(Exit status: 0 on success, 1 on failure or when cancelled.
)";

constexpr std::string_view kDone = "The operation completed successfully.\n";

// The largest script import reads: far more than any store of the programs
// holds, and little enough that reading and parsing it fits in memory.
constexpr std::size_t kMaxScriptBytes = 256u << 20;

// A stream read to its end, the limit checked while reading.
std::string ReadStream(std::istream& in, std::size_t maxBytes) {
  std::string text;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    text.append(buf, static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxBytes) {
      throw FileError("standard input", FileProblem::kTooLarge, "is too large (more than " + SizeText(maxBytes) + ")");
    }
  }
  if (in.bad()) throw FileError("standard input", FileProblem::kUnreadable, "cannot be read");
  return text;
}

// A file named on the command line (UTF-8), as the file system names it.
std::filesystem::path FilePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A failure that ends the command with its message.
struct Failure {
  std::string message;
};

struct CommandSpec {
  std::string_view name;
  size_t positionals;
  std::vector<std::string_view> flags;    // switches without an argument
  std::vector<std::string_view> options;  // switches followed by one argument
};

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"query", 1, {"ve", "s"}, {"v"}},
      {"add", 1, {"ve", "f"}, {"v", "t", "s", "d"}},
      {"delete", 1, {"ve", "va", "f"}, {"v"}},
      {"export", 2, {"y"}, {}},
      {"import", 1, {}, {}},
  };
  return commands;
}

struct Parsed {
  const CommandSpec* spec = nullptr;
  std::vector<std::string> positionals;
  std::map<std::string, std::string> options;  // switch name (lower case) -> argument, "" for flags

  bool Has(std::string_view s) const { return options.count(std::string(s)) != 0; }
  std::optional<std::string> Get(std::string_view s) const {
    auto it = options.find(std::string(s));
    if (it == options.end()) return std::nullopt;
    return it->second;
  }
};

// The switch's name when arg is one of the listed switches ("/v", "-V").
std::optional<std::string> SwitchName(std::string_view arg, const std::vector<std::string_view>& names) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return std::nullopt;
  for (std::string_view n : names) {
    if (EqualsNoCase(arg.substr(1), n)) return std::string(n);
  }
  return std::nullopt;
}

Parsed ParseCommandLine(const std::vector<std::string>& args) {
  Parsed p;
  for (const CommandSpec& c : Commands()) {
    if (EqualsNoCase(args[0], c.name)) p.spec = &c;
  }
  if (!p.spec) throw Failure{"unknown command '" + args[0] + "' (try vantor-reg /?)"};
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::optional<std::string> name = SwitchName(a, p.spec->flags);
    bool takesArgument = false;
    if (!name) {
      name = SwitchName(a, p.spec->options);
      takesArgument = name.has_value();
    }
    if (name) {
      if (p.Has(*name)) throw Failure{"the switch " + a + " is given twice"};
      if (takesArgument && i + 1 >= args.size()) throw Failure{"the switch " + a + " needs an argument"};
      p.options[*name] = takesArgument ? args[++i] : std::string();
      continue;
    }
    // Paths such as /tmp/x.reg begin with a slash too, so anything that is
    // not a known switch fills the next free place first.
    if (p.positionals.size() < p.spec->positionals) {
      p.positionals.push_back(a);
      continue;
    }
    if (a.size() > 1 && (a[0] == '/' || a[0] == '-')) {
      throw Failure{"unknown switch " + a + " for " + std::string(p.spec->name)};
    }
    throw Failure{"unexpected argument '" + a + "'"};
  }
  if (p.positionals.size() < p.spec->positionals) {
    throw Failure{std::string(p.spec->name) + " needs " +
                  (p.spec->positionals == 2   ? "a KEY and a FILE"
                   : p.spec->name == "import" ? "a FILE"
                                              : "a KEY")};
  }
  if (p.Has("v") + p.Has("ve") + p.Has("va") > 1) throw Failure{"give only one of /v, /ve and /va"};
  return p;
}

class Tool {
 public:
  Tool(std::istream& in, std::ostream& out, std::string storePath)
      : in_(in), out_(out), storePath_(std::move(storePath)) {}

  void Run(const Parsed& p) {
    std::string_view cmd = p.spec->name;
    if (cmd == "query") return Query(p);
    if (cmd == "add") return Add(p);
    if (cmd == "delete") return Delete(p);
    if (cmd == "export") return Export(p);
    return Import(p);
  }

 private:
  // Reading commands do not create a store that is not there.
  Hive& OpenExisting() {
#ifndef _WIN32
    if (!std::filesystem::exists(storePath_)) throw Failure{"the store " + storePath_ + " does not exist yet"};
#endif
    return Open();
  }

  Hive& Open() {
#ifdef _WIN32
    if (!hive_) hive_ = OpenDefaultHive();  // the registry: always there
#else
    if (!hive_) hive_ = OpenSqliteHive(storePath_);
#endif
    return *hive_;
  }

  // The key's path as stored, or a failure naming it.
  std::string ExistingKey(Hive& hive, const std::string& typed) {
    std::string path = HivePathOfRegKey(typed);
    auto stored = StoredKeyPath(hive, path);
    if (!stored) throw Failure{"the key " + RegKeyOfHivePath(path) + " does not exist"};
    return *stored;
  }

  bool Ask(const std::string& question) {
    for (;;) {
      out_ << question << " (Yes/No)? " << std::flush;
      std::string answer;
      if (!std::getline(in_, answer)) {
        out_ << '\n';
        return false;
      }
      std::string_view a = TrimBlanks(answer);
      if (EqualsNoCase(a, "y") || EqualsNoCase(a, "yes")) return true;
      if (EqualsNoCase(a, "n") || EqualsNoCase(a, "no")) return false;
    }
  }

  void Confirm(const Parsed& p, const std::string& question) {
    if (!p.Has("f") && !Ask(question)) throw Failure{"the operation was cancelled"};
  }

  static std::string ShownName(std::string_view name) { return name.empty() ? "(Default)" : std::string(name); }

  void PrintValue(const NamedValue& v) {
    out_ << "    " << ShownName(v.name) << "    " << RegTypeName(v.value.type) << "    " << RegDisplayData(v.value)
         << '\n';
  }

  // Prints the key and its values (only `only` when given); true when it
  // printed anything.
  bool PrintKey(Hive& hive, const std::string& path, const std::optional<std::string>& only) {
    std::vector<NamedValue> values = hive.Values(path);
    if (only) {
      std::erase_if(values, [&](const NamedValue& v) { return FoldCase(v.name) != FoldCase(*only); });
      if (values.empty()) return false;
    }
    out_ << RegKeyOfHivePath(path) << '\n';
    for (const NamedValue& v : values) PrintValue(v);
    return true;
  }

  int QueryTree(Hive& hive, const std::string& path, const std::optional<std::string>& only) {
    int found = 0;
    WalkKeys(hive, path, [&](const std::string& key) {
      if (PrintKey(hive, key, only)) {
        out_ << '\n';
        ++found;
      }
    });
    return found;
  }

  std::optional<std::string> ValueName(const Parsed& p) {
    if (p.Has("ve")) return std::string();
    return p.Get("v");
  }

  void Query(const Parsed& p) {
    Hive& hive = OpenExisting();
    std::optional<std::string> only = ValueName(p);
    hive.ReadTransaction([&] {
      std::string path = ExistingKey(hive, p.positionals[0]);
      std::string shownKey = RegKeyOfHivePath(path);
      if (p.Has("s")) {
        if (QueryTree(hive, path, only) == 0 && only) {
          throw Failure{"no value named " + ShownName(*only) + " in " + shownKey + " or below it"};
        }
        return;
      }
      if (!PrintKey(hive, path, only))
        throw Failure{"the value " + ShownName(*only) + " does not exist in " + shownKey};
      if (only) return;
      std::vector<std::string> subs = hive.SubKeyNames(path);
      if (!subs.empty()) out_ << '\n';
      for (const std::string& sub : subs) out_ << RegKeyOfHivePath(JoinKeyPath(path, sub)) << '\n';
    });
  }

  void Add(const Parsed& p) {
    std::string path = HivePathOfRegKey(p.positionals[0]);
    std::optional<std::string> name = ValueName(p);
    if (!name && (p.Has("t") || p.Has("d"))) name = std::string();  // as reg: the default value
    if (!name) {
      Open().CreateKey(path);
      out_ << kDone;
      return;
    }
    ValueType type = ValueType::String;
    if (auto t = p.Get("t")) {
      auto parsed = RegTypeOfName(*t);
      if (!parsed) throw Failure{"unknown type '" + *t + "' (REG_SZ, REG_DWORD, ... see vantor-reg /?)"};
      type = *parsed;
    }
    if (p.Has("s") && type != ValueType::MultiString) throw Failure{"/s (separator) is for REG_MULTI_SZ only"};
    Value value = RegDataOfText(type, p.Get("d").value_or(""), p.Get("s").value_or("\\0"));
    Hive& hive = Open();
    if (hive.GetValue(path, *name)) Confirm(p, "Value " + ShownName(*name) + " exists, overwrite");
    hive.SetValue(path, *name, value);
    out_ << kDone;
  }

  void Delete(const Parsed& p) {
    Hive& hive = OpenExisting();
    std::string path = ExistingKey(hive, p.positionals[0]);
    std::string shownKey = RegKeyOfHivePath(path);
    if (std::optional<std::string> name = ValueName(p)) {
      if (!hive.GetValue(path, *name))
        throw Failure{"the value " + ShownName(*name) + " does not exist in " + shownKey};
      Confirm(p, "Delete the registry value " + ShownName(*name));
      hive.DeleteValue(path, *name);
    } else if (p.Has("va")) {
      Confirm(p, "Delete all values under the registry key " + shownKey);
      hive.WriteTransaction([&] {
        for (const NamedValue& v : hive.Values(path)) hive.DeleteValue(path, v.name);
      });
    } else {
      if (path.empty()) throw Failure{"the root key HKEY_CURRENT_USER cannot be deleted"};
      Confirm(p, "Delete the registry key " + shownKey);
      hive.DeleteKey(path);
    }
    out_ << kDone;
  }

  void Export(const Parsed& p) {
    Hive& hive = OpenExisting();
    std::string text = RegScript::Export(hive, HivePathOfRegKey(p.positionals[0]));
    const std::string& file = p.positionals[1];
    if (file == "-") {
      out_ << text << std::flush;
      return;
    }
    if (std::filesystem::exists(FilePath(file)) && !p.Has("y"))
      Confirm(p, "File " + file + " already exists. Overwrite");
    std::ofstream f(FilePath(file), std::ios::binary | std::ios::trunc);
    if (f) f << text;
    if (f) f.close();
    if (!f) throw Failure{"cannot write " + file + ": " + std::strerror(errno)};
    out_ << kDone;
  }

  void Import(const Parsed& p) {
    const std::string& file = p.positionals[0];
    std::string text;
    try {
      text = file == "-" ? ReadStream(in_, kMaxScriptBytes) : ReadRegularFile(file, kMaxScriptBytes);
    } catch (const FileError& e) {
      throw Failure{"cannot read " + (file == "-" ? std::string("standard input") : file) + ": " + e.reason()};
    }
    auto where = [&](const RegScriptError& e) {
      return file + (e.line() > 0 ? ":" + std::to_string(e.line()) : std::string()) + ": " + e.what();
    };
    try {
      RegScript script = RegScript::Parse(text);
      script.Apply(Open());
    } catch (const RegScriptError& e) {
      throw Failure{where(e)};
    }
    out_ << kDone;
  }

  std::istream& in_;
  std::ostream& out_;
  std::string storePath_;
  std::unique_ptr<Hive> hive_;
};

}  // namespace

int RunRegTool(const std::vector<std::string>& argsIn, std::istream& in, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args = argsIn;
  std::optional<std::string> store;
  try {
    if (args.size() == 1 && args[0] == "--version") {
      out << "vantor-reg " << kVersion << '\n';
      return 0;
    }
    for (const std::string& a : args) {
      if (a == "/?" || a == "-?" || a == "-h" || a == "--help") {
        out << kUsage;
        return 0;
      }
    }
    if (!args.empty() && args[0] == "--store") {
#ifdef _WIN32
      throw Failure{"--store is not used on Windows: the store is the current user's registry"};
#endif
      if (args.size() < 2) throw Failure{"--store needs a PATH"};
      store = args[1];
      args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
      err << kUsage;
      return 1;
    }
    Parsed p = ParseCommandLine(args);
    Tool tool(in, out, store ? *store : DefaultStorePath());
    tool.Run(p);
    return 0;
  } catch (const Failure& f) {
    err << "vantor-reg: " << f.message << '\n';
  } catch (const StoreError& e) {
    err << "vantor-reg: " << e.what() << '\n';
  }
  return 1;
}

}  // namespace vantor::store
