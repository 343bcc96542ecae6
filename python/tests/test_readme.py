"""README's Python blocks, taken as they stand and run with the installed package: the two
examples and the many-documents recipe, against the fixtures' texts."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

REPO = pathlib.Path(__file__).resolve().parents[2]
FIXTURES = REPO / "tests" / "fixtures"
DOCUMENTS = sorted(FIXTURES.glob("*.rtf"))


def readme_block(marker, path):
    """Writes the fenced block after README's line starting with marker to path."""
    lines = (REPO / "README.md").read_text(encoding="utf-8").splitlines(keepends=True)
    start = next(i for i, line in enumerate(lines) if line.startswith(marker))
    fence = next(i for i in range(start + 1, len(lines)) if lines[i].startswith("```"))
    end = next(i for i in range(fence + 1, len(lines)) if lines[i].startswith("```"))
    path.write_text("".join(lines[fence + 1:end]), encoding="utf-8")
    return path


def program_output(document):
    # The fixtures' .txt files hold the program's text with LF line ends.
    return document.with_suffix(".txt").read_bytes().replace(b"\n", b"\r\n")


def run(args, cwd, stdin=None):
    return subprocess.run([sys.executable, *map(str, args)], cwd=cwd, stdin=stdin,
                          capture_output=True)


@pytest.mark.parametrize("document", DOCUMENTS[:3], ids=lambda d: d.stem)
def test_examples(document, tmp_path):
    totext = readme_block("<!-- example: python totext.py", tmp_path / "totext.py")
    stream = readme_block("<!-- example: python stream.py", tmp_path / "stream.py")
    printed = run([totext, document], tmp_path)
    assert printed.returncode == 0, printed.stderr
    assert printed.stdout == document.with_suffix(".txt").read_bytes()
    with open(document, "rb") as rtf:
        streamed = run([stream], tmp_path, stdin=rtf)
    assert streamed.returncode == 0, streamed.stderr
    assert streamed.stdout == program_output(document)
    refused = run([totext, document.with_suffix(".txt")], tmp_path)
    assert refused.returncode == 1 and b"rtf" in refused.stderr


def test_many_documents_recipe(tmp_path):
    recipe = readme_block("<!-- convert_tree.py:", tmp_path / "convert_tree.py")
    tree, out = tmp_path / "archive", tmp_path / "out"
    names = {}
    for i, document in enumerate(DOCUMENTS):
        # Names with spaces and non-ASCII letters, folders two deep, an upper-case extension.
        name = ["a", "b/deep", "c d/é"][i % 3] + "/" + document.stem + (".RTF" if i % 4 else ".rtf")
        names[name] = document
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(document, tree / name)
    (tree / "a" / "notes.rtf").write_bytes(b"plain text")
    (tree / "a" / "ignored.doc").write_bytes(b"{\\rtf1 x}")
    (tree / "empty").mkdir()
    out.mkdir()
    (out / "a").mkdir()
    (out / "a" / "notes.rtf.txt").write_bytes(b"earlier")
    ran = run([recipe, tree], out)
    assert ran.returncode == 1
    assert ran.stderr.decode().splitlines() == ["Not converted (1):", "a/notes.rtf"]
    for name, document in names.items():
        assert (out / (name + ".txt")).read_bytes() == program_output(document), name
    assert (out / "a" / "notes.rtf.txt").read_bytes() == b"earlier"
    assert (out / "empty").is_dir() and not (out / "a" / "ignored.doc.txt").exists()
    written = {os.path.relpath(os.path.join(d, f), out) for d, _, fs in os.walk(out) for f in fs}
    assert written == {n + ".txt" for n in names} | {"a/notes.rtf.txt"}
