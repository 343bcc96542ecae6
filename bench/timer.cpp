// Runs one command and reports what it cost, measured here rather than in the benchmark's
// Python driver so that neither the driver's start-up nor its memory shows in the figures.
//
//   rtfplain_timer DIR COMMAND [ARG ...]
//
// Runs COMMAND in DIR with standard output discarded, then prints one line:
// "WALL_NS USER_NS SYSTEM_NS PEAK_RSS_KB EXIT_STATUS". Exit status 1 when it could not run.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

long long Nanoseconds(const timeval& t) {
  return static_cast<long long>(t.tv_sec) * 1000000000LL + static_cast<long long>(t.tv_usec) * 1000;
}

long long Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DIR COMMAND [ARG ...]\n", argv[0]);
    return 1;
  }
  const long long start = Now();
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || chdir(argv[1]) != 0) _exit(127);
    execv(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return 1;
  const long long wall = Now() - start;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%lld %lld %lld %ld %d\n", wall, Nanoseconds(usage.ru_utime),
              Nanoseconds(usage.ru_stime), usage.ru_maxrss, code);
  return code == 127 ? 1 : 0;
}
