// SPDX-License-Identifier: GPL-3.0-or-later
#include "receive/incoming.h"

#include "common/codepage.h"
#include "common/dir_file.h"
#include "lan/samba/message_names.h"
#include "lan/samba/samba_config.h"
#include "receive/spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantor::receive {

namespace {

// Reads the file smbd wrote and removes it, so that nothing of a message is
// left in the temporary folder whatever happens to it. The empty text, or
// why the message cannot be had.
std::string TakeMessageFile(const std::string& path, std::string& bytes) {
  if (path.empty() || path[0] != '/') return "no message file (an absolute path) was given";
  files::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
    return "the message file cannot be opened (" + std::string(std::strerror(errno)) + ")";
  // smbd made it as the account this runs as; anything else is not ours to
  // read or remove.
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
    return "the message file is not one that smbd made for this account";
  std::string problem;
  if (!files::ReadAtMost(fd.Get(), kMaxMessageFile, bytes))
    problem = "the message file holds more than " + std::to_string(kMaxMessageFile) + " bytes";
  struct stat now {};
  if (::lstat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino) ::unlink(path.c_str());
  return problem;
}

// A name from the network in UTF-8, cleaned; why says what is wrong with it.
std::string NetworkName(const std::string& raw, const TextCodec& codec, const char* what, std::string& why) {
  std::string name = CleanName(codec.ToUtf8(raw.substr(0, kMaxNameBytes)));
  if (raw.empty() && why.empty()) why = std::string("no ") + what + " was given";
  if (raw.size() > kMaxNameBytes && why.empty())
    why = std::string("the ") + what + " is longer than " + std::to_string(kMaxNameBytes) + " bytes";
  return name;
}

}  // namespace

bool ParseDeliverArguments(const std::vector<std::string>& args, DeliverOptions& out, std::string& why) {
  out.spool = lan::samba::kDefaultMessageSpool;
  std::string* last = nullptr;
  for (const std::string& a : args) {
    if (a.compare(0, 2, "--") != 0) {
      if (!last) {
        why = "\"" + CleanName(a.substr(0, 64)) + "\" is not an option";
        return false;
      }
      *last += " " + a;
      continue;
    }
    std::size_t eq = a.find('=');
    std::string key = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    std::string value = eq == std::string::npos ? std::string() : a.substr(eq + 1);
    if (eq == std::string::npos) {
      why = "--" + CleanName(key.substr(0, 64)) + " needs a value (--" + key + "=...)";
      return false;
    }
    if (key == "spool")
      last = &out.spool;
    else if (key == "charset")
      last = &out.charset;
    else if (key == "log")
      last = &out.logFile;
    else if (key == "file")
      last = &out.file;
    else if (key == "from")
      last = &out.from;
    else if (key == "to")
      last = &out.to;
    else {
      why = "--" + CleanName(key.substr(0, 64)) + " is not an option";
      return false;
    }
    *last = value;
  }
  if (!TextCodec(out.charset).Valid()) {
    why = "--charset=" + CleanName(out.charset.substr(0, 64)) + " is not a character set this system knows";
    return false;
  }
  if (out.spool.empty() || out.spool[0] != '/') {
    why = "--spool must name an absolute path";
    return false;
  }
  return true;
}

DeliverResult DeliverIncoming(const DeliverOptions& o, Clock::TimePoint now, std::string_view hostName) {
  DeliverResult r;
  const TextCodec codec(o.charset);
  std::string bytes, why;
  const std::string fileProblem = TakeMessageFile(o.file, bytes);
  std::string from = NetworkName(o.from, codec, "sender", why);
  std::string to = NetworkName(o.to, codec, "recipient", why);
  const std::string head = "message from \"" + from + "\" to \"" + to + "\"";
  if (why.empty()) why = fileProblem;
  if (!why.empty()) {
    r.log.push_back(head + " refused: " + why);
    return r;
  }

  lan::samba::MessageNames names(o.spool);
  lan::samba::MessageNames::Reach reach = names.Resolve(to, hostName);
  if (reach.users.empty()) {
    r.log.push_back(head + " refused: " +
                    (reach.toComputer ? std::string("no user is logged on")
                                      : "no user of this computer receives messages for that name"));
    return r;
  }
  SpooledMessage m{{}, from, to, FormatIso8601Local(now), CleanText(codec.ToUtf8(bytes))};
  for (const lan::samba::MessageUser& u : reach.users) {
    std::string problem;
    if (DeliverToInbox(o.spool, u.uid, m, now, {}, problem)) {
      r.delivered = true;
      r.log.push_back(head + " left for " + u.name + (u.loggedOn ? "" : " (not logged on)") + " as " + m.id);
    } else {
      r.log.push_back(head + " not left for " + u.name + ": " + problem);
    }
  }
  return r;
}

}  // namespace vantor::receive
