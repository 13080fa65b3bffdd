"""A recording written by the WMV writer (ZMBV video from the video compressor and MP3 from
lame_enc.dll, through the streams, the queue, the writing thread and the Windows Media
runtime) reads back with ffprobe, decodes with ffmpeg and has the ASF structure it should."""
import os
import shutil
import sys
import tempfile
import unittest

import orvtest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wmf"))
import asfwalk  # noqa: E402


class WmvRecordingReadsBack(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="wmv-writer-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def record(self, *args):
        path = os.path.join(self.folder, "clip.wmv")
        code, text = orvtest.run("wmv_recording.exe", orvtest.unix_to_windows(path), *args, timeout=300)
        self.assertEqual(0, code, text)
        report = dict(line.split("=", 1) for line in text.split() if "=" in line)
        return path, report

    def test_zmbv_and_mp3_recording_reads_back_as_streams_one_and_two(self):
        path, report = self.record(3, 160, 120, "zmbv")
        self.assertEqual("0", report["system_runtime"], "Wine's runtime cannot write")
        info = orvtest.ffprobe(path)
        video, audio = info["streams"]
        self.assertEqual(("zmbv", 160, 120), (video["codec_name"], video["width"], video["height"]))
        self.assertEqual(("mp3", 44100, 2), (audio["codec_name"], int(audio["sample_rate"]), audio["channels"]))
        self.assertAlmostEqual(3.0, float(info["format"]["duration"]), delta=0.15)
        self.assertEqual("", orvtest.decode_check(path))

        asf = asfwalk.AsfFile(path)
        self.assertEqual({1: "video", 2: "audio"}, {n: s["type"] for n, s in asf.streams.items()})
        self.assertEqual(400000, asf.extended[1]["avg_time_per_frame"], "25 frames per second")
        # One entry per stream with a codec type: the video one is nameless.
        self.assertEqual([{"type": 1, "name": "", "description": "", "info": b""},
                          {"type": 2, "name": "MPEG Audio Layer-3", "description": "",
                           "info": b"\x55\x00\x00\x00"}], asf.codecs)
        frames = [o for o in asf.media_objects if o["stream"] == 1]
        self.assertEqual(int(report["frames"]), len(frames))
        self.assertEqual(int(report["key_frames"]), sum(o["key"] for o in frames))
        self.assertEqual([i * 40 + asf.preroll for i in range(len(frames))], [o["time"] for o in frames])
        self.assertIsNotNone(asf.index)

    def test_recording_stopped_at_once_is_a_readable_file_without_frames(self):
        path, _ = self.record(0, 160, 120, "zmbv")
        asf = asfwalk.AsfFile(path)
        # At most the encoder's flushed last frame.
        self.assertEqual([], [o for o in asf.media_objects if o["stream"] == 1])
        self.assertLessEqual(asf.packet_count, 1)
        self.assertEqual(["zmbv", "mp3"], [s["codec_name"] for s in orvtest.ffprobe(path)["streams"]])


if __name__ == "__main__":
    unittest.main()
