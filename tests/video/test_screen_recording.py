"""A rectangle of the screen recorded through grabber, timed source, compressor and AVI writer,
while a window animates inside it, is a playable AVI of the right size, rate and length
whose pictures follow the animation."""
import os
import subprocess
import tempfile
import unittest

import orvtest

X, Y, W, H = 100, 100, 320, 240


def center_reds(path, width, height):
    """The red value of the centre pixel of every decoded frame."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-"], capture_output=True, timeout=300, check=True).stdout
    size = width * height * 3
    offset = ((height // 2) * width + width // 2) * 3
    return [raw[i + offset] for i in range(0, len(raw) - size + 1, size)]


class ScreenRecording(unittest.TestCase):
    def record(self, fps, milliseconds, out, codec=None):
        args = [orvtest.unix_to_windows(out), X, Y, W, H, fps, milliseconds]
        if codec:
            args.append(codec)
        code, text = orvtest.run("screen_recording.exe", *args, timeout=120)
        self.assertEqual(0, code, text)
        return text

    def test_four_seconds_at_15_fps_follow_the_animation(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "screen.avi")
            self.record(15, 4000, out)
            info = orvtest.ffprobe(out)
            self.assertEqual(1, len(info["streams"]))
            video = info["streams"][0]
            self.assertEqual("video", video["codec_type"])
            self.assertEqual((W, H), (video["width"], video["height"]))
            self.assertEqual("15/1", video["r_frame_rate"])
            self.assertAlmostEqual(4.0, float(info["format"]["duration"]), delta=0.15 + 1 / 15)
            self.assertEqual("", orvtest.decode_check(out))

            reds = center_reds(out, W, H)
            self.assertGreaterEqual(len(reds), 58)
            # Skip the empty positions before the writer's first frame.
            first = next(i for i, r in enumerate(reds) if r != 0)
            reds = reds[first:]
            # The animation is a window of the same busy process: it may miss a turn now and
            # then, but the pictures must keep following it.
            changes = sum(1 for a, b in zip(reds, reds[1:]) if a != b)
            self.assertGreater(changes, len(reds) // 4, f"the picture changed {changes} times in {len(reds)} frames")


if __name__ == "__main__":
    unittest.main()
