"""What `make run` does without a display: starts Orvane in the private session, shows that its
window is up (caption and a screenshot), then closes it."""
import os
import sys

import orvtest

SECONDS = float(os.environ.get("ORVANE_RUN_SECONDS", "5"))


def main():
    proc = orvtest.start("orvane.exe")
    win = orvtest.find_window("Orvane", timeout=60)
    if not win:
        print("run: Orvane's window did not appear")
        proc.kill()
        return 1
    print(f"run: Orvane is running: window \"{win.caption}\" at {win.left},{win.top} "
          f"({win.width}x{win.height})")
    shot = orvtest.screenshot(os.path.join(orvtest.BUILD, "run-screenshot.png"))
    print(f"run: screenshot of the private display: {shot}")
    orvtest.wait_exit(proc, timeout=SECONDS)
    orvtest.close_window(win.hwnd)
    code = orvtest.wait_exit(proc, timeout=30)
    print(f"run: Orvane closed (exit code {code})")
    return 0 if code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
