"""Driving Orvane's main window as a user does, and reading its controls from the Windows side."""
import json
import os
import re
import shutil
import stat
import subprocess

import orvtest

KEY = r"HKCU\Software\Vantri\Orvane"
DRIVERS = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32"
BROWSER_KEY = r"HKCU\Software\Wine\WineBrowser"

FOLDER_EDIT, FORMAT, CODEC, DEVICE, INPUT = 1008, 1011, 1012, 1016, 1018
RATE, QUALITY, VOLUME, FPS, ALT, CTRL, SHIFT, HOTKEY = 1021, 1023, 1025, 1027, 1030, 1031, 1032, 1033
DEFAULT_BUTTON, DEVICE_CONFIG, INPUT_CONFIG = 1005, 1017, 1019
IDYES, IDNO, IDOK = 6, 7, 1

SETTINGS = ["Save Folder", "Video Format", "Video Codec", "Audio Device", "Audio Input", "Sample Rate",
            "Audio Quality", "Audio Volume", "Video FPS", "Start HotKey"]
DEFAULT_FOLDER = r"C:\Video Recordings"
WEB_ENTRY = "More video codecs on the web..."
CODECS_PAGE = "http://www.vantri.com/orvane/codecs.html"


def dlgstate(*args, prefix=None):
    code, out = orvtest.run("dlgstate.exe", *args, prefix=prefix, timeout=90)
    if code == 3:
        raise AssertionError(f"the program did not answer: {out.strip()}")
    return json.loads(out) if code == 0 and out.strip() else None


def controls(hwnd, prefix, *ids):
    """The dialog's controls (all, or those named) by id, as dlgstate reads them."""
    state = dlgstate("dialog", hwnd, *ids, prefix=prefix)
    assert state is not None, "the main window is gone"
    return {c["id"]: c for c in state["controls"]}


def selection(control):
    """The selected item's text of a combo box read by controls()."""
    return control["items"][control["sel"]] if control["sel"] >= 0 else None


def center(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def keep_server(prefix):
    """A persistent Wine server with a booted desktop for a fresh prefix (fresh_prefix stops it
    afterwards): each later Wine program then starts in a fraction of a second instead of
    seconds. Their output goes nowhere, so that no pipe is held open by the desktop."""
    quiet = dict(env=orvtest.wine_env(prefix), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL, timeout=120)
    subprocess.run(["wineserver", "-p"], **quiet)
    subprocess.run(["wine64", "wineboot"], **quiet)


def install_twin_codec(prefix):
    """One compressor installed as MP42 (preferred for AVI files) and WMV3 (for WMV files)."""
    system32 = os.path.join(prefix, "drive_c", "windows", "system32")
    shutil.copy(orvtest.program("twin_codec.dll"), system32)
    for handler in ("MP42", "WMV3"):
        orvtest.reg_add(DRIVERS, "vidc." + handler, "twin_codec.dll", prefix=prefix)


def capture_browser(prefix):
    """Makes Wine's browser launcher write the address it is given into a file instead of
    starting a browser; returns the file's path."""
    folder = os.path.dirname(prefix)
    opened = os.path.join(folder, "opened-pages.txt")
    script = os.path.join(folder, "browser.sh")
    with open(script, "w") as f:
        f.write(f'#!/bin/sh\necho "$@" >> "{opened}"\n')
    os.chmod(script, os.stat(script).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    orvtest.reg_add(BROWSER_KEY, "Browsers", script, prefix=prefix)
    return opened


def read_file(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def registry(prefix):
    """The ten settings values as `reg query` prints them, by name (one Wine start)."""
    p = subprocess.run(["wine64", "reg", "query", KEY], env=orvtest.wine_env(prefix), capture_output=True,
                       text=True, timeout=60)
    values = {}
    for line in p.stdout.replace("\r", "").splitlines():
        m = re.match(r"\s+(.+?)\s+(REG_\w+)\s*(.*)$", line)
        if m:
            values[m.group(1)] = m.group(3)
    return {name: values.get(name) for name in SETTINGS}


class Orvane:
    """One run of the program in a prefix."""

    def __init__(self, prefix, env=None):
        self.prefix = prefix
        self.app = orvtest.start("orvane.exe", prefix=prefix, env=env)
        self.win = orvtest.find_window(orvtest.MAIN_CAPTION, 90, prefix)
        if self.win is None:
            self.kill()
            raise AssertionError("no main window")
        # The lists are filled during the window's initialisation; wait until the last is.
        orvtest.wait_for(lambda: self.control(HOTKEY)["sel"] >= 0, timeout=30)

    def controls(self, *ids):
        return controls(self.win.hwnd, self.prefix, *ids)

    def control(self, control_id):
        return self.controls(control_id)[control_id]

    def close(self):
        orvtest.close_window(self.win.hwnd, prefix=self.prefix)
        code = orvtest.wait_exit(self.app, timeout=90)
        self.kill()
        return code

    def kill(self):
        if self.app.poll() is None:
            self.app.kill()
            self.app.wait()

    def click_control(self, control_id):
        x, y = center(self.control(control_id)["rect"])
        orvtest.click(x, y)

    def choose(self, combo_id, text):
        """Drops the combo box's list with a click and clicks the item."""
        combo = self.control(combo_id)
        index = combo["items"].index(text)
        orvtest.click(*center(combo["rect"]))
        dropped = orvtest.wait_for(lambda: dlgstate("droplist", combo["hwnd"], prefix=self.prefix), timeout=15)
        assert dropped, f"the list of control {combo_id} did not drop down"
        height = dropped["item_height"]
        left, top, _, bottom = dropped["client"]
        row = index - dropped["top"]
        if 0 <= row < (bottom - top) // height:
            orvtest.click(left + 10, top + row * height + height // 2)
        else:
            # Out of sight in the list: close it and step there with the arrow keys.
            orvtest.key("Escape")
            current = self.control(combo_id)["sel"]
            orvtest.key(*(["Down"] * (index - current) if index >= current else ["Up"] * (current - index)))
        orvtest.wait_for(lambda: dlgstate("droplist", combo["hwnd"], prefix=self.prefix) is None, timeout=10)

    def type_fps(self, text):
        """Replaces the frames-per-second text with the keyboard and leaves the box with Tab."""
        self.click_control(FPS)
        orvtest.key("End", *["BackSpace"] * 6, *text, "Tab")

    def message_box(self, timeout=30):
        return dlgstate("msgbox", self.win.hwnd, int(timeout * 1000), prefix=self.prefix)

    def answer(self, box, button_id):
        """Clicks a message box's button."""
        button = [b for b in box["buttons"] if b["id"] == button_id][0]
        orvtest.hold_click(*center(button["rect"]))
        gone = orvtest.wait_for(lambda: self.message_box(0) is None, timeout=20)
        assert gone, "the message box stayed"
