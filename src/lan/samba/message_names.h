// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names this computer receives messages for, kept in one folder that
// the delivery helper (run by smbd as its guest account), the receivers of
// the users' sessions and both programs read:
//
//   SPOOL/names/        root's, mode 1777: anyone may add a file, only its
//                       owner may change or remove it (the sticky bit)
//     computer          root's, 0644: the computer's message name (one line)
//     UID               the user's, 0644: the user's aliases, one a line
//     UID.session       the user's, 0644: the user's receiver holds a write
//                       lock on its first byte while the desktop session runs
//
// A user is registered when names/UID exists and belongs to the user UID;
// the user's own message name is the account's name. A file that belongs to
// anyone else is passed over, so no user can speak for another, and a user
// changes only the aliases of their own file.

#include "common/dir_file.h"
#include "lan/net_status.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::samba {

struct MessageUser {
  std::uint32_t uid = 0;
  std::string name;  // the account's name
  std::vector<std::string> aliases;
  bool loggedOn = false;  // a receiver holds the session lock
};

// Why name cannot be an alias this computer receives for, or the empty text.
// smbd hands the recipient's name on with every character other than ASCII
// letters, digits, '-', '_', '.' and blanks replaced, and blanks would split
// the helper's command line, so an alias is 1 to 15 of those characters.
std::string AliasProblem(std::string_view name);

class MessageNames {
 public:
  static constexpr std::size_t kMaxAliases = 64;  // per user
  static constexpr std::size_t kMaxFileSize = 4096;

  explicit MessageNames(std::string spoolDir);

  std::string Folder() const { return spool_ + "/names"; }
  // True when the folder is there (receiving has been set up).
  bool Available() const;

  // The computer's message name from names/computer; empty when none is set.
  std::string ComputerName() const;

  // Every registered user, in the order of their ids.
  std::vector<MessageUser> Users() const;

  // Who a message to name reaches. The computer's name (names/computer, or
  // hostName) reaches every logged-on user; an alias its owner (the lowest
  // user id when two registered it at once); a user's name that user,
  // logged on or not. Names compare without regard to letter case.
  struct Reach {
    bool toComputer = false;
    std::vector<MessageUser> users;
  };
  Reach Resolve(std::string_view name, std::string_view hostName) const;

  // Registers the user uid with no aliases, unless registered already.
  Status Register(std::uint32_t uid);
  // NERR_MsgNotStarted without the folder; ERROR_INVALID_NAME (AliasProblem);
  // NERR_AlreadyExists when computerName, a user's name or any user's alias
  // is that name; NERR_TooManyNames after kMaxAliases; ERROR_ACCESS_DENIED
  // when names/UID belongs to someone else.
  Status AddAlias(std::uint32_t uid, std::string_view alias, std::string_view computerName);
  // NERR_DelComputerName for the computer's name; ERROR_ACCESS_DENIED for a
  // user's name or another user's alias; NERR_NameNotFound when nobody has it.
  Status RemoveAlias(std::uint32_t uid, std::string_view alias, std::string_view computerName);

  // The session lock of a receiver: kHeld when another receiver of the same
  // user holds it. The lock lasts as long as lock stays open.
  enum class SessionResult { kOpened, kHeld, kFailed };
  SessionResult OpenSession(std::uint32_t uid, files::UniqueFd& lock, std::string& why) const;

 private:
  files::UniqueFd OpenFolder() const;
  bool ReadUser(int dirFd, std::uint32_t uid, MessageUser& user) const;
  Status WriteAliases(int dirFd, std::uint32_t uid, const std::vector<std::string>& aliases) const;

  std::string spool_;
};

// The account name of uid; empty when there is none.
std::string AccountName(std::uint32_t uid);

}  // namespace vantor::lan::samba
