"""The Options dialog and what it sets, as a user meets them. Reached from the main window, it
refuses a pause key that another program holds (the old key stays) and keeps the countdown and
the pointer choices in the settings key. With a countdown, the accepted rectangle shows a large
number counting down; Escape cancels it and nothing is recorded; left alone, it runs out and
the recording starts. After a restart, Enter during the selection records the
rectangle of the last recording again, but not one that no longer fits the screen. Default
puts the choices back and keeps the last rectangle."""
import os
import subprocess
import sys
import time
import unittest

import orvtest
import recflow

sys.path.insert(0, os.path.join(orvtest.SRC, "tests", "app", "tray"))
import traytools  # noqa: E402

SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"
X, Y, W, H = 120, 160, 240, 180
VK_F10 = 0x79
DEFAULT_BUTTON = 1005
PAUSE_COMBO, COUNTDOWN_COMBO, RECORD_POINTER, SHOW_CLICKS = 1104, 1106, 1109, 1111
BUTTON_OK, BUTTON_CANCEL, BUTTON_YES = 1, 2, 6
COUNTDOWN_COLOUR = bytes([0x15, 0x26, 0x3B])
# Left, top, right, bottom as four little-endian numbers: beyond the 1280 x 800 screen.
OFF_SCREEN = "B0040000BC0200007805000084030000"


def recordings(app):
    """The recordings in the save folder (a recording keeps a record file beside it while it runs)."""
    return [name for name in app.files() if name.endswith(".avi")]


def grab_pixel(x, y):
    return subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "rgb:-"],
                                  capture_output=True, timeout=60).stdout


class OptionsTest(unittest.TestCase):
    def options(self, app):
        """Opens the Options dialog with the main window's link; its handle."""
        hwnd, problem = app.open_options()
        self.assertIsNone(problem, problem)
        return hwnd

    def closed(self, app, hwnd):
        return orvtest.wait_for(lambda: all(w.hwnd != hwnd for w in recflow.top_windows(app.prefix)), timeout=15)

    def choose_entry(self, app, hwnd, control_id, *keys):
        """Opens a drop-down list with the mouse, moves through it with the keys (the next entry
        by default) and takes the entry reached."""
        before = recflow.items(hwnd, app.prefix)[control_id].text
        dropped = lambda: [w for w in orvtest.list_windows(app.prefix) if w.class_name == "ComboLBox"]
        self.assertTrue(orvtest.wait_for(lambda: app.click_item(hwnd, control_id) and dropped(), timeout=20),
                        f"{control_id} does not drop down")
        # Keys go to the open list: focusing the desktop first would close it.
        for key in keys or ("Down",):
            traytools.press(key)
        traytools.press("Return")
        self.assertTrue(orvtest.wait_for(lambda: not dropped(), timeout=10), f"{control_id} stays dropped down")
        self.assertTrue(orvtest.wait_for(lambda: recflow.items(hwnd, app.prefix)[control_id].text != before,
                                         timeout=10), f"{control_id} did not change")
        return recflow.items(hwnd, app.prefix)[control_id].text

    def toggle(self, app, hwnd, control_id):
        before = recflow.items(hwnd, app.prefix)[control_id].checked
        app.click_item(hwnd, control_id)
        self.assertTrue(orvtest.wait_for(lambda: recflow.items(hwnd, app.prefix)[control_id].checked != before,
                                         timeout=10), f"{control_id} did not toggle")

    def setting(self, name, prefix):
        value = orvtest.reg_query(SETTINGS_KEY, name, prefix)
        return int(value, 16) if value and value.startswith("0x") else value

    def test_options_countdown_and_the_last_rectangle(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")

                # Another program holds F10: taking it for pause is refused, F9 stays.
                holder = app.start("hotkey_holder.exe", 0, VK_F10)
                self.assertTrue(orvtest.wait_for(lambda: [w for w in recflow.top_windows(prefix)
                                                          if w.caption == "hotkey holder"], timeout=30))
                dialog = self.options(app)
                self.assertEqual("F9", recflow.items(dialog, prefix)[PAUSE_COMBO].text)
                self.assertEqual("F10", self.choose_entry(app, dialog, PAUSE_COMBO))
                app.click_item(dialog, BUTTON_OK)
                box, text = app.wait_message_box()
                self.assertEqual(texts[10007].replace("%s", "F10"), text)
                self.assertTrue(app.dismiss_message_box(box))
                self.assertEqual("F9", recflow.items(dialog, prefix)[PAUSE_COMBO].text)
                app.click_item(dialog, BUTTON_CANCEL)
                self.assertTrue(self.closed(app, dialog), "Cancel did not close the dialog")
                holder.kill()

                # The longest countdown, no pointer, clicks shown.
                dialog = self.options(app)
                self.assertEqual("10", self.choose_entry(app, dialog, COUNTDOWN_COMBO, "End"))
                self.toggle(app, dialog, RECORD_POINTER)
                self.toggle(app, dialog, SHOW_CLICKS)
                app.click_item(dialog, BUTTON_OK)
                self.assertTrue(self.closed(app, dialog), "OK did not close the dialog")
                stored = {name: self.setting(name, prefix) for name in
                          ("Pause HotKey", "Countdown", "Record Pointer", "Highlight Pointer", "Show Clicks")}
                self.assertEqual({"Pause HotKey": 0x780000, "Countdown": 10, "Record Pointer": 0,
                                  "Highlight Pointer": 0, "Show Clicks": 1}, stored)

                # The number counts down in the middle of the rectangle (on a dark square, here
                # seen beside the number); Escape cancels.
                centre = (X + W // 2 - 50, Y + H // 2 - 50)
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                self.assertTrue(orvtest.wait_for(lambda: grab_pixel(*centre) == COUNTDOWN_COLOUR, timeout=10),
                                "no countdown in the middle of the rectangle")
                orvtest.key("Escape")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "Escape did not cancel the countdown")
                self.assertNotEqual(COUNTDOWN_COLOUR, grab_pixel(*centre), "the number stayed")
                self.assertEqual([], app.files(), "the cancelled countdown wrote something")

                # Two seconds: left alone it runs out, then the recording starts.
                dialog = self.options(app)
                self.assertEqual("2", self.choose_entry(app, dialog, COUNTDOWN_COMBO, "Home", "Down", "Down"))
                app.click_item(dialog, BUTTON_OK)
                self.assertTrue(self.closed(app, dialog), "OK did not close the dialog")
                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                accepted = time.time()
                self.assertTrue(orvtest.wait_for(lambda: recordings(app), timeout=30), "no recording after the countdown")
                self.assertGreaterEqual(time.time() - accepted, 1.5, "the recording began before the countdown ended")
                self.assertIsNone(app.stop_with_hotkey())
                self.assertEqual(0, app.close())

            # After a restart, Enter takes the last rectangle again.
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")
                self.assertIsNone(app.begin_selection())
                orvtest.key("Return")
                self.assertTrue(orvtest.wait_for(lambda: len(recordings(app)) == 2, timeout=30),
                                "Enter recorded nothing")
                self.assertIsNone(app.stop_with_hotkey())
                self.assertEqual(0, app.close())
            today = time.strftime("%Y%m%d")
            video = recflow.video_frames(os.path.join(app.folder, today + "#01.avi"))
            self.assertEqual((str(W), str(H)), (video["width"], video["height"]))

            # A last rectangle that no longer fits the screen: Enter does nothing.
            orvtest.reg_add(SETTINGS_KEY, "Last Rectangle", OFF_SCREEN, "REG_BINARY", prefix)
            orvtest.reg_add(SETTINGS_KEY, "Countdown", 0, "REG_DWORD", prefix)
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")
                self.assertIsNone(app.begin_selection())
                orvtest.key("Return")
                time.sleep(2)
                self.assertFalse(app.main_visible(), "Enter ended the selection")
                self.assertEqual(2, len(recordings(app)), "Enter recorded a rectangle off the screen")
                orvtest.key("Escape")
                self.assertTrue(app.wait_main_visible(True, timeout=20))

                # Default puts the choices back; the last rectangle is not a choice.
                app.click_item(app.main_hwnd, DEFAULT_BUTTON)
                box, text = app.wait_message_box()
                self.assertEqual(texts[10003], text)
                app.click_item(box, BUTTON_YES)
                self.assertTrue(orvtest.wait_for(lambda: self.setting("Show Clicks", prefix) == 0, timeout=20))
                self.assertEqual(1, self.setting("Record Pointer", prefix))
                self.assertEqual(OFF_SCREEN, orvtest.reg_query(SETTINGS_KEY, "Last Rectangle", prefix))
                self.assertEqual(0, app.close())


if __name__ == "__main__":
    unittest.main()
