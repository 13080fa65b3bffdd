"""The codec the window chooses for AVI files: with a compressor of the preference list
installed on the machine ("XVID"), that one wins over the built-in ZMBV, and recordings use it."""
import os
import shutil
import time
import unittest

import orvtest

CODEC_COMBO = 1012
DRIVERS = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32"
X, Y, W, H = 100, 100, 320, 240


def install_codec(prefix):
    system32 = os.path.join(prefix, "drive_c", "windows", "system32")
    shutil.copy(orvtest.program("twin_codec.dll"), system32)
    orvtest.reg_add(DRIVERS, "vidc.XVID", "twin_codec.dll", prefix=prefix)


class CodecChoice(unittest.TestCase):
    def test_installed_preferred_codec_is_chosen_and_records(self):
        with orvtest.fresh_prefix() as prefix:
            install_codec(prefix)
            app = orvtest.start("orvane.exe", prefix=prefix)
            scene = orvtest.start("scene.exe", "counter", X, Y, W, H, 60, prefix=prefix)
            try:
                win = orvtest.find_window(orvtest.MAIN_CAPTION, 60, prefix)
                self.assertIsNotNone(win, "no main window")
                codec = orvtest.wait_for(lambda: orvtest.item_text(win.hwnd, CODEC_COMBO, prefix), 10)
                self.assertEqual("Test codec XVID", codec)

                problem = orvtest.record_with_hotkey((X, Y, W, H), 3, prefix)
                self.assertIsNone(problem, problem)
                win = orvtest.find_window(orvtest.MAIN_CAPTION, 5, prefix)
                orvtest.close_window(win.hwnd, prefix=prefix)
                self.assertEqual(0, orvtest.wait_exit(app, timeout=60))
            finally:
                for p in (app, scene):
                    if p.poll() is None:
                        p.kill()
                        p.wait()

            name = time.strftime("%Y%m%d") + ".avi"
            info = orvtest.ffprobe(os.path.join(prefix, "drive_c", "Video Recordings", name))
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            self.assertEqual("XVID", video["codec_tag_string"])
            self.assertEqual((W, H), (video["width"], video["height"]))
            self.assertGreater(int(video["nb_frames"]), 10)


if __name__ == "__main__":
    unittest.main()
