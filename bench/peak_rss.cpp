// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program and writes its wall time, its processor time (user and
// system) and its peak resident memory to a file:
//   peak_rss RESULT_FILE PROGRAM [ARG...]
// The benchmarks start programs through this small process: a child's peak as
// the kernel counts it is never below the resident size of the process it was
// forked from, and the benchmark process itself is large.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: peak_rss RESULT_FILE PROGRAM [ARG...]\n");
    return 2;
  }
  timespec start{}, end{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = fork();
  if (pid < 0) return 127;
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  double seconds =
      static_cast<double>(end.tv_sec - start.tv_sec) + static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e9;
  if (std::FILE* f = std::fopen(argv[1], "w")) {
    auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    std::fprintf(f, "%.9f %.6f %ld\n", seconds, cpu(usage.ru_utime) + cpu(usage.ru_stime), usage.ru_maxrss);
    std::fclose(f);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}
