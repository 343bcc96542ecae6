#!/usr/bin/env python3
"""Whole-process benchmark of rtfplain against the floor program; bench/run.sh builds and calls it.

    bench.py --build BUILD_DIR --generator MAKE_CORPUS --scratch DIR [--reps N] [--quick]

For each corpus shape it checks rtfplain's output against the generator's NAME.expected.txt and
times rtfplain and the floor (read in 1 MiB chunks, count backslashes) on the same file,
interleaved, reporting medians. It also times a 1 KB document against `true`, and the `text`
shape at several scales. The tables go to standard output and to DIR/results.md.
"""
import argparse
import collections
import difflib
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time

SHAPES = ["text", "pictures", "cjk", "plain"]
TARGETS = {"text": 2.5, "plain": 2.0, "pictures": 1.5, "cjk": 4.0}
GROWTH_SCALES = [0.25, 0.5, 1, 2]
STARTUP_TARGET_MS = 2.0
GROWTH_TARGET = 4.4
MEMORY_BASE = 16 * 1024 * 1024

# A small document as a simple editor writes it, about 1 KB.
SMALL_DOCUMENT = (
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
    "Calibri;}}\r\n{\\*\\generator SimpleEdit 1.0}\\viewkind4\\uc1 \r\n"
    "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 "
    + "\\par\r\n".join(
        "Paragraph %d of a short letter: the meeting moved to Thursday, caf\\'e9 at ten, "
        "\\b bring the draft\\b0  and the budget figures for the quarter." % k
        for k in range(7)
    )
    + "\\par\r\n}\r\n"
)


class Run:
    """One finished child process, as measured by the timer program: wall time, CPU time and
    peak resident memory."""

    timer = None  # the rtfplain_timer program

    def __init__(self, argv, cwd):
        line = subprocess.run([Run.timer, cwd or "/"] + argv, check=True, capture_output=True,
                              text=True).stdout.split()
        wall, user, system, peak_kb, self.status = (int(x) for x in line)
        self.wall = wall / 1e9
        self.cpu = (user + system) / 1e9
        self.peak = peak_kb * 1024


def file_digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def make_corpus(generator, folder, scale, shapes):
    """Generates the shapes into folder unless a stamp says this generator already did."""
    stamp = os.path.join(folder, "stamp")
    want = "%s scale=%s shapes=%s" % (file_digest(generator), scale, ",".join(shapes))
    if os.path.exists(stamp) and open(stamp).read() == want:
        return
    os.makedirs(folder, exist_ok=True)
    print("generating %s at scale %s ..." % (",".join(shapes), scale), file=sys.stderr)
    subprocess.run([sys.executable, generator, folder, "--scale", str(scale), "--only",
                    ",".join(shapes)], check=True, stdout=subprocess.DEVNULL)
    with open(stamp, "w") as f:
        f.write(want)


def place_program(program, folder, name="rtfplain"):
    """rtfplain reads its input from its own folder, so a copy lies beside the corpus."""
    target = os.path.join(folder, name)
    shutil.copy2(program, target)
    return target


def similarity(output_path, expected_path):
    """Cheap, line-based: the share of lines found in both (as multisets), plus a character
    ratio on the first 16 KB, and whether the two are byte for byte the same."""
    with open(output_path, "rb") as f:
        got = f.read()
    with open(expected_path, "rb") as f:
        want = f.read()
    got_lines = collections.Counter(got.split(b"\r\n"))
    want_lines = collections.Counter(want.split(b"\r\n"))
    common = sum((got_lines & want_lines).values())
    line_rate = common / max(sum(got_lines.values()), sum(want_lines.values()), 1)
    sample = 16 * 1024
    matcher = difflib.SequenceMatcher(None, got[:sample].decode("utf-8", "replace"),
                                      want[:sample].decode("utf-8", "replace"), autojunk=False)
    return line_rate, matcher.ratio(), got == want


def timed_pairs(pairs, reps):
    """Runs every (name, argv, cwd, before) pair reps times, interleaved; order alternates per
    repetition so neither side always runs first. Returns name -> list of Runs."""
    results = collections.defaultdict(list)
    for name, argv, cwd, before in pairs:  # warm the file cache and the program's pages
        if before:
            before()
        Run(argv, cwd)
    for rep in range(reps):
        order = pairs if rep % 2 == 0 else list(reversed(pairs))
        for name, argv, cwd, before in order:
            if before:
                before()
            run = Run(argv, cwd)
            if run.status != 0:
                sys.exit("bench: %s exited with status %d" % (" ".join(argv), run.status))
            results[name].append(run)
    return results


def median(runs, field):
    return statistics.median(getattr(r, field) for r in runs)


def remover(path):
    # A run writes a new output: an old one is removed first, outside the timing.
    return lambda: os.path.exists(path) and os.remove(path)


def mib(n):
    return n / (1024 * 1024)


def load_line():
    one, five, fifteen = os.getloadavg()
    return "load average %.2f %.2f %.2f" % (one, five, fifteen)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="Release build folder")
    parser.add_argument("--generator", required=True, help="make_corpus.py")
    parser.add_argument("--scratch", required=True, help="folder for the corpus and the outputs")
    parser.add_argument("--reps", type=int, default=21, help="timed repetitions (default 21)")
    parser.add_argument("--quick", action="store_true", help="scale 0.25, 3 repetitions")
    parser.add_argument("--skip-growth", action="store_true", help="leave out the scale series")
    parser.add_argument("--baseline", help="another rtfplain build, timed in the same run")
    args = parser.parse_args()

    scale = 0.25 if args.quick else 1
    reps = 3 if args.quick else args.reps
    program = os.path.join(args.build, "src", "rtfplain")
    floor = os.path.join(args.build, "bench", "rtfplain_floor")
    true = shutil.which("true")
    Run.timer = os.path.join(args.build, "bench", "rtfplain_timer")
    scratch = os.path.abspath(args.scratch)
    out = os.path.join(scratch, "out")
    os.makedirs(out, exist_ok=True)
    lines = []

    def say(text=""):
        print(text, flush=True)
        lines.append(text)

    say("# rtfplain benchmark")
    say()
    say("%s; %d cores; %s; %d repetitions, interleaved, medians" % (
        time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), os.cpu_count(), load_line(), reps))
    say()

    # --- shapes --------------------------------------------------------------------------
    corpus = os.path.join(scratch, "scale-%s" % scale)
    make_corpus(args.generator, corpus, scale, SHAPES)
    exe = place_program(program, corpus)
    base_out = os.path.join(scratch, "out-baseline")
    if args.baseline:
        base_exe = place_program(args.baseline, corpus, "rtfplain-baseline")
        os.makedirs(base_out, exist_ok=True)
    pairs = []
    for shape in SHAPES:
        document = os.path.join(corpus, shape + ".rtf")
        output = os.path.join(out, shape + ".rtf.txt")
        pairs.append(("floor " + shape, [floor, document], None, None))
        pairs.append((shape, [exe, shape + ".rtf"], out, remover(output)))
        if args.baseline:
            pairs.append(("baseline " + shape, [base_exe, shape + ".rtf"], base_out,
                          remover(os.path.join(base_out, shape + ".rtf.txt"))))
    results = timed_pairs(pairs, reps)

    say("## Shapes at scale %s" % scale)
    say()
    say("| shape | input MB | rtfplain ms | floor ms | MB/s | ratio | target | CPU ratio "
        "| peak RSS MiB | limit MiB | lines matched | sample ratio | exact |")
    say("|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    failures = []
    for shape in SHAPES:
        document = os.path.join(corpus, shape + ".rtf")
        output = os.path.join(out, shape + ".rtf.txt")
        size = os.path.getsize(document)
        t = median(results[shape], "wall")
        f = median(results["floor " + shape], "wall")
        cpu = median(results[shape], "cpu") / max(median(results["floor " + shape], "cpu"), 1e-4)
        peak = max(r.peak for r in results[shape])
        limit = MEMORY_BASE + 2 * os.path.getsize(output)
        line_rate, sample_ratio, exact = similarity(output,
                                                    os.path.join(corpus, shape + ".expected.txt"))
        ratio = t / f
        if ratio > TARGETS[shape]:
            failures.append("%s ratio %.2f > %.1f" % (shape, ratio, TARGETS[shape]))
        if peak > limit:
            failures.append("%s peak memory %.1f MiB > %.1f MiB" % (shape, mib(peak), mib(limit)))
        say("| %s | %.1f | %.1f | %.1f | %.0f | %.2f | %.1f | %.2f | %.1f | %.1f | %.4f | %.4f | %s |"
            % (shape, size / 1e6, t * 1e3, f * 1e3, size / 1e6 / t, ratio, TARGETS[shape], cpu,
               mib(peak), mib(limit), line_rate, sample_ratio, "yes" if exact else "no"))
    say()
    if args.baseline:
        say("Baseline build (%s), same run:" % args.baseline)
        say()
        say("| shape | baseline ms | ratio to floor | CPU ratio | peak RSS MiB |")
        say("|---|---|---|---|---|")
        for shape in SHAPES:
            b = median(results["baseline " + shape], "wall")
            f = median(results["floor " + shape], "wall")
            cpu = median(results["baseline " + shape], "cpu") / max(
                median(results["floor " + shape], "cpu"), 1e-4)
            say("| %s | %.1f | %.2f | %.2f | %.1f |" % (
                shape, b * 1e3, b / f, cpu, mib(max(r.peak for r in results["baseline " + shape]))))
        say()

    # --- start-up ------------------------------------------------------------------------
    small_folder = os.path.join(scratch, "small")
    os.makedirs(small_folder, exist_ok=True)
    with open(os.path.join(small_folder, "small.rtf"), "w", newline="") as f:
        f.write(SMALL_DOCUMENT)
    small_exe = place_program(program, small_folder)
    startup_reps = 30 if args.quick else 200
    small_output = os.path.join(out, "small.rtf.txt")
    startup = timed_pairs([("true", [true], None, None),
                           ("small", [small_exe, "small.rtf"], out, remover(small_output))],
                          startup_reps)
    t_true = median(startup["true"], "wall")
    t_small = median(startup["small"], "wall")
    extra_ms = (t_small - t_true) * 1e3
    if extra_ms > STARTUP_TARGET_MS:
        failures.append("start-up %.2f ms > %.1f ms above true" % (extra_ms, STARTUP_TARGET_MS))
    say("## Start-up: a %d-byte document against `true` (%d repetitions)" %
        (len(SMALL_DOCUMENT), startup_reps))
    say()
    cpu_extra_ms = (median(startup["small"], "cpu") - median(startup["true"], "cpu")) * 1e3
    say("| rtfplain ms | true ms | above true ms | target ms | CPU above true ms | peak RSS MiB |")
    say("|---|---|---|---|---|---|")
    say("| %.2f | %.2f | %.2f | %.1f | %.2f | %.1f |" % (
        t_small * 1e3, t_true * 1e3, extra_ms, STARTUP_TARGET_MS, cpu_extra_ms,
        mib(max(r.peak for r in startup["small"]))))
    say()

    # --- growth --------------------------------------------------------------------------
    if not args.skip_growth and not args.quick:
        pairs = []
        for s in GROWTH_SCALES:
            folder = os.path.join(scratch, "text-%s" % s)
            make_corpus(args.generator, folder, s, ["text"])
            growth_exe = place_program(program, folder)
            output = os.path.join(out, "text.rtf.txt")
            pairs.append(("text %s" % s, [growth_exe, "text.rtf"], out, remover(output)))
            pairs.append(("floor %s" % s, [floor, os.path.join(folder, "text.rtf")], None, None))
        growth = timed_pairs(pairs, reps)
        say("## Growth: `text` by scale")
        say()
        say("| scale | input MB | rtfplain ms | floor ms | ratio | peak RSS MiB |")
        say("|---|---|---|---|---|---|")
        for s in GROWTH_SCALES:
            size = os.path.getsize(os.path.join(scratch, "text-%s" % s, "text.rtf"))
            t = median(growth["text %s" % s], "wall")
            f = median(growth["floor %s" % s], "wall")
            say("| %s | %.1f | %.1f | %.1f | %.2f | %.1f |" % (
                s, size / 1e6, t * 1e3, f * 1e3, t / f,
                mib(max(r.peak for r in growth["text %s" % s]))))
        growth_ratio = median(growth["text 2"], "wall") / median(growth["text 0.5"], "wall")
        if growth_ratio > GROWTH_TARGET:
            failures.append("growth 2 vs 0.5 is %.2f > %.1f" % (growth_ratio, GROWTH_TARGET))
        say()
        say("Time at scale 2 / time at scale 0.5: %.2f (target %.1f, linear is 4.0)" %
            (growth_ratio, GROWTH_TARGET))
        say()

    say("Finished with %s." % load_line())
    say()
    say("Targets missed: " + ("; ".join(failures) if failures else "none"))
    with open(os.path.join(scratch, "results.md"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
