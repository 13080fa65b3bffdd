"""The start/stop hotkey changed in the window as a user does it: a key that another program
holds is refused with a message and the old key keeps working; Ctrl + Shift + F9 made with the
key list and the check boxes starts a selection while F9 alone does nothing, and it is the
hotkey of the next run."""
import time
import unittest

import orvtest
import recflow

SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"
VK_F9 = 0x78
PAUSE_ON_F11 = 0x7A0000  # the pause key moved away from F9, which this test needs


class HotKeyTest(unittest.TestCase):
    def assert_hotkey_starts_selection(self, app, keys):
        self.assertIsNone(app.begin_selection(keys))
        orvtest.key("Escape")
        self.assertTrue(app.wait_main_visible(True, timeout=20), f"{keys}: the selection did not end")

    def assert_key_does_nothing(self, app, keys):
        orvtest.key(keys)
        time.sleep(1.5)
        self.assertTrue(app.main_visible(), f"{keys} started something")

    def holder_window(self, prefix):
        return [w for w in recflow.top_windows(prefix) if w.caption == "hotkey holder"]

    def test_change_hotkey_in_the_window(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            orvtest.reg_add(SETTINGS_KEY, "Pause HotKey", PAUSE_ON_F11, "REG_DWORD", prefix)
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")
                self.assertEqual("F8", app.item(recflow.HOTKEY_COMBO).text)

                # Another program holds F9: choosing it is refused, F8 stays.
                holder = app.start("hotkey_holder.exe", 0, VK_F9)
                self.assertTrue(orvtest.wait_for(lambda: self.holder_window(prefix) or holder.poll() is not None,
                                                 timeout=30), "the holder showed no window in 30 s")
                time.sleep(1)
                if holder.poll() is not None:
                    pause_key = orvtest.reg_query(SETTINGS_KEY, "Pause HotKey", prefix)
                    self.fail(f"the holder ended, exit code {holder.poll()} (1: F9 could not be registered); "
                              f"the pause key in the registry: {pause_key}")
                app.step_combo(recflow.HOTKEY_COMBO)
                box, text = app.wait_message_box()
                self.assertEqual(texts[10007].replace("%s", "F9"), text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertEqual("F8", app.item(recflow.HOTKEY_COMBO).text)
                self.assert_hotkey_starts_selection(app, "F8")

                holder.kill()
                holder.wait()
                self.assertTrue(orvtest.wait_for(lambda: not self.holder_window(prefix), timeout=30))

                # F9, then Ctrl, then Shift.
                app.step_combo(recflow.HOTKEY_COMBO)
                self.assertTrue(orvtest.wait_for(lambda: app.item(recflow.HOTKEY_COMBO).text == "F9", timeout=10))
                self.assertTrue(app.toggle_check(recflow.CHECK_CTRL), "Ctrl did not check")
                self.assertTrue(app.toggle_check(recflow.CHECK_SHIFT), "Shift did not check")
                self.assertEqual([], app.message_boxes())

                self.assert_key_does_nothing(app, "F9")
                self.assert_key_does_nothing(app, "F8")
                self.assert_hotkey_starts_selection(app, "ctrl+shift+F9")
                self.assertEqual(0, app.close())

            self.assertEqual("0x780006", orvtest.reg_query(SETTINGS_KEY, "Start HotKey", prefix))


if __name__ == "__main__":
    unittest.main()
