"""A recording that outgrows the size limit of its file goes on in the next free name without
a visible change: YYYYMMDD.avi, then #01, #02 ... The scene's counter changes colour every
50 ms and the recording takes 5 pictures a second, so the colours of the pictures tell which
moments were recorded: across every cut they run on with no picture lost or repeated.

The counter is a clock (its step is the time since it started, in 50 ms), and so are the
recording's pictures (each stands at its place on the frame grid of the recording's time, four
steps apart), so the step a picture shows less four steps a place is the same throughout, give
or take a step where one program was late to paint or to look. A cut that lost a picture would
raise it by four from that file on; one that repeated a picture would lower it by four."""
import os
import statistics
import subprocess
import time
import unittest

import orvtest
import recflow

X, Y, W, H = 120, 160, 64, 64
# About three seconds of a small picture with its sound.
FILE_LIMIT = 40000
FPS = 5
STEPS_PER_PICTURE = 4
SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"


def picture_steps(path):
    """The counter's step shown by each picture of the file (red = step modulo 256)."""
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-an", "-fps_mode", "passthrough", "-vf",
                          f"crop=8:8:{W // 2}:{H // 2},scale=1:1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, timeout=300).stdout
    return [out[i] for i in range(0, len(out) - 2, 3)]


def picture_places(path):
    """The place of each picture of the file on its frame grid (a grid slot with no picture of
    its own keeps the one before and has no place here)."""
    p = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pts",
                        "-of", "csv=p=0", path], capture_output=True, text=True, timeout=300)
    return [int(line) for line in p.stdout.split()]


def typical(values):
    """The mean of the middle three fifths: a few pictures from a late paint or a late look
    do not move it."""
    values = sorted(values)
    cut = len(values) // 5
    return statistics.mean(values[cut:len(values) - cut])


class SizeLimitTest(unittest.TestCase):
    def test_recording_continues_in_numbered_files(self):
        with orvtest.fresh_prefix() as prefix:
            orvtest.reg_add(SETTINGS_KEY, "Video FPS", FPS, kind="REG_DWORD", prefix=prefix)
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

            offsets, start, last = [], 0, None
            for name in expected:
                path = os.path.join(app.folder, name)
                video = recflow.video_frames(path)
                self.assertEqual(("64", "64", f"{FPS}/1"), (video["width"], video["height"], video["r_frame_rate"]))
                self.assertEqual("", orvtest.decode_check(path), name)
                steps, places = picture_steps(path), picture_places(path)
                self.assertEqual(int(video["nb_read_frames"]), len(steps), name)
                self.assertEqual(len(steps), len(places), name)
                # The colour wraps at 256 steps: each step is counted on from the one before.
                unwrapped = []
                for step in steps:
                    last = step if last is None else last + (step - last + 128) % 256 - 128
                    unwrapped.append(last)
                offsets.append([step - STEPS_PER_PICTURE * (start + place) for step, place in zip(unwrapped, places)])
                start += places[-1] + 1
            print("the step each picture shows less four a place, per file:", offsets)
            # The recording stops a little after a cut: the last file may hold too few pictures
            # to tell a late look from a lost picture.
            for n in [n for n in range(1, len(offsets)) if len(offsets[n]) >= 5]:
                moved = typical(offsets[n]) - typical(offsets[n - 1])
                self.assertLess(abs(moved), STEPS_PER_PICTURE / 2,
                                f"at the start of {expected[n]} the pictures moved {moved:+.2f} steps against the "
                                f"counter (+{STEPS_PER_PICTURE}: a picture lost, -{STEPS_PER_PICTURE}: one repeated)")


if __name__ == "__main__":
    unittest.main()
