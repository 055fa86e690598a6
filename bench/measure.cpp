// kelbrin_bench_measure: runs a command and reports its wall time and peak memory.
//
//   kelbrin_bench_measure REPORT COMMAND [ARGS...]
//
// Appends "SECONDS PEAK_KIB STATUS CPU_SECONDS" to REPORT: the wall time, the largest resident
// set of the command or of any process it waited for, its exit status, and the processor time
// (user and system) of the command and its children. Exits with that status.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kelbrin_bench_measure REPORT COMMAND [ARGS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return 2;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  FILE* report = std::fopen(argv[1], "a");
  if (report == nullptr) return 2;
  auto Seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  const double cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  // ru_maxrss is in KiB on Linux.
  std::fprintf(report, "%.4f %ld %d %.4f\n", seconds, usage.ru_maxrss, code, cpu);
  std::fclose(report);
  return code;
}
