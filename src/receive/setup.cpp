// SPDX-License-Identifier: GPL-3.0-or-later
#include "receive/setup.h"

#include "common/dir_file.h"
#include "common/file_read.h"
#include "common/text.h"
#include "lan/samba/message_names.h"
#include "lan/samba/samba_config.h"
#include "receive/spool.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

namespace vantor::receive {

namespace {

constexpr std::string_view kBegin = "# Added by vantor-receive --setup; vantor-receive --remove takes it out.";
constexpr std::string_view kEnd = "# End of the lines added by vantor-receive --setup.";
constexpr std::string_view kKept = ";vantor-receive; ";
constexpr std::size_t kMaxSmbConf = 1 << 20;

// The file's lines, each with its line end (the last one may have none).
std::vector<std::string> PhysicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end;
  }
  return lines;
}

std::string_view Bare(std::string_view line) { return TrimBlanks(line); }

// smb.conf's parameter names ignore letter case and blanks.
std::string KeyOf(std::string_view raw) {
  std::string key;
  for (char c : raw)
    if (c != ' ' && c != '\t' && c != '_') key.push_back(AsciiLower(c));
  return key;
}

// "global" for "[ Global ]"; empty for a line that is no section header.
std::string SectionOf(std::string_view bare) {
  if (bare.empty() || bare[0] != '[') return {};
  std::size_t close = bare.find(']');
  return close == std::string_view::npos ? std::string() : KeyOf(bare.substr(1, close - 1));
}

bool Replaced(std::string_view key, bool protocolToo) {
  return key == "messagecommand" || (protocolToo && (key == "serverminprotocol" || key == "minprotocol"));
}

// Paths that go into the command line smbd hands to its shell: nothing the
// shell or smbd's own %-substitution would change.
bool PlainPath(std::string_view p) {
  if (p.empty() || p[0] != '/') return false;
  for (char c : p)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '.' ||
          c == '_' || c == '-'))
      return false;
  return true;
}

// A character set's name as it may join that command line ("CP850",
// "ISO-8859-15"); the empty name too (UTF-8: no option).
bool PlainName(std::string_view n) {
  for (char c : n)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
          c == '-'))
      return false;
  return true;
}

bool ReadSmbConfFile(const std::string& path, std::string& text, struct stat& st, std::string& why) {
  try {
    text = ReadRegularFile(path, kMaxSmbConf);
  } catch (const FileError& e) {
    why = e.what();
    if (e.problem() == FileProblem::kMissing) why += " (is Samba installed? apt install samba)";
    return false;
  }
  // Its mode is kept when it is written back.
  if (::stat(path.c_str(), &st) != 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteSmbConfFile(const std::string& path, std::string_view text, mode_t mode, std::string& why) {
  std::filesystem::path p(path);
  std::string dir = p.parent_path().empty() ? std::string(".") : p.parent_path().string();
  files::UniqueFd dirFd = files::OpenDir(AT_FDCWD, dir);
  if (!dirFd.Valid() || !files::WriteReplacing(dirFd.Get(), p.filename().string(), text, mode & 07777)) {
    why = path + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

// mkdir, then the owner, group and mode wanted; a folder that exists must
// be root's already (or this user's, when not run as root).
files::UniqueFd MakeDir(int parentFd, const std::string& name, const std::string& shown, mode_t mode, gid_t group,
                        std::string& why) {
  if (::mkdirat(parentFd, name.c_str(), 0700) != 0 && errno != EEXIST) {
    why = shown + ": cannot be made (" + std::strerror(errno) + ")";
    return {};
  }
  files::UniqueFd fd = files::OpenDir(parentFd, name);
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
    why = shown + ": " + std::strerror(errno) + " (a symbolic link is not accepted)";
    return {};
  }
  if (st.st_uid != ::geteuid()) {
    why = shown + " belongs to user " + std::to_string(st.st_uid) + "; remove it and set up again";
    return {};
  }
  if (::fchown(fd.Get(), ::geteuid(), group) != 0 || ::fchmod(fd.Get(), mode) != 0) {
    why = shown + ": cannot set its group and mode (" + std::strerror(errno) + ")";
    return {};
  }
  return fd;
}

std::string HostComputerName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  std::string name(buf);
  return AsciiUpper(name.substr(0, std::min<std::size_t>(name.find('.'), 15)));
}

}  // namespace

std::string MessageCommand(const std::string& helper, const std::string& spool, const std::string& charset) {
  std::string c = helper + " --spool=" + spool;
  if (!charset.empty()) c += " --charset=" + charset;
  return c + " --file=%s --from=%f --to=%L";
}

std::string RemoveReceiving(std::string_view smbConf) {
  std::vector<std::string> lines = PhysicalLines(smbConf);
  std::string out;
  out.reserve(smbConf.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (Bare(lines[i]) == kBegin) {
      std::size_t end = i + 1;
      while (end < lines.size() && Bare(lines[end]) != kEnd) ++end;
      // Without its end marker the block is not ours to guess at: only the
      // marker goes.
      if (end < lines.size()) i = end;
      continue;
    }
    if (lines[i].compare(0, kKept.size(), kKept) == 0)
      out += lines[i].substr(kKept.size());
    else
      out += lines[i];
  }
  return out;
}

std::string AddReceiving(std::string_view smbConf, const std::string& messageCommand) {
  const std::string base = RemoveReceiving(smbConf);
  const bool protocolToo = !lan::samba::AllowsMessageProtocol(lan::samba::ParseSmbConf(base).serverMinProtocol);
  std::string block = "   message command = " + messageCommand + "\n";
  if (protocolToo) block += "   server min protocol = NT1\n";
  block += std::string(kEnd) + "\n";

  std::vector<std::string> lines = PhysicalLines(base);
  std::size_t header = lines.size();
  bool global = true;  // lines before the first section belong to [global]
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view bare = Bare(lines[i]);
    if (!bare.empty() && bare[0] == '[') {
      global = SectionOf(bare) == "global";
      if (global && header == lines.size()) header = i;
      continue;
    }
    if (!global || bare.empty() || bare[0] == '#' || bare[0] == ';') continue;
    // A parameter, with the lines a trailing backslash joins to it.
    std::size_t last = i;
    while (last + 1 < lines.size() && !Bare(lines[last]).empty() && Bare(lines[last]).back() == '\\') ++last;
    std::size_t eq = bare.find('=');
    if (eq != std::string_view::npos && Replaced(KeyOf(bare.substr(0, eq)), protocolToo))
      for (std::size_t k = i; k <= last; ++k) lines[k] = std::string(kKept) + lines[k];
    i = last;
  }

  std::string out;
  if (header == lines.size()) out = std::string(kBegin) + "\n[global]\n" + block;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i == header) {
      if (out.back() != '\n') out += '\n';
      out += std::string(kBegin) + "\n" + block;
    }
  }
  return out;
}

bool CreateSpool(const std::string& spool, gid_t guestGroup, const std::string& computerName, std::string& why) {
  std::filesystem::path p(spool);
  files::UniqueFd parent = files::OpenDir(AT_FDCWD, p.parent_path().string());
  if (!parent.Valid()) {
    why = p.parent_path().string() + ": " + std::strerror(errno);
    return false;
  }
  const gid_t own = ::getegid();
  files::UniqueFd root = MakeDir(parent.Get(), p.filename().string(), spool, 0755, own, why);
  if (!root.Valid()) return false;
  files::UniqueFd names = MakeDir(root.Get(), "names", spool + "/names", 01777, own, why);
  if (!names.Valid()) return false;
  files::UniqueFd inbox = MakeDir(root.Get(), "inbox", spool + "/inbox", 03713, guestGroup, why);
  if (!inbox.Valid()) return false;
  if (!files::WriteReplacing(names.Get(), "computer", computerName + "\n", 0644)) {
    why = spool + "/names/computer: cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  // Inboxes made before (under another guest account) join its group.
  if (DIR* d = ::fdopendir(::dup(inbox.Get()))) {
    while (dirent* e = ::readdir(d)) {
      if (!files::IsNumberName(e->d_name)) continue;
      files::UniqueFd user = files::OpenDir(inbox.Get(), e->d_name);
      struct stat st {};
      if (!user.Valid() || ::fstat(user.Get(), &st) != 0 || std::to_string(st.st_uid) != e->d_name) continue;
      if (::fchown(user.Get(), st.st_uid, guestGroup) != 0 || ::fchmod(user.Get(), 01770) != 0) {
        // The user's receiver sets the mode again at its next start.
      }
    }
    ::closedir(d);
  }
  return true;
}

std::string DefaultHelper() {
  if (::access(VANTOR_DELIVER_INSTALLED, X_OK) == 0) return VANTOR_DELIVER_INSTALLED;
  return VANTOR_DELIVER_BUILT;
}

int RunSetup(const SetupOptions& o, std::ostream& out, std::ostream& err) {
  if (::geteuid() != 0) {
    err << "vantor-receive --setup changes smb.conf and makes the message spool: run it as root\n";
    return 1;
  }
  const std::string spool = o.spool.empty() ? std::string(lan::samba::kDefaultMessageSpool) : o.spool;
  const std::string helper = o.helper.empty() ? DefaultHelper() : o.helper;
  if (!PlainPath(spool) || !PlainPath(helper)) {
    err << "vantor-receive: the spool and the helper must be absolute paths of letters, digits and / . _ - "
           "(smbd hands the command line to a shell)\n";
    return 1;
  }
  if (::access(helper.c_str(), X_OK) != 0) {
    err << "vantor-receive: " << helper << ": the delivery helper cannot be run (" << std::strerror(errno) << ")\n";
    return 1;
  }
  std::string text, why;
  struct stat st {};
  if (!ReadSmbConfFile(o.smbConf, text, st, why)) {
    err << "vantor-receive: " << why << "\n";
    return 1;
  }
  const lan::samba::SmbConf conf = lan::samba::ParseSmbConf(text);
  const std::string guest = conf.guestAccount.empty() ? std::string("nobody") : conf.guestAccount;
  struct passwd pw {};
  struct passwd* found = nullptr;
  std::string buf(16384, '\0');
  if (::getpwnam_r(guest.c_str(), &pw, buf.data(), buf.size(), &found) != 0 || !found) {
    err << "vantor-receive: smbd's guest account \"" << guest << "\" is not an account of this computer\n";
    return 1;
  }
  std::string computer = conf.netbiosName.empty() ? HostComputerName() : AsciiUpper(conf.netbiosName);
  std::string charset = AsciiUpper(conf.unixCharset);
  if (charset == "UTF-8" || charset == "UTF8") charset.clear();
  // It joins the command line smbd's shell reads, as the paths do.
  if (!PlainName(charset)) {
    err << "vantor-receive: " << o.smbConf << ": the unix charset \"" << CleanName(charset.substr(0, 64))
        << "\" is not a name of letters, digits and . _ -\n";
    return 1;
  }
  if (!CreateSpool(spool, found->pw_gid, computer, why)) {
    err << "vantor-receive: " << why << "\n";
    return 1;
  }
  const std::string changed = AddReceiving(text, MessageCommand(helper, spool, charset));
  if (changed != text && !WriteSmbConfFile(o.smbConf, changed, st.st_mode, why)) {
    err << "vantor-receive: " << why << "\n";
    return 1;
  }
  out << "Receiving is set up.\n"
      << "  " << o.smbConf << ": message command = " << MessageCommand(helper, spool, charset) << "\n";
  if (!lan::samba::AllowsMessageProtocol(conf.serverMinProtocol))
    out << "  " << o.smbConf << ": server min protocol = NT1\n";
  out << "  " << spool << ": the message spool; smbd's guest account \"" << guest << "\" delivers into it\n"
      << "  messages to " << computer << " reach every user logged on to a desktop\n";
  if (!lan::samba::AliasProblem(computer).empty())
    out << "  (" << computer << " holds characters smbd does not hand on: messages to it cannot be told apart)\n";
  out << "Warning: messages travel by SMB1 (NT1), so smbd now accepts that old protocol from every client, for\n"
         "files and printers too. SMB1 is weaker than SMB2 and SMB3: allow it only on a network you trust.\n"
         "smbd takes the change when it reloads its settings: smbcontrol smbd reload-config\n"
         "Each user's desktop session starts vantor-receive, which shows the messages.\n"
         "To turn receiving off again: vantor-receive --remove (as root).\n";
  return 0;
}

int RunRemove(const SetupOptions& o, std::ostream& out, std::ostream& err) {
  if (::geteuid() != 0) {
    err << "vantor-receive --remove changes smb.conf: run it as root\n";
    return 1;
  }
  std::string text, why;
  struct stat st {};
  if (!ReadSmbConfFile(o.smbConf, text, st, why)) {
    err << "vantor-receive: " << why << "\n";
    return 1;
  }
  const std::string changed = RemoveReceiving(text);
  if (changed == text) {
    out << o.smbConf << " holds no lines of vantor-receive --setup; nothing was changed.\n";
    return 0;
  }
  if (!WriteSmbConfFile(o.smbConf, changed, st.st_mode, why)) {
    err << "vantor-receive: " << why << "\n";
    return 1;
  }
  const std::string spool = o.spool.empty() ? std::string(lan::samba::kDefaultMessageSpool) : o.spool;
  out << "Receiving is turned off: the lines of vantor-receive --setup are gone from " << o.smbConf
      << " and the lines they replaced are back.\n"
      << "smbd takes the change when it reloads its settings: smbcontrol smbd reload-config\n"
      << "The spool " << spool << " keeps the messages still waiting; remove it with rm -r " << spool
      << " when they are no longer wanted.\n";
  return 0;
}

}  // namespace vantor::receive
