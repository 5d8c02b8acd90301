#!/usr/bin/env python3
"""The temporary run folders of `tasc sim`, `tasc tune` and `tasc report`, and
the recording module given to sim as the plug-in, for CTest:
  run_folders_test.py TASC PLUGIN RECORDER SOURCE WORK
Each case of data/run_folders.txt runs one command with TMPDIR pointed at a
fresh folder and checks its exit status, a piece of its message, and that the
folder is empty again afterwards: after a run, after a failing one, and after
Ctrl-C.
"""
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import time


def main(tasc, plugin, recorder, source, work):
    work = pathlib.Path(work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    source = pathlib.Path(source)
    single = source / "examples/single-stop.toml"
    tune = source / "examples/tune.toml"
    # Folders: the recorder with the plug-in beside it, and alone; tasc without the plug-in.
    paired = work / "paired"
    alone = work / "alone"
    lone = work / "lone"
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
                 lone_tasc=lone / "tasc", work=work, single=single, tune=tune, source=source,
                 rec_name=pathlib.Path(recorder).name, plug_name=pathlib.Path(plugin).name)
    failures = []
    cases = [[f.strip().strip('"') for f in line.split("|")]
             for line in (source / "tests/sim/data/run_folders.txt").read_text().splitlines()
             if line.strip() and not line.startswith("#")]
    for name, command, status, message, interrupt_after in cases:
        temp = work / ("tmp-" + name)
        temp.mkdir()
        rc, err = run_once([w.format(**names) for w in command.split(" ")], temp,
                           float(interrupt_after) if interrupt_after else None)
        left = sorted(p.name for p in temp.iterdir())
        if rc != int(status) or message.format(**names) not in err or left:
            failures.append("%s: exit status %d (wanted %s), left %s, stderr: %s"
                            % (name, rc, status, left, err.strip()))
    # (That the recording is kept beside the recorder, report.round_trip_through_the_recorder.)
    if (alone / "records").exists():
        failures.append("a records folder appeared beside the recorder without the plug-in")
    if len(list((paired / "records").glob("*-2.csv"))) != 1:
        failures.append("the recording beside a taken NAME-1 is not NAME-2")
    if failures:
        sys.exit("\n".join(failures))
    print("%d runs left no temporary folder" % len(cases))


def run_once(command, temp, interrupt_after):
    env = dict(os.environ, TMPDIR=str(temp), TMP=str(temp), TEMP=str(temp))
    p = subprocess.Popen([str(a) for a in command], env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True)
    if interrupt_after is not None:
        time.sleep(interrupt_after)
        p.send_signal(signal.SIGINT)
    _, err = p.communicate(timeout=300)
    return p.returncode, err


if __name__ == "__main__":
    main(*sys.argv[1:])
