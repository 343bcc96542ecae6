#!/usr/bin/env python3
"""Benchmark of the Python package; bench/python.sh builds everything and calls it with the
venv's interpreter (the wheel installed).

    python_bench.py --program RTFPLAIN --capi CAPI_BENCH --generator MAKE_CORPUS --readme README
                    --scratch DIR --corpus DIR [--corpus DIR ...] [--reps N] [--quick]

- Many documents: every .rtf of the corpora, copied into one tree, converted by README's
  convert-tree.sh (the program, one run per document) and by README's convert_tree.py (the
  package, in one process, a thread per core), interleaved; the outputs must be the same bytes. Also the same
  on the documents of at most 64 KiB alone, and the package's time inside its process.
- Threads: read_text over the same documents on one thread and on two.
- One large document: to_text against the C API's rtfplain_to_text (capi_bench), per shape of
  the generator at scale 1, both on the document in memory, LF line ends.
- Memory: convert() of a 100 MB document, peak resident memory against an interpreter that
  only imported the package.
The tables, and the targets beside the figures, go to standard output and DIR/results.md.
"""
import argparse
import concurrent.futures
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import time

from report import Report, load_line, make_corpus

import rtfplain


SHAPES = ["text", "pictures", "cjk", "cyrillic", "plain"]
SMALL = 64 * 1024
MANY_TARGET = 10.0  # the package at least this many times the recipe's speed
TO_TEXT_TARGET = 1.1  # to_text's time at most this many times the C API's
THREADS_TARGET = 1.6  # two threads at least this many times one thread's speed
MEMORY_TARGET = 16 * 1024 * 1024  # convert's peak above an interpreter with the package
LARGE_SCALE = 2.5  # the text shape at this scale is about 100 MB


def readme_block(readme, marker, folder, name):
    """Writes the fenced block after the line starting with marker to folder/name."""
    path = os.path.join(folder, name)
    with open(readme, encoding="utf-8") as f, open(path, "w", encoding="utf-8") as out:
        marked = inside = False
        for line in f:  # as the tests take it
            if line.startswith(marker):
                marked = True
            elif marked and line.startswith("```"):
                if inside:
                    return path
                inside = True
            elif inside:
                out.write(line)
    sys.exit("bench: no block after %s in %s" % (marker, readme))


def ms(seconds):
    return "%.1f" % (seconds * 1e3)


def mib(n):
    return "%.1f" % (n / (1024 * 1024))


def child(argv, cwd=None):
    """Runs a command to its end: wall seconds, exit status, stderr."""
    start = time.perf_counter()
    done = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    return wall, done.returncode, done.stderr.decode("utf-8", "replace")


def peak_memory(argv):
    """A command's peak resident bytes, by /usr/bin/time: a child forked from this (large)
    process would count its resident pages from before its exec."""
    done = subprocess.run(["/usr/bin/time", "-f", "%M"] + argv, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        sys.exit("bench: %s failed: %s" % (" ".join(argv), done.stderr))
    return int(done.stderr.split()[-1]) * 1024


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def copy_tree(corpora, tree, keep=lambda path: True):
    """The corpora's .rtf files under tree/NAME (the recipe puts a link to the program at the
    tree's root, so the tree is a scratch copy)."""
    fresh(tree)
    count = size = 0
    for corpus in corpora:
        for folder, _, files in os.walk(corpus):
            for f in files:
                source = os.path.join(folder, f)
                if not f.lower().endswith(".rtf") or not keep(source):
                    continue
                inner = os.path.relpath(source, os.path.dirname(corpus))
                os.makedirs(os.path.dirname(os.path.join(tree, inner)), exist_ok=True)
                shutil.copyfile(source, os.path.join(tree, inner))
                count += 1
                size += os.path.getsize(source)
    return count, size


def recipe_failures(err):
    lines = err.splitlines()
    return sorted(lines[1:]) if lines and lines[0].startswith("Not converted") else []


def same_trees(a, b):
    compared = filecmp.dircmp(a, b)
    if compared.left_only or compared.right_only or compared.funny_files:
        return False
    _, mismatch, errors = filecmp.cmpfiles(a, b, compared.common_files, shallow=False)
    return not mismatch and not errors and all(
        same_trees(os.path.join(a, d), os.path.join(b, d)) for d in compared.common_dirs)


def interleaved(entries, reps):
    """Runs each (name, function) reps times after a warm-up, the order alternating per
    repetition; returns name -> list of seconds."""
    times = {name: [] for name, _ in entries}
    for _, run in entries:
        run()
    for rep in range(reps):
        for name, run in (entries if rep % 2 == 0 else entries[::-1]):
            times[name].append(run())
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True, help="the rtfplain program")
    parser.add_argument("--capi", required=True, help="capi_bench, built")
    parser.add_argument("--generator", required=True, help="make_corpus.py")
    parser.add_argument("--readme", required=True, help="README.md, for its recipes")
    parser.add_argument("--scratch", required=True, help="folder for corpora and outputs")
    parser.add_argument("--corpus", action="append", required=True, help="a corpus folder")
    parser.add_argument("--reps", type=int, default=11, help="timed repetitions (default 11)")
    parser.add_argument("--quick", action="store_true",
                        help="3 repetitions, scale 0.25, a 25 MB document: a smoke run")
    args = parser.parse_args()
    reps = 3 if args.quick else args.reps
    scratch = os.path.abspath(args.scratch)
    os.makedirs(scratch, exist_ok=True)
    python = sys.executable
    report = Report()
    say, judge = report.say, report.judge

    say("# Python package benchmark")
    say()
    say("rtfplain %s, Python %s, %d repetitions, started with %s." % (
        rtfplain.__version__, sys.version.split()[0], reps, load_line()))
    say()

    # ---- many documents ----
    recipe = readme_block(args.readme, "<!-- convert-tree.sh:", scratch, "convert-tree.sh")
    recipe_py = readme_block(args.readme, "<!-- convert_tree.py:", scratch, "convert_tree.py")
    sys.path.insert(0, scratch)
    import convert_tree  # the recipe as README gives it
    corpora = [os.path.abspath(c) for c in args.corpus]
    say("## Many documents")
    say()
    say("Every `.rtf` of %s, as one tree. **recipe**: README's `convert-tree.sh` (the program, "
        "one run per document, on all cores); **package**: README's `convert_tree.py` (one Python "
        "process, `convert()` on a thread per core); both timed as whole commands from an empty "
        "output folder, medians; **in process**: the package's `convert_tree()` alone, inside "
        "this interpreter." % ", ".join("`%s`" % os.path.basename(c) for c in corpora))
    say()
    say("| documents | count | MB | recipe ms | package ms | in process ms | recipe / package "
        "| recipe / in process |")
    say("|---|---|---|---|---|---|---|---|")
    many = {}
    for label, tag, keep in [("all", "all", lambda p: True),
                             ("≤ 64 KiB", "small", lambda p: os.path.getsize(p) <= SMALL)]:
        tree = os.path.join(scratch, "tree-" + tag)
        count, size = copy_tree(corpora, tree, keep)
        outs = {k: os.path.join(scratch, "out-%s-%s" % (tag, k)) for k in ("recipe", "py", "in")}
        seen = {}

        def by_recipe():
            fresh(outs["recipe"])
            wall, status, err = child(["bash", recipe, args.program, tree], outs["recipe"])
            if status not in (0, 1):
                sys.exit("bench: convert-tree.sh exited with %d: %s" % (status, err))
            seen["recipe"] = recipe_failures(err)
            return wall

        def by_package():
            fresh(outs["py"])
            wall, status, err = child([python, recipe_py, tree], outs["py"])
            if status not in (0, 1):
                sys.exit("bench: convert_tree.py exited with %d: %s" % (status, err))
            seen["package"] = recipe_failures(err)
            return wall

        def in_process():
            fresh(outs["in"])
            start = time.perf_counter()
            seen["in"] = convert_tree.convert_tree(tree, outs["in"])
            return time.perf_counter() - start

        times = interleaved([("recipe", by_recipe), ("package", by_package),
                             ("in", in_process)], reps)
        if not (same_trees(outs["recipe"], outs["py"]) and same_trees(outs["py"], outs["in"])):
            sys.exit("bench: the package's texts differ from the program's (%s)" % tree)
        if not seen["recipe"] == seen["package"] == seen["in"]:
            sys.exit("bench: different documents failed: %r" % seen)
        r, p, i = (statistics.median(times[k]) for k in ("recipe", "package", "in"))
        many[label] = (r / p, r / i)
        say("| %s | %d | %.1f | %s | %s | %s | %.1f | %.1f |" % (
            label, count, size / 1e6, ms(r), ms(p), ms(i), r / p, r / i))
    say()
    say("Both give the same bytes for every document; not converted by either: %s." %
        (", ".join("`%s`" % n for n in seen["recipe"]) or "none"))
    say()
    judge("many documents: package ≥ %.0f× the recipe's speed (all / ≤ 64 KiB)" % MANY_TARGET,
          "%.1f / %.1f (in process %.1f / %.1f)" % (many["all"][0], many["≤ 64 KiB"][0],
                                                    many["all"][1], many["≤ 64 KiB"][1]),
          min(many["all"][0], many["≤ 64 KiB"][0]) >= MANY_TARGET,
          "many documents: the package only %.1f× the recipe" % many["all"][0])

    # ---- threads ----
    tree = os.path.join(scratch, "tree-all")
    names = [os.path.join(f, n) for f, _, ns in os.walk(tree) for n in ns
             if n.lower().endswith(".rtf")]
    work = names * 3  # about 0.1 s a run: steadier than one pass

    def read_one(name):
        try:
            return len(rtfplain.read_text(name))
        except ValueError:
            return 0

    def on_threads(workers):
        def run():
            start = time.perf_counter()
            with concurrent.futures.ThreadPoolExecutor(workers) as pool:
                sum(pool.map(read_one, work))
            return time.perf_counter() - start
        return run

    times = interleaved([("1", on_threads(1)), ("2", on_threads(2))], reps * 3)
    one, two = statistics.median(times["1"]), statistics.median(times["2"])
    say("## Threads")
    say()
    say("`read_text` over the same %d documents, three times each, in process, %d repetitions "
        "interleaved: one thread %s ms, two threads %s ms: **%.2f×**." % (
            len(names), reps * 3, ms(one), ms(two), one / two))
    say()
    judge("two threads ≥ %.1f× one thread" % THREADS_TARGET, "%.2f" % (one / two),
          one / two >= THREADS_TARGET, "two threads only %.2f× one" % (one / two))

    # ---- one large document ----
    scale = 0.25 if args.quick else 1
    corpus = os.path.join(scratch, "scale-%s" % scale)
    make_corpus(args.generator, corpus, scale, SHAPES)
    say("## One large document")
    say()
    say("The generator's shapes at scale %s, in memory, LF line ends; medians of %d runs "
        "interleaved in rounds of 3. **C API**: `rtfplain_to_text` (`bench/capi_bench.c`, "
        "against `librtfplain.a`); **to_text**: `rtfplain.to_text` on `bytes`; **decode**: "
        "`bytes.decode()` of the same text (the str's share of to_text)." % (scale, reps * 3))
    say()
    say("| shape | MB | text MB | C API ms | to_text ms | decode ms | to_text / C API |")
    say("|---|---|---|---|---|---|---|")
    ratios = {}
    for shape in SHAPES:
        path = os.path.join(corpus, shape + ".rtf")
        with open(path, "rb") as f:
            data = f.read()
        text = rtfplain.to_text(data)
        encoded = text.encode("utf-8")
        del text
        times = {"capi": [], "py": [], "decode": []}
        for rep in range(reps + 1):
            got = subprocess.run([args.capi, path, "3"], check=True, capture_output=True,
                                 text=True).stdout.split()
            py, dec = [], []
            for _ in range(3):
                start = time.perf_counter()
                rtfplain.to_text(data)
                py.append(time.perf_counter() - start)
                start = time.perf_counter()
                encoded.decode("utf-8")
                dec.append(time.perf_counter() - start)
            if rep:  # the first round warms up
                times["capi"] += [int(t) / 1e9 for t in got]
                times["py"] += py
                times["decode"] += dec
        c, p, d = (statistics.median(times[k]) for k in ("capi", "py", "decode"))
        ratios[shape] = p / c
        say("| %s | %.1f | %.1f | %s | %s | %s | %.2f |" % (
            shape, len(data) / 1e6, len(encoded) / 1e6, ms(c), ms(p), ms(d), p / c))
    say()
    over = [s for s in SHAPES if ratios[s] > TO_TEXT_TARGET]
    judge("to_text ≤ %.1f× the C API" % TO_TEXT_TARGET,
          ", ".join("%s %.2f" % (s, ratios[s]) for s in SHAPES), not over,
          "to_text over %.1f× the C API: %s" % (TO_TEXT_TARGET, ", ".join(over)))

    # ---- memory ----
    large_scale = 0.6 if args.quick else LARGE_SCALE
    large = os.path.join(scratch, "large-%s" % large_scale)
    make_corpus(args.generator, large, large_scale, ["text"])
    source = os.path.join(large, "text.rtf")
    target = os.path.join(scratch, "large.txt")
    base_code = "import rtfplain"
    convert_code = "import sys, rtfplain; rtfplain.convert(sys.argv[1], sys.argv[2])"
    base, peak, walls = [], [], []
    for _ in range(3):
        base.append(peak_memory([python, "-c", base_code]))
        start = time.perf_counter()
        peak.append(peak_memory([python, "-c", convert_code, source, target]))
        walls.append(time.perf_counter() - start)
    above = max(peak) - min(base)
    say("## Memory")
    say()
    say("`convert()` of a %.0f MB document (the text shape at scale %s, %.0f MB of text) in a "
        "child process, against a child that only imports the package; peak resident memory "
        "(`/usr/bin/time`), 3 runs each: import only %s MiB, convert %s MiB (%s s): **%s MiB above**." %
        (os.path.getsize(source) / 1e6, large_scale, os.path.getsize(target) / 1e6,
         mib(max(base)), mib(max(peak)), "%.2f" % statistics.median(walls), mib(above)))
    say()
    judge("convert() of a 100 MB document ≤ 16 MiB above import", "%s MiB" % mib(above),
          above <= MEMORY_TARGET, "convert's peak %s MiB above the import" % mib(above))
    os.remove(target)

    report.finish(os.path.join(scratch, "results.md"))


if __name__ == "__main__":
    main()
