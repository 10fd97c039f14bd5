// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading whole files that a user or another program may have got wrong: only
// regular files are read (a folder, a device, a FIFO or a socket is refused
// before a byte is read, and opening never waits for a FIFO's writer), and
// no more than a given number of bytes, checked while reading, so a file that
// never ends or grows under us cannot take all memory.

#include <cstddef>
#include <stdexcept>
#include <string>

namespace vantor {

enum class FileProblem {
  kMissing,     // no such file (or a folder on its path is missing)
  kFolder,      // the path names a folder
  kNotRegular,  // a device, FIFO or socket
  kTooLarge,    // more bytes than the reader takes
  kUnreadable,  // permission, I/O error and the like
};

class FileError : public std::runtime_error {
 public:
  // reason: a phrase that follows the file's name ("is a folder, not a
  // file") for kFolder, kNotRegular and kTooLarge; the system's text
  // ("Permission denied") for kMissing and kUnreadable.
  FileError(const std::string& path, FileProblem problem, const std::string& reason);
  FileProblem problem() const { return problem_; }
  const std::string& reason() const { return reason_; }
  // What follows the file's name in a message: "is a folder, not a file",
  // "cannot be read (Permission denied)". what() is the path, ": ", this.
  const std::string& phrase() const { return phrase_; }

 private:
  FileProblem problem_;
  std::string reason_;
  std::string phrase_;
};

// The whole file, or FileError.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Why the path cannot be read as a file, by its status alone (kMissing,
// kFolder, kNotRegular, or kUnreadable when a folder on the way cannot be
// searched); nothing is opened. False when it is a regular file.
bool FileStatusProblem(const std::string& path, FileProblem& problem, std::string& reason);

// "1 MiB", "64 KiB", "300 bytes": a limit as messages show it.
std::string SizeText(std::size_t bytes);

}  // namespace vantor
