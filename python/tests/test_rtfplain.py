"""The installed package against the fixtures' texts (the program's output), every way in; the
bad-input table; convert's all-or-nothing file; threads. scripts/test-python.sh runs this
against the built wheel in a fresh venv."""
import concurrent.futures
import importlib.metadata
import mmap
import os
import pathlib
import random
import subprocess
import sys
import textwrap

import pytest

import rtfplain

FIXTURES = pathlib.Path(__file__).resolve().parents[2] / "tests" / "fixtures"
DOCUMENTS = sorted(FIXTURES.glob("*.rtf"))
NEWLINES = ["\n", "\r\n"]


def expected(document, newline):
    # The .txt files hold the program's text with LF line ends and a final line end.
    text = document.with_suffix(".txt").read_bytes().decode("utf-8")
    assert text.endswith("\n")
    return text[:-1].replace("\n", newline)


def by_mmap(document, newline):
    with open(document, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as m:
        return rtfplain.to_text(m, newline=newline)


def by_convert(document, newline, folder):
    out = folder / "out.txt"
    rtfplain.convert(document, out, newline=newline)
    written = out.read_bytes().decode("utf-8")
    assert written.endswith(newline), "the program's closing line end"
    return written[: -len(newline)]


def by_pieces(document, newline, seed):
    # Pieces of 1 to 64 bytes: the text comes back cut anywhere, within characters too.
    data = document.read_bytes()
    pick = random.Random(seed)
    reader = rtfplain.Reader(newline=newline)
    parts, at = [], 0
    while at < len(data):
        size = pick.randint(1, 64)
        parts.append(reader.feed(data[at:at + size]))
        at += size
    parts.append(reader.finish())
    return "".join(parts)


def by_reader_whole(document, newline):
    reader = rtfplain.Reader(newline=newline)
    return reader.feed(document.read_bytes()) + reader.finish()


WAYS = {
    "bytes": lambda d, n, tmp: rtfplain.to_text(d.read_bytes(), newline=n),
    "bytearray": lambda d, n, tmp: rtfplain.to_text(bytearray(d.read_bytes()), newline=n),
    "memoryview": lambda d, n, tmp: rtfplain.to_text(memoryview(d.read_bytes()), newline=n),
    "mmap": lambda d, n, tmp: by_mmap(d, n),
    "read_text str": lambda d, n, tmp: rtfplain.read_text(str(d), newline=n),
    "read_text bytes": lambda d, n, tmp: rtfplain.read_text(os.fsencode(d), newline=n),
    "read_text Path": lambda d, n, tmp: rtfplain.read_text(d, newline=n),
    "convert": by_convert,
    "Reader whole": lambda d, n, tmp: by_reader_whole(d, n),
    "Reader pieces 1": lambda d, n, tmp: by_pieces(d, n, 1),
    "Reader pieces 2": lambda d, n, tmp: by_pieces(d, n, 2),
}


def test_fixtures_found():
    assert len(DOCUMENTS) >= 10


@pytest.mark.parametrize("way", list(WAYS))
@pytest.mark.parametrize("newline", NEWLINES, ids=["LF", "CRLF"])
@pytest.mark.parametrize("document", DOCUMENTS, ids=lambda d: d.stem)
def test_text_is_the_programs(document, newline, way, tmp_path):
    assert WAYS[way](document, newline, tmp_path) == expected(document, newline)


def test_version_is_the_distributions():
    assert rtfplain.__version__ == importlib.metadata.version("rtfplain")


def test_extension_exports_only_its_init():
    names = subprocess.run(["nm", "-D", "--defined-only", rtfplain._rtfplain.__file__],
                           check=True, capture_output=True, text=True).stdout.split()[2::3]
    assert names == ["PyInit__rtfplain"]


RTF = b"{\\rtf1 caf\\'e9}"


def finished_reader():
    reader = rtfplain.Reader()
    reader.feed(RTF)
    reader.finish()
    return reader


BAD = {
    "str": (lambda tmp: rtfplain.to_text(RTF.decode()), TypeError, "bytes"),
    "None": (lambda tmp: rtfplain.to_text(None), TypeError, "NoneType"),
    "int": (lambda tmp: rtfplain.to_text(5), TypeError, "int"),
    "list of ints": (lambda tmp: rtfplain.to_text(list(RTF)), TypeError, "list"),
    "newline CR": (lambda tmp: rtfplain.to_text(RTF, newline="\r"), ValueError, "newline"),
    "newline bytes": (lambda tmp: rtfplain.to_text(RTF, newline=b"\n"), ValueError, "newline"),
    "newline positional": (lambda tmp: rtfplain.to_text(RTF, "\n"), TypeError, ""),
    "not RTF": (lambda tmp: rtfplain.to_text(b"plain text"), rtfplain.NotRichTextError, "{\\rtf"),
    "empty": (lambda tmp: rtfplain.to_text(b""), rtfplain.NotRichTextError, ""),
    "Reader str": (lambda tmp: rtfplain.Reader().feed("{\\rtf1"), TypeError, "bytes"),
    "Reader newline": (lambda tmp: rtfplain.Reader(newline="\n\r"), ValueError, "newline"),
    "Reader not RTF": (lambda tmp: rtfplain.Reader().feed(b"<html>"), rtfplain.NotRichTextError,
                       ""),
    "feed after finish": (lambda tmp: finished_reader().feed(RTF), ValueError, "finished"),
    "finish twice": (lambda tmp: finished_reader().finish(), ValueError, "finished"),
    "read_text missing": (lambda tmp: rtfplain.read_text(tmp / "missing.rtf"), FileNotFoundError,
                          "missing.rtf"),
    "read_text folder": (lambda tmp: rtfplain.read_text(tmp), IsADirectoryError, ""),
    "read_text None": (lambda tmp: rtfplain.read_text(None), TypeError, ""),
    "read_text NUL": (lambda tmp: rtfplain.read_text("a\0b"), ValueError, ""),
    "read_text not RTF": (lambda tmp: rtfplain.read_text(FIXTURES / "greek.txt"),
                          rtfplain.NotRichTextError, "greek.txt"),
}


@pytest.mark.parametrize("case", list(BAD))
def test_bad_input(case, tmp_path):
    call, error, words = BAD[case]
    with pytest.raises(error) as raised:
        call(tmp_path)
    assert words in str(raised.value)


def test_not_rtf_is_a_value_error():
    assert issubclass(rtfplain.NotRichTextError, ValueError)


def test_feed_after_a_failure_fails_again():
    reader = rtfplain.Reader()
    for _ in range(2):
        with pytest.raises(rtfplain.NotRichTextError):
            reader.feed(b"plain text")


def test_reader_as_context_manager():
    with rtfplain.Reader() as reader:
        assert reader.feed(RTF) + reader.finish() == "café"
    with rtfplain.Reader() as reader:
        reader.feed(b"{\\rtf1 left unfinished")
    with pytest.raises(ValueError):
        reader.feed(RTF)


EARLIER = b"earlier text\n"
GOOD = FIXTURES / "greek.rtf"


@pytest.mark.parametrize("earlier", [False, True], ids=["no dst", "earlier dst"])
@pytest.mark.parametrize("case", ["not RTF", "missing src", "src is a folder", "bad newline"])
def test_failed_convert_leaves_dst_as_it_was(case, earlier, tmp_path):
    folder = tmp_path / "out"
    folder.mkdir()
    dst = folder / "doc.txt"
    if earlier:
        dst.write_bytes(EARLIER)
    src, newline = {
        "not RTF": (FIXTURES / "greek.txt", "\n"),
        "missing src": (tmp_path / "missing.rtf", "\n"),
        "src is a folder": (tmp_path, "\n"),
        "bad newline": (GOOD, "\r"),
    }[case]
    with pytest.raises((OSError, ValueError)):
        rtfplain.convert(src, dst, newline=newline)
    assert os.listdir(folder) == (["doc.txt"] if earlier else [])
    if earlier:
        assert dst.read_bytes() == EARLIER


def test_convert_replaces_dst_and_keeps_its_mode(tmp_path):
    dst = tmp_path / "doc.txt"
    dst.write_bytes(EARLIER)
    dst.chmod(0o640)
    rtfplain.convert(GOOD, dst, newline="\r\n")
    assert dst.read_bytes() == (expected(GOOD, "\r\n") + "\r\n").encode()
    assert dst.stat().st_mode & 0o777 == 0o640
    assert os.listdir(tmp_path) == ["doc.txt"]


def test_convert_refuses_to_overwrite_its_source(tmp_path):
    src = tmp_path / "doc.rtf"
    src.write_bytes(RTF)
    os.link(src, tmp_path / "link.txt")
    with pytest.raises(ValueError):
        rtfplain.convert(src, tmp_path / "link.txt")
    assert src.read_bytes() == RTF


def test_convert_write_failure_removes_the_temporary_file(tmp_path):
    # A file size limit makes the text's writes fail (EFBIG) part way, in a child process.
    dst = tmp_path / "doc.txt"
    dst.write_bytes(EARLIER)
    child = textwrap.dedent(f"""
        import errno, resource, signal, rtfplain
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (16, 16))
        try:
            rtfplain.convert({str(GOOD)!r}, {str(dst)!r})
        except OSError as e:
            assert e.errno == errno.EFBIG and e.filename == {str(dst)!r}, e
        else:
            raise SystemExit("no error")
    """)
    subprocess.run([sys.executable, "-c", child], check=True)
    assert os.listdir(tmp_path) == ["doc.txt"]
    assert dst.read_bytes() == EARLIER


def test_threads_give_the_same_text():
    work = DOCUMENTS * 8
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        texts = list(pool.map(lambda d: rtfplain.read_text(d), work))
        pieces = list(pool.map(lambda d: by_pieces(d, "\n", 3), work))
    assert texts == pieces == [expected(d, "\n") for d in work]
