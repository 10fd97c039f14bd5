// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/parser.h"

#include "common/file_read.h"
#include "common/version.h"
#include "console/banner.h"
#include "console/usage.h"

#include <string_view>

namespace vantor::console {

namespace {

enum class Opt { Help, PlainHelp, F, T, Sg, Sd, Su, Sp, Se, Sa, Sl, B, V, Qd, Qs, Qa, Qn, Qf, U, G, L, P, D, M };

struct Spelling {
  std::string_view text;  // with "-"; "/" works as well
  Opt opt;
};

// In the order they are matched.
constexpr Spelling kOptions[] = {
    {"-help", Opt::Help}, {"-?", Opt::Help}, {"-h", Opt::PlainHelp}, {"-f", Opt::F},   {"-t", Opt::T},
    {"-sg", Opt::Sg},     {"-sd", Opt::Sd},  {"-su", Opt::Su},       {"-sp", Opt::Sp}, {"-se", Opt::Se},
    {"-sa", Opt::Sa},     {"-sl", Opt::Sl},  {"-b", Opt::B},         {"-v", Opt::V},   {"-qd", Opt::Qd},
    {"-qs", Opt::Qs},     {"-qa", Opt::Qa},  {"-qn", Opt::Qn},       {"-qf", Opt::Qf}, {"-u", Opt::U},
    {"-g", Opt::G},       {"-l", Opt::L},    {"-p", Opt::P},         {"-d", Opt::D},   {"-m", Opt::M},
};

// The long options every command-line program answers, spelled exactly so
// (no "/", no other case): they print and end the run at once.
constexpr std::string_view kLongHelp = "--help";
constexpr std::string_view kLongVersion = "--version";

bool Match(std::string_view lowered, std::string_view spelling) {
  if (lowered.size() != spelling.size() || lowered.empty()) return false;
  if (lowered[0] != '-' && lowered[0] != '/') return false;
  return lowered.substr(1) == spelling.substr(1);
}

// Why the server file cannot be used, or empty when it is a regular file.
// Only regular files are read: a folder, device or FIFO gets its own error.
std::string ServerFileProblem(const std::string& path) {
  FileProblem problem;
  std::string reason;
  if (!FileStatusProblem(path, problem, reason)) return {};
  if (problem == FileProblem::kFolder || problem == FileProblem::kNotRegular) return reason + ".";
  return "does not exist.";
}

class Parser {
 public:
  Parser(const std::vector<std::string>& args, Output& out, const MessageLength& length)
      : args_(args), out_(out), length_(length) {}

  RunSettings Parse() {
    if (args_.empty()) FatalError(out_, "No parameters supplied");
    for (pos_ = 0; pos_ < args_.size(); ++pos_) {
      if (!Option(args_[pos_])) break;
    }
    Check();
    return std::move(s_);
  }

 private:
  // False when the scan ends here.
  bool Option(const std::string& arg) {
    if (arg == kLongHelp || arg == kLongVersion) {
      OnlyOnItsOwn();
      if (arg == kLongHelp)
        PrintUsage(out_, UsagePaging::Continuous);
      else
        out_.Line(std::string("vantorc ") + kVersion);
      throw ProgramExit(kExitOk);
    }
    std::string lowered = AsciiLower(arg);
    const Spelling* found = nullptr;
    for (const Spelling& sp : kOptions) {
      if (Match(lowered, sp.text)) {
        found = &sp;
        break;
      }
    }
    if (!found) FatalError(out_, "Incorrect parameter: " + Utf8(arg));
    switch (found->opt) {
      case Opt::Help:
        OnlyOnItsOwn();
        PrintUsage(out_, UsagePaging::Paused);
        return false;
      case Opt::PlainHelp:
        // Unlike -? and -help: the whole screen without pauses, and nothing
        // else is run.
        OnlyOnItsOwn();
        PrintUsage(out_, UsagePaging::Continuous);
        throw ProgramExit(kExitOk);
      case Opt::F: s_.query = false; break;
      case Opt::T: s_.verbose = s_.test = true; break;
      case Opt::Sg: s_.showGroups = true; break;
      case Opt::Sd: s_.showDomains = true; break;
      case Opt::Su: s_.showUsers = true; break;
      case Opt::Sp: s_.showComputers = true; break;
      case Opt::Se: s_.showDomains = s_.showComputers = s_.showUsers = s_.showGroups = s_.showLists = true; break;
      case Opt::Sa: s_.activeOnly = s_.showComputers = s_.showUsers = true; break;
      case Opt::Sl: s_.showLists = true; break;
      case Opt::B: s_.bare = true; break;
      case Opt::V: s_.verbose = true; break;
      case Opt::Qd: QueryOption(QueryMode::DomainControllers); break;
      case Opt::Qs:
        QueryOption(QueryMode::NamedServers);
        s_.namedServers = Utf8(Value());
        break;
      case Opt::Qa: QueryOption(QueryMode::AllServers); break;
      case Opt::Qn: QueryOption(QueryMode::CheckedServers); break;
      case Opt::Qf: {
        QueryOption(QueryMode::ServerFile);
        std::string file = Value();
        if (std::string problem = ServerFileProblem(file); !problem.empty())
          FatalError(out_, "Query filename '" + Utf8(file) + "' " + problem);
        s_.serverFile = file;
        break;
      }
      case Opt::U: Recipients(s_.users, "No user names supplied"); break;
      case Opt::G: Recipients(s_.groups, "No group names supplied"); break;
      case Opt::L: Recipients(s_.lists, "No List names supplied"); break;
      case Opt::P: Recipients(s_.computers, "No PC names supplied"); break;
      case Opt::D: Recipients(s_.domains, "No Domain names supplied"); break;
      case Opt::M: {
        std::string text = Value();
        if (text.empty()) FatalError(out_, "No Message text supplied");
        // Joined texts are separated by LF CR, in that order.
        if (s_.messageGiven) s_.message += "\n\r";
        s_.message += text;
        s_.messageGiven = true;
        break;
      }
    }
    return true;
  }

  void OnlyOnItsOwn() {
    if (args_.size() > 1) FatalError(out_, "Help options should only be used on their own");
  }

  // The next argument as it stands, or the empty text when there is none.
  std::string Value() {
    if (pos_ + 1 >= args_.size()) return {};
    return args_[++pos_];
  }

  void QueryOption(QueryMode mode) {
    if (++s_.queryOptionCount > 1) FatalError(out_, "Too many Query options, please just use one");
    s_.queryMode = mode;
  }

  void Recipients(RecipientNames& target, std::string_view error) {
    target.given = true;
    std::size_t before = target.names.size();
    if (SplitNames(Utf8(Value()), target.names) <= before) FatalError(out_, error);
  }

  void Check() {
    if (s_.AnyRecipientGiven() && !s_.messageGiven) FatalError(out_, "Recipients given but no message text specified");
    if (!s_.messageGiven) return;
    if (!s_.AnyRecipientGiven()) FatalError(out_, "Message text given but no recipients specified");
    // Counted as sent: in the wire's code page, not in bytes of the locale's text.
    std::size_t len = length_(Utf8(s_.message));
    if (len > kMaxMessage)
      FatalError(out_, "Message text too long by " + std::to_string(len - kMaxMessage) + " Char(s).");
    if (s_.domains.given && len > kMaxBroadcast)
      FatalError(out_, "Domain broadcast too long by " + std::to_string(len - kMaxBroadcast) + " Char(s).");
  }

  std::string Utf8(std::string_view localText) const { return out_.codec().ToUtf8(localText); }

  const std::vector<std::string>& args_;
  Output& out_;
  const MessageLength& length_;
  RunSettings s_;
  std::size_t pos_ = 0;
};

}  // namespace

RunSettings ParseCommandLine(const std::vector<std::string>& args, Output& out, const MessageLength& length) {
  return Parser(args, out, length).Parse();
}

}  // namespace vantor::console
