"""A second sound device mixed with the first. The test's own sound server plays 440 Hz into the
null sink whose monitor is the default capture device, and has a second capture device fed with
1 kHz by the test. With "(none)" the recording holds only the first tone; with the second device
chosen at half volume it holds both, the second at half the first's level. The second device
stops during the recording, as a removed one does: the sound goes on with the first, the file
plays, and a message says when the second device's sound stopped. A second device that cannot be opened
leaves the recording to the first and says so in a balloon."""
import array
import math
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import unittest

import orvtest
import recflow
import trouble

sys.path.insert(0, os.path.join(orvtest.SRC, "tests", "app", "tray"))
import traytools  # noqa: E402

SETTINGS_KEY = r"HKCU\Software\Vantri\Orvane"
X, Y, W, H = 120, 160, 320, 240
SECOND_COMBO, BUTTON_OK = 1113, 1
FIRST_HZ, SECOND_HZ = 440, 1000
HALF = 0x8000
RATE = trouble.RATE


def amplitude(samples, frequency):
    """The amplitude of one frequency in the samples (Goertzel), in sample units."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / RATE)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    return 2 * math.sqrt(max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2)) / len(samples)


def sound(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-ac", "1", "-ar", str(RATE),
                          "-f", "s16le", "-"], capture_output=True, timeout=300, check=True).stdout
    return array.array("h", raw)


def tones(samples, start, end):
    """The two tones' amplitudes between start and end (seconds): the medians over tenths of a
    second, so that a block the loaded machine repeated or lost here and there does not count."""
    window = RATE // 10  # whole periods of both tones
    found = [(amplitude(samples[i:i + window], FIRST_HZ), amplitude(samples[i:i + window], SECOND_HZ))
             for i in range(int(start * RATE), int(end * RATE) - window, window)]
    return tuple(statistics.median(f[k] for f in found) for k in (0, 1))


class MixTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.texts = recflow.string_table()

    def play(self, server, sink, frequency):
        """Plays a tone into the sink until the test ends."""
        p = subprocess.Popen(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", f"sine=frequency={frequency}:sample_rate={RATE}",
                              "-ac", "2", "-f", "pulse", "-server", server, "-device", sink, "tone"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (p.kill(), p.wait()))
        return p

    def second_device(self, server):
        """A capture device "Second" of the sound server that records the 1 kHz tone the test
        feeds it in real time; returns the feeder, which stops the device's sound when paused."""
        fifo = os.path.join(tempfile.mkdtemp(prefix="orvane-mix-", dir=os.path.join(orvtest.BUILD, "wine")), "second")
        self.addCleanup(shutil.rmtree, os.path.dirname(fifo), True)
        subprocess.run(["pactl", "load-module", "module-pipe-source", "source_name=second", f"file={fifo}",
                        "format=s16le", f"rate={RATE}", "channels=2", "source_properties=device.description=Second"],
                       env=dict(os.environ, PULSE_SERVER=server), capture_output=True, timeout=30, check=True)
        p = subprocess.Popen(["ffmpeg", "-v", "error", "-re", "-f", "lavfi", "-i",
                              f"sine=frequency={SECOND_HZ}:sample_rate={RATE}", "-ac", "2", "-f", "s16le", "-y", fifo],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: (p.send_signal(signal.SIGCONT), p.kill(), p.wait()))
        return p

    def choose_second(self, app, name):
        """Chooses the second device in Options as a user does (the system may list the wave-in
        devices in another order at each start, so the choice is made in the running program)."""
        hwnd, problem = app.open_options()
        self.assertIsNone(problem, problem)
        steps = recflow.entries(hwnd, SECOND_COMBO, app.prefix).index(name)
        dropped = lambda: [w for w in orvtest.list_windows(app.prefix) if w.class_name == "ComboLBox"]
        self.assertTrue(orvtest.wait_for(lambda: app.click_item(hwnd, SECOND_COMBO) and dropped(), timeout=20))
        for _ in range(steps):
            traytools.press("Down")
        traytools.press("Return")
        self.assertTrue(orvtest.wait_for(lambda: recflow.items(hwnd, app.prefix)[SECOND_COMBO].text == name,
                                         timeout=10), f"{name} was not chosen")
        self.assertTrue(app.click_item(hwnd, BUTTON_OK))
        self.assertTrue(orvtest.wait_for(lambda: all(w.hwnd != hwnd for w in recflow.top_windows(app.prefix)),
                                         timeout=15), "the Options dialog stayed open")

    def record(self, app, during=None, second=None, started=None):
        """Starts a recording of the scene, lets it run (calling started() as soon as its file
        is there and during() halfway) and stops it; the file's path."""
        app.start("scene.exe", "counter", X, Y, W, H, 120)
        self.assertTrue(app.wait_main(), "no main window")
        if second:
            self.choose_second(app, second)
        self.assertIsNone(app.begin_selection())
        app.drag(X, Y, W, H)
        self.assertTrue(orvtest.wait_for(app.files, timeout=20), "no recording began")
        path = os.path.join(app.folder, app.files()[0])
        if started:
            started()
        self.assertTrue(trouble.wait_growth(path, 300000, 60), "nothing recorded")
        if during:
            during()
        self.assertTrue(trouble.wait_growth(path, 300000, 60), "the recording stopped")
        self.assertIsNone(app.stop_with_hotkey())
        return path

    @staticmethod
    def streams_of(server, source):
        """The recording streams of the sound server's source."""
        pactl = lambda *args: subprocess.run(["pactl", "list", "short", *args], env=dict(os.environ, PULSE_SERVER=server),
                                             capture_output=True, text=True, timeout=30).stdout.splitlines()
        index = [line.split("\t")[0] for line in pactl("sources") if line.split("\t")[1:2] == [source]]
        return [line for line in pactl("source-outputs") if line.split("\t")[1:2] == index]

    def test_second_device_mixed_then_lost_and_none(self):
        with orvtest.fresh_prefix() as prefix, trouble.sound_server() as (server, _):
            self.play(server, "null", FIRST_HZ)
            feeder = self.second_device(server)
            orvtest.reg_add(SETTINGS_KEY, "Audio Device", "0", kind="REG_DWORD", prefix=prefix)

            # "(none)": the first device alone.
            with recflow.Orvane(prefix, env={"PULSE_SERVER": server}) as app:
                path = self.record(app)
                self.assertEqual([], app.message_boxes())
                self.assertEqual(0, app.close())
            alone = sound(path)
            first, second = tones(alone, 0.5, len(alone) / RATE - 0.5)
            print("(none): 440 Hz", round(first), "1 kHz", round(second))
            self.assertGreater(first, 1000)
            self.assertLess(second, first / 100)
            os.remove(path)

            # The second device at half volume, lost halfway.
            orvtest.reg_add(SETTINGS_KEY, "Second Audio Volume", str(HALF), kind="REG_DWORD", prefix=prefix)
            # The sound server moves the streams of a device that is unloaded to another one, so
            # the second device is made to stop as a removed one does: it hands over no more sound.
            # Once the program has given it up, it closes it: its stream leaves the server.
            def stop_second():
                feeder.send_signal(signal.SIGSTOP)
                self.assertTrue(orvtest.wait_for(lambda: not self.streams_of(server, "second"), timeout=60),
                                "the lost second device was never given up")
            with recflow.Orvane(prefix, env={"PULSE_SERVER": server}) as app:
                path = self.record(app, during=stop_second, second="Second")
                box, text = app.wait_message_box(timeout=30)
                pattern = re.escape(self.texts[10045]).replace(re.escape("%02u:%02u"), r"(\d\d):(\d\d)")
                match = re.fullmatch(pattern, text)
                self.assertIsNotNone(match, text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertEqual(0, app.close())

            self.assertEqual("", orvtest.decode_check(path))
            durations = trouble.stream_durations(path)
            stopped_at = int(match.group(1)) * 60 + int(match.group(2))
            mixed = sound(path)
            before, after = tones(mixed, 0.5, stopped_at - 1), tones(mixed, stopped_at + 1, len(mixed) / RATE - 0.5)
            print("second stopped at", stopped_at, "s; streams:", durations, "before:", before, "after:", after)
            self.assertGreaterEqual(stopped_at, 2)
            # Sound to the end, the first tone throughout; the second at half the first's level
            # until it was lost, then gone.
            self.assertLess(abs(durations["audio"] - durations["video"]), 1.0)
            self.assertGreater(before[0], 1000)
            self.assertAlmostEqual(before[1] / before[0], HALF / 0xFFFF, delta=0.1)
            self.assertGreater(after[0], 1000)
            self.assertLess(after[1], after[0] / 100)

    def test_second_device_that_cannot_open_leaves_the_first_and_says_so(self):
        with orvtest.fresh_prefix() as prefix, trouble.sound_server() as (server, _):
            self.play(server, "null", FIRST_HZ)
            orvtest.reg_add(SETTINGS_KEY, "Audio Device", "0", kind="REG_DWORD", prefix=prefix)
            orvtest.reg_add(SETTINGS_KEY, "Second Audio Device", "40", kind="REG_DWORD", prefix=prefix)
            told = self.texts[10046]
            balloon = lambda: [t for t in traytools.windows_of_class(traytools.TOOLTIP_CLASS, prefix)
                               if t.visible and told in orvtest.wintool("text", t.hwnd, prefix=prefix)[1]]
            with recflow.Orvane(prefix, env={"PULSE_SERVER": server}) as app:
                # The taskbar shows a balloon for ten seconds at least: looked for from the start.
                path = self.record(app, started=lambda: self.assertTrue(orvtest.wait_for(balloon, timeout=30),
                                                                        "no balloon"))
                self.assertEqual([], app.message_boxes())
                self.assertEqual(0, app.close())
            samples = sound(path)
            self.assertGreater(tones(samples, 0.5, len(samples) / RATE - 0.5)[0], 1000)
            self.assertEqual("", orvtest.decode_check(path))


if __name__ == "__main__":
    unittest.main()
