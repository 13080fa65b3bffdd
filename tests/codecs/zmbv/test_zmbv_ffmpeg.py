"""Frames compressed by the built-in ZMBV compressor decode bit-identically with ffmpeg.

zmbv_writer.exe renders a synthetic desktop (text, windows, gradients, a scrolling text
window, a moving window, a full-screen change every 90 frames), compresses it through
ICCompress the way the program does, writes an AVI through AVIFile and the original frames
as raw B G R 0 bytes. ffmpeg decodes the AVI back to bgr0 and the bytes must match.
"""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

BIN = os.environ.get("ORVANE_BIN", "")
WRITER = os.path.join(BIN, "tests", "zmbv_writer.exe")


def write_clip(folder, *args):
    proc = subprocess.run(["wine64", WRITER, "--avi", "clip.avi", "--raw", "clip.raw", *map(str, args)],
                          cwd=folder, capture_output=True, text=True, timeout=600)
    if proc.returncode != 0:
        raise AssertionError(f"zmbv_writer {args} exited {proc.returncode}: {proc.stdout}{proc.stderr}")
    return dict(line.split("=", 1) for line in proc.stdout.split()), proc.stdout


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", path],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)["streams"][0]


def decode(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr0", "-"],
                          capture_output=True, check=True).stdout


@unittest.skipUnless(shutil.which("ffmpeg") and os.path.exists(WRITER), "needs ffmpeg and zmbv_writer.exe")
class ZmbvDecodesWithFfmpeg(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="zmbv-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def assert_round_trip(self, width, height, frames, *args):
        report, text = write_clip(self.folder, "--width", width, "--height", height, "--frames", frames, *args)
        avi = os.path.join(self.folder, "clip.avi")
        stream = probe(avi)
        self.assertEqual(stream["codec_name"], "zmbv")
        self.assertEqual((stream["width"], stream["height"]), (width, height))
        self.assertEqual(int(stream["nb_read_frames"]), frames)
        with open(os.path.join(self.folder, "clip.raw"), "rb") as f:
            original = f.read()
        decoded = decode(avi)
        frame_size = width * height * 4
        self.assertEqual(len(decoded), len(original), text)
        if decoded != original:
            bad = next(i for i in range(frames)
                       if decoded[i * frame_size:(i + 1) * frame_size] != original[i * frame_size:(i + 1) * frame_size])
            self.fail(f"frame {bad} of {width}x{height} differs after decoding\n{text}")
        return report

    def test_desktop_bottom_up_with_recompressions_and_key_frames(self):
        # Three calls per frame, as the program's quality search makes them; key frame every 50.
        report = self.assert_round_trip(320, 240, 200, "--repeat", 3, "--keyrate", 50)
        self.assertEqual(int(report["keyframes"]), 4)
        # Screen content must shrink a lot; the still frames are a few bytes.
        self.assertLess(int(report["bytes"]) * 20, int(report["raw_bytes"]))

    def test_odd_size_top_down_rows(self):
        self.assert_round_trip(333, 211, 120, "--topdown", "--keyrate", 0)

    def test_tiny_frame_smaller_than_one_block(self):
        self.assert_round_trip(7, 5, 40, "--keyrate", 9)

    def test_full_screen_changes_at_720p(self):
        # Frame 90 replaces the whole picture; motion before it.
        self.assert_round_trip(1280, 720, 95, "--keyrate", 0)

    def test_wheel_scrolling_by_whole_lines(self):
        # 45 pixels per frame: beyond the nearby search, found along the vertical axis.
        report = self.assert_round_trip(640, 360, 70, "--scroll", 45)
        self.assertLess(int(report["bytes"]) * 100, int(report["raw_bytes"]))

    def test_every_search_setting_stays_exact(self):
        for level, search in ((9, 0), (1, 63)):
            with self.subTest(level=level, search=search):
                self.assert_round_trip(200, 150, 95, "--level", level, "--range", search)


if __name__ == "__main__":
    unittest.main()
