"""The registered hotkey pressed on the Wine desktop reaches the window it belongs to."""
import subprocess
import time
import unittest

import orvtest


def start_host(value):
    return subprocess.Popen(["wine64", orvtest.program("hotkey_host.exe"), hex(value)],
                            cwd=orvtest.TEST_BIN, env=orvtest.wine_env(), stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)


class HotKeyPressTest(unittest.TestCase):
    def run_host(self, value, *key_presses):
        host = start_host(value)
        try:
            first = host.stdout.readline().strip()
            self.assertTrue(first.startswith("registered "), first)
            time.sleep(0.5)
            for keys in key_presses:
                orvtest.key(keys)
                time.sleep(0.5)
            out, _ = host.communicate(timeout=60)
        finally:
            if host.poll() is None:
                host.kill()
                host.wait()
            host.stdout.close()
        return first, out.replace("\r\n", "\n").strip().splitlines()

    def test_f8_reaches_the_window(self):
        first, lines = self.run_host(0x770000, "F8")
        self.assertEqual("registered F8", first)
        self.assertEqual(["hotkey 0 119 match"], lines)

    def test_f9_alone_does_nothing_when_ctrl_shift_f9_is_registered(self):
        first, lines = self.run_host(0x780006, "F9", "ctrl+shift+F9")
        print(first)
        # The first WM_HOTKEY ends the host: it must be the one of the full combination.
        self.assertEqual(["hotkey 6 120 match"], lines)

    def test_an_extended_key_registers_without_its_extended_flag(self):
        first, lines = self.run_host(0x1210000, "Prior")
        print(first)
        self.assertEqual(["hotkey 0 33 match"], lines)


if __name__ == "__main__":
    unittest.main()
