/* rtfplain: Rich Text Format documents to plain text.
 *
 * The text is UTF-8, with CR LF line ends (LF with RTFPLAIN_LF): exactly what the rtfplain
 * program writes, without the program's closing line end. Every call returns a status or a
 * value that says it failed; nothing is thrown, nothing aborts, nothing is printed, and no state
 * is shared between readers, so readers in different threads never touch each other.
 *
 * One document in memory:
 *
 *     char *text; size_t length;
 *     if (rtfplain_to_text(rtf, size, 0, &text, &length) == RTFPLAIN_OK) {
 *       use(text, length);  (NUL-terminated as well)
 *       rtfplain_free(text);
 *     }
 *
 * A document in pieces, split anywhere, the text handed to a sink while it is read:
 *
 *     rtfplain_reader *reader = rtfplain_reader_new(0, sink, user);
 *     while (more) status = rtfplain_reader_feed(reader, piece, size);
 *     status = rtfplain_reader_finish(reader, &rest, &length);
 *     rtfplain_reader_free(reader);
 *
 * The names and shapes here are a stable contract: later versions only add to them. */
#ifndef RTFPLAIN_H
#define RTFPLAIN_H

#include <stddef.h>

/* Windows: define RTFPLAIN_STATIC when linking the static library instead of rtfplain.dll. */
#if defined(_WIN32) && !defined(RTFPLAIN_STATIC)
#if defined(RTFPLAIN_BUILDING)
#define RTFPLAIN_API __declspec(dllexport)
#else
#define RTFPLAIN_API __declspec(dllimport)
#endif
#elif defined(RTFPLAIN_BUILDING) && defined(__GNUC__)
#define RTFPLAIN_API __attribute__((visibility("default")))
#else
#define RTFPLAIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum rtfplain_status {
  RTFPLAIN_OK = 0,
  RTFPLAIN_NOT_RTF,      /* the input does not begin with {\rtf (after a byte-order mark and white
                            space) */
  RTFPLAIN_TEXT_LOST,    /* notes kept in a temporary file could not be read back */
  RTFPLAIN_NO_MEMORY,    /* memory ran out; the reader can only be freed */
  RTFPLAIN_SINK_STOPPED, /* the sink returned non-zero */
  RTFPLAIN_MISUSE        /* a null pointer, a feed after finish, and the like */
} rtfplain_status;

/* Flags: a bit set, 0 for the defaults. */
enum { RTFPLAIN_LF = 1 }; /* line ends LF instead of CR LF */

/* Converts a whole document in memory. On RTFPLAIN_OK, *text is a new NUL-terminated buffer of
 * *length bytes (plus the NUL), freed with rtfplain_free; otherwise *text is NULL and *length 0.
 * length may be NULL. A document cut short gives the text read so far. */
RTFPLAIN_API rtfplain_status rtfplain_to_text(const void* rtf, size_t size, unsigned flags,
                                              char** text, size_t* length);

/* Frees a buffer that rtfplain gave; NULL does nothing. */
RTFPLAIN_API void rtfplain_free(void* text);

/* Takes the next piece of text, which is valid only during the call and may end inside a
 * character. Non-zero stops the reading: the feed or finish that called it then returns
 * RTFPLAIN_SINK_STOPPED, and so does every later call but rtfplain_reader_free. */
typedef int (*rtfplain_sink)(void* user, const char* text, size_t length);

typedef struct rtfplain_reader rtfplain_reader;

/* A reader for one document, or NULL when memory ran out. With a sink, text is handed over
 * while the document is read (after each feed, what is final by then), so memory stays bounded
 * however long the text; without one (sink NULL) all of it comes from finish. */
RTFPLAIN_API rtfplain_reader* rtfplain_reader_new(unsigned flags, rtfplain_sink sink, void* user);

/* Reads the next bytes of the document. RTFPLAIN_NOT_RTF as soon as the first bytes show the
 * input is no RTF document (later feeds are then ignored and return it again). */
RTFPLAIN_API rtfplain_status rtfplain_reader_feed(rtfplain_reader* reader, const void* bytes,
                                                  size_t size);

/* Ends the document. On RTFPLAIN_OK, *rest is the text not yet given to the sink (all of it
 * without a sink), NUL-terminated, freed with rtfplain_free; otherwise NULL. rest and length may
 * be NULL when the caller wants nothing more than the status (the rest is then given to the
 * sink). A reader is finished once: a later feed or finish returns RTFPLAIN_MISUSE. */
RTFPLAIN_API rtfplain_status rtfplain_reader_finish(rtfplain_reader* reader, char** rest,
                                                    size_t* length);

/* Frees a reader, finished or not; NULL does nothing. */
RTFPLAIN_API void rtfplain_reader_free(rtfplain_reader* reader);

/* The library's version, "MAJOR.MINOR.PATCH": the program's and the archives' version. */
RTFPLAIN_API const char* rtfplain_version(void);

/* A short English description of a status, never NULL. */
RTFPLAIN_API const char* rtfplain_status_text(rtfplain_status status);

#ifdef __cplusplus
}
#endif

#endif /* RTFPLAIN_H */
