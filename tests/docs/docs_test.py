#!/usr/bin/env python3
"""The documentation against the tools, for CTest (standard library only):
  commands TASC SOURCE WORK PAGE  run every command a page shows and compare
                                  the output it shows
  options  TASC SOURCE            every option of `tasc CMD --help` is on the
                                  command's reference page
  keys     SOURCE                 every key the scenario reader accepts is in
                                  docs/scenario.md, under its table
  links    SOURCE                 every relative link of README.md and docs/
                                  reaches a file, and every anchor a heading
  charts   TASC SOURCE WORK       the charts the pages show, made again by the
                                  commands the pages show, are the committed ones

A runnable block is a fenced ```console block. Each `$ ` line is a command,
run by bash from the root of a copy of examples/ (fresh for each page, shared
by the page's commands in order), `tasc` being the built one; the lines up to
the next `$ ` line are its output as shown: standard output, then standard
error. A line `...` in the output stands for any number of lines, and `...`
within a line for any text (timings). No output shown: only the exit status
is checked. `# exit status N` at the end of the command says the status
expected (default 0).

With TASC_UPDATE_GOLDEN set, a page whose output differs is rewritten with
the new output (a shown elision keeps its place), and a chart that differs
is copied over, instead of failing.
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys

FENCE = re.compile(r"^(```+|~~~+)(.*)$")
STATUS = re.compile(r"#\s*exit status (\d+)\s*$")
ELISION = "..."


def fail(message):
    sys.exit("FAIL: " + message)


def blocks(text):
    """(first line index, info string, lines) of every fenced block."""
    lines = text.split("\n")
    found, i = [], 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        fence, info, body = m.group(1), m.group(2).strip(), []
        i += 1
        while i < len(lines) and not lines[i].startswith(fence):
            body.append(lines[i])
            i += 1
        found.append((i - len(body), info, body))
        i += 1
    return found


def shown_pattern(shown):
    """A regular expression of shown output lines: a `...` line stands for any
    run of lines, `...` within a line for any text."""
    return "".join("(?:.*\n)*" if line == ELISION else
                   ".*".join(re.escape(piece) for piece in line.split(ELISION)) + "\n"
                   for line in shown)


def line_matches(shown, actual):
    return re.fullmatch(shown_pattern([shown]), actual + "\n") is not None


def output_matches(shown, actual):
    return re.fullmatch(shown_pattern(shown), "".join(a + "\n" for a in actual)) is not None


def renewed(shown, actual):
    """The output to show from now on: the actual lines, with the shown head
    and tail around a `...` line kept to their lengths."""
    if ELISION not in shown:
        return actual
    head = shown.index(ELISION)
    tail = len(shown) - 1 - max(i for i, s in enumerate(shown) if s == ELISION)
    if head + tail >= len(actual):
        return actual
    kept = [s if line_matches(s, a) else a for s, a in zip(shown[:head], actual)]
    end = actual[len(actual) - tail:] if tail else []
    kept_end = [s if line_matches(s, a) else a for s, a in zip(shown[len(shown) - tail:], end)]
    return kept + [ELISION] + kept_end


def commands(tasc, source, work, page):
    source = pathlib.Path(source)
    path = source / page
    text = path.read_text()
    work = pathlib.Path(work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    shutil.copytree(source / "examples", work / "examples")
    env = dict(os.environ, PATH=str(pathlib.Path(tasc).parent) + os.pathsep + os.environ["PATH"],
               LC_ALL="C.UTF-8")
    env.pop("TASC_UPDATE_GOLDEN", None)
    lines = text.split("\n")
    faults, ran, offset = [], 0, 0  # offset: lines added to the page by renewed outputs
    for start, info, body in blocks(text):
        if info != "console":
            continue
        steps = []  # (line index of the command, command, shown output lines)
        for k, line in enumerate(body):
            if line.startswith("$ "):
                steps.append((start + k, line[2:], []))
            elif steps:
                steps[-1][2].append(line)
            else:
                faults.append("%s:%d: output before any `$ ` command" % (page, start + k + 1))
        for at, command, shown in steps:
            status = STATUS.search(command)
            expected = int(status.group(1)) if status else 0
            p = subprocess.run(["bash", "-c", command], cwd=work, env=env, capture_output=True,
                               text=True, stdin=subprocess.DEVNULL)
            ran += 1
            where = "%s:%d: `%s`" % (page, at + 1, command)
            if p.returncode != expected:
                faults.append("%s: exit status %d, expected %d\n%s%s" % (
                    where, p.returncode, expected, p.stdout[-2000:], p.stderr[-2000:]))
                continue
            if not shown:
                continue
            actual = (p.stdout + p.stderr).rstrip("\n").split("\n")
            if output_matches(shown, actual):
                continue
            if os.environ.get("TASC_UPDATE_GOLDEN"):
                new = renewed(shown, actual)
                lines[at + offset + 1:at + offset + 1 + len(shown)] = new
                offset += len(new) - len(shown)
                continue
            faults.append("%s: output differs from the page's\n--- shown\n%s\n--- actual\n%s" % (
                where, "\n".join(shown), "\n".join(actual)))
    if os.environ.get("TASC_UPDATE_GOLDEN") and "\n".join(lines) != path.read_text():
        path.write_text("\n".join(lines))
        print("rewrote the output shown in %s" % page)
    if ran == 0:
        faults.append("%s shows no command to run (a ```console block with `$ ` lines)" % page)
    if faults:
        fail("\n\n".join(faults) + "\n\nIf the change is intended, TASC_UPDATE_GOLDEN=1 renews "
             "the shown output (scripts/update_goldens.sh).")
    print("%s: %d commands as shown" % (page, ran))


# The subcommands, each with its reference page; beacon's options are on its
# three subcommands.
COMMANDS = {
    "sim": [["sim"]],
    "check": [["check"]],
    "beacon": [["beacon", "encode"], ["beacon", "decode"], ["beacon", "table"]],
    "report": [["report"]],
    "fit": [["fit"]],
    "tune": [["tune"]],
}


def options(tasc, source):
    source = pathlib.Path(source)
    faults = []
    for name, invocations in COMMANDS.items():
        page = source / "docs" / "reference" / (name + ".md")
        if not page.exists():
            faults.append("no reference page %s for `tasc %s`" % (page, name))
            continue
        text = page.read_text()
        for args in invocations:
            p = subprocess.run([tasc] + args + ["--help"], capture_output=True, text=True)
            if p.returncode != 0:
                faults.append("tasc %s --help: exit status %d" % (" ".join(args), p.returncode))
            found = set(re.findall(r"(?<![\w-])--[a-z0-9][a-z0-9-]*", p.stdout)) - {"--help"}
            if not found:
                faults.append("tasc %s --help lists no option" % " ".join(args))
            for option in sorted(found):
                if not re.search(r"(?<![\w-])%s(?![\w-])" % re.escape(option), text):
                    faults.append("docs/reference/%s.md does not name %s of `tasc %s`" % (
                        name, option, " ".join(args)))
    if faults:
        fail("\n".join(faults))
    print("every option of %d commands is on its reference page" % len(COMMANDS))


# The scenario reader's functions and the table each reads.
SECTIONS = {
    "readScenario": "", "readVehicleFolder": "", "vehicleFile": "",
    "readVehicle": "vehicle", "vehicleWarnings": "vehicle",
    "readTrack": "track", "readBeacon": "track.beacon",
    "readTrain": "train", "readRun": "run",
    "readDriver": "driver", "readEvent": "driver.event", "keyCode": "driver.event",
    "readSweep": "sweep", "readAxis": "sweep",
}
KEY_CALL = re.compile(
    r'\b\w+\.(?:number|integer|string|boolean|required|get|has|subTable|tableArray)\(\s*"(\w+)"')
AXIS_CALL = re.compile(r'\breadAxis\(\s*\w+,\s*"(\w+)"')
FUNCTION = re.compile(r"^(?:[\w:<>,&* ]+?\s)?[*&]?(\w+)\([^;]*$")
TABLE_CALL = re.compile(r'\.(?:subTable|tableArray)\(\s*"(\w+)"')


def reader_keys(source):
    """(table, key) of every key the scenario reader reads, by its source."""
    keys = set()
    for file in sorted((source / "tools" / "engine").glob("scenario*.cpp")):
        function = None
        for number, line in enumerate(file.read_text().split("\n"), 1):
            m = FUNCTION.match(line)
            if m and not line.startswith((" ", "}", "#", "/")):
                function = m.group(1)
            found = KEY_CALL.findall(line) + AXIS_CALL.findall(line)
            if not found:
                continue
            if function not in SECTIONS:
                fail("%s:%d: keys read in %s(), a function this test does not know: add it "
                     "to SECTIONS with the table it reads" % (file.name, number, function))
            tables = set(TABLE_CALL.findall(line))
            for key in found:
                if key not in tables:
                    keys.add((SECTIONS[function], key))
    # A sweep axis may be a range.
    keys.update({("sweep", k) for k in ("from", "to", "step")})
    return keys


def keys(source):
    source = pathlib.Path(source)
    page = source / "docs" / "scenario.md"
    # The keys of each table: the rows of its section (a heading naming the
    # table in brackets, e.g. "## [track]" or "### [[track.beacon]]").
    documented, table = set(), None
    for line in page.read_text().split("\n"):
        heading = re.match(r"^#+ .*?\[\[?([\w.]*)\]\]?", line)
        if heading:
            table = heading.group(1)
        elif line.startswith("#"):
            table = "" if re.match(r"^#+ top level", line, re.I) else None
        elif table is not None and line.startswith("|"):
            for key in re.findall(r"`(\w+)`", line.split("|")[1]):
                documented.add((table, key))
    missing = sorted(reader_keys(source) - documented)
    if missing:
        fail("docs/scenario.md lacks keys the reader accepts: " + ", ".join(
            "%s%s" % (t + "." if t else "", k) for t, k in missing))
    print("%d scenario keys documented" % len(documented))


LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")


def slug(heading):
    """The anchor of a heading as the usual Markdown renderers make it."""
    text = re.sub(r"`|\*|_(?=\W)|(?<=\W)_", "", heading.strip().lower())
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(page):
    found, seen = set(), {}
    in_block = False
    for line in page.read_text().split("\n"):
        if FENCE.match(line):
            in_block = not in_block
            continue
        m = re.match(r"^#+\s+(.*)$", line)
        if m and not in_block:
            base = slug(m.group(1))
            n = seen.get(base, 0)
            seen[base] = n + 1
            found.add(base if n == 0 else "%s-%d" % (base, n))
    return found


def links(source):
    source = pathlib.Path(source)
    pages = [source / "README.md"] + sorted((source / "docs").rglob("*.md"))
    faults, count = [], 0
    for page in pages:
        in_block = False
        for number, line in enumerate(page.read_text().split("\n"), 1):
            if FENCE.match(line):
                in_block = not in_block
                continue
            if in_block:
                continue
            for target in LINK.findall(re.sub(r"`[^`]*`", "", line)):
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
    if faults:
        fail("\n".join(faults))
    print("%d links in %d pages reach their files and headings" % (count, len(pages)))


# The charts of the pages: (commands run in order from the root of a copy of
# examples/, the chart they make, the page's copy). The README's chart of the
# bundled stop is sim.golden.chart's golden.
CHARTS = [
    (["tasc sim examples/single-stop.toml --quiet --no-trace --no-chart --record rec",
      "tasc report rec/single-stop.csv --stop-at 500 --out report"],
     "report/single-stop-stop1.svg", "docs/report-single-stop.svg"),
    (["tasc sim examples/sweep.toml --quiet --record rec --dead-times 0.2 --lags 0.3 --offsets 0",
      "tasc fit rec/sweep-*.csv --out fit"],
     "fit/sweep-0010-stop1.svg", "docs/fit-stop.svg"),
]


def charts(tasc, source, work):
    source, work = pathlib.Path(source), pathlib.Path(work)
    env = dict(os.environ, PATH=str(pathlib.Path(tasc).parent) + os.pathsep + os.environ["PATH"])
    faults = []
    for k, (lines, made, page_copy) in enumerate(CHARTS):
        folder = work / str(k)
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        shutil.copytree(source / "examples", folder / "examples")
        for command in lines:
            p = subprocess.run(["bash", "-c", command], cwd=folder, env=env, capture_output=True,
                               text=True, stdin=subprocess.DEVNULL)
            if p.returncode != 0:
                fail("`%s`: exit status %d\n%s" % (command, p.returncode, p.stderr))
        new = (folder / made).read_bytes()
        if new == (source / page_copy).read_bytes():
            continue
        if os.environ.get("TASC_UPDATE_GOLDEN"):
            (source / page_copy).write_bytes(new)
            print("rewrote " + page_copy)
        else:
            faults.append("%s differs from the chart `%s` makes (%s)" % (
                page_copy, lines[-1], folder / made))
    if faults:
        fail("\n".join(faults) + "\nIf the change is intended, TASC_UPDATE_GOLDEN=1 renews "
             "them (scripts/update_goldens.sh).")
    print("%d charts as the pages show them" % len(CHARTS))


if __name__ == "__main__":
    modes = {"commands": commands, "options": options, "keys": keys, "links": links,
             "charts": charts}
    if len(sys.argv) < 2 or sys.argv[1] not in modes:
        sys.exit(__doc__)
    modes[sys.argv[1]](*sys.argv[2:])
