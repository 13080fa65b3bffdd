"""Without a usable sound server there is no wave-in device: the capture does not start, fails
promptly and leaves nothing behind (the program ends normally). With the session's server the
same program records."""
import os
import subprocess
import unittest

BIN = os.environ.get("ORVANE_BIN", "")
PROBE = os.path.join(BIN, "tests", "capture_probe.exe")


def probe(pulse_server):
    env = dict(os.environ, PULSE_SERVER=pulse_server)
    proc = subprocess.run(["wine64", PROBE], env=env, capture_output=True, text=True, timeout=60)
    report = dict(line.strip().split("=", 1) for line in proc.stdout.split() if "=" in line)
    return proc.returncode, report


@unittest.skipUnless(os.path.exists(PROBE), "needs capture_probe.exe")
class CaptureWithoutDevice(unittest.TestCase):
    def test_dead_sound_server_fails_the_start_promptly(self):
        code, report = probe("unix:/nonexistent/orvane/pulse.sock")
        self.assertEqual(code, 0, report)
        self.assertEqual(report["devices"], "0")
        self.assertEqual(report["start"], "0")
        self.assertLess(int(report["start_ms"]), 2000)
        self.assertEqual(report["blocks"], "0")

    def test_session_sound_server_records(self):
        code, report = probe(os.environ["PULSE_SERVER"])
        self.assertEqual(code, 0, report)
        self.assertEqual(report["start"], "1")
        self.assertGreater(int(report["blocks"]), 0)
        self.assertLess(int(report["stop_ms"]), 1000)


if __name__ == "__main__":
    unittest.main()
