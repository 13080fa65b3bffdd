"""Recordings through the main window's capture graph, without the window: a screen rectangle
with a window animating in it, and a 1 kHz tone played into the sound server, become a file
with a video and an MP3 stream that play through and agree in length."""
import array
import cmath
import math
import os
import subprocess
import tempfile
import unittest

import orvtest

X, Y, W, H = 200, 150, 320, 240


def decode_errors(path):
    """Decodes every packet; ffmpeg's complaints. The pictures keep the file's own time base:
    in the frame rate ffmpeg guesses from uneven capture times (19.5 for 20 frames a second),
    two pictures a few milliseconds apart could fall on one tick and be refused as out of order."""
    p = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-enc_time_base", "-1", "-f", "null", "-"],
                       capture_output=True, text=True, timeout=600)
    return p.stderr.strip() if p.returncode == 0 else (p.stderr.strip() or "ffmpeg failed")


def tone_peak_hz(path, seconds=4.0):
    """The strongest frequency (10 Hz steps, 200..4000 Hz) in the first seconds of sound."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-t", str(seconds),
                          "-ac", "1", "-ar", "8000", "-f", "s16le", "-"],
                         capture_output=True, timeout=120, check=True).stdout
    samples = array.array("h", raw)[2000:10000]
    best, best_power = 0, -1.0
    for hz in range(200, 4000, 10):
        w = -2j * math.pi * hz / 8000
        power = abs(sum(s * cmath.exp(w * n) for n, s in enumerate(samples[:2000])))
        if power > best_power:
            best, best_power = hz, power
    return best


class GraphRecording(unittest.TestCase):
    def record(self, out, fmt, seconds, fourcc=None):
        tone = orvtest.start("scene.exe", "tone", seconds + 15)
        try:
            args = [orvtest.unix_to_windows(out), X, Y, W, H, 20, seconds * 1000, fmt]
            if fourcc:
                args.append(fourcc)
            code, text = orvtest.run("graph_recording.exe", *args, timeout=180)
            self.assertEqual(0, code, text)
            return text
        finally:
            tone.kill()
            tone.wait()

    def check_file(self, out, container, seconds):
        info = orvtest.ffprobe(out)
        self.assertIn(container, info["format"]["format_name"])
        kinds = [s["codec_type"] for s in info["streams"]]
        self.assertEqual(["video", "audio"], kinds)
        video, audio = info["streams"]
        self.assertEqual((W, H), (video["width"], video["height"]))
        self.assertEqual("mp3", audio["codec_name"])
        self.assertEqual("", decode_errors(out))
        durations = {}
        for kind in ("v", "a"):
            p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", kind, "-show_entries",
                                "packet=pts_time,duration_time", "-of", "csv=p=0", out],
                               capture_output=True, text=True, timeout=120, check=True)
            last = [l for l in p.stdout.splitlines() if l.strip()][-1].split(",")
            durations[kind] = float(last[0]) + float(last[1] if last[1] != "N/A" else 0)
        self.assertAlmostEqual(seconds, durations["v"], delta=0.5, msg=durations)
        # The sound stops first when a recording ends, so the picture may run a little longer.
        self.assertAlmostEqual(durations["v"], durations["a"], delta=0.6, msg=durations)
        self.assertAlmostEqual(1000, tone_peak_hz(out), delta=20)

    def test_avi_with_video_and_sound(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "graph.avi")
            self.record(out, 0, 6)
            self.check_file(out, "avi", 6)

    def test_wmv_with_video_and_sound(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "graph.wmv")
            self.record(out, 1, 6, "ZMBV")
            self.check_file(out, "asf", 6)
            self.check_seek(out, 3.0)

    def check_seek(self, out, seconds):
        """Seeking into the file lands on a key frame at or before the point asked for."""
        p = subprocess.run(["ffprobe", "-v", "error", "-read_intervals", f"{seconds}%+#1",
                            "-select_streams", "v", "-show_entries", "packet=pts_time,flags",
                            "-of", "csv=p=0", out], capture_output=True, text=True, timeout=60,
                           check=True)
        first = p.stdout.split()[0].split(",")
        self.assertLessEqual(float(first[0]), seconds + 0.05, p.stdout)
        self.assertIn("K", first[1], "the first packet after a seek is a key frame")


if __name__ == "__main__":
    unittest.main()
