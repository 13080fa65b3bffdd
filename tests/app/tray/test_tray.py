"""The tray icon used with the mouse, as a person steers a recording from the taskbar of the Wine
desktop: while idle the icon is steady and its menu offers Start <F8>, Settings... and Options...;
while recording it blinks between its two pictures, its menu offers Pause <F9> and Stop <F8> with
Settings... and Options... greyed, Escape leaves the recording running, and a left click stops it
with a complete file; a double click does not stop it. Paused from the menu, the icon stays on
its paused picture, the menu offers Resume <F9>, and the tip's recorded time and size, which grow
while recording, stand still."""
import os
import re
import time
import unittest

import orvtest
import traytools

X, Y, W, H = 100, 100, 320, 240
WM_TRAY_NOTIFY = 2026
WM_LBUTTONDBLCLK = 0x203
TRAY_ICON_ID = 128
IDLE_MENU = ["Settings...", "Options...", "-", "Start <F8>", "-", "Browse...", "-", "About...", "-", "Exit"]
RECORDING_MENU = ["~Settings...", "~Options...", "-", "Pause <F9>", "Stop <F8>", "-", "Browse...", "-", "About...",
                  "-", "Exit"]
PAUSED_MENU = ["~Settings...", "~Options...", "-", "Resume <F9>", "Stop <F8>", "-", "Browse...", "-", "About...",
               "-", "Exit"]
PAUSE_ITEM = 2  # Pause or Resume: the third item (separators are not counted)
RECORDING_TIP = re.compile(r"Recording (\d\d):(\d\d):(\d\d), (\d+\.\d) MB\. Click icon or press <F8> to stop\.$")
PAUSED_TIP = re.compile(r"Paused (\d\d):(\d\d):(\d\d), (\d+\.\d) MB\. Press <F9> to resume\.$")


class TrayTest(unittest.TestCase):
    """One program for all cases, in order; each case starts and ends idle with the window shown."""

    @classmethod
    def setUpClass(cls):
        context = orvtest.fresh_prefix()
        cls.prefix = context.__enter__()
        cls.addClassCleanup(context.__exit__, None, None, None)
        cls.processes = []
        cls.addClassCleanup(cls.stop_processes)
        cls.processes.append(orvtest.start("orvane.exe", prefix=cls.prefix))
        cls.processes.append(orvtest.start("scene.exe", "counter", X, Y, W, H, 400, prefix=cls.prefix))
        cls.processes.append(orvtest.start("scene.exe", "tone", 400, prefix=cls.prefix))
        cls.main = orvtest.find_window(orvtest.MAIN_CAPTION, 60, cls.prefix)
        if not cls.main:
            raise AssertionError("no main window")
        cls.icon = traytools.icon_rect(cls.prefix)
        if not cls.icon:
            raise AssertionError("no taskbar on the Wine desktop")
        background = traytools.grab((cls.icon[0] - 1, cls.icon[1], 1, 1))
        cls.normal_icon = traytools.reference_icon(128, background, cls.prefix)
        cls.alternate_icon = traytools.reference_icon(129, background, cls.prefix)
        cls.paused_icon = traytools.reference_icon(135, background, cls.prefix)
        # Drawn first, while the program shows no menu, the pointer away from them.
        orvtest.mouse_move(*traytools.centre(cls.icon))
        cls.menu_pictures = {tuple(items): traytools.reference_menu(items, cls.prefix)
                             for items in (IDLE_MENU, RECORDING_MENU, PAUSED_MENU)}
        cls.folder = os.path.join(cls.prefix, "drive_c", "Video Recordings")

    @classmethod
    def stop_processes(cls):
        app = cls.processes[0]
        if app.poll() is None and getattr(cls, "main", None):
            orvtest.close_window(cls.main.hwnd, prefix=cls.prefix)
            orvtest.wait_exit(app, timeout=60)
        for p in cls.processes:
            if p.poll() is None:
                p.kill()
                p.wait()

    # --- what the user sees --------------------------------------------------------------

    def main_window_shown(self):
        return orvtest.find_window(orvtest.MAIN_CAPTION, 0, self.prefix) is not None

    def assert_blinking(self, message):
        self.assertTrue(traytools.wait_for_both(self.icon, self.normal_icon, self.alternate_icon, timeout=10),
                        message)

    def assert_steady(self):
        images = traytools.sample_icon(self.icon, 2.0)
        self.assertTrue(images)
        self.assertEqual([], [i for i, image in enumerate(images) if image != self.normal_icon],
                         f"the icon changed while idle ({len(images)} looks)")

    def open_menu(self):
        orvtest.click(*traytools.centre(self.icon), button=3)
        found = orvtest.wait_for(lambda: traytools.menus(self.main.pid, self.prefix), timeout=30, interval=0.3)
        self.assertTrue(found, "no menu after a right click on the tray icon")
        return found[0]

    def choose_from_menu(self, position):
        """Chooses the item at the position (separators not counted) of the open menu with the keys."""
        self.keys_to_menu(["Down"] * (position + 1) + ["Return"], "the tray menu stayed open")

    def tip(self, pattern):
        """The icon's tip once it matches: (seconds recorded, megabytes, the text)."""
        found = []

        def matching():
            found[:] = [m for m in map(pattern.match, traytools.tip_texts(self.icon, self.prefix)) if m]
            return found
        self.assertTrue(orvtest.wait_for(matching, timeout=20, interval=0.5),
                        f"no tip like {pattern.pattern}: {traytools.tip_texts(self.icon, self.prefix)}")
        h, m, sec, size = found[0].groups()
        return int(h) * 3600 + int(m) * 60 + int(sec), float(size), found[0].group(0)

    def close_menu(self):
        self.keys_to_menu(["Escape"], "Escape did not close the tray menu")

    def keys_to_menu(self, keys, message):
        # The keys go to the menu's own X window. Typed at large they go to the window with the
        # X focus, and Wine cannot give that to the menu's hidden owner: it stays with the
        # window clicked last, such as the recorded program's after the selection's first click.
        menu = traytools.menus(self.main.pid, self.prefix)
        self.assertTrue(menu, "no tray menu open")
        target = traytools.xwindow(menu[0].hwnd, self.prefix)
        self.assertTrue(target, f"the tray menu has no X window: {menu[0]}")
        for key in keys:
            traytools.press(key, window=target)
        if not orvtest.wait_for(lambda: not traytools.menus(self.main.pid, self.prefix), timeout=30):
            self.fail(f"{message}: {traytools.menu_input_report(self.main.pid, self.prefix)}")

    def assert_menu_shows(self, menu, items, name):
        """Compares the menu with the same items drawn by the helper, down to any tooltip or
        balloon of the taskbar that covers the menu's lower part (the first two items at least)."""
        expected = self.menu_pictures[tuple(items)]
        picture, rows = traytools.MenuPicture.of(menu), 0
        end = time.time() + 10
        while (expected.width, expected.height) == (menu.width, menu.height) and time.time() < end:
            rows = traytools.covered_from_row(menu, self.prefix)
            if rows >= menu.height * 2 // 5 and picture.rows(rows) == expected.rows(rows):
                return
            time.sleep(0.3)
            picture = traytools.MenuPicture.of(menu)
        folder = traytools.failure_folder()
        self.fail(f"the tray menu is not {items} (compared {rows} rows; see "
                  f"{picture.save(os.path.join(folder, name + '-shown.png'))} and "
                  f"{expected.save(os.path.join(folder, name + '-expected.png'))})")

    # --- driving a recording ---------------------------------------------------------------

    def start_recording(self):
        """F8 and a dragged rectangle; returns the time before the last click of the selection
        and the time the recording was first seen running (the icon blinking)."""
        orvtest.key("F8")
        self.assertTrue(orvtest.wait_for(lambda: not self.main_window_shown(), timeout=30),
                        "the main window did not hide")
        times = []
        problem = orvtest.select_area(X, Y, W, H, self.prefix, on_last_press=lambda: times.append(time.time()))
        self.assertIsNone(problem)
        clicked = times[0]
        self.addCleanup(self.stop_if_recording)
        self.assert_blinking("the icon does not blink while recording")
        return clicked, time.time()

    def stop_if_recording(self):
        if not self.main_window_shown():
            orvtest.key("F8")
            orvtest.wait_for(self.main_window_shown, timeout=30)

    def wait_main_window(self):
        self.assertTrue(orvtest.wait_for(self.main_window_shown, timeout=60), "the main window did not come back")
        return time.time()

    def recordings(self):
        return set(os.listdir(self.folder)) if os.path.isdir(self.folder) else set()

    def assert_complete_recording(self, before, started, last_seen_running, back):
        """The one new file is whole and lasts at least from when the recording was first seen
        running until it was last seen running, and at most from the selection's last click
        until the window came back."""
        at_least = last_seen_running - started[1] - 0.5
        at_most = back - started[0] + 1.0
        added = sorted(self.recordings() - before)
        self.assertEqual(1, len(added), f"new files: {added}")
        path = os.path.join(self.folder, added[0])
        info = orvtest.ffprobe(path)
        kinds = sorted(s["codec_type"] for s in info["streams"])
        self.assertEqual(["audio", "video"], kinds)
        video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
        self.assertEqual((W, H), (video["width"], video["height"]))
        duration = float(info["format"]["duration"])
        if not at_least <= duration <= at_most:
            # What each stream covers is read only for the message.
            self.fail(f"the recording {'stopped early' if duration < at_least else 'went on too long'}: "
                      f"{duration:.2f} s, not {at_least:.2f}-{at_most:.2f} s ({orvtest.stream_spans(path)})")
        self.assertEqual("", orvtest.decode_check(path))

    # --- cases -------------------------------------------------------------------------------

    def test_1_idle_icon_is_steady_and_its_menu_offers_start(self):
        self.assert_steady()
        menu = self.open_menu()
        self.assert_menu_shows(menu, IDLE_MENU, "idle-menu")
        self.close_menu()
        self.assertTrue(self.main_window_shown())

    def test_2_recording_steered_from_the_tray(self):
        before = self.recordings()
        started = self.start_recording()
        # The user works in the recorded program: a click there gives it the keyboard.
        orvtest.click(X + W // 2, Y + H // 2)

        menu = self.open_menu()
        self.assert_menu_shows(menu, RECORDING_MENU, "recording-menu")
        self.close_menu()
        self.assertFalse(self.main_window_shown(), "the main window came back after Escape")
        self.assert_blinking("the recording ended after Escape")

        # The double-click message on its own (no button-up around it) leaves the recording alone.
        orvtest.post_message(self.main.hwnd, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDBLCLK, prefix=self.prefix)
        time.sleep(1.0)
        self.assertFalse(self.main_window_shown(), "the double-click message restored the window")
        self.assert_blinking("the recording ended after the double-click message")

        clicked = time.time()
        orvtest.click(*traytools.centre(self.icon))
        back = self.wait_main_window()
        self.assert_steady()
        self.assert_complete_recording(before, started, clicked, back)

    # A double click begins with a button-up: the single click's stop waits out the
    # double-click time, so that the double click can cancel it.
    def test_3_double_click_while_recording_does_nothing(self):
        before = self.recordings()
        started = self.start_recording()
        orvtest.mouse_move(*traytools.centre(self.icon))
        orvtest.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        time.sleep(2.0)
        self.assertFalse(self.main_window_shown(), "a double click stopped the recording")
        self.assert_blinking("a double click stopped the blinking")
        pressed = time.time()
        orvtest.key("F8")
        back = self.wait_main_window()
        self.assert_complete_recording(before, started, pressed, back)

    def test_4_pause_and_resume_from_the_tray(self):
        before = self.recordings()
        self.start_recording()
        seconds, size, _ = self.tip(RECORDING_TIP)

        def grown():
            now = self.tip(RECORDING_TIP)
            return now[0] > seconds and now[1] > size
        self.assertTrue(orvtest.wait_for(grown, timeout=30), "the recorded time and size do not grow in the tip")

        self.assert_menu_shows(self.open_menu(), RECORDING_MENU, "recording-menu")
        self.choose_from_menu(PAUSE_ITEM)
        self.assertTrue(orvtest.wait_for(lambda: traytools.grab(self.icon) == self.paused_icon, timeout=30),
                        "no paused picture after Pause")
        seconds, size, text = self.tip(PAUSED_TIP)
        images = traytools.sample_icon(self.icon, 1.5)
        self.assertEqual([], [i for i, image in enumerate(images) if image != self.paused_icon],
                         "the paused icon does not stay")
        self.assertEqual(text, self.tip(PAUSED_TIP)[2], "the tip moved while paused")
        self.assertFalse(self.main_window_shown())

        self.assert_menu_shows(self.open_menu(), PAUSED_MENU, "paused-menu")
        self.choose_from_menu(PAUSE_ITEM)
        self.assert_blinking("the icon does not blink after Resume")
        self.assertTrue(orvtest.wait_for(lambda: self.tip(RECORDING_TIP)[0] > seconds, timeout=30),
                        "the recording does not go on after Resume")

        orvtest.key("F8")
        self.wait_main_window()
        added = sorted(self.recordings() - before)
        self.assertEqual(1, len(added), f"new files: {added}")
        path = os.path.join(self.folder, added[0])
        self.assertEqual(["audio", "video"], sorted(s["codec_type"] for s in orvtest.ffprobe(path)["streams"]))
        self.assertEqual("", orvtest.decode_check(path))


if __name__ == "__main__":
    unittest.main()
