// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/server_query.h"
#include "common/recipient.h"

#include "common/file_read.h"
#include "console/banner.h"
#include "lan/enumerate.h"

namespace vantor::console {

namespace {

// One name a line; even a network of thousands of servers needs far less.
constexpr std::size_t kMaxServerFileBytes = 4u << 20;

std::string ReadServerFile(RunContext& ctx, const std::string& path) {
  try {
    return ReadRegularFile(path, kMaxServerFileBytes);
  } catch (const FileError& e) {
    // It was a file when the command line was read; say why it cannot be read now.
    const TextCodec& codec = ctx.out.codec();
    bool systemText = e.problem() == FileProblem::kMissing || e.problem() == FileProblem::kUnreadable;
    FatalError(ctx.out, "Query filename '" + codec.ToUtf8(path) + "' " +
                            (systemText ? "could not be read: " + codec.ToUtf8(e.reason()) : e.reason() + "."));
  }
}

void KeepCheckedServers(RunContext& ctx, bool verbose, SortedNameList& servers) {
  SortedNameList kept;
  for (const std::string& name : servers) {
    switch (ctx.store->ServerCheckMark(name)) {
      case CheckMark::Checked: kept.Add(name); break;
      case CheckMark::Unchecked: break;
      case CheckMark::Invalid:
        if (verbose) ctx.out.Line(name + " has an invalid check mark in the Vantor list " + ctx.Time());
        break;
    }
  }
  servers = std::move(kept);
}

}  // namespace

void EnumerateServerNames(RunContext& ctx, std::uint32_t typeMask, bool verbose, SortedNameList& servers) {
  lan::Status status = lan::EnumerateServers(ctx.Api(), typeMask, ctx.Domain(), [&](const lan::ServerInfo101& e) {
    servers.Add(e.name);
    if (verbose) ctx.out.Line(e.name + " found on network " + ctx.Time());
  });
  if (status == lan::NERR_Success && servers.empty() && verbose) ctx.out.Line("No servers found " + ctx.Time());
}

void ChooseServers(RunContext& ctx, const RunSettings& s, SortedNameList& servers) {
  const bool v = s.verbose;
  switch (s.queryMode) {
    case QueryMode::AllServers:
      EnumerateServerNames(ctx, lan::sv_type::kQueryableServers, v, servers);
      if (servers.empty()) FatalError(ctx.out, "No Servers found on network");
      break;
    case QueryMode::DomainControllers:
      EnumerateServerNames(ctx, lan::sv_type::kDomainControllers, v, servers);
      if (servers.empty()) FatalError(ctx.out, "No Servers found on network");
      break;
    case QueryMode::CheckedServers:
      EnumerateServerNames(ctx, lan::sv_type::kQueryableServers, v, servers);
      KeepCheckedServers(ctx, v, servers);
      if (servers.empty()) FatalError(ctx.out, "No servers available from Vantor list");
      break;
    case QueryMode::ServerFile: {
      const TextCodec& codec = ctx.out.codec();
      for (const std::string& line : SplitLines(ReadServerFile(ctx, s.serverFile))) servers.Add(codec.ToUtf8(line));
      std::string file = codec.ToUtf8(s.serverFile);
      if (v)
        for (const std::string& name : servers) ctx.out.Line(name + " loaded from file: " + file);
      if (servers.empty()) FatalError(ctx.out, "No server names found in file " + file);
      break;
    }
    case QueryMode::NamedServers:
      SplitNames(s.namedServers, servers);
      if (v)
        for (const std::string& name : servers) ctx.out.Line(name + " loaded from commandline: " + name);
      if (servers.empty()) FatalError(ctx.out, "No server names found on command-line");
      break;
  }
}

namespace {
void QueryOne(RunContext& ctx, bool verbose, const std::string& server, SortedNameList& active) {
  if (verbose) ctx.out.Line(server + " queried for active sessions " + ctx.Time());
  std::size_t before = active.size();
  // The name goes as it stands, without backslashes put in front; a failure
  // ends this server's query without a message of its own.
  lan::EnumerateSessions(ctx.Api(), server, [&](const lan::SessionInfo10& session) {
    if (!session.username.empty()) active.Add(ActiveUserKey(session.username));
    active.Add(ActiveComputerKey(session.cname));
  });
  if (!verbose) return;
  if (active.size() > before)
    ctx.out.Line(server + " responded successfully " + ctx.Time());
  else
    ctx.out.Line(server + " gave no information or did not respond " + ctx.Time());
}
}  // namespace

void QuerySessions(RunContext& ctx, bool verbose, const SortedNameList& servers, SortedNameList& active) {
  std::string local = AsciiUpper(ctx.Computer());
  bool localQueried = false;
  for (const std::string& server : servers) {
    if (AsciiUpper(server) == local) localQueried = true;
    QueryOne(ctx, verbose, server, active);
  }
  if (!localQueried) QueryOne(ctx, verbose, ctx.Computer(), active);
}

}  // namespace vantor::console
