"""Sound recorded by the capture thread from the session's null-sink monitor, with video,
into an AVI file: an MP3 stream of the recorded length that decodes to the 1 kHz tone that
was playing, and as long as the video."""
import json
import math
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

BIN = os.environ.get("ORVANE_BIN", "")
RECORDER = os.path.join(BIN, "tests", "audio_recording.exe")
SECONDS = 10


def goertzel(samples, frequency, rate):
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


@unittest.skipUnless(shutil.which("ffprobe") and os.path.exists(RECORDER), "needs ffprobe and audio_recording.exe")
class RecordedSoundInAvi(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="audio-avi-")
        cls.path = os.path.join(cls.folder, "sound.avi")
        proc = subprocess.run(["wine64", RECORDER, "sound.avi", str(SECONDS)], cwd=cls.folder,
                              capture_output=True, text=True, timeout=120)
        if proc.returncode != 0:
            raise AssertionError(f"audio_recording exited {proc.returncode}: {proc.stdout}{proc.stderr}")
        cls.report = dict(line.strip().split("=", 1) for line in proc.stdout.split() if "=" in line)
        print(cls.report)
        out = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json",
                              cls.path], capture_output=True, text=True, check=True).stdout
        cls.info = json.loads(out)
        cls.streams = {s["codec_type"]: s for s in cls.info["streams"]}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def decoded_left(self):
        pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", self.path, "-map", "0:a", "-ac", "1",
                              "-f", "s16le", "-"], capture_output=True, check=True).stdout
        return struct.unpack("<%dh" % (len(pcm) // 2), pcm)

    def test_mp3_stream_lasts_the_recording(self):
        audio = self.streams["audio"]
        self.assertEqual(audio["codec_name"], "mp3")
        self.assertEqual(audio["codec_tag"], "0x0055")
        self.assertEqual(int(audio["sample_rate"]), 44100)
        seconds = len(self.decoded_left()) / 44100
        print(f"sound: {seconds:.3f} s")
        self.assertAlmostEqual(seconds, SECONDS, delta=0.1)

    def test_sound_is_the_tone(self):
        samples = self.decoded_left()
        # One second from the middle of the recording.
        middle = samples[len(samples) // 2: len(samples) // 2 + 44100]
        rms = math.sqrt(sum(x * x for x in middle) / len(middle))
        self.assertGreater(rms, 1000, "the recorded sound is silent")
        tone = goertzel(middle, 1000, 44100)
        for other in (500, 800, 1200, 1500, 2000, 3000):
            self.assertGreater(tone, 100 * goertzel(middle, other, 44100), f"no 1 kHz peak against {other} Hz")

    def test_audio_and_video_last_as_long(self):
        video = self.streams["video"]
        video_seconds = int(video["nb_frames"]) / 25
        audio_seconds = len(self.decoded_left()) / 44100
        print(f"video: {video_seconds:.3f} s, sound: {audio_seconds:.3f} s")
        # The two sources start and stop one after the other: on a loaded machine the second
        # may come a few of its ticks later. Whether sound and picture stay together is the
        # business of the recording tests that measure them against each other.
        self.assertAlmostEqual(audio_seconds, video_seconds, delta=0.25)


if __name__ == "__main__":
    unittest.main()
