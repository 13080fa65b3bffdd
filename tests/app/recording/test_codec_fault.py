"""A video compressor that faults in the middle of a recording (an access violation on its
31st frame): the recording ends with the video message, the window comes back, the file holds
the frames before the fault and plays, and the program goes on until it is closed."""
import os
import shutil
import subprocess
import time
import unittest

import orvtest
import recflow

X, Y, W, H = 120, 160, 320, 240
CODEC_COMBO = 1012
DRIVERS = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32"


class CodecFaultTest(unittest.TestCase):
    def test_fault_in_a_frame_ends_the_recording_and_keeps_the_file(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            recflow.top_windows(prefix)
            shutil.copy(orvtest.program("twin_codec.dll"), os.path.join(prefix, "drive_c", "windows", "system32"))
            orvtest.reg_add(DRIVERS, "vidc.XVID", "twin_codec.dll", prefix=prefix)
            with recflow.Orvane(prefix, env={"ORVANE_TWIN_CODEC_FAULT": "compress:30"}) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 90)
                self.assertTrue(app.wait_main(), "no main window")
                self.assertEqual("Test codec XVID", app.item(CODEC_COMBO).text)

                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                box, text = app.wait_message_box(timeout=60)
                self.assertEqual(texts[10020] + texts[10011], text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "the main window did not come back")
                self.assertEqual(0, app.close())

            name = time.strftime("%Y%m%d") + ".avi"
            self.assertEqual([name], app.files())
            path = os.path.join(app.folder, name)
            info = orvtest.ffprobe(path)
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            self.assertEqual(("XVID", W, H), (video["codec_tag_string"], video["width"], video["height"]))
            # The compressor's frames carry 16 bytes each; the thirty before the fault are there.
            packets = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                      "packet=size", "-of", "csv=p=0", path], capture_output=True, text=True,
                                     timeout=120).stdout.split()
            self.assertEqual(30, packets.count("16"), packets)
            self.assertEqual(set(packets) - {"16"}, set(packets) - {"16", "0"}, packets)
            # The sound, taken out as it is, decodes cleanly (the test compressor's pictures are not
            # real MPEG-4 ones).
            mp3 = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-c", "copy", "-f", "mp3", "-"],
                                 capture_output=True, timeout=120).stdout
            self.assertGreater(len(mp3), 1000)
            sound = subprocess.run(["ffmpeg", "-v", "error", "-i", "-", "-f", "null", "-"], input=mp3,
                                   capture_output=True, timeout=120)
            self.assertEqual((0, b""), (sound.returncode, sound.stderr.strip()))


if __name__ == "__main__":
    unittest.main()
