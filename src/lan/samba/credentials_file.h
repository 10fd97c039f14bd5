// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The credentials the directory calls log on with, from a file in the form
// Samba's own tools read with -A:
//
//   username = ann
//   password = secret
//   domain   = OFFICE
//
// The file holds a password, so it must belong to the user and be closed to
// everyone else; a file that others may read is refused.

#include <string>
#include <string_view>

namespace vantor::lan::samba {

struct Credentials {
  std::string user;
  std::string domain;  // empty: the workgroup of the settings
  std::string password;
};

// Throws ConfigError naming the file (and the line) when the file cannot be
// read, is open to others, or holds no user name.
Credentials LoadCredentialsFile(const std::string& path);
Credentials ParseCredentials(std::string_view text, const std::string& path);

}  // namespace vantor::lan::samba
