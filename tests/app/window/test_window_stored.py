"""Stored settings through the window across three runs: indices kept across the lists' refills
at start-up while a user's format change chooses the codec anew, damaged registry values
repaired, a typed frame rate stored by its leading digits, and a save folder value that is of
the wrong type, too long or missing replaced by the default folder, which is created."""
import os
import shutil
import unittest

import orvtest
from mainwindow import (CODEC, DEFAULT_FOLDER, DEVICE, FOLDER_EDIT, FORMAT, FPS, KEY, QUALITY, RATE, VOLUME,
                        Orvane, install_twin_codec, keep_server, registry, selection)

ZMBV = "(Orvane) Lossless Screen Codec ZMBV"
AVI_CODEC, WMV_CODEC = "Test codec MP42", "Test codec WMV3"


class WindowStoredSettings(unittest.TestCase):
    def run_once(self, prefix, check, user=None):
        """One run of the program: check the controls it starts with, let the user act, close it."""
        app = Orvane(prefix)
        try:
            check(app.controls())
            if user:
                user(app)
            self.assertEqual(0, app.close())
        finally:
            app.kill()

    def assert_default_folder_made(self, prefix, c):
        self.assertEqual(DEFAULT_FOLDER, c[FOLDER_EDIT]["text"])
        self.assertTrue(os.path.isdir(os.path.join(prefix, "drive_c", "Video Recordings")), "folder not created")

    def test_stored_values_across_runs(self):
        with orvtest.fresh_prefix() as prefix:
            keep_server(prefix)
            install_twin_codec(prefix)
            folder = os.path.join(prefix, "drive_c", "Video Recordings")
            values = {"Video Format": 1, "Video Codec": 0, "Audio Device": 1, "Sample Rate": -3 & 0xFFFFFFFF,
                      "Audio Quality": 42, "Audio Volume": 0xFFFFFFFF, "Video FPS": 7}
            for name, value in values.items():
                orvtest.reg_add(KEY, name, value, "REG_DWORD", prefix=prefix)
            orvtest.reg_add(KEY, "Save Folder", 5, "REG_DWORD", prefix=prefix)

            def first(c):
                self.assertEqual("WMV file", selection(c[FORMAT]))
                self.assertEqual(ZMBV, c[CODEC]["items"][0])
                self.assertEqual(ZMBV, selection(c[CODEC]), "the stored codec survives the format's refill")
                self.assertEqual("PulseAudio", selection(c[DEVICE]), "the stored device, not the best-scored")
                self.assertEqual("44100 Hz", selection(c[RATE]))
                self.assertEqual("[9]Low", selection(c[QUALITY]))
                self.assertEqual(45535, c[VOLUME]["pos"])
                self.assertEqual("7", c[FPS]["text"])
                self.assert_default_folder_made(prefix, c)

            def change_format_and_type_fps(app):
                app.choose(FORMAT, "AVI file")
                self.assertEqual(AVI_CODEC, selection(app.control(CODEC)))
                app.choose(FORMAT, "WMV file")
                self.assertEqual(WMV_CODEC, selection(app.control(CODEC)))
                app.type_fps("25abc")

            self.run_once(prefix, first, change_format_and_type_fps)
            stored = registry(prefix)
            self.assertEqual(DEFAULT_FOLDER, stored["Save Folder"])
            self.assertEqual(("0x1", "0x3", "0x1"), (stored["Video Format"], stored["Video Codec"], stored["Audio Device"]))
            self.assertEqual(("0x4", "0x9", "0xb1df"), (stored["Sample Rate"], stored["Audio Quality"], stored["Audio Volume"]))
            self.assertEqual("0x19", stored["Video FPS"], "25abc is stored as 25")

            shutil.rmtree(folder)
            orvtest.reg_add(KEY, "Save Folder", "C:\\" + "x" * 300, prefix=prefix)

            def second(c):
                self.assertEqual(WMV_CODEC, selection(c[CODEC]))
                self.assertEqual("25", c[FPS]["text"])
                self.assert_default_folder_made(prefix, c)

            self.run_once(prefix, second, lambda app: app.type_fps("abc"))
            stored = registry(prefix)
            self.assertEqual("0x0", stored["Video FPS"], "letters alone are stored as 0")
            self.assertEqual(DEFAULT_FOLDER, stored["Save Folder"])

            shutil.rmtree(folder)
            orvtest.reg_delete(KEY, "Save Folder", prefix=prefix)

            def third(c):
                self.assertEqual("0", c[FPS]["text"])
                self.assert_default_folder_made(prefix, c)

            self.run_once(prefix, third)
            self.assertEqual(DEFAULT_FOLDER, orvtest.reg_query(KEY, "Save Folder", prefix))


if __name__ == "__main__":
    unittest.main()
