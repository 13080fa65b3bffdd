"""What `make run` does without a display: starts Orvane in the private session and makes one
short recording exactly as a user would (F8, drag a rectangle over a moving test picture while
a tone plays, F8), then prints where the file is and what ffprobe says about it."""
import os
import sys
import time

import orvtest

SECONDS = float(os.environ.get("ORVANE_RUN_SECONDS", "4"))
RECT = (200, 150, 320, 240)


def main():
    app = orvtest.start("orvane.exe")
    scene = orvtest.start("scene.exe", "counter", *RECT, 60)
    tone = orvtest.start("scene.exe", "tone", 60)
    try:
        win = orvtest.find_window(orvtest.MAIN_CAPTION, timeout=60)
        if not win:
            print("run: Orvane's window did not appear")
            return 1
        print(f"run: Orvane is running: window \"{win.caption}\" ({win.width}x{win.height})")
        time.sleep(2)  # let the window finish painting
        shot = orvtest.screenshot(os.path.join(orvtest.BUILD, "run-screenshot.png"))
        print(f"run: screenshot of the private display: {shot}")
        print(f"run: recording {RECT[2]}x{RECT[3]} at ({RECT[0]},{RECT[1]}) for {SECONDS:g} s: "
              "F8, drag, F8 ...")
        problem = orvtest.record_with_hotkey(RECT, SECONDS)
        if problem:
            print(f"run: {problem}")
            return 1
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Video Recordings")
        newest = max((os.path.join(folder, n) for n in os.listdir(folder)), key=os.path.getmtime)
        info = orvtest.ffprobe(newest)
        print(f"run: recorded {newest} ({os.path.getsize(newest)} bytes, "
              f"{float(info['format']['duration']):.2f} s)")
        for s in info["streams"]:
            if s["codec_type"] == "video":
                print(f"run:   video: {s['codec_name']} {s['width']}x{s['height']} at {s['r_frame_rate']} fps")
            else:
                print(f"run:   audio: {s['codec_name']} {s['sample_rate']} Hz, {s['channels']} channels")
        orvtest.close_window(orvtest.find_window(orvtest.MAIN_CAPTION, 5).hwnd)
        code = orvtest.wait_exit(app, timeout=60)
        print(f"run: Orvane closed (exit code {code})")
        return 0 if code == 0 else 1
    finally:
        for p in (app, scene, tone):
            if p.poll() is None:
                p.kill()
                p.wait()


if __name__ == "__main__":
    sys.exit(main())
