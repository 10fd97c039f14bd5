// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/vantorc_runner.h"

#include "common/version.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <stdexcept>

extern char** environ;

namespace vantor::test {

namespace {

bool Inherited(std::string_view entry) {
  for (std::string_view prefix : {"VANTOR_", "LC_", "LANG=", "LANGUAGE="})
    if (entry.substr(0, prefix.size()) == prefix) return false;
  return true;
}

// A file in a private folder, read back after the child has ended.
struct CaptureFile {
  std::string path;
  explicit CaptureFile(const TempDir& dir, std::string_view name, std::string_view content = {}) {
    path = dir.Write(name, content);
  }
};

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, std::string_view input) {
  TempDir io;
  CaptureFile in(io, "stdin", input), out(io, "stdout"), err(io, "stderr");

  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) {
    std::string_view entry(*e);
    std::string_view name = entry.substr(0, entry.find('='));
    if (Inherited(entry) && env.find(std::string(name)) == env.end()) envStrings.emplace_back(entry);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) envStrings.push_back(name + "=" + value);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int fin = ::open(in.path.c_str(), O_RDONLY);
    int fout = ::open(out.path.c_str(), O_WRONLY | O_TRUNC);
    int ferr = ::open(err.path.c_str(), O_WRONLY | O_TRUNC);
    if (fin < 0 || fout < 0 || ferr < 0) ::_exit(126);
    ::dup2(fin, 0);
    ::dup2(fout, 1);
    ::dup2(ferr, 2);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0) {
  }
  RunResult r;
  r.out = ReadFile(out.path);
  r.err = ReadFile(err.path);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return r;
}

ConsoleFixture::ConsoleFixture(std::string_view network) { network_ = dir_.Write("net.json", network); }

RunResult ConsoleFixture::Vantorc(const std::vector<std::string>& args, std::string_view input,
                                  const std::map<std::string, std::string>& env) const {
  std::map<std::string, std::string> all{
      {"VANTOR_LAN", "sim:" + network_}, {"VANTOR_STORE", StorePath()}, {"LC_ALL", "C"}};
  for (const auto& [k, v] : env) all[k] = v;
  return RunProgram(VANTORC_PATH, args, all, input);
}

void ConsoleFixture::Reg(const std::vector<std::string>& args) const {
  RunResult r = RunProgram(VANTOR_REG_PATH, args, {{"VANTOR_STORE", StorePath()}, {"LC_ALL", "C"}});
  ASSERT_EQ(r.status, 0) << "vantor-reg failed:\n" << r.out << r.err;
}

std::vector<std::string> ConsoleFixture::Deliveries() const {
  std::string path = dir_.File("deliveries.jsonl");
  return ReadLines(path);
}

std::string NormaliseTimes(std::string_view text) {
  static const std::regex time(R"(\b\d\d:\d\d:\d\d\b)");
  return std::regex_replace(std::string(text), time, "TIME");
}

std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (std::string_view l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

std::string Rule() { return std::string(62, '=') + "\r\n"; }

std::string Banner() {
  return Rule() + Lines({"Vantorc - LAN pop-up messages and network listings", std::string("Version ") + kVersion}) + Rule();
}

std::string ErrorBlock(std::string_view message) {
  return Lines({"", "Vantorc ERROR: " + std::string(message), "  Use 'vantorc -?' to show command-line options", ""}) +
         Banner();
}

std::string VerboseHeader(std::string_view user, std::string_view computer, std::string_view domain,
                          std::string_view controller) {
  return Banner() +
         Lines({"User              : " + std::string(user), "Computer          : " + std::string(computer),
                "Domain            : " + std::string(domain), "Domain Controller : " + std::string(controller)}) +
         Rule();
}

std::string ListingHeader(std::string_view title, std::string_view underline) {
  return "\n\r" + std::string(title) + "\n\r" + std::string(underline) + "\r\n";
}

}  // namespace vantor::test
