/* capi_bench FILE REPS: times rtfplain_to_text on a document held in memory (LF line ends, as
   the Python package's default), REPS times, and prints each time in nanoseconds, one a line.
   bench/python.sh builds it against librtfplain.a; python_bench.py compares the package with it. */
#define _POSIX_C_SOURCE 199309L
#include <rtfplain.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static long long now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

int main(int argc, char **argv) {
  FILE *file = argc == 3 ? fopen(argv[1], "rb") : NULL;
  if (!file) {
    fprintf(stderr, "usage: capi_bench FILE REPS\n");
    return 2;
  }
  fseek(file, 0, SEEK_END);
  long size = ftell(file);
  rewind(file);
  char *rtf = malloc(size > 0 ? (size_t)size : 1);
  if (!rtf || fread(rtf, 1, (size_t)size, file) != (size_t)size) return 1;
  fclose(file);
  int reps = atoi(argv[2]);
  for (int k = 0; k < reps; ++k) {
    char *text;
    size_t length;
    long long start = now_ns();
    rtfplain_status status = rtfplain_to_text(rtf, (size_t)size, RTFPLAIN_LF, &text, &length);
    rtfplain_free(text);
    long long took = now_ns() - start;
    if (status != RTFPLAIN_OK) {
      fprintf(stderr, "capi_bench: %s\n", rtfplain_status_text(status));
      return 1;
    }
    printf("%lld\n", took);
  }
  free(rtf);
  return 0;
}
