#!/usr/bin/env python3
"""Size and speed of the built-in ZMBV compressor on a synthetic 1280x720 desktop.

30 s at 30 fps of scrolling text and a moving window, with still stretches and a full-screen
change every 3 s. Frames go through ICCompress under Wine (zmbv_writer.exe), the original
frames are piped into `ffmpeg -c:v zmbv` for comparison. Then the same clip at other zlib
levels and search ranges, to show why the defaults were chosen.

Usage: ORVANE_BUILD_DIR=/work/main/build-zmbv bench/zmbv_bench.py [--frames N] [--quick]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("ORVANE_BUILD_DIR", os.path.join(ROOT, "build"))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
WRITER = os.path.join(BUILD, "bin", "tests", "zmbv_writer.exe")
WIDTH, HEIGHT, FPS = 1280, 720, 30
# A prefix of its own, so the benchmark neither disturbs nor is disturbed by test sessions.
PREFIX = os.path.join(BUILD, "wine", "bench-prefix")
os.environ["WINEPREFIX"] = PREFIX
os.environ["ORVANE_NO_SESSION_ENV"] = "1"


def parse_report(text):
    report = {"kinds": {}}
    for line in text.splitlines():
        fields = dict(item.split("=", 1) for item in line.split() if "=" in item)
        if "kind" in fields:
            report["kinds"][fields["kind"]] = fields
        else:
            report.update(fields)
    return report


def run_writer(folder, frames, extra, raw_sink=None):
    args = [WINE_RUN, WRITER, "--avi", "clip.avi", "--width", str(WIDTH), "--height", str(HEIGHT),
            "--frames", str(frames), "--fps", str(FPS), *extra]
    if raw_sink is None:
        proc = subprocess.run(args, cwd=folder, capture_output=True, text=True, check=True)
        return parse_report(proc.stdout)
    writer = subprocess.Popen(args + ["--raw", "-"], cwd=folder, stdout=raw_sink, stderr=subprocess.PIPE)
    _, err = writer.communicate()
    if writer.returncode != 0:
        sys.exit(f"zmbv_writer failed: {err.decode(errors='replace')}")
    return parse_report(err.decode(errors="replace"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--frames", type=int, default=30 * FPS)
    parser.add_argument("--quick", action="store_true", help="skip the level and search-range table")
    options = parser.parse_args()
    if not os.path.exists(WRITER):
        sys.exit(f"build zmbv_writer first ({WRITER} is missing)")
    raw_bytes = options.frames * WIDTH * HEIGHT * 4

    with tempfile.TemporaryDirectory(prefix="zmbv-bench-") as folder:
        ffmpeg_avi = os.path.join(folder, "ffmpeg.avi")
        ffmpeg = subprocess.Popen(["ffmpeg", "-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "bgr0",
                                   "-s", f"{WIDTH}x{HEIGHT}", "-r", str(FPS), "-i", "-", "-c:v", "zmbv",
                                   ffmpeg_avi], stdin=subprocess.PIPE)
        run_writer(folder, options.frames, [], raw_sink=ffmpeg.stdin)
        ffmpeg.stdin.close()
        ffmpeg.wait()
        theirs = os.path.getsize(ffmpeg_avi)
        # Timed on its own: feeding ffmpeg at the same time would share the CPU with it.
        report = run_writer(folder, options.frames, ["--repeat", "3"])
        ours = os.path.getsize(os.path.join(folder, "clip.avi"))

        # ffmpeg's own encoding time on the same frames (decoded back from our file).
        proc = subprocess.run(f"ffmpeg -v error -i clip.avi -f rawvideo -pix_fmt bgr0 - | ffmpeg -benchmark -v info "
                              f"-y -f rawvideo -pix_fmt bgr0 -s {WIDTH}x{HEIGHT} -r {FPS} -i - -c:v zmbv again.avi",
                              shell=True, cwd=folder, check=True, capture_output=True, text=True)
        bench = dict(item.split("=", 1) for item in proc.stderr.split() if "=" in item)
        ffmpeg_seconds = float(bench.get("utime", "0s").rstrip("s"))

        print(f"load average at the end: {os.getloadavg()[0]:.1f} on {os.cpu_count()} CPUs "
              f"(times include what other processes take)")
        print(f"ZMBV, {WIDTH}x{HEIGHT}, {options.frames} frames at {FPS} fps "
              f"({options.frames / FPS:.0f} s): scrolling text, moving window, still stretches, "
              f"full-screen change every {90 // FPS} s")
        print()
        print(f"{'file':34} {'bytes':>13} {'vs uncompressed':>16}")
        print(f"{'uncompressed 32-bit frames':34} {raw_bytes:13,d} {1:15.0f}x")
        print(f"{'uncompressed 24-bit AVI (approx.)':34} {raw_bytes * 3 // 4:13,d} {4 / 3:15.2f}x")
        print(f"{'ours (default settings), AVI':34} {ours:13,d} {raw_bytes / ours:15.0f}x")
        print(f"{'ffmpeg -c:v zmbv, AVI':34} {theirs:13,d} {raw_bytes / theirs:15.0f}x")
        print(f"ours / ffmpeg size: {ours / theirs:.2f}")
        print()
        print("encode time per frame through ICCompress (first call; 'x3' = the three calls the")
        print("program's quality search makes per frame, the repeats answered from the cached frame)")
        print("(cpu = this thread's CPU time, summed over the frames of a kind: what a frame costs")
        print("without the time other processes take; the clock columns include it)")
        print(f"{'frames':10} {'count':>6} {'cpu ms':>8} {'median ms':>10} {'mean ms':>9} {'p95 ms':>9} "
              f"{'max ms':>9} {'x3 mean ms':>11} {'mean bytes':>11}")
        for kind in ("still", "partial", "full"):
            k = report["kinds"].get(kind)
            if k:
                print(f"{kind:10} {int(k['count']):6d} {float(k['cpu_mean_ms']):8.3f} "
                      f"{float(k['median_ms']):10.3f} {float(k['mean_ms']):9.3f} "
                      f"{float(k['p95_ms']):9.3f} {float(k['max_ms']):9.3f} "
                      f"{float(k['mean_ms_all_calls']):11.3f} {int(k['mean_bytes']):11,d}")
        total_ms = float(report["total_ms"])
        print(f"all frames: {total_ms / options.frames:.2f} ms mean, {total_ms / 1000:.2f} s of compression for "
              f"{options.frames / FPS:.0f} s of video ({int(report['over_budget'])} frames over "
              f"{float(report['budget_ms']):.1f} ms)")
        print(f"ffmpeg -c:v zmbv on the same frames: {ffmpeg_seconds * 1000 / options.frames:.2f} ms per frame "
              f"(user CPU time of the encoding process)")

        target_ratio = raw_bytes / ours >= 20
        still = report["kinds"].get("still")
        target_still = still is not None and float(still["median_ms"]) < 1.0
        cpu_ms = sum(float(k["cpu_mean_ms"]) * int(k["count"]) for k in report["kinds"].values())
        print(f"CPU time of all frames: {cpu_ms / options.frames:.2f} ms mean "
              f"({cpu_ms / 1000:.2f} s for {options.frames / FPS:.0f} s of video)")
        target_rate = total_ms / options.frames < 1000.0 / FPS and cpu_ms / options.frames < 1000.0 / FPS
        print()
        print(f"target >= 20x smaller than uncompressed: {'met' if target_ratio else 'MISSED'}")
        print(f"target still frame < 1 ms (median):      {'met' if target_still else 'MISSED'}")
        print(f"target 30 fps held at 1280x720:          {'met' if target_rate else 'MISSED'}")

        if options.quick:
            return
        print()
        print("zlib level and search range (same clip, one call per frame)")
        print(f"{'level':>5} {'range':>5} {'bytes':>13} {'ratio':>7} {'still ms':>9} {'partial ms':>11} "
              f"{'full ms':>8} {'mean ms':>8}   (per kind: CPU time; mean: clock)")
        for level, search in ((1, 32), (2, 32), (3, 32), (6, 32), (1, 0), (1, 8), (1, 63)):
            r = run_writer(folder, options.frames, ["--level", str(level), "--range", str(search)])
            size = os.path.getsize(os.path.join(folder, "clip.avi"))
            kinds = r["kinds"]
            print(f"{level:5d} {search:5d} {size:13,d} {raw_bytes / size:6.0f}x "
                  f"{float(kinds['still']['cpu_mean_ms']):9.3f} {float(kinds['partial']['cpu_mean_ms']):11.3f} "
                  f"{float(kinds['full']['cpu_mean_ms']):8.3f} {float(r['total_ms']) / options.frames:8.2f}")


if __name__ == "__main__":
    os.makedirs(PREFIX, exist_ok=True)
    try:
        main()
    finally:
        # Debian keeps wineserver out of PATH.
        wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
        subprocess.run([wineserver, "-k"], env=dict(os.environ), check=False)
