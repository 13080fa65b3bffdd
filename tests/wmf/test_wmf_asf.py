"""ASF files written through the built-in Windows Media runtime: read back by ffprobe, decoded
by ffmpeg, and walked object by object and packet by packet."""
import os
import subprocess
import sys
import tempfile
import unittest

import orvtest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import asfwalk  # noqa: E402


class RuntimeFiles(unittest.TestCase):
    def setUp(self):
        self._tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self._tmp.cleanup)

    def make(self, mode, seconds=3, packet=None):
        out = os.path.join(self._tmp.name, f"{mode}.wmv")
        args = [mode, orvtest.unix_to_windows(out), seconds] + ([packet] if packet else [])
        code, text = orvtest.run("wmf_make_asf.exe", *args)
        self.assertEqual(0, code, text)
        return out

    def assert_clean_decode(self, path):
        self.assertEqual("", orvtest.decode_check(path))

    def assert_index_points_at_key_frames(self, asf, stream):
        keys = {o["first_packet"] for o in asf.media_objects if o["stream"] == stream and o["key"]}
        self.assertIsNotNone(asf.index)
        self.assertEqual(10000000, asf.index["interval"])
        self.assertEqual(asf.play_duration // 10000000 + 1, len(asf.index["entries"]))
        for packet, count in asf.index["entries"]:
            self.assertIn(packet, keys)
            self.assertGreaterEqual(count, 1)
            self.assertLessEqual(count, asf.index["max_count"])

    def test_video_and_mp3_file_reads_decodes_and_adds_up(self):
        path = self.make("av", 3)
        info = orvtest.ffprobe(path)
        video, audio = info["streams"]
        self.assertEqual(("zmbv", 160, 120), (video["codec_name"], video["width"], video["height"]))
        self.assertEqual(("mp3", 44100, 2), (audio["codec_name"], int(audio["sample_rate"]), audio["channels"]))
        for stream in (video, audio):
            self.assertAlmostEqual(3.0, float(stream["duration"]), delta=0.05)
        self.assert_clean_decode(path)

        asf = asfwalk.AsfFile(path)
        self.assertEqual(os.path.getsize(path), asf.file_size)
        self.assertEqual(3000, asf.preroll)
        self.assertAlmostEqual(3000, (asf.play_duration // 10000) - asf.preroll, delta=30)
        self.assertEqual({1: "video", 2: "audio"}, {n: s["type"] for n, s in asf.streams.items()})
        self.assertEqual("ZMBV", asf.streams[1]["fourcc"])
        self.assertEqual(0x55, asf.streams[2]["tag"])
        self.assertEqual(1000000, asf.extended[1]["avg_time_per_frame"])
        self.assertEqual(3000, asf.extended[2]["buffer"])
        self.assertEqual([{"type": 2, "name": "MPEG Audio Layer-3", "description": "",
                           "info": b"\x55\x00\x00\x00"}], asf.codecs)

        frames = [o for o in asf.media_objects if o["stream"] == 1]
        self.assertEqual(30, len(frames))
        self.assertEqual([i * 100 + 3000 for i in range(30)], [o["time"] for o in frames])
        self.assertEqual([i % 10 == 0 for i in range(30)], [o["key"] for o in frames])
        self.assertTrue(all(o["key"] for o in asf.media_objects if o["stream"] == 2))
        sends = [p["send"] for p in asf.packets]
        self.assertEqual(sorted(sends), sends)
        self.assertGreater(max(p["payloads"] for p in asf.packets), 1)
        self.assert_index_points_at_key_frames(asf, 1)

    def test_megabyte_key_frames_are_split_over_packets_of_the_declared_size(self):
        for packet in (None, 1500):
            with self.subTest(packet=packet):
                path = self.make("big", 2, packet)
                asf = asfwalk.AsfFile(path)
                self.assertEqual(packet or 8192, asf.max_packet)
                keys = [o for o in asf.media_objects if o["stream"] == 1 and o["key"]]
                self.assertEqual(2, len(keys))
                for key in keys:
                    self.assertGreater(key["size"], 1 << 20)
                    self.assertGreater(key["last_packet"] - key["first_packet"], 100)
                self.assertGreaterEqual(asf.extended[1]["max_object"], 1 << 20)
                self.assert_index_points_at_key_frames(asf, 1)
                info = orvtest.ffprobe(path)
                self.assertEqual((512, 512), (info["streams"][0]["width"], info["streams"][0]["height"]))
                self.assert_clean_decode(path)

    def test_single_stream_files_index_their_stream(self):
        for mode, stream, codec in (("video", 1, "zmbv"), ("audio", 2, "mp3")):
            with self.subTest(mode=mode):
                path = self.make(mode, 2)
                info = orvtest.ffprobe(path)
                self.assertEqual([codec], [s["codec_name"] for s in info["streams"]])
                self.assertAlmostEqual(2.0, float(info["streams"][0]["duration"]), delta=0.05)
                self.assert_clean_decode(path)
                asf = asfwalk.AsfFile(path)
                self.assertEqual([stream], list(asf.streams))
                self.assert_index_points_at_key_frames(asf, stream)

    def test_recording_whose_writing_never_ended_stays_readable(self):
        path = self.make("crash", 2)
        asf = asfwalk.AsfFile(path)
        self.assertTrue(asf.broadcast)
        frames = [o for o in asf.media_objects if o["stream"] == 1]
        self.assertEqual(20, len(frames))
        info = orvtest.ffprobe(path)
        self.assertEqual(["zmbv", "mp3"], [s["codec_name"] for s in info["streams"]])
        self.assert_clean_decode(path)
        packets = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-count_packets",
                                  "-show_entries", "stream=nb_read_packets", "-of", "csv=p=0", path],
                                 capture_output=True, text=True, check=True).stdout.strip()
        self.assertEqual("20", packets)

    def test_recording_whose_writing_never_ended_is_finished_up_to_a_torn_end(self):
        path = self.make("crash", 3)
        left = asfwalk.AsfFile(path)
        closed = asfwalk.AsfFile(self.make("av", 3))
        # Bytes that are no packet after the last whole one: two packets' worth and a bit.
        with open(path, "ab") as f:
            f.write(bytes(range(256)) * (2 * left.max_packet // 256 + 3))
        code, _ = orvtest.run("orvane.exe", "/repair", orvtest.unix_to_windows(path))
        self.assertEqual(0, code)
        asf = asfwalk.AsfFile(path)
        self.assertFalse(asf.broadcast)
        self.assertEqual(os.path.getsize(path), asf.file_size)
        self.assertEqual(len(left.packets), asf.packet_count)
        self.assertAlmostEqual(closed.play_duration, asf.play_duration, delta=30 * 10000)
        self.assertEqual(closed.extended[1]["max_object"], asf.extended[1]["max_object"])
        self.assert_index_points_at_key_frames(asf, 1)
        self.assert_clean_decode(path)
        self.assertAlmostEqual(3.0, float(orvtest.ffprobe(path)["format"]["duration"]), delta=0.05)

    def test_file_ended_right_after_it_began_is_empty_but_readable(self):
        path = self.make("empty", 0)
        asf = asfwalk.AsfFile(path)
        self.assertEqual(0, asf.packet_count)
        self.assertEqual(os.path.getsize(path), asf.file_size)
        self.assertIsNone(asf.index)
        self.assertEqual(2, len(asf.streams))
        info = orvtest.ffprobe(path)
        self.assertEqual(["zmbv", "mp3"], [s["codec_name"] for s in info["streams"]])


if __name__ == "__main__":
    unittest.main()
