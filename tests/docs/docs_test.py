#!/usr/bin/env python3
"""The documentation against the tools, for CTest (standard library only):
  commands TASC SOURCE WORK PAGE | options TASC SOURCE | keys SOURCE | links SOURCE |
  quickstart TASC SOURCE WORK
What each checks and TASC_UPDATE_GOLDEN: docs/development.md, "The documentation's commands"
and "Goldens" (a page's renewed output keeps a shown elision in its place).
"""
import os
import pathlib
import re
import shlex
import shutil
import subprocess
import sys

FENCE = re.compile(r"^(```+|~~~+)(.*)$")
UPDATE = "TASC_UPDATE_GOLDEN" in os.environ
RENEW = "\nIf the change is intended, TASC_UPDATE_GOLDEN=1 renews it (scripts/update_goldens.sh)."


def check(faults, what):
    if faults:
        sys.exit("FAIL: " + "\n\n".join(faults))
    print(what)


def copy_of_examples(tasc, source, work):
    """A fresh WORK holding examples/, and an environment whose tasc is TASC."""
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(source / "examples", work / "examples")
    path = str(pathlib.Path(tasc).parent) + os.pathsep + os.environ["PATH"]
    env = dict(os.environ, PATH=path, LC_ALL="C.UTF-8")
    env.pop("TASC_UPDATE_GOLDEN", None)
    return env


def bash(command, work, env):
    return subprocess.run(["bash", "-c", command], cwd=work, env=env, capture_output=True,
                          text=True, stdin=subprocess.DEVNULL)


def shown(lines):
    """A regular expression of shown output lines: a `...` line stands for any
    run of lines, `...` within a line for any text."""
    return re.compile("".join("(?:.*\n)*" if s == "..." else ".*".join(map(re.escape, s.split(
        "..."))) + "\n" for s in lines))


def renewed(old, new):
    """The output to show from now on: the new lines, with the shown head and
    tail around a `...` line kept to their lengths (a line that still matches
    kept as shown)."""
    if "..." not in old or old.index("...") + old[::-1].index("...") >= len(new):
        return new
    keep = lambda s, a: s if shown([s]).fullmatch(a + "\n") else a
    head, tail = old.index("..."), old[::-1].index("...")
    return [keep(s, a) for s, a in zip(old[:head], new)] + ["..."] + [
        keep(s, a) for s, a in zip(old[len(old) - tail:], new[len(new) - tail:])]


# A page's charts: (the chart its commands make, the page's copy); the README's: sim.golden.chart.
CHARTS = {"docs/reference/report.md": [("report/single-stop-stop1.svg",
                                        "docs/report-single-stop.svg")],
          "docs/reference/fit.md": [("fit/sweep-0010-stop1.svg", "docs/fit-stop.svg")]}


def commands(tasc, source, work, page):
    source, work = pathlib.Path(source), pathlib.Path(work)
    env = copy_of_examples(tasc, source, work)
    text = (source / page).read_text()
    lines = text.split("\n")
    steps, faults, renew = [], [], []  # steps: (line index, command, shown lines)
    fence, current = None, None  # current: the console block's last command
    for k, line in enumerate(lines):
        m = FENCE.match(line)
        if m and (fence is None or line.startswith(fence)):
            fence, console = (m.group(1), m.group(2).strip() == "console") if fence is None \
                else (None, False)
            current = None
        elif fence and console and line.startswith("$ "):
            steps.append(current := (k, line[2:], []))
        elif fence and console and current:
            current[2].append(line)
        elif fence and console:
            faults.append("%s:%d: output before any `$ ` command" % (page, k + 1))
    for at, command, output in steps:
        status = re.search(r"#\s*exit status (\d+)\s*$", command)
        p = bash(command, work, env)
        where = "%s:%d: `%s`" % (page, at + 1, command)
        if p.returncode != (int(status.group(1)) if status else 0):
            faults.append("%s: exit status %d\n%s%s" % (where, p.returncode, p.stdout[-2000:],
                                                        p.stderr[-2000:]))
            continue
        actual = (p.stdout + p.stderr).rstrip("\n").split("\n")
        if not output or shown(output).fullmatch("".join(a + "\n" for a in actual)):
            continue
        renew.append((at, output, actual))
        faults.append("%s: output differs from the page's\n--- shown\n%s\n--- actual\n%s" %
                      (where, "\n".join(output), "\n".join(actual)))
    for made, copy in CHARTS.get(page, []):
        new = (work / made).read_bytes() if (work / made).is_file() else b""
        if new and UPDATE:
            (source / copy).write_bytes(new)
        elif new != (source / copy).read_bytes():
            faults.append("%s differs from %s, which the page's commands made" % (
                copy, work / made))
    if UPDATE and renew:
        for at, output, actual in reversed(renew):  # from the end: the indices stay right
            lines[at + 1:at + 1 + len(output)] = renewed(output, actual)
        (source / page).write_text("\n".join(lines))
        print("rewrote the output shown in %s" % page)
        faults = [f for f in faults if "output differs" not in f]
    if not steps:
        faults.append("%s shows no command to run (a ```console block with `$ ` lines)" % page)
    check(faults + ([RENEW] if faults else []), "%s: %d commands as shown" % (page, len(steps)))


# The subcommands with their reference pages; beacon's options are on its three subcommands.
COMMANDS = {"sim": [["sim"]], "check": [["check"]], "report": [["report"]], "fit": [["fit"]],
            "tune": [["tune"]], "beacon": [["beacon", c] for c in ("encode", "decode", "table")]}


def options(tasc, source):
    faults = []
    for name, invocations in COMMANDS.items():
        page = pathlib.Path(source) / "docs" / "reference" / (name + ".md")
        text = page.read_text() if page.exists() else ""
        for args in invocations:
            p = subprocess.run([tasc] + args + ["--help"], capture_output=True, text=True)
            found = set(re.findall(r"(?<![\w-])--[a-z0-9][a-z0-9-]*", p.stdout)) - {"--help"}
            if p.returncode != 0 or not found:
                faults.append("tasc %s --help: exit status %d, no option listed" % (
                    " ".join(args), p.returncode))
            faults += ["docs/reference/%s.md does not name %s of `tasc %s`" % (
                name, o, " ".join(args)) for o in sorted(found)
                if not re.search(r"(?<![\w-])%s(?![\w-])" % re.escape(o), text)]
    check(faults, "every option of %d commands is on its reference page" % len(COMMANDS))


# The scenario reader's functions and the table each reads.
SECTIONS = {
    "readScenario": "", "readVehicleFolder": "", "vehicleFile": "",
    "readVehicle": "vehicle", "vehicleWarnings": "vehicle",
    "readTrack": "track", "readBeacon": "track.beacon",
    "readTrain": "train", "readRun": "run",
    "readDriver": "driver", "readEvent": "driver.event", "keyCode": "driver.event",
    "readSweep": "sweep", "readAxis": "sweep",
}
KEY_CALL = re.compile(r'\b\w+\.(number|integer|string|boolean|required|get|has|subTable|'
                      r'tableArray)\(\s*"(\w+)"|\breadAxis\(\s*\w+,\s*"(\w+)"')
FUNCTION = re.compile(r"^(?:[\w:<>,&* ]+?\s)?[*&]?(\w+)\([^;]*$")


def keys(source):
    source = pathlib.Path(source)
    read = {("sweep", k) for k in ("from", "to", "step")}  # a sweep axis may be a range
    for file in sorted((source / "tools" / "engine").glob("scenario*.cpp")):
        function = None
        for number, line in enumerate(file.read_text().split("\n"), 1):
            m = FUNCTION.match(line)
            if m and not line.startswith((" ", "}", "#", "/")):
                function = m.group(1)
            # A key names a value; subTable and tableArray name the tables under it.
            calls = KEY_CALL.findall(line)
            if calls and function not in SECTIONS:
                sys.exit("FAIL: %s:%d: keys read in %s(), a function this test does not know: "
                         "add it to SECTIONS with the table it reads" % (file.name, number,
                                                                          function))
            read.update((SECTIONS[function], a + b) for call, a, b in calls
                        if call not in ("subTable", "tableArray"))
    # The keys of each table: the rows under its heading ("## [track]", "### [[track.beacon]]").
    documented, table = set(), None
    for line in (source / "docs" / "scenario.md").read_text().split("\n"):
        heading = re.match(r"^#+ .*?\[\[?([\w.]*)\]\]?", line)
        if heading or line.startswith("#"):
            table = heading.group(1) if heading else \
                "" if re.match(r"^#+ top level", line, re.I) else None
        elif table is not None and line.startswith("|"):
            documented.update((table, key) for key in re.findall(r"`(\w+)`", line.split("|")[1]))
    missing = ["%s%s" % (t + "." if t else "", k) for t, k in sorted(read - documented)]
    check(missing and ["docs/scenario.md lacks keys the reader accepts: " + ", ".join(missing)],
          "%d scenario keys documented" % len(documented))


def outside_blocks(page):
    """(line number, line) of a page's lines that are no fenced block's."""
    fence = None
    for number, line in enumerate(page.read_text().split("\n"), 1):
        m = FENCE.match(line)
        if m and (fence is None or line.startswith(fence)):
            fence = m.group(1) if fence is None else None
        elif fence is None:
            yield number, line


def anchors(page):
    """The anchors of a page's headings as the usual Markdown renderers make them."""
    found, seen = set(), {}
    for _, line in outside_blocks(page):
        m = re.match(r"^#+\s+(.*)$", line)
        if m:
            text = re.sub(r"`|\*|_(?=\W)|(?<=\W)_", "", m.group(1).strip().lower())
            base = re.sub(r"[^\w\- ]", "", text).replace(" ", "-")
            found.add(base + ("-%d" % seen[base] if base in seen else ""))
            seen[base] = seen.get(base, 0) + 1
    return found


def links(source):
    source = pathlib.Path(source)
    pages = [source / "README.md"] + sorted((source / "docs").rglob("*.md"))
    faults, count = [], 0
    for page in pages:
        for number, line in outside_blocks(page):
            for target in re.findall(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)",
                                     re.sub(r"`[^`]*`", "", line)):
                if re.match(r"^[a-z]+:", target):
                    continue
                count += 1
                path, _, anchor = target.partition("#")
                file = (page.parent / path).resolve() if path else page
                where = "%s:%d: %s" % (page.relative_to(source), number, target)
                if not file.exists():
                    faults.append(where + ": no such file")
                elif anchor and file.suffix == ".md" and anchor not in anchors(file):
                    faults.append(where + ": no heading for #" + anchor)
    check(faults, "%d links in %d pages reach their files and headings" % (count, len(pages)))


# The quick start's commands: two spaces, then x64\tasc.exe and one of its
# commands (the package's list of files names x64\tasc.exe too, followed by
# spaces and words), run as a Linux author would type them; the step that
# needs a host (recording in it) is the simulator's recording there. The tune
# runs on a budget of 30 sweeps: the test checks that the command runs and
# writes, not how well it tunes. What each step leaves, by the command's first
# word, and what it says:
QUICK_COMMAND = re.compile(r"^  x64\\tasc\.exe ((?:check|sim|report|fit|tune|beacon) .*)$")
WRITES = {
    "sim": ([], "stop"),
    "check": ([], "0 error(s)"),
    "report": (["report/index.html", "report/sweep-0002-stop1.svg"], "within"),
    "fit": (["fit/vehicle.toml"], "B7Dec 3.36"),
    "tune": (["tune.svg", "examples/vehicle/params/local.csv.bak"], "within +-0.50 m"),
    "beacon": ([], "word "),
}


def quickstart(tasc, source, work):
    source, work = pathlib.Path(source), pathlib.Path(work)
    env = copy_of_examples(tasc, source, work)
    text = (source / "docs" / "QUICKSTART.txt").read_text()
    found = [shlex.split(m.group(1).replace("\\", "/"))
             for m in map(QUICK_COMMAND.match, text.splitlines()) if m]
    steps = [c[0] for c in found]
    # check, sim, record, report, fit, tune, drive again: in the author's order.
    assert [s for s in steps if s in ("check", "report", "fit", "tune")] == [
        "check", "report", "fit", "tune"] and steps.count("sim") >= 3, steps
    for args in found:
        command = shlex.join(["tasc"] + args + (["--budget", "30"] if args[0] == "tune" else []))
        p = bash(command, work, env)
        assert p.returncode == 0, "%s: exit %d\n%s%s" % (command, p.returncode, p.stdout, p.stderr)
        paths, says = WRITES[args[0]]
        for path in paths:
            assert (work / path).is_file(), "%s wrote no %s" % (command, path)
        assert says in p.stdout, "%s: no %r in\n%s" % (command, says, p.stdout)
        if "--record" in args:
            assert len(list((work / "records").glob("sweep-*.csv"))) == 12
    print("quick start: %d commands ran" % len(found))


if __name__ == "__main__":
    modes = {"commands": commands, "options": options, "keys": keys, "links": links,
             "quickstart": quickstart}
    if len(sys.argv) < 2 or sys.argv[1] not in modes:
        sys.exit(__doc__)
    modes[sys.argv[1]](*sys.argv[2:])
