#!/usr/bin/env python3
"""Whether recordings leave anything behind: one run of orvane.exe makes 50 recordings of 5
seconds, each started and stopped with the hotkey (F8, a rectangle dragged over a moving scene,
F8), then one recording of 10 minutes. After each, procstat.exe reads the program's figures
from outside: handles (the system's process list), GDI objects (the entries of its GDI handle
table that are not stock objects), USER objects (counted as its windows: Wine keeps no count of
the others) and private memory. They should stay flat: the table ends with the spread of each
figure over the short recordings after the first, and the change the long one made.

Runs in a private Xvfb + PulseAudio session with a Wine prefix of its own.

Usage: ORVANE_BUILD_DIR=/work/main/build-<you> bench/soak.py [--count 50] [--seconds 5] [--long 600]
"""
import argparse
import os
import sys
import time

import recbench

sys.path.insert(0, os.path.join(recbench.ROOT, "tests", "app", "recording"))
recbench.orvtest.BUILD = recbench.BUILD
recbench.orvtest.SRC = recbench.ROOT

X, Y, W, H = 120, 160, 320, 240
FIELDS = ("handles", "gdi", "user", "private")


def row(label, figures, first=None):
    cells = [f"{label:>10}"] + [f"{figures[k]:>8}" for k in FIELDS[:3]] + [f"{figures['private'] / 2**20:>9.1f}"]
    if first:
        cells += [f"{figures[k] - first[k]:>+7}" for k in FIELDS[:3]]
        cells.append(f"{(figures['private'] - first['private']) / 2**20:>+8.1f}")
    print(" ".join(cells), flush=True)


def record(app, seconds):
    """One recording by the hotkey; None or what went wrong."""
    count = len(app.files())
    problem = app.begin_selection()
    if problem:
        return problem
    app.drag(X, Y, W, H)
    if not recbench.orvtest.wait_for(lambda: len(app.files()) > count, timeout=30):
        return "no recording began"
    time.sleep(seconds)   # the recording's length, the work being measured
    return app.stop_with_hotkey() or (app.message_boxes() and f"a message: {app.message_boxes()}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--count", type=int, default=50)
    parser.add_argument("--seconds", type=float, default=5)
    parser.add_argument("--long", type=float, default=600)
    args = parser.parse_args()
    recbench.ensure_session(["orvane", "procstat", "scene", "dlgtool", "wintool", "orvane_lame_dll"])
    import recflow
    import trouble
    orvtest = recbench.orvtest

    print(f"load average {recbench.load_average()}; {args.count} recordings of {args.seconds:g} s, "
          f"then one of {args.long:g} s; {W}x{H}, the default codec and sound")
    with orvtest.fresh_prefix() as prefix:
        with recflow.Orvane(prefix) as app:
            app.start("scene.exe", "counter", X, Y, W, H, int(args.count * 20 + args.long + 300))
            if not app.wait_main():
                sys.exit("no main window")
            print(f"{'after':>10} {'handles':>8} {'gdi':>8} {'user':>8} {'priv. MB':>9}"
                  f" {'dhandle':>7} {'dgdi':>7} {'duser':>7} {'dpriv MB':>8}")
            row("start", trouble.procstat(prefix))
            shorts = []
            for n in range(1, args.count + 1):
                problem = record(app, args.seconds)
                if problem:
                    sys.exit(f"recording {n}: {problem}")
                shorts.append(trouble.procstat(prefix))
                row(f"#{n}", shorts[-1], shorts[0])
            problem = record(app, args.long)
            if problem:
                sys.exit(f"long recording: {problem}")
            final = trouble.procstat(prefix)
            row(f"{args.long:g} s", final, shorts[0])
            if app.close() != 0:
                sys.exit("the program did not end cleanly")
        print(f"files written: {len(app.files())}; load average {recbench.load_average()}")

    later = shorts[1:] or shorts
    for key in FIELDS:
        values = [s[key] for s in later]
        scale, unit = (2**20, " MB") if key == "private" else (1, "")
        print(f"{key:>8}: recordings 2..{len(shorts)} within {min(values) / scale:.1f}..{max(values) / scale:.1f}{unit}"
              f" (last minus second {(values[-1] - values[0]) / scale:+.1f}{unit}); "
              f"the long one {(final[key] - shorts[-1][key]) / scale:+.1f}{unit}")


if __name__ == "__main__":
    main()
