"""A recording that outgrows the size limit of its file goes on in the next free name without
a visible change: YYYYMMDD.avi, then #01, #02 ... The scene's counter changes colour every
50 ms and the recording takes 20 pictures a second, so the colours of the pictures tell which
moments were recorded: across every cut they run on with no picture lost or repeated."""
import os
import subprocess
import time
import unittest

import orvtest
import recflow

X, Y, W, H = 120, 160, 64, 64
# About a second of a small picture with its sound.
FILE_LIMIT = 20000
FPS = 20


def picture_steps(path):
    """The counter's step shown by each picture of the file (red = step modulo 256)."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-an", "-fps_mode", "passthrough", "-vf",
                          f"crop=8:8:{W // 2}:{H // 2},scale=1:1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, timeout=300).stdout
    return [out[i] for i in range(0, len(out) - 2, 3)]


def step_gap(before, after):
    return (after - before) % 256


class SizeLimitTest(unittest.TestCase):
    def test_recording_continues_in_numbered_files(self):
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix, env={"ORVANE_MAX_FILE_SIZE": str(FILE_LIMIT)}) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 90)
                self.assertTrue(app.wait_main(), "no main window")
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
                self.assertTrue(orvtest.wait_for(lambda: len(app.files()) >= 4, timeout=30),
                                f"no continuation: {app.files()}")
                self.assertFalse(app.main_visible(), "the window showed up at a cut")
                self.assertEqual([], app.message_boxes())
                self.assertIsNone(app.stop_with_hotkey())

            today = time.strftime("%Y%m%d")
            names = app.files()
            expected = [today + ".avi"] + [f"{today}#{n:02d}.avi" for n in range(1, len(names))]
            self.assertEqual(sorted(expected), names)

            parts = []
            for name in expected:
                path = os.path.join(app.folder, name)
                video = recflow.video_frames(path)
                self.assertEqual(("64", "64", f"{FPS}/1"), (video["width"], video["height"], video["r_frame_rate"]))
                self.assertEqual("", orvtest.decode_check(path), name)
                steps = picture_steps(path)
                self.assertEqual(int(video["nb_read_frames"]), len(steps), name)
                parts.append(steps)
            print("steps of the pictures of each file:", parts)

            # At each cut the next file's first picture follows the last one of the file before as
            # pictures follow each other inside a file: one step, give or take the jitter of two
            # programs taking turns on a busy machine, which the steps inside the files show.
            # Altogether the cuts lose at most one picture each beyond that jitter.
            gaps = [step_gap(parts[n - 1][-1], parts[n][0]) for n in range(1, len(parts))]
            inner = [step_gap(a, b) for steps in parts for a, b in zip(steps, steps[1:])]
            jitter = max([3] + inner)
            for n, gap in enumerate(gaps, 1):
                self.assertLessEqual(gap, jitter, f"{expected[n]} begins {gap} steps after the file before "
                                                  f"(at most {jitter} inside the files)")
            inner_loss = sum(max(g - 1, 0) for g in inner) / max(len(inner), 1)
            self.assertLessEqual(sum(max(gap - 1, 0) for gap in gaps), len(gaps) * (1 + inner_loss),
                                 f"steps between files: {gaps}")


if __name__ == "__main__":
    unittest.main()
