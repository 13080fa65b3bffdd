"""The main window as a user meets it: every list's full contents and pre-selection, the codec
web entry, a format change choosing the codec anew, a save folder too long for an output name,
and the Default button answered No and Yes."""
import os
import unittest

import orvtest
from mainwindow import (ALT, CODEC, CODECS_PAGE, CTRL, DEFAULT_BUTTON, DEFAULT_FOLDER, DEVICE, DEVICE_CONFIG,
                        FOLDER_EDIT, FORMAT, FPS, HOTKEY, IDNO, IDOK, IDYES, INPUT, INPUT_CONFIG, KEY, QUALITY,
                        RATE, SHIFT, VOLUME, WEB_ENTRY, Orvane, capture_browser, install_twin_codec, keep_server,
                        read_file, registry, selection)

RATES = ["16000 Hz", "22050 Hz", "24000 Hz", "32000 Hz", "44100 Hz", "48000 Hz"]
QUALITIES = ["[0]Highest", "[1]", "[2]High", "[3]", "[4]", "[5]Normal", "[6]", "[7]", "[8]", "[9]Low"]
ZMBV = "(Orvane) Lossless Screen Codec ZMBV"
UNCOMPRESSED = "<Uncompressed RGB>"
AVI_CODEC, WMV_CODEC = "Test codec MP42", "Test codec WMV3"
# The session's PulseAudio: a null sink whose monitor is the capture device.
BEST_DEVICE = "Monitor of Null Output"

# A save folder that exists but leaves no room for a dated file name within 259 characters.
LONG_FOLDER = "C:\\" + "d" * 120 + "\\" + "e" * 126


def watched(c):
    """What a user sees of the settings controls."""
    picked = {i: (c[i]["items"], c[i]["sel"]) for i in (FORMAT, CODEC, DEVICE, INPUT, RATE, QUALITY, HOTKEY)}
    picked.update({i: c[i]["check"] for i in (ALT, CTRL, SHIFT)})
    picked.update({FOLDER_EDIT: c[FOLDER_EDIT]["text"], FPS: c[FPS]["text"], VOLUME: c[VOLUME]["pos"],
                   "enabled": {i: c[i]["enabled"] for i in c}})
    return picked


class WindowLists(unittest.TestCase):
    def assert_defaults(self, c):
        self.assertEqual("AVI file", selection(c[FORMAT]))
        self.assertEqual(AVI_CODEC, selection(c[CODEC]), "the AVI preference list chooses MP42")
        self.assertEqual(BEST_DEVICE, selection(c[DEVICE]))
        self.assertEqual("[Default Audio Input]", selection(c[INPUT]))
        self.assertEqual("44100 Hz", selection(c[RATE]))
        self.assertEqual("[5]Normal", selection(c[QUALITY]))
        self.assertEqual(45535, c[VOLUME]["pos"])
        self.assertEqual("20", c[FPS]["text"])
        self.assertEqual("F8", selection(c[HOTKEY]))
        self.assertEqual([0, 0, 0], [c[i]["check"] for i in (ALT, CTRL, SHIFT)])

    def start_recording_over_the_desktop(self, app):
        orvtest.key("F8")
        hidden = orvtest.wait_for(lambda: orvtest.find_window(orvtest.MAIN_CAPTION, 0, app.prefix) is None, 20)
        self.assertTrue(hidden, "F8 did not start a selection")
        orvtest.hold_click(100, 100)
        orvtest.mouse_move(420, 340)
        orvtest.hold_click(420, 340)

    def test_lists_web_entry_long_folder_and_defaults(self):
        with orvtest.fresh_prefix() as prefix:
            keep_server(prefix)
            install_twin_codec(prefix)
            opened = capture_browser(prefix)
            long_folder = os.path.join(prefix, "drive_c", *LONG_FOLDER[3:].split("\\"))
            os.makedirs(long_folder)
            orvtest.reg_add(KEY, "Save Folder", LONG_FOLDER, prefix=prefix)
            app = Orvane(prefix)
            try:
                c = app.controls()
                self.assertEqual(["AVI file", "WMV file"], c[FORMAT]["items"])
                codecs = c[CODEC]["items"]
                self.assertEqual(WEB_ENTRY, codecs[-1])
                self.assertEqual(sorted([ZMBV, UNCOMPRESSED, AVI_CODEC, WMV_CODEC]), sorted(codecs[:-1]))
                self.assertEqual(sorted(codecs[:-1], key=str.lower), codecs[:-1], "the codec list is sorted")
                self.assertEqual(["[Default Audio Device]", "PulseAudio", BEST_DEVICE], c[DEVICE]["items"])
                self.assertEqual(RATES, c[RATE]["items"])
                self.assertEqual(QUALITIES, c[QUALITY]["items"])
                self.assertEqual(["10", "15", "20", "25", "30"], c[FPS]["items"])
                self.assertEqual((0, 65535), (c[VOLUME]["min"], c[VOLUME]["max"]))
                self.assert_defaults(c)
                self.assertEqual(LONG_FOLDER, c[FOLDER_EDIT]["text"])

                # Enter and Escape do nothing in this window.
                app.click_control(FOLDER_EDIT)
                orvtest.key("Return", "Escape")
                self.assertIsNone(app.message_box(1))
                self.assertTrue(orvtest.window_info(app.win.hwnd, prefix).visible)
                self.assertEqual(watched(c), watched(app.controls()))

                # The folder and a dated name do not fit in a path: the start is refused, no
                # shortened name is written.
                self.start_recording_over_the_desktop(app)
                box = app.message_box()
                self.assertIsNotNone(box, "no message about the output path")
                self.assertEqual("Can not start recording!\n\nInvalid output file path!", box["text"])
                app.answer(box, IDOK)
                self.assertTrue(orvtest.wait_for(lambda: orvtest.find_window(orvtest.MAIN_CAPTION, 0, prefix), 30))
                self.assertEqual([], os.listdir(long_folder))

                # The web entry opens the codecs page and gives the selection back.
                app.choose(CODEC, WEB_ENTRY)
                self.assertEqual(CODECS_PAGE, orvtest.wait_for(lambda: read_file(opened).strip(), 30))
                self.assertEqual(AVI_CODEC, selection(app.control(CODEC)))

                # A user's change of the format chooses the codec by that format's preferences.
                app.choose(FORMAT, "WMV file")
                self.assertEqual(WMV_CODEC, selection(app.control(CODEC)))

                # Change everything a user can change here, then ask for the defaults.
                app.choose(CODEC, ZMBV)
                app.choose(QUALITY, "[0]Highest")
                app.choose(RATE, "16000 Hz")
                app.choose(DEVICE, "[Default Audio Device]")
                app.type_fps("12")
                app.click_control(ALT)
                orvtest.wait_for(lambda: app.control(ALT)["check"] == 1, 10)
                changed = watched(app.controls())
                self.assertEqual((["[Default Audio Input]"], 0), changed[INPUT])
                self.assertEqual((True, True, False), (changed["enabled"][DEVICE_CONFIG],
                                                       changed["enabled"][INPUT_CONFIG], changed["enabled"][VOLUME]))
                self.assertEqual(("12", 1), (changed[FPS], changed[ALT]))
                stored = registry(prefix)

                app.click_control(DEFAULT_BUTTON)
                box = app.message_box()
                self.assertEqual("Are you sure to restore the default settings?", box["text"])
                self.assertEqual({IDYES, IDNO}, {b["id"] for b in box["buttons"]})
                app.answer(box, IDNO)
                self.assertEqual(changed, watched(app.controls()), "No changes nothing")
                self.assertEqual(stored, registry(prefix))

                app.click_control(DEFAULT_BUTTON)
                app.answer(app.message_box(), IDYES)
                self.assertTrue(orvtest.wait_for(lambda: app.control(FPS)["text"] == "20", 20), "no reset")
                c = app.controls()
                self.assert_defaults(c)
                self.assertEqual(DEFAULT_FOLDER, c[FOLDER_EDIT]["text"])
                self.assertEqual({"Save Folder": DEFAULT_FOLDER, "Video Format": "0x0", "Video Codec": "0xffffffff",
                                  "Audio Device": "0xffffffff", "Audio Input": "0xffffffff", "Sample Rate": "0x4",
                                  "Audio Quality": "0x5", "Audio Volume": "0xb1df", "Video FPS": "0x14",
                                  "Start HotKey": "0x770000"}, registry(prefix))

                # F8 without Alt is the hotkey again: it starts a selection, Escape cancels it.
                orvtest.key("F8")
                self.assertTrue(orvtest.wait_for(
                    lambda: orvtest.find_window(orvtest.MAIN_CAPTION, 0, prefix) is None, 20), "F8 is not the hotkey")
                orvtest.key("Escape", hold=0.3)
                self.assertTrue(orvtest.wait_for(lambda: orvtest.find_window(orvtest.MAIN_CAPTION, 0, prefix), 30))
                self.assertEqual(0, app.close())
            finally:
                app.kill()


if __name__ == "__main__":
    unittest.main()
