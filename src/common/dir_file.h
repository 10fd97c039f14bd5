// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files in folders that other users may write to: every name is taken
// relative to an opened folder, symbolic links are never followed, what is
// read is bounded, and what is written appears whole or not at all.

#include "common/unique_fd.h"

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace vantor::files {

using vantor::UniqueFd;

// Opens a folder: path alone (dirFd AT_FDCWD), or name below dirFd. A
// symbolic link is refused. Invalid on failure, with errno set.
UniqueFd OpenDir(int dirFd, const std::string& name);

// Opens a folder only to pass through it: name below dirFd, as with
// OpenDir, needing no right to list it. Good as the folder of the *at calls
// and for fstat, not for reading the folder.
UniqueFd OpenDirPath(int dirFd, const std::string& name);

// Opens a regular file below dirFd for reading without following a link or
// waiting on a pipe. Invalid on failure or when it is no regular file.
UniqueFd OpenRegularFile(int dirFd, const std::string& name);

// Reads the rest of fd into out, at most max bytes. False when the file
// holds more (out then holds the first max bytes) or a read fails.
bool ReadAtMost(int fd, std::size_t max, std::string& out);

// Writes text to name below dirFd as a fresh temporary file of this mode
// that is then renamed over name, so that readers see the old content or
// the new one. False (errno set) when any step fails; nothing is left over.
bool WriteReplacing(int dirFd, const std::string& name, std::string_view text, mode_t mode);

// Hex digits of bytes random bytes, for names nobody can guess.
std::string RandomHex(std::size_t bytes);

// True when name is 1 to 10 decimal digits (a user id as a file name).
bool IsNumberName(std::string_view name);

}  // namespace vantor::files
