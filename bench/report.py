"""What both benchmark scripts share: the report they print and keep, and the generated corpus."""
import hashlib
import os
import subprocess
import sys


class Report:
    """Lines printed as they come and kept for the results file, and the targets' table."""

    def __init__(self):
        self.lines, self.targets, self.failures = [], [], []

    def say(self, text=""):
        print(text, flush=True)
        self.lines.append(text)

    def judge(self, name, figure, met, failure):
        self.targets.append((name, figure, "yes" if met else "**no**"))
        if not met:
            self.failures.append(failure)

    def finish(self, path):
        """Ends with the targets beside their figures, and writes every line to path."""
        self.say("## Targets")
        self.say()
        self.say("| target | figure | met |")
        self.say("|---|---|---|")
        for row in self.targets:
            self.say("| %s | %s | %s |" % row)
        self.say()
        self.say("Finished with %s." % load_line())
        self.say()
        self.say("Targets missed: " + ("; ".join(self.failures) if self.failures else "none"))
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(self.lines) + "\n")


def load_line():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def make_corpus(generator, folder, scale, shapes):
    """Generates the shapes into folder unless a stamp says this generator already did."""
    stamp = os.path.join(folder, "stamp")
    with open(generator, "rb") as f:
        want = "%s scale=%s shapes=%s" % (hashlib.sha256(f.read()).hexdigest(), scale,
                                          ",".join(shapes))
    if os.path.exists(stamp) and open(stamp).read() == want:
        return
    os.makedirs(folder, exist_ok=True)
    print("generating %s at scale %s ..." % (",".join(shapes), scale), file=sys.stderr)
    subprocess.run([sys.executable, generator, folder, "--scale", str(scale), "--only",
                    ",".join(shapes)], check=True, stdout=subprocess.DEVNULL)
    with open(stamp, "w") as f:
        f.write(want)
