"""The save folder deleted from Linux while a recording runs: the recording ends within a few
seconds (not only at Stop) with the message naming the file, the tray icon stops blinking, the
window comes back, and once the folder is back the next hotkey press records again."""
import os
import shutil
import time
import unittest

import orvtest
import recflow
import trouble

X, Y, W, H = 120, 160, 320, 240


class FolderVanishedTest(unittest.TestCase):
    def test_deleted_save_folder_ends_the_recording_with_the_message(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 120)
                self.assertTrue(app.wait_main(), "no main window")
                idle_icon = recflow.tray_pictures(0.5)
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
                name = app.files()[0]
                self.assertTrue(trouble.wait_growth(os.path.join(app.folder, name), 100000, 30), "nothing recorded")

                shutil.rmtree(app.folder)
                box, text = app.wait_message_box(timeout=15)
                self.assertEqual(texts[10014].replace("%s", "C:\\Video Recordings\\" + name), text)
                self.assertEqual(idle_icon, recflow.tray_pictures(1.0), "the tray icon still blinks")
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "the main window did not come back")

                os.makedirs(app.folder)
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "the next recording did not begin")
                self.assertTrue(trouble.wait_growth(os.path.join(app.folder, name), 100000, 30))
                self.assertIsNone(app.stop_with_hotkey())
                self.assertEqual([], app.message_boxes())
                self.assertEqual(0, app.close())

            path = os.path.join(app.folder, name)
            self.assertEqual("", orvtest.decode_check(path))
            self.assertGreater(int(recflow.video_frames(path)["nb_read_frames"]), 10)


if __name__ == "__main__":
    unittest.main()
