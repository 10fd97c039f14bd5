// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/program.h"

#include "common/codepage.h"
#include "common/utf.h"
#include "console/banner.h"
#include "console/listings.h"
#include "console/parser.h"
#include "console/send.h"
#include "console/server_query.h"
#include "lan/backend.h"
#include "lan/directory.h"

namespace vantor::console {

lan::NetApi& RunContext::Api() {
  if (!api_) {
    try {
      api_ = openNetwork_();
    } catch (const lan::BackendError& e) {
      FatalError(out, e.what());
    }
  }
  return *api_;
}

const std::string& RunContext::Domain() {
  if (!domain_) domain_ = lan::GetPrimaryDomainName(Api());
  return *domain_;
}

const std::string& RunContext::Controller() {
  if (!controller_) controller_ = lan::GetDomainControllerName(Api(), Domain());
  return *controller_;
}

const std::string& RunContext::Computer() {
  if (!computer_) computer_ = lan::GetLocalComputerName(Api());
  return *computer_;
}

const std::string& RunContext::User() {
  if (!user_) user_ = lan::GetLocalUserName(Api());
  return *user_;
}

namespace {

bool NeedsStore(const RunSettings& s) {
  return s.showLists || s.lists.given || (s.query && s.queryMode == QueryMode::CheckedServers);
}

// Every run but one that only lists the stored lists without a query.
bool NeedsNetwork(const RunSettings& s) {
  return s.verbose || s.query || s.showDomains || s.showUsers || s.showComputers || s.showGroups ||
         s.AnyRecipientGiven();
}

void PrintHeader(RunContext& ctx) {
  PrintBanner(ctx.out);
  ctx.out.Line("User              : " + ctx.User());
  ctx.out.Line("Computer          : " + ctx.Computer());
  ctx.out.Line("Domain            : " + ctx.Domain());
  ctx.out.Line("Domain Controller : " + ctx.Controller());
  PrintRule(ctx.out);
}

// A message's length as the backend sends it: its characters in the code
// page it travels in.
std::size_t MessageLengthOnTheWire(lan::NetApi& api, std::string_view utf8) {
  std::string codePage = api.MessageCodePage();
  if (codePage.empty()) return Utf8Length(utf8);
  TextCodec codec(codePage);
  return CodePageLength(utf8, codec);
}

int Run(const std::vector<std::string>& args, Output& out, const ProgramEnvironment& env) {
  RunContext ctx(env.openNetwork, out, *env.clock);
  SortedNameList servers;
  SortedNameList active;

  RunSettings s =
      ParseCommandLine(args, out, [&](std::string_view utf8) { return MessageLengthOnTheWire(ctx.Api(), utf8); });

  // Opened before anything is printed or sent, so that a network or a store
  // that cannot be used stops the run before it has done half its work.
  if (NeedsNetwork(s)) ctx.Api();
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
