"""The rectangle selection as a user meets it: Escape (even with the button held, even a tap
quicker than the selection's look at the keys) and the right button cancel it and bring the
window back without recording anything, an Escape from before the selection does not; a
rectangle one pixel too narrow is refused with a message; the hotkey during a selection starts it afresh, and the
smallest allowed rectangle records. Closing the window while recording ends the recording with
a whole file, saves the settings and ends the program with nothing left behind."""
import os
import time
import unittest

import orvtest
import recflow

# Away from the main window, which stands in the middle of the desktop.
X, Y = 120, 160
FPS_COMBO = 1027
SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"


class SelectionTest(unittest.TestCase):
    def assert_back_without_recording(self, app, what):
        self.assertTrue(app.wait_main_visible(True, timeout=20), f"{what}: the main window did not come back")
        self.assertEqual([], app.message_boxes(), what)
        shown = [w for w in recflow.top_windows(app.prefix)
                 if w.visible and w.pid == self.pid and w.hwnd != app.main_hwnd]
        self.assertEqual([], shown, f"{what}: windows left on the desktop")
        self.assertEqual([], app.files(), f"{what}: something was recorded")

    def type_fps(self, app, text):
        self.assertTrue(app.focus_item(FPS_COMBO), "the frame rate box takes no focus")
        orvtest.key("End", *["BackSpace"] * 4, *text)
        return orvtest.wait_for(lambda: app.item(FPS_COMBO).text == text, timeout=10)

    def test_cancel_refuse_record_and_close(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            recflow.top_windows(prefix)
            empty_tray = recflow.tray_pictures(0.3)
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")
                self.pid = next(w.pid for w in recflow.top_windows(prefix) if w.hwnd == app.main_hwnd)

                # Escape while the left button is held at the first corner.
                self.assertIsNone(app.begin_selection())
                orvtest.mouse_down(X, Y)
                time.sleep(0.2)
                orvtest.mouse_move(X + 150, Y + 100)
                time.sleep(0.2)
                orvtest.key("Escape")
                orvtest.mouse_up(X + 150, Y + 100)
                self.assert_back_without_recording(app, "Escape")

                # A tap too quick for the selection's tick to see the key down still cancels;
                # a tap from before the selection does not.
                orvtest.key("Escape", hold=0)
                self.assertIsNone(app.begin_selection())
                time.sleep(0.5)
                self.assertFalse(app.main_visible(), "an Escape from before cancelled the selection")
                orvtest.key("Escape", hold=0)
                self.assert_back_without_recording(app, "a quick Escape")

                # The right button, after the first corner was chosen.
                self.assertIsNone(app.begin_selection())
                orvtest.hold_click(X, Y)
                orvtest.mouse_move(X + 150, Y + 100)
                time.sleep(0.3)
                orvtest.hold_click(X + 150, Y + 100, button=3)
                self.assert_back_without_recording(app, "right button")

                # 63 pixels wide: refused with the message, and the window comes back.
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, 63, 200)
                box, text = app.wait_message_box()
                self.assertEqual(texts[10008] + texts[10010], text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assert_back_without_recording(app, "63x200")

                # The hotkey during a selection starts it afresh: the corner chosen before is
                # forgotten. 64 x 64 records.
                self.assertIsNone(app.begin_selection())
                orvtest.hold_click(X + 300, Y + 300)
                orvtest.key("F8")
                time.sleep(0.5)
                self.assertFalse(app.main_visible(), "the hotkey ended the selection")
                app.drag(X, Y, 64, 64)
                self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
                time.sleep(2)
                self.assertIsNone(app.stop_with_hotkey())
                self.assertEqual([], app.message_boxes())

                # A typed frame rate, a recording, and the window closed while it runs.
                self.assertTrue(self.type_fps(app, "25"), "the frame rate cannot be typed")
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, 200, 100)
                recordings = lambda: [n for n in app.files() if n.endswith(".avi")]
                self.assertTrue(orvtest.wait_for(lambda: len(recordings()) == 2, timeout=20), "no recording began")
                time.sleep(2)
                self.assertEqual(0, app.close())
                self.assertEqual([], [w for w in recflow.top_windows(prefix) if w.pid == self.pid])
                self.assertTrue(orvtest.wait_for(lambda: recflow.tray_pictures(0.3) == empty_tray, timeout=10),
                                "the tray icon stayed")

            today = time.strftime("%Y%m%d")
            self.assertEqual([today + "#01.avi", today + ".avi"], app.files())
            path = os.path.join(app.folder, today + ".avi")
            video = recflow.video_frames(path)
            self.assertEqual(("64", "64"), (video["width"], video["height"]))
            self.assertGreater(int(video["nb_read_frames"]), 10)
            self.assertEqual("", orvtest.decode_check(path))

            path = os.path.join(app.folder, today + "#01.avi")
            video = recflow.video_frames(path)
            self.assertEqual(("200", "100", "25/1"), (video["width"], video["height"], video["r_frame_rate"]))
            self.assertGreater(int(video["nb_read_frames"]), 25)
            self.assertEqual("", orvtest.decode_check(path))
            self.assertEqual("0x19", orvtest.reg_query(SETTINGS_KEY, "Video FPS", prefix))


if __name__ == "__main__":
    unittest.main()
