#!/usr/bin/env python3
"""Sound against picture in a recording made through the capture graph (screen grabber, timed
video source, AVI writer; sound from the PulseAudio null sink's monitor through waveIn and
lame_enc.dll): while it records, scene.exe flashes the whole screen white and starts a 20 ms
click at the same instant once a second. In the file, each flash's first bright frame is paired
with its click's first loud sample; the offsets (sound minus picture, positive = sound late)
give the mean, the worst offset and the drift over the recording (least-squares slope of
offset against time). Target: worst within two frames at 30 fps, no drift trend.

The offsets are end to end: besides the recorder they hold the scene's own way to the screen
and through Wine's sound output and PulseAudio, and the MP3 codec delay (not compensated by
players for MP3 in AVI; the figure the stream declares is printed). A flash's frame time is
when that frame was taken, so it is up to one frame after the flash itself.

Usage: ORVANE_BUILD_DIR=/work/main/build-<you> bench/av_sync.py [--seconds 60] [--keep FILE]
"""
import argparse
import array
import os
import shutil
import struct
import subprocess

import recbench

WIDTH, HEIGHT, FPS, RATE = 320, 240, 30, 44100
FRAME_MS = 1000.0 / FPS


def frame_brightness(path):
    """(time in seconds, mean luma) of every frame in the file."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-vf",
                          "signalstats,metadata=mode=print:key=lavfi.signalstats.YAVG:file=-", "-f", "null", "-"],
                         capture_output=True, text=True, check=True).stdout
    frames, time = [], None
    for line in out.splitlines():
        if line.startswith("frame:"):
            time = float(line.split("pts_time:")[1].split()[0])
        elif line.startswith("lavfi.signalstats.YAVG=") and time is not None:
            frames.append((time, float(line.split("=", 1)[1])))
    return frames


def flash_onsets(frames):
    """Times of the first bright frame of each flash. A flash already lit in the first frame
    began before the recording: its onset is unknown, so it is left out."""
    onsets, bright = [], None
    for time, luma in frames:
        is_bright = luma > 128
        if is_bright and bright is False:
            onsets.append(time)
        bright = is_bright
    return onsets


def click_onsets(path):
    """Times of the first loud sample of each click in the file's sound."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-ac", "1", "-ar", str(RATE),
                          "-f", "s16le", "-"], capture_output=True, check=True).stdout
    return onsets_in(raw)


def onsets_in(raw):
    """Times of the first loud sample of each click in mono 16-bit sound at RATE."""
    samples = array.array("h", raw)
    if not samples:
        return []
    threshold = max(abs(min(samples)), max(samples)) * 0.25
    onsets, quiet_until = [], 0
    for index, value in enumerate(samples):
        if abs(value) > threshold:
            if index >= quiet_until:
                onsets.append(index / RATE)
            quiet_until = index + RATE // 3
    return onsets


def declared_codec_delay(path):
    """The MP3 stream's declared codec delay in samples (its format record), or None."""
    with open(path, "rb") as f:
        head = f.read(64 * 1024)
    formats, pos = [], head.find(b"strf")
    while pos >= 0:
        size = struct.unpack_from("<I", head, pos + 4)[0]
        formats.append(head[pos + 8:pos + 8 + size])
        pos = head.find(b"strf", pos + 8 + size)
    for fmt in formats:
        if len(fmt) >= 30 and struct.unpack_from("<H", fmt, 0)[0] == 0x55:
            return struct.unpack_from("<H", fmt, 28)[0]
    return None


class ReferenceRecorder:
    """ffmpeg recording the same sound (the default source, the null sink's monitor) on its
    own: its clicks follow the scene's playback, so a step in the offsets that it hears too
    comes from the playback side, one it does not hear comes from our recording."""

    def __init__(self, path):
        self.path = path
        self.proc = subprocess.Popen(["ffmpeg", "-v", "error", "-y", "-f", "pulse", "-i", "default", "-ac", "1",
                                      "-ar", str(RATE), "-f", "s16le", path],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
        self.proc.wait()

    def onsets(self):
        with open(self.path, "rb") as f:
            return onsets_in(f.read())


def pair(flashes, clicks):
    """(flash time, index of its click) for every flash with a click within half a second."""
    pairs = []
    for flash in flashes:
        index = min(range(len(clicks)), key=lambda i: abs(clicks[i] - flash), default=None)
        if index is not None and abs(clicks[index] - flash) < 0.5:
            pairs.append((flash, index))
    return pairs


def slope(points):
    """Least-squares slope and its standard error."""
    n = len(points)
    mean_x = sum(x for x, _ in points) / n
    mean_y = sum(y for _, y in points) / n
    sxx = sum((x - mean_x) ** 2 for x, _ in points)
    b = sum((x - mean_x) * (y - mean_y) for x, y in points) / sxx
    residual = sum((y - mean_y - b * (x - mean_x)) ** 2 for x, y in points)
    error = (residual / (n - 2) / sxx) ** 0.5 if n > 2 else float("inf")
    return b, error


def print_offsets(title, points):
    """Statistics of (flash time, offset ms) points and the two targets; returns them."""
    offsets = [offset for _, offset in points]
    mean = sum(offsets) / len(offsets)
    worst = max(offsets, key=abs)
    spread = (sum((o - mean) ** 2 for o in offsets) / len(offsets)) ** 0.5
    per_second, error = slope(points)
    span = points[-1][0] - points[0][0]
    third = max(1, len(offsets) // 3)
    print(title)
    print(f"{'mean':>8} {'worst':>8} {'min':>8} {'max':>8} {'stdev':>8} {'1st third':>9} {'3rd third':>9} "
          f"{'drift ms/min':>13} {'+-':>6}")
    print(f"{mean:8.1f} {worst:8.1f} {min(offsets):8.1f} {max(offsets):8.1f} {spread:8.1f} "
          f"{sum(offsets[:third]) / third:9.1f} {sum(offsets[-third:]) / third:9.1f} "
          f"{per_second * 60:13.2f} {error * 60:6.2f}")
    within = abs(worst) <= 2 * FRAME_MS
    no_trend = abs(per_second) * span < FRAME_MS or abs(per_second) < 2 * error
    print(f"  target worst offset within two frames ({2 * FRAME_MS:.1f} ms): {'met' if within else 'MISSED'}; "
          f"no drift trend: {'met' if no_trend else 'MISSED'} "
          f"(the slope moves the offset {per_second * span:+.1f} ms over {span:.0f} s)")


def intervals_off(times, limit_ms=20):
    """(time, ms) where the interval to the previous click is off one second by more than the limit."""
    steps = [(times[i + 1], (times[i + 1] - times[i] - 1) * 1000) for i in range(len(times) - 1)]
    return [(t, d) for t, d in steps if abs(d) > limit_ms]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=60, help="flashes (one a second)")
    parser.add_argument("--keep", help="copy the recording here")
    options = parser.parse_args()
    recbench.ensure_session(["record_bench", "scene", "wintool"])

    load_before = recbench.load_average()
    out = f"/dev/shm/orvane-av-sync-{os.getpid()}.avi"
    scenes, references = [], []

    def start_scene():
        references.append(ReferenceRecorder(out + ".ref.raw"))
        scenes.append(recbench.start_scene("flash", options.seconds + 1))

    try:
        # The scene starts once the writer runs; its first flash comes a second later.
        report = recbench.record(out, (0, 0, WIDTH, HEIGHT), FPS, (options.seconds + 4) * 1000,
                                 on_recording=start_scene)
        for scene in scenes:
            recbench.stop(scene)
        for reference in references:
            reference.stop()
        reference_clicks = references[0].onsets() if references else []
        if options.keep:
            shutil.copy(out, options.keep)
        frames = frame_brightness(out)
        flashes = flash_onsets(frames)
        clicks = click_onsets(out)
        delay = declared_codec_delay(out)
    finally:
        for scene in scenes:
            recbench.stop(scene)
        for reference in references:
            reference.stop()
        for path in (out, out + ".ref.raw"):
            if os.path.exists(path):
                os.remove(path)
    load_after = recbench.load_average()

    pairs = pair(flashes, clicks)
    print(f"load average before: {load_before}, after: {load_after} on {os.cpu_count()} CPUs (shared machine)")
    print(f"recording: {WIDTH}x{HEIGHT} at {FPS} fps, {report.get('codec')}, {options.seconds + 4} s; "
          f"{len(frames)} frames in the file ({len(frames) / (options.seconds + 4) / FPS:.0%} of the expected)")
    print(f"flashes seen: {len(flashes)}, clicks heard: {len(clicks)}, paired: {len(pairs)} "
          f"(the scene made {options.seconds})")
    if delay is not None:
        print(f"MP3 codec delay declared by the stream: {delay} samples ({delay * 1000 / RATE:.1f} ms), "
              f"included in the offsets")
    if len(pairs) < 3:
        raise SystemExit("too few flash/click pairs to measure")
    print()
    print("offset = click time - flash frame time, ms (positive: sound late)")
    points = [(flash, (clicks[index] - flash) * 1000) for flash, index in pairs]
    print_offsets("in the recording:", points)
    print("  per flash (s: ms): " + ", ".join(f"{t:.1f}: {o:+.0f}" for t, o in points))
    print("  click intervals off 1 s by more than 20 ms (s: ms): " +
          (", ".join(f"{t:.1f}: {d:+.0f}" for t, d in intervals_off(clicks)) or "none"))
    print()
    if len(reference_clicks) != len(clicks):
        print(f"second recorder heard {len(reference_clicks)} clicks, ours {len(clicks)}: not compared")
        return
    # How far our sound's time line moved against what was played, click by click.
    lag = [(ours - ref) * 1000 for ours, ref in zip(clicks, reference_clicks)]
    lag = [value - lag[0] for value in lag]
    print(f"our sound against a second recorder of the same monitor (ffmpeg -f pulse): moves "
          f"{min(lag):+.1f} .. {max(lag):+.1f} ms over the run, {lag[-1]:+.1f} ms at the end; "
          f"the second recorder's click intervals off 1 s by more than 20 ms: "
          f"{', '.join(f'{d:+.0f}' for _, d in intervals_off(reference_clicks)) or 'none'}")
    print_offsets("with those moves taken out (the picture against the sound as played):",
                  [(flash, offset - lag[index]) for (flash, index), (_, offset) in zip(pairs, points)])


if __name__ == "__main__":
    main()
