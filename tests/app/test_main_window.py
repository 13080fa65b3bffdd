"""The main window on a first run and across runs: the settings key with its ten defaults, the
lists' pre-selections, and a change made with keyboard and mouse kept after a restart."""
import os
import time
import unittest

import orvtest

KEY = r"HKCU\Software\Vantri\Orvane"
FPS_COMBO, RATE_COMBO, QUALITY_COMBO, FORMAT_COMBO, CODEC_COMBO, DEVICE_COMBO = 1027, 1021, 1023, 1011, 1012, 1016


class MainWindow(unittest.TestCase):
    def start(self, prefix):
        app = orvtest.start("orvane.exe", prefix=prefix)
        win = orvtest.find_window(orvtest.MAIN_CAPTION, 60, prefix)
        self.assertIsNotNone(win, "no main window")
        time.sleep(1)
        return app, win

    def close(self, app, win, prefix):
        orvtest.close_window(win.hwnd, prefix=prefix)
        self.assertEqual(0, orvtest.wait_exit(app, timeout=60))

    def test_first_run_defaults_and_a_kept_change(self):
        with orvtest.fresh_prefix() as prefix:
            app, win = self.start(prefix)
            try:
                self.assertTrue(os.path.isdir(os.path.join(prefix, "drive_c", "Video Recordings")))
                expected = {"Video Format": "0x0", "Video Codec": "0xffffffff", "Audio Device": "0xffffffff",
                            "Audio Input": "0xffffffff", "Sample Rate": "0x4", "Audio Quality": "0x5",
                            "Audio Volume": "0xb1df", "Video FPS": "0x14", "Start HotKey": "0x770000"}
                for name, value in expected.items():
                    self.assertEqual(value, orvtest.reg_query(KEY, name, prefix), name)
                self.assertEqual(r"C:\Video Recordings", orvtest.reg_query(KEY, "Save Folder", prefix))

                text = lambda control: orvtest.item_text(win.hwnd, control, prefix)
                self.assertEqual("AVI file", text(FORMAT_COMBO))
                self.assertEqual("44100 Hz", text(RATE_COMBO))
                self.assertEqual("[5]Normal", text(QUALITY_COMBO))
                self.assertEqual("20", text(FPS_COMBO))
                self.assertIn("ZMBV", text(CODEC_COMBO))
                self.assertTrue(text(DEVICE_COMBO))

                # Type 25 into the frames-per-second box, as a user does.
                orvtest.click(win.left + 143, win.top + 326)
                orvtest.key("End", "BackSpace", "BackSpace", "BackSpace", "2", "5", "Tab")
                self.assertEqual("25", text(FPS_COMBO))
                self.close(app, win, prefix)
                self.assertEqual("0x19", orvtest.reg_query(KEY, "Video FPS", prefix))

                app, win = self.start(prefix)
                self.assertEqual("25", orvtest.item_text(win.hwnd, FPS_COMBO, prefix))
                self.close(app, win, prefix)
            finally:
                if app.poll() is None:
                    app.kill()
                    app.wait()


if __name__ == "__main__":
    unittest.main()
