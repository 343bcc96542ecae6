/* Converts documents through rtfplain.dll, as a user's C program does. For each name on standard
 * input (UTF-8, one a line) it reads FOLDER\NAME, converts it whole (rtfplain_to_text) and
 * streamed in odd pieces through a sink, and writes NAME.txt in the current folder: the text and
 * a closing CR LF, the program's bytes. It prints "NAME STATUS": 0 written, 1 not converted (the
 * program's exit statuses), 3 the two ways gave different results.
 * Usage: rtfplain_dll_client FOLDER <NAMES */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "rtfplain.h"

typedef struct buffer {
  char* data;
  size_t size, capacity;
} buffer;

/* Non-zero when memory ran out. */
static int append(buffer* to, const char* bytes, size_t size) {
  if (size > to->capacity - to->size) {
    size_t capacity = 2 * to->capacity + size;
    char* grown = realloc(to->data, capacity);
    if (!grown) return 1;
    to->data = grown;
    to->capacity = capacity;
  }
  if (size) memcpy(to->data + to->size, bytes, size);
  to->size += size;
  return 0;
}

static int to_buffer(void* user, const char* text, size_t length) {
  return append(user, text, length);
}

/* Names are UTF-8; Windows opens them as UTF-16. */
static FILE* open_utf8(const char* name, const wchar_t* mode) {
  wchar_t wide[4096];
  if (!MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, 4096)) return NULL;
  return _wfopen(wide, mode);
}

static int read_file(const char* name, buffer* into) {
  char piece[65536];
  size_t got;
  int failed = 0;
  FILE* in = open_utf8(name, L"rb");
  if (!in) return 1;
  while ((got = fread(piece, 1, sizeof piece, in)) > 0) failed |= append(into, piece, got);
  failed |= ferror(in);
  fclose(in);
  return failed;
}

/* Fed in pieces of an odd size, so that they end inside words, escapes and characters. */
static rtfplain_status streamed(const buffer* rtf, buffer* text) {
  rtfplain_reader* reader = rtfplain_reader_new(0, to_buffer, text);
  rtfplain_status status = reader ? RTFPLAIN_OK : RTFPLAIN_NO_MEMORY;
  char* rest = NULL;
  size_t at = 0, size, length = 0;
  for (; status == RTFPLAIN_OK && at < rtf->size; at += size) {
    size = rtf->size - at < 4093 ? rtf->size - at : 4093;
    status = rtfplain_reader_feed(reader, rtf->data + at, size);
  }
  if (status == RTFPLAIN_OK) status = rtfplain_reader_finish(reader, &rest, &length);
  if (status == RTFPLAIN_OK && append(text, rest, length)) status = RTFPLAIN_NO_MEMORY;
  rtfplain_free(rest);
  rtfplain_reader_free(reader);
  return status;
}

static int write_text(const char* name, const char* text, size_t length) {
  char path[4096];
  FILE* out;
  int failed;
  if (snprintf(path, sizeof path, "%s.txt", name) >= (int)sizeof path) return 1;
  out = open_utf8(path, L"wb");
  if (!out) return 1;
  failed = fwrite(text, 1, length, out) != length || fwrite("\r\n", 1, 2, out) != 2;
  return fclose(out) != 0 || failed;
}

int main(int argc, char** argv) {
  char name[2048], path[4096];
  if (argc != 2) {
    fputs("usage: rtfplain_dll_client FOLDER <NAMES\n", stderr);
    return 2;
  }
  while (fgets(name, sizeof name, stdin)) {
    buffer rtf = {0}, pieces = {0};
    char* text = NULL;
    size_t length = 0;
    int status = 1;
    name[strcspn(name, "\r\n")] = '\0';
    if (snprintf(path, sizeof path, "%s\\%s", argv[1], name) < (int)sizeof path &&
        read_file(path, &rtf) == 0) {
      rtfplain_status whole = rtfplain_to_text(rtf.data, rtf.size, 0, &text, &length);
      if (whole != streamed(&rtf, &pieces) ||
          (whole == RTFPLAIN_OK &&
           (length != pieces.size || (length && memcmp(text, pieces.data, length)))))
        status = 3;
      else if (whole == RTFPLAIN_OK)
        status = write_text(name, text, length);
    }
    printf("%s %d\n", name, status);
    rtfplain_free(text);
    free(rtf.data);
    free(pieces.data);
  }
  return 0;
}
