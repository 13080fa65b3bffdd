"""A compressor that fails after some frames ends the recording with the video-failure message
("Can not continue recording!" and the detail of a failed video capture), the window comes
back and the file written until then is whole. The frame rate typed in is kept to 1..100: the
box shows the rate the recording used, and the file carries it."""
import os
import time
import unittest

import orvtest
import recflow
import trouble

X, Y, W, H = 120, 160, 320, 240
FPS_COMBO = 1027
FAILS_AFTER = 60


class CodecFailsTest(unittest.TestCase):
    def test_failing_compressor_ends_the_recording_with_the_message(self):
        texts = recflow.string_table()
        with orvtest.fresh_prefix() as prefix:
            trouble.install_codec(prefix)
            with recflow.Orvane(prefix, env={"TWIN_CODEC_FAILS_AFTER": str(FAILS_AFTER)}) as app:
                app.start("scene.exe", "counter", X, Y, W, H, 120)
                self.assertTrue(app.wait_main(), "no main window")
                # The scene takes the focus when it shows: type into the box after that.
                self.assertTrue(orvtest.find_window("Orvane test scene", 60, prefix), "no scene")
                orvtest.hold_click(*app.item(FPS_COMBO).center)
                orvtest.key("End", *["BackSpace"] * 4, *"500")
                self.assertTrue(orvtest.wait_for(lambda: app.item(FPS_COMBO).text == "500", timeout=10),
                                app.item(FPS_COMBO).text)

                self.assertIsNone(app.begin_selection())
                app.drag(X, Y, W, H)
                box, text = app.wait_message_box(timeout=60)
                self.assertEqual(texts[10030] + texts[10011], text)
                self.assertTrue(app.dismiss_message_box(box), "the message box did not close")
                self.assertTrue(app.wait_main_visible(True, timeout=20), "the main window did not come back")
                self.assertEqual("100", app.item(FPS_COMBO).text)
                self.assertEqual(0, app.close())

            name = time.strftime("%Y%m%d") + ".avi"
            self.assertEqual([name], app.files())
            path = os.path.join(app.folder, name)
            info = orvtest.ffprobe(path)
            video = [s for s in info["streams"] if s["codec_type"] == "video"][0]
            self.assertEqual(("XVID", "100/1"), (video["codec_tag_string"], video["r_frame_rate"]))
            # The frames the compressor made are in the file; the sound decodes to its end.
            frames = trouble.packet_sizes(path, "v")
            self.assertGreater(len([size for size in frames if size]), FAILS_AFTER // 2)
            self.assertLessEqual(len([size for size in frames if size]), FAILS_AFTER)
            self.assertEqual("", trouble.decode_sound(path))


if __name__ == "__main__":
    unittest.main()
