"""Rich Text Format documents to plain text, through the rtfplain C library.

The text is exactly what the rtfplain program writes, without its closing line end: UTF-8 text
as str, with line ends "\\n" (the default) or "\\r\\n" (newline="\\r\\n", the program's own).
The reading runs in C without the GIL, so threads convert documents in parallel.

    import rtfplain
    text = rtfplain.read_text("report.rtf")
    text = rtfplain.to_text(data)                  # bytes, bytearray, memoryview, mmap
    rtfplain.convert("report.rtf", "report.txt")   # streamed, as the program writes it

    reader = rtfplain.Reader()                     # a document in pieces
    for piece in pieces:
        out.write(reader.feed(piece))
    out.write(reader.finish())

Errors: NotRichTextError (a ValueError) for input that is not RTF, OSError for files,
MemoryError, TypeError for a str given as a document (RTF is bytes).
"""
import os

from ._rtfplain import NotRichTextError, Reader, __version__, read_text, to_text
from ._rtfplain import convert_to_fd as _convert_to_fd

__all__ = ["NotRichTextError", "Reader", "__version__", "convert", "read_text", "to_text"]


def convert(src, dst, *, newline="\n"):
    """Writes the text of the RTF document src to the file dst as the program writes it: the
    text followed by one line end (newline, "\\n" or "\\r\\n").

    The text streams to a hidden temporary file in dst's folder while src is read, so memory
    stays bounded however large the document; that file then replaces dst. So dst is complete
    or untouched: on any failure the temporary file is removed and an earlier dst is left as it
    was. A replaced dst keeps its permission bits. src and dst are str, bytes or os.PathLike.
    Raises NotRichTextError when src is not RTF, OSError for the files, ValueError when dst is
    src itself.
    """
    src, dst = os.fspath(src), os.fspath(dst)
    folder, name = os.path.split(dst)
    try:
        earlier = os.stat(dst)
    except FileNotFoundError:
        earlier = None
    else:
        if os.path.samestat(earlier, os.stat(src)):
            raise ValueError("convert: dst is the document src itself: %r" % (dst,))
    temporary, fd = _temporary_file(folder, name)
    try:
        try:
            if earlier is not None:
                os.chmod(fd, earlier.st_mode & 0o7777)
            _convert_to_fd(src, fd, dst, newline=newline)
        finally:
            os.close(fd)
        os.replace(temporary, dst)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def _temporary_file(folder, name):
    """A new hidden file beside dst under a name no other call picks; its permissions are those
    of any new file (the umask's)."""
    while True:
        token, name = os.urandom(8).hex(), name[:128]  # room for the rest within NAME_MAX
        if isinstance(name, bytes):
            stem = b"." + name + b"." + token.encode() + b".tmp"
        else:
            stem = "." + name + "." + token + ".tmp"
        path = os.path.join(folder, stem)
        try:
            return path, os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC, 0o666)
        except FileExistsError:
            continue
