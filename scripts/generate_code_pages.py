#!/usr/bin/env python3
"""Writes rtfplain's built-in code page tables from Wine's code page files, glibc's converters
and Apple's Mac tables as Perl's Encode module carries them.

Usage: generate_code_pages.py [--nls DIR] [--out DIR] [--check]

DIR of --nls holds Wine's c_<number>.nls files (Debian's wine package puts them in
/usr/share/wine/nls). The tables go to src/richtext/code_page_tables.{h,cpp}, or to --out.
--check writes them to a scratch folder and compares them with the committed files instead:
exit 0 when they are the same, 1 when not, 77 when a source is missing.

Wine is the reference wherever it has a page. The single-byte pages it has no file for, which
rtfplain used to decode through glibc's iconv, come from glibc's converters (through libc's
iconv_open and iconv): each byte decoded alone, a byte iconv refuses being undefined. So
regenerating needs both Wine's files and glibc's converters; with either missing, --check skips
rather than fails.

The Mac pages (10000-10082) are Apple's, as Perl's Encode module decodes them (perl is run once
for all of them; without perl or one of its Mac encodings, --check skips too). Windows' tables of
these pages lack Apple's own characters and its later changes (the euro, Ukrainian and Romanian
letters). Where Apple maps a code, its characters are taken, less its transcoding hints
(U+F860-U+F87F, which mark a glyph variant or a grouping and are no text), and private-use
characters stay (the Apple logo among them); a code may stand for several characters. A byte
Apple decodes alone is no lead byte. Where Apple maps nothing, Windows' character stays: Perl
decodes only one of Mac Arabic's and Mac Hebrew's two copies of the ASCII punctuation (the
right-to-left one), and Windows' pages have extensions and user-defined ranges Apple's lack.

What a code page file holds (16-bit little-endian words): a header of 13 words (its size, the
code page number, the largest character in bytes, the default byte and character, the code page
bytes of the default character, six pairs of lead byte ranges), the number of words up to the
table of the other direction, the 256 characters of single bytes, a word saying whether 256
glyph characters follow, a word saying whether double-byte tables follow, and when they do the
256 offsets of each lead byte's table of 256 characters (counted from the offsets).

Bytes the tables leave undefined become U+FFFD, decided here once:
- a single byte that gives the default character (other than the default character's own
  byte), U+0000 (other than byte 0), or a character below 0x80 from a byte above on a page whose
  ASCII half is ASCII (20127 folding its upper half onto its lower);
- a single byte given a private-use placeholder (U+E000-U+F8FF) by Windows' table, except on
  the Mac pages where U+F8FF is Apple's own logo character (and the codes Apple maps keep their
  private-use characters);
- from glibc, a byte that gives U+0000 (other than byte 0), a private-use character, or a
  character below 0x80 from a byte above on a page whose ASCII half is ASCII, as for Wine's;
- a pair that gives the default character (other than the default character's own bytes) or
  U+0000. Private-use characters of pairs are the pages' own user-defined ranges and stay.
"""
import argparse
import ctypes
import ctypes.util
import errno
import filecmp
import os
import re
import struct
import subprocess
import sys
import tempfile

# Pages with no file of their own that Windows decodes as a page that has one. Two-byte
# sequences only: GB18030's four-byte characters are not pairs and decode as U+FFFD.
ALIASES = {51932: 20932, 51936: 936, 51949: 949, 54936: 936}

# Single-byte pages Wine has no file for, taken from glibc's converters: IBM's EBCDIC and PC
# pages, and IBM's numbers for ISO 8859 and ASCII. Left out: the stateful EBCDIC pages that
# shift between single bytes and pairs (930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, 1399)
# and IBM-943 (Shift-JIS pairs), none of which decodes one byte at a time.
ICONV_PAGES = (
    [38, 256, 273, 274, 275, 277, 278, 280, 281, 282, 284, 285, 290, 297, 367, 420, 423, 424]
    + [770, 771, 772, 773, 774, 803, 813, 819, 848, 851, 856, 858, 868, 870, 871, 880, 891]
    + [901, 902, 903, 904, 905, 912, 915, 916, 918, 920, 921, 922, 1004, 1008, 1025, 1046]
    + [1047, 1070, 1079, 1081, 1084, 1089, 1097, 1112, 1122, 1123, 1124, 1125, 1129, 1130]
    + [1132, 1133, 1137, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 1153]
    + [1154, 1155, 1156, 1157, 1158, 1160, 1161, 1162, 1163, 1164, 1166, 1167, 1282, 4517]
    + [4899, 4909, 4971, 5347, 9030, 9066, 9448, 12712, 16804]
)
# glibc's names tried for a number, in order; they give the same characters where several do.
ICONV_NAMES = ("CP%d", "IBM%d", "IBM%03d")

# Apple's table of each Mac page, by Perl's Encode name. Perl's MacUkrainian decodes nothing but
# the controls; since Mac OS 9 Apple's Cyrillic has the Ukrainian letters (and the euro), and
# Ukrainian is the same page.
APPLE_PAGES = {
    10000: "MacRoman",
    10001: "MacJapanese",
    10002: "MacChineseTrad",
    10003: "MacKorean",
    10004: "MacArabic",
    10005: "MacHebrew",
    10006: "MacGreek",
    10007: "MacCyrillic",
    10008: "MacChineseSimp",
    10010: "MacRomanian",
    10017: "MacCyrillic",
    10021: "MacThai",
    10029: "MacCentralEurRoman",
    10079: "MacIcelandic",
    10081: "MacTurkish",
    10082: "MacCroatian",
}
# Apple's transcoding hints: they say which glyph variant or grouping a code stands for.
HINTS = range(0xF860, 0xF880)

# Prints each code a Perl encoding maps, as NAME CODE CHARACTER...: each byte alone, and each
# pair of a byte that is no character alone.
PERL_DUMP = r"""
use Encode;
for my $name (@ARGV) {
  my $enc = find_encoding($name) or die "no encoding $name\n";
  my $decode = sub {
    my $bytes = shift;
    my $text = $enc->decode($bytes, Encode::FB_QUIET);
    return length($bytes) ? undef : $text;
  };
  my $put = sub {
    my ($code, $text) = @_;
    print join(" ", $name, $code, map { sprintf "%X", ord } split //, $text), "\n";
  };
  for my $b (0 .. 255) {
    my $text = $decode->(chr $b);
    if (defined $text) {
      $put->(sprintf("%02X", $b), $text);
      next;
    }
    for my $t (0 .. 255) {
      my $pair = $decode->(chr($b) . chr($t));
      $put->(sprintf("%02X%02X", $b, $t), $pair) if defined $pair;
    }
  }
}
"""

APPLE_LOGO = 0xF8FF
UNDEFINED = 0xFFFD
LEAD = 0xFFFF  # a lead byte, in a single-byte table
# A table entry from here on stands for a sequence of characters: surrogates are no characters.
SEQUENCE_FIRST = 0xD800
SEQUENCE_LAST = 0xDFFF


def read_page(path):
    data = open(path, "rb").read()
    words = struct.unpack("<%dH" % (len(data) // 2), data[: len(data) // 2 * 2])
    header_size, number, max_size, _, default_char, _, default_bytes = words[:7]
    if header_size != 13:
        raise ValueError("%s: unexpected header size %d" % (path, header_size))
    leads = set()
    for range_word in words[7:13]:
        first, last = range_word & 0xFF, range_word >> 8
        if first or last:
            leads.update(range(first, last + 1))
    p = 14
    single = list(words[p : p + 256])
    p += 256
    p += 1 + words[p]  # glyph characters: only for MB_USEGLYPHCHARS
    has_pairs = words[p]
    p += 1
    rows = {}
    if has_pairs and max_size == 2:
        offsets = words[p : p + 256]
        for lead in sorted(leads):
            start = p + offsets[lead]
            rows[lead] = list(words[start : start + 256])
    return number, max_size, default_char, default_bytes, leads, single, rows


class Iconv:
    """glibc's converters through libc; open() gives None when glibc has no converter for a page."""

    def __init__(self):
        name = ctypes.util.find_library("c")
        self.libc = ctypes.CDLL(name, use_errno=True)
        f = self.libc
        f.iconv_open.restype = ctypes.c_void_p
        f.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        f.iconv_close.argtypes = [ctypes.c_void_p]
        f.iconv.restype = ctypes.c_size_t
        pointer, size = ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)
        f.iconv.argtypes = [ctypes.c_void_p, pointer, size, pointer, size]

    def open(self, number):
        for pattern in ICONV_NAMES:
            handle = self.libc.iconv_open(b"UTF-32LE", (pattern % number).encode())
            if handle is not None and handle != ctypes.c_void_p(-1).value:
                return handle
        return None

    def decode(self, handle, data):
        """The characters of data alone, or None when iconv refuses or wants more bytes."""
        f = self.libc
        f.iconv(handle, None, None, None, None)  # the initial state, for every byte
        inbuf = ctypes.create_string_buffer(data, len(data))
        outbuf = ctypes.create_string_buffer(64)
        inp, inleft = ctypes.c_char_p(ctypes.addressof(inbuf)), ctypes.c_size_t(len(data))
        outp, outleft = ctypes.c_char_p(ctypes.addressof(outbuf)), ctypes.c_size_t(len(outbuf))
        failed = ctypes.c_size_t(-1).value
        ins = (ctypes.byref(inp), ctypes.byref(inleft))
        outs = (ctypes.byref(outp), ctypes.byref(outleft))
        if f.iconv(handle, *ins, *outs) == failed:
            if ctypes.get_errno() in (errno.EILSEQ, errno.EINVAL):
                return None
            raise OSError(ctypes.get_errno(), "iconv")
        # A converter may hold a letter back for a combining mark that could follow.
        f.iconv(handle, None, None, *outs)
        n = len(outbuf) - outleft.value
        return struct.unpack("<%dI" % (n // 4), outbuf.raw[:n])

    def close(self, handle):
        self.libc.iconv_close(handle)


def open_iconv():
    """glibc's converters when every page of ICONV_PAGES opens; None otherwise."""
    try:
        iconv = Iconv()
    except (OSError, AttributeError, TypeError):
        return None
    for number in ICONV_PAGES:
        handle = iconv.open(number)
        if handle is None:
            return None
        iconv.close(handle)
    return iconv


def read_iconv_page(iconv, number):
    """A single-byte page as read_page gives it: no default character, no lead bytes."""
    handle = iconv.open(number)
    single = []
    try:
        for b in range(256):
            chars = iconv.decode(handle, bytes([b]))
            if chars is None:
                single.append(UNDEFINED)
            elif len(chars) == 1 and chars[0] < 0x10000:
                single.append(chars[0])
            else:
                raise ValueError("%d: byte %02X is not one character alone" % (number, b))
    finally:
        iconv.close(handle)
    return number, 1, -1, -1, set(), single, {}


def read_apple_pages():
    """{name: {code: characters}} for every page of APPLE_PAGES, codes as bytes; None when perl or
    one of its encodings is missing."""
    names = sorted(set(APPLE_PAGES.values()))
    try:
        result = subprocess.run(
            ["perl", "-e", PERL_DUMP, *names], capture_output=True, text=True, check=False
        )
    except OSError:
        return None
    if result.returncode != 0:
        return None
    pages = {name: {} for name in names}
    for line in result.stdout.splitlines():
        name, code, *chars = line.split()
        pages[name][bytes.fromhex(code)] = tuple(int(c, 16) for c in chars)
    return pages


def apple_characters(chars):
    """Apple's characters of a code without its transcoding hints, as a table holds them."""
    text = tuple(c for c in chars if c not in HINTS)
    if not text or any(c >= 0x10000 or SEQUENCE_FIRST <= c <= SEQUENCE_LAST for c in text):
        raise ValueError("a Mac code gives %s: no characters a table holds" % (chars,))
    return text


def apply_apple(number, apple, table, pairs):
    """The Windows page as decided (table: LEAD or a character per byte; pairs: lead -> row),
    with Apple's codes put in: each entry a tuple of characters; the count of codes changed."""
    single = [(c,) for c in table]
    rows = {lead: [(c,) for c in row] for lead, row in pairs.items()}
    apple_leads = {code[0] for code in apple if len(code) == 2}
    for code, chars in apple.items():
        if len(code) == 1:
            single[code[0]] = apple_characters(chars)
    for lead in apple_leads:
        single[lead] = (LEAD,)
    for lead in list(rows):
        if single[lead] != (LEAD,):
            del rows[lead]  # a character of its own in Apple's table
    for lead in apple_leads:
        rows.setdefault(lead, [(UNDEFINED,)] * 256)
    for code, chars in apple.items():
        if len(code) == 2:
            rows[code[0]][code[1]] = apple_characters(chars)
    if not rows and any(len(utf8_of(c)) > 4 for c in single if c != (LEAD,)):
        raise ValueError("%d: a byte's characters take more UTF-8 than the reader keeps" % number)
    old = {(b,): (c,) for b, c in enumerate(table) if c != LEAD}
    old.update(((lead, t), (c,)) for lead, row in pairs.items() for t, c in enumerate(row))
    new = {(b,): c for b, c in enumerate(single) if c != (LEAD,)}
    new.update(((lead, t), c) for lead, row in rows.items() for t, c in enumerate(row))
    undefined = (UNDEFINED,)
    changed = sum(1 for k in set(old) | set(new) if old.get(k, undefined) != new.get(k, undefined))
    return single, rows, changed


def utf8_of(chars):
    return "".join(map(chr, chars)).encode("utf-8", "surrogatepass")


def decide_single(number, default_char, default_bytes, leads, single):
    mac = 10000 <= number < 20000
    ascii_half = all(single[b] == b for b in range(0x20, 0x7F))
    table, undefined = [], []
    for b, c in enumerate(single):
        if b in leads:
            table.append(LEAD)
            continue
        placeholder = 0xE000 <= c <= 0xF8FF and not (mac and c == APPLE_LOGO)
        if (
            (c == default_char and b != default_bytes)
            or (c == 0 and b != 0)
            or (ascii_half and b >= 0x80 and c < 0x80)
            or placeholder
        ):
            undefined.append((b, c))
            c = UNDEFINED
        table.append(c)
    return table, undefined


def decide_pairs(default_char, default_bytes, rows):
    out = {}
    for lead, row in rows.items():
        decided = []
        for trail, c in enumerate(row):
            if c == 0 or (c == default_char and (lead << 8 | trail) != default_bytes):
                c = UNDEFINED
            decided.append(c)
        out[lead] = decided
    return out


def c_array(values, per_line, indent="    "):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ", ".join("0x%04X" % v for v in values[i : i + per_line]) + ",")
    return "\n".join(lines)


HEADER = """\
// Generated by scripts/generate_code_pages.py from Wine's code page files
// (/usr/share/wine/nls/c_*.nls of Debian's wine package), for the single-byte pages Wine has no
// file for glibc's converters, and for the Mac pages Apple's tables as Perl's Encode module has
// them: do not edit, regenerate.
// The characters of every built-in code page, as constant data: nothing is built at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace richtext::code_page_tables {

// In a single-byte table: the byte starts a double-byte character.
inline constexpr char16_t kLead = 0xFFFF;
// In any table: the bytes are no character of the page.
inline constexpr char16_t kUndefined = 0xFFFD;
// In any table, from here to kSequenceLast: the bytes stand for several characters (some Mac
// codes do), sequence number value - kSequenceFirst. Surrogates are no characters of any page.
// On a single-byte page a sequence takes at most four bytes of UTF-8.
inline constexpr char16_t kSequenceFirst = 0xD800;
inline constexpr char16_t kSequenceLast = 0xDFFF;
// The most characters a sequence has.
inline constexpr std::size_t kLongestSequence = %d;

// The characters of one lead byte's trail bytes first..last, from kPairs[start] on; every other
// trail byte makes no character.
struct PairRow {
  std::uint32_t start;
  std::uint8_t first;
  std::uint8_t last;
};

struct Table {
  int number;
  const char16_t* single;  // 256 characters, one per byte
  const PairRow* rows;     // one per lead byte from lead_first to lead_last; null: single-byte
  std::uint8_t lead_first;
  std::uint8_t lead_last;
  bool sequences;  // some bytes or pairs stand for several characters
};

// The built-in table of a code page number; null when there is none.
const Table* Find(int number);

extern const char16_t kPairs[];
// Sequence n is kSequences[kSequenceStarts[n]] up to kSequences[kSequenceStarts[n + 1]].
extern const char16_t kSequences[];
extern const std::uint16_t kSequenceStarts[];

}  // namespace richtext::code_page_tables
"""


def generate(nls_dir, iconv, apple):
    pages = {}
    for name in os.listdir(nls_dir):
        m = re.fullmatch(r"c_(\d+)\.nls", name)
        if m:
            number, *rest = read_page(os.path.join(nls_dir, name))
            pages[number] = rest
    from_glibc = [n for n in ICONV_PAGES if n not in pages]
    for number in from_glibc:
        _, *rest = read_iconv_page(iconv, number)
        pages[number] = rest
    for alias, target in ALIASES.items():
        if target not in pages:
            raise ValueError("no table for %d, which %d decodes as" % (target, alias))
    for number in APPLE_PAGES:
        if number not in pages:
            raise ValueError("no Windows table for %d, which Apple's codes complete" % number)

    pool, pool_index = [], {}
    sequences, sequence_index = [], {}

    def entry(chars):
        """A table's value for the characters of one code."""
        if len(chars) == 1:
            return chars[0]
        if chars not in sequence_index:
            sequence_index[chars] = len(sequences)
            sequences.append(chars)
        if sequence_index[chars] > SEQUENCE_LAST - SEQUENCE_FIRST:
            raise ValueError("more sequences than the table values set aside for them")
        return SEQUENCE_FIRST + sequence_index[chars]

    single_arrays, tables, notes, apple_notes = [], {}, [], []
    for number in sorted(pages):
        max_size, default_char, default_bytes, leads, single, rows = pages[number]
        table, undefined = decide_single(number, default_char, default_bytes, leads, single)
        decided = decide_pairs(default_char, default_bytes, rows)
        if number in APPLE_PAGES:
            name = APPLE_PAGES[number]
            chars, char_rows, changed = apply_apple(number, apple[name], table, decided)
            apple_notes.append("//   %d %s: %d" % (number, name, changed))
            table = [entry(c) for c in chars]
            decided = {lead: [entry(c) for c in row] for lead, row in char_rows.items()}
            undefined = [(b, c) for b, c in undefined if table[b] == UNDEFINED]
        if undefined:
            items = ["%02X(%04X)" % (b, c) for b, c in undefined]
            for i in range(0, len(items), 10):
                label = "%5d:" % number if i == 0 else " " * 6
                notes.append("// %s %s" % (label, " ".join(items[i : i + 10])))
        single_arrays.append(
            "constexpr char16_t kSingle%d[256] = {\n%s\n};\n" % (number, c_array(table, 8))
        )
        row_text = None
        lead_first = lead_last = 0
        if decided:
            lead_first, lead_last = min(decided), max(decided)
            entries = []
            for lead in range(lead_first, lead_last + 1):
                row = decided.get(lead, [UNDEFINED] * 256)
                defined = [t for t, c in enumerate(row) if c != UNDEFINED]
                if not defined:
                    entries.append("{0, 1, 0}")
                    continue
                first, last = defined[0], defined[-1]
                key = tuple(row[first : last + 1])
                if key not in pool_index:
                    pool_index[key] = len(pool)
                    pool.extend(key)
                entries.append("{%d, 0x%02X, 0x%02X}" % (pool_index[key], first, last))
            row_text = "constexpr PairRow kRows%d[] = {\n%s\n};\n" % (
                number,
                "\n".join("    " + e + "," for e in entries),
            )
            single_arrays.append(row_text)
        has_sequences = any(SEQUENCE_FIRST <= c <= SEQUENCE_LAST for c in table) or any(
            SEQUENCE_FIRST <= c <= SEQUENCE_LAST for row in decided.values() for c in row
        )
        tables[number] = (row_text is not None, lead_first, lead_last, has_sequences)

    starts = [0]
    for chars in sequences:
        starts.append(starts[-1] + len(chars))
    longest = max((len(chars) for chars in sequences), default=1)
    if starts[-1] > 0xFFFF:
        raise ValueError("the sequences' characters outgrow their 16-bit starts")

    entries = []
    for number in sorted(set(tables) | set(ALIASES)):
        source = ALIASES.get(number, number)
        has_rows, lead_first, lead_last, has_sequences = tables[source]
        rows = "kRows%d" % source if has_rows else "nullptr"
        entries.append(
            "    {%d, kSingle%d, %s, 0x%02X, 0x%02X, %s},"
            % (number, source, rows, lead_first, lead_last, "true" if has_sequences else "false")
        )

    cpp = [
        "// Generated by scripts/generate_code_pages.py from Wine's code page files",
        "// (/usr/share/wine/nls/c_*.nls of Debian's wine package), glibc's converters (iconv) and",
        "// Perl's Encode module (Apple's Mac tables): do not edit, regenerate with",
        "//   python3 scripts/generate_code_pages.py --nls /usr/share/wine/nls",
        "// which needs all three; with one missing, --check skips rather than fails.",
        "//",
        "// Single-byte pages Wine has no file for, from glibc's converters, each byte alone:",
        *wrap_numbers(from_glibc),
        "//",
        "// Mac pages as Apple maps them where it maps a code, as Windows elsewhere; the codes",
        "// that differ from Windows' table:",
        *apple_notes,
        "//",
        "// Bytes given placeholders instead of characters, as byte(placeholder), now U+FFFD:",
        *notes,
        "// Pages without a file of their own, decoded as another page's pairs:",
        "//   " + ", ".join("%d as %d" % (a, t) for a, t in sorted(ALIASES.items())) + ".",
        '#include "richtext/code_page_tables.h"',
        "",
        "#include <algorithm>",
        "#include <iterator>",
        "",
        "namespace richtext::code_page_tables {",
        "namespace {",
        "",
        "// clang-format off",
        *single_arrays,
        "constexpr Table kTables[] = {",
        *entries,
        "};",
        "// clang-format on",
        "",
        "}  // namespace",
        "",
        "// Every pair character of every double-byte page; rows that are the same are kept once.",
        "// clang-format off",
        "const char16_t kPairs[] = {",
        c_array(pool, 12),
        "};",
        "",
        "// The characters of codes that stand for several.",
        "const char16_t kSequences[] = {",
        c_array(sum(sequences, ()), 12),
        "};",
        "const std::uint16_t kSequenceStarts[] = {",
        c_array(starts, 12),
        "};",
        "// clang-format on",
        "",
        "const Table* Find(int number) {",
        "  const Table* found = std::lower_bound(std::begin(kTables), std::end(kTables), number,",
        "                                        [](const Table& table, int n) { return table.number < n; });",
        "  return found != std::end(kTables) && found->number == number ? found : nullptr;",
        "}",
        "",
        "}  // namespace richtext::code_page_tables",
        "",
    ]
    return HEADER % longest, "\n".join(cpp)


def wrap_numbers(numbers):
    lines, line = [], "//  "
    for n in numbers:
        item = " %d," % n
        if len(line) + len(item) > 100:
            lines.append(line)
            line = "//  "
        line += item
    lines.append(line[:-1] + ".")
    return lines


def write(out_dir, header, cpp):
    with open(os.path.join(out_dir, "code_page_tables.h"), "w", newline="\n") as f:
        f.write(header)
    with open(os.path.join(out_dir, "code_page_tables.cpp"), "w", newline="\n") as f:
        f.write(cpp)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--nls", default="/usr/share/wine/nls")
    parser.add_argument("--out", default=os.path.join(root, "src", "richtext"))
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    if not os.path.isdir(args.nls):
        print("no code page files in %s: nothing to generate" % args.nls)
        return 77 if args.check else 1
    iconv = open_iconv()
    if iconv is None:
        print("no glibc converters for every page of ICONV_PAGES: nothing to generate")
        return 77 if args.check else 1
    apple = read_apple_pages()
    if apple is None:
        names = ", ".join(sorted(set(APPLE_PAGES.values())))
        print("no perl with Encode's Mac encodings (%s): nothing to generate" % names)
        return 77 if args.check else 1
    header, cpp = generate(args.nls, iconv, apple)
    if not args.check:
        write(args.out, header, cpp)
        return 0
    with tempfile.TemporaryDirectory() as scratch:
        write(scratch, header, cpp)
        same = True
        for name in ("code_page_tables.h", "code_page_tables.cpp"):
            committed = os.path.join(args.out, name)
            if not os.path.exists(committed) or not filecmp.cmp(
                os.path.join(scratch, name), committed, shallow=False
            ):
                print("%s differs from what the generator writes" % committed)
                same = False
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
