"""The program under Wine: its caption, a second start, the Chinese language DLL."""
import subprocess
import tempfile
import unittest

import orvtest

KEY = r"HKCU\Software\Vantri\Orvane"
WM_SYSCOMMAND = 0x0112
SC_MINIMIZE = 0xF020


def wintool(*args, timeout=90):
    """Runs wintool with its output in a file: a Wine process that it happens to start (the
    desktop) inherits the handles, and a pipe would then never reach its end."""
    with tempfile.TemporaryFile(mode="w+") as out:
        try:
            code = subprocess.run(["wine64", orvtest.program("wintool.exe"), *map(str, args)],
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                                  env=orvtest.wine_env(), timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return None
        out.seek(0)
        lines = [l for l in out.read().replace("\r", "").splitlines() if l.strip()]
    return lines if code == 0 else None


def find_window(caption_prefix, timeout=30):
    lines = wintool("find", caption_prefix, int(timeout * 1000), timeout=timeout + 60)
    return orvtest.Window(lines[0]) if lines else None


def window_info(hwnd):
    lines = wintool("rect", hwnd)
    return orvtest.Window(lines[0]) if lines else None


def foreground_window():
    lines = wintool("foreground")
    return orvtest.Window(lines[0]) if lines else None


def list_windows():
    return [orvtest.Window(l) for l in wintool("list") or []]


class ProgramInstance(unittest.TestCase):
    """Runs in the build's own prefix: its wineserver is already up, which keeps start-up
    times short on a loaded machine (a fresh prefix boots a server and a desktop first)."""

    def setUp(self):
        orvtest.reg_delete(KEY, "Language")
        self.addCleanup(orvtest.reg_delete, KEY, "Language")

    def start_and_find(self):
        proc = orvtest.start("orvane.exe")
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        win = find_window("Orvane", timeout=30)
        self.assertIsNotNone(win, "no window with a caption starting with Orvane")
        return proc, win

    def test_caption_is_the_product_title_and_a_second_start_activates_the_first(self):
        proc, win = self.start_and_find()
        self.assertEqual("Orvane 1.0.0.0", win.caption)

        # Minimised, as when it sits in the tray.
        wintool("post", win.hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0)
        orvtest.wait_for(lambda: (window_info(win.hwnd) or win).left < -1000
                         or not (window_info(win.hwnd) or win).visible, timeout=5)

        second = orvtest.start("orvane.exe")
        # Without a message box the second start ends by itself, at once.
        self.assertEqual(0, orvtest.wait_exit(second, timeout=30), "the second start did not end")
        captions = [w.caption for w in list_windows() if w.caption.startswith("Orvane")]
        self.assertEqual(["Orvane 1.0.0.0"], captions)
        front = orvtest.wait_for(lambda: foreground_window(), timeout=5)
        self.assertIsNotNone(front)
        self.assertEqual(win.hwnd, front.hwnd)
        restored = window_info(win.hwnd)
        self.assertTrue(restored.visible)
        self.assertGreater(restored.left, -1000, "the first window is restored, not minimised")
        self.assertIsNone(proc.poll(), "the first instance keeps running")

        self.assertIsNotNone(wintool("close", win.hwnd))
        self.assertEqual(0, orvtest.wait_exit(proc, timeout=30))

    def test_chinese_dll_chosen_by_the_registry_titles_the_window(self):
        orvtest.reg_add(KEY, "Language", "0804")
        proc, win = self.start_and_find()
        # "Orvane 1.0.0.0 " and the DLL's edition name, in the system's ANSI code page.
        self.assertTrue(win.caption.startswith("Orvane 1.0.0.0 "), win.caption)
        self.assertGreater(len(win.caption), len("Orvane 1.0.0.0 "))
        self.assertIsNotNone(wintool("close", win.hwnd))
        self.assertEqual(0, orvtest.wait_exit(proc, timeout=30))


if __name__ == "__main__":
    unittest.main()
