#!/usr/bin/env python3
"""`tasc report` as a whole, for CTest:
  golden    TASC PLUGIN SOURCE WORK  the report of a recording of the bundled stop, and
            of two recordings: the summary across them and the page
  roundtrip TASC PLUGIN RECORDER SOURCE WORK  the sweep through the recording module,
            and recorded by tasc sim --record: the report's error against the true
            stopping point is tasc sim's own, every stop
  folders   TASC PLUGIN RECORDER SOURCE WORK  the runs of tests/sim/data/run_folders.txt: each
            its exit status and message, and its TMPDIR empty again (after Ctrl-C too)
"""
import csv
import json
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import time
import urllib.parse
from xml.etree import ElementTree


def run(args, cwd=None):
    p = subprocess.run([str(a) for a in args], cwd=cwd, capture_output=True, text=True)
    assert p.returncode == 0, "%s: exit %d\n%s" % (" ".join(map(str, args)), p.returncode, p.stderr)
    return p


def fresh(work):
    work = pathlib.Path(work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    return work


def golden(tasc, plugin, source, work):
    work, source = fresh(work), pathlib.Path(source)
    same = lambda text, name: same_as_golden(text, source, "tests/report/golden/" + name, work)
    report = lambda *args: run([tasc, "report"] + list(args), cwd=work).stdout
    for scenario in ("examples/single-stop.toml", "tests/report/data/faulty-beacons.toml",
                     "tests/report/data/receiver-behind.toml"):
        name = pathlib.Path(scenario).stem
        out = run([tasc, "sim", "--plugin", plugin, "--no-trace", "--no-chart", "--record",
                   work, source / scenario]).stdout
        stop_at = [] if name == "receiver-behind" else ["--stop-at", "500"]
        same(report(name + ".csv", "--no-charts", *stop_at), name + ".report.txt")
    # The beacons name a point 2.5 m past the mark: without --stop-at the
    # report measures against them (golden); with it, the error is tasc sim's.
    sim_error = float(re.search(r"^stop error +(\S+) m", out, re.M).group(1))
    assert "%.3f" % reported_errors(tasc, [work / "receiver-behind.csv"])[0] == "%.3f" % sim_error
    # Two recordings: the accuracy across both, the page compared whole.
    same(report("single-stop.csv", "faulty-beacons.csv", "--stop-at", "500", "--out", "page"),
         "two-recordings.report.txt")
    same((work / "page/index.html").read_text(), "two-recordings.html")
    same(report("single-stop.csv", "faulty-beacons.csv", "--stop-at", "500", "--json"),
         "two-recordings.json")
    # A host whose offset 0 is no position (here always 0): positions are the
    # integral of the speed (JSON: positionFrom and the error it gives).
    (work / "no-location.csv").write_text(re.sub(r"(?m)^frame,[^,]*,", "frame,0,",
                                                 (work / "single-stop.csv").read_text()))
    same(report("--json", "--no-charts", "single-stop.csv", "no-location.csv"),
         "no-location.json")
    # --vehicle: the stop judged with a brake far too weak for the far beacon's
    # 149 m, on a downhill of 5 per mille (--gradient).
    (work / "weak.toml").write_text("[vehicle]\nb7_decel = 0.5\n")
    same(report("--no-charts", "single-stop.csv", "--vehicle", "weak.toml", "--gradient", "-5"),
         "weak-vehicle.txt")
    # Frame steps each second: 70 ms, 10 to 0.45 s, 30 to 0.9 s, then 20: their median, 20 ms, is
    # not the sorted steps' third nor the middle frame's; 3 times it is below 70 ms, 4 times above.
    ms = lambda t: "70" if t < 17 else "10" if t < 450 else "30" if t < 900 else "20"
    (work / "stalls.csv").write_text(re.sub(r"(?m)^(frame,[^,]*,[^,]*,(\d+)(?:,[^,]*){6},)\d+",
                                            lambda m: m[1] + ms(int(m[2]) % 1000),
                                            (work / "single-stop.csv").read_text()))
    same(report("--no-charts", "stalls.csv"), "stalls.txt")
    charts_and_names(tasc, work)


def same_as_golden(text, source, golden, work):
    path = source / golden
    if not path.is_file() or text != path.read_text():
        if os.environ.get("TASC_UPDATE_GOLDEN"):
            path.write_text(text)
            return
        new = work / pathlib.Path(golden).name
        new.write_text(text)
        sys.exit("%s differs from %s; if the change is intended, TASC_UPDATE_GOLDEN=1 renews it "
                 "(scripts/update_goldens.sh)" % (new, golden))


def charts_and_names(tasc, work):
    """The bundled stop driven twice, the second time 1000 m on with a 503 beacon
    of another formation, in a recording named with < & # and a space, and the
    faulty beacons' stop: the page stays whole and shows the name as it is, its
    folder holds a chart for each stop, no more, no fewer (the second shows that
    beacon ignored), and every stop's link finds its chart."""
    lines = (work / "single-stop.csv").read_text().split("\n")
    first = next(i for i, l in enumerate(lines) if l.startswith("frame,"))
    end = next(i for i, l in enumerate(lines) if l.startswith("end,"))
    shift = max(int(l.split(",")[3]) for l in lines[first:end] if l.startswith("frame,")) + 16
    again = []
    for line in lines[first:end]:
        f = line.split(",")
        if f[0] == "frame":
            f[1], f[3] = repr(float(f[1]) + 1000), str(int(f[3]) + shift)
        elif f[:3] == ["event", "beacon", "503"]:
            f[-1] = str(int(f[-1]) | 3 << 6)  # formation 3; the plug-in's is 1
        again.append(",".join(f))
    name = "a<b&c #1.csv"
    (work / name).write_text("\n".join(lines[:end] + again + lines[end:]))
    run([tasc, "report", name, "faulty-beacons.csv", "--stop-at", "500", "--stop-at", "1500",
         "--out", "odd"], cwd=work)
    root = ElementTree.parse(work / "odd/index.html").getroot()  # a name broke no markup
    names = [td.text for td in root.iter("td") if td.get("class") == "name"]
    assert names.count(name) == 3, names  # its stops' rows and its own
    links = [a.get("href") for a in root.iter("a")] + \
            [a.get("href") for a in root.iter("{http://www.w3.org/2000/svg}a")]
    assert len(links) == 6, links  # each stop's row and its mark
    for href in links:
        assert (work / "odd" / urllib.parse.unquote(href)).is_file(), href
    charts = sorted(p.name for p in (work / "odd").glob("*.svg"))
    assert charts == ["a<b&c #1-stop1.svg", "a<b&c #1-stop2.svg", "faulty-beacons-stop1.svg"], \
        charts
    ignored = [re.findall(r"\d+ \(ignored\)", (work / "odd" / c).read_text()) for c in charts]
    assert ignored == [[], ["503 (ignored)"], ["502 (ignored)"]], ignored


def reported_errors(tasc, recordings):
    out = run([tasc, "report", "--json", "--no-charts", "--stop-at", "500"] + recordings).stdout
    errors = []
    for rec in json.loads(out)["recordings"]:
        assert len(rec["stops"]) == 1, "%s: %d stops" % (rec["recording"], len(rec["stops"]))
        errors.append(rec["stops"][0]["markerError"])
    return errors


def roundtrip(tasc, plugin, recorder, source, work):
    """The sweep through the recording module (its names, YYYYMMDD-HHMMSS-N.csv,
    in the order they were made), then tasc sim's own recordings of it (one per
    stop, in the table's order)."""
    work = fresh(work)
    vehicle = work / "vehicle"
    vehicle.mkdir()
    shutil.copy(plugin, vehicle)
    shutil.copy(recorder, vehicle)
    made = lambda p: (p.stem.rsplit("-", 1)[0], int(p.stem.rsplit("-", 1)[1]))
    runs = [(vehicle / pathlib.Path(recorder).name, "1", [], vehicle / "records", "*.csv"),
            (plugin, "2", ["--record", work / "own"], work / "own", "sweep-*.csv")]
    for module, jobs, record, folder, names in runs:
        run([tasc, "sim", "--plugin", module, "--quiet", "--jobs", jobs, "--out", work] + record
            + [pathlib.Path(source) / "examples/sweep.toml"])
        table = list(csv.DictReader(open(work / "sweep.sweep.csv")))
        recordings = sorted(folder.glob(names), key=made if not record else None)
        assert len(recordings) == len(table), (module, len(recordings), len(table))
        for row, reported in zip(table, reported_errors(tasc, recordings)):
            # the table has four decimals
            assert abs(reported - float(row["stop_error_m"])) <= 0.00005, (row, reported)
    print("round trip: %d stops through the recorder and of tasc sim --record agree" % len(table))


def folders(tasc, plugin, recorder, source, work):
    work, source = fresh(work), pathlib.Path(source)
    # Folders: the recorder with the plug-in beside it, and alone; tasc without the plug-in.
    paired, alone, lone = work / "paired", work / "alone", work / "lone"
    for folder, files in ((paired, (plugin, recorder)), (alone, (recorder,)), (lone, (tasc,))):
        folder.mkdir()
        for f in files:
            shutil.copy(f, folder)
    # NAME-1 taken beside the recorder for every second of the runs: its run's recording is NAME-2.
    (paired / "records").mkdir()
    for t in range(int(time.time()) - 1, int(time.time()) + 300):
        (paired / "records" / time.strftime("%Y%m%d-%H%M%S-1.csv", time.localtime(t))).touch()
    not_module = work / "not-a-module" / pathlib.Path(plugin).name
    not_module.parent.mkdir()
    not_module.write_text("not a module\n")
    names = dict(tasc=tasc, plugin=plugin, not_module=not_module, alone=alone, paired=paired,
                 lone_tasc=lone / "tasc", work=work, single=source / "examples/single-stop.toml",
                 tune=source / "examples/tune.toml", source=source,
                 rec_name=pathlib.Path(recorder).name, plug_name=pathlib.Path(plugin).name)
    failures = []
    cases = [[f.strip().strip('"') for f in line.split("|")]
             for line in (source / "tests/sim/data/run_folders.txt").read_text().splitlines()
             if line.strip() and not line.startswith("#")]
    for name, command, status, message, interrupt_after in cases:
        temp = work / ("tmp-" + name)
        temp.mkdir()
        env = dict(os.environ, TMPDIR=str(temp), TMP=str(temp), TEMP=str(temp))
        p = subprocess.Popen([str(w.format(**names)) for w in command.split(" ")], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if interrupt_after:
            time.sleep(float(interrupt_after))
            p.send_signal(signal.SIGINT)
        err = p.communicate(timeout=300)[1]
        left = sorted(f.name for f in temp.iterdir())
        if p.returncode != int(status) or message.format(**names) not in err or left:
            failures.append("%s: exit status %d (wanted %s), left %s, stderr: %s"
                            % (name, p.returncode, status, left, err.strip()))
    # (That the recording is kept beside the recorder, report.round_trip_through_the_recorder.)
    if (alone / "records").exists():
        failures.append("a records folder appeared beside the recorder without the plug-in")
    if len(list((paired / "records").glob("*-2.csv"))) != 1:
        failures.append("the recording beside a taken NAME-1 is not NAME-2")
    assert not failures, "\n".join(failures)
    print("%d runs left no temporary folder" % len(cases))


if __name__ == "__main__":
    {"golden": golden, "roundtrip": roundtrip, "folders": folders}[sys.argv[1]](*sys.argv[2:])
