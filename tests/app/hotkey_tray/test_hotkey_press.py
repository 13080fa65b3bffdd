"""A hotkey on an extended key, pressed on the Wine desktop, reaches the window it belongs to:
it is registered without the key's extended flag. (F8 and a Ctrl + Shift combination pressed
on the desktop are the recording hotkey test's.)"""
import subprocess
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
            for keys in key_presses:
                orvtest.key(keys)
            out, _ = host.communicate(timeout=60)
        finally:
            if host.poll() is None:
                host.kill()
                host.wait()
            host.stdout.close()
        return first, out.replace("\r\n", "\n").strip().splitlines()

    def test_an_extended_key_registers_without_its_extended_flag(self):
        first, lines = self.run_host(0x1210000, "Prior")
        print(first)
        self.assertEqual(["hotkey 0 33 match"], lines)


if __name__ == "__main__":
    unittest.main()
