// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/listings.h"
#include "common/recipient.h"

#include "lan/directory.h"
#include "lan/enumerate.h"

#include <string>
#include <vector>

namespace vantor::console {

namespace {

constexpr std::size_t kNameColumn = 20;

// Line feed and carriage return, in that order, before the title and before
// the underline; the underline then ends like every line.
void Header(Output& out, std::string_view title, std::string_view underline) {
  std::string text = "\n\r";
  text += title;
  text += "\n\r";
  text += underline;
  out.Text(text);
  out.Line();
}

void Item(Output& out, const ListingOptions& opt, std::string_view name, std::string_view comment) {
  if (opt.bare) {
    out.Line(name);
    return;
  }
  std::string line = PadRight(name, kNameColumn);
  line += comment;
  out.Line(line);
}

constexpr std::string_view kCommentsUnderline = "============================";

}  // namespace

void ListLists(RunContext& ctx, const ListingOptions& opt) {
  if (!ctx.store) return;
  std::vector<store::ListDirectoryEntry> lists = ctx.store->ListDirectory();
  if (lists.empty()) return;
  if (!opt.bare) Header(ctx.out, "Lists               Comments", kCommentsUnderline);
  for (const auto& l : lists) {
    std::string items = l.count + " Item";
    if (items != "1 Item") items += 's';
    Item(ctx.out, opt, l.name, items);
  }
}

void ListDomains(RunContext& ctx, const ListingOptions& opt) {
  if (!opt.bare) Header(ctx.out, "Domains", "=======");
  if (!ctx.Controller().empty()) ctx.out.Line(ctx.Domain());
  std::vector<std::string> trusts;
  lan::GetTrustedDomainsAt(ctx.Api(), ctx.Controller(), trusts);  // a failure adds nothing
  for (const std::string& name : trusts) ctx.out.Line(name);
}

void ListUsers(RunContext& ctx, const ListingOptions& opt, const SortedNameList& active) {
  lan::EnumerateDisplay(
      ctx.Api(), lan::ServerPath(ctx.Controller()), lan::kDisplayUsers,
      [&](const lan::DisplayEntry& e) {
        if (opt.activeOnly && !active.Contains(ActiveUserKey(e.name))) return;
        Item(ctx.out, opt, e.name, e.comment);
      },
      [&] {
        if (!opt.bare) Header(ctx.out, "Users               Comments", kCommentsUnderline);
      });
}

void ListComputers(RunContext& ctx, const ListingOptions& opt, const SortedNameList& active) {
  lan::EnumerateServers(
      ctx.Api(), lan::sv_type::kComputers, ctx.Domain(),
      [&](const lan::ServerInfo101& s) {
        if (opt.activeOnly && !active.Contains(ActiveComputerKey(s.name))) return;
        Item(ctx.out, opt, s.name, s.comment);
      },
      [&] {
        if (!opt.bare) Header(ctx.out, "Computers           Comments", kCommentsUnderline);
      });
}

void ListGroups(RunContext& ctx, const ListingOptions& opt) {
  lan::EnumerateDisplay(
      ctx.Api(), lan::ServerPath(ctx.Controller()), lan::kDisplayGroups,
      [&](const lan::DisplayEntry& e) { Item(ctx.out, opt, e.name, e.comment); },
      [&] {
        if (!opt.bare) Header(ctx.out, "Groups              Comments", kCommentsUnderline);
      });
}

void RunListings(RunContext& ctx, const RunSettings& s, const SortedNameList& active) {
  ListingOptions opt{s.bare, s.activeOnly};
  if (s.showLists) ListLists(ctx, opt);
  if (s.showDomains) ListDomains(ctx, opt);
  if (s.showUsers) ListUsers(ctx, opt, active);
  if (s.showComputers) ListComputers(ctx, opt, active);
  if (s.showGroups) ListGroups(ctx, opt);
}

}  // namespace vantor::console
