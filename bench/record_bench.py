#!/usr/bin/env python3
"""What recording the screen costs: 1280x720 at 30 fps through the capture graph (screen
grabber, timed video source, compressor, AVI writer, and the sound from the default recording
device encoded to MP3, as every recording has), with the pass-through <Uncompressed RGB> and
with the built-in ZMBV compressor, against `ffmpeg -f x11grab` recording the same screen to a
raw-video (24-bit) AVI in the same run. Ours always records the sound as well (PulseAudio's
null sink monitor, silent here, captured through waveIn and encoded by lame_enc.dll), ffmpeg
records the picture only. (ffmpeg taking x11grab and pulse together drops a third of the frames
here, so it makes no fair row.)

Runs in a private Xvfb (1280x800) + PulseAudio session with the build's Wine prefix; a scene
window fills the recorded rectangle and changes colour and number every 50 ms. Files go to
/dev/shm, so the disk of the shared machine does not take part.

CPU time is read from /proc (utime + stime, all threads):
- "process": the recording process (record_bench.exe under Wine, or ffmpeg) between the start
  and the end of the recording (for ours: from the writer's start until the writer's queue is
  written out; for ffmpeg: its whole run, start-up included);
- "servers": what wineserver, Xvfb and PulseAudio spend during the recording beyond what they
  spend with the scene alone (measured just before each run); wineserver serves the Wine
  desktop and the scene as well, so its share is an estimate.

A last recording with ZMBV draws the pointer (standing still in the middle of the rectangle),
its highlight and click rings: the two pointer stages of the table are its cost (reading the
pointer is a round trip to the X server under Wine while the pointer stands still).

Then a frame-rate check: a WMV recording at 25 fps, the rate its frame times give and whether
its decoding times only grow.

Usage: ORVANE_BUILD_DIR=/work/main/build-<you> bench/record_bench.py [--seconds 20] [--rate-seconds 20]
"""
import argparse
import os
import subprocess
import sys
import time

import recbench

WIDTH, HEIGHT, FPS = 1280, 720, 30
SHM = "/dev/shm"
# The stages of a frame's way, as record_bench.exe reports them (seconds while recording): the
# capture driver's desktop read and change tracking run on the driver's thread, the grab,
# frame copy, compression and queuing on the video source thread, writes and checks on the
# writer's thread.
STAGES = [("screen_read", "screen read (driver)"), ("tracking", "change tracking (driver)"),
          ("grab", "grabber copy"), ("frame", "flip/convert into frame"), ("compress", "compress"),
          ("queue", "queue (buffer, copy, put)"), ("write", "write (AVI library)"),
          ("size_check", "size and disk checks"), ("pointer_read", "pointer read (system)"),
          ("pointer_draw", "pointer, highlight, rings drawn")]


def ours(label, seconds, fourcc, pointer=""):
    out = os.path.join(SHM, f"orvane-record-bench-{os.getpid()}.avi")
    scene = recbench.start_scene("counter", 0, 0, WIDTH, HEIGHT, seconds + 120)
    try:
        idle = recbench.idle_rates(4)
        if pointer:
            subprocess.run(["xdotool", "mousemove", str(WIDTH // 2), str(HEIGHT // 2)], check=True, timeout=30)
        report = recbench.record(out, (0, 0, WIDTH, HEIGHT), FPS, seconds * 1000, fourcc, pointer=pointer)
        sizes = recbench.video_packet_sizes(out)
        file_size = os.path.getsize(out)
    finally:
        recbench.stop(scene)
        if os.path.exists(out):
            os.remove(out)
    return dict(label=label, codec=report.get("codec", "?"), frames=sum(1 for s in sizes if s > 0),
                expected=FPS * seconds, seconds=float(seconds),
                cpu=report["cpu_proc"], cpu_total=report["cpu_total"], servers=extra(report["servers"], idle, report["wall"]),
                size=file_size, events=int(report.get("writer_events", 0)),
                stages={name: float(report.get(f"stage_{name}", 0)) for name, _ in STAGES},
                driver_cpu=float(report.get("driver_cpu", 0)))


def ffmpeg(label, seconds):
    out = os.path.join(SHM, f"orvane-record-bench-ffmpeg-{os.getpid()}.avi")
    args = ["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-draw_mouse", "0", "-framerate", str(FPS),
            "-video_size", f"{WIDTH}x{HEIGHT}", "-i", f"{os.environ['DISPLAY']}+0,0"]
    args += ["-t", str(seconds), "-fps_mode", "passthrough", "-c:v", "rawvideo", "-pix_fmt", "bgr24"]
    scene = recbench.start_scene("counter", 0, 0, WIDTH, HEIGHT, seconds + 120)
    try:
        idle = recbench.idle_rates(4)
        meter = recbench.ServerMeter()
        start = time.monotonic()
        proc = subprocess.Popen(args + [out], stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
        wall = time.monotonic() - start
        servers, _ = meter.since_mark()
        if proc.returncode != 0:
            sys.exit(f"ffmpeg failed: {proc.stderr.read().decode(errors='replace')}")
        proc.stderr.close()
        sizes = recbench.video_packet_sizes(out)
        file_size = os.path.getsize(out)
    finally:
        recbench.stop(scene)
        if os.path.exists(out):
            os.remove(out)
    cpu = usage.ru_utime + usage.ru_stime
    return dict(label=label, codec="rawvideo bgr24",
                frames=sum(1 for s in sizes if s > 0), expected=FPS * seconds, seconds=float(seconds),
                cpu=cpu, cpu_total=cpu, servers=extra(servers, idle, wall), size=file_size, events=0)


def frame_rate_check(seconds, fps=25):
    """A WMV recording at `fps` (320x240, ZMBV): the rate its frame times give, their largest
    gap, and whether the decoding times only ever grow."""
    out = os.path.join(SHM, f"orvane-rate-bench-{os.getpid()}.wmv")
    scene = recbench.start_scene("counter", 0, 0, 320, 240, seconds + 120)
    try:
        recbench.record(out, (0, 0, 320, 240), fps, seconds * 1000, "ZMBV", file_format=1)
        times = recbench.video_packet_times(out)
    finally:
        recbench.stop(scene)
        if os.path.exists(out):
            os.remove(out)
    pts = sorted(t[0] for t in times if t[0] is not None)
    dts = [t[1] for t in times]
    rate = (len(pts) - 1) / (pts[-1] - pts[0]) if len(pts) > 1 and pts[-1] > pts[0] else 0.0
    gaps = [b - a for a, b in zip(pts, pts[1:])]
    increasing = all(a is not None and b is not None and b > a for a, b in zip(dts, dts[1:]))
    print(f"WMV at {fps} fps for {seconds} s (320x240, ZMBV): {len(pts)} frames, {rate:.3f} fps from the frame "
          f"times ({100 * (rate / fps - 1):+.2f}%), largest gap {1000 * max(gaps, default=0):.0f} ms, "
          f"decoding times {'strictly increasing' if increasing else 'NOT strictly increasing'}")


def extra(used, idle, seconds):
    """Server CPU seconds beyond the idle rate over `seconds`, never below zero."""
    return {name: max(0.0, used[name] - idle[name] * seconds) for name in used}


def print_table(rows):
    print(f"{'recording':30} {'frames':>11} {'cpu s':>7} {'cpu/rec s':>9} {'ms/frame':>8} "
          f"{'wineserv':>8} {'Xvfb':>6} {'pulse':>6} {'all/frame':>9} {'file MB':>8}")
    for r in rows:
        servers = sum(r["servers"].values())
        frames = max(r["frames"], 1)
        print(f"{r['label']:30} {r['frames']:4d}/{r['expected']:<6d} {r['cpu']:7.2f} {r['cpu'] / r['seconds']:9.3f} "
              f"{1000 * r['cpu'] / frames:8.2f} {r['servers']['wineserver']:8.2f} {r['servers']['xvfb']:6.2f} "
              f"{r['servers']['pulse']:6.2f} {1000 * (r['cpu'] + servers) / frames:9.2f} {r['size'] / 1e6:8.1f}")


def print_stages(rows):
    """Milliseconds per frame written in each stage (clock time inside the stage, so time the
    thread waited for a CPU on a loaded machine counts too)."""
    print(f"{'stage, ms per frame written':32}" + "".join(f" {r['label']:>20}" for r in rows))
    for name, label in STAGES:
        print(f"{label:32}" + "".join(f" {1000 * r['stages'][name] / max(r['frames'], 1):20.3f}" for r in rows))
    print(f"{'sum of the stages':32}" + "".join(
        f" {1000 * sum(r['stages'].values()) / max(r['frames'], 1):20.3f}" for r in rows))
    print(f"{'process CPU':32}" + "".join(f" {1000 * r['cpu'] / max(r['frames'], 1):20.3f}" for r in rows))
    print(f"{'of which the driver thread':32}" + "".join(
        f" {1000 * r['driver_cpu'] / max(r['frames'], 1):20.3f}" for r in rows))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=20)
    parser.add_argument("--rate-seconds", type=int, default=20, help="length of the WMV frame-rate check (0: none)")
    options = parser.parse_args()
    recbench.ensure_session(["record_bench", "scene", "wintool"])

    print(f"load average before: {recbench.load_average()} on {os.cpu_count()} CPUs (shared machine)")
    rows = [ours("ours, pass-through", options.seconds, "-"),
            ffmpeg("ffmpeg x11grab", options.seconds),
            ours("ours, ZMBV", options.seconds, "ZMBV"),
            ours("ours, ZMBV + pointer", options.seconds, "ZMBV", pointer="phc")]
    load_after = recbench.load_average()

    print(f"{WIDTH}x{HEIGHT} at {FPS} fps for {options.seconds} s, full-screen scene changing every 50 ms")
    print("cpu s: the recording process; wineserv/Xvfb/pulse: their CPU seconds beyond the idle scene;")
    print("all/frame: process and servers, milliseconds per frame written")
    print()
    print_table(rows)
    print()
    print_stages([r for r in rows if "stages" in r])
    print()
    for r in rows:
        if r["events"]:
            print(f"{r['label']}: the writer posted {r['events']} event(s) (failed write or size limit)")
    by_label = {r["label"]: r for r in rows}
    per_frame = {k: r["cpu"] / max(r["frames"], 1) for k, r in by_label.items()}
    all_frame = {k: (r["cpu"] + sum(r["servers"].values())) / max(r["frames"], 1) for k, r in by_label.items()}
    ours_label, theirs = "ours, pass-through", "ffmpeg x11grab"
    print(f"CPU per frame written, {ours_label} / {theirs}: process {per_frame[ours_label] / per_frame[theirs]:.2f}, "
          f"with servers {all_frame[ours_label] / all_frame[theirs]:.2f}")
    zmbv = by_label["ours, ZMBV"]
    print(f"ZMBV recording: {zmbv['cpu'] / zmbv['seconds']:.3f} CPU s per recorded s (process), "
          f"{(zmbv['cpu'] + sum(zmbv['servers'].values())) / zmbv['seconds']:.3f} with servers; "
          f"file {zmbv['size'] / 1e6:.1f} MB for {zmbv['seconds']:.1f} s "
          f"({zmbv['size'] * 8 / zmbv['seconds'] / 1e6:.2f} Mbit/s)")
    drawn = by_label["ours, ZMBV + pointer"]
    frames = max(drawn["frames"], 1)
    print(f"pointer at {WIDTH}x{HEIGHT}, ms per frame: read {1000 * drawn['stages']['pointer_read'] / frames:.3f}, "
          f"drawn (pointer, highlight, rings) {1000 * drawn['stages']['pointer_draw'] / frames:.3f}")
    print(f"whole record_bench.exe process incl. start-up (catalogue, sound start): "
          + ", ".join(f"{r['label']} {r['cpu_total']:.2f} s" for r in rows if r['label'].startswith("ours")))
    print(f"load average after: {load_after}")
    if options.rate_seconds:
        print()
        frame_rate_check(options.rate_seconds)
        print(f"load average after the frame-rate check: {recbench.load_average()}")


if __name__ == "__main__":
    main()
