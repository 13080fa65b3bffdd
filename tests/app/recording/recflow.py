"""Helpers of the recording-control tests: the program in a prefix of its own, its main window
and message boxes seen from another process, the texts of its string table, the output files."""
import itertools
import os
import re
import signal
import subprocess
import time

import orvtest

HOTKEY_COMBO = 1033
OPTIONS_LINK = 1034
CHECK_ALT, CHECK_CTRL, CHECK_SHIFT = 1030, 1031, 1032
MESSAGE_TEXT_ID = 0xFFFF  # the static text of a message box
BUTTON_OK = 1


def _unescape(text):
    return re.sub(r'\\(.)', lambda m: "\n" if m.group(1) == "n" else m.group(1), text)


def string_table():
    """The program's English strings by number, read from its resource script."""
    res = os.path.join(orvtest.SRC, "src", "res")
    ids = {}
    with open(os.path.join(res, "resource.h"), encoding="latin-1") as f:
        for m in re.finditer(r"#define\s+(\w+)\s+(\d+)", f.read()):
            ids[m.group(1)] = int(m.group(2))
    texts = {}
    with open(os.path.join(res, "orvane.rc"), encoding="latin-1") as f:
        for m in re.finditer(r'^\s*(\w+)\s+"((?:[^"\\]|\\.|"")*)"', f.read(), re.M):
            if m.group(1) in ids:
                texts[ids[m.group(1)]] = _unescape(m.group(2).replace('""', '"'))
    return texts


class TopWindow:
    """A top-level window as dlgtool prints it: hwnd pid visible|hidden "class" "caption"."""

    def __init__(self, line):
        m = re.match(r'(\d+) (\d+) (visible|hidden) "((?:[^"\\]|\\.)*)" "((?:[^"\\]|\\.)*)"', line)
        self.hwnd, self.pid = int(m.group(1)), int(m.group(2))
        self.visible = m.group(3) == "visible"
        self.class_name, self.caption = _unescape(m.group(4)), _unescape(m.group(5))

    def __repr__(self):
        return f"TopWindow({self.hwnd:#x}, {self.class_name!r}, {self.caption!r}, {self.visible})"


class Item:
    """A child control: id, screen rectangle, visibility, check state, class, text."""

    def __init__(self, line):
        m = re.match(r'(-?\d+) (-?\d+) (-?\d+) (-?\d+) (-?\d+) (visible|hidden) (\d+) '
                     r'"((?:[^"\\]|\\.)*)" "((?:[^"\\]|\\.)*)"', line)
        self.id = int(m.group(1)) & 0xFFFF
        self.left, self.top, self.right, self.bottom = (int(m.group(i)) for i in range(2, 6))
        self.visible = m.group(6) == "visible"
        self.checked = int(m.group(7))
        self.class_name, self.text = _unescape(m.group(8)), _unescape(m.group(9))

    @property
    def center(self):
        return (self.left + self.right) // 2, (self.top + self.bottom) // 2


def dlgtool(*args, prefix):
    return orvtest.run("dlgtool.exe", *args, prefix=prefix, timeout=60)


def top_windows(prefix):
    code, out = dlgtool("top", prefix=prefix)
    return [TopWindow(l) for l in out.splitlines() if l.strip()] if code == 0 else []


def items(hwnd, prefix):
    code, out = dlgtool("items", hwnd, prefix=prefix)
    return {i.id: i for i in (Item(l) for l in out.splitlines() if l.strip())} if code == 0 else {}


def focus(hwnd, prefix):
    """The id of the window's control that has the keyboard focus, or None."""
    code, out = dlgtool("focus", hwnd, prefix=prefix)
    return int(out) if code == 0 and out.strip() else None


def entries(hwnd, control_id, prefix):
    code, out = dlgtool("entries", hwnd, control_id, prefix=prefix)
    return [_unescape(l) for l in out.splitlines()] if code == 0 else []


class Orvane:
    """orvane.exe in a private prefix; scenes and helpers started next to it end with it."""

    def __init__(self, prefix, env=None, preexec_fn=None, stderr=None):
        self.prefix = prefix
        self.stderr = stderr
        self.env = env
        self.preexec_fn = preexec_fn
        self.proc = None
        self.others = []
        self.main_hwnd = None

    def __enter__(self):
        self.proc = subprocess.Popen(
            ["wine64", orvtest.program("orvane.exe")], cwd=orvtest.BIN,
            env=orvtest.wine_env(self.prefix, self.env), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=self.stderr or subprocess.DEVNULL,
            preexec_fn=self.preexec_fn)
        return self

    def __exit__(self, *exc):
        for p in [self.proc] + self.others:
            if p and p.poll() is None:
                p.kill()
                p.wait()

    def start(self, exe, *args):
        p = orvtest.start(exe, *args, prefix=self.prefix)
        self.others.append(p)
        return p

    @property
    def folder(self):
        return os.path.join(self.prefix, "drive_c", "Video Recordings")

    def files(self):
        return sorted(os.listdir(self.folder)) if os.path.isdir(self.folder) else []

    # --- windows ---------------------------------------------------------------------------

    def windows(self):
        """The program's top-level dialogs (main window and message boxes)."""
        return [w for w in top_windows(self.prefix)
                if w.class_name == "#32770" and w.caption.startswith("Orvane")]

    def wait_main(self, timeout=60):
        """Waits until the main window shows, which it does once it has set itself up (its
        lists filled, its hotkeys registered); returns its handle."""
        def find():
            for w in self.windows():
                if w.visible and HOTKEY_COMBO in items(w.hwnd, self.prefix):
                    return w.hwnd
            return None
        self.main_hwnd = orvtest.wait_for(find, timeout=timeout, interval=0.5)
        return self.main_hwnd

    def main_visible(self):
        return any(w.hwnd == self.main_hwnd and w.visible for w in top_windows(self.prefix))

    def wait_main_visible(self, visible=True, timeout=30):
        return orvtest.wait_for(lambda: self.main_visible() == visible, timeout=timeout, interval=0.3)

    def message_boxes(self):
        """(hwnd, text) of each shown message box of the program."""
        found = []
        for w in self.windows():
            if w.visible and w.hwnd != self.main_hwnd:
                controls = items(w.hwnd, self.prefix)
                if MESSAGE_TEXT_ID in controls:
                    found.append((w.hwnd, controls[MESSAGE_TEXT_ID].text))
        return found

    def wait_message_box(self, timeout=30):
        boxes = orvtest.wait_for(self.message_boxes, timeout=timeout, interval=0.5)
        return boxes[0] if boxes else (None, None)

    def click_item(self, hwnd, control_id):
        """Clicks a control of a window as a user would; False when it is not there."""
        control = items(hwnd, self.prefix).get(control_id)
        if not control or not control.visible:
            return False
        orvtest.hold_click(*control.center)
        return True

    def open_options(self):
        """Opens the Options dialog with the main window's link as a user does; its handle, or
        None with what the click met."""
        link = self.item(OPTIONS_LINK)
        if not link or not link.visible:
            return None, "no Options link"
        orvtest.hold_click(*link.center)
        found = orvtest.wait_for(lambda: [w for w in top_windows(self.prefix)
                                          if w.visible and w.caption == "Options"], timeout=30)
        if found:
            return found[0].hwnd, None
        foreground = orvtest.foreground_window(self.prefix)
        shown = [(w.caption, w.class_name) for w in top_windows(self.prefix) if w.visible]
        return None, (f"the Options dialog did not open (link at {link.center}, pointer "
                      f"{orvtest.xdotool('getmouselocation').strip()}, foreground "
                      f"{foreground.caption if foreground else None!r}, shown {shown})")

    def dismiss_message_box(self, hwnd, timeout=15):
        """Clicks OK of a message box and waits until it is gone."""
        if not self.click_item(hwnd, BUTTON_OK):
            return False
        return orvtest.wait_for(lambda: all(w.hwnd != hwnd for w in top_windows(self.prefix)),
                                timeout=timeout, interval=0.3)

    def item(self, control_id):
        return items(self.main_hwnd, self.prefix).get(control_id)

    def focus_item(self, control_id, timeout=20):
        """Clicks a control of the main window until it has the keyboard focus."""
        return orvtest.wait_for(lambda: orvtest.hold_click(*self.item(control_id).center) or
                                focus(self.main_hwnd, self.prefix) == control_id,
                                timeout=timeout, interval=0.5)

    def step_combo(self, control_id, key="Down"):
        """Moves a drop-down list of the main window to its next entry with the keyboard: a
        click gives it the focus (and opens it), Escape closes it, the key changes it."""
        self.focus_item(control_id)
        orvtest.key("Escape")
        orvtest.key(key)

    def choose(self, control_id, entry):
        """Steps a drop-down list of the main window down to an entry, as a user would, each step
        once the list shows the entry the step before led to; False when it never gets there."""
        names = entries(self.main_hwnd, control_id, self.prefix)
        for _ in range(2 * len(names)):
            current = self.item(control_id).text
            if current == entry:
                return True
            self.step_combo(control_id)
            orvtest.wait_for(lambda: self.item(control_id).text != current, timeout=10)
        return self.item(control_id).text == entry

    def toggle_check(self, control_id):
        before = self.item(control_id).checked
        orvtest.hold_click(*self.item(control_id).center)
        return orvtest.wait_for(lambda: self.item(control_id).checked != before, timeout=10)

    def close(self, timeout=60):
        """Closes the main window as the window manager does; the process's exit code."""
        orvtest.close_window(self.main_hwnd, prefix=self.prefix)
        return orvtest.wait_exit(self.proc, timeout=timeout)

    # --- the user's steps --------------------------------------------------------------------

    def begin_selection(self, hotkey="F8"):
        """Presses the hotkey and waits until the main window hides; None or what went wrong."""
        # The window shows once it has set itself up, its hotkeys among the rest: a key pressed
        # before that would go nowhere.
        if not self.wait_main_visible(True, timeout=60):
            return "the main window is not showing"
        orvtest.key(hotkey)
        if not self.wait_main_visible(False, timeout=30):
            return f"the main window did not hide on {hotkey} ({self.input_report(hotkey)})"
        return None

    def input_report(self, key):
        """What a failed key press met, for the failure's message: the keys the desktop holds,
        the X focus, the desktops on the display, the foreground window, and whether pressing
        the key again has the effect the first press did not."""
        _, keys = orvtest.wintool("keys", prefix=self.prefix)
        state = orvtest.input_state(self.prefix)
        shown = [w.caption for w in top_windows(self.prefix) if w.visible]
        visible = self.main_visible()
        orvtest.key(key)
        again = orvtest.wait_for(lambda: self.main_visible() != visible, timeout=10)
        return (f"keys: {keys.strip()}; {state}; shown {shown}; a second press "
                f"{'had' if again else 'had no'} effect")

    def drag(self, x, y, w, h, on_last_press=None):
        """Press at one corner, release, move, click at the opposite corner: each press held
        until the selection has seen it."""
        problem = orvtest.select_area(x, y, w, h, self.prefix, on_last_press=on_last_press)
        if problem:
            raise AssertionError(problem)

    def stop_with_hotkey(self, hotkey="F8"):
        orvtest.key(hotkey)
        if not self.wait_main_visible(True, timeout=30):
            return f"the main window did not come back on {hotkey}"
        return None


def tray_icon_picture():
    """The pixels of the rightmost icon of the taskbar's notification area, as bytes."""
    shot = subprocess.run(["import", "-window", "root", "png:-"], capture_output=True, timeout=60).stdout
    return subprocess.run(["convert", "png:-", "-crop", "24x20+1256+780", "+repage", "-depth", "8", "rgb:-"],
                          input=shot, capture_output=True, timeout=60).stdout


def tray_pictures(seconds, enough=None):
    """The distinct pictures the tray icon showed while it was watched (until `enough` were
    seen). Uneven pauses keep the looks from falling into step with a blinking icon."""
    seen = set()
    pauses = itertools.cycle((0.05, 0.17, 0.11, 0.23))
    end = time.time() + seconds
    while time.time() < end and not (enough and len(seen) >= enough):
        seen.add(tray_icon_picture())
        time.sleep(next(pauses))
    return seen


def video_frames(path):
    """Frames of the file's video stream as ffprobe counts them by decoding."""
    p = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                        "-show_entries", "stream=nb_read_frames,nb_frames,width,height,r_frame_rate",
                        "-of", "default=nw=1", path], capture_output=True, text=True, timeout=300)
    fields = dict(l.split("=", 1) for l in p.stdout.split() if "=" in l)
    return fields


def ignore_sigxfsz_and_limit(nbytes):
    """A preexec_fn: files the process writes cannot grow beyond nbytes; writes past it fail
    with EFBIG instead of killing the process."""
    import resource

    def apply():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (nbytes, nbytes))
    return apply
