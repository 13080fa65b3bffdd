"""A recording cut short by a kill is not lost. Each test drives a recording as a user does (F8, a
rectangle dragged over a moving scene), kills the program by its pid a few seconds later, and
starts it again: a WMV file plays even before that, an AVI file (whose headers the AVI library
writes only at the end) is repaired at the start, and so is every numbered file of a recording
that went on past the size limit. orvane.exe /repair does the same for one file, for scripts."""
import filecmp
import hashlib
import os
import re
import shutil
import subprocess
import time
import unittest

import orvtest
import recflow

X, Y, W, H = 120, 160, 160, 120
RECORD_SECONDS = 5
SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def decoded_seconds(path, kind):
    """How much picture ("v") or sound ("a") of the file decodes, in seconds."""
    p = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-stats", "-i", path, "-map", f"0:{kind}:0",
                        "-f", "null", "-"], capture_output=True, text=True, timeout=300)
    times = re.findall(r"time=(\d+):(\d+):([\d.]+)", p.stderr)
    if p.returncode != 0 or not times:
        return 0.0
    h, m, s = times[-1]
    return int(h) * 3600 + int(m) * 60 + float(s)


def frame_time_after_seek(path, seconds):
    """The time of the first picture decoded after seeking the file to `seconds`, or None."""
    out = subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-ss", str(seconds), "-copyts", "-i", path,
                          "-map", "0:v:0", "-frames:v", "1", "-f", "framemd5", "-"],
                         capture_output=True, text=True, timeout=120).stdout
    base = re.search(r"#tb 0: (\d+)/(\d+)", out)
    frames = [l.split(",") for l in out.splitlines() if l and not l.startswith("#")]
    if not base or not frames:
        return None
    return int(frames[0][2]) * int(base.group(1)) / int(base.group(2))


class CrashRecoveryTest(unittest.TestCase):
    def record_and_kill(self, app, enough=None):
        """Starts a recording and kills the program once it has recorded RECORD_SECONDS (or once
        enough() holds); returns the seconds recorded, from the file's start to the kill."""
        app.start("scene.exe", "counter", X, Y, W, H, 120)
        self.assertTrue(app.wait_main(), "no main window")
        self.assertIsNone(app.begin_selection())
        app.drag(X, Y, W, H)
        self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
        began = time.time()
        if enough:
            self.assertTrue(orvtest.wait_for(enough, timeout=60), f"not enough recorded: {app.files()}")
        else:
            time.sleep(RECORD_SECONDS)  # the length of the recording
        app.proc.kill()
        app.proc.wait()
        return time.time() - began

    def restart(self, prefix, env=None):
        """Starts the program again and closes it once its window is up: the repairs run before."""
        with recflow.Orvane(prefix, env=env) as app:
            self.assertTrue(app.wait_main(timeout=120), "no main window after the restart")
            self.assertEqual([], app.message_boxes())
            self.assertEqual(0, app.close())
        return app

    def assert_plays(self, path, recorded):
        self.assertEqual("", orvtest.decode_check(path))
        for kind in ("v", "a"):
            self.assertGreaterEqual(decoded_seconds(path, kind), recorded - 2, f"{kind} of {path}")

    def assert_seeks(self, path, seconds):
        landed = frame_time_after_seek(path, seconds)
        self.assertIsNotNone(landed, f"no picture after seeking {path} to {seconds} s")
        self.assertAlmostEqual(seconds, landed, delta=0.5)

    def test_killed_avi_recording_is_repaired_at_the_next_start(self):
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix) as app:
                recorded = self.record_and_kill(app)
            name = time.strftime("%Y%m%d") + ".avi"
            self.assertEqual([name, name + ".recovery"], app.files())
            path = os.path.join(app.folder, name)
            killed = digest(path)

            # Copies for the command line: one with its record, one without.
            scripts = os.path.join(prefix, "drive_c", "scripts")
            os.makedirs(scripts)
            for copy in ("copy.avi", "bare.avi"):
                shutil.copy(path, os.path.join(scripts, copy))
            shutil.copy(path + ".recovery", os.path.join(scripts, "copy.avi.recovery"))

            with recflow.Orvane(prefix) as again:
                self.assertTrue(again.wait_main(timeout=120), "no main window after the restart")
                self.assertEqual([name], again.files())
                # /repair needs neither a window nor the running instance's leave.
                code, _ = orvtest.run("orvane.exe", "/repair", "C:\\scripts\\copy.avi", prefix=prefix)
                self.assertEqual(0, code)
                code, _ = orvtest.run("orvane.exe", "/repair", "C:\\scripts\\bare.avi", prefix=prefix)
                self.assertEqual(1, code)
                self.assertEqual(0, again.close())

            self.assert_plays(path, recorded)
            self.assert_seeks(path, round(recorded / 2, 1))
            self.assertEqual(["bare.avi", "copy.avi"], sorted(os.listdir(scripts)))
            self.assertTrue(filecmp.cmp(path, os.path.join(scripts, "copy.avi"), shallow=False))
            self.assertEqual(killed, digest(os.path.join(scripts, "bare.avi")), "a file without its record was touched")

    def test_killed_wmv_recording_plays_at_once_and_seeks_after_the_next_start(self):
        with orvtest.fresh_prefix() as prefix:
            orvtest.reg_add(SETTINGS_KEY, "Video Format", 1, "REG_DWORD", prefix=prefix)
            with recflow.Orvane(prefix) as app:
                recorded = self.record_and_kill(app)
            name = time.strftime("%Y%m%d") + ".wmv"
            self.assertEqual([name], app.files())
            path = os.path.join(app.folder, name)
            self.assert_plays(path, recorded)

            self.restart(prefix)
            self.assertEqual([name], app.files())
            self.assert_plays(path, recorded)
            self.assertGreaterEqual(float(orvtest.ffprobe(path)["format"]["duration"]), recorded - 2)
            self.assert_seeks(path, round(recorded / 2, 1))

    def test_kill_during_a_continuation_leaves_every_numbered_file_playable(self):
        env = {"ORVANE_MAX_FILE_SIZE": "20000"}
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix, env=env) as app:
                def newest_of_three_files_has_data():
                    names = [n for n in app.files() if n.endswith(".avi")]
                    newest = max(names, key=lambda n: int(n[n.find("#") + 1:-4]) if "#" in n else 0, default=None)
                    # Chunks follow a header area of 2 KB.
                    return len(names) >= 3 and os.path.getsize(os.path.join(app.folder, newest)) > 4096
                self.record_and_kill(app, enough=newest_of_three_files_has_data)
            killed = app.files()
            self.assertTrue(any(n.endswith(".avi.recovery") for n in killed), killed)
            self.restart(prefix, env)
            names = [n for n in killed if not n.endswith(".recovery")]
            self.assertEqual(names, app.files())
            for name in names:
                path = os.path.join(app.folder, name)
                self.assertEqual("", orvtest.decode_check(path), name)
                self.assertGreater(decoded_seconds(path, "v"), 0, name)


if __name__ == "__main__":
    unittest.main()
