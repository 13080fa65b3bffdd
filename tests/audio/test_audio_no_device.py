"""Without a usable sound server there is no wave-in device: the capture does not start, fails
promptly and leaves nothing behind (the program ends normally). With the session's server the
same program records. A sound server that goes away during a recording does not hang Stop."""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

BIN = os.environ.get("ORVANE_BIN", "")
PROBE = os.path.join(BIN, "tests", "capture_probe.exe")


def probe(pulse_server):
    env = dict(os.environ, PULSE_SERVER=pulse_server)
    proc = subprocess.run(["wine64", PROBE], env=env, capture_output=True, text=True, timeout=60)
    report = dict(line.strip().split("=", 1) for line in proc.stdout.split() if "=" in line)
    # What Wine said, for a failure's message: where a device open that hangs got to.
    report["wine"] = proc.stderr.strip().splitlines()[-12:]
    return proc.returncode, report


@unittest.skipUnless(os.path.exists(PROBE), "needs capture_probe.exe")
class CaptureWithoutDevice(unittest.TestCase):
    def test_dead_sound_server_fails_the_start_promptly(self):
        code, report = probe("unix:/nonexistent/orvane/pulse.sock")
        self.assertEqual(code, 0, report)
        self.assertEqual(report["devices"], "0")
        self.assertEqual(report["start"], "0")
        # Without a device the capture asks nothing of the sound stack, so its start fails at
        # once instead of waiting out the worker's 5 s handshake.
        self.assertLess(int(report["start_ms"]), 5000, report)
        self.assertEqual(report["blocks"], "0")

    def test_session_sound_server_records(self):
        code, report = probe(os.environ["PULSE_SERVER"])
        self.assertEqual(code, 0, report)
        self.assertEqual(report["start"], "1")
        self.assertGreater(int(report["blocks"]), 0)
        self.assertLess(int(report["stop_ms"]), 1000)

    def test_sound_server_that_goes_away_does_not_hang_stop(self):
        scripts = os.path.join(os.environ["ORVANE_SRC"], "scripts")
        folder = tempfile.mkdtemp(prefix="audio-vanish-")
        subprocess.run([os.path.join(scripts, "session.sh"), "start", folder], check=True,
                       stdout=subprocess.DEVNULL)
        try:
            env = dict(os.environ, PULSE_SERVER=f"unix:{folder}/pulse.sock")
            proc = subprocess.Popen(["wine64", PROBE, "8"], env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, text=True)
            head = []
            for line in proc.stdout:
                head.append(line.strip())
                if line.startswith("start_ms"):
                    break
            self.assertIn("start=1", head)
            time.sleep(4)
            with open(os.path.join(folder, "pulse.pid")) as pid_file:
                os.kill(int(pid_file.read()), signal.SIGKILL)
            rest = proc.stdout.read()
            proc.stdout.close()
            self.assertEqual(proc.wait(timeout=60), 0)
        finally:
            subprocess.run([os.path.join(scripts, "session.sh"), "stop", folder], stdout=subprocess.DEVNULL)
            shutil.rmtree(folder, ignore_errors=True)
        report = dict(line.strip().split("=", 1) for line in (head + rest.split()) if "=" in line)
        self.assertGreater(int(report["blocks"]), 0, "nothing was recorded before the server went away")
        self.assertLess(int(report["stop_ms"]), 2000)


if __name__ == "__main__":
    unittest.main()
