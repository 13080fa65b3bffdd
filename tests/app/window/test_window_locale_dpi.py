"""The main window where it meets the platform, driven as a user. In English, Change opens the
shell's folder browser and Escape leaves the folder as it was. With the Chinese language active
(Wine started with a Chinese locale) the window is the same 512x416 shaped skin, its title band
with the Help, About, minimise and close buttons pixel for pixel the English one; a picture of
it is kept for reading its Chinese texts by eye. At 144 DPI a dragged rectangle is recorded at
its physical size."""
import os
import subprocess
import tempfile
import time
import unittest

import orvtest
from mainwindow import FOLDER_EDIT, Orvane, dlgstate, keep_server

CHANGE_BUTTON = 1009
SKIN_SIZE = (512, 416)
TITLE_BAND = 48
PICTURES = os.path.join(orvtest.BUILD or ".", "Testing", "window")


def chinese_locale(folder):
    """The environment of a Chinese (Simplified) user, with the locale compiled into folder;
    None where it cannot be made."""
    target = os.path.join(folder, "zh_CN.UTF-8")
    subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8", target], capture_output=True, timeout=300)
    if not os.path.exists(os.path.join(target, "LC_CTYPE")):
        return None
    return {"LOCPATH": folder, "LANG": "zh_CN.UTF-8", "LC_ALL": "zh_CN.UTF-8"}


def grab(rect):
    left, top, right, bottom = rect
    return subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                           "-depth", "8", "rgb:-"], check=True, capture_output=True, timeout=60).stdout


def settled_picture(rect, timeout=20):
    """The window's pixels once two grabs in a row agree (it has finished painting)."""
    previous, picture = None, grab(rect)
    end = time.time() + timeout
    while picture != previous and time.time() < end:
        time.sleep(0.3)
        previous, picture = picture, grab(rect)
    return picture


def save_png(data, size, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["convert", "-size", f"{size[0]}x{size[1]}", "-depth", "8", "rgb:-", path], input=data,
                   check=True, timeout=60)


class WindowPlatform(unittest.TestCase):
    def skinned_window(self, app):
        """The window's rectangle, after checking that it is the shaped skin."""
        state = dlgstate("dialog", app.win.hwnd, FOLDER_EDIT, prefix=app.prefix)
        left, top, right, bottom = state["rect"]
        self.assertEqual(SKIN_SIZE, (right - left, bottom - top), "not the skin's size")
        self.assertEqual(3, state["region"], "not the skin's shape")
        orvtest.mouse_move(1, 1)  # no hover look, no tooltip
        return left, top, right, bottom

    def test_folder_browser_and_the_chinese_window(self):
        with tempfile.TemporaryDirectory() as locales:
            chinese = chinese_locale(locales)
            if chinese is None:
                self.skipTest("no zh_CN locale can be compiled here (localedef or its sources missing)")
            with orvtest.fresh_prefix() as prefix:
                keep_server(prefix)
                app = Orvane(prefix)
                try:
                    left, top, right, _ = self.skinned_window(app)
                    english = settled_picture((left, top, right, top + TITLE_BAND))

                    folder = app.control(FOLDER_EDIT)["text"]
                    app.click_control(CHANGE_BUTTON)
                    browser = app.message_box(timeout=30)
                    self.assertIsNotNone(browser, "the folder browser did not open")
                    orvtest.key("Escape")
                    self.assertTrue(orvtest.wait_for(lambda: app.message_box(0) is None, timeout=20),
                                    "the folder browser stayed")
                    self.assertEqual(folder, app.control(FOLDER_EDIT)["text"])
                    self.assertEqual(0, app.close())
                finally:
                    app.kill()

                app = Orvane(prefix, env=chinese)
                try:
                    caption = dlgstate("dialog", app.win.hwnd, FOLDER_EDIT, prefix=prefix)["caption"]
                    self.assertIn("\u7b80\u4f53\u4e2d\u6587", caption, "not the Chinese window")
                    left, top, right, bottom = self.skinned_window(app)
                    whole = settled_picture((left, top, right, bottom))
                    save_png(whole, SKIN_SIZE, os.path.join(PICTURES, "chinese-window.png"))
                    self.assertEqual(english, whole[:SKIN_SIZE[0] * TITLE_BAND * 3],
                                     "the title band differs from the English window")
                    self.assertEqual(0, app.close())
                finally:
                    app.kill()

    def test_dragged_rectangle_records_at_its_physical_size_at_144_dpi(self):
        x, y, w, h = 160, 120, 300, 200
        with orvtest.fresh_prefix() as prefix:
            for key in (r"HKCU\Control Panel\Desktop",
                        r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
                orvtest.reg_add(key, "LogPixels", 144, kind="REG_DWORD", prefix=prefix)
            keep_server(prefix)
            scene = orvtest.start("scene.exe", "counter", x, y, w, h, 60, prefix=prefix)
            app = Orvane(prefix)
            try:
                problem = orvtest.record_with_hotkey((x, y, w, h), 2, prefix)
                self.assertIsNone(problem, problem)
                self.assertEqual(0, app.close())
            finally:
                app.kill()
                scene.kill()
                scene.wait()
            name = time.strftime("%Y%m%d") + ".avi"
            info = orvtest.ffprobe(os.path.join(prefix, "drive_c", "Video Recordings", name))
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            self.assertEqual((w, h), (video["width"], video["height"]))


if __name__ == "__main__":
    unittest.main()
