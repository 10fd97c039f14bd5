// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // Writes a file below the folder and returns its path.
  std::string Write(std::string_view name, std::string_view content) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace vantor::test
