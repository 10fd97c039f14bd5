// SPDX-License-Identifier: GPL-3.0-or-later
// Reading files that are not what they should be: folders, devices, FIFOs
// without a writer, files that never end or are too large.
#include "common/file_read.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace vantor {
namespace {

// The problem and message of a refused read, or "read" when it succeeded.
std::string Refusal(const std::string& path, std::size_t max, FileProblem* problem = nullptr) {
  try {
    ReadRegularFile(path, max);
    return "read";
  } catch (const FileError& e) {
    if (problem) *problem = e.problem();
    return e.what();
  }
}

TEST(ReadRegularFile, ReadsFilesUpToTheLimitAndRefusesEverythingElseByName) {
  test::TempDir dir;
  std::string exact = dir.Write("exact", std::string(1024, 'x'));
  EXPECT_EQ(ReadRegularFile(exact, 1024), std::string(1024, 'x'));
  EXPECT_EQ(ReadRegularFile(dir.Write("empty", ""), 0), "");

  FileProblem p{};
  EXPECT_EQ(Refusal(exact, 1023, &p), exact + ": is too large (more than 1023 bytes)");
  EXPECT_EQ(p, FileProblem::kTooLarge);
  EXPECT_EQ(Refusal(dir.path().string(), 1024, &p), dir.path().string() + ": is a folder, not a file");
  EXPECT_EQ(p, FileProblem::kFolder);
  EXPECT_EQ(Refusal("/dev/zero", 1 << 20, &p), "/dev/zero: is not a regular file (a device, a pipe or a socket)");
  EXPECT_EQ(p, FileProblem::kNotRegular);
  Refusal(dir.File("missing"), 10, &p);
  EXPECT_EQ(p, FileProblem::kMissing);
  Refusal(dir.File("exact/below"), 10, &p);
  EXPECT_EQ(p, FileProblem::kMissing);

  // A FIFO nobody writes to: refused at once instead of waiting for ever.
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Refusal(fifo, 1024, &p), fifo + ": is not a regular file (a device, a pipe or a socket)");
  EXPECT_EQ(SizeText(64 * 1024), "64 KiB");
}

}  // namespace
}  // namespace vantor
