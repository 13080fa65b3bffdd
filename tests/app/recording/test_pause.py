"""Pausing a recording as a user does it: F8, a rectangle, three seconds, F9, three seconds, F9,
three seconds, F8. The file holds the six recorded seconds and not the pause, and its picture
and its sound last as long as each other, in AVI and in WMV (where a second pause is ended by
stopping, which ends the recording normally). With a white flash and a click once a second, the
sound is as far from the picture after a pause as it was before it, to within one frame."""
import os
import subprocess
import sys
import time
import unittest

import orvtest
import recflow

sys.path.insert(0, os.path.join(orvtest.SRC, "tests", "app", "tray"))
sys.path.insert(0, os.path.join(orvtest.SRC, "bench"))
import av_sync  # noqa: E402
import traytools  # noqa: E402

X, Y, W, H = 120, 160, 320, 240
FORMAT_COMBO = 1011
FPS = 20  # the default
PAUSED_ICON = 135


def sound_seconds(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-ac", "1", "-ar", "44100",
                          "-f", "s16le", "-"], capture_output=True, timeout=300, check=True).stdout
    return len(raw) / 2 / 44100


def picture_seconds(path):
    """From the first picture's start to the last one's end."""
    times = sorted(orvtest.packet_times(path))
    return times[-1] + 1.0 / FPS - times[0]


class Recording:
    """One recording steered with the keys, the moments it was seen to change kept: it runs
    between `started` (the file is there) and the next key, and at most from `clicked` (the
    selection's last click) until the change after the next key was seen."""

    def __init__(self, test, app):
        self.test, self.app = test, app
        self.icon = traytools.icon_rect(app.prefix)
        background = traytools.grab((self.icon[0] - 1, self.icon[1], 1, 1))
        self.paused_icon = traytools.reference_icon(PAUSED_ICON, background, app.prefix)
        self.least = self.most = 0.0
        self.running_since = None

    def start(self, rect=(X, Y, W, H)):
        before = set(self.app.files())
        self.test.assertIsNone(self.app.begin_selection())
        x, y, w, h = rect
        self.app.drag(x, y, w, h, on_last_press=lambda: setattr(self, "clicked", time.time()))
        self.test.assertTrue(orvtest.wait_for(lambda: set(self.app.files()) - before, timeout=30),
                             "no recording began")
        self.name = sorted(set(self.app.files()) - before)[0]
        self.started = self.running_since = time.time()
        self.may_run_since = self.clicked

    def paused(self):
        return traytools.grab(self.icon) == self.paused_icon

    def pause(self):
        pressed = time.time()
        orvtest.key("F9")
        self.test.assertTrue(orvtest.wait_for(self.paused, timeout=30), "the tray icon shows no pause")
        self.least += pressed - self.running_since
        self.most += time.time() - self.may_run_since
        return pressed

    def resume(self):
        self.may_run_since = time.time()
        orvtest.key("F9")
        self.test.assertTrue(orvtest.wait_for(lambda: not self.paused(), timeout=30), "the pause does not end")
        self.running_since = time.time()

    def stop(self, paused=False):
        pressed = time.time()
        self.test.assertIsNone(self.app.stop_with_hotkey())
        if not paused:
            self.least += pressed - self.running_since
            self.most += time.time() - self.may_run_since
        return os.path.join(self.app.folder, self.name)


class PauseTest(unittest.TestCase):
    def check_lengths(self, path, recording):
        pictures, sound = picture_seconds(path), sound_seconds(path)
        print(f"{os.path.basename(path)}: pictures {pictures:.2f} s, sound {sound:.2f} s, recorded between "
              f"{recording.least:.2f} s and {recording.most:.2f} s")
        # Pictures off the frame-rate grid are the graph recording test's business.
        self.assertEqual([], [l for l in orvtest.decode_errors(path) if orvtest.OFF_GRID not in l])
        self.assertLessEqual(abs(pictures - sound), 0.3, "picture and sound lengths differ")
        self.assertGreaterEqual(pictures, recording.least - 0.5, "the file misses recorded time")
        self.assertLessEqual(pictures, recording.most + 0.5, "the file holds paused time")

    def test_pause_in_avi_and_wmv(self):
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 120)
                app.start("scene.exe", "tone", 120)
                self.assertTrue(app.wait_main(), "no main window")

                avi = Recording(self, app)
                avi.start()
                time.sleep(3)
                avi.pause()
                time.sleep(3)
                avi.resume()
                time.sleep(3)
                avi_path = avi.stop()

                app.step_combo(FORMAT_COMBO)
                self.assertTrue(orvtest.wait_for(lambda: app.item(FORMAT_COMBO).text == "WMV file", timeout=10))
                wmv = Recording(self, app)
                wmv.start()
                time.sleep(3)
                wmv.pause()
                time.sleep(3)
                wmv.resume()
                time.sleep(3)
                wmv.pause()
                time.sleep(1)
                wmv_path = wmv.stop(paused=True)
                self.assertEqual([], app.message_boxes())

            self.assertTrue(avi_path.endswith(".avi") and wmv_path.endswith(".wmv"), (avi_path, wmv_path))
            self.check_lengths(avi_path, avi)
            self.check_lengths(wmv_path, wmv)

    def test_sound_keeps_its_place_against_the_picture_across_a_pause(self):
        with orvtest.fresh_prefix() as prefix:
            with recflow.Orvane(prefix) as app:
                self.assertTrue(app.wait_main(), "no main window")
                # Flashes 1.03 s apart fall on every 10 ms of the 50 ms frame grid in turn: the
                # average offset on each side of the pause is then finer than a frame, as the
                # one-frame bound below needs (flashes a whole second apart keep one phase, and
                # the pause may change it by up to a frame with the program doing nothing wrong).
                app.start("scene.exe", "flash", 90, X, Y, W, H, 1030)
                recording = Recording(self, app)
                recording.start()
                time.sleep(8)
                paused = recording.pause()
                time.sleep(2.5)
                recording.resume()
                time.sleep(8)
                path = recording.stop()

            # Where the pause lies in the file, to within the start's uncertainty.
            pause_at = paused - (recording.started + recording.clicked) / 2
            flashes = av_sync.flash_onsets(av_sync.frame_brightness(path))
            clicks = av_sync.click_onsets(path)
            offsets = {}
            for flash, index in av_sync.pair(flashes, clicks):
                offset = (clicks[index] - flash) * 1000
                if abs(offset) < 300 and index not in offsets:
                    offsets[index] = (flash, offset)
            margin = 0.5 + (recording.started - recording.clicked)
            before = [o for t, o in offsets.values() if t < pause_at - margin]
            after = [o for t, o in offsets.values() if t > pause_at + margin]
            print(f"pause at about {pause_at:.1f} s; offsets (ms) before: {[round(o) for o in before]}, "
                  f"after: {[round(o) for o in after]}")
            self.assertGreaterEqual(len(before), 3, f"flashes {flashes}, clicks {clicks}")
            self.assertGreaterEqual(len(after), 3, f"flashes {flashes}, clicks {clicks}")
            change = sum(after) / len(after) - sum(before) / len(before)
            self.assertLessEqual(abs(change), 1000 / FPS,
                                 f"the sound moved {change:+.0f} ms against the picture across the pause")


if __name__ == "__main__":
    unittest.main()
