"""A disk that fills up during a WMV or an AVI recording: the program's files may not grow
beyond a limit (a real EFBIG from the system, as on a full disk), the recording ends with the
message naming the file, the window comes back, the tray icon stops blinking, what was written
plays, and the next hotkey press starts a new selection at once."""
import os
import time
import unittest

import orvtest
import recflow

X, Y, W, H = 120, 160, 320, 240
# Uncompressed pictures (about 4.6 MB a second) fill this within a few seconds.
FILE_LIMIT = 16 * 1000 * 1000
FORMAT_COMBO, CODEC_COMBO = 1011, 1012


class WriteFailureTest(unittest.TestCase):
    def test_disk_full_during_a_wmv_recording(self):
        # The WMV writer writes through the system's file calls and so meets the limit at once.
        self.record_until_the_disk_is_full("WMV file", ".wmv")

    def test_disk_full_during_an_avi_recording(self):
        # The AVI library hides the failed writes; the writer notices the file no longer grows.
        self.record_until_the_disk_is_full("AVI file", ".avi")

    def record_until_the_disk_is_full(self, output_format, extension):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            # The prefix's server and desktop start first, without the limit.
            recflow.top_windows(prefix)
            with recflow.Orvane(prefix, preexec_fn=recflow.ignore_sigxfsz_and_limit(FILE_LIMIT)) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 90)
                self.assertTrue(app.wait_main(), "no main window")
                idle_icon = recflow.tray_pictures(0.5)
                self.assertEqual(1, len(idle_icon))
                self.assertTrue(app.choose(FORMAT_COMBO, output_format))
                self.assertTrue(app.choose(CODEC_COMBO, "<Uncompressed RGB>"))

                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                # (The icon blinking while a recording runs is the tray test's; this recording
                # may fill its disk before a look at the icon.)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")

                box, text = app.wait_message_box(timeout=90)
                name = time.strftime("%Y%m%d") + extension
                self.assertEqual(texts[10014].replace("%s", "C:\\Video Recordings\\" + name), text)
                self.assertEqual(idle_icon, recflow.tray_pictures(1.0), "the tray icon still blinks")
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "the main window did not come back")
                self.assertEqual(idle_icon, recflow.tray_pictures(0.5))

                self.assertIsNone(app.begin_selection())
                orvtest.key("Escape")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "the selection did not end")
                self.assertEqual(0, app.close())

            # An AVI file whose index did not fit keeps its recovery record: the next start repairs it.
            self.assertEqual([name], [n for n in app.files() if not n.endswith(".recovery")])
            path = os.path.join(app.folder, name)
            self.assertLessEqual(os.path.getsize(path), FILE_LIMIT)
            # Every whole picture before the disk filled up decodes; only the one cut off does not.
            video = recflow.video_frames(path)
            self.assertEqual(("320", "240"), (video["width"], video["height"]))
            self.assertGreater(int(video["nb_read_frames"]), 20)
            # Pictures off the frame-rate grid are the graph recording test's business.
            errors = [l for l in orvtest.decode_errors(path) if orvtest.OFF_GRID not in l]
            self.assertEqual([], orvtest.cut_picture_errors(errors), errors)


if __name__ == "__main__":
    unittest.main()
