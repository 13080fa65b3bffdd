"""Seeing and clicking a program's tray icon on the Wine desktop.

In a virtual desktop, Wine's explorer draws a taskbar along the bottom edge (window class
Shell_TrayWnd). Tray icons sit in 20-pixel cells from its right end, the first icon added in the
rightmost cell, the small icon centred in its cell. The cells are ordinary Wine windows, so the
mouse buttons pressed there with xdotool reach the program as its tray callback message.
"""
import os
import subprocess
import time

import orvtest

ICON_SIZE = 16
ICON_CELL = ICON_SIZE + 2 * 2
MENU_CLASS = "#32768"
TOOLTIP_CLASS = "tooltips_class32"


def press(key, hold=0.12, window=None):
    """A key press that goes where the keyboard focus is, or to the given X window. Focusing the
    desktop's X window first, as orvtest.key does, makes Wine take the foreground from an open
    menu, which then never sees it."""
    target = ("--window", window) if window else ()
    orvtest.xdotool("keydown", *target, key)
    time.sleep(hold)
    orvtest.xdotool("keyup", *target, key)


def xwindow(hwnd, prefix=None):
    """The X window that shows a top-level window on the desktop, or None."""
    code, out = orvtest.wintool("xwindow", hwnd, prefix=prefix)
    return out.strip() if code == 0 else None


def windows_of_class(class_name, prefix=None):
    return [w for w in orvtest.list_windows(prefix) if w.class_name == class_name]


def icon_rect(prefix=None, timeout=30.0):
    """(x, y, width, height) of the first tray icon, or None without a taskbar."""
    bars = orvtest.wait_for(lambda: windows_of_class("Shell_TrayWnd", prefix), timeout=timeout, interval=0.5)
    if not bars:
        return None
    bar = bars[0]
    return (bar.right - ICON_CELL + (ICON_CELL - ICON_SIZE) // 2, bar.top + (bar.height - ICON_SIZE) // 2,
            ICON_SIZE, ICON_SIZE)


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def grab(rect):
    """The screen's RGB bytes inside rect."""
    x, y, w, h = rect
    return subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True, timeout=60).stdout


def save_png(data, size, path):
    subprocess.run(["convert", "-size", f"{size[0]}x{size[1]}", "-depth", "8", "rgb:-", path],
                   input=data, check=True, timeout=60)
    return path


def reference_icon(resource_id, background, prefix=None):
    """Icon resource_id of the program drawn at the tray's size on the background (bytes r, g, b)."""
    code, out = orvtest.run("tray_reference.exe", "icon", orvtest.unix_to_windows(orvtest.program("orvane.exe")),
                            resource_id, bytes(background).hex(), prefix=prefix)
    lines = out.split()
    if code != 0 or lines[:2] != [str(ICON_SIZE), str(ICON_SIZE)]:
        raise AssertionError(f"tray_reference icon {resource_id} failed ({code}): {out}")
    return bytes.fromhex("".join(lines[2:]))


def sample_icon(rect, seconds):
    """Grabs the icon again and again for the given time; returns the images in order."""
    images = []
    end = time.time() + seconds
    while time.time() < end:
        images.append(grab(rect))
    return images


def wait_for_both(rect, first, second, timeout):
    """Grabs the icon until both images have been seen; returns whether they were."""
    seen = set()
    end = time.time() + timeout
    while time.time() < end and not {first, second} <= seen:
        seen.add(grab(rect))
    return {first, second} <= seen


def tip_texts(rect, prefix=None, timeout=15.0):
    """The texts of the tooltips the taskbar shows while the pointer rests on the icon (the icon's
    tip, and a balloon if one is up). The pointer moves onto the icon afresh, so that the tip
    shows; a shown tip follows the icon's tip as it changes, and gives its text when asked."""
    x, y = centre(rect)
    orvtest.mouse_move(x - 4, y)
    orvtest.mouse_move(x, y)

    def shown():
        texts = []
        for tip in windows_of_class(TOOLTIP_CLASS, prefix):
            code, text = orvtest.wintool("text", tip.hwnd, prefix=prefix)
            if tip.visible and code == 0 and text.strip():
                texts.append(text.strip())
        return texts
    return orvtest.wait_for(shown, timeout=timeout, interval=0.3) or []


def menus(pid=None, prefix=None):
    return [w for w in windows_of_class(MENU_CLASS, prefix) if pid is None or w.pid == pid]


def menu_input_report(pid, prefix=None):
    """What keys meant for an open menu met, for a failure's message: where input goes, the menus
    and tooltips up, and where the threads of the prefix's processes wait."""
    shown = [(w.class_name, w.pid, (w.left, w.top, w.right, w.bottom))
             for w in orvtest.list_windows(prefix) if w.class_name in (MENU_CLASS, TOOLTIP_CLASS) and w.visible]
    return (f"{orvtest.input_state(prefix)} (the menu's program: {pid}); shown {shown}; "
            f"{orvtest.hang_report(prefix)}")


def covered_from_row(win, prefix=None):
    """The first row of a window that a tooltip or balloon may cover (its height when none does)."""
    limit = win.height
    for tip in windows_of_class(TOOLTIP_CLASS, prefix):
        if tip.left < win.right and tip.right > win.left and tip.top < win.bottom and tip.bottom > win.top:
            limit = min(limit, max(0, tip.top - win.top))
    return limit


class MenuPicture:
    """A menu window's pixels."""

    def __init__(self, win, data):
        self.width, self.height, self.data = win.width, win.height, data

    @classmethod
    def of(cls, win):
        return cls(win, grab((win.left, win.top, win.width, win.height)))

    def rows(self, count):
        return self.data[:count * self.width * 3]

    def save(self, path):
        return save_png(self.data, (self.width, self.height), path)


def reference_menu(items, prefix=None, at=(1000, 500), timeout=30.0):
    """The picture of a popup menu with the given items (see tray_reference.cpp), opened by a helper
    at a free spot of the desktop while no other menu is open."""
    if menus(prefix=prefix):
        raise AssertionError("a menu is open already")
    helper = orvtest.start("tray_reference.exe", "menu", at[0], at[1], 120, *items, prefix=prefix)
    try:
        found = orvtest.wait_for(lambda: menus(prefix=prefix), timeout=timeout, interval=0.3)
        if not found:
            raise AssertionError("the reference menu did not open")
        win = found[0]
        # Painted when two grabs in a row agree.
        previous, picture = None, MenuPicture.of(win)
        end = time.time() + timeout
        while picture.data != previous and time.time() < end:
            time.sleep(0.3)
            previous, picture = picture.data, MenuPicture.of(win)
        return picture
    finally:
        helper.kill()
        helper.wait()
        orvtest.wait_for(lambda: not menus(prefix=prefix), timeout=timeout)


def failure_folder():
    folder = os.path.join(orvtest.BUILD or ".", "Testing", "tray")
    os.makedirs(folder, exist_ok=True)
    return folder
