"""Ten seconds of a 1 kHz tone encoded by CMp3Encoder read back as MP3 of the right length,
bit rate and pitch."""
import math
import os
import struct
import subprocess
import tempfile
import unittest

import orvtest

FRAME_SAMPLES_MPEG1 = 1152
CODEC_DELAY = 1393  # samples, as the encoder's wave format publishes it


def goertzel_power(samples, rate, freq):
    coeff = 2.0 * math.cos(2.0 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for x in samples:
        s0 = x + coeff * s1 - s2
        s2, s1 = s1, s0
    return s1 * s1 + s2 * s2 - coeff * s1 * s2


def decode_mono(path, rate):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "1",
                          "-ar", str(rate), "-"], capture_output=True, check=True,
                         timeout=120).stdout
    return struct.unpack("<%dh" % (len(raw) // 2), raw)


class Mp3Tone(unittest.TestCase):
    def encode(self, tmp, rate, quality, vbr):
        out = os.path.join(tmp, f"tone_{rate}_{quality}_{vbr}.mp3")
        code, text = orvtest.run("mp3_tone_writer.exe", orvtest.unix_to_windows(out), 10, rate,
                                 quality, vbr)
        self.assertEqual(0, code, text)
        return out, orvtest.ffprobe(out)

    def assert_length(self, info, rate):
        duration = float(info["format"]["duration"])
        frame = FRAME_SAMPLES_MPEG1 / rate
        # The stream carries the codec's delay in front of the ten seconds of sound.
        self.assertAlmostEqual(10.0, duration - CODEC_DELAY / rate, delta=frame)
        self.assertGreaterEqual(duration, 10.0 - frame)

    def assert_peak_at_1khz(self, path, rate):
        samples = decode_mono(path, rate)
        self.assertAlmostEqual(10.0, len(samples) / rate, delta=0.1)
        middle = samples[2 * rate:3 * rate]  # one second from the steady part
        candidates = [250, 500, 750, 900, 950, 1000, 1050, 1100, 1250, 1500, 2000, 3000]
        powers = {f: goertzel_power(middle, rate, f) for f in candidates}
        self.assertEqual(1000, max(powers, key=powers.get), powers)
        self.assertGreater(powers[1000], 100 * powers[900])
        self.assertGreater(powers[1000], 100 * powers[1100])

    def test_constant_bit_rate_at_cd_rate(self):
        with tempfile.TemporaryDirectory() as tmp:
            path, info = self.encode(tmp, 44100, 5, 0)
            stream = info["streams"][0]
            self.assertEqual("mp3", stream["codec_name"])
            self.assertEqual(44100, int(stream["sample_rate"]))
            self.assertEqual(2, int(stream["channels"]))
            self.assertEqual(160000, int(stream["bit_rate"]))
            self.assert_length(info, 44100)
            self.assertEqual("", orvtest.decode_check(path))
            self.assert_peak_at_1khz(path, 44100)

    def test_variable_bit_rate_stays_within_its_range(self):
        with tempfile.TemporaryDirectory() as tmp:
            path, info = self.encode(tmp, 44100, 5, 1)
            size = os.path.getsize(path)
            mean_kbps = size * 8 / 10.0 / 1000
            self.assertGreaterEqual(mean_kbps, 96 * 0.97)
            self.assertLessEqual(mean_kbps, 160 * 1.03)
            self.assertEqual("", orvtest.decode_check(path))
            self.assert_peak_at_1khz(path, 44100)


if __name__ == "__main__":
    unittest.main()
