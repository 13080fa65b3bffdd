"""lame_enc.dll beside the program encodes a tone that ffprobe reads as MP3 of the right length."""
import os
import tempfile
import unittest

import orvtest


class LameTone(unittest.TestCase):
    def test_two_seconds_of_tone_make_a_two_second_mp3(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "tone.mp3")
            code, text = orvtest.run("lame_tone.exe", orvtest.unix_to_windows(out), 2)
            self.assertEqual(0, code, text)
            info = orvtest.ffprobe(out)
            stream = info["streams"][0]
            self.assertEqual("mp3", stream["codec_name"])
            self.assertEqual(44100, int(stream["sample_rate"]))
            self.assertAlmostEqual(2.0, float(info["format"]["duration"]), delta=0.1)
            self.assertEqual("", orvtest.decode_check(out))


if __name__ == "__main__":
    unittest.main()
