"""The program opens its window under Wine and closes cleanly on WM_CLOSE."""
import unittest

import orvtest


class SkeletonWindow(unittest.TestCase):
    def test_window_appears_and_closes_on_wm_close(self):
        with orvtest.fresh_prefix() as prefix:
            proc = orvtest.start("orvane.exe", prefix=prefix)
            try:
                win = orvtest.find_window("Orvane", timeout=30, prefix=prefix)
                self.assertIsNotNone(win, "no window with caption Orvane")
                self.assertTrue(win.caption.startswith("Orvane"))
                self.assertGreater(win.width, 100)
                self.assertTrue(orvtest.close_window(win.hwnd, prefix=prefix))
                self.assertEqual(0, orvtest.wait_exit(proc, timeout=30))
            finally:
                if proc.poll() is None:
                    proc.kill()


if __name__ == "__main__":
    unittest.main()
