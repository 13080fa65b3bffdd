"""The selection overlay driven with real mouse and keyboard input on the Wine desktop.

The overlay never captures the mouse: it polls the buttons, Escape and the cursor every
50 ms, so the pauses below span a few ticks each.
"""
import queue
import subprocess
import threading
import time
import unittest

import orvtest

TICKS = 0.3


# orvtest's mouse helpers move with --sync, which never returns when the pointer is already
# at the target; these move without it.
def move(x, y):
    orvtest.xdotool("mousemove", x, y)
    time.sleep(0.05)


def press(x, y, button=1):
    move(x, y)
    orvtest.xdotool("mousedown", button)


def release(x, y, button=1):
    move(x, y)
    orvtest.xdotool("mouseup", button)


def hold_key(name):
    """A key held for a few ticks: a tap from `xdotool key` is shorter than one poll."""
    orvtest.focus_desktop()
    orvtest.xdotool("keydown", name)
    time.sleep(TICKS)
    orvtest.xdotool("keyup", name)


class Host:
    """overlay_host.exe with its output read line by line."""

    def __init__(self):
        self.proc = subprocess.Popen(["wine64", orvtest.program("overlay_host.exe")],
                                     cwd=orvtest.TEST_BIN, env=orvtest.wine_env(),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.strip())
        self.lines.put(None)

    def wait_line(self, start, timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                line = self.lines.get(timeout=deadline - time.time())
            except queue.Empty:
                break
            if line is None:
                break
            if line.startswith(start):
                return line
        return None

    def finish(self):
        rest = []
        while True:
            line = self.wait_line("", timeout=30)
            if line is None:
                break
            rest.append(line)
        code = orvtest.wait_exit(self.proc, 30)
        if code is None:
            self.proc.kill()
        return code, rest


class RectSelectInputTest(unittest.TestCase):
    def setUp(self):
        orvtest.focus_desktop()
        move(640, 700)
        self.host = Host()
        line = self.host.wait_line("ready")
        self.assertEqual("ready selecting=1 cursors-replaced=1", line)
        time.sleep(TICKS)

    def tearDown(self):
        orvtest.xdotool("mouseup", 1)
        orvtest.xdotool("mouseup", 3)
        if self.host.proc.poll() is None:
            self.host.proc.kill()
            self.host.proc.wait()
        self.host.proc.stdout.close()

    def test_press_release_move_and_click_accepts_the_rectangle(self):
        press(100, 100)
        time.sleep(TICKS)
        release(100, 100)
        time.sleep(TICKS)
        move(260, 200)
        time.sleep(TICKS)
        move(419, 339)
        time.sleep(TICKS)
        press(419, 339)
        time.sleep(TICKS)
        release(419, 339)
        accepted = self.host.wait_line("accepted")
        print(accepted)
        # Both corner pixels are inside: (100,100) to (419,339) is 320 x 240.
        self.assertEqual("accepted 100 100 420 340 320 240", accepted)
        self.assertEqual("locked frame 99 99 421 341", self.host.wait_line("locked frame"))
        # Locked: the mouse no longer changes the rectangle.
        press(600, 500)
        move(700, 600)
        release(700, 600)
        self.assertEqual("still 100 100 420 340", self.host.wait_line("still"))
        code, rest = self.host.finish()
        self.assertEqual(0, code)
        self.assertIn("selecting=0 cursors-replaced=0", rest)

    def test_dragging_with_the_button_held_follows_the_cursor(self):
        press(500, 300)
        time.sleep(TICKS)
        move(300, 150)
        time.sleep(TICKS)
        release(300, 150)
        time.sleep(TICKS)
        press(300, 150)
        time.sleep(TICKS)
        release(300, 150)
        self.assertEqual("accepted 300 150 501 301 201 151", self.host.wait_line("accepted"))
        self.assertEqual(0, self.host.finish()[0])

    def test_clicking_twice_without_moving_accepts_one_pixel(self):
        press(300, 300)
        time.sleep(TICKS)
        release(300, 300)
        time.sleep(TICKS)
        press(300, 300)
        time.sleep(TICKS)
        release(300, 300)
        self.assertEqual("accepted 300 300 301 301 1 1", self.host.wait_line("accepted"))
        self.assertEqual(0, self.host.finish()[0])

    def test_escape_cancels_even_with_the_left_button_held(self):
        press(200, 200)
        time.sleep(TICKS)
        move(400, 400)
        time.sleep(TICKS)
        hold_key("Escape")
        time.sleep(TICKS)
        release(400, 400)
        self.assertEqual("cancelled", self.host.wait_line("cancelled"))
        code, rest = self.host.finish()
        self.assertEqual(0, code)
        self.assertIn("selecting=0 cursors-replaced=0", rest)

    def test_the_right_button_cancels(self):
        press(200, 200)
        time.sleep(TICKS)
        release(200, 200)
        time.sleep(TICKS)
        move(300, 300)
        time.sleep(TICKS)
        press(300, 300, button=3)
        time.sleep(TICKS)
        release(300, 300, button=3)
        self.assertEqual("cancelled", self.host.wait_line("cancelled"))
        code, rest = self.host.finish()
        self.assertEqual(0, code)
        self.assertIn("selecting=0 cursors-replaced=0", rest)


if __name__ == "__main__":
    unittest.main()
