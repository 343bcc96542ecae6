#!/usr/bin/env python3
"""Whole-process benchmark of rtfplain against two references; bench/run.sh builds and calls it.

    bench.py --build BUILD_DIR --toy TOKTOY --generator MAKE_CORPUS --scratch DIR
             [--reps N] [--quick] [--skip-growth] [--baseline EXE] [--startup-only]

For each corpus shape, at scales 0.5 and 1, it checks rtfplain's output against the generator's
NAME.expected.txt and times rtfplain, the floor (read in 1 MiB chunks, count backslashes) and the
toy tokenizer (a byte-at-a-time state machine that decodes and writes nothing) on the same file,
interleaved, reporting medians and same-run ratios. It also times a 1 KB document against `true`,
and the `text` shape at several scales. The tables, and the targets beside the figures, go to
standard output and to DIR/results.md.
"""
import argparse
import collections
import difflib
import os
import shutil
import statistics
import subprocess
import sys
import time

from report import Report, load_line, make_corpus

SHAPES = ["text", "pictures", "cjk", "cyrillic", "plain"]
SCALES = [0.5, 1]
QUICK_SCALES = [0.25]
# Ratios of rtfplain's wall time to the toy's, at every scale of the shapes.
TOY_TARGETS = {"cjk": 1.5, "cyrillic": 1.5, "text": 1.15, "plain": 0.7, "pictures": 0.35}
# Ratios to the floor, at the largest scale (the floor's time per megabyte falls with the size).
FLOOR_TARGETS = {"text": 2.5, "plain": 2.0, "pictures": 1.5, "cjk": 4.0}
GROWTH_SCALES = [0.25, 0.5, 1, 2]
STARTUP_TARGET_MS = 0.3
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


class Entry:
    """One program to time: its name in the results, its command, the folder it runs in, and
    what to do before each run (outside the timing)."""

    def __init__(self, name, argv, cwd=None, before=None):
        self.name, self.argv, self.cwd, self.before = name, argv, cwd, before


def timed_groups(groups, reps):
    """Runs every entry of every group reps times. The entries of a group (the programs timed on
    one file) run one after the other, so a busy spell of the host falls on all of them; their
    order rotates per repetition so each takes every place equally often, and runs backwards
    every other round of rotations so each follows every other equally often (a program run just
    after a similar one ran 2-3% faster on a short document); the order of the groups
    alternates. Returns name -> list of Runs."""
    results = collections.defaultdict(list)
    for group in groups:  # warm the file cache and the programs' pages
        for e in group:
            if e.before:
                e.before()
            Run(e.argv, e.cwd)
    for rep in range(reps):
        for group in groups if rep % 2 == 0 else reversed(groups):
            k = rep % len(group)
            order = group[k:] + group[:k]
            if (rep // len(group)) % 2 == 1:
                order.reverse()
            for e in order:
                if e.before:
                    e.before()
                run = Run(e.argv, e.cwd)
                if run.status != 0:
                    sys.exit("bench: %s exited with status %d" % (" ".join(e.argv), run.status))
                results[e.name].append(run)
    return results


def median(runs, field):
    return statistics.median(getattr(r, field) for r in runs)


def remover(path):
    # A run writes a new output: an old one is removed first, outside the timing.
    return lambda: os.path.exists(path) and os.remove(path)


def mib(n):
    return n / (1024 * 1024)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True, help="Release build folder")
    parser.add_argument("--toy", required=True, help="the toy tokenizer, built")
    parser.add_argument("--generator", required=True, help="make_corpus.py")
    parser.add_argument("--scratch", required=True, help="folder for the corpus and the outputs")
    parser.add_argument("--reps", type=int, default=21, help="timed repetitions (default 21)")
    parser.add_argument("--quick", action="store_true", help="scale 0.25, 3 repetitions")
    parser.add_argument("--skip-growth", action="store_true", help="leave out the scale series")
    parser.add_argument("--baseline", help="another rtfplain build, timed in the same run")
    parser.add_argument("--startup-only", action="store_true",
                        help="only the start-up: the 1 KB document against `true`")
    args = parser.parse_args()

    scales = QUICK_SCALES if args.quick else SCALES
    reps = 3 if args.quick else args.reps
    program = os.path.join(args.build, "src", "rtfplain")
    floor = os.path.join(args.build, "bench", "rtfplain_floor")
    toy = os.path.abspath(args.toy)
    true = shutil.which("true")
    Run.timer = os.path.join(args.build, "bench", "rtfplain_timer")
    scratch = os.path.abspath(args.scratch)
    out = os.path.join(scratch, "out")
    os.makedirs(out, exist_ok=True)
    report = Report()
    say, judge = report.say, report.judge

    say("# rtfplain benchmark")
    say()
    say("%s; %d cores; %s; %d repetitions, interleaved, medians" % (
        time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), os.cpu_count(), load_line(), reps))
    if args.quick:
        say()
        say("Quick run (scale 0.25, 3 repetitions): a check that everything runs, not a result; "
            "the targets hold at scales 0.5 and 1.")
    say()

    # --- shapes ------------------------------------------------------------------------
    # --- shapes --------------------------------------------------------------------------
    peaks = []  # (peak, limit) of every rtfplain run checked against the memory target
    if not args.startup_only:
        # One group per shape and scale: rtfplain, the floor and the toy on the same file.
        groups = []
        for scale in scales:
            corpus = os.path.join(scratch, "scale-%s" % scale)
            make_corpus(args.generator, corpus, scale, SHAPES)
            exe = place_program(program, corpus)
            scale_out = os.path.join(out, "scale-%s" % scale)
            os.makedirs(scale_out, exist_ok=True)
            if args.baseline:
                base_exe = place_program(args.baseline, corpus, "rtfplain-baseline")
                base_out = os.path.join(scratch, "out-baseline", "scale-%s" % scale)
                os.makedirs(base_out, exist_ok=True)
            for shape in SHAPES:
                document = os.path.join(corpus, shape + ".rtf")
                key = "%s %s" % (shape, scale)
                group = [Entry("floor " + key, [floor, document]),
                         Entry("toy " + key, [toy, document]),
                         Entry(key, [exe, shape + ".rtf"], scale_out,
                               remover(os.path.join(scale_out, shape + ".rtf.txt")))]
                if args.baseline:
                    group.append(Entry("baseline " + key, [base_exe, shape + ".rtf"], base_out,
                                       remover(os.path.join(base_out, shape + ".rtf.txt"))))
                groups.append(group)
        results = timed_groups(groups, reps)

        def wall(name):
            return median(results[name], "wall")

        def cpu(name):
            return max(median(results[name], "cpu"), 1e-4)

        for scale in scales:
            corpus = os.path.join(scratch, "scale-%s" % scale)
            scale_out = os.path.join(out, "scale-%s" % scale)
            say("## Shapes at scale %s" % scale)
            say()
            say("| shape | input MB | rtfplain ms | floor ms | toy ms | MB/s | to floor | to toy "
                "| CPU to floor | CPU to toy | peak RSS MiB | limit MiB | lines matched "
                "| sample ratio | exact |")
            say("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
            for shape in SHAPES:
                key = "%s %s" % (shape, scale)
                document = os.path.join(corpus, shape + ".rtf")
                output = os.path.join(scale_out, shape + ".rtf.txt")
                size = os.path.getsize(document)
                t, f, y = wall(key), wall("floor " + key), wall("toy " + key)
                peak = max(r.peak for r in results[key])
                limit = MEMORY_BASE + 2 * os.path.getsize(output)
                peaks.append((peak, limit, key))
                line_rate, sample_ratio, exact = similarity(
                    output, os.path.join(corpus, shape + ".expected.txt"))
                say("| %s | %.1f | %.1f | %.1f | %.1f | %.0f | %.2f | %.2f | %.2f | %.2f | %.1f | %.1f "
                    "| %.4f | %.4f | %s |" % (
                        shape, size / 1e6, t * 1e3, f * 1e3, y * 1e3, size / 1e6 / t, t / f, t / y,
                        cpu(key) / cpu("floor " + key), cpu(key) / cpu("toy " + key), mib(peak),
                        mib(limit), line_rate, sample_ratio, "yes" if exact else "no"))
            say()
            if args.baseline:
                say("Baseline build (%s), same run:" % args.baseline)
                say()
                say("| shape | baseline ms | to floor | to toy | CPU to floor | peak RSS MiB |")
                say("|---|---|---|---|---|---|")
                for shape in SHAPES:
                    key = "%s %s" % (shape, scale)
                    b = wall("baseline " + key)
                    say("| %s | %.1f | %.2f | %.2f | %.2f | %.1f |" % (
                        shape, b * 1e3, b / wall("floor " + key), b / wall("toy " + key),
                        cpu("baseline " + key) / cpu("floor " + key),
                        mib(max(r.peak for r in results["baseline " + key]))))
                say()

        for shape in TOY_TARGETS:
            for scale in scales:
                key = "%s %s" % (shape, scale)
                ratio = wall(key) / wall("toy " + key)
                judge("%s ≤ %.2f × toy, scale %s" % (shape, TOY_TARGETS[shape], scale),
                      "%.2f" % ratio, ratio <= TOY_TARGETS[shape],
                      "%s at scale %s: %.2f × toy > %.2f" % (shape, scale, ratio, TOY_TARGETS[shape]))
        top = scales[-1]
        for shape, target in FLOOR_TARGETS.items():
            key = "%s %s" % (shape, top)
            ratio = wall(key) / wall("floor " + key)
            judge("%s ≤ %.1f × floor, scale %s" % (shape, target, top), "%.2f" % ratio,
                  ratio <= target, "%s at scale %s: %.2f × floor > %.1f" % (shape, top, ratio, target))

    # --- start-up ------------------------------------------------------------------------
    small_folder = os.path.join(scratch, "small")
    os.makedirs(small_folder, exist_ok=True)
    with open(os.path.join(small_folder, "small.rtf"), "w", newline="") as f:
        f.write(SMALL_DOCUMENT)
    small_exe = place_program(program, small_folder)
    startup_reps = 30 if args.quick else 200
    small_output = os.path.join(out, "small.rtf.txt")
    startup_group = [Entry("true", [true]),
                     Entry("small", [small_exe, "small.rtf"], out, remover(small_output))]
    if args.baseline:
        base_small_exe = place_program(args.baseline, small_folder, "rtfplain-baseline")
        base_small_out = os.path.join(scratch, "out-baseline")
        os.makedirs(base_small_out, exist_ok=True)
        startup_group.append(Entry("baseline small", [base_small_exe, "small.rtf"], base_small_out,
                                   remover(os.path.join(base_small_out, "small.rtf.txt"))))
    startup = timed_groups([startup_group], startup_reps)
    t_true = median(startup["true"], "wall")
    t_small = median(startup["small"], "wall")
    extra_ms = (t_small - t_true) * 1e3
    judge("1 KB start-up ≤ %.1f ms above `true`" % STARTUP_TARGET_MS, "%.2f ms" % extra_ms,
          extra_ms <= STARTUP_TARGET_MS,
          "start-up %.2f ms > %.1f ms above true" % (extra_ms, STARTUP_TARGET_MS))
    say("## Start-up: a %d-byte document against `true` (%d repetitions)" %
        (len(SMALL_DOCUMENT), startup_reps))
    say()
    cpu_extra_ms = (median(startup["small"], "cpu") - median(startup["true"], "cpu")) * 1e3
    say("| rtfplain ms | true ms | above true ms | target ms | CPU above true ms | peak RSS MiB |")
    say("|---|---|---|---|---|---|")
    say("| %.2f | %.2f | %.2f | %.1f | %.2f | %.1f |" % (
        t_small * 1e3, t_true * 1e3, extra_ms, STARTUP_TARGET_MS, cpu_extra_ms,
        mib(max(r.peak for r in startup["small"]))))
    if args.baseline:
        t_base = median(startup["baseline small"], "wall")
        say("| baseline: %.2f | %.2f | %.2f | | %.2f | %.1f |" % (
            t_base * 1e3, t_true * 1e3, (t_base - t_true) * 1e3,
            (median(startup["baseline small"], "cpu") - median(startup["true"], "cpu")) * 1e3,
            mib(max(r.peak for r in startup["baseline small"]))))
    say()

    # --- growth --------------------------------------------------------------------------
    growth_ratio = None
    if not args.skip_growth and not args.quick and not args.startup_only:
        groups = []
        for s in GROWTH_SCALES:
            folder = os.path.join(scratch, "text-%s" % s)
            make_corpus(args.generator, folder, s, ["text"])
            growth_exe = place_program(program, folder)
            growth_out = os.path.join(out, "text-%s" % s)
            os.makedirs(growth_out, exist_ok=True)
            output = os.path.join(growth_out, "text.rtf.txt")
            groups.append([Entry("text %s" % s, [growth_exe, "text.rtf"], growth_out,
                                 remover(output)),
                           Entry("floor %s" % s, [floor, os.path.join(folder, "text.rtf")])])
        growth = timed_groups(groups, reps)
        say("## Growth: `text` by scale")
        say()
        say("| scale | input MB | rtfplain ms | floor ms | ratio | peak RSS MiB |")
        say("|---|---|---|---|---|---|")
        for s in GROWTH_SCALES:
            size = os.path.getsize(os.path.join(scratch, "text-%s" % s, "text.rtf"))
            t = median(growth["text %s" % s], "wall")
            f = median(growth["floor %s" % s], "wall")
            peak = max(r.peak for r in growth["text %s" % s])
            output = os.path.join(out, "text-%s" % s, "text.rtf.txt")
            peaks.append((peak, MEMORY_BASE + 2 * os.path.getsize(output), "text %s" % s))
            say("| %s | %.1f | %.1f | %.1f | %.2f | %.1f |" % (
                s, size / 1e6, t * 1e3, f * 1e3, t / f, mib(peak)))
        growth_ratio = median(growth["text 2"], "wall") / median(growth["text 0.5"], "wall")
        say()
        say("Time at scale 2 / time at scale 0.5: %.2f (target %.1f, linear is 4.0)" %
            (growth_ratio, GROWTH_TARGET))
        say()

    over = [(p, l, k) for p, l, k in peaks if p > l]
    if peaks:
        judge("peak memory ≤ 16 MiB + 2 × output", "%.1f-%.1f MiB, every shape and scale" % (
            mib(min(p for p, _, _ in peaks)), mib(max(p for p, _, _ in peaks))), not over,
            "; ".join("%s peak memory %.1f MiB > %.1f MiB" % (k, mib(p), mib(l))
                      for p, l, k in over))
    if growth_ratio is None:
        report.targets.append(("text, scale 2 against 0.5 ≤ %.1f×" % GROWTH_TARGET, "not run", ""))
    else:
        judge("text, scale 2 against 0.5 ≤ %.1f×" % GROWTH_TARGET, "%.2f" % growth_ratio,
              growth_ratio <= GROWTH_TARGET,
              "growth 2 vs 0.5 is %.2f > %.1f" % (growth_ratio, GROWTH_TARGET))

    report.finish(os.path.join(scratch, "results.md"))


if __name__ == "__main__":
    main()
