"""A recording written by the AVI writer (compressed video + MP3 from lame_enc.dll, through
the streams, the queue and the writing thread) reads back in full with ffprobe and decodes
with ffmpeg."""
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import orvtest

BIN = os.environ.get("ORVANE_BIN", "")
RECORDER = os.path.join(BIN, "tests", "avi_recording.exe")


def record(folder, *args):
    proc = subprocess.run(["wine64", RECORDER, "clip.avi", *map(str, args)], cwd=folder,
                          capture_output=True, text=True, timeout=300)
    if proc.returncode != 0:
        raise AssertionError(f"avi_recording {args} exited {proc.returncode}: {proc.stdout}{proc.stderr}")
    return dict(line.strip().split("=", 1) for line in proc.stdout.split() if "=" in line)


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_streams",
                          "-show_format", "-of", "json", path],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


@unittest.skipUnless(shutil.which("ffprobe") and os.path.exists(RECORDER), "needs ffprobe and avi_recording.exe")
class AviRecordingReadsBack(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="avi-writer-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def test_video_and_sound_read_back_in_full(self):
        report = record(self.folder, 3, 160, 120)
        path = os.path.join(self.folder, "clip.avi")
        info = probe(path)
        streams = {s["codec_type"]: s for s in info["streams"]}
        self.assertEqual(len(info["streams"]), 2)
        self.assertEqual(info["streams"][0]["codec_type"], "video", "video is the first stream")

        video = streams["video"]
        self.assertEqual(video["codec_name"], "rawvideo")
        self.assertEqual((video["width"], video["height"]), (160, 120))
        self.assertEqual(video["r_frame_rate"], "25/1")
        self.assertEqual(int(video["nb_read_packets"]), int(report["frames"]))

        audio = streams["audio"]
        self.assertEqual(audio["codec_name"], "mp3")
        self.assertEqual(int(audio["sample_rate"]), 44100)
        self.assertEqual(int(audio["channels"]), 2)
        # Everything the encoder produced is in the file: one MP3 frame per 1152-sample block,
        # give or take the encoder's delay.
        blocks = int(report["audio_blocks"])
        self.assertAlmostEqual(int(audio["nb_read_packets"]), blocks, delta=2)
        pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "s16le", "-"],
                             capture_output=True, check=True).stdout
        self.assertAlmostEqual(len(pcm) / 4 / 44100, blocks * 1152 / 44100, delta=0.1)

        # Both streams decode to the end without errors.
        self.assertEqual([], orvtest.decode_errors(path))

    def test_compressed_frames_keep_their_key_frame_flags(self):
        report = record(self.folder, 4, 96, 64, "zmbv")
        path = os.path.join(self.folder, "clip.avi")
        info = probe(path)
        video = info["streams"][0]
        self.assertEqual(video["codec_name"], "zmbv")
        self.assertEqual(int(video["nb_read_packets"]), int(report["frames"]))
        out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                              "packet=flags", "-of", "csv=p=0", path],
                             capture_output=True, text=True, check=True).stdout.split()
        keys = sum(1 for flags in out if flags.startswith("K"))
        self.assertTrue(out[0].startswith("K"), "the first frame is a key frame")
        self.assertEqual(keys, int(report["key_frames"]))
        self.assertLess(keys, len(out))
        self.assert_bar_at_frame(path, 96, 64, 5)

    def test_frames_decode_to_what_was_painted(self):
        record(self.folder, 1, 64, 32)
        self.assert_bar_at_frame(os.path.join(self.folder, "clip.avi"), 64, 32, 5)

    def assert_bar_at_frame(self, path, width, height, index):
        raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-f", "rawvideo",
                              "-pix_fmt", "bgr24", "-"], capture_output=True, check=True).stdout
        frame_bytes = width * height * 3
        self.assertEqual(len(raw) % frame_bytes, 0)
        # The bar of frame n covers x = 4n .. 4n+7 on every row (0x20,0x40,0xFF in B,G,R).
        frame = raw[index * frame_bytes:(index + 1) * frame_bytes]
        row = frame[(height // 2) * width * 3:(height // 2 + 1) * width * 3]
        bar = 4 * index + 2
        self.assertEqual(tuple(row[bar * 3:bar * 3 + 3]), (0x20, 0x40, 0xFF))
        self.assertEqual(tuple(row[(bar + 20) * 3:(bar + 20) * 3 + 3]), (0x80, 0x80, 0x80))


if __name__ == "__main__":
    unittest.main()
