#include "console/program.h"

#include "console/banner.h"
#include "console/listings.h"
#include "console/parser.h"
#include "console/send.h"
#include "console/server_query.h"
#include "lan/backend.h"
#include "lan/directory.h"

namespace vantor::console {

LocalNames GatherLocalNames(lan::NetApi& api) {
  LocalNames n;
  n.domain = lan::GetPrimaryDomainName(api);
  n.controller = lan::GetDomainControllerName(api, n.domain);
  n.computer = lan::GetLocalComputerName(api);
  n.user = lan::GetLocalUserName(api);
  return n;
}

namespace {

bool NeedsStore(const RunSettings& s) {
  return s.showLists || s.lists.given || (s.query && s.queryMode == QueryMode::CheckedServers);
}

void PrintHeader(RunContext& ctx) {
  PrintBanner(ctx.out);
  ctx.out.Line("User              : " + ctx.names.user);
  ctx.out.Line("Computer          : " + ctx.names.computer);
  ctx.out.Line("Domain            : " + ctx.names.domain);
  ctx.out.Line("Domain Controller : " + ctx.names.controller);
  PrintRule(ctx.out);
}

int Run(const std::vector<std::string>& args, Output& out, const ProgramEnvironment& env) {
  std::unique_ptr<lan::NetApi> api;
  try {
    api = env.openNetwork();
  } catch (const lan::BackendError& e) {
    FatalError(out, e.what());
  }
  RunContext ctx{*api, out, *env.clock, GatherLocalNames(*api)};
  SortedNameList servers;
  SortedNameList active;

  RunSettings s = ParseCommandLine(args, out);

  // Opened before anything is printed or sent, so that a store that cannot
  // be used stops the run before it has done half its work.
  std::unique_ptr<StoreReader> store;
  if (NeedsStore(s)) {
    store = env.openStore();
    ctx.store = store.get();
  }

  if (s.verbose) PrintHeader(ctx);
  if (s.query) {
    ChooseServers(ctx, s, servers);
    QuerySessions(ctx, s.verbose, servers, active);
    if (s.verbose) PrintRule(out);
  }
  RunListings(ctx, s, active);
  Sender sender(ctx, s, active);
  sender.SendAll();
  return sender.AnyFailed() ? kExitSendFailed : kExitOk;
}

}  // namespace

namespace {
// The error block for a failure that has no message of its own in the tool.
int Fail(Output& out, std::string_view message) {
  try {
    FatalError(out, message);
  } catch (const ProgramExit& e) {
    return e.status();
  }
}
}  // namespace

int RunProgram(const std::vector<std::string>& args, Output& out, const ProgramEnvironment& env) {
  int status;
  try {
    status = Run(args, out, env);
  } catch (const ProgramExit& e) {
    status = e.status();
  } catch (const std::exception& e) {
    // The store's errors, and anything else that stops the run, end it the
    // way every other error does.
    status = Fail(out, e.what());
  }
  out.Flush();
  return status;
}

}  // namespace vantor::console
