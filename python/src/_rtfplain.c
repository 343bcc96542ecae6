/* rtfplain._rtfplain: the C API (include/rtfplain.h) for Python, on the stable ABI.
 *
 * Nothing of the reading is here: every call hands bytes to the library with the GIL released
 * and turns its text into str and its statuses into exceptions. Files are read and written here
 * too, in C, so that neither a document nor its text need be held whole. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "rtfplain.h"

/* The library's usual piece: big enough that a read costs little per byte, small enough to stay
   in the cache while the reader works on it. */
#define READ_PIECE (256 * 1024)

static PyObject *NotRichTextError;

/* ---- arguments ---- */

/* An O& converter for newline=: exactly "\n" or "\r\n", as flags. */
static int newline_flags(PyObject *newline, void *flags) {
  if (PyUnicode_Check(newline)) {
    if (PyUnicode_CompareWithASCIIString(newline, "\n") == 0) {
      *(unsigned *)flags = RTFPLAIN_LF;
      return 1;
    }
    if (PyUnicode_CompareWithASCIIString(newline, "\r\n") == 0) {
      *(unsigned *)flags = 0;
      return 1;
    }
  }
  PyErr_SetString(PyExc_ValueError, "newline must be \"\\n\" or \"\\r\\n\"");
  return 0;
}

/* data as a bytes object (a new reference): bytes as they are, any other bytes-like object
   copied, since the buffer protocol is not in the stable ABI before 3.11. */
static PyObject *as_bytes(PyObject *data) {
  if (PyBytes_Check(data)) {
    Py_INCREF(data);
    return data;
  }
  if (PyUnicode_Check(data)) {
    PyErr_SetString(PyExc_TypeError,
                    "an RTF document is bytes, not str: read its file in binary mode ('rb'), "
                    "or pass text.encode() if the document is in a str");
    return NULL;
  }
  PyObject *view = PyMemoryView_FromObject(data);
  if (!view) {
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyObject *name = PyObject_GetAttrString((PyObject *)Py_TYPE(data), "__name__");
      if (name) {
        PyErr_Format(PyExc_TypeError, "a bytes-like object is required, not '%U'", name);
        Py_DECREF(name);
      }
    }
    return NULL;
  }
  PyObject *copy = PyBytes_FromObject(view);
  Py_DECREF(view);
  return copy;
}

/* ---- results ---- */

/* Sets the exception for a status other than RTFPLAIN_OK; path (or NULL) names the document. */
static PyObject *raise_status(rtfplain_status status, PyObject *path) {
  const char *text = rtfplain_status_text(status);
  switch (status) {
    case RTFPLAIN_NOT_RTF:
      if (path) {
        PyErr_Format(NotRichTextError, "%R: %s", path, text);
      } else {
        PyErr_SetString(NotRichTextError, text);
      }
      break;
    case RTFPLAIN_NO_MEMORY:
      PyErr_NoMemory();
      break;
    case RTFPLAIN_TEXT_LOST: {
      PyObject *error = Py_BuildValue("(isO)", EIO, text, path ? path : Py_None);
      if (error) {
        PyErr_SetObject(PyExc_OSError, error);
        Py_DECREF(error);
      }
      break;
    }
    default: /* a misuse, or a sink's stop not explained by the caller: our fault */
      PyErr_Format(PyExc_SystemError, "rtfplain: %s", text);
      break;
  }
  return NULL;
}

static PyObject *decode(const char *text, size_t length) {
  return PyUnicode_DecodeUTF8(text, (Py_ssize_t)length, "strict");
}

/* ---- files, read and written without the GIL ---- */

typedef struct {
  rtfplain_status status;
  int read_error;  /* errno of opening or reading the document, or 0 */
  int write_error; /* errno of writing the text, or 0 */
} outcome;

/* Feeds the file at name to reader, piece by piece. */
static void feed_file(const char *name, rtfplain_reader *reader, outcome *out) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out->read_error = errno;
    return;
  }
  char *piece = malloc(READ_PIECE);
  if (!piece) {
    out->status = RTFPLAIN_NO_MEMORY;
  }
  while (piece && out->status == RTFPLAIN_OK) {
    ssize_t got = read(fd, piece, READ_PIECE);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      out->read_error = errno;
      break;
    }
    if (got == 0) break;
    out->status = rtfplain_reader_feed(reader, piece, (size_t)got);
  }
  free(piece);
  close(fd);
}

/* Ends the exception for a failed outcome: the file's error, else the status. */
static PyObject *raise_outcome(const outcome *out, PyObject *src, PyObject *dst) {
  if (out->read_error) {
    errno = out->read_error;
    return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, src);
  }
  if (out->write_error) {
    errno = out->write_error;
    return PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, dst);
  }
  return raise_status(out->status, src);
}

static int failed(const outcome *out) {
  return out->read_error || out->write_error || out->status != RTFPLAIN_OK;
}

/* A file descriptor as a sink: every byte written, or the error kept. */
typedef struct {
  int fd;
  int error;
} fd_sink;

static int write_all(void *user, const char *text, size_t length) {
  fd_sink *sink = user;
  while (length > 0) {
    ssize_t wrote = write(sink->fd, text, length);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) {
      sink->error = errno;
      return 1;
    }
    text += wrote;
    length -= (size_t)wrote;
  }
  return 0;
}

static char *to_text_kw[] = {"data", "newline", NULL};

static PyObject *to_text(PyObject *module, PyObject *args, PyObject *kwargs) {
  (void)module;
  PyObject *data;
  unsigned flags = RTFPLAIN_LF;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$O&:to_text", to_text_kw, &data,
                                   newline_flags, &flags)) {
    return NULL;
  }
  PyObject *bytes = as_bytes(data);
  if (!bytes) return NULL;
  char *rtf;
  Py_ssize_t size;
  if (PyBytes_AsStringAndSize(bytes, &rtf, &size) < 0) {
    Py_DECREF(bytes);
    return NULL;
  }
  char *text;
  size_t length;
  rtfplain_status status;
  Py_BEGIN_ALLOW_THREADS
  status = rtfplain_to_text(rtf, (size_t)size, flags, &text, &length);
  Py_END_ALLOW_THREADS
  Py_DECREF(bytes);
  if (status != RTFPLAIN_OK) return raise_status(status, NULL);
  PyObject *result = decode(text, length);
  rtfplain_free(text);
  return result;
}

static char *read_text_kw[] = {"path", "newline", NULL};

static PyObject *read_text(PyObject *module, PyObject *args, PyObject *kwargs) {
  (void)module;
  PyObject *path, *name;
  unsigned flags = RTFPLAIN_LF;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$O&:read_text", read_text_kw, &path,
                                   newline_flags, &flags) ||
      !PyUnicode_FSConverter(path, &name)) {
    return NULL;
  }
  const char *file = PyBytes_AsString(name);
  outcome out = {RTFPLAIN_OK, 0, 0};
  char *text = NULL;
  size_t length = 0;
  Py_BEGIN_ALLOW_THREADS
  rtfplain_reader *reader = rtfplain_reader_new(flags, NULL, NULL);
  if (!reader) {
    out.status = RTFPLAIN_NO_MEMORY;
  } else {
    feed_file(file, reader, &out);
    if (!failed(&out)) out.status = rtfplain_reader_finish(reader, &text, &length);
    rtfplain_reader_free(reader);
  }
  Py_END_ALLOW_THREADS
  Py_DECREF(name);
  if (failed(&out)) return raise_outcome(&out, path, NULL);
  PyObject *result = decode(text, length);
  rtfplain_free(text);
  return result;
}

static char *convert_kw[] = {"src", "fd", "dst", "newline", NULL};

/* The text of the document src, written to the open file fd as the program writes it: followed
   by one line end. dst names fd's file in errors. convert() in __init__.py makes the file. */
static PyObject *convert_to_fd(PyObject *module, PyObject *args, PyObject *kwargs) {
  (void)module;
  PyObject *src, *dst, *name;
  int fd;
  unsigned flags = RTFPLAIN_LF;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OiO|$O&:convert_to_fd", convert_kw, &src,
                                   &fd, &dst, newline_flags, &flags) ||
      !PyUnicode_FSConverter(src, &name)) {
    return NULL;
  }
  const char *file = PyBytes_AsString(name);
  const char *line_end = flags & RTFPLAIN_LF ? "\n" : "\r\n";
  outcome out = {RTFPLAIN_OK, 0, 0};
  fd_sink sink = {fd, 0};
  Py_BEGIN_ALLOW_THREADS
  rtfplain_reader *reader = rtfplain_reader_new(flags, write_all, &sink);
  if (!reader) {
    out.status = RTFPLAIN_NO_MEMORY;
  } else {
    feed_file(file, reader, &out);
    if (!failed(&out)) out.status = rtfplain_reader_finish(reader, NULL, NULL);
    if (!failed(&out) && write_all(&sink, line_end, strlen(line_end)) != 0) {
      out.status = RTFPLAIN_SINK_STOPPED;
    }
    rtfplain_reader_free(reader);
  }
  Py_END_ALLOW_THREADS
  Py_DECREF(name);
  out.write_error = sink.error;
  if (failed(&out)) return raise_outcome(&out, src, dst);
  Py_RETURN_NONE;
}

/* ---- Reader ---- */

typedef struct {
  PyObject_HEAD
  rtfplain_reader *reader; /* NULL once finished or closed */
  int busy;                /* a call is under way without the GIL */
  int out_of_memory;       /* the sink could not keep a piece */
  char *text;              /* handed over by the sink, not yet returned */
  size_t length, capacity;
} ReaderObject;

static int keep_text(void *user, const char *text, size_t length) {
  ReaderObject *self = user;
  if (length > self->capacity - self->length) {
    size_t capacity = self->capacity + self->capacity / 2;
    if (capacity < self->length + length) capacity = self->length + length;
    char *grown = realloc(self->text, capacity);
    if (!grown) {
      self->out_of_memory = 1;
      return 1;
    }
    self->text = grown;
    self->capacity = capacity;
  }
  memcpy(self->text + self->length, text, length);
  self->length += length;
  return 0;
}

/* The length of the longest start of text that ends on a character's end: a piece may end
   inside a character, whose bytes wait for the next piece. */
static size_t complete_utf8(const char *text, size_t length) {
  size_t start = length;
  while (start > 0 && length - start < 3 && ((unsigned char)text[start - 1] & 0xC0) == 0x80) {
    --start;
  }
  if (start == 0) return length;
  unsigned char lead = (unsigned char)text[start - 1];
  size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return length - start + 1 < need ? start - 1 : length;
}

/* The kept text as str, all of it when final, else up to its last whole character. */
static PyObject *take_text(ReaderObject *self, int final) {
  size_t whole = final ? self->length : complete_utf8(self->text, self->length);
  if (!self->text) return PyUnicode_FromStringAndSize("", 0);
  PyObject *result = decode(self->text, whole);
  if (!result) return NULL;
  memmove(self->text, self->text + whole, self->length - whole);
  self->length -= whole;
  return result;
}

/* Starts a call that runs without the GIL: -1 (and an exception) when the reader is done or
   another thread is inside it. */
static int enter(ReaderObject *self, const char *call) {
  if (!self->reader) {
    PyErr_Format(PyExc_ValueError, "%s() on a finished Reader: a Reader reads one document",
                 call);
    return -1;
  }
  if (self->busy) {
    PyErr_Format(PyExc_RuntimeError, "%s(): the Reader is in use by another thread", call);
    return -1;
  }
  self->busy = 1;
  return 0;
}

static PyObject *reader_failed(ReaderObject *self, rtfplain_status status) {
  if (status == RTFPLAIN_SINK_STOPPED && self->out_of_memory) return PyErr_NoMemory();
  return raise_status(status, NULL);
}

static char *reader_kw[] = {"newline", NULL};

static PyObject *Reader_new(PyTypeObject *type, PyObject *args, PyObject *kwargs) {
  unsigned flags = RTFPLAIN_LF;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|$O&:Reader", reader_kw, newline_flags,
                                   &flags)) {
    return NULL;
  }
  allocfunc alloc = (allocfunc)PyType_GetSlot(type, Py_tp_alloc);
  ReaderObject *self = (ReaderObject *)alloc(type, 0);
  if (!self) return NULL;
  self->reader = rtfplain_reader_new(flags, keep_text, self);
  if (!self->reader) {
    Py_DECREF(self);
    return PyErr_NoMemory();
  }
  return (PyObject *)self;
}

static void Reader_dealloc(ReaderObject *self) {
  PyTypeObject *type = Py_TYPE(self);
  rtfplain_reader_free(self->reader);
  free(self->text);
  freefunc tp_free = (freefunc)PyType_GetSlot(type, Py_tp_free);
  tp_free(self);
  Py_DECREF(type);
}

static PyObject *Reader_feed(ReaderObject *self, PyObject *data) {
  if (enter(self, "feed") < 0) return NULL;
  PyObject *bytes = as_bytes(data);
  char *rtf;
  Py_ssize_t size;
  if (!bytes || PyBytes_AsStringAndSize(bytes, &rtf, &size) < 0) {
    self->busy = 0;
    Py_XDECREF(bytes);
    return NULL;
  }
  rtfplain_status status;
  Py_BEGIN_ALLOW_THREADS
  status = rtfplain_reader_feed(self->reader, rtf, (size_t)size);
  Py_END_ALLOW_THREADS
  self->busy = 0;
  Py_DECREF(bytes);
  if (status != RTFPLAIN_OK) return reader_failed(self, status);
  return take_text(self, 0);
}

static PyObject *Reader_finish(ReaderObject *self, PyObject *unused) {
  (void)unused;
  if (enter(self, "finish") < 0) return NULL;
  char *rest;
  size_t length;
  rtfplain_status status;
  Py_BEGIN_ALLOW_THREADS
  status = rtfplain_reader_finish(self->reader, &rest, &length);
  if (status == RTFPLAIN_OK && keep_text(self, rest, length) != 0) {
    status = RTFPLAIN_SINK_STOPPED;
  }
  rtfplain_free(rest);
  rtfplain_reader_free(self->reader);
  Py_END_ALLOW_THREADS
  self->reader = NULL;
  self->busy = 0;
  if (status != RTFPLAIN_OK) return reader_failed(self, status);
  return take_text(self, 1);
}

static PyObject *Reader_close(ReaderObject *self, PyObject *unused) {
  (void)unused;
  if (self->busy) {
    PyErr_SetString(PyExc_RuntimeError, "close(): the Reader is in use by another thread");
    return NULL;
  }
  rtfplain_reader_free(self->reader);
  self->reader = NULL;
  free(self->text);
  self->text = NULL;
  self->length = self->capacity = 0;
  Py_RETURN_NONE;
}

static PyObject *Reader_enter(PyObject *self, PyObject *unused) {
  (void)unused;
  Py_INCREF(self);
  return self;
}

static PyObject *Reader_exit(ReaderObject *self, PyObject *args) {
  (void)args;
  return Reader_close(self, NULL);
}

static PyMethodDef Reader_methods[] = {
    {"feed", (PyCFunction)Reader_feed, METH_O,
     "feed($self, data, /)\n--\n\n"
     "Reads the next bytes of the document (a bytes-like object; any but bytes is copied\n"
     "once) and returns the text that is final so far, possibly ''. Raises NotRichTextError\n"
     "as soon as the first bytes show that the input is no RTF document."},
    {"finish", (PyCFunction)Reader_finish, METH_NOARGS,
     "finish($self, /)\n--\n\n"
     "Ends the document and returns the rest of its text. A Reader reads one document:\n"
     "feed() or finish() after it raise ValueError."},
    {"close", (PyCFunction)Reader_close, METH_NOARGS,
     "close($self, /)\n--\n\n"
     "Frees the reader without finishing: what was not yet returned is dropped."},
    {"__enter__", Reader_enter, METH_NOARGS, NULL},
    {"__exit__", (PyCFunction)Reader_exit, METH_VARARGS, NULL},
    {NULL, NULL, 0, NULL},
};

static PyType_Slot Reader_slots[] = {
    {Py_tp_new, (void *)Reader_new},
    {Py_tp_dealloc, (void *)Reader_dealloc},
    {Py_tp_methods, (void *)Reader_methods},
    {Py_tp_doc, (void *)
     "Reader(*, newline='\\n')\n--\n\n"
     "Reads one document fed in pieces, split anywhere, and gives its text while reading:\n"
     "each feed() returns what is final so far, finish() the rest. Their concatenation is\n"
     "to_text() of the whole document. Memory stays bounded however long the document.\n"
     "A context manager: leaving the with block frees the reader (close())."},
    {0, NULL},
};

static PyType_Spec Reader_spec = {
    "rtfplain.Reader", sizeof(ReaderObject), 0, Py_TPFLAGS_DEFAULT, Reader_slots,
};

/* ---- module ---- */

static PyMethodDef module_methods[] = {
    {"to_text", (PyCFunction)(void (*)(void))to_text, METH_VARARGS | METH_KEYWORDS,
     "to_text($module, /, data, *, newline='\\n')\n--\n\n"
     "The text of an RTF document held in memory. data is bytes or any bytes-like object\n"
     "(bytearray, memoryview, mmap, ...); any but bytes is copied once, since Python's\n"
     "stable ABI gives an extension no direct view of a buffer before 3.11.\n"
     "newline is '\\n' or '\\r\\n' (the program's line ends). The text is the program's\n"
     "output without its closing line end. Raises NotRichTextError for input that is not RTF."},
    {"read_text", (PyCFunction)(void (*)(void))read_text, METH_VARARGS | METH_KEYWORDS,
     "read_text($module, /, path, *, newline='\\n')\n--\n\n"
     "The text of the RTF document in the file path (str, bytes or os.PathLike), which is\n"
     "read in pieces, never held whole. Raises OSError for a file that cannot be read,\n"
     "NotRichTextError for one that is not RTF."},
    {"convert_to_fd", (PyCFunction)(void (*)(void))convert_to_fd, METH_VARARGS | METH_KEYWORDS,
     "convert_to_fd($module, /, src, fd, dst, *, newline='\\n')\n--\n\n"
     "Writes the text of the document src to the open file fd, while reading, followed by one\n"
     "line end. dst names fd's file in errors. For convert(), which makes the file."},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "rtfplain._rtfplain",
    "The rtfplain C library: RTF documents to plain text.", -1, module_methods,
    NULL, NULL, NULL, NULL,
};

PyMODINIT_FUNC PyInit__rtfplain(void) {
  PyObject *module = PyModule_Create(&module_def);
  if (!module) return NULL;
  NotRichTextError = PyErr_NewExceptionWithDoc(
      "rtfplain.NotRichTextError",
      "The input is no RTF document: it does not begin with {\\rtf (after a byte-order mark\n"
      "and white space). A ValueError.",
      PyExc_ValueError, NULL);
  PyObject *reader = PyType_FromSpec(&Reader_spec);
  if (!NotRichTextError || !reader ||
      PyModule_AddStringConstant(module, "__version__", rtfplain_version()) < 0) {
    goto fail;
  }
  Py_INCREF(NotRichTextError);
  if (PyModule_AddObject(module, "NotRichTextError", NotRichTextError) < 0) {
    Py_DECREF(NotRichTextError);
    goto fail;
  }
  if (PyModule_AddObject(module, "Reader", reader) < 0) goto fail;
  return module;
fail:
  Py_XDECREF(reader);
  Py_DECREF(module);
  return NULL;
}
