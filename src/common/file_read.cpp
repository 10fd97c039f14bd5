// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_read.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vantor {

namespace {

std::string TooLarge(std::size_t maxBytes) { return "is too large (more than " + SizeText(maxBytes) + ")"; }

std::string PhraseOf(FileProblem problem, const std::string& reason) {
  bool systemText = problem == FileProblem::kMissing || problem == FileProblem::kUnreadable;
  return systemText ? "cannot be read (" + reason + ")" : reason;
}

}  // namespace

FileError::FileError(const std::string& path, FileProblem problem, const std::string& reason)
    : std::runtime_error(path + ": " + PhraseOf(problem, reason)),
      problem_(problem),
      reason_(reason),
      phrase_(PhraseOf(problem, reason)) {}

std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kKiB = 1024, kMiB = 1024 * 1024;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

#ifdef _WIN32

// Windows: the path is UTF-8; devices and pipes are not files there either.
namespace {
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
}  // namespace

bool FileStatusProblem(const std::string& path, FileProblem& problem, std::string& reason) {
  std::error_code ec;
  const auto st = std::filesystem::status(PathOf(path), ec);
  if (ec || !std::filesystem::exists(st)) {
    problem = FileProblem::kMissing;
    reason = ec ? ec.message() : std::string("No such file or directory");
    return true;
  }
  if (std::filesystem::is_regular_file(st)) return false;
  problem = std::filesystem::is_directory(st) ? FileProblem::kFolder : FileProblem::kNotRegular;
  reason = problem == FileProblem::kFolder ? "is a folder, not a file"
                                           : "is not a regular file (a device, a pipe or a socket)";
  return true;
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  FileProblem problem;
  std::string reason;
  if (FileStatusProblem(path, problem, reason)) throw FileError(path, problem, reason);
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) throw FileError(path, FileProblem::kUnreadable, "it cannot be opened");
  std::string text;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    text.append(buf, static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxBytes) throw FileError(path, FileProblem::kTooLarge, TooLarge(maxBytes));
  }
  if (in.bad()) throw FileError(path, FileProblem::kUnreadable, "read error");
  return text;
}

#else

namespace {

// Closes the descriptor on every path out of the reader.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

FileProblem ProblemOfErrno(int err) {
  return err == ENOENT || err == ENOTDIR ? FileProblem::kMissing : FileProblem::kUnreadable;
}

// kFolder or kNotRegular for a status that is not a regular file's.
bool ModeProblem(mode_t mode, FileProblem& problem, std::string& reason) {
  if (S_ISREG(mode)) return false;
  if (S_ISDIR(mode)) {
    problem = FileProblem::kFolder;
    reason = "is a folder, not a file";
  } else {
    problem = FileProblem::kNotRegular;
    reason = "is not a regular file (a device, a pipe or a socket)";
  }
  return true;
}

// Everything the descriptor gives until its end, at most maxBytes.
std::string ReadAll(int fd, std::size_t maxBytes, const std::string& name) {
  std::string text;
  char buf[65536];
  for (;;) {
    // Never more than one byte past the limit, so a file that never ends
    // costs no more memory than the limit.
    std::size_t want = std::min(sizeof buf, maxBytes + 1 - text.size());
    ssize_t n = ::read(fd, buf, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      throw FileError(name, FileProblem::kUnreadable, std::strerror(err));
    }
    if (n == 0) return text;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > maxBytes) throw FileError(name, FileProblem::kTooLarge, TooLarge(maxBytes));
  }
}

}  // namespace

bool FileStatusProblem(const std::string& path, FileProblem& problem, std::string& reason) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    int err = errno;
    problem = ProblemOfErrno(err);
    reason = std::strerror(err);
    return true;
  }
  return ModeProblem(st.st_mode, problem, reason);
}

std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  FileProblem problem;
  std::string reason;
  // Judged by the status before anything is opened: opening a device can
  // have effects of its own, and opening a FIFO can wait for a writer.
  if (FileStatusProblem(path, problem, reason)) throw FileError(path, problem, reason);
  OpenFile f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (f.get() < 0) {
    int err = errno;
    throw FileError(path, ProblemOfErrno(err), std::strerror(err));
  }
  // The path may name something else by now.
  struct stat st {};
  if (::fstat(f.get(), &st) != 0) {
    int err = errno;
    throw FileError(path, FileProblem::kUnreadable, std::strerror(err));
  }
  if (ModeProblem(st.st_mode, problem, reason)) throw FileError(path, problem, reason);
  if (st.st_size > 0 && static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    throw FileError(path, FileProblem::kTooLarge, TooLarge(maxBytes));
  }
  return ReadAll(f.get(), maxBytes, path);
}

#endif

}  // namespace vantor
