"""Orvane used as a person would: F8, drag a rectangle, record a moving picture with a tone,
F8 again; the save folder then holds a playable dated AVI with video and sound, and the next
recording takes the next number."""
import os
import time
import unittest

import orvtest

X, Y, W, H = 100, 100, 320, 240


class RecordFlow(unittest.TestCase):
    def record_once(self, prefix, seconds):
        """One recording; the wall-clock time it can have lasted at most."""
        began = time.time()
        problem = orvtest.record_with_hotkey((X, Y, W, H), seconds, prefix)
        self.assertIsNone(problem, problem)
        return time.time() - began

    def test_hotkey_drag_record_hotkey(self):
        with orvtest.fresh_prefix() as prefix:
            app = orvtest.start("orvane.exe", prefix=prefix)
            scene = orvtest.start("scene.exe", "counter", X, Y, W, H, 60, prefix=prefix)
            tone = orvtest.start("scene.exe", "tone", 60, prefix=prefix)
            try:
                self.assertIsNotNone(orvtest.find_window(orvtest.MAIN_CAPTION, 60, prefix), "no main window")
                longest = self.record_once(prefix, 5)
                self.record_once(prefix, 3)
                win = orvtest.find_window(orvtest.MAIN_CAPTION, 5, prefix)
                orvtest.close_window(win.hwnd, prefix=prefix)
                self.assertEqual(0, orvtest.wait_exit(app, timeout=60))
            finally:
                for p in (app, scene, tone):
                    if p.poll() is None:
                        p.kill()
                        p.wait()

            folder = os.path.join(prefix, "drive_c", "Video Recordings")
            names = sorted(os.listdir(folder))
            today = time.strftime("%Y%m%d")
            self.assertEqual([f"{today}#01.avi", f"{today}.avi"], names)
            first = os.path.join(folder, f"{today}.avi")
            info = orvtest.ffprobe(first)
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            audio = [s for s in info["streams"] if s["codec_type"] == "audio"][0]
            self.assertEqual((W, H), (video["width"], video["height"]))
            self.assertEqual("20/1", video["r_frame_rate"])
            self.assertEqual("mp3", audio["codec_name"])
            # On a busy machine the program may take a while to start or stop: the file lasts no
            # longer than the user's steps took, and holds most of the five seconds in between.
            duration = float(info["format"]["duration"])
            self.assertLessEqual(duration, longest + 1.0)
            self.assertGreaterEqual(duration, 2.5)
            self.assertEqual("", orvtest.decode_check(first))


if __name__ == "__main__":
    unittest.main()
