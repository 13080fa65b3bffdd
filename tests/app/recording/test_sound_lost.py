"""The sound server stops in the middle of a recording (the program records from a server of
the test's own, which the test kills): the picture runs on to the end, the file plays, and
when the recording ends a message says at which time the sound stopped."""
import os
import re
import time
import unittest

import orvtest
import recflow
import trouble

X, Y, W, H = 120, 160, 320, 240


class SoundLostTest(unittest.TestCase):
    def test_lost_sound_server_lets_the_picture_go_on_and_names_the_time(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix, trouble.sound_server() as (server, kill_server):
            with recflow.Orvane(prefix, env={"PULSE_SERVER": server}) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 120)
                self.assertTrue(app.wait_main(), "no main window")
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
                path = os.path.join(app.folder, app.files()[0])
                self.assertTrue(trouble.wait_growth(path, 300000, 30), "nothing recorded")

                kill_server()
                # The picture goes on without the sound.
                self.assertTrue(trouble.wait_growth(path, 150000, 60), "the picture stopped with the sound")
                self.assertEqual([], app.message_boxes(), "told before the recording ended")
                self.assertIsNone(app.stop_with_hotkey())
                box, text = app.wait_message_box(timeout=30)
                pattern = re.escape(texts[10031]).replace(re.escape("%02u:%02u"), r"(\d\d):(\d\d)")
                match = re.fullmatch(pattern, text)
                self.assertIsNotNone(match, text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertEqual(0, app.close())

            durations = trouble.stream_durations(path)
            stopped_at = int(match.group(1)) * 60 + int(match.group(2))
            print("sound stopped at", stopped_at, "s; streams:", durations)
            self.assertLess(abs(durations["audio"] - stopped_at), 2.0)
            self.assertGreater(durations["video"], durations["audio"] + 2.0)
            self.assertEqual("", orvtest.decode_check(path))


if __name__ == "__main__":
    unittest.main()
