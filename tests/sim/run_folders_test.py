#!/usr/bin/env python3
"""The temporary run folders of `tasc sim`, `tasc tune` and `tasc report`, and
the recording module given to sim as the plug-in, for CTest:
  run_folders_test.py TASC PLUGIN RECORDER SOURCE WORK
Each case runs one command with TMPDIR pointed at a fresh folder and checks
its exit status, a piece of its message, and that the folder is empty again
afterwards: after a run, after a failing one, and after Ctrl-C.
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
    # Folders: the recorder with the plug-in beside it, and alone.
    paired = work / "paired"
    alone = work / "alone"
    for folder, files in ((paired, (plugin, recorder)), (alone, (recorder,))):
        folder.mkdir()
        for f in files:
            shutil.copy(f, folder)
    not_module = work / "not-a-module" / pathlib.Path(plugin).name
    not_module.parent.mkdir()
    not_module.write_text("not a module\n")
    lone_tasc = work / "lone" / "tasc"
    lone_tasc.parent.mkdir()
    shutil.copy(tasc, lone_tasc)
    rec_name = pathlib.Path(recorder).name
    plug_name = pathlib.Path(plugin).name
    quiet = ["--quiet", "--no-trace", "--no-chart", "--out", work / "out"]
    run(tasc, ["sim", "--plugin", plugin, "--record", work / "rec"] + quiet + [single], work)

    # name: (command, exit status, piece of standard error, seconds before Ctrl-C)
    cases = {
        "sim_done": (["sim", "--plugin", plugin] + quiet + [single], 0, "", None),
        "sim_plugin_that_does_not_load": (
            ["sim", "--plugin", not_module] + quiet + [single], 1, "not a plug-in module", None),
        "sim_recorder_without_the_plugin": (
            ["sim", "--plugin", alone / rec_name] + quiet + [single], 1,
            "no %s beside the recorder (%s)" % (plug_name, alone / rec_name), None),
        "sim_recorder_keeps_its_recording": (
            ["sim", "--plugin", paired / rec_name] + quiet + [single], 0, "", None),
        "sim_without_a_plugin_beside_tasc": (
            [lone_tasc, "sim"] + quiet + [single], 1,
            "no plug-in given: put %s beside tasc, or give --plugin" % plug_name, None),
        "tune_plugin_that_does_not_load": (
            ["tune", "--plugin", not_module, "--budget", "4", tune], 1, "not a plug-in module",
            None),
        "report_done": (["report", "--no-charts", work / "rec/single-stop.csv"], 0, "", None),
        "tune_interrupted": (["tune", "--plugin", plugin, "--jobs", "2", tune], 130,
                             "tasc tune: interrupted", 1.5),
        # Thousands of stops: far longer than the wait before Ctrl-C.
        "sim_sweep_interrupted": (["sim", "--plugin", plugin, "--jobs", "2", "--out", work / "out",
                                   "--speeds", "20:80:0.01", source / "examples/sweep.toml"], 130,
                                  "tasc sim: interrupted", 0.5),
    }
    failures = []
    for name, (args, status, message, interrupt_after) in cases.items():
        temp = work / ("tmp-" + name)
        temp.mkdir()
        command = args if args[0] == lone_tasc else [tasc] + args
        rc, err = run_once(command, temp, interrupt_after)
        left = sorted(p.name for p in temp.iterdir())
        if rc != status or message not in err or left:
            failures.append("%s: exit status %d (wanted %d), left %s, stderr: %s"
                            % (name, rc, status, left, err.strip()))
    recordings = sorted((paired / "records").glob("*.csv"))
    if len(recordings) != 1 or "tasc-recording" not in recordings[0].read_text()[:40]:
        failures.append("the recorder's recording is not in %s: %s" % (paired / "records",
                                                                      recordings))
    if (alone / "records").exists():
        failures.append("a records folder appeared beside the recorder without the plug-in")
    if failures:
        sys.exit("\n".join(failures))
    print("%d runs left no temporary folder; the recording is kept beside the recorder"
          % len(cases))


def run(tasc, args, cwd):
    p = subprocess.run([str(a) for a in [tasc] + args], cwd=cwd, capture_output=True, text=True)
    assert p.returncode == 0, p.stderr


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
