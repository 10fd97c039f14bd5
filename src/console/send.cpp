#include "console/send.h"
#include "common/recipient.h"

#include "common/utf.h"
#include "lan/directory.h"
#include "lan/net_error_text.h"

#include <cstdio>
#include <vector>

namespace vantor::console {

Sender::Sender(RunContext& ctx, const RunSettings& s, const SortedNameList& active)
    : ctx_(ctx),
      s_(s),
      active_(active),
      text_(Utf8ToUtf16(ctx.out.codec().ToUtf8(s.message))),
      from_(AsciiUpper(ctx.names.computer)) {}

bool Sender::IsActive(std::string_view recipient) const {
  std::string r(recipient);
  if (active_.Contains(ActiveUserKey(r)) || active_.Contains(ActiveComputerKey(r))) return true;
  std::string up = AsciiUpper(recipient);
  return up == AsciiUpper(ctx_.names.computer) || up == AsciiUpper(ctx_.names.user);
}

lan::Status Sender::SendAndReport(std::string_view label, std::string_view recipient) {
  lan::Status status;
  bool checked = s_.query && recipient != ctx_.names.controller && !(!recipient.empty() && recipient.back() == '*');
  if (checked && !IsActive(recipient)) {
    status = kNotActive;
  } else if (s_.test) {
    status = lan::NERR_Success;
  } else {
    status = ctx_.api.NetMessageBufferSend({}, recipient, from_, text_);
    if (status != lan::NERR_Success && status != kNotActive) anyFailed_ = true;
  }
  if (s_.verbose) {
    std::string line = "Message to ";
    line += label;
    line += ": ";
    line += recipient;
    line += status == lan::NERR_Success ? " succeeded." : status == kNotActive ? " not sent." : " failed.";
    line += ' ';
    line += ctx_.Time();
    ctx_.out.Line(line);
    if (status != lan::NERR_Success && status != kNotActive) {
      // The report line says only that the send failed; why goes to standard
      // error, so that standard output keeps its fixed form.
      ctx_.out.Flush();
      std::string why =
          "vantorc: message to " + std::string(recipient) + " failed: " + lan::NetErrorText(status) + "\n";
      why = ctx_.out.codec().FromUtf8(why);
      std::fwrite(why.data(), 1, why.size(), stderr);
      std::fflush(stderr);
    }
  }
  return status;
}

void Sender::SendToGroup(std::string_view group) {
  std::vector<std::string> members;
  if (lan::GetGroupMembersAt(ctx_.api, ctx_.names.controller, group, members) != lan::NERR_Success) {
    if (s_.verbose) ctx_.out.Line("Group '" + std::string(group) + "' not found " + ctx_.Time());
    return;
  }
  for (const std::string& m : members) SendAndReport(group, m);
}

void Sender::SendToList(std::string_view list) {
  std::optional<std::vector<StoredMember>> members;
  try {
    members = ctx_.store->ListMembers(list);
  } catch (const store::StoreError& e) {
    // A damaged list reaches none of its members; the rest of the run goes on.
    anyFailed_ = true;
    if (s_.verbose)
      ctx_.out.Line("List '" + std::string(list) + "' could not be read: " + e.what() + " " + ctx_.Time());
    return;
  }
  if (!members) {
    if (s_.verbose) ctx_.out.Line("List '" + std::string(list) + "' not found " + ctx_.Time());
    return;
  }
  for (const StoredMember& member : *members) {
    if (!member.kind) {
      // Edited by hand into something that names no kind: that member is not
      // reached, which the exit status tells.
      anyFailed_ = true;
      if (s_.verbose)
        ctx_.out.Line("List '" + std::string(list) + "' entry '" + member.name + "' ignored: invalid data " +
                      ctx_.Time());
      continue;
    }
    switch (*member.kind) {
      case kUserKind:
      case kComputerKind:
        SendAndReport(list, member.name);
        break;
      case kGroupKind:  // its lines carry the group's name
        SendToGroup(member.name);
        break;
      default:  // lists and domains are never members; nothing is sent
        break;
    }
  }
}

void Sender::SendAll() {
  for (const std::string& u : s_.users.names) SendAndReport("User", u);
  for (const std::string& g : s_.groups.names) SendToGroup(g);
  for (const std::string& p : s_.computers.names) SendAndReport("Computer", p);
  for (const std::string& l : s_.lists.names) SendToList(l);
  for (const std::string& d : s_.domains.names) SendAndReport("Domain", d + "*");
}

}  // namespace vantor::console
