// The cheapest pass any reader must make over a document: read it in 1 MiB chunks and look at
// every byte once (here: count the backslashes). The benchmark times rtfplain against this.
//
//   floor FILE      prints the number of backslashes; exit status 1 when FILE cannot be read
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int fd = open(argv[1], O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 1;
  std::vector<char> chunk(1 << 20);
  unsigned long long backslashes = 0;
  for (;;) {
    const ssize_t got = read(fd, chunk.data(), chunk.size());
    if (got < 0) return 1;
    if (got == 0) break;
    backslashes +=
        static_cast<unsigned long long>(std::count(chunk.data(), chunk.data() + got, '\\'));
  }
  close(fd);
  std::printf("%llu\n", backslashes);
  return 0;
}
