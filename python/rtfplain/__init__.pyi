from ._rtfplain import NotRichTextError as NotRichTextError
from ._rtfplain import Reader as Reader
from ._rtfplain import __version__ as __version__
from ._rtfplain import _Newline, _Path
from ._rtfplain import read_text as read_text
from ._rtfplain import to_text as to_text

__all__ = ["NotRichTextError", "Reader", "__version__", "convert", "read_text", "to_text"]

def convert(src: _Path, dst: _Path, *, newline: _Newline = ...) -> None: ...
