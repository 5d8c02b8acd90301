#!/usr/bin/env python3
"""docs/QUICKSTART.txt's commands, for CTest: QUICKSTART TASC SOURCE WORK

Every command line of the quick start (two spaces, then x64\\tasc.exe) runs in
order, as a Linux author would type it, in WORK holding a copy of examples/:
the step that needs a host (recording in it) is the simulator's recording
there. The tune runs on a budget of 30 sweeps: the test checks that the
command runs and writes, not how well it tunes. Each command must exit 0 and
leave what the quick start says it writes.
"""
import pathlib
import re
import shlex
import shutil
import subprocess
import sys
from xml.etree import ElementTree

# A command: two spaces, the tool and one of its commands (the package's list
# of files names x64\\tasc.exe too, followed by spaces and words).
COMMAND = re.compile(r"^  x64\\tasc\.exe ((?:check|sim|report|fit|tune|beacon) .*)$")
# What each step leaves, by the command's first word, and what it says.
WRITES = {
    "sim": ([], "stop"),
    "check": ([], "0 error(s)"),
    "report": (["report/index.html", "report/sweep-0002-stop1.svg"], "within"),
    "fit": (["fit/vehicle.toml"], "B7Dec 3.36"),
    "tune": (["tune.svg", "examples/vehicle/params/local.csv.bak"], "within +-0.50 m"),
    "beacon": ([], "word "),
}


def commands(quickstart):
    found = []
    for line in pathlib.Path(quickstart).read_text().splitlines():
        m = COMMAND.match(line)
        if m:
            found.append(shlex.split(m.group(1).replace("\\", "/")))
    return found


def main(quickstart, tasc, source, work):
    work = pathlib.Path(work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    shutil.copytree(pathlib.Path(source) / "examples", work / "examples")
    found = commands(quickstart)
    steps = [c[0] for c in found]
    # check, sim, record, report, fit, tune, drive again: in the author's order.
    order = [s for s in steps if s in ("check", "report", "fit", "tune")]
    assert order == ["check", "report", "fit", "tune"], steps
    assert steps.count("sim") >= 3, steps
    for args in found:
        if args[0] == "tune":
            args += ["--budget", "30"]
        p = subprocess.run([tasc] + args, cwd=work, capture_output=True, text=True)
        assert p.returncode == 0, "tasc %s: exit %d\n%s%s" % (
            " ".join(args), p.returncode, p.stdout, p.stderr)
        paths, says = WRITES[args[0]]
        for path in paths:
            assert (work / path).is_file(), "tasc %s wrote no %s" % (" ".join(args), path)
        assert says in p.stdout, "tasc %s: no %r in\n%s" % (" ".join(args), says, p.stdout)
        if "--record" in args:
            assert len(list((work / "records").glob("sweep-*.csv"))) == 12
    ElementTree.parse(work / "report/index.html")
    print("quick start: %d commands ran" % len(found))


if __name__ == "__main__":
    main(*sys.argv[1:])
